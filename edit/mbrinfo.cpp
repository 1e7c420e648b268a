/*
 * Copies between member information records and items. The first 184 bytes
 * of both are laid out alike and copied as one block; the rest of the full
 * form is copied field by field as far as the client's version allows.
 *
 * Invariants: every copy into an item allocates all it needs before it
 * writes a field, so a failed copy leaves the item as it was; an item owns
 * its texts (comment, infoDimName, a text value); a text value's string
 * passes to the item on a copy into it, and a copy out of an item gives the
 * record a string of its own.
 */
#include "edit/mbrinfo.h"

#include "core/alloc.h"
#include "core/host.h"
#include "core/records.h"

#include <stddef.h>
#include <string.h>

namespace {

constexpr uint32_t kFirstBlock = OTL_MBRINFO_LEGACY_SIZE;
constexpr size_t kCommentSize = sizeof(OtlMbrInfo::comment);

static_assert(offsetof(OtlItem, comment) == kFirstBlock, "items start with the legacy record");
static_assert(offsetof(OtlMbrInfo, comment) == kFirstBlock, "records start with the legacy block");
static_assert(sizeof(OtlMbrInfo) == OTL_MBRINFO_FULL_SIZE, "full record is 536 bytes");
static_assert(sizeof(char *) <= sizeof(OtlMbrInfo::attrValue), "a text value fits the value");

bool longForm(uint32_t clientVersion)
{
    return clientVersion >= OTL_CLIENT_LONG_MBRINFO;
}

bool attrForm(uint32_t clientVersion)
{
    return clientVersion >= OTL_CLIENT_ATTR_MBRINFO;
}

// The caller's fixed fields need not be terminated; copies stop at the end.
OtlStatus dupField(const OtlHostContext *host, const char *field, size_t size, char **copy)
{
    char text[kCommentSize + 1];
    const size_t n = strnlen(field, size < kCommentSize ? size : kCommentSize);
    memcpy(text, field, n);
    text[n] = '\0';
    return otlDupString(host, text, copy);
}

} // namespace

namespace otl {

char *textValue(const uint8_t *raw)
{
    char *text = nullptr;
    memcpy(&text, raw, sizeof text);
    return text;
}

void setTextValue(uint8_t *raw, char *text)
{
    memset(raw, 0, sizeof(OtlMbrInfo::attrValue));
    memcpy(raw, &text, sizeof text);
}

} // namespace otl

uint32_t otlMbrInfoSize(const OtlHostContext *host)
{
    return longForm(host->clientVersion) ? OTL_MBRINFO_FULL_SIZE : OTL_MBRINFO_LEGACY_SIZE;
}

// The new comment is copied before the item is touched, so a failed copy
// changes nothing; the comment it replaces goes to the caller.
OtlStatus otlSetItemPropertiesKeepingComment(OtlOutline * /*outline*/, const OtlHostContext *host,
                                             OtlItem *item, const OtlMbrInfo *info,
                                             uint32_t clientVersion, char **replacedComment)
{
    *replacedComment = nullptr;
    const OtlItem *dimension = otlGetDim(item);
    if (!dimension)
        return OTL_ERR_NO_DIMENSION;
    const bool withComment = longForm(clientVersion);
    char *comment = nullptr;
    if (withComment) {
        OtlStatus status = dupField(host, info->comment, kCommentSize, &comment);
        if (status != OTL_OK)
            return status;
    }

    // Dimension fields mean something only on dimensions and on the members
    // of attribute and attribute-calculations dimensions.
    const bool dimensionFields = item == dimension || otl::isAttrTag(info->dimensionTag);
    item->storageType = dimensionFields ? info->storageType : 0;
    item->dimensionTag = dimensionFields ? info->dimensionTag : OTL_TAG_NONE;
    item->dimensionCategory = dimensionFields ? info->dimensionCategory : 0;
    item->consolidation = info->consolidation;
    item->memberOption = info->memberOption;
    memset(item->currencyName, 0, sizeof item->currencyName);
    if (withComment) {
        *replacedComment = item->comment;
        item->comment = nullptr;
        item->childCountOrValue = 0;
    }
    item->shareOption = info->shareOption;

    // The dimension's tag decides which currency and time fields are kept;
    // for a dimension that is its new tag.
    const uint16_t tag = dimension->dimensionTag;
    if (tag == OTL_TAG_COUNTRY)
        otl::copyText(item->currencyName, info->currencyName, sizeof item->currencyName);
    if (tag == OTL_TAG_ACCOUNTS) {
        item->currencyMode = info->currencyMode;
        otl::copyText(item->currencyName, info->currencyName, sizeof item->currencyName);
        item->tag1Option = info->tag1Option;
        item->timeBalance = info->timeBalance;
        item->skipOption = info->skipOption;
    } else {
        item->currencyMode = 0;
        item->tag1Option = 0;
        item->timeBalance = 0;
        item->skipOption = 0;
    }
    if (withComment) {
        item->comment = comment;
        item->childCountOrValue = info->childCount;
    }
    return OTL_OK;
}

OtlStatus otlSetItemProperties(OtlOutline *outline, const OtlHostContext *host, OtlItem *item,
                               const OtlMbrInfo *info, uint32_t clientVersion)
{
    char *replaced = nullptr;
    OtlStatus status =
        otlSetItemPropertiesKeepingComment(outline, host, item, info, clientVersion, &replaced);
    otl::hostRelease(host, &replaced);
    return status;
}

// A legacy record is only 184 bytes long: nothing past the first block is
// read from it. A text value's string is taken over as is: the attribute
// naming of an add put a fresh copy of the name there for the item.
OtlStatus otlCopyMbrInfoToItem(const OtlHostContext *host, const OtlMbrInfo *info, OtlItem *item)
{
    const uint32_t version = host->clientVersion;
    char *comment = nullptr;
    OtlStatus status = OTL_OK;
    if (longForm(version))
        status = dupField(host, info->comment, kCommentSize, &comment);
    // The name's block is resized last: once it has moved, nothing may fail.
    const size_t nameLength = strnlen(info->infoDimName, sizeof info->infoDimName - 1);
    const bool newDimName = attrForm(version) && nameLength > 0;
    void *nameBlock = item->infoDimName;
    if (status == OTL_OK && newDimName) {
        const uint32_t size = static_cast<uint32_t>(nameLength + 1);
        status = nameBlock ? otl::hostRealloc(host, size, &nameBlock)
                           : otl::hostAlloc(host, size, &nameBlock);
    }
    if (status != OTL_OK) {
        otl::hostRelease(host, &comment);
        return status;
    }

    memcpy(static_cast<void *>(item), info, kFirstBlock);
    if (longForm(version)) {
        otl::hostRelease(host, &item->comment);
        item->comment = comment;
        item->childCountOrValue = info->childCount;
    }
    if (attrForm(version)) {
        if (newDimName) {
            memcpy(nameBlock, info->infoDimName, nameLength);
            static_cast<char *>(nameBlock)[nameLength] = '\0';
            item->infoDimName = static_cast<char *>(nameBlock);
        }
        char *oldText =
            otl::textValueOf(item->attrValueType, item->attrValue);
        if (oldText && !(info->attrValueType == OTL_ATTR_TEXT &&
                         otl::textValue(info->attrValue) == oldText))
            otl::hostRelease(host, &oldText);
        item->hasAttrValue = info->hasAttrValue;
        item->attrValueType = info->attrValueType;
        memcpy(item->attrValue, info->attrValue, sizeof item->attrValue);
    }
    return OTL_OK;
}

// A text value is copied only for a record of level 0: adShrOtlFreeMbrInfo
// releases the strings of such records only, so a copy handed out with any
// other record would never be released. Other records carry no pointer.
OtlStatus otlCopyItemToMbrInfo(const OtlHostContext *host, OtlMbrInfo *info, const OtlItem *item)
{
    memset(reinterpret_cast<uint8_t *>(info) + kFirstBlock, 0, OTL_MBRINFO_FULL_SIZE - kFirstBlock);
    memcpy(static_cast<void *>(info), item, kFirstBlock);
    otl::copyText(info->comment, item->comment, sizeof info->comment);
    info->childCount = item->childCountOrValue;
    if (!attrForm(host->clientVersion))
        return OTL_OK;
    const char *dimName = item->infoDimName;
    if (!dimName) {
        const OtlItem *dimension = item;
        while (dimension->generation > 1 && dimension->parent)
            dimension = dimension->parent;
        dimName = dimension->memberName;
    }
    otl::copyText(info->infoDimName, dimName, sizeof info->infoDimName);
    info->hasAttrValue = item->hasAttrValue;
    info->attrValueType = item->attrValueType;
    if (item->attrValueType != OTL_ATTR_TEXT) {
        memcpy(info->attrValue, item->attrValue, sizeof info->attrValue);
        return OTL_OK;
    }
    char *copy = nullptr;
    OtlStatus status = OTL_OK;
    if (info->level == 0)
        status = otlDupString(host, otl::textValue(item->attrValue), &copy);
    otl::setTextValue(info->attrValue, copy);
    return status;
}
