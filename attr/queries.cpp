/*
 * Attribute queries: the attribute members that carry a value text, the
 * attributes associated with a base dimension or member, and the two
 * readers of field-access mode (one member field at a time, and the host's
 * lists of associated attributes).
 *
 * Invariants: nothing here changes the outline; everything handed out is a
 * fresh host block owned by the caller, and a failed query has released
 * every block it took and left its cleared out-parameters cleared.
 */
#include "attr/items.h"
#include "attr/values.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/records.h"
#include "core/tree.h"

#include "gcharset.h"

#include <assert.h>
#include <stddef.h>
#include <string.h>

namespace {

// The find result grows by this many entries at a time.
constexpr uint32_t kFoundGrowth = 10;
// A member count handed out is 16 bits wide: a find stops there.
constexpr uint32_t kMaxListed = UINT16_MAX;
// The three host lists an item must carry for the associated-attribute read.
constexpr uint32_t kAttrListBits =
    (OTL_FIELD_ATTR_TEXTS1 | OTL_FIELD_ATTR_TEXTS2 | OTL_FIELD_ATTR_VALUES) & 0x7FFFFFFFu;

// Copies a value into a record the caller owns; a text value becomes a new
// string of at most OTL_NAME_SIZE - 1 bytes. On failure `to` is unchanged.
OtlStatus copyValue(const OtlHostContext *host, uint16_t type, const uint8_t raw[8], OtlAttribute *to)
{
    OtlAttribute value{};
    value.type = type;
    memcpy(value.value.raw, raw, sizeof value.value.raw);
    if (type == OTL_ATTR_TEXT) {
        char cut[OTL_NAME_SIZE];
        otl::copyNameSlot(host, cut, otl::loadPointer(reinterpret_cast<char *const *>(raw)));
        char *copy = nullptr;
        OtlStatus status = otlDupString(host, cut, &copy);
        if (status != OTL_OK)
            return status;
        value.value.text = copy;
    }
    memcpy(static_cast<void *>(to), &value, sizeof value);
    return OTL_OK;
}

void releaseValue(const OtlHostContext *host, const OtlAttribute &value)
{
    if (value.type == OTL_ATTR_TEXT)
        otl::hostFree(host, value.value.text);
}

// The number fields the field accessor serves: selector, width in bytes and
// place in the item.
struct NumberField {
    uint32_t selector;
    uint32_t width;
    size_t offset;
};

constexpr NumberField kNumberFields[] = {
    {OTL_FIELD_LEVEL, 2, offsetof(OtlItem, level)},
    {OTL_FIELD_GENERATION, 2, offsetof(OtlItem, generation)},
    {OTL_FIELD_CONSOLIDATION, 2, offsetof(OtlItem, consolidation)},
    {OTL_FIELD_MEMBER_OPTION, 1, offsetof(OtlItem, memberOption)},
    {OTL_FIELD_TAG1_OPTION, 1, offsetof(OtlItem, tag1Option)},
    {OTL_FIELD_CURRENCY_MODE, 2, offsetof(OtlItem, currencyMode)},
    {OTL_FIELD_TIME_BALANCE, 2, offsetof(OtlItem, timeBalance)},
    {OTL_FIELD_SKIP_OPTION, 2, offsetof(OtlItem, skipOption)},
    {OTL_FIELD_SHARE_OPTION, 2, offsetof(OtlItem, shareOption)},
    {OTL_FIELD_STORAGE_TYPE, 2, offsetof(OtlItem, storageType)},
    {OTL_FIELD_DIMENSION_TAG, 2, offsetof(OtlItem, dimensionTag)},
    {OTL_FIELD_DIMENSION_CATEGORY, 2, offsetof(OtlItem, dimensionCategory)},
    {OTL_FIELD_CHILD_COUNT, 4, offsetof(OtlItem, childCountOrValue)},
    {OTL_FIELD_MEMBER_NUMBER, 4, offsetof(OtlItem, memberNumber)},
    {OTL_FIELD_DIMENSION_NUMBER, 4, offsetof(OtlItem, dimensionNumber)},
    {OTL_FIELD_FAULT_FLAGS, 4, offsetof(OtlItem, faultFlags)},
    {OTL_FIELD_ACCESS_FLAG, 1, offsetof(OtlItem, fieldAccessFlag)},
    {OTL_FIELD_ACCESS_WORD, 4, offsetof(OtlItem, fieldAccessWord)},
    {OTL_FIELD_HAS_ATTR_VALUE, 1, offsetof(OtlItem, hasAttrValue)},
};

const char *nameOf(const OtlItem *item)
{
    return item ? item->memberName : nullptr;
}

// The text field a selector names; false when it names no text field.
bool textField(const OtlItem *item, uint32_t selector, const char **text)
{
    switch (selector) {
    case OTL_FIELD_MEMBER_NAME: *text = item->memberName; return true;
    case OTL_FIELD_CURRENCY_NAME: *text = item->currencyName; return true;
    case OTL_FIELD_COMMENT: *text = item->comment; return true;
    case OTL_FIELD_INFO_DIM_NAME: *text = item->infoDimName; return true;
    case OTL_FIELD_ALIAS:
    case OTL_FIELD_ALIAS_AGAIN: *text = item->aliases[0].alias; return true;
    case OTL_FIELD_NEXT_SIBLING: *text = nameOf(item->nextSibling); return true;
    case OTL_FIELD_PREV_SIBLING: *text = nameOf(item->prevSibling); return true;
    case OTL_FIELD_PARENT: *text = nameOf(item->parent); return true;
    case OTL_FIELD_FIRST_CHILD: *text = nameOf(item->firstChild); return true;
    case OTL_FIELD_USER_ATTRIBUTE:
        *text = item->userAttributes ? item->userAttributes->text : nullptr;
        return true;
    case OTL_FIELD_FORMULA: *text = item->formula; return true;
    case OTL_FIELD_LAST_FORMULA: *text = item->lastFormula; return true;
    case OTL_FIELD_COMMENT_EX: *text = item->commentEx; return true;
    default: return false;
    }
}

OtlStatus copyField(const OtlHostContext *host, const OtlItem *item, uint32_t selector, void **copy)
{
    if (selector == OTL_FIELD_ATTR_VALUE) {
        OtlAttribute *value = nullptr;
        OtlStatus status = otl::hostNew(host, &value);
        if (status == OTL_OK && item->hasAttrValue)
            status = copyValue(host, item->attrValueType, item->attrValue, value);
        if (status != OTL_OK) {
            otl::hostRelease(host, &value);
            return status;
        }
        *copy = value;
        return OTL_OK;
    }
    for (const NumberField &f : kNumberFields) {
        if (f.selector != selector)
            continue;
        void *block = nullptr;
        OtlStatus status = otl::hostAlloc(host, f.width, &block);
        if (status == OTL_OK) {
            memcpy(block, reinterpret_cast<const char *>(item) + f.offset, f.width);
            *copy = block;
        }
        return status;
    }
    const char *text = nullptr;
    if (!textField(item, selector, &text))
        return OTL_ERR_FIELD_MASK;
    char *dup = nullptr;
    OtlStatus status = otlDupString(host, text, &dup);
    if (status == OTL_OK)
        *copy = dup;
    return status;
}

// The attribute dimension in link slot i of a base dimension, or null.
OtlItem *slotDim(const OtlItem *dimension, uint32_t i)
{
    const auto &links = dimension->attrLink.baseDim;
    return i < links.attrLinkCount && links.attrLinks ? links.attrLinks[i].attrDim : nullptr;
}

// Hands out, in a new array, pick(i) for every i below `slots` that gives
// an item; nothing at all (a null array) when none does. A partly filled
// array is shrunk to its entries.
template <class Pick>
OtlStatus listItems(const OtlHostContext *host, uint32_t slots, Pick pick, uint16_t *count,
                    OtlItem ***out)
{
    if (slots == 0)
        return OTL_OK;
    OtlItem **list = nullptr;
    OtlStatus status = otl::hostNewArray(host, slots, &list);
    if (status != OTL_OK)
        return status;
    uint32_t filled = 0;
    for (uint32_t i = 0; i < slots; ++i)
        if (OtlItem *item = pick(i))
            list[filled++] = item;
    if (filled > 0 && filled < slots)
        status = otl::hostResizeArray(host, &list, slots, filled);
    if (filled == 0 || status != OTL_OK) {
        otl::hostRelease(host, &list);
        return status;
    }
    *count = static_cast<uint16_t>(filled);
    *out = list;
    return OTL_OK;
}

// The text a find looks for: a number text in its canonical form (written
// to `canonical`), anything else as given. A text too long for a member
// name stays as given too: it names no member either way.
const char *findKey(const OtlHostContext *host, const char *text, char canonical[OTL_NAME_SIZE])
{
    const size_t length = strlen(text);
    if (length >= OTL_NAME_SIZE || strspn(text, "0123456789-.") != length)
        return text;
    memcpy(canonical, text, length + 1);
    double ignored = 0;
    otlAttrParseNumber(host, canonical, &ignored); // not a number: the text is kept
    return canonical;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlFindAttributeMembers(OtlOutline *outline, const char *valueText,
                                                          const char *dimensionName, uint16_t *count,
                                                          OtlItem ***members)
{
    // No field-access test: like adShrOtlFindMember, this reads the name
    // hash only, never walks the tree.
    assert(outline && valueText && count && members);
    *count = 0;
    otl::storePointer(members, static_cast<OtlItem **>(nullptr));
    const OtlHostContext *host = outline->host;
    OtlItem **found = nullptr;
    OtlStatus status = otl::hostNewArray(host, kFoundGrowth, &found);
    if (status != OTL_OK)
        return status;
    char canonical[OTL_NAME_SIZE];
    const char *key = findKey(host, valueText, canonical);
    const OtlHashBucket &bucket = outline->nameHash->buckets[otlHashBucketOf(key)];
    const otl::HashProbe probe = otl::hashProbe(host, key);
    uint32_t filled = 0;
    // Member names and short names are entered under table 0, aliases
    // under their table's number.
    for (uint32_t i = otl::hashRunStart(host, bucket, probe);
         i < bucket.count && filled < kMaxListed && otl::compareEntry(host, bucket.entries[i], probe) == 0;
         ++i) {
        const OtlHashEntry &entry = bucket.entries[i];
        OtlItem *item = entry.item;
        if (entry.table != 0 || item->dimensionTag != OTL_TAG_ATTRIBUTE ||
            !otl::namesEqual(outline, entry.name, key))
            continue;
        if (dimensionName && dimensionName[0] &&
            !otl::namesEqual(outline, otlGetDim(item)->memberName, dimensionName))
            continue;
        if (filled > 0 && filled % kFoundGrowth == 0) {
            status = otl::hostResizeArray(host, &found, filled, filled + kFoundGrowth);
            if (status != OTL_OK) {
                otl::hostRelease(host, &found);
                return status;
            }
        }
        found[filled++] = item;
    }
    if (filled == 0) {
        otl::hostRelease(host, &found);
        return OTL_OK;
    }
    *count = static_cast<uint16_t>(filled);
    otl::storePointer(members, found);
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlGetAssociatedAttributes(OtlOutline *outline, OtlItem *item,
                                                             uint16_t *count, OtlItem ***attributes)
{
    assert(outline && item && count && attributes);
    *count = 0;
    otl::storePointer(attributes, static_cast<OtlItem **>(nullptr));
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    if (otl::isAttrTag(item->dimensionTag))
        return OTL_ERR_ATTR_IN_ATTR_DIM;
    const OtlHostContext *host = outline->host;
    if (otlAttrLinkKind(item) == AttrLinkKind::BaseDim) {
        return listItems(host, item->attrLink.baseDim.attrLinkCount,
                         [item](uint32_t i) { return slotDim(item, i); }, count, attributes);
    }
    // A shared member has no associations of its own: the member holding
    // its data answers, as the first child answers for a label.
    OtlItem *member = item;
    if (item->shareOption == OTL_SHARE_SHARED) {
        OtlStatus status = otlHashLookup(host, outline, item->memberName, nullptr, true, false, 0,
                                         nullptr, &member);
        if (status != OTL_OK)
            return status;
    } else if (item->shareOption == OTL_SHARE_LABEL_ONLY) {
        member = item->firstChild;
    }
    if (!member || otlAttrLinkKind(member) != AttrLinkKind::BaseMember ||
        !member->attrLink.baseMember.attrMemberLinks)
        return OTL_OK;
    const OtlItem *dimension = otlGetDim(member);
    OtlItem ***entries = member->attrLink.baseMember.attrMemberLinks;
    // An entry counts while its cell holds a member and its link slot still
    // has an attribute dimension.
    return listItems(host, member->attrLink.baseMember.attrMemberCount,
                     [entries, dimension](uint32_t i) -> OtlItem * {
                         OtlItem **cell = entries[i];
                         return cell && *cell && slotDim(dimension, i) ? *cell : nullptr;
                     },
                     count, attributes);
}

extern "C" OTL_API OtlStatus adShrOtlGetAssociatedAttributesInfo(OtlOutline *outline, OtlItem *item,
                                                                 uint32_t *count, OtlAttrInfo **infos)
{
    assert(outline && item && count && infos);
    *count = 0;
    otl::storePointer(infos, static_cast<OtlAttrInfo *>(nullptr));
    if (!outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    const uint32_t entries = item->hostAttrCount;
    char **texts1 = item->hostAttrTexts1, **texts2 = item->hostAttrTexts2;
    OtlAttribute *values = item->hostAttrValues;
    // Lists the mask announces but the host left null count as absent.
    if (item->fieldMaskActive != 1 || (item->fieldMask[1] & kAttrListBits) != kAttrListBits ||
        entries == 0 || !texts1 || !texts2 || !values)
        return OTL_ERR_FIELD_MASK;
    const OtlHostContext *host = outline->host;
    OtlAttrInfo *records = nullptr;
    OtlStatus status = otl::hostNewArray(host, entries, &records);
    if (status != OTL_OK)
        return status;
    for (uint32_t i = 0; i < entries; ++i) {
        OtlAttrInfo &record = records[i];
        otl::copyNameSlot(host, record.infoText1, texts1[i]);
        otl::copyNameSlot(host, record.infoText2, texts2[i]);
        status = copyValue(host, values[i].type, values[i].value.raw, &record.infoValue);
        if (status != OTL_OK) {
            for (uint32_t j = 0; j < i; ++j)
                releaseValue(host, records[j].infoValue);
            otl::hostRelease(host, &records);
            return status;
        }
    }
    *count = entries;
    otl::storePointer(infos, records);
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlGetMemberField(OtlOutline *outline, OtlItem *item,
                                                    uint32_t selector, void **field)
{
    assert(outline && item);
    if (!outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    if (selector == 0 || selector > OTL_FIELD_ATTR_VALUE)
        return OTL_ERR_FIELD_MASK;
    const uint32_t mask[2] = {item->fieldMask[0], item->fieldMask[1]};
    if (item->fieldMaskActive == 1 && !otlTestFieldFlag(selector, mask))
        return OTL_ERR_FIELD_MASK;
    if (!field)
        return OTL_ERR_NO_OUTPUT_ARG;
    void *copy = nullptr;
    OtlStatus status = copyField(outline->host, item, selector, &copy);
    if (status == OTL_OK)
        otl::storePointer(field, copy);
    return status;
}
