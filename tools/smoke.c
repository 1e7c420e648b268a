/* Creates an outline through the public interface, prints its settings and
 * closes it; exits non-zero when any step fails. */
#include "shrotl.h"

#include <stdio.h>
#include <stdlib.h>

static OtlStatus allocateBlock(uint32_t size, void **block)
{
    *block = malloc(size ? size : 1);
    return *block ? 0 : 1;
}

static OtlStatus reallocateBlock(uint32_t size, void **block)
{
    void *p = realloc(*block, size ? size : 1);
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
    OtlOutlineInfo settings = {0};
    OtlOutline *outline = NULL;
    OtlOutlineInfo *info = NULL;
    OtlStatus status;
    uint16_t t;

    host.allocate.shortForm = allocateBlock;
    host.reallocate.shortForm = reallocateBlock;
    host.freeMemory.shortForm = freeBlock;
    host.clientVersion = OTL_CLIENT_ATTR_MBRINFO;

    status = adShrOtlNewOutline(&host, &settings, &outline);
    if (status != OTL_OK) {
        fprintf(stderr, "otl-smoke: creating an outline failed: %u\n", (unsigned)status);
        return 1;
    }
    status = adShrOtlGetOutlineInfo(outline, &info);
    if (status != OTL_OK) {
        fprintf(stderr, "otl-smoke: reading the outline settings failed: %u\n", (unsigned)status);
        adShrOtlCloseOutline(outline);
        return 1;
    }
    printf("outline created: root \"%s\", %s, %s outline\n", outline->root->memberName,
           info->caseSensitive ? "case-sensitive" : "case-insensitive",
           info->outlineType ? "currency" : "normal");
    for (t = 0; t < info->aliasTableCount; ++t)
        printf("alias table %u: %s\n", (unsigned)t, OTL_OUTLINE_INFO_TABLE(info, t));
    adShrOtlFree(&host, info);
    adShrOtlCloseOutline(outline);
    printf("outline closed\n");
    return 0;
}
