/*
 * Sorting the children of a member, or the dimensions, by name, by value or
 * by the caller's comparison.
 *
 * Only the order of one sibling chain changes: the parent, generations and
 * levels stay, and so do the name hash and the change log. The sort reads
 * as every edit does: refusals, the one allocation (the work array), then
 * applies that cannot fail. The tree keeps its links while the comparisons
 * run; the chain is relinked once, in the sorted order.
 */
#include "edit/sort.h"
#include "core/alloc.h"
#include "core/host.h"
#include "core/records.h"
#include "core/tree.h"

#include <string.h>

namespace {

template <class T>
int32_t ordered(T a, T b)
{
    return a < b ? -1 : b < a ? 1 : 0;
}

// Leaf members of an attribute dimension that hold numbers or dates of the
// same type sort by value, so that 9 comes before 10.
bool byValue(const OtlItem *a, const OtlItem *b)
{
    return a->dimensionTag == OTL_TAG_ATTRIBUTE && b->dimensionTag == OTL_TAG_ATTRIBUTE &&
           !a->firstChild && !b->firstChild && a->attrValueType == b->attrValueType &&
           (a->attrValueType == OTL_ATTR_NUMERIC || a->attrValueType == OTL_ATTR_DATE);
}

int32_t compareValues(const OtlItem *a, const OtlItem *b)
{
    if (a->attrValueType == OTL_ATTR_NUMERIC) {
        double x = 0, y = 0;
        memcpy(&x, a->attrValue, sizeof x);
        memcpy(&y, b->attrValue, sizeof y);
        return ordered(x, y);
    }
    uint32_t x = 0, y = 0; // a date's seconds, as an unsigned number
    memcpy(&x, a->attrValue, sizeof x);
    memcpy(&y, b->attrValue, sizeof y);
    return ordered(x, y);
}

int32_t compareByName(const OtlOutline *outline, const OtlItem *a, const OtlItem *b)
{
    const int32_t names = outline->caseSensitive
                              ? strncmp(a->memberName, b->memberName, OTL_NAME_SIZE)
                              : otlCompareNoCase(outline->host, a->memberName, b->memberName);
    if (names != 0)
        return names;
    const bool sharedA = a->shareOption == OTL_SHARE_SHARED;
    const bool sharedB = b->shareOption == OTL_SHARE_SHARED;
    return sharedA == sharedB ? 0 : sharedA ? -1 : 1;
}

struct Range {
    int64_t lo, hi;
};

// One partition of lo .. hi (lo < hi) around the middle element's value;
// the two parts that remain to be sorted.
void partition(OtlItem **items, Range range, OtlCompareFn compare, void *context, Range *left,
               Range *right)
{
    OtlItem *const pivot = items[(range.lo + range.hi) / 2];
    int64_t i = range.lo - 1;
    int64_t j = range.hi + 1;
    for (;;) {
        // The bounds only matter to a comparison that is no order: with an
        // order, the pivot's value stops both scans inside the range.
        do
            ++i;
        while (i < range.hi && compare(items[i], pivot, context) < 0);
        do
            --j;
        while (j > range.lo && compare(items[j], pivot, context) > 0);
        if (j <= i)
            break;
        OtlItem *swapped = items[i];
        items[i] = items[j];
        items[j] = swapped;
    }
    if (i == j) {
        *left = {range.lo, j - 1};
        *right = {i + 1, range.hi};
    } else {
        *left = {range.lo, j};
        *right = {i, range.hi};
    }
}

} // namespace

int32_t otlCompareMembers(OtlItem *first, OtlItem *second, void *outline)
{
    const OtlOutline *o = static_cast<const OtlOutline *>(outline);
    const OtlItem *a = o->sortDirection == OTL_SORT_DESCENDING ? second : first;
    const OtlItem *b = a == first ? second : first;
    return byValue(a, b) ? compareValues(a, b) : compareByName(o, a, b);
}

OtlStatus otlQuickSort(OtlItem **items, uint32_t count, OtlCompareFn compare, void *context,
                       uint32_t stackSize)
{
    Range stack[otl::kSortStackSize];
    const uint32_t capacity = stackSize < otl::kSortStackSize ? stackSize : otl::kSortStackSize;
    uint32_t pending = 0;
    Range range{0, static_cast<int64_t>(count) - 1};
    for (;;) {
        if (range.lo < range.hi) {
            Range left{}, right{};
            partition(items, range, compare, context, &left, &right);
            // The longer part waits (the left one of two as long), the
            // shorter goes on: that bounds the ranges waiting.
            const bool leftWaits = left.hi - left.lo >= right.hi - right.lo;
            if (pending == capacity)
                return OTL_ERR_GENERIC;
            stack[pending++] = leftWaits ? left : right;
            range = leftWaits ? right : left;
            continue;
        }
        if (pending == 0)
            return OTL_OK;
        range = stack[--pending];
    }
}

namespace {

// Whether verification reads the order of this parent's children. It reads
// two orders of siblings only: the dimensions' (attribute dimensions after
// the base ones, the calculations dimension last) and the members' of
// attribute and calculations dimensions (a two-valued dimension's members,
// the calculation members in their fixed order).
bool orderIsVerified(const OtlItem *parent)
{
    const OtlItem *dimension = otlGetDim(const_cast<OtlItem *>(parent));
    return !dimension || otl::isAttrTag(dimension->dimensionTag);
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlSortChildren(OtlOutline *outline, OtlItem *parent,
                                                  uint16_t order, OtlCompareFn compare,
                                                  void *context)
{
    // Refusals.
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    if (order > OTL_SORT_CUSTOM)
        return OTL_ERR_SORT_ORDER;
    if (order == OTL_SORT_CUSTOM && !compare)
        return OTL_ERR_SORT_NO_COMPARE;
    if (!parent)
        parent = outline->root;
    const uint32_t count = otlCountChildren(parent);
    if (count == 0)
        return OTL_OK;

    // Prepare: the work array.
    OtlItem **items = nullptr;
    if (OtlStatus status = otl::hostNewArray(outline->host, count, &items))
        return status;

    // Applies.
    uint32_t n = 0;
    for (OtlItem *child = parent->firstChild; child; child = child->nextSibling)
        items[n++] = child;
    OtlStatus sorted = OTL_OK;
    if (order == OTL_SORT_CUSTOM) {
        sorted = otlQuickSort(items, count, compare, context);
    } else {
        outline->sortDirection = order;
        sorted = otlQuickSort(items, count, otlCompareMembers, outline);
    }
    parent->firstChild = items[0];
    for (uint32_t k = 0; k < count; ++k) {
        items[k]->prevSibling = k > 0 ? items[k - 1] : nullptr;
        items[k]->nextSibling = k + 1 < count ? items[k + 1] : nullptr;
    }
    otl::hostRelease(outline->host, &items);
    OtlItem *dimension = parent->generation == 0 ? parent->firstChild : otlGetDim(parent);
    dimension->dimChanged = 1;
    // Any other order of siblings is nothing verification checks: an
    // outline that passed passes again, so `verified` stays. A sort of an
    // order it reads may break what passed.
    if (orderIsVerified(parent))
        outline->verified = 0;
    return sorted;
}
