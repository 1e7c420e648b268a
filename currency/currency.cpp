/*
 * Generating a currency outline from a normal one: a copy of the time
 * dimension, the currency categories used in the accounts dimension, the
 * currency names used in the country dimension, and an empty currency type
 * dimension.
 *
 * The source is only read. The new outline owns each copied item from the
 * moment it is made (it is linked before anything is allocated for it), and
 * the generated members are added by the add operation, so after any
 * failure releasing the new outline releases all of it.
 */
#include "alias/combo.h"
#include "attr/register.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"
#include "edit/add.h"
#include "edit/mbrinfo.h"
#include "names/uda.h"

#include <stddef.h>
#include <string.h>

namespace {

constexpr const char *kCategoryDim = "CurCategory";
constexpr const char *kNameDim = "CurName";
constexpr const char *kTypeDim = "CurType";

// An item's fixed properties: from its name to its attribute value.
constexpr size_t kFixedBytes = offsetof(OtlItem, attrValue) + sizeof(OtlItem::attrValue);

// The source's dimensions the generation reads; of two with one tag, the
// later.
struct SourceDims {
    OtlItem *accounts = nullptr;
    OtlItem *time = nullptr;
    OtlItem *country = nullptr;
};

SourceDims sourceDims(const OtlOutline *outline)
{
    SourceDims dims;
    for (OtlItem *d = outline->root->firstChild; d; d = d->nextSibling) {
        if (d->dimensionTag == OTL_TAG_ACCOUNTS)
            dims.accounts = d;
        else if (d->dimensionTag == OTL_TAG_TIME)
            dims.time = d;
        else if (d->dimensionTag == OTL_TAG_COUNTRY)
            dims.country = d;
    }
    return dims;
}

// The copy's own texts, aliases and tags, its names in the hash, and its
// place in the counters and the dimension table.
OtlStatus fillCopy(OtlOutline *target, OtlItem *copy, const OtlItem *source)
{
    const OtlHostContext *host = target->host;
    OtlStatus status = otlDupString(host, source->comment, &copy->comment);
    if (status == OTL_OK)
        status = otlDupString(host, source->infoDimName, &copy->infoDimName);
    if (status == OTL_OK)
        status = otlDupString(host, source->formula, &copy->formula);
    if (status == OTL_OK)
        status = otlDupString(host, source->lastFormula, &copy->lastFormula);
    if (status == OTL_OK)
        status = otlDupString(host, source->commentEx, &copy->commentEx);
    if (status == OTL_OK && source->attrValueType == OTL_ATTR_TEXT) {
        char *text = nullptr;
        status = otlDupString(host, otl::textValue(source->attrValue), &text);
        otl::setTextValue(copy->attrValue, text);
    }
    // The new outline has the default alias table alone: table 0 is copied.
    if (status == OTL_OK)
        status = otlCopyMemberAliases(host, target, copy, source);
    if (status == OTL_OK)
        status = otlCopyUserAttributes(host, copy, source);
    if (status == OTL_OK)
        status = otlHashInsert(host, target, copy, copy->memberName, 0);
    if (status != OTL_OK)
        return status;
    otl::Journal journal;
    status = otlAttrRegisterItem(target, copy, journal);
    if (status == OTL_OK)
        journal.commit();
    return status;
}

// Copies one item as the first child of `parent`, or after `prev`. The
// bytes copied hold the source's text pointers, cleared before the copy
// is linked and can be released.
OtlStatus copyItem(OtlOutline *target, const OtlItem *source, OtlItem *parent, OtlItem *prev,
                   OtlItem **copy)
{
    OtlItem *item = nullptr;
    if (OtlStatus status = otlNewItem(target->host, &item))
        return status;
    memcpy(static_cast<void *>(item), static_cast<const void *>(source), kFixedBytes);
    item->comment = nullptr;
    item->infoDimName = nullptr;
    if (item->attrValueType == OTL_ATTR_TEXT)
        otl::setTextValue(item->attrValue, nullptr);
    item->level = 0; // the links give it its level and generation
    if (prev)
        otlAddSiblingItem(prev, item, 1);
    else
        otlAddChildItem(parent, item, 1);
    *copy = item;
    return fillCopy(target, item, source);
}

// Copies a dimension with all its members, in order, as the first
// dimension of `target`. Iterative: the walk of the source and the copy's
// place move together.
OtlStatus copyDimension(OtlOutline *target, const OtlItem *dimension, OtlItem **copied)
{
    const OtlItem *from = dimension;
    OtlItem *to = nullptr;
    OtlStatus status = copyItem(target, from, target->root, nullptr, &to);
    *copied = to;
    while (status == OTL_OK) {
        if (from->firstChild) {
            from = from->firstChild;
            status = copyItem(target, from, to, nullptr, &to);
            continue;
        }
        while (from != dimension && !from->nextSibling) {
            from = from->parent;
            to = to->parent;
        }
        if (from == dimension)
            break;
        from = from->nextSibling;
        status = copyItem(target, from, nullptr, to, &to);
    }
    return status;
}

// Adds a member with every property zero but its name, tag and storage
// type, under all checks, after `prev` or else as first child of `parent`.
OtlStatus addMember(OtlOutline *target, const char *name, uint16_t tag, uint16_t storage,
                    OtlItem *parent, OtlItem *prev, OtlItem **added)
{
    OtlMbrInfo info{};
    otl::copyText(info.memberName, name, sizeof info.memberName);
    info.dimensionTag = tag;
    info.storageType = storage;
    otl::Journal journal;
    OtlStatus status =
        otlAddItem(target, &info, parent, prev, OTL_CHECK_ALL, nullptr, journal, added);
    if (status == OTL_OK)
        journal.commit();
    return status;
}

bool hasChildNamed(const OtlOutline *outline, const OtlItem *parent, const char *name)
{
    for (const OtlItem *c = parent->firstChild; c; c = c->nextSibling)
        if (otl::namesEqual(outline, c->memberName, name))
            return true;
    return false;
}

// Gives `into` one child per distinct currency name of the source
// dimension, in pre-order (the dimension first), in the order first met.
OtlStatus addCurrencies(OtlOutline *target, OtlItem *from, OtlItem *into)
{
    OtlItem *last = nullptr;
    for (OtlItem *x = from; x; x = otl::nextInSubtree(x, from)) {
        char name[OTL_NAME_SIZE];
        otl::copyText(name, x->currencyName, sizeof name);
        if (!name[0] || hasChildNamed(target, into, name))
            continue;
        if (OtlStatus status = addMember(target, name, OTL_TAG_NONE, 0, into, last, &last))
            return status;
    }
    return OTL_OK;
}

OtlStatus build(OtlOutline *target, const SourceDims &source)
{
    OtlItem *time = nullptr, *category = nullptr, *names = nullptr, *type = nullptr;
    OtlStatus status = copyDimension(target, source.time, &time);
    if (status == OTL_OK)
        status = addMember(target, kCategoryDim, OTL_TAG_ACCOUNTS, 0, nullptr, time, &category);
    if (status == OTL_OK)
        status = addMember(target, kNameDim, OTL_TAG_COUNTRY, 0, nullptr, category, &names);
    if (status == OTL_OK)
        status = addMember(target, kTypeDim, OTL_TAG_CURRENCY_TYPE, OTL_STORAGE_SPARSE, nullptr,
                           names, &type);
    if (status == OTL_OK)
        status = addCurrencies(target, source.country, names);
    if (status == OTL_OK)
        status = addCurrencies(target, source.accounts, category);
    return status;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlGenerateCurrencyOutline(OtlOutline *outline,
                                                             OtlOutline **currencyOutline)
{
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    if (outline->outlineType == OTL_OUTLINE_CURRENCY)
        return OTL_ERR_ALREADY_CURRENCY;
    const SourceDims source = sourceDims(outline);
    if (!source.accounts)
        return OTL_ERR_NO_TAG1_DIM;
    if (!source.time)
        return OTL_ERR_NO_TIME_DIM;
    if (!source.country)
        return OTL_ERR_NO_TAG3_DIM;

    OtlOutlineInfo info{};
    info.caseSensitive = outline->caseSensitive;
    info.outlineType = OTL_OUTLINE_CURRENCY;
    info.autoConfigure = 1;
    OtlOutline *created = nullptr;
    OtlStatus status = adShrOtlNewOutline(outline->host, &info, &created);
    if (status == OTL_OK)
        status = build(created, source);
    if (status != OTL_OK) {
        otlFreeOutlineData(outline->host, created);
        return status;
    }
    *currencyOutline = created;
    return OTL_OK;
}
