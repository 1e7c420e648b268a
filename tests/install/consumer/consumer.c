/* Builds against an installed shrotl and opens and closes an outline. */
#include <shrotl.h>

#include <stdlib.h>

static OtlStatus allocateBlock(uint32_t size, void **block)
{
    *block = malloc(size);
    return *block ? 0 : 1;
}

static OtlStatus reallocateBlock(uint32_t size, void **block)
{
    void *p = realloc(*block, size);
    if (!p)
        return 1;
    *block = p;
    return 0;
}

static OtlStatus freeBlock(void *block)
{
    free(block);
    return 0;
}

int main(void)
{
    OtlHostContext host = {0};
    OtlOutlineInfo info = {0};
    OtlOutline *outline = NULL;
    host.allocate.shortForm = allocateBlock;
    host.reallocate.shortForm = reallocateBlock;
    host.freeMemory.shortForm = freeBlock;
    if (adShrOtlNewOutline(&host, &info, &outline) != OTL_OK)
        return 1;
    return adShrOtlCloseOutline(outline) == OTL_OK ? 0 : 1;
}
