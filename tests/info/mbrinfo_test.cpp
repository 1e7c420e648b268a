// Reading and changing member information: both record forms, the field
// mask, the checks in order, the kept findings, and the exact restore of a
// refused change, proved with the outline dump.
#include "info/info_support.h"
#include "support/fixture.h"

#include "core/alloc.h"
#include "core/hash.h"

#include <cstring>

using infotest::record;

namespace {

// Takes an attribute member's short name out of the hash and drops it, as
// for a member that never had one stored.
void otlHashRemoveShortForTest(OtlOutline *o, OtlItem *member)
{
    char *&shortName = member->attrLink.attrMember.attrShortName;
    EXPECT_EQ(otlHashRemove(o->host, o, member, shortName, 0), OTL_OK);
    otl::hostRelease(o->host, &shortName);
}

class MemberInfo : public infotest::SampleTest {
protected:
    OtlMbrInfo *get(OtlItem *member)
    {
        OtlMbrInfo *info = nullptr;
        EXPECT_EQ(adShrOtlGetMemberInfo(o, member, &info), OTL_OK);
        return info;
    }
};

} // namespace

TEST_F(MemberInfo, FullFormReportsTheTreeAndTheDimensionName)
{
    OtlMbrInfo *info = get(s.qtr1);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(host.blockSize(info), OTL_MBRINFO_FULL_SIZE);
    EXPECT_STREQ(info->memberName, "Qtr1");
    EXPECT_EQ(info->generation, 2);
    EXPECT_EQ(info->level, 1);
    EXPECT_EQ(info->childCount, 1u);
    EXPECT_STREQ(info->comment, "");
    // No second name of its own: the dimension's name stands in, and the
    // member is not given one by the read.
    EXPECT_STREQ(info->infoDimName, "Year");
    EXPECT_EQ(s.qtr1->infoDimName, nullptr);
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);

    OtlMbrInfo *dim = get(s.market);
    EXPECT_EQ(dim->childCount, 2u);
    EXPECT_STREQ(dim->infoDimName, "Market");
    adShrOtlFreeMbrInfo(host.ctx(), 1, dim);
    EXPECT_EQ(o->verified, 1) << "reading changes nothing";
}

TEST_F(MemberInfo, TextValueIsCopiedAndReleasedWithTheRecord)
{
    OtlMbrInfo *info = get(s.red);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->attrValueType, OTL_ATTR_TEXT);
    EXPECT_EQ(infotest::textValueOf(info->attrValue), "Red");
    EXPECT_NE(std::memcmp(info->attrValue, s.red->attrValue, sizeof info->attrValue), 0)
        << "the record has its own string";
    EXPECT_STREQ(info->infoDimName, "Colour");
    const size_t before = host.liveBlocks();
    EXPECT_EQ(adShrOtlFreeMbrInfo(host.ctx(), 1, info), OTL_OK);
    EXPECT_EQ(host.liveBlocks(), before - 2);
}

TEST_F(MemberInfo, FreeReleasesEveryRecordOfAnArray)
{
    const size_t live = host.liveBlocks();
    OtlMbrInfo *infos = nullptr;
    void *block = nullptr;
    ASSERT_EQ(host.ctx()->allocate.shortForm(3 * OTL_MBRINFO_FULL_SIZE, &block), OTL_OK);
    std::memset(block, 0, 3 * OTL_MBRINFO_FULL_SIZE);
    infos = static_cast<OtlMbrInfo *>(block);
    for (int i = 0; i < 3; ++i) {
        void *text = nullptr;
        ASSERT_EQ(host.ctx()->allocate.shortForm(4, &text), OTL_OK);
        std::memcpy(text, "abc", 4);
        infos[i].attrValueType = OTL_ATTR_TEXT;
        std::memcpy(infos[i].attrValue, &text, sizeof text);
    }
    EXPECT_EQ(adShrOtlFreeMbrInfo(host.ctx(), 3, infos), OTL_OK);
    EXPECT_EQ(host.liveBlocks(), live);
}

TEST_F(MemberInfo, LegacyClientGetsTheFirstBlockAsIs)
{
    s.sales->consolidation = 2;
    s.sales->timeBalance = 1;
    host.mutableCtx()->clientVersion = 0x40000;
    OtlMbrInfo *info = get(s.sales);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(host.blockSize(info), OTL_MBRINFO_LEGACY_SIZE);
    EXPECT_EQ(std::memcmp(info, s.sales, OTL_MBRINFO_LEGACY_SIZE), 0);
    adShrOtlFree(host.ctx(), info);
}

TEST_F(MemberInfo, ClientBelowAttributeFormGetsNoAttributeFields)
{
    host.mutableCtx()->clientVersion = 0x50000;
    OtlMbrInfo *info = get(s.red);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(host.blockSize(info), OTL_MBRINFO_FULL_SIZE);
    EXPECT_STREQ(info->infoDimName, "");
    EXPECT_EQ(info->attrValueType, 0);
    const uint8_t zero[8] = {};
    EXPECT_EQ(std::memcmp(info->attrValue, zero, 8), 0);
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
}

TEST_F(MemberInfo, FieldMaskAccessModeAndMissingOutput)
{
    s.east->fieldMaskActive = 1;
    s.east->fieldMask[0] = 0x10000 | 0x2000000;
    const uint64_t calls = host.allocations();
    OtlMbrInfo *info = reinterpret_cast<OtlMbrInfo *>(8);
    EXPECT_EQ(adShrOtlGetMemberInfo(o, s.east, &info), OTL_ERR_FIELD_MASK);
    EXPECT_EQ(info, nullptr);
    EXPECT_EQ(host.allocations(), calls);
    for (uint32_t bit : {0x1u, 0x80u, 0x8000u}) {
        s.east->fieldMask[0] = bit;
        info = get(s.east);
        ASSERT_NE(info, nullptr) << bit;
        adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    }
    // A mask the host has not switched on limits nothing.
    s.east->fieldMaskActive = 0;
    s.east->fieldMask[0] = 0;
    info = get(s.east);
    ASSERT_NE(info, nullptr);
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    EXPECT_EQ(adShrOtlGetMemberInfo(o, s.east, nullptr), OTL_ERR_NO_OUTPUT_ARG);
    // Field-access mode reports the stored child count.
    s.qtr1->childCountOrValue = 77;
    o->fieldAccessMode = 1;
    info = get(s.qtr1);
    EXPECT_EQ(info->childCount, 77u);
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    o->fieldAccessMode = 0;
    info = get(s.qtr1);
    EXPECT_EQ(info->childCount, 1u);
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
}

TEST_F(MemberInfo, SetStoresPropertiesAndClearsVerified)
{
    OtlMbrInfo *info = get(s.sales);
    info->consolidation = 3;
    info->timeBalance = 2;
    info->skipOption = 1;
    info->currencyMode = 1;
    std::strcpy(info->currencyName, "USD");
    std::strcpy(info->comment, "gross sales");
    info->childCount = 12;
    info->storageType = 1; // a member of a base dimension keeps no dimension fields
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.sales, info, OTL_CHECK_ALL), OTL_OK);
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    EXPECT_EQ(o->verified, 0);
    EXPECT_EQ(s.sales->consolidation, 3);
    EXPECT_EQ(s.sales->timeBalance, 2);
    EXPECT_EQ(s.sales->skipOption, 1);
    EXPECT_EQ(s.sales->currencyMode, 1);
    EXPECT_STREQ(s.sales->currencyName, "USD");
    EXPECT_STREQ(s.sales->comment, "gross sales");
    EXPECT_EQ(s.sales->childCountOrValue, 12u);
    EXPECT_EQ(s.sales->storageType, 0);

    OtlMbrInfo *back = get(s.sales);
    EXPECT_STREQ(back->comment, "gross sales");
    EXPECT_EQ(back->childCount, 0u) << "the read reports the tree";
    adShrOtlFreeMbrInfo(host.ctx(), 1, back);
}

TEST_F(MemberInfo, TimeFieldsOnlyInTheAccountsDimensionEmptyCommentRemoved)
{
    OtlMbrInfo info = record("East");
    info.timeBalance = 2;
    info.currencyMode = 1;
    std::strcpy(info.currencyName, "EUR");
    info.tag1Option = 1;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.east, &info, OTL_CHECK_ALL), OTL_OK);
    EXPECT_EQ(s.east->timeBalance, 0);
    EXPECT_EQ(s.east->currencyMode, 0);
    EXPECT_EQ(s.east->tag1Option, 0);
    EXPECT_STREQ(s.east->currencyName, "");
    // An empty comment removes it.
    std::strcpy(info.comment, "note");
    ASSERT_EQ(adShrOtlSetMemberInfo(o, s.east, &info, OTL_CHECK_ALL), OTL_OK);
    EXPECT_STREQ(s.east->comment, "note");
    info.comment[0] = '\0';
    ASSERT_EQ(adShrOtlSetMemberInfo(o, s.east, &info, OTL_CHECK_ALL), OTL_OK);
    EXPECT_EQ(s.east->comment, nullptr);
}

TEST_F(MemberInfo, LegacyRecordLeavesTheCommentAlone)
{
    OtlMbrInfo full = record("Costs");
    std::strcpy(full.comment, "kept");
    ASSERT_EQ(adShrOtlSetMemberInfo(o, s.costs, &full, OTL_CHECK_ALL), OTL_OK);
    host.mutableCtx()->clientVersion = 0x40000;
    // Exactly 184 bytes: nothing past them may be read.
    void *block = nullptr;
    ASSERT_EQ(host.ctx()->allocate.shortForm(OTL_MBRINFO_LEGACY_SIZE, &block), OTL_OK);
    std::memcpy(block, &full, OTL_MBRINFO_LEGACY_SIZE);
    static_cast<OtlMbrInfo *>(block)->consolidation = 4;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.costs, static_cast<OtlMbrInfo *>(block), OTL_CHECK_ALL),
              OTL_OK);
    adShrOtlFree(host.ctx(), block);
    EXPECT_EQ(s.costs->consolidation, 4);
    EXPECT_STREQ(s.costs->comment, "kept");
}

TEST_F(MemberInfo, NameInTheRecordDoesNotRename)
{
    OtlMbrInfo *info = get(s.east);
    std::strcpy(info->memberName, "Eastern");
    info->consolidation = 1;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.east, info, OTL_CHECK_ALL), OTL_OK);
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    EXPECT_STREQ(s.east->memberName, "East");
    EXPECT_EQ(s.east->consolidation, 1);
    OtlItem *found = nullptr;
    adShrOtlFindMember(o, "Eastern", &found);
    EXPECT_EQ(found, nullptr);
}

TEST_F(MemberInfo, RefusedTimeBalanceLeavesTheOutlineExactly)
{
    OtlMbrInfo good = record("Sales");
    std::strcpy(good.comment, "old comment");
    ASSERT_EQ(adShrOtlSetMemberInfo(o, s.sales, &good, OTL_CHECK_ALL), OTL_OK);
    o->verified = 1;
    const std::string before = test::dumpOutline(o);
    OtlMbrInfo *info = get(s.sales);
    info->timeBalance = 4;
    std::strcpy(info->comment, "new comment");
    std::strcpy(info->infoDimName, "Other");
    info->consolidation = 2;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.sales, info, OTL_CHECK_ALL), OTL_ERR_RULE_TIME_BALANCE);
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    EXPECT_EQ(test::dumpOutline(o), before);
}

TEST_F(MemberInfo, RefusedChangeOfATextMemberRestoresValueCommentAndName)
{
    OtlMbrInfo *info = get(s.red);
    std::strcpy(info->comment, "first");
    ASSERT_EQ(adShrOtlSetMemberInfo(o, s.red, info, OTL_CHECK_ALL), OTL_OK);
    o->verified = 1;
    const std::string before = test::dumpOutline(o);
    const std::string redBefore = test::dumpItem(s.red);
    // Member properties are not allowed on attribute members; the record
    // also carries another name, another comment and no second name.
    std::strcpy(info->memberName, "Crimson");
    std::strcpy(info->comment, "second");
    info->infoDimName[0] = '\0';
    info->memberOption = 1;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.red, info, OTL_CHECK_ALL), OTL_ERR_ATTR_MEMBER_PROPS);
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    EXPECT_EQ(test::dumpItem(s.red), redBefore);
    EXPECT_EQ(test::dumpOutline(o), before);
    EXPECT_EQ(s.red->infoDimName, nullptr);
}

TEST_F(MemberInfo, RefusedTagChangeKeepsTheCalculationsDimension)
{
    // Turning the only attribute dimension into a base dimension would take
    // the calculations dimension away; a rule fault must come first.
    const std::string before = test::dumpOutline(o);
    OtlMbrInfo *info = get(s.colour);
    info->dimensionTag = 0;
    info->storageType = 2;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.colour, info, OTL_CHECK_ALL), OTL_ERR_RULE_STORAGE);
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    EXPECT_EQ(test::dumpOutline(o), before);
}

TEST_F(MemberInfo, CategoryFaultOrWarningAloneKeepsTheChange)
{
    OtlMbrInfo *info = get(s.market);
    info->dimensionCategory = 14;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.market, info, OTL_CHECK_ALL), OTL_ERR_RULE_CATEGORY);
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    EXPECT_EQ(s.market->dimensionCategory, 14);
    EXPECT_EQ(o->verified, 0);
    // The many-children warning alone keeps the change with success.
    s.market->dimensionCategory = 0;
    OtlItem *big = infotest::addChild(o, record("Big"), s.market, s.west);
    OtlItem *last = nullptr;
    for (int i = 0; i < 101; ++i) {
        const std::string name = "C" + std::to_string(i);
        last = infotest::addChild(o, record(name.c_str()), big, last);
    }
    o->verified = 1;
    OtlMbrInfo computed = record("Big");
    computed.shareOption = 5;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, big, &computed, OTL_CHECK_ALL), OTL_OK);
    EXPECT_EQ(big->shareOption, 5);
    EXPECT_EQ(o->verified, 0);
}

TEST_F(MemberInfo, ChecksComeInOrder)
{
    OtlMbrInfo info = record("East");
    o->fieldAccessMode = 1;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.eastShared, &info, OTL_CHECK_ALL), OTL_ERR_ACCESS_MODE);
    o->fieldAccessMode = 0;
    OtlItem *calc = o->root->firstChild;
    while (calc->nextSibling)
        calc = calc->nextSibling;
    ASSERT_EQ(calc->dimensionTag, OTL_TAG_ATTR_CALC);
    EXPECT_EQ(adShrOtlSetMemberInfo(o, calc, &info, OTL_CHECK_ALL), OTL_ERR_ATTR_CALC_MEMBER);
    EXPECT_EQ(adShrOtlSetMemberInfo(o, calc->firstChild, &info, OTL_CHECK_ALL),
              OTL_ERR_ATTR_CALC_MEMBER);
    // A shared member stays shared.
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.eastShared, &info, OTL_CHECK_ALL),
              OTL_ERR_RULE_DUPLICATE);
    EXPECT_EQ(o->verified, 1) << "refused attempts leave the flag";
    info.shareOption = OTL_SHARE_SHARED;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, s.eastShared, &info, OTL_CHECK_ALL), OTL_OK);
    EXPECT_EQ(o->verified, 0);
}

TEST_F(MemberInfo, ValueTextForTheOwnNameStoresAndHashesTheShortName)
{
    o->attrSpecs.nameFormat = 1;
    OtlMbrInfo size = record("Size", OTL_TAG_ATTRIBUTE);
    size.storageType = 1;
    size.dimensionCategory = 12;
    size.shareOption = 5;
    size.attrValueType = OTL_ATTR_NUMERIC;
    OtlItem *dim = infotest::addDim(o, size, s.colour);
    OtlMbrInfo ten = record("10", OTL_TAG_ATTRIBUTE);
    ten.shareOption = 5;
    ten.attrValueType = OTL_ATTR_DIM_TYPE;
    OtlItem *member = infotest::addChild(o, ten, dim);
    ASSERT_NE(member, nullptr);
    ASSERT_STREQ(member->memberName, "Size_10");
    ASSERT_STREQ(member->attrLink.attrMember.attrShortName, "10");

    // A record naming another value would uncouple name and short name: the
    // short name stays.
    OtlMbrInfo *info = get(member);
    std::strcpy(info->memberName, "11");
    EXPECT_EQ(adShrOtlSetMemberInfo(o, member, info, OTL_CHECK_ALL), OTL_OK);
    EXPECT_STREQ(member->memberName, "Size_10");
    EXPECT_STREQ(member->attrLink.attrMember.attrShortName, "10");
    // A value that does not read is refused and changes nothing.
    const std::string before = test::dumpOutline(o);
    std::strcpy(info->memberName, "eleven");
    info->consolidation = 2;
    EXPECT_EQ(adShrOtlSetMemberInfo(o, member, info, OTL_CHECK_ALL), OTL_ERR_ATTR_NOT_NUMBER);
    EXPECT_EQ(test::dumpOutline(o), before);

    // A member without a short name gets it from a record naming its own
    // value, and is hashed under it (attribute members are not found by
    // short name alone, so the bucket is read).
    otlHashRemoveShortForTest(o, member);
    std::strcpy(info->memberName, "10.0");
    info->consolidation = 0;
    const std::string withoutShortName = test::dumpOutline(o);
    const size_t blocks = host.liveBlocks();
    const uint64_t points = test::sweepAllocations(
        host, [&] { return adShrOtlSetMemberInfo(o, member, info, OTL_CHECK_ALL); },
        [&](uint64_t n) {
            EXPECT_EQ(test::dumpOutline(o), withoutShortName) << n;
            EXPECT_EQ(host.liveBlocks(), blocks) << n;
        });
    EXPECT_GE(points, 1u) << "the short name's block";
    adShrOtlFreeMbrInfo(host.ctx(), 1, info);
    EXPECT_STREQ(member->memberName, "Size_10");
    ASSERT_NE(member->attrLink.attrMember.attrShortName, nullptr);
    EXPECT_STREQ(member->attrLink.attrMember.attrShortName, "10");
    const OtlHashBucket &bucket = o->nameHash->buckets[otlHashBucketOf("10")];
    int entries = 0;
    for (uint32_t i = 0; i < bucket.count; ++i)
        if (bucket.entries[i].item == member &&
            bucket.entries[i].name == member->attrLink.attrMember.attrShortName)
            ++entries;
    EXPECT_EQ(entries, 1);
    // The member leaves the hash whole when it is deleted.
    EXPECT_EQ(adShrOtlDeleteMember(o, member, OTL_CHECK_ALL), OTL_OK);
    for (uint32_t i = 0; i < bucket.count; ++i)
        EXPECT_NE(bucket.entries[i].item, member);
}
