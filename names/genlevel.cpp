/*
 * Generation and level names of a dimension: a singly linked list in
 * ascending number order; each record owns its text.
 */
#include "names/genlevel.h"
#include "core/alloc.h"

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
