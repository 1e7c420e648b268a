// The item pool: block sizes from the file size and the doubling growth,
// pooled items, and failure injection on the start and on growth.
#include "support/fixture.h"
#include "tree/builder.h"

#include <vector>

class Pool : public test::HostTest {
protected:
    void SetUp() override { ASSERT_EQ(otlCreateOutlineData(host.ctx(), &o), OTL_OK); }
    void TearDown() override
    {
        otlFreeOutlineData(host.ctx(), o);
        HostTest::TearDown();
    }
    uint32_t itemsIn(const OtlPoolBlock *block) const
    {
        return static_cast<uint32_t>(host.blockSize(block->items) / sizeof(OtlItem));
    }
    // Block sizes from the oldest to the newest.
    std::vector<uint32_t> blockSizes() const
    {
        std::vector<uint32_t> sizes;
        for (const OtlPoolBlock *b = o->itemPool; b; b = b->next)
            sizes.insert(sizes.begin(), itemsIn(b));
        return sizes;
    }
    OtlOutline *o = nullptr;
};

TEST_F(Pool, FirstBlockIsSizedFromTheFile)
{
    ASSERT_EQ(otlStartPool(o, 0), OTL_OK);
    EXPECT_EQ(blockSizes(), std::vector<uint32_t>{100});
    EXPECT_EQ(o->itemPoolGrowth, 1u);
    EXPECT_EQ(o->itemPool->freeCount, 100u);
    EXPECT_EQ(o->itemPool->handedOut, 0u);
    ASSERT_EQ(otlReleasePool(o), OTL_OK);
    ASSERT_EQ(otlStartPool(o, 1064000), OTL_OK);
    EXPECT_EQ(blockSizes(), std::vector<uint32_t>{200});
    ASSERT_EQ(otlReleasePool(o), OTL_OK);
    ASSERT_EQ(otlStartPool(o, 1063999), OTL_OK); // truncated towards zero
    EXPECT_EQ(blockSizes(), std::vector<uint32_t>{199});
}

TEST_F(Pool, LaterBlocksDoubleFromOneHundred)
{
    ASSERT_EQ(otlStartPool(o, 0), OTL_OK);
    std::vector<OtlItem *> items;
    for (int i = 0; i < 401; ++i) {
        OtlItem *item = nullptr;
        ASSERT_EQ(otlPoolItem(o, &item), OTL_OK);
        EXPECT_EQ(item->pooled, 1);
        items.push_back(item);
        if (i == 100) {
            EXPECT_EQ(blockSizes(), (std::vector<uint32_t>{100, 100}));
        }
        if (i == 200) {
            EXPECT_EQ(blockSizes(), (std::vector<uint32_t>{100, 100, 200}));
        }
    }
    EXPECT_EQ(blockSizes(), (std::vector<uint32_t>{100, 100, 200, 400}));
    EXPECT_EQ(o->itemPool->handedOut, 1u);
    EXPECT_EQ(o->itemPool->freeCount, 399u);
    EXPECT_EQ(o->itemPoolGrowth, 8u);
    // Every item is distinct and cleared apart from its pool mark.
    for (size_t i = 1; i < items.size(); ++i)
        EXPECT_NE(items[i], items[i - 1]);
    OtlItem blank{};
    blank.pooled = 1;
    EXPECT_EQ(memcmp(items[300], &blank, sizeof blank), 0);
    // A released pooled item keeps its slot until the pool goes.
    otlFreeItem(o, items[5], 1);
    EXPECT_TRUE(host.owns(o->itemPool->items));
}

TEST_F(Pool, NoPoolGivesOne)
{
    OtlItem *item = reinterpret_cast<OtlItem *>(8);
    EXPECT_EQ(otlPoolItem(o, &item), OTL_ERR_GENERIC);
    EXPECT_EQ(item, nullptr);
}

TEST_F(Pool, StartAndGrowthSweptWithFailureInjection)
{
    const std::string before = test::dumpOutline(o);
    const size_t blocks = host.liveBlocks();
    const uint64_t points = test::sweepAllocations(
        host, [&] { return otlStartPool(o, 5000000); },
        [&](uint64_t n) {
            EXPECT_EQ(o->itemPool, nullptr) << n;
            EXPECT_EQ(host.liveBlocks(), blocks) << n;
        });
    EXPECT_EQ(points, 2u); // header, item array
    EXPECT_EQ(test::dumpOutline(o), before);

    OtlItem *item = nullptr;
    for (int i = 0; i < 939; ++i) // 5000000 x 7.5 / 39900 = 939 items
        ASSERT_EQ(otlPoolItem(o, &item), OTL_OK);
    const OtlPoolBlock *full = o->itemPool;
    ASSERT_EQ(full->freeCount, 0u);
    const uint64_t growth = test::sweepAllocations(
        host, [&] { return otlPoolItem(o, &item); },
        [&](uint64_t n) {
            EXPECT_EQ(item, nullptr) << n;
            EXPECT_EQ(o->itemPool, full) << n;
            EXPECT_EQ(o->itemPoolGrowth, 1u) << n;
            EXPECT_EQ(host.liveBlocks(), blocks + 2) << n;
        });
    EXPECT_EQ(growth, 2u);
    EXPECT_EQ(o->itemPoolGrowth, 2u);
}
