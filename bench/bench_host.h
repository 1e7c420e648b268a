/*
 * A plain malloc host for the benchmarks: no bookkeeping, so that timings
 * show the library's own cost.
 */
#ifndef SHROTL_BENCH_HOST_H
#define SHROTL_BENCH_HOST_H

#include "shrotl.h"

#include <stdlib.h>

namespace bench {

inline OtlStatus mallocAllocate(uint32_t size, void **block)
{
    *block = malloc(size ? size : 1);
    return *block ? OTL_OK : 1;
}

inline OtlStatus mallocReallocate(uint32_t size, void **block)
{
    void *p = realloc(*block, size ? size : 1);
    if (!p)
        return 1;
    *block = p;
    return OTL_OK;
}

inline OtlStatus mallocFree(void *block)
{
    free(block);
    return OTL_OK;
}

inline const OtlHostContext *mallocHost()
{
    static OtlHostContext host = [] {
        OtlHostContext h{};
        h.clientVersion = 0x50700;
        h.allocate.shortForm = mallocAllocate;
        h.reallocate.shortForm = mallocReallocate;
        h.freeMemory.shortForm = mallocFree;
        return h;
    }();
    return &host;
}

} // namespace bench

#endif
