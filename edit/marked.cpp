/*
 * Deleting the marked members of a dimension in one walk. Each deletion is
 * a whole adShrOtlDeleteMember, shared copies and log record included; the
 * first that fails ends the walk, and what was deleted before stays
 * deleted.
 *
 * The walk follows the live links. A deletion also takes the shared copies
 * of what it deletes, and a copy may be the very item the walk would visit
 * next (a sibling, or, when a copy has children, an ancestor's subtree):
 * the next item is therefore chosen before each deletion, among the items
 * the deletion leaves in place. (Marking itself lives in core/; deleting
 * goes through the editing layer, so it sits here.)
 */
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"

namespace {

// The item the walk visits once `done` and everything below it are
// through, or null: a dimension's siblings are not walked, and the walk
// ends at `boundary`, the parent of the member it started from.
OtlItem *after(OtlItem *done, const OtlItem *boundary)
{
    for (OtlItem *x = done; x && x != boundary; x = x->parent)
        if (x->generation != 1 && x->nextSibling)
            return x->nextSibling;
    return nullptr;
}

// Where the walk goes on once `deleted` is gone: the first item after its
// subtree that neither goes with it nor lies below a copy that does.
OtlItem *nextSurvivor(OtlOutline *outline, OtlItem *deleted, const OtlItem *boundary)
{
    OtlItem *next = after(deleted, boundary);
    // Deleting a shared member takes no copies along: only a source's
    // deletion does.
    while (next && deleted->shareOption != OTL_SHARE_SHARED) {
        OtlItem *taken = nullptr; // the highest item from next up that goes
        for (OtlItem *x = next; x; x = x->parent)
            if (otlGoesWithSubtree(outline, x, deleted))
                taken = x;
        if (!taken)
            return next;
        if (otlIsInside(boundary, taken))
            return nullptr; // what is left of the walk goes with it
        next = after(taken, boundary);
    }
    return nullptr;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlDeleteMarked(OtlOutline *outline, const char *dimensionName)
{
    OtlItem *start = otl::memberNamed(outline, dimensionName);
    otlTraceTime("Delete Marked Dimension begin");
    // The universe member's name finds the root, which is no member: a
    // marked root would delete the outline under its handle.
    const OtlItem *boundary = start && start != outline->root ? start->parent : nullptr;
    OtlItem *item = boundary ? start : nullptr;
    OtlStatus status = OTL_OK;
    while (item) {
        if (!item->marked) {
            item = item->firstChild ? item->firstChild : after(item, boundary);
            continue;
        }
        OtlItem *next = nextSurvivor(outline, item, boundary);
        status = adShrOtlDeleteMember(outline, item, OTL_CHECK_ALL);
        if (status != OTL_OK)
            break;
        item = next;
    }
    otlTraceTime("Delete Marked Dimension end");
    return status;
}
