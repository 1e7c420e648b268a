// Member information, comments and formulas: the record forms, the field
// mask of every getter, refused changes restored exactly, the fields each
// dimension keeps, and the attribute bookkeeping that follows a new tag.
#include "support/outline.h"

#include <cstring>
#include <functional>
#include <string>

namespace {

std::string textValueOf(const uint8_t *raw)
{
    const char *text = nullptr;
    std::memcpy(&text, raw, sizeof text);
    return text ? text : "(null)";
}

// The sample, the calculations dimension with its first member, the root, and
// a numeric attribute dimension Size{Size_10} whose names carry its name.
struct Items : test::Sample {
    OtlItem *calc, *sum, *root, *size, *ten;
};

class MemberInfo : public test::OutlineTest {
protected:
    void SetUp() override
    {
        OutlineTest::SetUp();
        static_cast<test::Sample &>(s) = buildSample();
        o->attrSpecs.nameFormat = 1;
        OtlMbrInfo size = test::attrInfo("Size", OTL_ATTR_NUMERIC);
        size.storageType = 1, size.dimensionCategory = 12;
        s.size = dim(size, s.colour);
        s.ten = add(test::attrInfo("10", OTL_ATTR_NUMERIC), s.size);
        s.calc = test::lastChild(o->root);
        s.sum = s.calc->firstChild;
        s.root = o->root;
        ASSERT_STREQ(s.ten->memberName, "Size_10");
        o->verified = 1;
    }

    OtlMbrInfo *get(OtlItem *member)
    {
        OtlMbrInfo *info = nullptr;
        EXPECT_EQ(adShrOtlGetMemberInfo(o, member, &info), OTL_OK);
        return info;
    }

    OtlStatus set(OtlItem *member, void (*change)(OtlMbrInfo &))
    {
        OtlMbrInfo *info = get(member);
        change(*info);
        const OtlStatus status = adShrOtlSetMemberInfo(o, member, info, OTL_CHECK_ALL);
        adShrOtlFreeMbrInfo(host.ctx(), 1, info);
        return status;
    }

    // A read's main fields in one line, the record released.
    std::string summary(OtlItem *member)
    {
        OtlMbrInfo *i = get(member);
        std::string out = (testing::Message() << i->memberName << " " << +i->generation << "/" << +i->level << " c"
                           << +i->childCount << " a" << +i->hasAttrValue << " dim=" << i->infoDimName << " t"
                           << +i->attrValueType << " " << host.blockSize(i) << " \"" << i->comment << "\"").GetString();
        if (i->attrValueType == OTL_ATTR_TEXT)
            out += " " + textValueOf(i->attrValue);
        adShrOtlFreeMbrInfo(host.ctx(), 1, i);
        return out;
    }

    // The text a getter hands out, released at once; "(null)" for none.
    std::string read(OtlStatus (*getter)(OtlOutline *, OtlItem *, char **), OtlStatus expected = OTL_OK)
    {
        char *text = reinterpret_cast<char *>(sentinelItem());
        EXPECT_EQ(getter(o, s.east, &text), expected);
        std::string result = text ? text : "(null)";
        adShrOtlFree(host.ctx(), text);
        return result;
    }

    Items s{};
};

} // namespace

TEST_F(MemberInfo, ReadCopiesTheTreeTheDimensionNameAndATextValueOfItsOwn)
{
    // No second name of its own: the dimension's name stands in, and the
    // member is not given one by the read.
    EXPECT_EQ(summary(s.qtr1), "Qtr1 2/1 c1 a0 dim=Year t0 536 \"\"");
    EXPECT_EQ(+s.qtr1->infoDimName, nullptr);
    EXPECT_EQ(summary(s.red), "Red 2/0 c0 a0 dim=Colour t10 536 \"\" Red");
    // In field-access mode the host's stored count and flag are all there is.
    s.market->childCountOrValue = 77, s.market->hasAttrValue = 1;
    EXPECT_EQ(summary(s.market), "Market 1/2 c2 a0 dim=Market t0 536 \"\"");
    s.market->hasAttrValue = 1, o->fieldAccessMode = 1; // the read above has refreshed the flag
    EXPECT_EQ(summary(s.market), "Market 1/2 c77 a1 dim=Market t0 536 \"\"");
    o->fieldAccessMode = 0;
    // Freeing an array releases the text of every record.
    OtlMbrInfo *info = nullptr;
    ASSERT_EQ(otl::hostNewArray(host.ctx(), 3, &info), OTL_OK);
    for (int i = 0; i < 3; ++i) {
        const char *text = dup("abc");
        std::memcpy(info[i].attrValue, &text, sizeof text), info[i].attrValueType = OTL_ATTR_TEXT;
    }
    EXPECT_EQ(adShrOtlFreeMbrInfo(host.ctx(), 3, info), OTL_OK);
    EXPECT_EQ(adShrOtlFreeMbrInfo(host.ctx(), 3, nullptr), OTL_OK);
    EXPECT_EQ(adShrOtlGetMemberInfo(o, s.east, nullptr), OTL_ERR_NO_OUTPUT_ARG);
    EXPECT_EQ(adShrOtlGetMemberInfo(o, nullptr, &info), OTL_ERR_GENERIC);
    EXPECT_EQ(info, nullptr);
    // Older clients use their own record form: no attribute fields, or
    // (legacy) the first block as is, exactly 184 bytes both ways, and a
    // change leaves the comment alone.
    ASSERT_EQ(set(s.costs, [](OtlMbrInfo &i) { std::strcpy(i.comment, "kept"); }), OTL_OK);
    host.mutableCtx()->clientVersion = 0x50000;
    EXPECT_EQ(summary(s.red), "Red 2/0 c0 a0 dim= t0 536 \"\"");
    EXPECT_EQ(summary(s.costs), "Costs 2/0 c0 a0 dim= t0 536 \"kept\"");
    host.mutableCtx()->clientVersion = 0x40000, s.costs->timeBalance = 1;
    info = get(s.costs);
    EXPECT_EQ(host.blockSize(info), OTL_MBRINFO_LEGACY_SIZE);
    EXPECT_EQ(std::memcmp(info, s.costs, OTL_MBRINFO_LEGACY_SIZE), 0);
    info->consolidation = 4;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.costs, info, OTL_CHECK_ALL), OTL_OK);
    adShrOtlFree(host.ctx(), info);
    EXPECT_EQ(s.costs->comment + std::to_string(s.costs->consolidation), "kept4");
}

TEST_F(MemberInfo, ChangesAreRefusedWholeOrKeepWhatTheirDimensionAndTagMean)
{
    // Comments to be restored, not merely kept.
    ASSERT_EQ(set(s.sales, [](OtlMbrInfo &i) { std::strcpy(i.comment, "old comment"); }), OTL_OK);
    ASSERT_EQ(set(s.red, [](OtlMbrInfo &i) { std::strcpy(i.comment, "first"); }), OTL_OK);
    o->verified = 1;
    const struct {
        const char *what;
        OtlItem *Items::*member;
        void (*change)(OtlMbrInfo &);
        OtlStatus expected;
    } rows[] = {
        {"a time balance outside the accounts' range", &Items::sales, [](OtlMbrInfo &i) {
             i.timeBalance = 4, i.consolidation = 2, std::strcpy(i.comment, "new"), std::strcpy(i.infoDimName, "X");
         }, OTL_ERR_RULE_TIME_BALANCE},
        {"member properties, a name and no second name on an attribute member", &Items::red, [](OtlMbrInfo &i) {
             std::strcpy(i.memberName, "Crimson"), std::strcpy(i.comment, "2nd"), i.infoDimName[0] = 0, i.memberOption = 1;
         }, OTL_ERR_ATTR_MEMBER_PROPS},
        // Colour made a base dimension would lose the calculations dimension; the rule fault comes first.
        {"a base dimension's storage on the text attribute dimension", &Items::colour,
         [](OtlMbrInfo &i) { i.dimensionTag = 0, i.storageType = 2; }, OTL_ERR_RULE_STORAGE},
        {"the calculations dimension", &Items::calc, [](OtlMbrInfo &) {}, OTL_ERR_ATTR_CALC_MEMBER},
        {"a calculations member", &Items::sum, [](OtlMbrInfo &) {}, OTL_ERR_ATTR_CALC_MEMBER},
        {"the root", &Items::root, [](OtlMbrInfo &) {}, OTL_ERR_NO_DIMENSION},
        {"a number name that does not read", &Items::ten,
         [](OtlMbrInfo &i) { std::strcpy(i.memberName, "eleven"), i.consolidation = 2; }, OTL_ERR_ATTR_NOT_NUMBER},
        {"a composed name too long: \"Size_\" and 77 digits", &Items::ten,
         [](OtlMbrInfo &i) { std::strcpy(i.memberName, std::string(77, '7').c_str()); }, OTL_ERR_ATTR_NAME_LONG},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.what);
        OtlItem *member = s.*r.member;
        OtlMbrInfo *info = get(member == o->root ? s.east : member); // any record will do for the root
        r.change(*info);
        const std::string before = dump();
        EXPECT_EQ(adShrOtlSetMemberInfo(o, member, info, OTL_CHECK_ALL), r.expected);
        EXPECT_EQ(test::dumpDiff(before, dump()), "");
        adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    }
    EXPECT_EQ(+o->verified, 1);
    // In the accounts dimension the time and currency fields stay; a base
    // dimension's member keeps no dimension fields, and never a new name;
    // the read reports the tree's child count. Elsewhere they are cleared.
    ASSERT_EQ(set(s.sales, [](OtlMbrInfo &i) {
                  std::strcpy(i.memberName, "Revenue"), std::strcpy(i.currencyName, "USD"), i.storageType = 1;
                  std::strcpy(i.comment, "gross sales"), i.consolidation = 3, i.timeBalance = 2, i.skipOption = 1;
                  i.currencyMode = 1, i.tag1Option = 1, i.childCount = 12;
              }), OTL_OK);
    EXPECT_EQ(+o->verified, 0);
    std::string kept = "\"Sales\" lev=0 gen=2 cons=3 opt=0 t1=1 cm=1 cn=\"USD\" tb=2 skip=1 share=0 "
                       "stor=0 tag=0 cat=0 comment=\"gross sales\" ccv=12 ";
    EXPECT_EQ(test::dumpItem(s.sales).substr(0, kept.size()), kept);
    EXPECT_EQ(summary(s.sales), "Sales 2/0 c0 a0 dim=Accounts t0 536 \"gross sales\"");
    OtlMbrInfo east = test::info("East");
    east.timeBalance = 2, east.currencyMode = 1, east.tag1Option = 1, std::strcpy(east.currencyName, "EUR");
    std::strcpy(east.comment, "note"), s.market->dimensionTag = 3; // currency names: the name alone stays
    ASSERT_EQ(adShrOtlSetMemberInfo(o, s.east, &east, OTL_CHECK_ALL), OTL_OK);
    kept = "\"East\" lev=0 gen=2 cons=0 opt=0 t1=0 cm=0 cn=\"EUR\" tb=0 skip=0 share=0 stor=0 tag=0 cat=0 "
           "comment=\"note\" ";
    EXPECT_EQ(test::dumpItem(s.east).substr(0, kept.size()), kept);
    s.market->dimensionTag = 0, east.comment[0] = '\0'; // an empty comment removes it
    ASSERT_EQ(adShrOtlSetMemberInfo(o, s.east, &east, OTL_CHECK_ALL), OTL_OK);
    EXPECT_EQ(std::string(s.east->comment ? "a comment" : "none") + "|" + s.east->currencyName, "none|");
    // A record naming another value would uncouple name and short name.
    ASSERT_EQ(set(s.ten, [](OtlMbrInfo &i) { std::strcpy(i.memberName, "11"); }), OTL_OK);
    EXPECT_EQ(s.ten->memberName + std::string("/") + s.ten->attrLink.attrMember.attrShortName, "Size_10/10");
    // The category fault and the many-children warning keep the change.
    o->verified = 1;
    EXPECT_EQ(set(s.market, [](OtlMbrInfo &i) { i.dimensionCategory = 14; }), OTL_ERR_RULE_CATEGORY);
    EXPECT_EQ(o->verified * 100 + s.market->dimensionCategory, 14);
    OtlItem *big = add("Big", nullptr, s.west), *last = nullptr;
    for (int i = 0; i < 101; ++i)
        last = add(("C" + std::to_string(i)).c_str(), last ? nullptr : big, last);
    s.market->dimensionCategory = 0, o->verified = 1;
    EXPECT_EQ(set(big, [](OtlMbrInfo &i) { i.shareOption = 5; }), OTL_OK);
    EXPECT_EQ(o->verified * 100 + big->shareOption, 5);
    // New tags bring and take the attribute bookkeeping.
    auto retag = [&](OtlItem *item, uint16_t tag) {
        OtlMbrInfo *info = get(item);
        info->dimensionTag = tag, info->storageType = tag ? 1 : 0;
        info->dimensionCategory = tag ? 12 : 0, info->shareOption = tag ? 5 : 0;
        EXPECT_EQ(adShrOtlSetMemberInfo(o, item, info, OTL_CHECK_ALL), OTL_OK) << item->memberName;
        adShrOtlFreeMbrInfo(host.ctx(), 1, info);
        EXPECT_EQ(test::hashProblems(o), "");
        const bool calc = test::lastChild(o->root)->dimensionTag == OTL_TAG_ATTR_CALC;
        return "role " + std::to_string(item->attrRole) + ", " + std::to_string(o->stats.dimCount) + "/" +
               std::to_string(o->stats.baseDimCount) + (calc ? " calc" : "");
    };
    // A value member made plain loses its short name and its hash entry.
    EXPECT_EQ(retag(s.ten, 0), "role 0, 6/3 calc");
    EXPECT_EQ(+s.ten->attrLink.attrMember.attrShortName, nullptr);
    // The calculations dimension goes with the last attribute dimension and
    // comes back with the first.
    EXPECT_EQ(retag(s.size, 0), "role 0, 6/4 calc");
    EXPECT_EQ(retag(s.colour, 0), "role 0, 5/5");
    EXPECT_EQ(retag(s.colour, OTL_TAG_ATTRIBUTE), "role 1, 6/4 calc");
    EXPECT_EQ(retag(s.size, OTL_TAG_ATTRIBUTE), "role 1, 6/3 calc");
}

TEST_F(MemberInfo, CommentsAndFormulasWithTheirMaskBitsLimitsAndRefusals)
{
    EXPECT_EQ(read(adShrOtlGetMemberLastFormula), "(null)");
    // Each getter needs its own mask bit, and a refusal allocates nothing.
    ASSERT_EQ(adShrOtlSetMemberFormula(o, s.east, "f;"), OTL_OK);
    ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, "c"), OTL_OK);
    enum { I = 1, F = 2, L = 4, C = 8 }; // readable: the record, formula, last formula, extended comment
    const struct {
        uint16_t active;
        uint32_t first, second;
        int readable;
    } rows[] = {{1, 0x1, 0, I}, {1, 0x8000, 0, I}, {1, 0x10000 | 0x2000000, 0, F}, {1, 0x4000000, 0, L},
                {1, 0x8000000, 0, C}, {1, 0, 0x2000000 | 0x4000000 | 0x8000000 | 0xFFFF, 0}, // not the first word
                {0, 0, 0, I | F | L | C}, {2, 0, 0, I | F | L | C}}; // a mask the host has not switched on
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << r.active << " " << r.first << " " << r.second);
        s.east->fieldMaskActive = r.active, s.east->fieldMask[0] = r.first, s.east->fieldMask[1] = r.second;
        const auto expect = [&](int bit) { return r.readable & bit ? OTL_OK : OTL_ERR_FIELD_MASK; };
        const auto text = [&](int bit, const char *t) { return r.readable & bit ? t : "(null)"; };
        const uint64_t calls = host.allocations();
        OtlMbrInfo *info = reinterpret_cast<OtlMbrInfo *>(sentinelItem());
        EXPECT_EQ(adShrOtlGetMemberInfo(o, s.east, &info), expect(I));
        adShrOtlFreeMbrInfo(host.ctx(), 1, info);
        EXPECT_EQ(read(adShrOtlGetMemberFormula, expect(F)), text(F, "f;"));
        EXPECT_EQ(read(adShrOtlGetMemberLastFormula, expect(L)), text(L, "f;"));
        EXPECT_EQ(read(adShrOtlGetMemberCommentEx, expect(C)), text(C, "c"));
        EXPECT_EQ(host.allocations() == calls, r.readable == 0);
    }
    s.east->fieldMaskActive = 0;
    const std::string longest(8192, 'x');
    ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, longest.c_str()), OTL_OK);
    EXPECT_EQ(read(adShrOtlGetMemberCommentEx), longest);
    // An empty or missing comment removes it.
    for (const char *none : {"", static_cast<const char *>(nullptr)}) {
        ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, "remark"), OTL_OK);
        ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, none), OTL_OK);
        EXPECT_EQ(+s.east->commentEx, nullptr);
        EXPECT_EQ(read(adShrOtlGetMemberCommentEx), "(null)");
    }
    ASSERT_EQ(adShrOtlSetMemberFormula(o, s.east, "West * 2;"), OTL_OK);
    s.east->lastFormula = dup("West * 3;");
    EXPECT_EQ(read(adShrOtlGetMemberLastFormula), "West * 3;");
    EXPECT_EQ(read(adShrOtlGetMemberFormula), "West * 2;");
    o->verified = 1;
    s.west->shareOption = OTL_SHARE_LABEL_ONLY;
    const std::string before = dump();
    EXPECT_EQ(adShrOtlSetMemberCommentEx(o, s.east, std::string(8193, 'y').c_str()), OTL_ERR_COMMENT_LONG);
    EXPECT_EQ(adShrOtlSetMemberFormula(o, s.east, ""), OTL_ERR_RULE_FORMULA);
    EXPECT_EQ(adShrOtlSetMemberFormula(o, s.east, nullptr), OTL_ERR_RULE_FORMULA);
    EXPECT_EQ(adShrOtlSetMemberFormula(o, s.eastShared, "1;"), OTL_ERR_FORMULA_NOT_STORED);
    EXPECT_EQ(adShrOtlSetMemberFormula(o, s.west, "1;"), OTL_ERR_FORMULA_NOT_STORED);
    EXPECT_EQ(adShrOtlDeleteMemberFormula(o, s.west), OTL_ERR_NO_FORMULA);
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.east, nullptr, OTL_CHECK_ALL), OTL_ERR_GENERIC);
    o->fieldAccessMode = 1;
    const OtlMbrInfo east = test::info("East");
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.eastShared, &east, OTL_CHECK_ALL), OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(adShrOtlSetMemberCommentEx(o, s.east, "x"), OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(adShrOtlSetMemberFormula(o, s.east, "x;"), OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(adShrOtlDeleteMemberFormula(o, s.east), OTL_ERR_ACCESS_MODE);
    o->fieldAccessMode = 0;
    EXPECT_EQ(dump(), before);
    for (auto getter : {adShrOtlGetMemberFormula, adShrOtlGetMemberLastFormula, adShrOtlGetMemberCommentEx})
        EXPECT_EQ(getter(o, s.east, nullptr), OTL_ERR_NO_OUTPUT_ARG);
    // Deleting the formula leaves the flag.
    EXPECT_EQ(adShrOtlDeleteMemberFormula(o, s.east), OTL_OK);
    EXPECT_EQ(o->verified + (s.east->formula != nullptr) * 10, 1);
    EXPECT_EQ(adShrOtlDeleteMemberFormula(o, s.east), OTL_ERR_NO_FORMULA);
}

// Failure injection over every allocating operation: the host's status comes
// back unchanged, a getter's output is cleared (a setter's arguments are not
// touched), nothing leaks and the outline dump is as before; then the
// operation succeeds in full.
TEST_F(MemberInfo, EveryOperationFailsCleanlyAtEachAllocation)
{
    // Size_10's stored short name ("ten") not the one its name is composed from.
    ASSERT_EQ(adShrOtlSetMemberFormula(o, s.east, "West + 1;"), OTL_OK);
    ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, "old remark"), OTL_OK);
    ASSERT_EQ(set(s.sales, [](OtlMbrInfo &i) { std::strcpy(i.comment, "first"); }), OTL_OK);
    OtlItem *const ten = s.ten;
    ASSERT_EQ(otlHashRemove(host.ctx(), o, ten, ten->attrLink.attrMember.attrShortName, 0), OTL_OK);
    adShrOtlFree(host.ctx(), ten->attrLink.attrMember.attrShortName);
    ten->attrLink.attrMember.attrShortName = dup("ten");
    ASSERT_EQ(otlHashInsert(host.ctx(), o, ten, ten->attrLink.attrMember.attrShortName, 0), OTL_OK);

    // A differing name sends a record through the attribute naming, which
    // copies a text value; the member's own value text gives it the short
    // name its name is composed from, hashed in place of the old one.
    OtlMbrInfo *const records[] = {get(s.red), get(s.sales), get(ten)};
    std::strcpy(records[0]->memberName, "Scarlet"), std::strcpy(records[0]->comment, "a colour");
    std::strcpy(records[1]->comment, "second"), records[1]->timeBalance = 1;
    std::strcpy(records[2]->memberName, "10.0");
    OtlMbrInfo *info = nullptr;
    char *text = nullptr;
    const struct {
        const char *what;
        bool handsOut;
        std::function<OtlStatus()> attempt;
        std::function<void()> succeeded;
    } rows[] = {
        {"reading a text member", true, [&] { return adShrOtlGetMemberInfo(o, s.red, &info); }, [&] {
             EXPECT_EQ(textValueOf(info->attrValue), "Red");
             EXPECT_NE(std::memcmp(info->attrValue, s.red->attrValue, 8), 0) << "a copy of its own";
             adShrOtlFreeMbrInfo(host.ctx(), 1, info);
         }},
        {"a text member's record with another name", false,
         [&] { return adShrOtlSetMemberInfo(o, s.red, records[0], 0); }, [&] {
             EXPECT_STREQ(s.red->comment, "a colour");
             EXPECT_EQ(s.red->memberName + textValueOf(s.red->attrValue), "RedRed");
         }},
        {"a record replacing a comment", false, [&] { return adShrOtlSetMemberInfo(o, s.sales, records[1], 0); },
         [&] { EXPECT_STREQ(s.sales->comment, "second"); }},
        {"a record naming the member's own value", false,
         [&] { return adShrOtlSetMemberInfo(o, ten, records[2], 0); }, [&] {
             EXPECT_EQ(ten->memberName + std::string("/") + ten->attrLink.attrMember.attrShortName, "Size_10/10");
             EXPECT_EQ(test::entriesOf(o, ten), (std::vector<std::string>{"10", "Size_10"}));
         }},
        {"an extended comment", false, [&] { return adShrOtlSetMemberCommentEx(o, s.east, "new remark"); },
         [&] { EXPECT_STREQ(s.east->commentEx, "new remark"); }},
        {"a formula", false, [&] { return adShrOtlSetMemberFormula(o, s.east, "West + 2;"); },
         [&] { EXPECT_STREQ(s.east->formula, "West + 2;"); }},
        {"reading the extended comment", true, [&] { return adShrOtlGetMemberCommentEx(o, s.east, &text); },
         [&] { EXPECT_STREQ(text, "new remark"); }},
        {"reading the formula", true, [&] { return adShrOtlGetMemberFormula(o, s.east, &text); },
         [&] { EXPECT_STREQ(text, "West + 2;"); }},
        {"reading the last formula", true, [&] { return adShrOtlGetMemberLastFormula(o, s.east, &text); },
         [&] { EXPECT_STREQ(text, "West + 2;"); }},
    };
    auto *const untouched = reinterpret_cast<OtlMbrInfo *>(sentinelItem());
    const char *const kept = reinterpret_cast<char *>(untouched);
    for (const auto &r : rows) {
        SCOPED_TRACE(r.what);
        o->verified = 1;
        const std::string before = dump();
        const size_t blocks = host.liveBlocks();
        const auto attempt = [&] {
            info = untouched;
            text = const_cast<char *>(kept);
            return r.attempt();
        };
        EXPECT_GE(test::sweepAllocations(host, attempt, [&](uint64_t n) {
            EXPECT_EQ(test::dumpDiff(before, dump()), "") << "allocation " << n;
            EXPECT_EQ(host.liveBlocks(), blocks) << "allocation " << n;
            EXPECT_EQ((info == nullptr) + (text == nullptr), r.handsOut ? 1 : 0) << "allocation " << n;
            EXPECT_EQ((info == untouched) + (text == kept), r.handsOut ? 1 : 2) << "allocation " << n;
        }), 1u) << "the operation allocates";
        r.succeeded();
        if (text != kept)
            adShrOtlFree(host.ctx(), text);
        EXPECT_EQ(+o->verified, r.handsOut ? 1 : 0) << "a change clears the flag, a read leaves it";
    }
    for (OtlMbrInfo *r : records)
        adShrOtlFreeMbrInfo(host.ctx(), 1, r);
}
