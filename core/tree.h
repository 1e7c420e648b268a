/*
 * Items and the outline tree: allocation (single or pooled), the
 * linking primitives and the tree utilities the editing subsystems use.
 *
 * Invariants after every linking operation: children form a doubly linked
 * list under their parent's firstChild; generation is the parent's + 1
 * (0 for the universe member); level is 0 for a leaf, else 1 + the greatest
 * level among the children.
 */
#ifndef SHROTL_CORE_TREE_H
#define SHROTL_CORE_TREE_H

#include "records.h"

// Item pool (outlines read from a file).
OtlStatus otlStartPool(OtlOutline *outline, uint32_t fileSize);
OtlStatus otlPoolItem(OtlOutline *outline, OtlItem **item);
// Releases every pool block; stops at the first release that fails and
// returns its status.
OtlStatus otlReleasePool(OtlOutline *outline);

// Unlinks an item from its parent and siblings; with recomputeLevels, the
// levels of the former ancestors are recomputed from the tree's shape.
void otlDetachItem(OtlItem *item, bool recomputeLevels);
namespace otl {
// Position modes of otlRelinkItem and of a move.
constexpr uint16_t kLinkAfterSibling = 1; // right after the sibling target
constexpr uint16_t kLinkFirstChild = 2;   // as the first child of target
} // namespace otl

// Moves an item: otl::kLinkFirstChild links it as first child of target, any
// other mode after the sibling target. A shared item that lands at dimension
// level becomes an ordinary member (OTL_SHARE_STORE_DATA).
void otlRelinkItem(OtlItem *item, OtlItem *target, uint16_t mode);
// Gives `first` and its following siblings generation g, their descendants
// g + 1, g + 2, ...
void otlRenumberGenerations(OtlItem *first, uint16_t generation);

uint32_t otlCountChildren(const OtlItem *item);
// Items of the sibling chain from `first` and all their descendants whose
// shareOption is not OTL_SHARE_SHARED.
uint32_t otlCountNonShared(const OtlItem *first);
OtlItem *otlFindDimByTag(const OtlOutline *outline, uint16_t tag);
// First item, in pre-order of the OTL_TAG_ACCOUNTS dimension, with a time balance.
OtlItem *otlFirstTimeBalanced(const OtlOutline *outline);
// First leaf, in pre-order, of greatest generation below and including item.
OtlItem *otlDeepestLeaf(OtlItem *item);
// Whether every shared link that touches the subtree stays inside it.
bool otlSubtreeClosedUnderSharing(OtlOutline *outline, OtlItem *subtree);
// Whether the item is a shared member whose source lies in the subtree: a
// deletion of the subtree takes it along.
bool otlGoesWithSubtree(OtlOutline *outline, const OtlItem *item, const OtlItem *subtree);

// True when `item` is `ancestor` or lies below it.
bool otlIsInside(const OtlItem *item, const OtlItem *ancestor);

namespace otl {

// The item after `current` in pre-order of the subtree of `top` (top's own
// siblings excluded), or null. Iterative: depth is bounded only by memory.
inline OtlItem *nextInSubtree(OtlItem *current, const OtlItem *top)
{
    if (current->firstChild)
        return current->firstChild;
    for (; current && current != top; current = current->parent)
        if (current->nextSibling)
            return current->nextSibling;
    return nullptr;
}

// The item after `current` in pre-order of a sibling chain whose items hang
// under `chainParent` (null for a detached chain), or null: the subtree walk
// with the chain's parent as its top.
inline OtlItem *nextInChain(OtlItem *current, const OtlItem *chainParent)
{
    return nextInSubtree(current, chainParent);
}

} // namespace otl

#endif
