/*
 * Listing user-defined attributes: a member's tags, and the distinct tags
 * of a dimension's members. Both hand out arrays of 81-byte slots; nothing
 * here changes the outline.
 */
#include "names/genlevel.h"
#include "core/alloc.h"
#include "core/host.h"
#include "core/tree.h"

#include "qvlapin.h"

namespace {

// The count a member listing hands out is 16 bits wide.
constexpr uint32_t kMaxListed = UINT16_MAX;

// The distinct tag texts met so far, pointing into the tags themselves:
// nothing changes while a listing runs.
struct TextSet {
    const OtlHostContext *host;
    const char **texts = nullptr;
    uint32_t count = 0;
    uint32_t capacity = 0;

    ~TextSet() { otl::hostRelease(host, &texts); }

    OtlStatus add(const OtlOutline *outline, const char *text)
    {
        for (uint32_t i = 0; i < count; ++i)
            if (otl::namesEqual(outline, texts[i], text))
                return OTL_OK;
        if (count == capacity) {
            const uint32_t grown = capacity ? capacity * 2 : 8;
            if (OtlStatus status = otl::hostResizeArray(host, &texts, capacity, grown))
                return status;
            capacity = grown;
        }
        texts[count++] = text;
        return OTL_OK;
    }
};

} // namespace

extern "C" OTL_API OtlStatus adShrOtlGetUserAttributes(OtlOutline *outline, OtlItem *item,
                                                       uint16_t *count, OtlNameSlot **slots)
{
    *count = 0;
    *slots = nullptr;
    if (item->fieldMaskActive == 1 && !otlTestFieldFlag(OTL_FIELD_USER_ATTRIBUTE, item->fieldMask))
        return OTL_ERR_FIELD_MASK;
    uint32_t nodes = 0;
    for (const OtlUserAttr *u = item->userAttributes; u && nodes < kMaxListed; u = u->next)
        ++nodes;
    if (nodes == 0)
        return OTL_OK;
    OtlNameSlot *list = nullptr;
    if (OtlStatus status = otl::hostNewArray(outline->host, nodes, &list))
        return status;
    // A tag without text takes no slot: the empty slots gather at the end.
    uint32_t filled = 0;
    for (const OtlUserAttr *u = item->userAttributes; u && filled < nodes; u = u->next)
        if (u->text)
            otl::copyNameSlot(outline->host, list[filled++], u->text);
    *count = static_cast<uint16_t>(nodes);
    *slots = list;
    return OTL_OK;
}

// The named member's subtree only, in pre-order: a dimension's tags are
// those of its own members, not of the dimensions after it.
extern "C" OTL_API OtlStatus adShrOtlGetDimensionUserAttributes(OtlOutline *outline,
                                                                OtlDimUdaRequest *request,
                                                                OtlDimUdaInfo *info,
                                                                OtlNameSlot **slots)
{
    *slots = nullptr;
    OtlItem *top = otlFindNamedMember(outline, request->dimensionName);
    if (!top)
        return OTL_ERR_DIM_NOT_FOUND;
    if (outline->fieldAccessMode)
        return otlGetSrvDimAttributes(outline->fileServiceHandle, request, info, slots);
    const OtlHostContext *host = outline->host;
    TextSet found{host};
    for (OtlItem *item = top; item; item = otl::nextInSubtree(item, top))
        for (const OtlUserAttr *u = item->userAttributes; u; u = u->next)
            if (u->text)
                if (OtlStatus status = found.add(outline, u->text))
                    return status;
    if (found.count == 0)
        return OTL_OK;
    OtlNameSlot *list = nullptr;
    if (OtlStatus status = otl::hostNewArray(host, found.count, &list))
        return status;
    for (uint32_t i = 0; i < found.count; ++i)
        otl::copyNameSlot(host, list[i], found.texts[i]);
    info->count = found.count;
    *slots = list;
    return OTL_OK;
}
