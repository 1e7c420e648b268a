/*
 * Marking members for a later marked deletion. A mark is a plain field of
 * the item that only the marking operations set: setting one is not an
 * edit, so nothing is refused in field-access mode, logged or taken back,
 * and `verified` stays.
 */
#include "hash.h"
#include "tree.h"

extern "C" OTL_API OtlStatus adShrOtlMarkDim(OtlOutline *outline, const char *name)
{
    OtlItem *member = otl::memberNamed(outline, name);
    if (!member)
        return OTL_OK;
    // A dimension goes alone; a member takes the siblings after it along.
    const OtlItem *top = member->generation == 1 ? member : member->parent;
    for (OtlItem *x = member; x; x = otl::nextInSubtree(x, top))
        x->marked = 1;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlMarkMbrByHandle(OtlOutline *outline, OtlItem *member,
                                                     uint8_t mark)
{
    (void)outline;
    if (member)
        member->marked = mark;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlMarkMbr(OtlOutline *outline, const char *name, uint8_t mark)
{
    return adShrOtlMarkMbrByHandle(outline, otl::memberNamed(outline, name), mark);
}
