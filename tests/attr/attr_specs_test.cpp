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

// Setting the naming: each refusal in its order changes nothing; a clash
// met half-way takes every rename back; a change renames exactly the
// members whose names it shapes, and the calculations names follow.
TEST_F(AttrSpecs, SettingRenamesTheMembersItShapesOrNothing)
{
    OtlItem *last = dim("Base");
    for (auto [name, type] : {std::pair{"Size", OTL_ATTR_NUMERIC}, {"Flag", OTL_ATTR_BOOLEAN}, {"Colour", OTL_ATTR_TEXT}}) {
        OtlMbrInfo i = test::attrInfo(name, type);
        i.storageType = 1, i.dimensionCategory = 12;
        last = dim(i, last);
        add(test::attrInfo(type == OTL_ATTR_BOOLEAN ? "True" : type == OTL_ATTR_TEXT ? "Red" : "10", type),
            type == OTL_ATTR_NUMERIC ? add(test::attrInfo("Small", OTL_ATTR_NONE), last) : last);
    }
    OtlAttrSpecs *owned = nullptr;
    ASSERT_EQ(adShrOtlGetAttributeSpecifications(o, &owned), OTL_OK);
    const struct {
        const char *name;
        std::function<void(OtlAttrSpecs &)> change;
        OtlStatus status;
    } rows[] = {
        {"no sum name", [](OtlAttrSpecs &s) { s.sumName = const_cast<char *>(""), s.affixPosition = 2; }, OTL_ERR_ATTR_CALC_NAME_MISSING},
        {"count named as a member", [](OtlAttrSpecs &s) { s.countName = const_cast<char *>("SMALL"); }, OTL_ERR_ATTR_CALC_NAME_USED},
        {"affix", [](OtlAttrSpecs &s) { s.affixPosition = 2, s.nameFormat = 5; }, OTL_ERR_SPEC_AFFIX},
        {"format", [](OtlAttrSpecs &s) { s.nameFormat = 5, s.separator = 3; }, OTL_ERR_SPEC_NAME_FORMAT},
        {"separator", [](OtlAttrSpecs &s) { s.separator = 3, s.dateFormat = 2; }, OTL_ERR_SPEC_SEPARATOR},
        {"date format", [](OtlAttrSpecs &s) { s.dateFormat = 2, s.extraChoice = 2; }, OTL_ERR_SPEC_DATE_FORMAT},
        {"extra choice", [](OtlAttrSpecs &s) { s.extraChoice = 2; }, OTL_ERR_SPEC_EXTRA},
        {"calculations named as a member", [](OtlAttrSpecs &s) { s.calcDimName = const_cast<char *>("base"); }, OTL_ERR_ATTR_CALC_NAME_CLASH},
        {"a rebuilt name taken", [&](OtlAttrSpecs &s) { s.nameFormat = 3; add("Flag_True", find("Base")); }, OTL_ERR_ATTR_REBUILT_NAME},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        OtlAttrSpecs s = *owned; // the caller's record: its texts are never taken over
        row.change(s);
        const std::string before = dump();
        EXPECT_EQ(adShrOtlSetAttributeSpecifications(o, &s), row.status);
        EXPECT_EQ(test::dumpDiff(before, dump()), "");
    }
    EXPECT_EQ(find("Size_Small_10"), nullptr) << "the first dimension's renames were taken back";
    OtlAttrSpecs s = *owned;
    s.nameFormat = OTL_NAME_FORMAT_ANCESTORS, s.separator = 1;
    s.trueName = const_cast<char *>("Yes"), s.calcDimName = const_cast<char *>("Calc"), s.sumName = const_cast<char *>("Total");
    o->changeLogEnabled = 1;
    ASSERT_EQ(adShrOtlSetAttributeSpecifications(o, &s), OTL_OK);
    for (const char *name : {"Size|Small|10", "Flag|Yes", "Red", "Calc", "Total", "Count"})
        EXPECT_NE(find(name), nullptr) << name;
    EXPECT_EQ(test::logLength(o), 4u) << "each rename logged";
    EXPECT_EQ(textsOf(o->attrSpecs)[0], "Yes");
    EXPECT_NE(+o->attrSpecs.trueName, +s.trueName);
    EXPECT_EQ(adShrOtlFreeAttrSpecs(host.ctx(), owned), OTL_OK);
}
