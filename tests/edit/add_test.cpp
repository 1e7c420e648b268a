// What the random models do not reach: the refusals that need tags,
// attribute dimensions or a read-only outline, the currency outline's limit,
// legacy client records, change texts while the log is off, and a very deep
// delete. Attribute dimensions, their calculations dimension and short names
// are the attribute model's (tests/attr/naming_test.cpp).
#include "support/outline.h"

#include <algorithm>
#include <functional>

class EditRefusal : public test::OutlineTest {};
class EditRecord : public test::OutlineTest {};

TEST_F(EditRefusal, EachRefusalReturnsItsStatusAndChangesNothing)
{
    const test::Sample s = buildSample();
    OtlMbrInfo stock = test::info("Stock");
    stock.timeBalance = 2;
    add(stock, s.accounts);
    OtlItem *calc = s.colour->nextSibling;
    ASSERT_NE(calc, nullptr);
    OtlItem *out = sentinelItem();
    auto addDim = [&](OtlMbrInfo i, OtlItem *prev) {
        return adShrOtlAddDimension(o, &i, prev, nullptr, &out);
    };
    auto del = [&](OtlItem *m, uint16_t mode) { return adShrOtlDeleteMember(o, m, mode); };
    auto delDim = [&](OtlItem *d) { return adShrOtlDeleteDimension(o, d, nullptr); };
    auto rename = [&](OtlItem *m, const char *name) { return adShrOtlRenameMember(o, m, name); };
    auto move = [&](OtlItem *m) { return adShrOtlMoveMember(o, m, s.market, nullptr); };
    OtlMbrInfo size = test::attrInfo("Size", OTL_ATTR_TEXT);
    size.storageType = 1;
    size.dimensionCategory = 12;
    const struct {
        OtlStatus expected;
        std::function<OtlStatus()> call;
    } cases[] = {
        {OTL_ERR_ACCESS_MODE, [&] { return tryAdd("", s.market); }}, // an invalid name
        {OTL_ERR_ACCESS_MODE, [&] { return addDim(test::info("D"), s.market); }},
        {OTL_ERR_ACCESS_MODE, [&] { return del(s.west, OTL_CHECK_NAMES); }},
        {OTL_ERR_ACCESS_MODE, [&] { return delDim(s.market); }},
        {OTL_ERR_ACCESS_MODE, [&] { return rename(s.west, "fine"); }},
        {OTL_ERR_ACCESS_MODE, [&] { return move(s.west); }},
        {OTL_ERR_ATTR_DIM_ORDER_ADD, [&] { return addDim(size, s.accounts); }},
        // The time dimension while Stock is time-balanced.
        {OTL_ERR_RULE_TIME_BALANCE_DIM, [&] { return del(s.year, OTL_CHECK_ALL); }},
        {OTL_ERR_RULE_TIME_BALANCE_DIM, [&] { return del(s.year, OTL_CHECK_STRUCTURE); }},
        {OTL_ERR_RULE_TIME_BALANCE_DIM, [&] { return delDim(s.year); }},
        {OTL_ERR_MEMBER_NAME, [&] { return rename(s.west, nullptr); }},
        {OTL_ERR_ATTR_CALC_MEMBER, [&] { return rename(calc, "Other"); }},
        {OTL_ERR_ATTR_CALC_MEMBER, [&] { return rename(calc->firstChild, "Other"); }},
        {OTL_ERR_ATTR_CALC_MEMBER, [&] { return move(calc->firstChild); }},
    };
    o->changeLogEnabled = 1;
    for (const auto &c : cases) {
        // Read-only: every edit refuses before anything else.
        o->fieldAccessMode = c.expected == OTL_ERR_ACCESS_MODE;
        const std::string before = dump();
        const size_t blocks = ownedBlocks();
        const size_t row = &c - cases;
        EXPECT_EQ(c.call(), c.expected) << "row " << row;
        EXPECT_EQ(test::dumpDiff(before, dump()), "") << "row " << row;
        EXPECT_EQ(ownedBlocks(), blocks) << "row " << row;
        EXPECT_EQ(out, sentinelItem()) << "row " << row;
        o->fieldAccessMode = 0;
    }
    // Accepted: a rename onto a name in use (verification reports it), and
    // the time dimension's delete when only names are checked.
    EXPECT_EQ(rename(s.west, "East"), OTL_OK);
    EXPECT_STREQ(+s.west->memberName, "East");
    EXPECT_EQ(del(s.year, OTL_CHECK_NAMES), OTL_OK);
}

TEST_F(EditRefusal, CurrencyOutlineTakesFourDimensionsButMoreMembers)
{
    EXPECT_EQ(adShrOtlCloseOutline(o), OTL_OK);
    o = newOutline(0, 1);
    OtlItem *last = nullptr;
    for (const char *n : {"D1", "D2", "D3", "D4"})
        last = add(n, nullptr, last);
    const std::string before = dump();
    EXPECT_EQ(tryAdd("D5", nullptr), OTL_ERR_CURRENCY_DIMS);
    EXPECT_EQ(tryAdd("D5", nullptr, last), OTL_ERR_CURRENCY_DIMS);
    EXPECT_EQ(tryAdd("D5", o->root), OTL_ERR_CURRENCY_DIMS);
    EXPECT_EQ(test::dumpDiff(before, dump()), "");
    OtlItem *m = add("m", last);
    EXPECT_EQ(tryAdd("n", nullptr, m), OTL_OK); // a sibling of a member is no dimension
}

// A legacy client's record ends before the comment: what lies there is not
// the client's. While the log is off a change text would not be kept, so it
// is not even copied: adding and deleting a dimension allocate what they
// would without.
TEST_F(EditRecord, LegacyClientRecordCarriesNoCommentAndChangeTextIsNotCopiedWhileTheLogIsOff)
{
    OtlMbrInfo i = test::info("x");
    std::strcpy(i.comment, "not for legacy");
    host.mutableCtx()->clientVersion = 0x40000;
    EXPECT_EQ(+add(i, dim("A"))->comment, nullptr);
    host.mutableCtx()->clientVersion = 0x50700;
    i.memberName[0] = 'y';
    EXPECT_STREQ(+add(i, find("A"))->comment, "not for legacy");
    OtlOutline *outlines[] = {newOutline(), newOutline()};
    uint64_t counts[2];
    for (int t = 0; t < 2; ++t) {
        OtlMbrInfo d = test::info("D");
        OtlItem *made = nullptr;
        const uint64_t start = host.allocations();
        ASSERT_EQ(adShrOtlAddDimension(outlines[t], &d, nullptr, t ? "why" : nullptr, &made), OTL_OK);
        ASSERT_EQ(adShrOtlDeleteDimension(outlines[t], made, t ? "why" : nullptr), OTL_OK);
        counts[t] = host.allocations() - start;
    }
    EXPECT_EQ(counts[1], counts[0]);
    EXPECT_EQ(adShrOtlCloseOutline(outlines[0]) + adShrOtlCloseOutline(outlines[1]), OTL_OK);
}

// A subtree far deeper than any recursion could walk, deleted through the
// public API and compared by dump. Adding it member by member would take
// quadratic time (each add raises every ancestor's level), so it is linked
// and counted raw, as the reader will link a file's members.
TEST_F(EditRecord, VeryDeepSubtreeIsDeletedAndComparedByDump)
{
    constexpr uint16_t kDepth = 10000;
    OtlItem *deep = dim("Deep");
    const std::string before = dump();
    OtlItem *bottom = deep;
    for (uint32_t i = 0; i < kDepth; ++i) {
        OtlItem *item = test::makeItem(o->host, ("d" + std::to_string(i)).c_str());
        otlAddChildItem(bottom, item, 0);
        ASSERT_EQ(otlHashAddItem(o->host, o, item), OTL_OK);
        item->dimensionNumber = deep->dimensionNumber;
        bottom = item;
    }
    o->stats.memberCount += kDepth;
    o->stats.storedMemberCount += kDepth;
    for (uint16_t level = 0; bottom; bottom = bottom->parent)
        bottom->level = level++;
    EXPECT_NE(dump().find("\"d9999\""), std::string::npos);
    ASSERT_EQ(adShrOtlDeleteMember(o, deep->firstChild, OTL_CHECK_ALL), OTL_OK);
    // The per-dimension counts follow adds only; the rest is as before.
    const auto withoutDimTable = [](std::string d) {
        const size_t at = d.find("dimTable=");
        return d.erase(at, d.find('\n', at) - at);
    };
    EXPECT_EQ(test::dumpDiff(withoutDimTable(before), withoutDimTable(dump())), "");
}
