/*
 * Fuzz target: any byte string, opened as an outline file, gives a status and
 * nothing worse. The bytes reach the reader through an in-memory file
 * (memfd), so the run touches no disk.
 *
 * An input the reader accepts must also survive the writer: the outline is
 * saved (verification skipped, since a hostile file may hold any faults),
 * the saved file must open again, and saving that outline must give the same
 * bytes. A file we wrote ourselves is the one thing the reader may never
 * refuse.
 */
#include "bench/bench_host.h"
#include "shrotl.h"

#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct MemoryFile {
    int fd = -1;
    char name[64] = {};

    MemoryFile(const uint8_t *data, size_t size)
    {
        fd = memfd_create("outline", 0);
        if (fd < 0 || write(fd, data, size) != (ssize_t)size)
            abort();
        snprintf(name, sizeof name, "/proc/self/fd/%d", fd);
    }
    ~MemoryFile() { close(fd); }
};

// Saves go to a private folder in shared memory: the writer creates a
// temporary file beside its target and renames it, which a memfd cannot do.
const char *saveFolder()
{
    static char folder[64];
    if (!folder[0]) {
        snprintf(folder, sizeof folder, "/dev/shm/shrotl-fuzz-%d", (int)getpid());
        mkdir(folder, 0700);
    }
    return folder;
}

bool readWhole(const char *path, uint8_t **bytes, size_t *size)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return false;
    fseek(file, 0, SEEK_END);
    *size = (size_t)ftell(file);
    fseek(file, 0, SEEK_SET);
    *bytes = (uint8_t *)malloc(*size ? *size : 1);
    bool read = fread(*bytes, 1, *size, file) == *size;
    fclose(file);
    return read;
}

void saveOrDie(OtlOutline *outline, const char *path)
{
    if (adShrOtlWriteOutline(outline, path, 1) != OTL_OK)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    MemoryFile input(data, size);
    OtlOutline *outline = nullptr;
    if (adShrOtlOpenOutline(bench::mallocHost(), input.name, 1, &outline) != OTL_OK) {
        if (outline)
            abort(); // a failed open hands out nothing
        return 0;
    }

    char first[96], second[96];
    snprintf(first, sizeof first, "%s/first.otl", saveFolder());
    snprintf(second, sizeof second, "%s/second.otl", saveFolder());
    // What the reader took in, the writer may still refuse (a text too long
    // for its counted string, say); only a save that succeeds is checked.
    if (adShrOtlWriteOutline(outline, first, 1) == OTL_OK) {
        OtlOutline *again = nullptr;
        if (adShrOtlOpenOutline(bench::mallocHost(), first, 1, &again) != OTL_OK)
            abort();
        saveOrDie(again, second);
        uint8_t *a = nullptr, *b = nullptr;
        size_t sizeA = 0, sizeB = 0;
        if (!readWhole(first, &a, &sizeA) || !readWhole(second, &b, &sizeB) || sizeA != sizeB ||
            memcmp(a, b, sizeA) != 0)
            abort();
        free(a);
        free(b);
        adShrOtlCloseOutline(again);
    }
    adShrOtlCloseOutline(outline);
    return 0;
}
