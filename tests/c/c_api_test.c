/* A C caller of the library: includes the public header, builds a host
 * context and runs an outline through its life. */
#include "shrotl.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures;
static int passes;
static long live;

#define CHECK(cond)                                                   \
    do {                                                              \
        if (cond) {                                                   \
            passes++;                                                 \
        } else {                                                      \
            failures++;                                               \
            fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond); \
        }                                                             \
    } while (0)

static OtlStatus hostAllocate(OtlHandle handle, uint32_t zero, uint32_t size, void **block)
{
    (void)handle;
    (void)zero;
    *block = malloc(size);
    live += *block != NULL;
    return *block ? 0 : 1;
}

static OtlStatus hostReallocate(uint32_t size, void **block)
{
    void *p = realloc(*block, size);
    if (!p)
        return 1;
    *block = p;
    return 0;
}

static OtlStatus hostFree(void *block)
{
    live--;
    free(block);
    return 0;
}

int main(void)
{
    OtlHostContext host;
    OtlOutline *outline = NULL;
    OtlOutlineInfo settings;
    OtlOutlineInfo *info = NULL;
    OtlItem *first = (OtlItem *)1;

    memset(&host, 0, sizeof host);
    host.allocMode = OTL_CALL_HANDLE_FIRST;
    host.clientVersion = OTL_CLIENT_ATTR_MBRINFO;
    host.allocate.handleForm = hostAllocate;
    host.reallocate.shortForm = hostReallocate;
    host.freeMemory.shortForm = hostFree;

    memset(&settings, 0, sizeof settings);
    settings.caseSensitive = 1;
    CHECK(adShrOtlNewOutline(&host, &settings, &outline) == OTL_OK);
    CHECK(outline != NULL);
    CHECK(adShrOtlGetOutlineInfo(outline, &info) == OTL_OK);
    CHECK(info != NULL && info->caseSensitive == 1 && info->aliasTableCount == 1);
    CHECK(info != NULL && strcmp(OTL_OUTLINE_INFO_TABLE(info, 0), OTL_DEFAULT_ALIAS_TABLE) == 0);
    CHECK(adShrOtlFree(&host, info) == OTL_OK);
    CHECK(adShrOtlGetFirstMember(outline, &first) == OTL_OK);
    CHECK(first == NULL);
    settings.outlineType = 7;
    CHECK(adShrOtlSetOutlineInfo(outline, &settings) == OTL_ERR_OUTLINE_TYPE);
    CHECK(adShrOtlCloseOutline(outline) == OTL_OK);
    CHECK(live == 0);
    CHECK(sizeof(OtlItem) == 399 + 37 * (sizeof(void *) - 4));

    printf("%d passed, %d failed\n", passes, failures);
    return failures ? 1 : 0;
}
