/*
 * The outline change log. Records are appended at the tail and released
 * from the head; a record carries 2, 4 or 6 owned texts by kind.
 */
#include "edit/changelog.h"
#include "core/alloc.h"

uint16_t otlChangeTextCount(uint16_t kind)
{
    switch (kind) {
    case OTL_CHANGE_ADDED:
        return 4;
    case OTL_CHANGE_DELETED:
    case OTL_CHANGE_RENAMED:
        return 2;
    case OTL_CHANGE_MOVED:
        return 6;
    default:
        return 0;
    }
}

void otlChangeListAppend(OtlOutline *outline, OtlChangeRecord *record)
{
    record->next = nullptr;
    record->prev = nullptr;
    if (!outline->changeLogHead) {
        outline->changeLogHead = record;
    } else {
        record->prev = outline->changeLogTail;
        outline->changeLogTail->next = record;
    }
    outline->changeLogTail = record;
}

uint32_t otlChangeListCount(const OtlOutline *outline)
{
    uint32_t count = 0;
    for (const OtlChangeRecord *r = outline->changeLogHead; r; r = r->next)
        ++count;
    return count;
}

void otlFreeChangeRecord(const OtlHostContext *host, OtlChangeRecord *record)
{
    if (!record)
        return;
    char **texts = record->text;
    for (uint16_t i = 0; i < otlChangeTextCount(record->kind); ++i)
        otl::hostRelease(host, &texts[i]);
    otl::hostFree(host, record);
}

void otlChangeLogRelease(OtlOutline *outline)
{
    OtlChangeRecord *record = outline->changeLogHead;
    while (record) {
        OtlChangeRecord *next = record->next;
        otlFreeChangeRecord(outline->host, record);
        record = next;
    }
    outline->changeLogHead = nullptr;
    outline->changeLogTail = nullptr;
}
