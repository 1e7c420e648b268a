// The host context: both calling modes of every callback, string copies,
// the field-mask test, adShrOtlFree and the trace.
#include "core/alloc.h"
#include "core/host.h"
#include "support/fixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <unistd.h>

using test::TestHost;

TEST(HostCallbacks, EachCallbackUsesItsOwnMode)
{
    for (int mask = 0; mask < 8; ++mask) {
        const uint8_t a = (mask & 1) ? 1 : 7, r = (mask & 2) ? 1 : 0, f = (mask & 4) ? 1 : 2;
        TestHost host(a, r, f);
        void *block = nullptr;
        ASSERT_EQ(otl::hostAlloc(host.ctx(), 16, &block), OTL_OK);
        ASSERT_EQ(otl::hostRealloc(host.ctx(), 64, &block), OTL_OK);
        otl::hostFree(host.ctx(), block);
        EXPECT_EQ(host.allocCalls(a == 1), 1u);
        EXPECT_EQ(host.allocCalls(a != 1), 0u);
        EXPECT_EQ(host.reallocCalls(r == 1), 1u);
        EXPECT_EQ(host.freeCalls(f == 1), 1u);
        EXPECT_EQ(host.freeCalls(f != 1), 0u);
        EXPECT_EQ(host.liveBlocks(), 0u);
        EXPECT_TRUE(host.errors().empty());
    }
}

TEST(HostCallbacks, FailuresPassThroughAndLeaveBlocksAlone)
{
    TestHost host(1, 1, 1);
    void *block = nullptr;
    host.failAt(1, 7);
    EXPECT_EQ(otl::hostAlloc(host.ctx(), 8, &block), 7u);
    EXPECT_EQ(block, nullptr);
    ASSERT_EQ(otl::hostAlloc(host.ctx(), 8, &block), OTL_OK);
    void *old = block;
    host.failAt(1, 1234567);
    EXPECT_EQ(otl::hostRealloc(host.ctx(), 800, &block), 1234567u);
    EXPECT_EQ(block, old);
    otl::hostFree(host.ctx(), block);
    EXPECT_EQ(host.liveBlocks(), 0u);
}

TEST(HostCallbacks, ArraysRefuseOverflowAndClear)
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
}

class DupString : public test::HostTest {};

TEST_F(DupString, EmptyAndAbsentTextsAreNotStored)
{
    char *copy = reinterpret_cast<char *>(1);
    EXPECT_EQ(otlDupString(host.ctx(), "", &copy), OTL_OK);
    EXPECT_EQ(copy, nullptr);
    copy = reinterpret_cast<char *>(1);
    EXPECT_EQ(otlDupString(host.ctx(), nullptr, &copy), OTL_OK);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(host.allocations(), 0u);
}

TEST_F(DupString, CopiesWithTerminatorAndPassesFailureThrough)
{
    char *copy = nullptr;
    ASSERT_EQ(otlDupString(host.ctx(), "abc", &copy), OTL_OK);
    EXPECT_STREQ(copy, "abc");
    EXPECT_EQ(host.blockSize(copy), 4u);
    adShrOtlFree(host.ctx(), copy);
    host.failAt(1, 7);
    copy = reinterpret_cast<char *>(1);
    EXPECT_EQ(otlDupString(host.ctx(), "abc", &copy), 7u);
    EXPECT_EQ(copy, nullptr);
}

TEST_F(DupString, LongTextsAreCopiedWhole)
{
    std::string big(70000, 'x');
    char *copy = nullptr;
    ASSERT_EQ(otlDupString(host.ctx(), big.c_str(), &copy), OTL_OK);
    EXPECT_EQ(std::string(copy), big);
    adShrOtlFree(host.ctx(), copy);
}

TEST(FieldFlag, TopBitSelectsTheSecondWord)
{
    const uint32_t mask[2] = {0, 2};
    EXPECT_TRUE(otlTestFieldFlag(0x80000002u, mask));
    EXPECT_FALSE(otlTestFieldFlag(2, mask));
    const uint32_t first[2] = {0x8000, 0};
    EXPECT_TRUE(otlTestFieldFlag(0x8001, first));
    EXPECT_FALSE(otlTestFieldFlag(0x80008000u, first));
    // The top bit itself is never a field bit.
    const uint32_t all[2] = {0x80000000u, 0x80000000u};
    EXPECT_FALSE(otlTestFieldFlag(0x80000000u, all));
}

TEST(Compare, CaseRuleOfTheTwoComparisons)
{
    TestHost host;
    EXPECT_NE(otlCompareCase(host.ctx(), "Sales", "sales"), 0);
    EXPECT_EQ(otlCompareNoCase(host.ctx(), "Sales", "sALES"), 0);
    EXPECT_LT(otlCompareNoCase(host.ctx(), "apple", "Banana"), 0);
    EXPECT_GT(otlCompareCase(host.ctx(), "b", "a"), 0);
}

TEST(Free, NullIsIgnoredAndBlocksGoThroughTheHostsMode)
{
    TestHost host(0, 0, 1);
    EXPECT_EQ(adShrOtlFree(host.ctx(), nullptr), OTL_OK);
    EXPECT_EQ(host.freeCalls(true) + host.freeCalls(false), 0u);
    void *block = nullptr;
    ASSERT_EQ(otl::hostAlloc(host.ctx(), 4, &block), OTL_OK);
    EXPECT_EQ(adShrOtlFree(host.ctx(), block), OTL_OK);
    EXPECT_EQ(host.freeCalls(true), 1u);
    EXPECT_EQ(host.liveBlocks(), 0u);
}

TEST(Trace, AppendsOneLinePerCallWhenEnabled)
{
    char path[] = "/tmp/shrotl-trace-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    setenv("SHROTL_TRACE", path, 1);
    otlTraceTime("otlReadOutline begin");
    otlTraceTime("otlReadOutline end");
    unsetenv("SHROTL_TRACE");
    otlTraceTime("not written");
    std::ifstream in(path);
    std::string line;
    const std::regex shape(R"( otlReadOutline (begin|end): \d\d:\d\d:\d\d )");
    int lines = 0;
    while (std::getline(in, line)) {
        EXPECT_TRUE(std::regex_match(line, shape)) << line;
        ++lines;
    }
    EXPECT_EQ(lines, 2);
    remove(path);
}

TEST(Trace, AnUnwritablePathIsIgnored)
{
    setenv("SHROTL_TRACE", "/nonexistent-dir/trace.out", 1);
    otlTraceTime("label");
    unsetenv("SHROTL_TRACE");
}
