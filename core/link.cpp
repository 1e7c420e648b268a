/*
 * Linking items into the tree and taking them out again. Generations are
 * renumbered downward from the point of change; levels are maintained
 * upward, stopping at the first ancestor that needs no change. Nothing here
 * recurses: a generated file may hold a chain deeper than any stack.
 */
#include "tree.h"

namespace {

// Height of a subtree computed from its shape, not from stored levels.
// Iterative, so a deep tree cannot exhaust the stack.
uint16_t shapeHeight(const OtlItem *top)
{
    if (!top->firstChild)
        return 0;
    uint32_t best = 0;
    uint32_t depth = 0;
    const OtlItem *current = top;
    for (;;) {
        if (current->firstChild) {
            current = current->firstChild;
            ++depth;
            if (depth > best)
                best = depth;
            continue;
        }
        while (current != top && !current->nextSibling) {
            current = current->parent;
            --depth;
        }
        if (current == top)
            break;
        current = current->nextSibling;
    }
    return static_cast<uint16_t>(best);
}

void raiseLevels(OtlItem *item)
{
    for (OtlItem *current = item; current->parent; current = current->parent) {
        if (current->parent->level > current->level)
            break;
        current->parent->level = static_cast<uint16_t>(current->level + 1);
    }
}


// Gives `top` generation g and its descendants g + 1, g + 2, ... in
// pre-order: a child gets its parent's generation + 1.
void renumberSubtree(OtlItem *top, uint16_t generation)
{
    top->generation = generation;
    OtlItem *current = top;
    for (;;) {
        if (current->firstChild) {
            current->firstChild->generation = static_cast<uint16_t>(current->generation + 1);
            current = current->firstChild;
            continue;
        }
        while (current != top && !current->nextSibling)
            current = current->parent;
        if (current == top)
            return;
        current->nextSibling->generation = current->generation;
        current = current->nextSibling;
    }
}

// A newly linked item joins a chain whose other members already carry the
// generation it gets (every linking operation keeps that true), so only the
// item's own subtree is renumbered, and the walk along the following
// siblings stops at the first one already right. Renumbering the whole
// chain each time would make prepending n children cost n^2.
void numberLinked(OtlItem *item, uint16_t generation)
{
    renumberSubtree(item, generation);
    for (OtlItem *s = item->nextSibling; s && s->generation != generation; s = s->nextSibling)
        renumberSubtree(s, generation);
}

} // namespace

void otlRenumberGenerations(OtlItem *first, uint16_t generation)
{
    for (OtlItem *top = first; top; top = top->nextSibling)
        renumberSubtree(top, generation);
}

extern "C" OTL_API void otlAddChildItem(OtlItem *parent, OtlItem *item, uint8_t updateLevels)
{
    if (!parent)
        return;
    item->parent = parent;
    item->nextSibling = parent->firstChild;
    parent->firstChild = item;
    if (item->nextSibling)
        item->nextSibling->prevSibling = item;
    numberLinked(item, static_cast<uint16_t>(parent->generation + 1));
    if (updateLevels)
        raiseLevels(item);
}

extern "C" OTL_API void otlAddSiblingItem(OtlItem *sibling, OtlItem *item, uint8_t updateLevels)
{
    if (!sibling)
        return;
    item->parent = sibling->parent;
    item->nextSibling = sibling->nextSibling;
    sibling->nextSibling = item;
    item->prevSibling = sibling;
    if (item->nextSibling)
        item->nextSibling->prevSibling = item;
    numberLinked(item, sibling->generation);
    if (updateLevels)
        raiseLevels(item);
}

void otlDetachItem(OtlItem *item, bool recomputeLevels)
{
    OtlItem *parent = item->parent;
    if (item->prevSibling)
        item->prevSibling->nextSibling = item->nextSibling;
    else if (parent && parent->firstChild == item)
        parent->firstChild = item->nextSibling;
    if (item->nextSibling)
        item->nextSibling->prevSibling = item->prevSibling;
    item->nextSibling = nullptr;
    item->prevSibling = nullptr;
    item->parent = nullptr;
    if (!recomputeLevels)
        return;
    for (OtlItem *ancestor = parent; ancestor; ancestor = ancestor->parent) {
        const uint16_t level = shapeHeight(ancestor);
        if (level == ancestor->level)
            break;
        ancestor->level = level;
    }
}

void otlRelinkItem(OtlItem *item, OtlItem *target, uint16_t mode)
{
    otlDetachItem(item, true);
    if (mode == otl::kLinkFirstChild) {
        otlAddChildItem(target, item, 1);
        if (target->generation == 0 && item->shareOption == OTL_SHARE_SHARED)
            item->shareOption = OTL_SHARE_STORE_DATA;
    } else {
        otlAddSiblingItem(target, item, 1);
        if (target->generation == 1 && item->shareOption == OTL_SHARE_SHARED)
            item->shareOption = OTL_SHARE_STORE_DATA;
    }
}

