/*
 * Generation and level names of a dimension: the list records and the
 * reader's way in, otlAddName. The list keeps ascending number order; the
 * records of one number keep the order they came in.
 */
#include "names/genlevel.h"
#include "names/text_node.h"
#include "core/hash.h"

void otlFreeGenLevelNames(OtlOutline *outline, OtlItem *item)
{
    const OtlHostContext *host = outline->host;
    OtlGenLevelName *head = item->genLevelNames;
    item->genLevelNames = nullptr;
    const bool oneBlock = outline->fieldAccessMode != 0;
    for (OtlGenLevelName *name = head; name;) {
        OtlGenLevelName *next = name->nextName;
        otl::hostRelease(host, &name->nameText);
        if (!oneBlock)
            otl::hostFree(host, name);
        name = next;
    }
    if (oneBlock)
        otl::hostFree(host, head);
}

OtlStatus otlNewGenLevelName(const OtlHostContext *host, const char *name, uint16_t number,
                             uint8_t kind, OtlGenLevelName **record)
{
    OtlGenLevelName *made = nullptr;
    const OtlStatus status = otl::newTextNode(host, name, &OtlGenLevelName::nameText, &made);
    if (status == OTL_OK) {
        made->nameNumber = number;
        made->nameKind = kind;
        *record = made;
    }
    return status;
}

// Links go through the records' own fields, never through a pointer to a
// link: the fields lie unaligned in the packed records.
void otlLinkGenLevelName(OtlItem *dimension, OtlGenLevelName *record)
{
    OtlGenLevelName *prev = dimension->genLevelNames;
    if (!prev || prev->nameNumber > record->nameNumber) {
        record->nextName = prev;
        dimension->genLevelNames = record;
        return;
    }
    while (prev->nextName && prev->nextName->nameNumber < record->nameNumber)
        prev = prev->nextName;
    record->nextName = prev->nextName;
    prev->nextName = record;
}

OtlGenLevelName *otlFindGenLevelName(const OtlItem *dimension, uint8_t kind, uint16_t number)
{
    for (OtlGenLevelName *r = dimension->genLevelNames; r; r = r->nextName)
        if (r->nameKind == kind && r->nameNumber == number)
            return r;
    return nullptr;
}

OtlItem *otlFindNamedMember(OtlOutline *outline, const char *name)
{
    OtlItem *found = nullptr;
    otlHashLookup(outline->host, outline, name, nullptr, true, false, 0, nullptr, &found);
    return found;
}

extern "C" OTL_API OtlStatus otlAddName(const OtlHostContext *host, OtlItem *dimension,
                                        const char *name, uint16_t number, uint8_t kind)
{
    OtlGenLevelName *record = nullptr;
    const OtlStatus status = otlNewGenLevelName(host, name, number, kind, &record);
    if (status == OTL_OK)
        otlLinkGenLevelName(dimension, record);
    return status;
}
