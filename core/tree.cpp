/*
 * Tree utilities: queries over the tree's shape that several subsystems
 * share. None of them allocates or changes the tree, and none recurses:
 * a generated file may hold a chain deeper than any stack.
 */
#include "hash.h"
#include "tree.h"

uint32_t otlCountChildren(const OtlItem *item)
{
    uint32_t count = 0;
    for (const OtlItem *c = item ? item->firstChild : nullptr; c; c = c->nextSibling)
        ++count;
    return count;
}

uint32_t otlCountNonShared(const OtlItem *first)
{
    uint32_t count = 0;
    const OtlItem *chainParent = first ? first->parent : nullptr;
    for (OtlItem *i = const_cast<OtlItem *>(first); i; i = otl::nextInChain(i, chainParent))
        if (i->shareOption != OTL_SHARE_SHARED)
            ++count;
    return count;
}

OtlItem *otlFindDimByTag(const OtlOutline *outline, uint16_t tag)
{
    for (OtlItem *d = outline->root ? outline->root->firstChild : nullptr; d; d = d->nextSibling)
        if (d->dimensionTag == tag)
            return d;
    return nullptr;
}

OtlItem *otlFirstTimeBalanced(const OtlOutline *outline)
{
    OtlItem *dimension = otlFindDimByTag(outline, OTL_TAG_ACCOUNTS);
    for (OtlItem *i = dimension; i; i = otl::nextInSubtree(i, dimension))
        if (i->timeBalance != 0)
            return i;
    return nullptr;
}

// Depth is counted from the walk rather than read from `generation`, so the
// answer follows the tree's shape even in a subtree still being linked.
OtlItem *otlDeepestLeaf(OtlItem *item)
{
    if (!item)
        return nullptr;
    OtlItem *best = item;
    uint32_t bestDepth = 0;
    uint32_t depth = 0;
    OtlItem *current = item;
    for (;;) {
        if (current->firstChild) {
            current = current->firstChild;
            ++depth;
            continue;
        }
        if (depth > bestDepth) { // strictly deeper: the first such leaf wins
            best = current;
            bestDepth = depth;
        }
        while (current != item && !current->nextSibling) {
            current = current->parent;
            --depth;
        }
        if (current == item)
            return best;
        current = current->nextSibling;
    }
}

// A subtree may move elsewhere only if no shared link crosses its border:
// every shared member in it has its source in it, and every source in it
// has all its shared members in it.
bool otlSubtreeClosedUnderSharing(OtlOutline *outline, OtlItem *subtree)
{
    for (OtlItem *x = subtree; x; x = otl::nextInSubtree(x, subtree)) {
        if (x->shareOption == OTL_SHARE_SHARED) {
            OtlItem *source = nullptr;
            otlHashLookup(outline->host, outline, x->memberName, nullptr, true, false, 0, nullptr,
                          &source);
            if (source && !otlIsInside(source, subtree))
                return false;
            continue;
        }
        OtlItem *copy = nullptr;
        for (int32_t at = otlHashFindShared(outline, x->memberName, -1, &copy); at >= 0;
             at = otlHashFindShared(outline, x->memberName, at + 1, &copy))
            if (!otlIsInside(copy, subtree))
                return false;
    }
    return true;
}

bool otlGoesWithSubtree(OtlOutline *outline, const OtlItem *item, const OtlItem *subtree)
{
    if (item->shareOption != OTL_SHARE_SHARED)
        return false;
    OtlItem *source = nullptr;
    otlHashLookup(outline->host, outline, item->memberName, nullptr, true, false, 0, nullptr,
                  &source);
    return source && otlIsInside(source, subtree);
}

bool otlIsInside(const OtlItem *item, const OtlItem *ancestor)
{
    for (const OtlItem *i = item; i; i = i->parent)
        if (i == ancestor)
            return true;
    return false;
}
