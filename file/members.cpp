/*
 * The members section's contents: the info block and one member record,
 * encoded from an item and decoded into a new pooled item.
 *
 * A record is decoded from memory; every count and length in it is checked
 * against the bytes that are left before anything is allocated for it, so
 * a damaged record is refused instead of read past its end.
 */
#include "file/members.h"
#include "attr/register.h"
#include "attr/values.h"
#include "core/alloc.h"
#include "core/host.h"
#include "core/tree.h"
#include "edit/mbrinfo.h"
#include "file/format.h"
#include "file/matrix.h"

#include <string.h>

namespace otl {

namespace {

// ---- writing ----------------------------------------------------------------

uint16_t dimensionWord(const OtlItem *d)
{
    const uint16_t tagBit = optionBit(kDimTagBits, d->dimensionTag);
    uint16_t word = tagBit ? tagBit : kDimOtherTagBit;
    if (d->storageType == 0)
        word |= kDimDenseBit;
    if (d->dimensionCategory >= 1 && d->dimensionCategory <= kMaxFileCategory)
        word |= static_cast<uint16_t>(d->dimensionCategory << kDimCategoryShift);
    return word;
}

uint16_t consolidationWord(const OtlItem *x)
{
    const uint16_t bit = optionBit(kConsolidationBits, x->consolidation);
    return bit ? bit : kConsolidationAddBit;
}

uint16_t memberFlags(const OtlItem *x)
{
    return static_cast<uint16_t>(optionBit(kShareBits, x->shareOption) |
                                 (x->memberOption ? kMemberOptionBit : 0) |
                                 (x->dimensionTag == OTL_TAG_ATTRIBUTE ? kAttributeItemBit : 0));
}

uint16_t tag1Flags(const OtlItem *x)
{
    return static_cast<uint16_t>(
        (x->tag1Option ? kTag1OptionBit : 0) | optionBit(kTimeBalanceBits, x->timeBalance) |
        (x->timeBalance ? optionBit(kSkipBits, x->skipOption) : 0) |
        optionBit(kCurrencyModeBits, x->currencyMode));
}

// Whether the record carries a currency name: in a country dimension, and
// for the accounts dimension's items of currency mode 1.
bool hasCurrencyName(const OtlItem *dimension, uint16_t currencyMode)
{
    return dimension->dimensionTag == OTL_TAG_COUNTRY ||
           (dimension->dimensionTag == OTL_TAG_ACCOUNTS && currencyMode == 1);
}

uint16_t elementFlags(const OtlItem *x)
{
    if (x->dimensionTag == OTL_TAG_ATTR_CALC)
        return 0;
    const bool attribute = x->dimensionTag == OTL_TAG_ATTRIBUTE;
    uint16_t flags = 0;
    if (x->generation == 1)
        flags = attribute                                ? kElemMatrix | kElemDimType
                : x->attrLink.baseDim.attrLinkCount > 0 ? kElemLinks
                                                          : 0;
    if (attribute && !x->firstChild)
        flags |= kElemValue;
    return flags;
}

// A count that must fit its u16 field; a larger one fails the record.
template <class Sink>
void putCount(Sink &out, uint32_t count)
{
    if (count > UINT16_MAX && out.status == OTL_OK)
        out.status = OTL_ERR_FILE;
    out.u16(static_cast<uint16_t>(count));
}

template <class Sink>
void putUserAttributes(Sink &out, const OtlItem *x)
{
    uint32_t count = 0;
    for (const OtlUserAttr *u = x->userAttributes; u; u = u->next)
        ++count;
    putCount(out, count);
    for (const OtlUserAttr *u = x->userAttributes; u; u = u->next)
        out.text(u->text);
}

template <class Sink>
void putNames(Sink &out, const OtlItem *dimension, uint8_t kind)
{
    uint32_t count = 0;
    for (const OtlGenLevelName *n = dimension->genLevelNames; n; n = n->nextName)
        count += n->nameKind == kind;
    putCount(out, count);
    for (const OtlGenLevelName *n = dimension->genLevelNames; n; n = n->nextName) {
        if (n->nameKind != kind)
            continue;
        out.u16(n->nameNumber);
        out.text(n->nameText);
    }
}

template <class Sink>
void putAliases(Sink &out, const OtlOutline *outline, const OtlItem *x)
{
    for (uint16_t t = 0; t < outline->aliasTableCount && t < OTL_MAX_ALIAS_TABLES; ++t) {
        const OtlAliasSlot &slot = x->aliases[t];
        out.text(slot.alias);
        uint32_t count = 0;
        for (const OtlAliasCombo *c = slot.combos; c; c = c->next)
            ++count;
        putCount(out, count);
        for (const OtlAliasCombo *c = slot.combos; c; c = c->next) {
            out.text(c->aliasText);
            out.text(c->memberList);
        }
    }
}

template <class Sink>
void putValue(Sink &out, const OtlItem *x)
{
    out.u16(fileValueType(x->attrValueType));
    switch (x->attrValueType) {
    case OTL_ATTR_BOOLEAN:
        out.u8(x->attrValue[0]);
        break;
    case OTL_ATTR_NUMERIC: {
        uint64_t bits = 0;
        memcpy(&bits, x->attrValue, sizeof bits);
        out.u32(static_cast<uint32_t>(bits));
        out.u32(static_cast<uint32_t>(bits >> 32));
        break;
    }
    case OTL_ATTR_TEXT:
        out.text(textValue(x->attrValue));
        break;
    case OTL_ATTR_DATE: {
        int32_t seconds = 0;
        memcpy(&seconds, x->attrValue, sizeof seconds);
        out.u32(static_cast<uint32_t>(seconds));
        break;
    }
    default:
        break;
    }
}

template <class Sink>
void putExtension(Sink &out, const OtlItem *x, bool withMatrix)
{
    // The role goes with the tag (the reader gives the tag from the role),
    // so an item whose role and tag disagree still writes a readable record.
    out.u16(x->dimensionTag == OTL_TAG_ATTRIBUTE   ? OTL_ATTR_ROLE_ATTRIBUTE
            : x->dimensionTag == OTL_TAG_ATTR_CALC ? OTL_ATTR_ROLE_CALC
            : x->attrRole == OTL_ATTR_ROLE_LINKED_BASE ? OTL_ATTR_ROLE_LINKED_BASE
                                                       : OTL_ATTR_ROLE_NONE);
    const uint16_t flags = elementFlags(x);
    out.u16(flags);
    if (!flags)
        return;
    if (flags & kElemLinks) {
        const auto &links = x->attrLink.baseDim;
        const OtlAttrLink *slots = links.attrLinks;
        const uint16_t *levels = links.attrLinkLevels;
        uint32_t written = 0;
        for (uint16_t i = 0; slots && i < links.attrLinkCount; ++i)
            written += slots[i].attrDim != nullptr;
        out.u8(kTagLinks);
        out.u16(static_cast<uint16_t>(written));
        for (uint16_t i = 0; slots && i < links.attrLinkCount; ++i) {
            if (!slots[i].attrDim)
                continue;
            out.u32(slots[i].attrDim->dimensionNumber);
            out.u16(levels ? levels[i] : 0);
        }
    }
    if (flags & kElemMatrix) {
        const uint8_t *matrix = withMatrix ? x->associationMatrix : nullptr;
        const uint32_t words = matrixWords(matrix);
        out.u8(kTagMatrix);
        out.u32(words);
        if (words)
            out.bytes(matrix + kMatrixHeaderBytes, words * 4);
    }
    if (flags & kElemValue) {
        out.u8(kTagValue);
        putValue(out, x);
    }
    if (flags & kElemDimType) {
        out.u8(kTagDimType);
        out.u16(fileValueType(x->attrValueType));
    }
    out.u8(kTagEnd);
}

} // namespace

template <class Sink>
void encodeMember(Sink &out, const OtlOutline *outline, const OtlItem *item,
                  const OtlItem *dimension, uint32_t nextSibling, bool withMatrix)
{
    const uint64_t start = out.size;
    const bool isDimension = item == dimension;
    out.u32(0); // the length, filled in below
    out.u16(isDimension ? kDimensionRecord : kMemberRecord);
    out.u32(Sink::kCountsOnly ? 0 : otlCountChildren(item));
    out.u32(nextSibling);
    out.u16(isDimension ? dimensionWord(item) : consolidationWord(item));
    out.u16(memberFlags(item));
    out.u16(dimension->dimensionTag == OTL_TAG_ACCOUNTS ? tag1Flags(item) : 0);
    out.name(item->memberName);
    if (hasCurrencyName(dimension, item->currencyMode))
        out.name(item->currencyName);
    out.text(item->formula);
    out.text(item->lastFormula);
    putUserAttributes(out, item);
    if (isDimension) {
        putNames(out, item, OTL_NAME_KIND_LEVEL);
        putNames(out, item, OTL_NAME_KIND_GENERATION);
    }
    putAliases(out, outline, item);
    putExtension(out, item, withMatrix);
    out.patch32(static_cast<uint32_t>(start), static_cast<uint32_t>(out.size - start));
}

template void encodeMember(ByteWriter &, const OtlOutline *, const OtlItem *, const OtlItem *,
                           uint32_t, bool);
template void encodeMember(ByteCounter &, const OtlOutline *, const OtlItem *, const OtlItem *,
                           uint32_t, bool);

void encodeInfoBlock(ByteWriter &out, const OtlOutline *outline, uint16_t dimCount)
{
    const uint32_t start = out.size;
    out.u32(0); // the length, filled in below
    out.u16(outline->outlineType);
    out.u16(outline->caseSensitive ? 1 : 0);
    out.u16(static_cast<uint16_t>((outline->autoConfigure ? 1 : 0) |
                                  (outline->fileOptionFlag ? 2 : 0)));
    for (int reserved = 0; reserved < 3; ++reserved)
        out.u16(0);
    out.u16(dimCount);
    out.u16(outline->aliasTableCount);
    for (uint16_t t = 0; t < outline->aliasTableCount && t < OTL_MAX_ALIAS_TABLES; ++t)
        out.text(outline->aliasTableNames[t]);
    out.u16(0); // end marker
    out.patch32(start, out.size - start);
}

// ---- reading ----------------------------------------------------------------

OtlStatus decodeInfoBlock(OtlOutline *outline, ByteReader &in, uint16_t version,
                          uint16_t *dimCount)
{
    const bool longBlock = version == kLongInfoVersion;
    const uint16_t type = in.u16();
    for (int skipped = 0; longBlock && skipped < 3; ++skipped)
        in.u16();
    const uint16_t caseFlag = in.u16();
    if (longBlock)
        in.u16();
    const uint16_t flags = in.u16();
    for (int reserved = 0; reserved < 3; ++reserved)
        in.u16();
    *dimCount = in.u16();
    const uint16_t tables = in.u16();
    // Every outline has its default table, and the slots stop at ten.
    if (in.bad || type > OTL_OUTLINE_CURRENCY || tables == 0 || tables > OTL_MAX_ALIAS_TABLES)
        return OTL_ERR_FILE;
    outline->outlineType = type;
    outline->caseSensitive = caseFlag ? 1 : 0;
    outline->autoConfigure = flags & 1 ? 1 : 0;
    outline->fileOptionFlag = flags & 2 ? 1 : 0;
    outline->aliasTableCount = tables;
    const OtlHostContext *host = outline->host;
    for (uint16_t t = 0; t < tables; ++t) {
        const char *name = in.text(OTL_TABLE_NAME_SIZE);
        if (in.bad)
            return OTL_ERR_FILE;
        if (!name)
            continue; // the slot keeps its name (the default table's for slot 0)
        char *copy = nullptr;
        if (OtlStatus status = copyFileText(host, name, &copy))
            return status;
        hostRelease(host, &outline->aliasTableNames[t]);
        outline->aliasTableNames[t] = copy;
    }
    return OTL_OK;
}

namespace {

// The decoding of one record into `item`, which the caller releases on
// failure. Elements that would give the item's link area two forms, or
// allocate a field twice, make the record malformed.
class MemberDecoder {
public:
    MemberDecoder(OtlOutline *outline, ByteReader &in, OtlItem *item)
        : outline_(outline), host_(outline->host), in_(in), item_(item)
    {
    }

    OtlStatus fixedPart(uint16_t typeWord, uint16_t flags, uint16_t tag1, const char *name,
                        const OtlItem *dimension);
    OtlStatus texts();
    OtlStatus names(uint16_t version);
    OtlStatus aliases();
    OtlStatus extension();

private:
    OtlStatus links();
    OtlStatus matrix();
    OtlStatus value();
    OtlStatus dimType();
    void makeAttribute();

    OtlOutline *outline_;
    const OtlHostContext *host_;
    ByteReader &in_;
    OtlItem *item_;
    uint32_t tagsSeen_ = 0; // bit per element tag
};

OtlStatus MemberDecoder::fixedPart(uint16_t typeWord, uint16_t flags, uint16_t tag1,
                                   const char *name, const OtlItem *dimension)
{
    OtlItem *x = item_;
    if (!dimension) {
        x->storageType = typeWord & kDimDenseBit ? 0 : 1;
        x->dimensionTag = typeWord & kDimOtherTagBit ? OTL_TAG_NONE : optionOf(kDimTagBits, typeWord);
        const uint16_t category = typeWord >> kDimCategoryShift;
        if (category >= 1 && category <= kMaxFileCategory)
            x->dimensionCategory = category;
    } else {
        x->consolidation = typeWord & kConsolidationAddBit ? 0 : optionOf(kConsolidationBits, typeWord);
    }
    x->shareOption = optionOf(kShareBits, flags);
    x->memberOption = flags & kMemberOptionBit ? 1 : 0;
    x->tag1Option = tag1 & kTag1OptionBit ? 1 : 0;
    x->timeBalance = optionOf(kTimeBalanceBits, tag1);
    x->skipOption = optionOf(kSkipBits, tag1);
    x->currencyMode = optionOf(kCurrencyModeBits, tag1);
    if (name)
        memcpy(x->memberName, name, strlen(name) + 1);
    if (hasCurrencyName(dimension ? dimension : x, x->currencyMode)) {
        const char *currency = in_.text(OTL_NAME_SIZE);
        if (currency)
            memcpy(x->currencyName, currency, strlen(currency) + 1);
    }
    return in_.bad ? OTL_ERR_FILE : OTL_OK;
}

OtlStatus MemberDecoder::texts()
{
    OtlStatus status = copyFileText(host_, in_.text(), &item_->formula);
    if (status == OTL_OK)
        status = copyFileText(host_, in_.text(), &item_->lastFormula);
    return in_.bad ? OTL_ERR_FILE : status;
}

// User-defined attributes; and for a dimension its level names, then its
// generation names. The texts are passed in place: they end in the record.
OtlStatus MemberDecoder::names(uint16_t version)
{
    if (version < kNamesVersion)
        return OTL_OK;
    for (uint16_t n = in_.u16(); n > 0 && !in_.bad; --n) {
        const char *text = in_.text();
        if (in_.bad)
            break;
        if (OtlStatus status = otlAddUserAttribute(host_, item_, text))
            return status;
    }
    if (item_->generation != 1)
        return in_.bad ? OTL_ERR_FILE : OTL_OK;
    const uint8_t kinds[] = {OTL_NAME_KIND_LEVEL, OTL_NAME_KIND_GENERATION};
    for (uint8_t kind : kinds) {
        for (uint16_t n = in_.u16(); n > 0 && !in_.bad; --n) {
            const uint16_t number = in_.u16();
            const char *text = in_.text();
            if (in_.bad)
                break;
            if (OtlStatus status = otlAddName(host_, item_, text, number, kind))
                return status;
        }
    }
    return in_.bad ? OTL_ERR_FILE : OTL_OK;
}

OtlStatus MemberDecoder::aliases()
{
    for (uint16_t t = 0; t < outline_->aliasTableCount; ++t) {
        OtlStatus status = copyFileText(host_, in_.text(), &item_->aliases[t].alias);
        if (status != OTL_OK || in_.bad)
            return in_.bad ? OTL_ERR_FILE : status;
        for (uint16_t n = in_.u16(); n > 0 && !in_.bad; --n) {
            const char *aliasText = in_.text();
            const char *memberList = in_.text();
            if (in_.bad || !aliasText || !aliasText[0])
                continue;
            status = otlAddAliasCombo(host_, outline_, item_, t, aliasText, memberList, nullptr);
            if (status != OTL_OK)
                return status;
        }
    }
    return in_.bad ? OTL_ERR_FILE : OTL_OK;
}

void MemberDecoder::makeAttribute()
{
    item_->dimensionTag = OTL_TAG_ATTRIBUTE;
    item_->dimensionCategory = OTL_CATEGORY_ATTRIBUTE;
    item_->attrRole = OTL_ATTR_ROLE_ATTRIBUTE;
    item_->hasAttrValue = 0;
}

OtlStatus MemberDecoder::extension()
{
    OtlItem *x = item_;
    const uint16_t role = in_.u16();
    const uint16_t flags = in_.u16();
    if (in_.bad || (role > OTL_ATTR_ROLE_LINKED_BASE && role != OTL_ATTR_ROLE_CALC))
        return OTL_ERR_FILE;
    x->attrRole = role;
    if (role == OTL_ATTR_ROLE_ATTRIBUTE) {
        makeAttribute();
    } else if (role == OTL_ATTR_ROLE_CALC) {
        x->dimensionTag = OTL_TAG_ATTR_CALC;
        x->dimensionCategory = OTL_CATEGORY_ATTR_CALC;
        x->hasAttrValue = 0;
    }
    if (!flags)
        return OTL_OK;
    for (;;) {
        const uint8_t tag = in_.u8();
        if (in_.bad)
            return OTL_ERR_FILE;
        if (tag == kTagEnd)
            return OTL_OK;
        if (tag != kTagLinks && tag != kTagMatrix && tag != kTagValue && tag != kTagDimType)
            return OTL_ERR_UNKNOWN_TAG;
        if (tagsSeen_ & tag)
            return OTL_ERR_FILE;
        tagsSeen_ |= tag;
        const OtlStatus status = tag == kTagLinks    ? links()
                                 : tag == kTagMatrix ? matrix()
                                 : tag == kTagValue  ? value()
                                                     : dimType();
        if (status != OTL_OK)
            return status;
    }
}

// Slots of a base dimension; their dimension numbers become pointers once
// every dimension is read.
OtlStatus MemberDecoder::links()
{
    OtlItem *x = item_;
    if (x->generation != 1 || isAttrTag(x->dimensionTag))
        return OTL_ERR_FILE;
    const uint16_t count = in_.u16();
    if (in_.bad || uint32_t(count) * 6 > in_.left())
        return OTL_ERR_FILE;
    x->attrRole = OTL_ATTR_ROLE_LINKED_BASE;
    if (count == 0)
        return OTL_OK;
    auto &links = x->attrLink.baseDim;
    OtlAttrLink *slots = nullptr;
    uint16_t *levels = nullptr;
    OtlStatus status = hostNewArray(host_, count, &slots);
    if (status == OTL_OK)
        status = hostNewArray(host_, count, &levels);
    if (status != OTL_OK) {
        hostRelease(host_, &slots);
        return status;
    }
    for (uint16_t i = 0; i < count; ++i) {
        slots[i].readerDimNumber = in_.u32();
        levels[i] = in_.u16();
    }
    links.attrLinks = slots;
    links.attrLinkLevels = levels;
    links.attrLinkCount = count;
    return OTL_OK;
}

OtlStatus MemberDecoder::matrix()
{
    OtlItem *x = item_;
    if (x->generation != 1 || x->dimensionTag != OTL_TAG_ATTRIBUTE)
        return OTL_ERR_FILE;
    const uint32_t words = in_.u32();
    if (in_.bad || words > in_.left() / 4)
        return OTL_ERR_FILE;
    if (words == 0)
        return OTL_OK;
    void *block = nullptr;
    OtlStatus status = hostAlloc(host_, kMatrixHeaderBytes + words * 4, &block);
    if (status != OTL_OK)
        return status;
    uint8_t *matrix = static_cast<uint8_t *>(block);
    storeLe32(matrix, words);
    in_.take(matrix + kMatrixHeaderBytes, words * 4);
    x->associationMatrix = matrix;
    return OTL_OK;
}

// A value makes the item an attribute member (or an attribute dimension
// without members) with its cell, and, for numbers, booleans and dates,
// its short name.
OtlStatus MemberDecoder::value()
{
    OtlItem *x = item_;
    if (tagsSeen_ & kTagLinks)
        return OTL_ERR_FILE;
    const uint16_t code = in_.u16();
    if (in_.bad || code >= sizeof kFileValueTypes / sizeof kFileValueTypes[0])
        return OTL_ERR_FILE;
    makeAttribute();
    const uint16_t type = kFileValueTypes[code];
    uint8_t raw[8] = {};
    char *text = nullptr;
    if (type == OTL_ATTR_BOOLEAN) {
        raw[0] = in_.u8();
    } else if (type == OTL_ATTR_NUMERIC) {
        const uint64_t bits = in_.u32() | uint64_t(in_.u32()) << 32;
        memcpy(raw, &bits, sizeof bits);
    } else if (type == OTL_ATTR_DATE) {
        const int32_t seconds = static_cast<int32_t>(in_.u32());
        memcpy(raw, &seconds, sizeof seconds);
    } else if (type == OTL_ATTR_TEXT) {
        const char *source = in_.text();
        if (OtlStatus status = in_.bad ? OTL_OK : copyFileText(host_, source, &text))
            return status;
    }
    if (in_.bad)
        return OTL_ERR_FILE;
    x->attrValueType = type;
    memcpy(x->attrValue, raw, sizeof raw);
    if (text)
        setTextValue(x->attrValue, text);
    OtlStatus status = otlAttrNewCell(outline_, x);
    if (status != OTL_OK || !otlAttrHasShortName(x))
        return status;
    // Every value member carries its short name, as the editing layer gives
    // it one whatever the name format (with format 0 it equals the name);
    // the name hash enters it only when the format is not 0.
    char shortName[OTL_NAME_SIZE] = {};
    status = otlAttrGetShortName(outline_, x, shortName);
    if (status == OTL_NO_SHORT_NAME || !shortName[0])
        return OTL_OK;
    if (status == OTL_OK)
        status = otlDupString(host_, shortName, &x->attrLink.attrMember.attrShortName);
    return status;
}

// The value type of an attribute dimension. It may not retype a value
// already read: a text would then be read as a number, or a number freed
// as a text.
OtlStatus MemberDecoder::dimType()
{
    OtlItem *x = item_;
    const uint16_t code = in_.u16();
    if (in_.bad || (tagsSeen_ & kTagLinks) ||
        code >= sizeof kFileValueTypes / sizeof kFileValueTypes[0])
        return OTL_ERR_FILE;
    const uint16_t type = kFileValueTypes[code];
    if ((tagsSeen_ & kTagValue) && type != x->attrValueType)
        return OTL_ERR_FILE;
    makeAttribute();
    x->attrValueType = type;
    return OTL_OK;
}

} // namespace

OtlStatus decodeMember(OtlOutline *outline, const uint8_t *bytes, uint32_t size, uint16_t version,
                       uint16_t generation, const OtlItem *dimension, OtlItem **item,
                       uint32_t *childCount)
{
    *item = nullptr;
    ByteReader in(bytes, size);
    in.u16(); // the record kind: the nesting tells dimensions from members
    *childCount = in.u32();
    in.u32(); // the next sibling's position
    const uint16_t typeWord = in.u16();
    const uint16_t flags = in.u16();
    const uint16_t tag1 = in.u16();
    const char *name = in.text(OTL_NAME_SIZE);
    if (in.bad)
        return OTL_ERR_FILE;
    OtlItem *x = nullptr;
    OtlStatus status = otlPoolItem(outline, &x);
    if (status != OTL_OK)
        return status;
    x->generation = generation;
    MemberDecoder decoder(outline, in, x);
    status = decoder.fixedPart(typeWord, flags, tag1, name, dimension);
    if (status == OTL_OK)
        status = decoder.texts();
    if (status == OTL_OK)
        status = decoder.names(version);
    if (status == OTL_OK)
        status = decoder.aliases();
    if (status == OTL_OK && version >= kAttributeVersion)
        status = decoder.extension();
    if (status != OTL_OK) {
        otlFreeItem(outline, x, outline->aliasTableCount);
        return status;
    }
    *item = x;
    return OTL_OK;
}

} // namespace otl
