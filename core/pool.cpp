/*
 * Where items come from: one host allocation each, or, for outlines read
 * from a file, the item pool: one host allocation per block instead of one
 * per item. The first block is sized from the file, later
 * blocks hold 100, 200, 400, ... items. Items handed out are never given
 * back to a block; blocks go when the outline is torn down.
 */
#include "alloc.h"
#include "tree.h"

extern "C" OTL_API OtlStatus otlNewItem(const OtlHostContext *host, OtlItem **item)
{
    return otl::hostNew(host, item);
}

namespace {

constexpr uint32_t kPoolStep = 100;

// A new block of `items` cleared items; on failure nothing is kept.
OtlStatus newBlock(const OtlHostContext *host, uint32_t items, OtlPoolBlock **block)
{
    OtlPoolBlock *header = nullptr;
    OtlStatus status = otl::hostNew(host, &header);
    if (status != OTL_OK)
        return status;
    status = otl::hostNewArray(host, items, &header->items);
    if (status != OTL_OK) {
        otl::hostFree(host, header);
        return status;
    }
    header->freeCount = items;
    *block = header;
    return OTL_OK;
}

} // namespace

// The first block holds fileSize x 7.5 / 39900 items, at least 100: an
// estimate of the file's member count, so that most files need one block.
OtlStatus otlStartPool(OtlOutline *outline, uint32_t fileSize)
{
    uint64_t items = static_cast<uint64_t>(fileSize) * 75 / 399000;
    if (items < kPoolStep)
        items = kPoolStep;
    OtlPoolBlock *block = nullptr;
    OtlStatus status = newBlock(outline->host, static_cast<uint32_t>(items), &block);
    if (status != OTL_OK)
        return status;
    // Set only now, so that a failed start leaves the outline as it was.
    outline->itemPoolGrowth = 1;
    block->next = outline->itemPool;
    outline->itemPool = block;
    return OTL_OK;
}

OtlStatus otlPoolItem(OtlOutline *outline, OtlItem **item)
{
    *item = nullptr;
    if (!outline->itemPool)
        return OTL_ERR_GENERIC;
    if (outline->itemPool->freeCount == 0) {
        uint64_t items = static_cast<uint64_t>(outline->itemPoolGrowth) * kPoolStep;
        if (items > UINT32_MAX / sizeof(OtlItem))
            return otl::kStatusTooLarge;
        OtlPoolBlock *block = nullptr;
        OtlStatus status = newBlock(outline->host, static_cast<uint32_t>(items), &block);
        if (status != OTL_OK)
            return status;
        outline->itemPoolGrowth *= 2;
        block->next = outline->itemPool;
        outline->itemPool = block;
    }
    OtlPoolBlock *block = outline->itemPool;
    OtlItem *handed = &block->items[block->handedOut];
    block->freeCount--;
    block->handedOut++;
    handed->pooled = 1;
    *item = handed;
    return OTL_OK;
}

OtlStatus otlReleasePool(OtlOutline *outline)
{
    const OtlHostContext *host = outline->host;
    while (outline->itemPool) {
        OtlPoolBlock *block = outline->itemPool;
        OtlStatus status = otl::hostFree(host, block->items);
        if (status != OTL_OK)
            return status;
        block->items = nullptr;
        outline->itemPool = block->next;
        status = otl::hostFree(host, block);
        if (status != OTL_OK)
            return status;
    }
    return OTL_OK;
}
