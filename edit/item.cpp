/*
 * Release of items. An item owns every text and list its pointer fields
 * point to (never its tree links); releasing an item releases those first,
 * then the item itself unless it lives in the item pool, whose blocks go
 * only when the outline is torn down. This sits above core/: an item's
 * lists belong to the alias, names and attribute subsystems.
 */
#include "edit/item.h"
#include "core/alloc.h"
#include "alias/combo.h"
#include "attr/items.h"
#include "names/genlevel.h"
#include "names/uda.h"

void otlReleaseAliasSlot(const OtlHostContext *host, OtlAliasSlot *slot)
{
    otlFreeAliasCombos(host, &slot->combos);
    otl::hostRelease(host, &slot->alias);
}

// The host's attribute lists of an item in field-access mode.
static void releaseHostAttributes(const OtlHostContext *host, OtlItem *item)
{
    for (uint32_t i = 0; i < item->hostAttrCount; ++i) {
        if (item->hostAttrTexts1)
            otl::hostRelease(host, &item->hostAttrTexts1[i]);
        if (item->hostAttrTexts2)
            otl::hostRelease(host, &item->hostAttrTexts2[i]);
        if (item->hostAttrValues && item->hostAttrValues[i].type == OTL_ATTR_TEXT)
            otl::hostRelease(host, &item->hostAttrValues[i].value.text);
    }
    otl::hostRelease(host, &item->hostAttrTexts1);
    otl::hostRelease(host, &item->hostAttrTexts2);
    otl::hostRelease(host, &item->hostAttrValues);
    item->hostAttrCount = 0;
}

void otlFreeItemContents(OtlOutline *outline, OtlItem *item, uint16_t aliasTableCount)
{
    const OtlHostContext *host = outline->host;
    for (uint16_t t = 0; t < aliasTableCount && t < OTL_MAX_ALIAS_TABLES; ++t)
        otlReleaseAliasSlot(host, &item->aliases[t]);
    otl::hostRelease(host, &item->comment);
    otl::hostRelease(host, &item->formula);
    otl::hostRelease(host, &item->lastFormula);
    otl::hostRelease(host, &item->commentEx);
    otl::hostRelease(host, &item->infoDimName);
    if (item->attrValueType == OTL_ATTR_TEXT) {
        char *text = nullptr;
        memcpy(&text, item->attrValue, sizeof text);
        otl::hostRelease(host, &text);
        memset(item->attrValue, 0, sizeof item->attrValue);
    }
    otlFreeUserAttributes(host, item);
    otlFreeGenLevelNames(outline, item);
    otlAttrFreeItem(host, item);
    if (item->hostAttrCount)
        releaseHostAttributes(host, item);
}

extern "C" OTL_API void otlFreeItem(OtlOutline *outline, OtlItem *item, uint16_t aliasTableCount)
{
    if (!item)
        return;
    otlFreeItemContents(outline, item, aliasTableCount);
    if (!item->pooled)
        otl::hostFree(outline->host, item);
}

// Post-order without recursion, so that a deep tree cannot exhaust the
// stack: go down to a leaf, release it, continue with its next sibling or,
// when it was the last, with its parent (whose children are then gone).
void otlReleaseSubtree(OtlOutline *outline, OtlItem *item)
{
    if (!item)
        return;
    OtlItem *current = item;
    for (;;) {
        while (current->firstChild)
            current = current->firstChild;
        OtlItem *next = current->nextSibling;
        OtlItem *parent = current->parent;
        const bool top = current == item;
        otlFreeItem(outline, current, outline->aliasTableCount);
        if (top)
            return;
        parent->firstChild = next;
        current = next ? next : parent;
    }
}
