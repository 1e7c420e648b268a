/*
 * The numbering pass and the dimension table.
 *
 * Stored numbers: a member that holds data takes the next number; one that
 * shares a child's storage (implied sharing) takes that child's; a
 * label-only member takes its first child's; a shared member keeps what it
 * has. Two choices go beyond that rule, made alike on both sides so that
 * associations survive a save:
 * - a dimension also applies implied sharing to itself in the plain form,
 *   as the counting form does; otherwise a dimension with one contributing
 *   member would have one row when written and another when read;
 * - in an attribute dimension every item takes a number of its own. Its
 *   numbers only name matrix rows, and a parent sharing its child's row
 *   would make the child look associated whenever a sibling is.
 */
#include "file/numbering.h"
#include "core/alloc.h"
#include "core/records.h"
#include "core/share.h"
#include "file/format.h"

namespace otl {

namespace {

struct Counters {
    uint32_t member = 1; // next member number
    uint32_t stored = 1; // next stored number
};

// Gives x its numbers; true when it counts as a stored member in the
// statistics (holds data and takes no child's storage).
bool assign(OtlItem *x, bool isDimension, bool attributeDim, uint32_t k, Counters &c)
{
    x->dimensionNumber = k;
    x->memberNumber = isDimension ? c.member : c.member++;
    if (attributeDim) {
        x->storedNumber = isDimension ? c.stored : c.stored++;
        return isStored(x->shareOption) && !otlImpliedShareTest(x);
    }
    uint32_t sharedNumber = 0;
    OtlItem *child = nullptr;
    if (isDimension) {
        const bool labelFirst = x->shareOption == OTL_SHARE_LABEL_ONLY && x->firstChild;
        x->storedNumber = labelFirst ? x->firstChild->storedNumber : c.stored;
        const bool implied = otlImpliedShare(x, &sharedNumber, &child);
        if (implied)
            x->storedNumber = sharedNumber;
        return isStored(x->shareOption) && !implied;
    }
    if (x->shareOption == OTL_SHARE_LABEL_ONLY) {
        x->storedNumber = x->firstChild ? x->firstChild->storedNumber : c.stored;
        return false;
    }
    if (otlImpliedShare(x, &sharedNumber, &child)) {
        x->storedNumber = sharedNumber;
        return false;
    }
    if (x->shareOption == OTL_SHARE_SHARED)
        return false;
    x->storedNumber = c.stored++;
    return true;
}

uint32_t dimensionKind(const OtlItem *d)
{
    if (d->dimensionCategory == OTL_CATEGORY_ATTRIBUTE)
        return 4;
    if (d->dimensionCategory == OTL_CATEGORY_ATTR_CALC)
        return 0;
    return d->attrRole == OTL_ATTR_ROLE_LINKED_BASE ? 3 : 1;
}

} // namespace

uint32_t countDimensions(const OtlOutline *outline)
{
    uint32_t count = 0;
    for (const OtlItem *d = outline->root ? outline->root->firstChild : nullptr; d; d = d->nextSibling)
        ++count;
    return count;
}

OtlStatus numberItems(OtlOutline *outline, const Numbering &how)
{
    OtlItem *root = outline->root;
    if (!root)
        return OTL_OK;
    OtlStatus status = how.hook ? how.hook(how.context, root, nullptr) : OTL_OK;
    if (status != OTL_OK)
        return status;
    root->dimensionNumber = root->memberNumber = root->storedNumber = kRootNumber;
    OtlFileStats &stats = outline->stats;
    if (how.counting)
        stats.baseDimCount = stats.memberCount = stats.storedMemberCount =
            stats.nonSharedMemberCount = 0;
    uint32_t k = 0;
    for (OtlItem *d = root->firstChild; d; d = d->nextSibling) {
        ++k;
        const bool attributeDim = d->dimensionTag == OTL_TAG_ATTRIBUTE;
        Counters c;
        postOrder(d, [&](OtlItem *x) {
            if (how.hook && (status = how.hook(how.context, x, d)) != OTL_OK)
                return false;
            const bool stored = assign(x, x == d, attributeDim, k, c);
            if (how.counting) {
                stats.memberCount++;
                stats.storedMemberCount += stored;
                stats.nonSharedMemberCount += x->shareOption != OTL_SHARE_SHARED;
            }
            return true;
        });
        if (status != OTL_OK)
            return status;
        if (how.highestStored)
            how.highestStored[k - 1] = c.stored - 1;
        if (!how.counting)
            continue;
        OtlDimStats &entry = stats.dimStats[k - 1];
        const bool labelWithChildren =
            !attributeDim && d->shareOption == OTL_SHARE_LABEL_ONLY && d->firstChild;
        entry.storedMemberCount = labelWithChildren ? c.stored - 1 : d->storedNumber;
        entry.memberCount = d->memberNumber;
        entry.dimensionKind = dimensionKind(d);
        entry.recordOffset = d->recordOffset;
        stats.baseDimCount += entry.dimensionKind == 1 || entry.dimensionKind == 3;
    }
    return OTL_OK;
}

OtlStatus buildDimTable(OtlOutline *outline)
{
    const OtlHostContext *host = outline->host;
    const uint32_t count = countDimensions(outline);
    if (outline->stats.dimCount == 0)
        outline->stats.dimCount = count;
    if (count == 0)
        return OTL_OK;
    if (outline->dimTableSize != count) {
        hostRelease(host, &outline->dimTable);
        outline->dimTableSize = 0;
        OtlStatus status = hostNewArray(host, count, &outline->dimTable);
        if (status != OTL_OK)
            return status;
    }
    if (!outline->stats.dimStats) {
        OtlStatus status = hostNewArray(host, count, &outline->stats.dimStats);
        if (status != OTL_OK)
            return status;
    }
    uint32_t k = 0;
    for (OtlItem *d = outline->root->firstChild; d; d = d->nextSibling)
        outline->dimTable[k++] = d;
    outline->dimTableSize = count;
    return OTL_OK;
}

} // namespace otl
