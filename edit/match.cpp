/*
 * The match list: for a dimension (any member, in fact), its members sorted
 * by name, so that the nearest name tells a parent. The slot array is made
 * once, one slot per dimension the outline has then, and never resized: a
 * dimension added later may find no free slot.
 *
 * A new list is allocated (with the slot array, the first time) before
 * anything is released or replaced, so a failed allocation leaves the list
 * as it was. The list holds item pointers: a deleted member must not be
 * looked for in a list made before it went. (The list is sorted as
 * children are, so it sits with the sort in the editing layer.)
 */
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"
#include "edit/sort.h"

namespace {

// The first slot that is free or holds the member's list, which a new list
// replaces; null when there is none.
OtlMatchSlot *slotFor(OtlMatchSlot *table, uint16_t count, const OtlItem *member)
{
    for (uint16_t i = 0; i < count; ++i)
        if (!table[i].dimension || table[i].dimension == member)
            return &table[i];
    return nullptr;
}

const OtlMatchSlot *listOf(const OtlOutline *outline, const OtlItem *member)
{
    for (uint16_t i = 0; outline->matchTable && i < outline->matchCount; ++i)
        if (outline->matchTable[i].dimension == member)
            return &outline->matchTable[i];
    return nullptr;
}

// The item of that name in the sorted list, else the last before it, else
// the first; null for an empty list.
OtlItem *nearest(const OtlOutline *outline, const OtlMatchSlot &slot, const char *name)
{
    int64_t lo = 0;
    int64_t hi = static_cast<int64_t>(slot.count) - 1;
    while (lo <= hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        const int32_t order = otl::compareNames(outline, slot.items[mid]->memberName, name);
        if (order == 0)
            return slot.items[mid];
        if (order < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return slot.count == 0 ? nullptr : slot.items[hi >= 0 ? hi : 0];
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlSetMatchDim(OtlOutline *outline, const char *dimensionName)
{
    const OtlHostContext *host = outline->host;
    OtlItem *member = otl::memberNamed(outline, dimensionName);
    if (!member)
        return OTL_ERR_GENERIC;

    // Prepares: the slot array the first time, then the list.
    OtlMatchSlot *table = outline->matchTable;
    uint16_t slots = outline->matchCount;
    if (!table) {
        slots = static_cast<uint16_t>(otlCountChildren(outline->root));
        if (slots == 0)
            return OTL_ERR_GENERIC; // no slot would be free
        if (OtlStatus status = otl::hostNewArray(host, slots, &table))
            return status;
    }
    OtlMatchSlot *slot = slotFor(table, slots, member);
    if (!slot)
        return OTL_ERR_GENERIC; // a new array has free slots: nothing to release
    const uint32_t count = 1 + otlCountNonShared(member->firstChild);
    OtlItem **items = nullptr;
    if (OtlStatus status = otl::hostNewArray(host, count, &items)) {
        if (table != outline->matchTable)
            otl::hostRelease(host, &table);
        return status;
    }

    // Applies: the member's old lists go, the new one is filled in
    // pre-order (the member first, shared members left out) and sorted.
    outline->matchTable = table;
    outline->matchCount = slots;
    for (uint16_t i = 0; i < slots; ++i)
        if (table[i].dimension == member)
            otl::hostRelease(host, &table[i].items), table[i] = OtlMatchSlot{};
    uint32_t n = 0;
    for (OtlItem *x = member; x; x = otl::nextInSubtree(x, member))
        if (x == member || x->shareOption != OTL_SHARE_SHARED)
            items[n++] = x;
    *slot = OtlMatchSlot{items, count, member};
    outline->sortDirection = OTL_SORT_ASCENDING;
    return otlQuickSort(items, count, otlCompareMembers, outline);
}

extern "C" OTL_API OtlStatus adShrOtlFindMatch(OtlOutline *outline, const char *memberName,
                                               const char *dimensionName, char *parentName)
{
    OtlItem *dimension = otl::memberNamed(outline, dimensionName);
    const OtlMatchSlot *slot = dimension ? listOf(outline, dimension) : nullptr;
    if (!slot)
        return OTL_ERR_GENERIC;
    const OtlItem *found = nearest(outline, *slot, memberName);
    if (!found)
        return OTL_OK;
    // The dimension has no parent to tell: its first child speaks for it.
    if (found == dimension)
        found = dimension->firstChild;
    const OtlItem *parent = found && found->parent ? found->parent : dimension;
    otl::copyText(parentName, parent->memberName, OTL_NAME_SIZE);
    return OTL_OK;
}
