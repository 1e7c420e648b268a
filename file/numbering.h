/*
 * The numbers the outline file speaks in, given by one pass that the reader
 * and the writer share: per item its dimension's number (dimensions counted
 * from 1 in order), its member number (post-order within the dimension, the
 * dimension last) and its stored number (the column or row it has in the
 * association matrices). Comments find their items by the first two, so
 * both sides must number alike; the stored numbers must agree for the
 * associations to come back.
 */
#ifndef SHROTL_FILE_NUMBERING_H
#define SHROTL_FILE_NUMBERING_H

#include "shrotl.h"

namespace otl {

// Runs for every item, right before the pass numbers it: the universe member
// first, then each dimension's members in post-order and the dimension
// itself last; `dimension` is null for the universe member. A status other
// than OTL_OK ends the pass and is returned.
using NumberHook = OtlStatus (*)(void *context, OtlItem *item, const OtlItem *dimension);

struct Numbering {
    // Counting form: the statistics' member counters and baseDimCount are
    // counted afresh and each dimension's dimStats entry is filled, so
    // dimStats must hold an entry per dimension.
    bool counting = false;
    NumberHook hook = nullptr;
    void *context = nullptr;
    // When set, one entry per dimension: the highest stored number given to
    // a member of it, the width its association-matrix rows need.
    uint32_t *highestStored = nullptr;
};

OtlStatus numberItems(OtlOutline *outline, const Numbering &how);

// The number of dimensions (children of the universe member).
uint32_t countDimensions(const OtlOutline *outline);

// The reader's dimension table: one slot per dimension in order, and a
// cleared dimStats array unless the statistics brought one.
OtlStatus buildDimTable(OtlOutline *outline);

// Visits `top`'s subtree in post-order, `top` last; stops when visit
// returns false. Iterative: a chain may be deeper than any stack.
template <class Visit>
bool postOrder(OtlItem *top, Visit visit)
{
    OtlItem *x = top;
    while (x->firstChild)
        x = x->firstChild;
    for (;;) {
        OtlItem *next = nullptr;
        if (x != top) {
            next = x->nextSibling;
            if (next)
                while (next->firstChild)
                    next = next->firstChild;
            else
                next = x->parent;
        }
        if (!visit(x))
            return false;
        if (x == top)
            return true;
        x = next;
    }
}

} // namespace otl

#endif
