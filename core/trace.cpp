/*
 * The timing trace: one line per phase of reading, writing and marked
 * deletion, appended to the file that SHROTL_TRACE names. Without that
 * variable, or when the file cannot be opened, nothing happens: the trace
 * never changes the result of an operation.
 */
#include "host.h"

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

void otlTraceTime(const char *label)
{
    const char *path = getenv("SHROTL_TRACE");
    if (!path || !path[0])
        return;
    FILE *file = fopen(path, "a+");
    if (!file)
        return;
    char clock[16] = "00:00:00";
    time_t now = time(nullptr);
    struct tm local;
    if (localtime_r(&now, &local))
        strftime(clock, sizeof clock, "%H:%M:%S", &local);
    fprintf(file, " %s: %s \n", label ? label : "", clock);
    fclose(file);
}
