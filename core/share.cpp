/*
 * Implied sharing: which members hold data of their own. Both predicates
 * read only the item and its child list and change nothing, so that the
 * rule check, the numbering pass and the file statistics count stored
 * members alike.
 */
#include "share.h"

namespace {

constexpr uint16_t kIgnoredOp = 5;     // consolidation that contributes nothing
constexpr uint16_t kFormulaOwnOp = 0;  // consolidation under which a formula keeps the child's value

// The one child whose value the item can take: every other child is
// ignored (consolidation 5) and this one passes its value on unchanged
// (consolidation 0 or 2).
const OtlItem *onlyContributingChild(const OtlItem *item)
{
    const OtlItem *found = nullptr;
    for (const OtlItem *c = item->firstChild; c; c = c->nextSibling) {
        if (c->consolidation == kIgnoredOp)
            continue;
        if (found)
            return nullptr;
        found = c;
    }
    if (found && (found->consolidation == 0 || found->consolidation == 2))
        return found;
    return nullptr;
}

const OtlItem *sharedChild(const OtlItem *item)
{
    const OtlItem *first = item->firstChild;
    if (!first)
        return nullptr;
    if (!first->nextSibling && item->shareOption != OTL_SHARE_NEVER_SHARE) {
        if (item->formula)
            return item->consolidation == kFormulaOwnOp ? first : nullptr;
    } else if (item->formula) {
        return nullptr;
    }
    if (item->shareOption == OTL_SHARE_NEVER_SHARE)
        return nullptr;
    return onlyContributingChild(item);
}

} // namespace

bool otlImpliedShare(const OtlItem *item, uint32_t *storedNumber, OtlItem **child)
{
    const OtlItem *shared = sharedChild(item);
    if (!shared)
        return false;
    *child = const_cast<OtlItem *>(shared);
    *storedNumber = shared->storedNumber;
    return true;
}

bool otlImpliedShareTest(const OtlItem *item)
{
    return sharedChild(item) != nullptr;
}
