/*
 * Adding members and dimensions. An add checks the name, creates the item,
 * links it, hashes it, runs the rule checks, registers it with the
 * attribute bookkeeping and logs it.
 *
 * Invariant: a failing add leaves the outline exactly as it was (tree,
 * levels, hash entries, counters, dimension and cell tables, change log):
 * every step after the refusals is a journal entry, and the journal takes
 * them back.
 */
#include "attr/naming.h"
#include "attr/register.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"
#include "edit/add.h"
#include "edit/calcdim.h"
#include "edit/changelog.h"
#include "edit/item.h"
#include "edit/mbrinfo.h"
#include "edit/rules.h"

#include <string.h>

namespace {

// A text value that the attribute naming put into the caller's record
// belongs to the add until the new item takes it over with the record. A
// rollback gives the record its old value back, and releases the text
// unless the item took it (the item's release frees it then). A client
// older than OTL_CLIENT_ATTR_MBRINFO gives the item no value, so the text
// goes when the add stands, and the record gets its old value back.
struct NamedValue {
    const OtlHostContext *host;
    OtlMbrInfo *info;
    uint8_t original[8];
    bool taken = false;

    NamedValue(const OtlHostContext *h, OtlMbrInfo *i) : host(h), info(i)
    {
        memcpy(original, info->attrValue, sizeof original);
    }
    void undo()
    {
        if (info->attrValueType != OTL_ATTR_TEXT ||
            memcmp(original, info->attrValue, sizeof original) == 0)
            return;
        if (!taken) {
            char *text = nullptr;
            memcpy(&text, info->attrValue, sizeof text);
            otl::hostRelease(host, &text);
        }
        memcpy(info->attrValue, original, sizeof original);
    }
    void commit()
    {
        if (!taken)
            undo();
    }
};

// The new item, released with everything it owns on rollback. It is the
// add's first entry, so it goes after every step that refers to it.
struct NewItem {
    OtlOutline *outline;
    OtlItem *item = nullptr;
    void undo() { otlFreeItem(outline, item, outline->aliasTableCount); }
    void commit() {}
};

// The item linked into the tree; a rollback unlinks it and recomputes the
// levels above it.
struct Linked {
    OtlItem *item;
    void undo() { otlDetachItem(item, true); }
    void commit() {}
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
    if (outline->outlineType == OTL_OUTLINE_CURRENCY && becomesDimension(parent, prevSibling) &&
        otlCountChildren(outline->root) >= OTL_MAX_CURRENCY_DIMS)
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

// A member of an attribute dimension whose first child arrives is no
// longer a value member. The dimension itself is never one: its value type
// is the type its members take, and it keeps it.
bool firstAttrChild(const OtlItem *item, const OtlItem *parent)
{
    return parent && parent->generation >= 2 && !item->prevSibling && !item->nextSibling &&
           item->dimensionTag == OTL_TAG_ATTRIBUTE;
}

} // namespace

OtlStatus otlAddItem(OtlOutline *outline, OtlMbrInfo *info, OtlItem *parent, OtlItem *prevSibling,
                     uint16_t checkMode, const char *changeText, otl::Journal &journal,
                     OtlItem **outMember)
{
    const OtlHostContext *host = outline->host;
    OtlItem *effectiveParent = prevSibling ? prevSibling->parent : parent;
    const bool attrRules = host->clientVersion >= OTL_CLIENT_ATTR_RULES;
    const bool newAttrDim = attrRules && (!effectiveParent || effectiveParent->generation == 0) &&
                            info->dimensionTag == OTL_TAG_ATTRIBUTE;
    const bool typeFromDimension = info->attrValueType == OTL_ATTR_DIM_TYPE;

    // Refusals. The attribute naming may put a fresh text value into the
    // caller's record, which the journal gives back on failure.
    char shortName[OTL_NAME_SIZE] = {0};
    NamedValue *named = journal.step(NamedValue{host, info});
    OtlStatus status = OTL_OK;
    if (attrRules) {
        status = otlAttrNameMember(outline, info, effectiveParent, shortName);
        if (status != OTL_OK)
            return status;
    }
    otl::HashPlace place{}; // the name's place in its bucket, kept for entering it
    status = checkNewMember(outline, info, parent, prevSibling, &place);
    if (status != OTL_OK)
        return status;

    // Prepares: the item with everything it owns, and the change record.
    OtlItem *item = nullptr;
    status = newItem(outline, &item);
    if (status != OTL_OK)
        return status;
    journal.step(NewItem{outline, item});
    status = otlCopyMbrInfoToItem(host, info, item);
    if (status != OTL_OK)
        return status;
    named->taken = host->clientVersion >= OTL_CLIENT_ATTR_MBRINFO;
    item->generation = 0;
    item->level = 0;
    otl::PendingChange *record = nullptr;
    status = otlBuildMemberAdded(outline, effectiveParent ? effectiveParent : outline->root,
                                 prevSibling, info->memberName, changeText, journal, &record);
    if (status != OTL_OK)
        return status;

    // The item enters the tree; what follows may still fail, each step
    // journaled.
    link(outline, item, parent, prevSibling);
    journal.step(Linked{item});
    status = otlSetItemProperties(outline, host, item, info, host->clientVersion);
    bool stored = false;
    if (status == OTL_OK)
        status = otlAttrStoreShortName(host, shortName, item, &stored);
    if (status == OTL_OK)
        status = otl::hashAddItemAt(host, outline, item, place, journal);
    if (status != OTL_OK)
        return status;
    uint32_t word1 = otlCheckMember(host, outline, item, checkMode);
    const uint32_t word2 = otlCheckAttrMember(host, outline, item);
    if (word2)
        word1 |= otl::kFaultAttrMarker;
    status = otlFaultsToStatus(word1, word2);
    if (status != OTL_OK)
        return status;
    if (effectiveParent && effectiveParent->dimensionTag == OTL_TAG_ATTRIBUTE) {
        OtlItem **cell = effectiveParent->generation >= 2
                             ? effectiveParent->attrLink.attrMember.attrCell
                             : effectiveParent->attrLink.attrDim.attrCell;
        if (cell)
            journal.set(cell, nullptr);
    }
    journal.keep(&outline->verified); // the calculations dimension's adds clear it
    status = otlAttrRegisterItem(outline, item, journal);
    if (status != OTL_OK)
        return status;
    record->apply();
    if (newAttrDim && otlSettleCalcDim(outline, journal) != OTL_OK)
        return OTL_ERR_ATTR_CALC_CREATE;
    if (typeFromDimension && firstAttrChild(item, effectiveParent)) {
        status = otlAttrGiveUpValue(outline, effectiveParent, journal);
        if (status != OTL_OK)
            return status;
    }
    outline->verified = 0;
    *outMember = item;
    return OTL_OK;
}

namespace {

// One add as a whole operation: committed when it succeeds, rolled back
// when it fails.
OtlStatus addCommitted(OtlOutline *outline, OtlMbrInfo *info, OtlItem *parent,
                       OtlItem *prevSibling, uint16_t checkMode, const char *changeText,
                       OtlItem **outMember)
{
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    otl::Journal journal;
    OtlItem *item = nullptr;
    const OtlStatus status = otlAddItem(outline, info, parent, prevSibling, checkMode, changeText,
                                        journal, &item);
    if (status != OTL_OK)
        return status; // the journal rolls back
    journal.commit();
    *outMember = item;
    return OTL_OK;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlAddMember(OtlOutline *outline, OtlMbrInfo *info,
                                               OtlItem *parent, OtlItem *prevSibling,
                                               OtlItem **outMember, uint16_t checkMode)
{
    return addCommitted(outline, info, parent, prevSibling, checkMode, nullptr, outMember);
}

extern "C" OTL_API OtlStatus adShrOtlAddDimension(OtlOutline *outline, OtlMbrInfo *info,
                                                  OtlItem *prevDimension, const char *changeText,
                                                  OtlItem **outMember)
{
    const OtlHostContext *host = outline->host;
    if (host->clientVersion >= OTL_CLIENT_ATTR_RULES && info->dimensionTag == OTL_TAG_ATTRIBUTE &&
        prevDimension && prevDimension->nextSibling &&
        !otl::isAttrTag(prevDimension->nextSibling->dimensionTag))
        return OTL_ERR_ATTR_DIM_ORDER_ADD;
    return addCommitted(outline, info, nullptr, prevDimension, OTL_CHECK_ALL, changeText,
                        outMember);
}
