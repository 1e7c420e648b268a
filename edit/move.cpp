/*
 * Moving a member with its subtree: after a sibling, as a first child, or up
 * to dimension level. Shared links may not cross into another dimension,
 * and a shared member may not become a dimension.
 *
 * Invariant: a refused move changes nothing but the dimChanged marks of the
 * dimensions it looked at; a move that fails after relinking is relinked
 * back. The change record is made before the tree changes.
 */
#include "attr/register.h"
#include "core/hash.h"
#include "core/tree.h"
#include "edit/changelog.h"

namespace {

// Where a move puts the member.
struct MoveTarget {
    OtlItem *item;       // the sibling to follow, or the new parent
    uint16_t mode;       // otl::kLinkAfterSibling or otl::kLinkFirstChild
    OtlItem *logParent;  // the parent the change log names, null at dimension level
};

MoveTarget chooseTarget(OtlOutline *outline, OtlItem *newParent, OtlItem *newPrevSibling)
{
    if (newPrevSibling) {
        OtlItem *parent = newPrevSibling->parent;
        return {newPrevSibling, otl::kLinkAfterSibling,
                parent && parent->generation > 0 ? parent : nullptr};
    }
    if (newParent)
        return {newParent, otl::kLinkFirstChild, newParent->generation > 0 ? newParent : nullptr};
    return {outline->root, otl::kLinkFirstChild, nullptr};
}

// The member relinked; a rollback links it back where it was.
struct Relinked {
    OtlItem *member;
    OtlItem *oldParent;
    OtlItem *oldPrev;
    void undo()
    {
        if (oldPrev)
            otlRelinkItem(member, oldPrev, otl::kLinkAfterSibling);
        else
            otlRelinkItem(member, oldParent, otl::kLinkFirstChild);
    }
    void commit() {}
};

} // namespace

extern "C" OTL_API OtlStatus adShrOtlMoveMember(OtlOutline *outline, OtlItem *member,
                                                OtlItem *newParent, OtlItem *newPrevSibling)
{
    if (OtlStatus refused = otl::editRefusal(outline, member))
        return refused;
    OtlItem *oldParent = member->parent;
    OtlItem *oldPrev = member->prevSibling;
    const MoveTarget target = chooseTarget(outline, newParent, newPrevSibling);
    if (target.item == member || otlIsInside(target.item, member))
        return OTL_ERR_INVALID_MOVE;
    const bool becomesDimension =
        target.mode == otl::kLinkFirstChild ? target.item->generation == 0
                                            : target.item->generation == 1;
    if (becomesDimension && member->shareOption == OTL_SHARE_SHARED)
        return OTL_ERR_INVALID_MOVE;

    OtlItem *oldDimension = otlGetDim(member);
    OtlItem *newDimension = becomesDimension ? member : otlGetDim(target.item);
    // A refusal for links across dimensions keeps the marks, as it always
    // has: the host sees which dimensions the move looked at.
    if (newDimension != oldDimension && !otlSubtreeClosedUnderSharing(outline, member)) {
        oldDimension->dimChanged = 1;
        newDimension->dimChanged = 1;
        return OTL_ERR_INVALID_MOVE;
    }
    // From here a failure gives the marks back with everything else.
    otl::Journal journal;
    journal.set(&oldDimension->dimChanged, 1);
    journal.set(&newDimension->dimChanged, 1);
    otlRelinkItem(member, target.item, target.mode);
    journal.step(Relinked{member, oldParent, oldPrev});
    OtlStatus status = otlAttrAfterMove(outline, member, oldDimension, newDimension, target.mode,
                                        becomesDimension, journal);
    // The record is built once the move may have renamed the member: it
    // carries the name the member has after the move, and follows the
    // rename's record in the log.
    otl::PendingChange *logChange = nullptr;
    OtlItem *logPrev = target.mode == otl::kLinkAfterSibling ? target.item : nullptr;
    if (status == OTL_OK)
        status = otlBuildMemberMoved(outline, member, oldParent, oldPrev, target.logParent,
                                     logPrev, journal, &logChange);
    if (status != OTL_OK)
        return status;
    otlFinishEdit(outline, journal, logChange);
    return OTL_OK;
}
