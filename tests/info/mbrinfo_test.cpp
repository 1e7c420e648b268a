// Member information, comments and formulas: the record forms, the field
// mask of every getter, refused changes restored exactly (proved with the
// outline dump), the fields each dimension keeps, the kept findings, and the
// attribute bookkeeping that follows a new tag.
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

// The sample and what the tables name besides it: the attribute
// calculations dimension with its first member, the root, and a numeric
// attribute dimension Size{Size_10} whose names carry the dimension name.
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
        size.storageType = 1;
        size.dimensionCategory = 12;
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
    OtlMbrInfo *info = get(s.qtr1);
    EXPECT_EQ(host.blockSize(info), OTL_MBRINFO_FULL_SIZE);
    EXPECT_STREQ(info->memberName, "Qtr1");
    EXPECT_EQ(info->generation * 10 + info->level, 21);
    EXPECT_EQ(+info->childCount, 1u);
    EXPECT_STREQ(info->comment, "");
    // No second name of its own: the dimension's name stands in, and the
    // member is not given one by the read.
    EXPECT_STREQ(info->infoDimName, "Year");
    EXPECT_EQ(+s.qtr1->infoDimName, nullptr);
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    // In field-access mode the host's stored count and flag are all there is.
    s.market->childCountOrValue = 77;
    for (uint8_t mode : {0, 1}) {
        o->fieldAccessMode = mode;
        s.market->hasAttrValue = 1;
        info = get(s.market);
        EXPECT_EQ(info->childCount * 10 + info->hasAttrValue, mode ? 771u : 20u);
        EXPECT_STREQ(info->infoDimName, "Market");
        adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    }
    o->fieldAccessMode = 0;
    info = get(s.red); // its text value is checked by the sweep below
    EXPECT_STREQ(info->infoDimName, "Colour");
    const size_t live = host.liveBlocks();
    EXPECT_EQ(adShrOtlFreeMbrInfo(host.ctx(), 1, info), OTL_OK);
    EXPECT_EQ(host.liveBlocks(), live - 2);
    // Freeing an array releases the text of every record.
    ASSERT_EQ(host.ctx()->allocate.shortForm(3 * OTL_MBRINFO_FULL_SIZE, reinterpret_cast<void **>(&info)), OTL_OK);
    std::memset(static_cast<void *>(info), 0, 3 * OTL_MBRINFO_FULL_SIZE);
    for (int i = 0; i < 3; ++i) {
        char *text = dup("abc");
        info[i].attrValueType = OTL_ATTR_TEXT;
        std::memcpy(info[i].attrValue, &text, sizeof text);
    }
    EXPECT_EQ(adShrOtlFreeMbrInfo(host.ctx(), 3, info), OTL_OK);
    EXPECT_EQ(adShrOtlFreeMbrInfo(host.ctx(), 3, nullptr), OTL_OK);
    EXPECT_EQ(host.liveBlocks(), live - 2);
    EXPECT_EQ(adShrOtlGetMemberInfo(o, s.east, nullptr), OTL_ERR_NO_OUTPUT_ARG);
    EXPECT_EQ(adShrOtlGetMemberInfo(o, nullptr, &info), OTL_ERR_GENERIC);
    EXPECT_EQ(info, nullptr);
    // Older clients use their own record form.
    ASSERT_EQ(set(s.costs, [](OtlMbrInfo &i) { std::strcpy(i.comment, "kept"); }), OTL_OK);
    host.mutableCtx()->clientVersion = 0x50000; // no attribute fields
    info = get(s.red);
    EXPECT_EQ(host.blockSize(info), OTL_MBRINFO_FULL_SIZE);
    EXPECT_STREQ(info->infoDimName, "");
    EXPECT_EQ(+info->attrValueType, 0);
    EXPECT_EQ(textValueOf(info->attrValue), "(null)");
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    // Legacy: the first block as is, exactly 184 bytes both ways; a change
    // leaves the comment alone.
    host.mutableCtx()->clientVersion = 0x40000;
    s.costs->timeBalance = 1;
    info = get(s.costs);
    EXPECT_EQ(host.blockSize(info), OTL_MBRINFO_LEGACY_SIZE);
    EXPECT_EQ(std::memcmp(info, s.costs, OTL_MBRINFO_LEGACY_SIZE), 0);
    info->consolidation = 4;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.costs, info, OTL_CHECK_ALL), OTL_OK);
    adShrOtlFree(host.ctx(), info);
    EXPECT_EQ(+s.costs->consolidation, 4);
    EXPECT_STREQ(s.costs->comment, "kept");
}

TEST_F(MemberInfo, EachGetterNeedsItsOwnMaskBitAndARefusalAllocatesNothing)
{
    ASSERT_EQ(adShrOtlSetMemberFormula(o, s.east, "f;"), OTL_OK);
    ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, "c"), OTL_OK);
    const struct {
        uint16_t active;
        uint32_t first, second;
        bool info, formula, lastFormula, commentEx;
    } rows[] = {
        {1, 0x1, 0, true, false, false, false},
        {1, 0x8000, 0, true, false, false, false},
        {1, 0x10000 | 0x2000000, 0, false, true, false, false},
        {1, 0x4000000, 0, false, false, true, false},
        {1, 0x8000000, 0, false, false, false, true},
        {1, 0, 0x2000000 | 0x4000000 | 0x8000000 | 0xFFFF, false, false, false, false}, // not the first word
        {0, 0, 0, true, true, true, true}, // a mask the host has not switched on
        {2, 0, 0, true, true, true, true},
    };
    const auto expect = [](bool readable) { return readable ? OTL_OK : OTL_ERR_FIELD_MASK; };
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << r.active << " " << r.first << " " << r.second);
        s.east->fieldMaskActive = r.active;
        s.east->fieldMask[0] = r.first;
        s.east->fieldMask[1] = r.second;
        const uint64_t calls = host.allocations();
        OtlMbrInfo *info = reinterpret_cast<OtlMbrInfo *>(sentinelItem());
        EXPECT_EQ(adShrOtlGetMemberInfo(o, s.east, &info), expect(r.info));
        adShrOtlFreeMbrInfo(host.ctx(), 1, info);
        EXPECT_EQ(read(adShrOtlGetMemberFormula, expect(r.formula)), r.formula ? "f;" : "(null)");
        EXPECT_EQ(read(adShrOtlGetMemberLastFormula, expect(r.lastFormula)), r.lastFormula ? "f;" : "(null)");
        EXPECT_EQ(read(adShrOtlGetMemberCommentEx, expect(r.commentEx)), r.commentEx ? "c" : "(null)");
        EXPECT_EQ(host.allocations() == calls, !r.info && !r.formula && !r.lastFormula && !r.commentEx);
    }
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
             i.timeBalance = 4, i.consolidation = 2;
             std::strcpy(i.comment, "new comment"), std::strcpy(i.infoDimName, "Other");
         }, OTL_ERR_RULE_TIME_BALANCE},
        {"member properties, a name and no second name on an attribute member", &Items::red, [](OtlMbrInfo &i) {
             std::strcpy(i.memberName, "Crimson"), std::strcpy(i.comment, "second");
             i.infoDimName[0] = '\0', i.memberOption = 1;
         }, OTL_ERR_ATTR_MEMBER_PROPS},
        // Colour made a base dimension would take the calculations dimension
        // away; the rule fault comes first.
        {"a base dimension's storage on the text attribute dimension", &Items::colour,
         [](OtlMbrInfo &i) { i.dimensionTag = 0, i.storageType = 2; }, OTL_ERR_RULE_STORAGE},
        {"the calculations dimension", &Items::calc, [](OtlMbrInfo &) {}, OTL_ERR_ATTR_CALC_MEMBER},
        {"a calculations member", &Items::sum, [](OtlMbrInfo &) {}, OTL_ERR_ATTR_CALC_MEMBER},
        {"a shared member made unshared", &Items::eastShared, [](OtlMbrInfo &i) { i.shareOption = 0; },
         OTL_ERR_RULE_DUPLICATE},
        {"the root", &Items::root, [](OtlMbrInfo &) {}, OTL_ERR_NO_DIMENSION},
        {"a number name that does not read", &Items::ten,
         [](OtlMbrInfo &i) { std::strcpy(i.memberName, "eleven"), i.consolidation = 2; }, OTL_ERR_ATTR_NOT_NUMBER},
        {"a composed name too long", &Items::ten, [](OtlMbrInfo &i) {
             std::memset(i.memberName, '7', 77); // "Size_" and 77 digits: 82 characters
             i.memberName[77] = '\0';
         }, OTL_ERR_ATTR_NAME_LONG},
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
    // dimension's member keeps no dimension fields, and never a new name.
    ASSERT_EQ(set(s.sales, [](OtlMbrInfo &i) {
                  std::strcpy(i.memberName, "Revenue"), std::strcpy(i.currencyName, "USD");
                  std::strcpy(i.comment, "gross sales");
                  i.consolidation = 3, i.timeBalance = 2, i.skipOption = 1, i.currencyMode = 1;
                  i.childCount = 12, i.storageType = 1;
              }),
              OTL_OK);
    EXPECT_EQ(+o->verified, 0);
    std::string kept = "\"Sales\" lev=0 gen=2 cons=3 opt=0 t1=0 cm=1 cn=\"USD\" tb=2 skip=1 share=0 "
                       "stor=0 tag=0 cat=0 comment=\"gross sales\" ccv=12 ";
    EXPECT_EQ(test::dumpItem(s.sales).substr(0, kept.size()), kept);
    EXPECT_EQ(find("Revenue"), nullptr);
    OtlMbrInfo *back = get(s.sales);
    EXPECT_EQ(+back->childCount, 0u) << "the read reports the tree";
    adShrOtlFreeMbrInfo(host.ctx(), 1, back);
    // Elsewhere they are cleared; an empty comment removes the comment.
    OtlMbrInfo east = test::info("East");
    east.timeBalance = 2, east.currencyMode = 1, east.tag1Option = 1;
    std::strcpy(east.currencyName, "EUR"), std::strcpy(east.comment, "note");
    ASSERT_EQ(adShrOtlSetMemberInfo(o, s.east, &east, OTL_CHECK_ALL), OTL_OK);
    kept = "\"East\" lev=0 gen=2 cons=0 opt=0 t1=0 cm=0 cn=\"\" tb=0 skip=0 share=0 stor=0 tag=0 cat=0 "
           "comment=\"note\" ";
    EXPECT_EQ(test::dumpItem(s.east).substr(0, kept.size()), kept);
    east.comment[0] = '\0';
    ASSERT_EQ(adShrOtlSetMemberInfo(o, s.east, &east, OTL_CHECK_ALL), OTL_OK);
    EXPECT_EQ(+s.east->comment, nullptr);
    // A member made label-only stores no data; a shared member stays shared.
    const uint32_t stored = o->stats.storedMemberCount;
    ASSERT_EQ(set(s.west, [](OtlMbrInfo &i) { i.shareOption = OTL_SHARE_LABEL_ONLY; }), OTL_OK);
    EXPECT_EQ(+o->stats.storedMemberCount, stored - 1);
    o->verified = 1;
    east.shareOption = OTL_SHARE_SHARED;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.eastShared, &east, OTL_CHECK_ALL), OTL_OK);
    EXPECT_EQ(+o->verified, 0);
    // A record naming another value would uncouple name and short name.
    ASSERT_EQ(set(s.ten, [](OtlMbrInfo &i) { std::strcpy(i.memberName, "11"); }), OTL_OK);
    EXPECT_STREQ(s.ten->memberName, "Size_10");
    EXPECT_STREQ(s.ten->attrLink.attrMember.attrShortName, "10");
    // The category fault and the many-children warning keep the change.
    o->verified = 1;
    EXPECT_EQ(set(s.market, [](OtlMbrInfo &i) { i.dimensionCategory = 14; }), OTL_ERR_RULE_CATEGORY);
    EXPECT_EQ(+s.market->dimensionCategory, 14);
    EXPECT_EQ(+o->verified, 0);
    s.market->dimensionCategory = 0;
    OtlItem *big = add("Big", nullptr, s.west), *last = nullptr;
    for (int i = 0; i < 101; ++i)
        last = add(("C" + std::to_string(i)).c_str(), last ? nullptr : big, last);
    o->verified = 1;
    EXPECT_EQ(set(big, [](OtlMbrInfo &i) { i.shareOption = 5; }), OTL_OK);
    EXPECT_EQ(+big->shareOption, 5);
    EXPECT_EQ(+o->verified, 0);
    // New tags bring and take the attribute bookkeeping.
    auto retag = [&](OtlItem *item, uint16_t tag) {
        OtlMbrInfo *info = get(item);
        info->dimensionTag = tag;
        info->storageType = tag ? 1 : 0;
        info->dimensionCategory = tag ? 12 : 0;
        info->shareOption = tag ? 5 : 0;
        EXPECT_EQ(adShrOtlSetMemberInfo(o, item, info, OTL_CHECK_ALL), OTL_OK) << item->memberName;
        adShrOtlFreeMbrInfo(host.ctx(), 1, info);
        EXPECT_EQ(test::hashProblems(o), "");
        EXPECT_EQ(+item->attrRole, tag ? 1 : 0) << item->memberName;
        const bool calc = test::lastChild(o->root)->dimensionTag == OTL_TAG_ATTR_CALC;
        return std::to_string(o->stats.dimCount) + "/" + std::to_string(o->stats.baseDimCount) +
               (calc ? " calc" : "");
    };
    // A value member made plain loses its short name and its hash entry.
    EXPECT_EQ(retag(s.ten, 0), "6/3 calc");
    EXPECT_EQ(+s.ten->attrLink.attrMember.attrShortName, nullptr);
    // The calculations dimension goes with the last attribute dimension and
    // comes back with the first.
    EXPECT_EQ(retag(s.size, 0), "6/4 calc");
    EXPECT_EQ(retag(s.colour, 0), "5/5");
    EXPECT_EQ(retag(s.colour, OTL_TAG_ATTRIBUTE), "6/4 calc");
    EXPECT_EQ(retag(s.size, OTL_TAG_ATTRIBUTE), "6/3 calc");
}

TEST_F(MemberInfo, CommentsAndFormulasWithTheirLimitsAndRefusals)
{
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
    EXPECT_EQ(read(adShrOtlGetMemberLastFormula), "(null)");
    ASSERT_EQ(adShrOtlSetMemberFormula(o, s.east, "West * 2;"), OTL_OK);
    EXPECT_EQ(read(adShrOtlGetMemberLastFormula), "West * 2;");
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
    EXPECT_EQ(+s.east->formula, nullptr);
    EXPECT_EQ(+o->verified, 1);
    EXPECT_EQ(adShrOtlDeleteMemberFormula(o, s.east), OTL_ERR_NO_FORMULA);
}

// Failure injection over every allocating operation: the host's status comes
// back unchanged, a getter's output is cleared (a setter's arguments are not
// touched), nothing leaks and the outline dump is as before; then the
// operation succeeds in full.
TEST_F(MemberInfo, EveryOperationFailsCleanlyAtEachAllocation)
{
    // A formula and an extended comment on East, a comment on Sales, and
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
    std::strcpy(records[0]->memberName, "Scarlet");
    std::strcpy(records[0]->comment, "a colour");
    std::strcpy(records[1]->comment, "second");
    records[1]->timeBalance = 1;
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
         [&] { return adShrOtlSetMemberInfo(o, ten, records[2], 0); },
         [&] {
             const char *shortName = ten->attrLink.attrMember.attrShortName;
             EXPECT_EQ(ten->memberName + std::string("/") + shortName, "Size_10/10");
             const OtlHashBucket &bucket = o->nameHash->buckets[otlHashBucketOf("10")];
             int entries = 0;
             for (uint32_t i = 0; i < bucket.count; ++i)
                 entries += bucket.entries[i].item == ten && bucket.entries[i].name == shortName;
             EXPECT_EQ(entries, 1);
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
