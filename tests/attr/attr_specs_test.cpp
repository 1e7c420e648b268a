// Attribute specifications: the defaults, copies under the change-flag mask,
// copies handed to callers, and failure injection over each allocating call.
#include "support/outline.h"

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::vector<std::string> textsOf(const OtlAttrSpecs &s)
{
    std::vector<std::string> out;
    for (const char *t : {s.trueName, s.falseName, s.calcDimName, s.sumName, s.countName, s.averageName,
                          s.minName, s.maxName})
        out.push_back(t ? t : "(null)");
    return out;
}

const std::vector<std::string> kDefaults = {"True", "False", "Attribute Calculations", "Sum",
                                            "Count", "Average", "Min", "Max"};

class AttrSpecs : public test::OutlineTest {
protected:
    // A record with scalars 1/2/1/1/1 and texts prefixed by `tag`.
    OtlAttrSpecs filled(const char *tag)
    {
        char *t[8] = {};
        for (size_t i = 0; i < 8; ++i)
            t[i] = dup((tag + kDefaults[i]).c_str());
        return OtlAttrSpecs{1, 2, 1, 1, 1, t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7]};
    }
};

} // namespace

TEST_F(AttrSpecs, DefaultsAndCopiesTakeEveryTextWholeAndReplaceOnlyTheMaskedOnes)
{
    o->attrSpecs.nameFormat = 3;
    o->verified = 1;
    std::string before = dump();
    test::sweepAllocations(host, [&] { return otlInitDefaultAttrSpecs(o); },
                           [&](uint64_t n) { EXPECT_EQ(dump(), before) << "allocation " << n; });
    EXPECT_EQ(textsOf(o->attrSpecs), kDefaults);
    EXPECT_EQ(+o->attrSpecs.nameFormat, 0);
    EXPECT_EQ(+o->verified, 1) << "installing into an empty record changes no checked name";
    // Installing over held texts releases them (the fixture sees any leak).
    adShrOtlFreeAttrSpecsMembers(host.ctx(), &o->attrSpecs);
    o->attrSpecs = filled("x");
    ASSERT_EQ(otlInitDefaultAttrSpecs(o), OTL_OK);
    EXPECT_EQ(textsOf(o->attrSpecs), kDefaults);
    EXPECT_EQ(+o->verified, 0);
    EXPECT_EQ(otlInitDefaultAttrSpecs(nullptr), OTL_ERR_GENERIC);
    // Callers get a copy of their own.
    o->attrSpecs.separator = 2;
    o->attrSpecs.dateFormat = 1;
    before = dump();
    OtlAttrSpecs *copy = nullptr;
    test::sweepAllocations(host, [&] { return adShrOtlGetAttributeSpecifications(o, &copy); }, [&](uint64_t n) {
        EXPECT_EQ(copy, nullptr) << "allocation " << n;
        EXPECT_EQ(dump(), before) << "allocation " << n;
    });
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(host.blockSize(copy), sizeof(OtlAttrSpecs));
    EXPECT_EQ(copy->separator * 10 + copy->dateFormat, 21);
    EXPECT_EQ(textsOf(*copy), kDefaults);
    EXPECT_NE(+copy->sumName, +o->attrSpecs.sumName);
    EXPECT_EQ(adShrOtlFreeAttrSpecs(host.ctx(), copy), OTL_OK);
    EXPECT_EQ(adShrOtlFreeAttrSpecs(host.ctx(), nullptr), OTL_OK);
    copy = reinterpret_cast<OtlAttrSpecs *>(sentinelItem());
    EXPECT_EQ(adShrOtlGetAttributeSpecifications(nullptr, &copy), OTL_ERR_GENERIC);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(adShrOtlGetAttributeSpecifications(o, nullptr), OTL_ERR_GENERIC);
    // Copies replace the masked texts (bit i of `replaced`: text i), clear
    // what the source lacks and fail whole.
    const struct {
        uint8_t mask, replaced;
    } rows[] = {{0, 0}, {OTL_SPEC_TRUE_NAME, 1}, {OTL_SPEC_FALSE_NAME, 2}, {OTL_SPEC_CALC_NAMES, 0xFC},
                {OTL_SPEC_NAMES | OTL_SPEC_AFFIX | OTL_SPEC_DATE_FORMAT, 0}, {OTL_SPEC_ALL, 0xFF}};
    for (const auto &r : rows) {
        OtlAttrSpecs from = filled("new"), to = filled("old");
        to.affixPosition = to.nameFormat = to.separator = to.dateFormat = to.extraChoice = 0;
        const char *oldTrue = to.trueName;
        ASSERT_EQ(adShrOtlCopyAttrSpecs(host.ctx(), &to, &from, r.mask), OTL_OK);
        EXPECT_EQ(to.affixPosition + to.nameFormat + to.separator + to.dateFormat + to.extraChoice, 6)
            << "scalars are copied under every mask";
        for (size_t i = 0; i < 8; ++i)
            EXPECT_EQ(textsOf(to)[i], (r.replaced >> i & 1 ? "new" : "old") + kDefaults[i]) << +r.mask << " " << i;
        EXPECT_EQ(host.owns(oldTrue), !(r.replaced & 1)) << "a replaced text is released";
        EXPECT_NE(+to.trueName, +from.trueName) << "texts are copied, never shared";
        adShrOtlFreeAttrSpecsMembers(host.ctx(), &from);
        adShrOtlFreeAttrSpecsMembers(host.ctx(), &to);
    }
    // A copy clears what the source lacks.
    OtlAttrSpecs from{}, to = filled("old");
    from.trueName = const_cast<char *>("Yes");
    ASSERT_EQ(adShrOtlCopyAttrSpecs(host.ctx(), &to, &from, OTL_SPEC_ALL), OTL_OK);
    std::vector<std::string> expected(8, "(null)");
    expected[0] = "Yes";
    EXPECT_EQ(textsOf(to), expected);
    ASSERT_EQ(adShrOtlCopyAttrSpecs(host.ctx(), &to, &to, OTL_SPEC_ALL), OTL_OK);
    EXPECT_STREQ(to.trueName, "Yes");
    for (auto [h, d, s] : {std::tuple{static_cast<const OtlHostContext *>(nullptr), &to, &from},
                           std::tuple{host.ctx(), static_cast<OtlAttrSpecs *>(nullptr), &from},
                           std::tuple{host.ctx(), &to, static_cast<OtlAttrSpecs *>(nullptr)}})
        EXPECT_EQ(adShrOtlCopyAttrSpecs(h, d, s, OTL_SPEC_ALL), OTL_ERR_GENERIC);
    adShrOtlFreeAttrSpecsMembers(host.ctx(), &to);
    EXPECT_EQ(+to.trueName, nullptr);
    // A failed copy leaves the destination whole, scalars included.
    from = filled("new"), to = filled("old");
    to.nameFormat = 4;
    const OtlAttrSpecs saved = to;
    test::sweepAllocations(host, [&] { return adShrOtlCopyAttrSpecs(host.ctx(), &to, &from, OTL_SPEC_ALL); },
                           [&](uint64_t n) { EXPECT_EQ(memcmp(&to, &saved, sizeof to), 0) << "allocation " << n; });
    EXPECT_EQ(textsOf(to), textsOf(from));
    adShrOtlFreeAttrSpecsMembers(host.ctx(), &from);
    adShrOtlFreeAttrSpecsMembers(host.ctx(), &to);
}
