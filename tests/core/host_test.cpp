// The host context: both calling modes of every callback, arrays, string
// copies, the field-mask test and the comparisons.
#include "core/alloc.h"
#include "core/host.h"
#include "support/outline.h"

using test::TestHost;

TEST(HostCallbacks, EachCallbackUsesItsOwnModeAndPassesFailuresThrough)
{
    for (int mask = 0; mask < 8; ++mask) {
        const uint8_t a = (mask & 1) ? 1 : 7, r = (mask & 2) ? 1 : 0, f = (mask & 4) ? 1 : 2;
        TestHost host(a, r, f);
        void *block = nullptr;
        host.failAt(1, 7);
        EXPECT_EQ(otl::hostAlloc(host.ctx(), 8, &block), 7u);
        EXPECT_EQ(block, nullptr);
        ASSERT_EQ(otl::hostAlloc(host.ctx(), 16, &block), OTL_OK);
        void *old = block;
        host.failAt(1, 1234567);
        EXPECT_EQ(otl::hostRealloc(host.ctx(), 800, &block), 1234567u);
        EXPECT_EQ(block, old);
        ASSERT_EQ(otl::hostRealloc(host.ctx(), 64, &block), OTL_OK);
        EXPECT_EQ(host.blockSize(block), 64u);
        EXPECT_EQ(adShrOtlFree(host.ctx(), block), OTL_OK);
        EXPECT_EQ(adShrOtlFree(host.ctx(), nullptr) + adShrOtlFree(nullptr, block), OTL_OK);
        EXPECT_EQ(host.allocCalls(a == 1), 2u);
        EXPECT_EQ(host.reallocCalls(r == 1), 2u);
        EXPECT_EQ(host.freeCalls(f == 1), 1u);
        EXPECT_EQ(host.liveBlocks(), 0u);
        EXPECT_TRUE(host.errors().empty());
    }
}

TEST(HostContext, ArraysStringCopiesAndComparisons)
{
    TestHost host;
    uint64_t *array = nullptr;
    EXPECT_EQ(otl::hostNewArray(host.ctx(), UINT64_C(1) << 62, &array), otl::kStatusTooLarge);
    EXPECT_EQ(otl::hostNewArray(host.ctx(), UINT32_MAX, &array), otl::kStatusTooLarge);
    EXPECT_EQ(host.allocations(), 0u);
    ASSERT_EQ(otl::hostNewArray(host.ctx(), 3, &array), OTL_OK);
    EXPECT_EQ(array[0] | array[1] | array[2], 0u);
    array[2] = 9;
    ASSERT_EQ(otl::hostResizeArray(host.ctx(), &array, 3, 6), OTL_OK);
    EXPECT_EQ(array[2], 9u);
    EXPECT_EQ(array[3] | array[4] | array[5], 0u);
    otl::hostRelease(host.ctx(), &array);
    EXPECT_EQ(array, nullptr);
    // String copies are whole, however long; empty and absent texts are not stored.
    for (const std::string &text : {std::string("abc"), std::string(70000, 'x')}) {
        char *copy = nullptr;
        ASSERT_EQ(otlDupString(host.ctx(), text.c_str(), &copy), OTL_OK);
        EXPECT_EQ(copy, text);
        EXPECT_EQ(host.blockSize(copy), text.size() + 1);
        adShrOtlFree(host.ctx(), copy);
    }
    host.failAt(1, 7);
    for (const char *text : {"", static_cast<const char *>(nullptr), "abc"}) {
        char *copy = reinterpret_cast<char *>(1);
        EXPECT_EQ(otlDupString(host.ctx(), text, &copy), text && *text ? 7u : OTL_OK);
        EXPECT_EQ(copy, nullptr);
    }
    EXPECT_EQ(host.liveBlocks(), 0u);
    // Both comparisons read the texts in the host's code page.
    EXPECT_LT(otlCompareCase(host.ctx(), "Sales", "sales"), 0);
    EXPECT_EQ(otlCompareNoCase(host.ctx(), "Sales", "sALES"), 0);
    EXPECT_NE(otlCompareNoCase(host.ctx(), "caf\xE9", "CAF\xC9"), 0) << "not UTF-8";
    host.mutableCtx()->localeHandle = test::localeOf("windows-1252");
    EXPECT_EQ(otlCompareNoCase(host.ctx(), "caf\xE9", "CAF\xC9"), 0);
    EXPECT_LT(otlCompareCase(host.ctx(), "caf\xC9", "caf\xE9"), 0);
}

// The top bit of a field id selects the second mask word, never a field.
TEST(FieldFlag, TopBitSelectsTheSecondWord)
{
    const uint32_t second[2] = {0, 2}, first[2] = {0x8000, 0}, top[2] = {0x80000000u, 0x80000000u};
    EXPECT_TRUE(otlTestFieldFlag(0x80000002u, second));
    EXPECT_FALSE(otlTestFieldFlag(2, second));
    EXPECT_TRUE(otlTestFieldFlag(0x8001, first));
    EXPECT_FALSE(otlTestFieldFlag(0x80008000u, first));
    EXPECT_FALSE(otlTestFieldFlag(0x80000000u, top));
}
