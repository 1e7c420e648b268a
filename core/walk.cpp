/*
 * The exported tree walks. While the host has the outline in field-access
 * mode the walks refuse, and the four item walks leave their result as it
 * was; the universe member is never handed out.
 */
#include "tree.h"

extern "C" OTL_API OtlItem *otlGetDim(OtlItem *item)
{
    if (!item || item->generation == 0)
        return nullptr;
    OtlItem *current = item;
    while (current->generation > 1 && current->parent)
        current = current->parent;
    return current;
}

extern "C" OTL_API OtlStatus adShrOtlGetFirstMember(OtlOutline *outline, OtlItem **result)
{
    *result = nullptr;
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    *result = outline->root ? outline->root->firstChild : nullptr;
    return OTL_OK;
}

namespace {

// Runs one step of a walk unless the outline is in field-access mode.
template <class Step>
OtlStatus walk(OtlOutline *outline, OtlItem *item, OtlItem **result, Step step)
{
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    *result = item ? step(item) : nullptr;
    return OTL_OK;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlGetChild(OtlOutline *outline, OtlItem *item,
                                              OtlItem **result)
{
    return walk(outline, item, result, [](OtlItem *i) { return i->firstChild; });
}

extern "C" OTL_API OtlStatus adShrOtlGetParent(OtlOutline *outline, OtlItem *item,
                                               OtlItem **result)
{
    return walk(outline, item, result, [](OtlItem *i) {
        return i->parent && i->parent->generation > 0 ? i->parent : nullptr;
    });
}

extern "C" OTL_API OtlStatus adShrOtlGetNextSibling(OtlOutline *outline, OtlItem *item,
                                                    OtlItem **result)
{
    return walk(outline, item, result, [](OtlItem *i) { return i->nextSibling; });
}

extern "C" OTL_API OtlStatus adShrOtlGetPrevSibling(OtlOutline *outline, OtlItem *item,
                                                    OtlItem **result)
{
    return walk(outline, item, result, [](OtlItem *i) { return i->prevSibling; });
}
