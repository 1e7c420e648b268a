/*
 * Deleting members and dimensions. A member goes with its whole subtree and
 * with every shared member that refers into that subtree; only the member
 * the caller named is logged (and the attribute calculations dimension when
 * it goes with the last attribute dimension).
 *
 * Invariant: a delete either happens completely or not at all. It reads as
 * every edit does: refusals (the rule checks, the shared copies' own
 * checks), prepares (the change records), then applies that cannot fail
 * (taking the subtrees out of the hash, the bookkeeping and the tree). A
 * delete is not journaled: putting a subtree back in the hash would need
 * memory, so nothing may fail after it, and it comes last.
 */
#include "attr/register.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"
#include "edit/calcdim.h"
#include "edit/changelog.h"
#include "edit/item.h"
#include "edit/rules.h"
#include "names/dts.h"

namespace {

// Takes a member and its subtree out of the hash, the bookkeeping and the
// tree, and releases them. Cannot fail.
void removeSubtree(OtlOutline *outline, OtlItem *member)
{
    otlHashRemoveItem(outline->host, outline, member);
    otlHashRemoveSubtree(outline->host, outline, member->firstChild);
    for (OtlItem *x = member; x; x = otl::nextInSubtree(x, member))
        otlAttrUnregisterItem(outline, x);
    otlDetachItem(member, true);
    otlReleaseSubtree(outline, member);
    outline->verified = 0;
}

// Removes every shared copy of the member. The count is taken before the
// first removal, and the name is copied: the member may share its bucket
// run with the copies, and no text a removal releases may be read.
void removeCopiesOf(OtlOutline *outline, const OtlItem *member)
{
    char name[OTL_NAME_SIZE];
    otl::copyText(name, member->memberName, sizeof name);
    for (uint32_t left = otlHashCountShared(outline, name); left > 0; --left) {
        OtlItem *copy = nullptr;
        if (otlHashFindShared(outline, name, -1, &copy) < 0)
            return;
        removeSubtree(outline, copy);
    }
}

// The copies of every non-shared member of the subtree, descendants first.
// The next item is found only after the current item's copies are gone,
// from links that are then current: a copy inside the subtree may go on
// the way, the current (non-shared) item never.
void removeCopiesBelow(OtlOutline *outline, OtlItem *member)
{
    OtlItem *current = member->firstChild;
    if (!current)
        return;
    while (current->firstChild)
        current = current->firstChild;
    while (current) {
        if (current->shareOption != OTL_SHARE_SHARED)
            removeCopiesOf(outline, current);
        if (current->nextSibling) {
            current = current->nextSibling;
            while (current->firstChild)
                current = current->firstChild;
        } else {
            current = current->parent;
            if (current == member)
                current = nullptr;
        }
    }
}

// A shared copy that is the last child of a label-only member is refused:
// deciding that before anything is deleted keeps the delete whole, as a
// label-only member all of whose children go as copies would stop it
// half-way.
OtlStatus checkSharedCopies(OtlOutline *outline, OtlItem *member)
{
    for (OtlItem *x = member; x; x = otl::nextInSubtree(x, member)) {
        if (x->shareOption == OTL_SHARE_SHARED)
            continue;
        OtlItem *copy = nullptr;
        for (int32_t at = otlHashFindShared(outline, x->memberName, -1, &copy); at >= 0;
             at = otlHashFindShared(outline, x->memberName, at + 1, &copy)) {
            OtlItem *parent = copy->parent;
            if (!parent || parent->shareOption != OTL_SHARE_LABEL_ONLY)
                continue;
            bool allGo = true;
            for (OtlItem *c = parent->firstChild; c && allGo; c = c->nextSibling)
                allGo = otlGoesWithSubtree(outline, c, member);
            if (allGo)
                return OTL_ERR_RULE_LABEL_ONLY;
        }
    }
    return OTL_OK;
}

// The change text of a deleted dimension may not name a member of these
// share options: an ordinary stored member or a label is fine.
bool refusedInChangeText(uint16_t shareOption)
{
    return shareOption == OTL_SHARE_NEVER_SHARE || shareOption == OTL_SHARE_SHARED ||
           shareOption == OTL_SHARE_COMPUTED_STORED || shareOption == OTL_SHARE_COMPUTED;
}

OtlStatus checkDelete(OtlOutline *outline, OtlItem *member, uint16_t checkMode)
{
    if (checkMode != OTL_CHECK_ALL && checkMode != OTL_CHECK_STRUCTURE)
        return OTL_OK;
    if (!member->nextSibling && !member->prevSibling && member->parent &&
        member->parent->shareOption == OTL_SHARE_LABEL_ONLY)
        return OTL_ERR_RULE_LABEL_ONLY;
    if (member->generation == 1 && member->dimensionTag == OTL_TAG_TIME &&
        otlFirstTimeBalanced(outline))
        return OTL_ERR_RULE_TIME_BALANCE_DIM;
    return OTL_OK;
}

// The delete itself; `changeText` (may be null) goes into the record of a
// deleted dimension.
OtlStatus deleteMember(OtlOutline *outline, OtlItem *member, uint16_t checkMode,
                       const char *changeText)
{
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    OtlStatus status = checkDelete(outline, member, checkMode);
    if (status == OTL_OK && member->shareOption != OTL_SHARE_SHARED)
        status = checkSharedCopies(outline, member);
    if (status != OTL_OK)
        return status;

    // Prepares: the change records, the calculations dimension's first when
    // it goes with the last attribute dimension.
    otl::Journal journal;
    OtlItem *calcDim = member->generation == 1 && member->dimensionTag == OTL_TAG_ATTRIBUTE &&
                               !otlWantsCalcDim(outline, member)
                           ? otlFindCalcDim(outline)
                           : nullptr;
    otl::PendingChange *calcRecord = nullptr, *record = nullptr;
    if (calcDim)
        status = otlBuildMemberDeleted(outline, calcDim, nullptr, journal, &calcRecord);
    if (status == OTL_OK)
        status = otlBuildMemberDeleted(outline, member, changeText, journal, &record);
    if (status != OTL_OK)
        return status;

    // Applies.
    if (calcDim) {
        removeSubtree(outline, calcDim);
        calcRecord->apply();
    }
    if (member->shareOption != OTL_SHARE_SHARED) {
        removeCopiesBelow(outline, member);
        removeCopiesOf(outline, member);
    }
    // The time series live through the time dimension's generation names,
    // which go with it.
    if (member->generation == 1 && member == otlFindDimByTag(outline, OTL_TAG_TIME))
        for (uint32_t i = 0; i < OTL_DTS_COUNT; ++i) // by index: the handle is packed
            otlDtsDisable(outline, outline->dtsMembers[i]);
    removeSubtree(outline, member);
    otlFinishEdit(outline, journal, record);
    return OTL_OK;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlDeleteMember(OtlOutline *outline, OtlItem *member,
                                                  uint16_t checkMode)
{
    return deleteMember(outline, member, checkMode, nullptr);
}

extern "C" OTL_API OtlStatus adShrOtlDeleteDimension(OtlOutline *outline, OtlItem *dimension,
                                                     const char *changeText)
{
    const OtlHostContext *host = outline->host;
    OtlStatus status = dimension->generation != 1 ? OTL_ERR_DIM_NOT_FOUND : OTL_OK;
    const bool hasText = changeText && changeText[0];
    if (hasText && !otl::isAttrTag(dimension->dimensionTag)) {
        OtlItem *named = nullptr;
        otlHashLookup(host, outline, changeText, nullptr, true, true, 0, nullptr, &named);
        if (named && refusedInChangeText(named->shareOption))
            status = OTL_ERR_DIM_CHANGE_TEXT;
    }
    if (status != OTL_OK)
        return status;
    return deleteMember(outline, dimension, OTL_CHECK_ALL, changeText);
}

namespace {

// Until the commit the dimension stays where it is: nothing else in the
// operation looks at it, and a rollback has nothing to put back.
struct CalcDimLeaving {
    OtlOutline *outline;
    OtlItem *dimension;
    void undo() {}
    void commit() { removeSubtree(outline, dimension); }
};

} // namespace

OtlStatus otlLeaveCalcDim(OtlOutline *outline, OtlItem *dimension, otl::Journal &journal)
{
    otl::PendingChange *record = nullptr;
    OtlStatus status = otlBuildMemberDeleted(outline, dimension, nullptr, journal, &record);
    if (status != OTL_OK)
        return status;
    record->apply();
    journal.step(CalcDimLeaving{outline, dimension});
    return OTL_OK;
}
