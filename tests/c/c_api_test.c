/* A C caller of the library: includes the public header, builds a host
 * context and runs an outline through its life. */
#include "shrotl.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures;
static long live;

static void check(int ok, int line, const char *what)
{
    if (!ok && ++failures)
        fprintf(stderr, "%s:%d: %s\n", __FILE__, line, what);
}
#define CHECK(cond) check((cond) != 0, __LINE__, #cond)

static OtlStatus hostAllocate(OtlHandle handle, uint32_t zero, uint32_t size, void **block)
{
    (void)handle;
    (void)zero;
    *block = malloc(size);
    if (*block) /* the library clears what it needs cleared */
        memset(*block, 0xA5, size);
    live += *block != NULL;
    return *block ? 0 : 1;
}

/* A change record's slot i: the slots run past the declared array. */
static const char *changeText(const OtlChangeRecord *record, unsigned i)
{
    const char *text;
    memcpy(&text, (const char *)record + offsetof(OtlChangeRecord, text) + i * sizeof(char *),
           sizeof text);
    return text;
}

static int textIs(const char *text, const char *expected)
{
    return expected ? text && strcmp(text, expected) == 0 : text == NULL;
}

static OtlStatus hostReallocate(uint32_t size, void **block)
{
    void *p = realloc(*block, size);
    *block = p ? p : *block;
    return p ? 0 : 1;
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
    OtlOutlineInfo settings, *info = NULL;
    OtlItem *first = (OtlItem *)1, *market = NULL, *east = NULL;
    OtlMbrInfo member;
    const OtlChangeRecord *record;

    memset(&host, 0, sizeof host);
    host.allocMode = OTL_CALL_HANDLE_FIRST;
    host.clientVersion = OTL_CLIENT_ATTR_MBRINFO;
    host.allocate.handleForm = hostAllocate;
    host.reallocate.shortForm = hostReallocate;
    host.freeMemory.shortForm = hostFree;
    memset(&settings, 0, sizeof settings);
    settings.caseSensitive = 1;
    CHECK(adShrOtlNewOutline(&host, &settings, &outline) == OTL_OK && outline != NULL);
    CHECK(adShrOtlGetOutlineInfo(outline, &info) == OTL_OK && info != NULL);
    CHECK(info && info->caseSensitive == 1 && info->aliasTableCount == 1 &&
          strcmp(OTL_OUTLINE_INFO_TABLE(info, 0), OTL_DEFAULT_ALIAS_TABLE) == 0);
    CHECK(adShrOtlFree(&host, info) == OTL_OK);
    CHECK(adShrOtlGetFirstMember(outline, &first) == OTL_OK && first == NULL);
    /* The change log through the public record alone. */
    outline->changeLogEnabled = 1;
    memset(&member, 0, sizeof member);
    strcpy(member.memberName, "Market");
    CHECK(adShrOtlAddMember(outline, &member, NULL, NULL, &market, OTL_CHECK_ALL) == OTL_OK);
    strcpy(member.memberName, "East");
    CHECK(adShrOtlAddMember(outline, &member, market, NULL, &east, OTL_CHECK_ALL) == OTL_OK);
    CHECK(east && adShrOtlDeleteMember(outline, east, OTL_CHECK_ALL) == OTL_OK);
    record = outline->changeLogHead;
    CHECK(record && record->kind == OTL_CHANGE_ADDED && record->generation == 1 &&
          textIs(changeText(record, 0), "Market") && textIs(changeText(record, 1), NULL) &&
          textIs(changeText(record, 3), NULL));
    record = record ? record->next : NULL;
    CHECK(record && record->kind == OTL_CHANGE_ADDED && record->generation == 2 &&
          textIs(changeText(record, 0), "East") && textIs(changeText(record, 1), "Market"));
    record = record ? record->next : NULL;
    CHECK(record && record->kind == OTL_CHANGE_DELETED && record->next == NULL &&
          record == outline->changeLogTail && textIs(changeText(record, 0), "East"));

    settings.outlineType = 7;
    CHECK(adShrOtlSetOutlineInfo(outline, &settings) == OTL_ERR_OUTLINE_TYPE);
    CHECK(adShrOtlCloseOutline(outline) == OTL_OK);
    CHECK(live == 0);
    CHECK(sizeof(OtlItem) == 399 + 37 * (sizeof(void *) - 4));
    return failures ? 1 : 0;
}
