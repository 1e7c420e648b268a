/*
 * Tree utilities: queries over the tree's shape that several subsystems
 * share. None of them allocates or changes the tree.
 */
#include "core/tree.h"

uint32_t otlCountChildren(const OtlItem *item)
{
    uint32_t count = 0;
    for (const OtlItem *c = item ? item->firstChild : nullptr; c; c = c->nextSibling)
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

bool otlIsInside(const OtlItem *item, const OtlItem *ancestor)
{
    for (const OtlItem *i = item; i; i = i->parent)
        if (i == ancestor)
            return true;
    return false;
}
