// Attribute specifications: the defaults, copies under the change-flag mask,
// copies handed to callers, and failure injection over each allocating call.
#include "attr/attr_specs.h"
#include "core/host.h"
#include "support/fixture.h"

#include <cstring>
#include <string>
#include <vector>

using test::HostTest;

namespace {

std::vector<std::string> textsOf(const OtlAttrSpecs &s)
{
    std::vector<std::string> out;
    for (const char *t : {s.trueName, s.falseName, s.calcDimName, s.sumName, s.countName,
                          s.averageName, s.minName, s.maxName})
        out.push_back(t ? t : "(null)");
    return out;
}

const std::vector<std::string> kDefaults = {"True", "False", "Attribute Calculations", "Sum",
                                            "Count", "Average", "Min", "Max"};

} // namespace

class AttrSpecs : public HostTest {
protected:
    // A record with scalars 1/2/1/1/1 and texts prefixed by `tag`.
    void fill(OtlAttrSpecs *s, const char *tag)
    {
        char *t[8] = {};
        for (size_t i = 0; i < 8; ++i)
            ASSERT_EQ(otlDupString(host.ctx(), (tag + kDefaults[i]).c_str(), &t[i]), OTL_OK);
        // The record is packed: its fields are assigned, never addressed.
        *s = OtlAttrSpecs{1, 2, 1, 1, 1, t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7]};
    }
};

TEST_F(AttrSpecs, DefaultsAreInstalledOnceAllTextsAreCopied)
{
    OtlOutline *o = newOutline();
    o->attrSpecs.nameFormat = 3;
    o->verified = 1;
    const std::string before = test::dumpOutline(o);
    const uint64_t points = test::sweepAllocations(
        host, [&] { return otlInitDefaultAttrSpecs(o); },
        [&](uint64_t n) { EXPECT_EQ(test::dumpOutline(o), before) << "allocation " << n; });
    EXPECT_EQ(points, 8u);
    EXPECT_EQ(textsOf(o->attrSpecs), kDefaults);
    EXPECT_EQ(+o->attrSpecs.nameFormat, 0);
    EXPECT_EQ(host.blockSize(o->attrSpecs.calcDimName), 23u);
    EXPECT_EQ(o->verified, 1) << "installing into an empty record changes no checked name";

    // Installing over held texts releases them (the fixture sees any leak).
    adShrOtlFreeAttrSpecsMembers(host.ctx(), &o->attrSpecs);
    fill(&o->attrSpecs, "x");
    ASSERT_EQ(otlInitDefaultAttrSpecs(o), OTL_OK);
    EXPECT_EQ(textsOf(o->attrSpecs), kDefaults);
    EXPECT_EQ(o->verified, 0);
    adShrOtlCloseOutline(o);
}

TEST_F(AttrSpecs, MaskSelectsWhichTextsAreReplaced)
{
    struct Case {
        uint8_t mask;
        std::vector<bool> replaced;
    };
    const Case cases[] = {
        {0, {0, 0, 0, 0, 0, 0, 0, 0}},
        {OTL_SPEC_TRUE_NAME, {1, 0, 0, 0, 0, 0, 0, 0}},
        {OTL_SPEC_FALSE_NAME, {0, 1, 0, 0, 0, 0, 0, 0}},
        {OTL_SPEC_CALC_NAMES, {0, 0, 1, 1, 1, 1, 1, 1}},
        {OTL_SPEC_NAMES | OTL_SPEC_AFFIX | OTL_SPEC_DATE_FORMAT, {0, 0, 0, 0, 0, 0, 0, 0}},
        {OTL_SPEC_ALL, {1, 1, 1, 1, 1, 1, 1, 1}},
    };
    for (const Case &c : cases) {
        OtlAttrSpecs from{}, to{};
        fill(&from, "new");
        fill(&to, "old");
        to.affixPosition = to.nameFormat = to.separator = to.dateFormat = to.extraChoice = 0;
        const char *oldTrue = to.trueName;
        ASSERT_EQ(adShrOtlCopyAttrSpecs(host.ctx(), &to, &from, c.mask), OTL_OK);
        EXPECT_EQ(to.affixPosition + to.nameFormat + to.separator + to.dateFormat + to.extraChoice, 6)
            << "scalars are copied under every mask";
        const std::vector<std::string> texts = textsOf(to);
        for (size_t i = 0; i < 8; ++i)
            EXPECT_EQ(texts[i], (c.replaced[i] ? "new" : "old") + kDefaults[i])
                << "mask " << +c.mask << " text " << i;
        EXPECT_EQ(host.owns(oldTrue), !c.replaced[0]) << "a replaced text is released";
        EXPECT_NE(+to.trueName, +from.trueName) << "texts are copied, never shared";
        adShrOtlFreeAttrSpecsMembers(host.ctx(), &from);
        adShrOtlFreeAttrSpecsMembers(host.ctx(), &to);
    }
}

TEST_F(AttrSpecs, CopyClearsTextsTheSourceLacksAndCopiesOntoItself)
{
    OtlAttrSpecs from{}, to{};
    fill(&to, "old");
    from.trueName = const_cast<char *>("Yes");
    ASSERT_EQ(adShrOtlCopyAttrSpecs(host.ctx(), &to, &from, OTL_SPEC_ALL), OTL_OK);
    EXPECT_STREQ(to.trueName, "Yes");
    EXPECT_EQ(+to.falseName, nullptr);
    EXPECT_EQ(+to.maxName, nullptr);
    ASSERT_EQ(adShrOtlCopyAttrSpecs(host.ctx(), &to, &to, OTL_SPEC_ALL), OTL_OK);
    EXPECT_STREQ(to.trueName, "Yes");
    adShrOtlFreeAttrSpecsMembers(host.ctx(), &to);
    EXPECT_EQ(+to.trueName, nullptr);
}

TEST_F(AttrSpecs, FailedCopyLeavesTheDestinationWhole)
{
    OtlAttrSpecs from{}, to{};
    fill(&from, "new");
    fill(&to, "old");
    to.nameFormat = 4;
    const OtlAttrSpecs saved = to;
    const uint64_t points = test::sweepAllocations(
        host, [&] { return adShrOtlCopyAttrSpecs(host.ctx(), &to, &from, OTL_SPEC_ALL); },
        [&](uint64_t n) {
            EXPECT_EQ(memcmp(&to, &saved, sizeof to), 0) << "allocation " << n;
            EXPECT_EQ(host.liveBlocks(), 16u) << "allocation " << n;
        });
    EXPECT_EQ(points, 8u);
    EXPECT_EQ(textsOf(to), textsOf(from));
    adShrOtlFreeAttrSpecsMembers(host.ctx(), &from);
    adShrOtlFreeAttrSpecsMembers(host.ctx(), &to);
}

TEST_F(AttrSpecs, CallersGetAnIndependentCopy)
{
    OtlOutline *o = newOutline();
    ASSERT_EQ(otlInitDefaultAttrSpecs(o), OTL_OK);
    o->attrSpecs.separator = 2;
    o->attrSpecs.dateFormat = 1;
    const std::string before = test::dumpOutline(o);
    const size_t liveBefore = host.liveBlocks();
    OtlAttrSpecs *copy = nullptr;
    const uint64_t points = test::sweepAllocations(
        host, [&] { return adShrOtlGetAttributeSpecifications(o, &copy); },
        [&](uint64_t n) {
            EXPECT_EQ(copy, nullptr) << "allocation " << n;
            EXPECT_EQ(host.liveBlocks(), liveBefore) << "allocation " << n;
            EXPECT_EQ(test::dumpOutline(o), before) << "allocation " << n;
        });
    EXPECT_EQ(points, 9u);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(host.blockSize(copy), sizeof(OtlAttrSpecs));
    EXPECT_EQ(copy->separator, 2);
    EXPECT_EQ(+copy->dateFormat, 1);
    EXPECT_EQ(textsOf(*copy), kDefaults);
    EXPECT_NE(+copy->sumName, +o->attrSpecs.sumName);
    EXPECT_EQ(adShrOtlFreeAttrSpecs(host.ctx(), copy), OTL_OK);
    EXPECT_EQ(adShrOtlFreeAttrSpecs(host.ctx(), nullptr), OTL_OK);
    adShrOtlCloseOutline(o);
}

TEST_F(AttrSpecs, SeparatorCharacters)
{
    OtlAttrSpecs s{};
    const char expected[] = {'_', '|', '^', '_', '_'};
    for (uint8_t v = 0; v < 5; ++v) {
        s.separator = v == 4 ? 255 : v;
        char c = 0;
        EXPECT_EQ(otlAttrSeparatorChar(&s, &c), v < 3);
        EXPECT_EQ(c, expected[v]);
    }
}
