// The malloc-backed host context of the otl tool. The library asks for every
// byte through these callbacks, in the short calling form; a zero-byte
// request still gets a block, so that a success always hands one back.
#include "host.h"

#include <cstdlib>

namespace otltool {
namespace {

OtlStatus allocateBlock(uint32_t size, void **block)
{
    void *fresh = std::malloc(size ? size : 1);
    if (!fresh)
        return kHostOutOfMemory;
    *block = fresh;
    return OTL_OK;
}

// The old block stays where it was when realloc fails, as the library expects.
OtlStatus reallocateBlock(uint32_t newSize, void **block)
{
    void *moved = std::realloc(*block, newSize ? newSize : 1);
    if (!moved)
        return kHostOutOfMemory;
    *block = moved;
    return OTL_OK;
}

OtlStatus freeBlock(void *block)
{
    std::free(block);
    return OTL_OK;
}

OtlHostContext makeHost()
{
    OtlHostContext host{};
    host.allocMode = 0;
    host.reallocMode = 0;
    host.freeMode = 0;
    host.clientVersion = OTL_CLIENT_ATTR_MBRINFO;
    host.allocate.shortForm = allocateBlock;
    host.reallocate.shortForm = reallocateBlock;
    host.freeMemory.shortForm = freeBlock;
    host.localeHandle = 0;
    return host;
}

} // namespace

const OtlHostContext *toolHost()
{
    static const OtlHostContext host = makeHost();
    return &host;
}

} // namespace otltool
