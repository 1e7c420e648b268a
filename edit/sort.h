/*
 * Ordering members: the iterative quicksort that sorting children and the
 * match list share, and the built-in comparison of members.
 */
#ifndef SHROTL_EDIT_SORT_H
#define SHROTL_EDIT_SORT_H

#include "shrotl.h"

namespace otl {
// The pending ranges the quicksort keeps. Pushing the longer part and going
// on with the shorter (at most half) keeps at most log2(count) of them, so
// no 32-bit count fills 99; tests pass a smaller stack to reach that case.
constexpr uint32_t kSortStackSize = 99;
} // namespace otl

// The built-in order in the outline's sortDirection (`outline` is the
// outline): leaf members of an attribute dimension with the same numeric or
// date value type by value, all others by name under the outline's case
// rule, a shared member before another of an equal name. Descending is the
// exact reverse.
int32_t otlCompareMembers(OtlItem *first, OtlItem *second, void *outline);

// Sorts items[0 .. count - 1]: OTL_OK, or OTL_ERR_GENERIC when a range to be
// kept finds the stack (of stackSize ranges, at most otl::kSortStackSize)
// full, the array then left as far as it got. A comparison that is no
// order cannot make it read outside the array.
OtlStatus otlQuickSort(OtlItem **items, uint32_t count, OtlCompareFn compare, void *context,
                       uint32_t stackSize = otl::kSortStackSize);

#endif
