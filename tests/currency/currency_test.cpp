// Generating a currency outline from Accounts(accounts){Sales, Costs},
// Year(time){Qtr1{Jan, Feb}, Qtr2} and Market(country){East, West, South}
// with currency categories and names, aliases in two tables, a combination,
// a tag and a formula.
#include "support/outline.h"

class Currency : public test::OutlineTest {};

TEST_F(Currency, CopiesTheTimeDimensionAndListsTheCurrenciesOrLeavesNothing)
{
    OtlItem *accounts = dim(test::info("Accounts", 0, OTL_TAG_ACCOUNTS)), *year = dim(test::info("Year", 0, OTL_TAG_TIME), accounts);
    OtlItem *market = dim(test::info("Market", 0, OTL_TAG_COUNTRY), year), *qtr1 = add("Qtr1", year), *jan = add("Jan", qtr1);
    OtlItem *east = add("East", market), *west = add("West", market, east), *sales = add("Sales", accounts);
    for (auto [item, currency] : {std::pair{sales, "Income"}, {add("Costs", accounts, sales), "Income"}, {east, "USD"}, {west, "EUR"}, {add("South", market, west), "USD"}})
        std::strcpy(item->currencyName, currency);
    add("Feb", qtr1, jan), add("Qtr2", year, qtr1);
    ASSERT_EQ(adShrOtlCreateAliasTable(o, "Long") + adShrOtlSetMemberAlias(o, jan, nullptr, "January", 0) +
                  adShrOtlSetMemberAlias(o, jan, "Long", "First month", 0) + adShrOtlSetUserAttribute(o, jan, "Cold") +
                  adShrOtlAddAliasCombination(o, qtr1, nullptr, "Winter", "Jan,Feb") + adShrOtlSetMemberFormula(o, qtr1, "Jan;"),
              0u);
    // Refused without each dimension in turn and in field-access mode;
    // after an add that fails (a currency named like a month) and at each
    // allocation, nothing remains and the source is as it was.
    const auto sentinel = reinterpret_cast<OtlOutline *>(&this->sentinel);
    const std::string before = dump();
    const size_t blocks = ownedBlocks();
    OtlOutline *c = sentinel;
    const uint16_t tags[][3] = {{1, 2, 0}, {0, 2, 0}, {1, 0, 3}}; // accounts, time, country
    for (const auto &t : tags) {
        accounts->dimensionTag = t[0], year->dimensionTag = t[1], market->dimensionTag = t[2];
        EXPECT_EQ(adShrOtlGenerateCurrencyOutline(o, &c), t[2] ? OTL_ERR_NO_TIME_DIM : t[0] ? OTL_ERR_NO_TAG3_DIM : OTL_ERR_NO_TAG1_DIM);
    }
    accounts->dimensionTag = 1, year->dimensionTag = 2, market->dimensionTag = 3, o->fieldAccessMode = 1;
    EXPECT_EQ(adShrOtlGenerateCurrencyOutline(o, &c), OTL_ERR_ACCESS_MODE);
    o->fieldAccessMode = 0, std::strcpy(east->currencyName, "Feb");
    EXPECT_EQ(adShrOtlGenerateCurrencyOutline(o, &c), OTL_ERR_MEMBER_NAME_USED);
    std::strcpy(east->currencyName, "USD");
    EXPECT_TRUE(c == sentinel && ownedBlocks() == blocks && dump() == before);
    EXPECT_GT(test::sweepAllocations(host, [&] { return c = sentinel, adShrOtlGenerateCurrencyOutline(o, &c); },
                                     [&](uint64_t n) { EXPECT_TRUE(c == sentinel && ownedBlocks() == blocks) << n; }),
              0u);
    ASSERT_NE(c, sentinel);
    EXPECT_TRUE(dump() == before && c->outlineType == 1 && c->autoConfigure == 1 && c->caseSensitive == 0);
    std::string dims;
    for (const OtlItem *d = c->root->firstChild; d; d = d->nextSibling) {
        dims += std::string(d->memberName) + "/" + std::to_string(d->dimensionTag * 10 + d->storageType) + "{";
        for (const OtlItem *m = d->firstChild; m; m = m->nextSibling)
            dims += std::string(" ") + m->memberName;
        dims += " } ";
    }
    EXPECT_EQ(dims, "Year/20{ Qtr1 Qtr2 } CurCategory/10{ Income } CurName/30{ USD EUR } CurType/41{ } ");
    // The copy: the source's shape and fields, its own texts (a text
    // released twice would be caught), the default table's alias and
    // combination, the tag; it is found by name and by alias.
    OtlItem *copy = c->root->firstChild, *found = nullptr;
    for (OtlItem *x = year; x; x = otl::nextInSubtree(x, year), copy = otl::nextInSubtree(copy, c->root)) {
        std::string mine = test::dumpItem(copy), theirs = test::dumpItem(x);
        if (const size_t at = theirs.find(" alias1="); at != std::string::npos)
            theirs.erase(at, theirs.find(" uda=") - at);
        EXPECT_EQ(mine.substr(0, mine.find(" faults=")), theirs.substr(0, theirs.find(" faults=")));
        EXPECT_TRUE(adShrOtlFindMember(c, x->memberName, &found) == OTL_OK && found == copy);
    }
    EXPECT_TRUE(adShrOtlFindAlias(c, "Winter", nullptr, &found) == OTL_OK && found == c->root->firstChild->firstChild);
    EXPECT_TRUE(c->stats.memberCount == 11 && test::hashProblems(c).empty());
    OtlOutline *again = nullptr;
    EXPECT_EQ(adShrOtlGenerateCurrencyOutline(c, &again), OTL_ERR_ALREADY_CURRENCY);
    adShrOtlCloseOutline(c);
}
