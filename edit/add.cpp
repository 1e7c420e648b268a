/*
 * Adding members and dimensions. An add checks the name, creates the item,
 * links it, hashes it, runs the rule checks, registers it with the
 * attribute bookkeeping and logs it.
 *
 * Invariant: a failing add leaves the outline exactly as it was (tree,
 * levels, hash entries, counters, dimension and cell tables, change log);
 * every step taken is undone in reverse order before the status returns.
 */
#include "attr/naming.h"
#include "attr/register.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"
#include "edit/changelog.h"
#include "edit/mbrinfo.h"
#include "edit/rules.h"

#include <string.h>

namespace {

// What an add has done so far, so that a failure can take it back.
struct AddProgress {
    OtlOutline *outline;
    OtlItem *item = nullptr;
    bool linked = false;
    bool hashed = false;
    bool registered = false;
    OtlChangeRecord *logTail = nullptr; // the log's tail before the add
    bool logged = false;
    OtlItem **parentCell = nullptr;     // a parent cell emptied by the add
    OtlItem *parentCellItem = nullptr;
    OtlItem *markedDim = nullptr;       // an existing dimension registration marks
    uint8_t oldMark = 0;
    uint8_t verified = outline->verified; // the calculations dimension's adds clear it

    void undo()
    {
        const OtlHostContext *host = outline->host;
        if (logged)
            otlChangeLogTruncate(outline, logTail);
        if (registered)
            otlAttrUnregisterNew(outline, item);
        if (markedDim)
            markedDim->dimChanged = oldMark;
        outline->verified = verified;
        if (parentCell)
            *parentCell = parentCellItem;
        if (hashed)
            otlHashRemoveItem(host, outline, item);
        if (linked)
            otlDetachItem(item, true);
        if (item)
            otlFreeItem(outline, item, outline->aliasTableCount);
    }
};

// A text value that the attribute naming put into the caller's record
// belongs to the add until the new item takes it over with the record; a
// failure before that releases it and gives the record its old value back.
struct NamedValue {
    const OtlHostContext *host;
    OtlMbrInfo *info;
    uint8_t original[8];

    NamedValue(const OtlHostContext *h, OtlMbrInfo *i) : host(h), info(i)
    {
        memcpy(original, info->attrValue, sizeof original);
    }
    void release()
    {
        if (info->attrValueType != OTL_ATTR_TEXT ||
            memcmp(original, info->attrValue, sizeof original) == 0)
            return;
        char *text = nullptr;
        memcpy(&text, info->attrValue, sizeof text);
        otl::hostRelease(host, &text);
        memcpy(info->attrValue, original, sizeof original);
    }
};

bool becomesDimension(const OtlItem *parent, const OtlItem *prevSibling)
{
    if (prevSibling)
        return prevSibling->generation == 1;
    return !parent || parent->generation == 0;
}

OtlStatus newItem(OtlOutline *outline, OtlItem **item)
{
    return outline->itemPool ? otlPoolItem(outline, item) : otlNewItem(outline->host, item);
}

void link(OtlOutline *outline, OtlItem *item, OtlItem *parent, OtlItem *prevSibling)
{
    if (prevSibling)
        otlAddSiblingItem(prevSibling, item, 1);
    else
        otlAddChildItem(parent ? parent : outline->root, item, 1);
}

// The checks that come before anything changes. The name's place in its
// bucket is kept for entering it: nothing enters or removes a name between
// the check and the hashing.
OtlStatus checkNewMember(OtlOutline *outline, const OtlMbrInfo *info, OtlItem *parent,
                         OtlItem *prevSibling, otl::HashPlace *place)
{
    const OtlHostContext *host = outline->host;
    if (!otlValidateName(info->memberName, host))
        return OTL_ERR_MEMBER_NAME;
    if (info->consolidation > 5)
        return OTL_ERR_CONSOLIDATION;
    if (outline->outlineType == 1 && becomesDimension(parent, prevSibling) &&
        otlCountChildren(outline->root) >= 4)
        return OTL_ERR_CURRENCY_DIMS;
    *place = otl::hashPlace(host, outline, info->memberName);
    const OtlItem *found = otl::hashLookupAt(host, outline, *place, nullptr, true, true, 0, nullptr);
    const bool shared = info->shareOption == OTL_SHARE_SHARED;
    if (found && !shared)
        return OTL_ERR_MEMBER_NAME_USED;
    if (!found && shared)
        return OTL_ERR_RULE_SHARED_NO_SOURCE;
    return OTL_OK;
}

// A parent of an attribute dimension whose first child arrives is no
// longer a value member: its short name, value and cell go. Runs last, as
// its rename is the only step that can fail after the add is complete.
OtlStatus dropParentValue(OtlOutline *outline, OtlItem *item, OtlItem *parent)
{
    if (!parent || item->generation <= 1 || item->prevSibling || item->nextSibling ||
        item->dimensionTag != OTL_TAG_ATTRIBUTE || parent->generation < 1)
        return OTL_OK;
    const OtlHostContext *host = outline->host;
    const bool valueMember = parent->generation >= 2 && parent->attrValueType != OTL_ATTR_NONE &&
                             parent->attrValueType != OTL_ATTR_TEXT;
    if (valueMember) {
        const char *shortName = parent->attrLink.attrMember.attrShortName;
        if (shortName && !otl::equalIgnoringAsciiCase(shortName, parent->memberName)) {
            OtlStatus status = otlRenameItemInPlace(outline, parent, shortName);
            if (status != OTL_OK)
                return status;
        }
        if (shortName) {
            otlHashRemove(host, outline, parent, shortName, 0);
            otl::hostRelease(host, &parent->attrLink.attrMember.attrShortName);
        }
    }
    if (parent->attrValueType == OTL_ATTR_TEXT) {
        char *text = nullptr;
        memcpy(&text, parent->attrValue, sizeof text);
        otl::hostRelease(host, &text);
    }
    parent->attrValueType = OTL_ATTR_NONE;
    memset(parent->attrValue, 0, sizeof parent->attrValue);
    if (parent->generation >= 2)
        parent->attrLink.attrMember.attrCell = nullptr;
    else
        parent->attrLink.attrDim.attrCell = nullptr;
    return OTL_OK;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlAddMember(OtlOutline *outline, OtlMbrInfo *info,
                                               OtlItem *parent, OtlItem *prevSibling,
                                               OtlItem **outMember, uint16_t checkMode)
{
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    const OtlHostContext *host = outline->host;
    OtlItem *effectiveParent = prevSibling ? prevSibling->parent : parent;
    const bool attrRules = host->clientVersion >= OTL_CLIENT_ATTR_RULES;
    const bool newAttrDim = attrRules && (!effectiveParent || effectiveParent->generation == 0) &&
                            info->dimensionTag == OTL_TAG_ATTRIBUTE;
    const bool typeFromDimension = info->attrValueType == OTL_ATTR_DIM_TYPE;
    char shortName[OTL_NAME_SIZE] = {0};
    NamedValue named{host, info};
    OtlStatus status = OTL_OK;
    if (attrRules) {
        status = otlAttrNameMember(outline, info, effectiveParent, shortName);
        if (status != OTL_OK)
            return status;
    }
    otl::HashPlace place{};
    status = checkNewMember(outline, info, parent, prevSibling, &place);
    AddProgress progress{outline};
    if (status == OTL_OK)
        status = newItem(outline, &progress.item);
    if (status != OTL_OK) {
        named.release();
        return status;
    }
    OtlItem *item = progress.item;
    status = otlCopyMbrInfoToItem(host, info, item);
    if (status != OTL_OK)
        named.release(); // the item did not take it
    item->generation = 0;
    item->level = 0;
    if (status == OTL_OK) {
        link(outline, item, parent, prevSibling);
        progress.linked = true;
        status = otlSetItemProperties(outline, host, item, info, host->clientVersion);
    }
    bool stored = false;
    if (status == OTL_OK)
        status = otlAttrStoreShortName(host, shortName, item, &stored);
    if (status == OTL_OK) {
        progress.hashed = true; // a partial entry is taken out as far as it got
        status = otl::hashAddItemAt(host, outline, item, place);
    }
    if (status == OTL_OK) {
        uint32_t word1 = otlCheckMember(host, outline, item, checkMode);
        const uint32_t word2 = otlCheckAttrMember(host, outline, item);
        if (word2)
            word1 |= otl::kFaultAttrMarker;
        status = otlFaultsToStatus(word1, word2);
    }
    if (status == OTL_OK && effectiveParent && effectiveParent->dimensionTag == OTL_TAG_ATTRIBUTE) {
        OtlItem **cell = effectiveParent->generation >= 2
                             ? effectiveParent->attrLink.attrMember.attrCell
                             : effectiveParent->attrLink.attrDim.attrCell;
        if (cell) {
            progress.parentCell = cell;
            progress.parentCellItem = *cell;
            *cell = nullptr;
        }
    }
    if (status == OTL_OK) {
        // Registering marks the dimension as changed, even when it fails.
        OtlItem *dimension = otlGetDim(item);
        if (dimension && dimension != item) {
            progress.markedDim = dimension;
            progress.oldMark = dimension->dimChanged;
        }
        status = otlAttrRegisterItem(outline, item);
        progress.registered = status == OTL_OK;
    }
    if (status == OTL_OK) {
        progress.logTail = outline->changeLogTail;
        status = otlLogMemberAdded(host, outline, item,
                                   effectiveParent ? effectiveParent : outline->root, prevSibling);
        progress.logged = status == OTL_OK;
    }
    if (status == OTL_OK && newAttrDim &&
        outline->stats.dimCount == outline->stats.baseDimCount + 1 &&
        otlAttrCreateCalcDim(outline) != OTL_OK)
        status = OTL_ERR_ATTR_CALC_CREATE;
    if (status == OTL_OK && typeFromDimension)
        status = dropParentValue(outline, item, effectiveParent);
    if (status != OTL_OK) {
        progress.undo();
        return status;
    }
    *outMember = item;
    outline->verified = 0;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlAddDimension(OtlOutline *outline, OtlMbrInfo *info,
                                                  OtlItem *prevDimension, const char *changeText,
                                                  OtlItem **outMember)
{
    const OtlHostContext *host = outline->host;
    if (host->clientVersion >= OTL_CLIENT_ATTR_RULES && info->dimensionTag == OTL_TAG_ATTRIBUTE &&
        prevDimension && prevDimension->nextSibling &&
        prevDimension->nextSibling->dimensionTag != OTL_TAG_ATTRIBUTE &&
        prevDimension->nextSibling->dimensionTag != OTL_TAG_ATTR_CALC)
        return OTL_ERR_ATTR_DIM_ORDER_ADD;
    // The text is copied before the add, so that nothing can fail after it.
    char *text = nullptr;
    if (outline->changeLogEnabled && changeText) {
        OtlStatus status = otlDupString(host, changeText, &text);
        if (status != OTL_OK)
            return status;
    }
    OtlStatus status = adShrOtlAddMember(outline, info, nullptr, prevDimension, outMember,
                                         OTL_CHECK_ALL);
    if (status == OTL_OK && text)
        otlGiveAddedDimensionText(outline, &text);
    otl::hostRelease(host, &text);
    return status;
}
