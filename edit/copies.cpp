/*
 * Deleting shared copies. The loops are bounded by the count of shared
 * entries taken before the first deletion, so they end whatever the
 * deletions do to the buckets.
 */
#include "edit/copies.h"
#include "core/hash.h"
#include "core/host.h"

namespace {

OtlStatus deleteCopies(OtlOutline *outline, const OtlItem *member, OtlDeleteMemberFn deleteMember)
{
    // The name is copied: the member may share its bucket run with the copies
    // and nothing here may read a text that a deletion could release.
    char name[OTL_NAME_SIZE];
    otl::copyText(name, member->memberName, sizeof name);
    for (uint32_t left = otlHashCountShared(outline, name); left > 0; --left) {
        OtlItem *copy = nullptr;
        if (otlHashFindShared(outline, name, -1, &copy) < 0)
            break;
        OtlStatus status = deleteMember(outline, copy);
        if (status != OTL_OK)
            return status;
    }
    return OTL_OK;
}

} // namespace

OtlStatus otlDeleteSharedCopies(OtlOutline *outline, OtlItem *member,
                                OtlDeleteMemberFn deleteMember)
{
    const uint8_t logging = outline->changeLogEnabled;
    outline->changeLogEnabled = 0;
    OtlStatus status = deleteCopies(outline, member, deleteMember);
    outline->changeLogEnabled = logging;
    return status;
}

// Post-order over the chain. The next item is found only after the current
// item's copies are gone, from links that are then current: a copy inside
// the chain may be deleted on the way, the current (non-shared) item never.
OtlStatus otlDeleteSharedCopiesSubtree(OtlOutline *outline, OtlItem *first,
                                       OtlDeleteMemberFn deleteMember)
{
    if (!first)
        return OTL_OK;
    const uint8_t logging = outline->changeLogEnabled;
    outline->changeLogEnabled = 0;
    const OtlItem *chainParent = first->parent;
    OtlStatus status = OTL_OK;
    OtlItem *current = first;
    while (current->firstChild)
        current = current->firstChild;
    while (current) {
        if (current->shareOption != OTL_SHARE_SHARED) {
            status = deleteCopies(outline, current, deleteMember);
            if (status != OTL_OK)
                break;
        }
        if (current->nextSibling) {
            current = current->nextSibling;
            while (current->firstChild)
                current = current->firstChild;
        } else {
            current = current->parent;
            if (current == chainParent)
                current = nullptr;
        }
    }
    outline->changeLogEnabled = logging;
    return status;
}
