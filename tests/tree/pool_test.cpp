// The item pool: block sizes from the file size, doubling growth, cleared
// items, and failures on the start and on growth.
#include "core/tree.h"
#include "support/outline.h"

#include <cstring>
#include <vector>

using Pool = test::OutlineTest;

namespace {

// Block sizes in items, from the oldest to the newest.
std::vector<uint32_t> blockSizes(const test::TestHost &host, const OtlOutline *o)
{
    std::vector<uint32_t> sizes;
    for (const OtlPoolBlock *b = o->itemPool; b; b = b->next)
        sizes.insert(sizes.begin(),
                     static_cast<uint32_t>(host.blockSize(b->items) / sizeof(OtlItem)));
    return sizes;
}

} // namespace

TEST_F(Pool, BlocksStartFromTheFileSizeThenDoubleAndFailuresChangeNothing)
{
    OtlItem *item = sentinelItem(); // no pool, no item
    EXPECT_EQ(otlPoolItem(o, &item), OTL_ERR_GENERIC);
    EXPECT_EQ(item, nullptr);
    const struct {
        uint32_t fileSize, items;
    } cases[] = {{0, 100}, {532000, 100}, {1064000, 200}, {1063999, 199}}; // truncated
    for (const auto &c : cases) {
        ASSERT_EQ(otlStartPool(o, c.fileSize), OTL_OK);
        EXPECT_EQ(blockSizes(host, o), std::vector<uint32_t>{c.items}) << c.fileSize;
        EXPECT_TRUE(o->itemPool->freeCount == c.items && o->itemPool->handedOut == 0);
        ASSERT_EQ(otlReleasePool(o), OTL_OK);
    }
    // A second start adds a block in front of the first.
    ASSERT_EQ(otlStartPool(o, 0), OTL_OK);
    ASSERT_EQ(otlStartPool(o, 1064000), OTL_OK);
    EXPECT_EQ(blockSizes(host, o), (std::vector<uint32_t>{100, 200}));
    ASSERT_EQ(otlReleasePool(o), OTL_OK);
    const size_t blocks = host.liveBlocks();
    EXPECT_EQ(test::sweepAllocations(
                  host, [&] { return otlStartPool(o, 0); },
                  [&](uint64_t n) {
                      EXPECT_EQ(o->itemPool, nullptr) << n;
                      EXPECT_EQ(host.liveBlocks(), blocks) << n;
                  }),
              2u); // header, item array
    std::vector<OtlItem *> items(800);
    for (OtlItem *&pooled : items) {
        ASSERT_EQ(otlPoolItem(o, &pooled), OTL_OK);
        EXPECT_EQ(pooled->pooled, 1);
    }
    EXPECT_EQ(blockSizes(host, o), (std::vector<uint32_t>{100, 100, 200, 400}));
    EXPECT_TRUE(o->itemPool->handedOut == 400 && o->itemPool->freeCount == 0);
    EXPECT_EQ(o->itemPoolGrowth, 8u);
    EXPECT_EQ(items[300], &o->itemPool->next->items[100]); // handed out in order
    OtlItem blank{};
    blank.pooled = 1;
    EXPECT_EQ(memcmp(items[300], &blank, sizeof blank), 0);

    const OtlPoolBlock *full = o->itemPool;
    item = nullptr;
    EXPECT_EQ(test::sweepAllocations(
                  host, [&] { return otlPoolItem(o, &item); },
                  [&](uint64_t n) {
                      EXPECT_EQ(item, nullptr) << n;
                      EXPECT_EQ(o->itemPool, full) << n;
                      EXPECT_EQ(o->itemPoolGrowth, 8u) << n;
                      EXPECT_EQ(host.liveBlocks(), blocks + 8) << n;
                  }),
              2u);
    EXPECT_EQ(blockSizes(host, o), (std::vector<uint32_t>{100, 100, 200, 400, 800}));
    EXPECT_EQ(o->itemPoolGrowth, 16u);
}
