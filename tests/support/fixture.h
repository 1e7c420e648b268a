// A test fixture that owns a TestHost and, when the test ends, fails on any
// leaked block or misuse of the callbacks.
#ifndef SHROTL_TEST_FIXTURE_H
#define SHROTL_TEST_FIXTURE_H

#include "support/dump.h"
#include "support/sweep.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

namespace test {

class HostTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(host.liveBlocks(), 0u) << "leaked blocks: " << host.liveBlocks();
        for (const std::string &e : host.errors())
            ADD_FAILURE() << e;
    }

    // A new outline with the given settings; fails the test when it cannot.
    OtlOutline *newOutline(uint8_t caseSensitive = 0, uint16_t type = 0, uint8_t autoConf = 0)
    {
        OtlOutlineInfo info{};
        info.caseSensitive = caseSensitive;
        info.outlineType = type;
        info.autoConfigure = autoConf;
        OtlOutline *outline = nullptr;
        EXPECT_EQ(adShrOtlNewOutline(host.ctx(), &info, &outline), OTL_OK);
        return outline;
    }

    TestHost host;
};

} // namespace test

#endif
