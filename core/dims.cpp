/*
 * Dimension queries for callers: counting dimensions and generations,
 * finding the last dimension of each kind and a member under a given
 * parent. Nothing here allocates or changes the outline, so none of them is
 * refused in field-access mode.
 */
#include "hash.h"
#include "host.h"
#include "tree.h"

namespace {

// The first leaf in pre-order of the greatest generation among `first`, the
// siblings after it and everything below them; null for no item.
OtlItem *deepestLeafFrom(OtlItem *first)
{
    OtlItem *best = nullptr;
    for (OtlItem *top = first; top; top = top->nextSibling) {
        OtlItem *leaf = otlDeepestLeaf(top);
        if (!best || leaf->generation > best->generation)
            best = leaf;
    }
    return best;
}

// From the first dimension, on while the next dimension's tag is not `stop`.
OtlItem *lastDimensionBefore(const OtlOutline *outline, uint16_t stop)
{
    OtlItem *dimension = outline->root ? outline->root->firstChild : nullptr;
    while (dimension && dimension->nextSibling && dimension->nextSibling->dimensionTag != stop)
        dimension = dimension->nextSibling;
    return dimension;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlCountDims(OtlOutline *outline, uint16_t *count)
{
    *count = static_cast<uint16_t>(otlCountChildren(outline->root));
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlFindDim(OtlOutline *outline, OtlItem *member,
                                             OtlItem **dimension)
{
    (void)outline;
    *dimension = otlGetDim(member);
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlCountGens(OtlOutline *outline, OtlItem *member,
                                               uint16_t *count)
{
    (void)outline;
    const OtlItem *leaf = deepestLeafFrom(member);
    *count = leaf ? leaf->generation : 0;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlFindParentLowMbr(OtlOutline *outline, const char *name,
                                                      char *parentName, uint16_t *generation)
{
    *generation = 0;
    OtlItem *member = otl::memberNamed(outline, name);
    if (!member)
        return OTL_ERR_GENERIC;
    const OtlItem *leaf = deepestLeafFrom(member);
    const OtlItem *named = leaf->generation > 1 && leaf->parent ? leaf->parent : leaf;
    otl::copyText(parentName, named->memberName, OTL_NAME_SIZE);
    *generation = leaf->generation;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlFindMemberParentCombo(OtlOutline *outline, const char *name,
                                                           const char *parentName,
                                                           OtlItem **member)
{
    *member = nullptr;
    return otlHashLookup(outline->host, outline, name, parentName, true, false, 0, nullptr,
                         member);
}

extern "C" OTL_API OtlStatus adShrOtlGetLastChild(OtlOutline *outline, OtlItem *item,
                                                  OtlItem **last)
{
    OtlItem *child = (item ? item : outline->root)->firstChild;
    while (child && child->nextSibling)
        child = child->nextSibling;
    *last = child;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlGetLastBaseDimension(OtlOutline *outline,
                                                          OtlItem **dimension)
{
    *dimension = lastDimensionBefore(outline, OTL_TAG_ATTRIBUTE);
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlGetLastAttrDimension(OtlOutline *outline,
                                                          OtlItem **dimension)
{
    *dimension = lastDimensionBefore(outline, OTL_TAG_ATTR_CALC);
    return OTL_OK;
}

extern "C" OTL_API OtlItem *otlGetBaseDimension(OtlItem *dimension)
{
    if (!dimension || dimension->generation != 1 || dimension->dimensionTag != OTL_TAG_ATTRIBUTE)
        return nullptr;
    return dimension->attrLink.attrDim.attrBaseDim;
}
