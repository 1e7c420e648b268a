// Failure injection over every allocating operation of member information,
// comments and formulas, in both calling modes of the host's callbacks: the
// host's status comes back unchanged, out-parameters stay null, nothing
// leaks and the outline dump is as before.
#include "info/info_support.h"
#include "support/fixture.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

class InfoSweep : public ::testing::TestWithParam<uint8_t> {
protected:
    void SetUp() override
    {
        host = std::make_unique<test::TestHost>(GetParam(), GetParam(), GetParam());
        OtlOutlineInfo info{};
        ASSERT_EQ(adShrOtlNewOutline(host->ctx(), &info, &o), OTL_OK);
        s = infotest::buildSample(o);
        ASSERT_NE(s.red, nullptr);
        ASSERT_EQ(adShrOtlSetMemberFormula(o, s.east, "West + 1;"), OTL_OK);
        ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, "old remark"), OTL_OK);
        o->verified = 1;
    }
    void TearDown() override
    {
        adShrOtlCloseOutline(o);
        EXPECT_EQ(host->liveBlocks(), 0u);
        for (const std::string &e : host->errors())
            ADD_FAILURE() << e;
    }

    // Checks after a failed run: nothing leaked, the outline as before.
    auto unchanged()
    {
        const size_t blocks = host->liveBlocks();
        const std::string dump = test::dumpOutline(o);
        return [this, blocks, dump](uint64_t n) {
            EXPECT_EQ(host->liveBlocks(), blocks) << "allocation " << n;
            EXPECT_EQ(test::dumpOutline(o), dump) << "allocation " << n;
        };
    }

    // Sweeps a getter of one text; the output must stay null on failure.
    template <class Getter>
    uint64_t sweepGetter(Getter getter, OtlItem *member)
    {
        char *text = nullptr;
        auto check = unchanged();
        return test::sweepAllocations(
            *host,
            [&] {
                text = reinterpret_cast<char *>(8);
                OtlStatus status = getter(o, member, &text);
                if (status == OTL_OK)
                    adShrOtlFree(host->ctx(), text);
                return status;
            },
            [&](uint64_t n) {
                EXPECT_EQ(text, nullptr) << n;
                check(n);
            });
    }

    std::unique_ptr<test::TestHost> host;
    OtlOutline *o = nullptr;
    infotest::Sample s{};
};

} // namespace

TEST_P(InfoSweep, GetMemberInfoOfATextMember)
{
    OtlMbrInfo *info = nullptr;
    auto check = unchanged();
    const uint64_t points = test::sweepAllocations(
        *host,
        [&] {
            info = reinterpret_cast<OtlMbrInfo *>(8);
            OtlStatus status = adShrOtlGetMemberInfo(o, s.red, &info);
            if (status == OTL_OK)
                adShrOtlFreeMbrInfo(host->ctx(), 1, info);
            return status;
        },
        [&](uint64_t n) {
            EXPECT_EQ(info, nullptr) << n;
            check(n);
        });
    EXPECT_EQ(points, 2u) << "the record and its own copy of the text value";
}

TEST_P(InfoSweep, SetMemberInfoWithACommentAndATextValue)
{
    OtlMbrInfo *info = nullptr;
    ASSERT_EQ(adShrOtlGetMemberInfo(o, s.red, &info), OTL_OK);
    // A differing name sends the record through the attribute naming, which
    // copies the text value; the comment is copied into the member.
    std::strcpy(info->memberName, "Scarlet");
    std::strcpy(info->comment, "a colour");
    const uint64_t points =
        test::sweepAllocations(*host, [&] { return adShrOtlSetMemberInfo(o, s.red, info, 0); },
                               unchanged());
    EXPECT_GE(points, 2u);
    adShrOtlFreeMbrInfo(host->ctx(), 1, info);
    EXPECT_STREQ(s.red->comment, "a colour");
    EXPECT_STREQ(s.red->memberName, "Red");
    EXPECT_EQ(infotest::textValueOf(s.red->attrValue), "Red");
    EXPECT_EQ(o->verified, 0);
}

TEST_P(InfoSweep, SetMemberInfoReplacingAComment)
{
    OtlMbrInfo info = infotest::record("Sales");
    std::strcpy(info.comment, "first");
    ASSERT_EQ(adShrOtlSetMemberInfo(o, s.sales, &info, 0), OTL_OK);
    std::strcpy(info.comment, "second");
    info.timeBalance = 1;
    const uint64_t points = test::sweepAllocations(
        *host, [&] { return adShrOtlSetMemberInfo(o, s.sales, &info, 0); }, unchanged());
    EXPECT_EQ(points, 1u);
    EXPECT_STREQ(s.sales->comment, "second");
}

TEST_P(InfoSweep, CommentAndFormulaSetters)
{
    EXPECT_EQ(test::sweepAllocations(
                  *host, [&] { return adShrOtlSetMemberCommentEx(o, s.east, "new remark"); },
                  unchanged()),
              1u);
    EXPECT_STREQ(s.east->commentEx, "new remark");
    EXPECT_EQ(test::sweepAllocations(
                  *host, [&] { return adShrOtlSetMemberFormula(o, s.east, "West + 2;"); },
                  unchanged()),
              1u);
    EXPECT_STREQ(s.east->formula, "West + 2;");
}

TEST_P(InfoSweep, TextGetters)
{
    EXPECT_EQ(sweepGetter(adShrOtlGetMemberCommentEx, s.east), 1u);
    EXPECT_EQ(sweepGetter(adShrOtlGetMemberFormula, s.east), 1u);
    EXPECT_EQ(sweepGetter(adShrOtlGetMemberLastFormula, s.east), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothCallingModes, InfoSweep, ::testing::Values(uint8_t{0}, uint8_t{1}));
