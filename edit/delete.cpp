/*
 * Deleting members and dimensions. A member goes with its whole subtree and
 * with every shared member that refers into that subtree; only the member
 * the caller named is logged.
 *
 * Invariant: a delete either happens completely or not at all. Everything
 * that can refuse or fail (the rule checks, the shared copies' own checks,
 * the change record) is settled before the first item is touched.
 */
#include "attr/register.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"
#include "edit/calcdim.h"
#include "edit/changelog.h"
#include "edit/copies.h"
#include "edit/item.h"
#include "edit/rules.h"

namespace {

OtlStatus deleteSharedCopy(OtlOutline *outline, OtlItem *member)
{
    return adShrOtlDeleteMember(outline, member, OTL_CHECK_ALL);
}

// The non-shared member a shared member stands for, or null.
OtlItem *sourceOf(OtlOutline *outline, const OtlItem *shared)
{
    OtlItem *source = nullptr;
    otlHashLookup(outline->host, outline, shared->memberName, nullptr, true, false, 0, nullptr,
                  &source);
    return source;
}

// A shared member that goes with the subtree: its source lies inside it.
bool goesWith(OtlOutline *outline, const OtlItem *item, const OtlItem *subtree)
{
    if (item->shareOption != OTL_SHARE_SHARED)
        return false;
    const OtlItem *source = sourceOf(outline, item);
    return source && otlIsInside(source, subtree);
}

// The shared copies are deleted one by one with the full checks, and a copy
// that is the last child of a label-only member is refused. Deciding that
// before anything is deleted keeps the delete whole: a label-only member
// all of whose children go as copies would stop it half-way.
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
                allGo = goesWith(outline, c, member);
            if (allGo)
                return OTL_ERR_RULE_LABEL_ONLY;
        }
    }
    return OTL_OK;
}

OtlStatus checkDelete(OtlOutline *outline, OtlItem *member, uint16_t checkMode)
{
    if (checkMode != OTL_CHECK_ALL && checkMode != OTL_CHECK_STRUCTURE)
        return OTL_OK;
    if (!member->nextSibling && !member->prevSibling && member->parent &&
        member->parent->shareOption == OTL_SHARE_LABEL_ONLY)
        return OTL_ERR_RULE_LABEL_ONLY;
    if (member->generation == 1 && member->dimensionTag == 2 && otlFirstTimeBalanced(outline))
        return OTL_ERR_RULE_TIME_BALANCE_DIM;
    return OTL_OK;
}

void unregisterSubtree(OtlOutline *outline, OtlItem *member)
{
    for (OtlItem *x = member; x; x = otl::nextInSubtree(x, member))
        otlAttrUnregisterItem(outline, x);
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlDeleteMember(OtlOutline *outline, OtlItem *member,
                                                  uint16_t checkMode)
{
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    const OtlHostContext *host = outline->host;
    OtlStatus status = checkDelete(outline, member, checkMode);
    if (status == OTL_OK && member->shareOption != OTL_SHARE_SHARED)
        status = checkSharedCopies(outline, member);
    OtlChangeRecord *record = nullptr;
    if (status == OTL_OK)
        status = otlBuildMemberDeleted(host, outline, member, &record);
    if (status != OTL_OK)
        return status;

    // The attribute calculations dimension goes with the last attribute
    // dimension.
    if (member->generation == 1 && member->dimensionTag == OTL_TAG_ATTRIBUTE &&
        !otlWantsCalcDim(outline, member)) {
        status = otlDeleteCalcDim(outline);
        if (status != OTL_OK) {
            otlFreeChangeRecord(host, record);
            return status;
        }
    }
    if (member->shareOption != OTL_SHARE_SHARED) {
        status = otlDeleteSharedCopiesSubtree(outline, member->firstChild, deleteSharedCopy);
        if (status == OTL_OK)
            status = otlDeleteSharedCopies(outline, member, deleteSharedCopy);
        if (status != OTL_OK) { // settled above; kept as a guard
            otlFreeChangeRecord(host, record);
            return status;
        }
    }
    otlHashRemoveItem(host, outline, member);
    otlHashRemoveSubtree(host, outline, member->firstChild);
    if (record)
        otlAppendChangeRecord(outline, record);
    unregisterSubtree(outline, member);
    otlDetachItem(member, true);
    otlReleaseSubtree(outline, member);
    outline->verified = 0;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlDeleteDimension(OtlOutline *outline, OtlItem *dimension,
                                                     const char *changeText)
{
    const OtlHostContext *host = outline->host;
    OtlStatus status = dimension->generation != 1 ? OTL_ERR_DIM_NOT_FOUND : OTL_OK;
    const bool hasText = changeText && changeText[0];
    if (hasText && dimension->dimensionTag != OTL_TAG_ATTRIBUTE &&
        dimension->dimensionTag != OTL_TAG_ATTR_CALC) {
        OtlItem *named = nullptr;
        otlHashLookup(host, outline, changeText, nullptr, true, true, 0, nullptr, &named);
        if (named && (named->shareOption & 0x5))
            status = OTL_ERR_DIM_CHANGE_TEXT;
    }
    if (status != OTL_OK)
        return status;
    // The text is copied first, so that nothing can fail after the delete.
    char *text = nullptr;
    if (outline->changeLogEnabled && hasText) {
        status = otlDupString(host, changeText, &text);
        if (status != OTL_OK)
            return status;
    }
    status = adShrOtlDeleteMember(outline, dimension, OTL_CHECK_ALL);
    if (status == OTL_OK && text)
        otlGiveDimensionText(outline, OTL_CHANGE_DELETED, &text);
    otl::hostRelease(host, &text);
    return status;
}
