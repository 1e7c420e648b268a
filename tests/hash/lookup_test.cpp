// The general lookup and adShrOtlFindMember: the case rule, and each filter
// (shared members, aliases by table, attribute members, parent names,
// dimensions).
#include "core/alloc.h"
#include "core/host.h"
#include "support/fixture.h"
#include "tree/builder.h"

using test::addChild;
using test::addDim;

class Lookup : public test::OutlineTest {
protected:
    OtlItem *find(const char *name, const char *parent = nullptr, bool members = true,
                  bool aliases = false, uint16_t table = 0, const OtlItem *dim = nullptr)
    {
        OtlItem *r = reinterpret_cast<OtlItem *>(1);
        EXPECT_EQ(otlHashLookup(host.ctx(), o, name, parent, members, aliases, table, dim, &r),
                  OTL_OK);
        return r;
    }
    void alias(OtlItem *item, uint16_t slot, const char *text)
    {
        item->aliases[slot].alias = test::dupText(host.ctx(), text);
        ASSERT_EQ(otlHashInsert(host.ctx(), o, item, item->aliases[slot].alias,
                                static_cast<uint16_t>(slot + 1)),
                  OTL_OK);
    }
};

TEST_F(Lookup, CaseVariantsUnderBothCaseRules)
{
    OtlItem *dim = addDim(o, "Product");
    OtlItem *lower = addChild(o, dim, "cola");
    OtlItem *upper = addChild(o, dim, "COLA");
    OtlItem *mixed = addChild(o, dim, "Cola");
    o->caseSensitive = 1;
    EXPECT_EQ(find("cola"), lower);
    EXPECT_EQ(find("COLA"), upper);
    EXPECT_EQ(find("Cola"), mixed);
    EXPECT_EQ(find("cOLA"), nullptr);
    o->caseSensitive = 0; // the first entry of the run, whichever case
    const OtlHashEntry &first = o->nameHash->buckets[otlHashBucketOf("cola")].entries[0];
    EXPECT_EQ(find("cOLA"), first.item);
    EXPECT_EQ(find("Pepsi"), nullptr);
    EXPECT_EQ(find(nullptr), nullptr);
}

TEST_F(Lookup, FindMemberFindsTheUniverseByItsFixedName)
{
    OtlItem *r = nullptr;
    ASSERT_EQ(adShrOtlFindMember(o, "quorvel universe member", &r), OTL_OK);
    EXPECT_EQ(r, o->root);
    ASSERT_EQ(adShrOtlFindMember(o, "Database (undefined)", &r), OTL_OK);
    EXPECT_EQ(r, nullptr); // the root's own name is not hashed
    OtlItem *dim = addDim(o, "Year");
    r = nullptr;
    ASSERT_EQ(adShrOtlFindMember(o, "YEAR", &r), OTL_OK);
    EXPECT_EQ(r, dim);
    r = dim;
    ASSERT_EQ(adShrOtlFindMember(o, "Decade", &r), OTL_OK);
    EXPECT_EQ(r, nullptr);
}

TEST_F(Lookup, SharedMembersAreSkippedUnlessAParentIsNamed)
{
    OtlItem *product = addDim(o, "Product");
    OtlItem *diet = addChild(o, product, "Diet");
    OtlItem *copy = addChild(o, diet, "Cola", OTL_SHARE_SHARED); // entered first
    OtlItem *colas = addChild(o, product, "Colas");
    OtlItem *cola = addChild(o, colas, "Cola");
    EXPECT_EQ(find("Cola"), cola);
    OtlItem *r = nullptr;
    ASSERT_EQ(adShrOtlFindMember(o, "Cola", &r), OTL_OK);
    EXPECT_EQ(r, cola);
    EXPECT_EQ(find("Cola", "Diet"), copy);
    EXPECT_EQ(find("Cola", "colas"), cola);
    EXPECT_EQ(find("Cola", "Product"), nullptr);
    // A dimension's parent is the universe member, which no parent name finds.
    EXPECT_EQ(find("Product", "Database (undefined)"), nullptr);
    EXPECT_EQ(find("Product", "Quorvel Universe Member"), nullptr);
}

TEST_F(Lookup, AliasesByTableAndMemberNamesBySwitch)
{
    o->aliasTableCount = 3;
    OtlItem *market = addDim(o, "Market");
    OtlItem *east = addChild(o, market, "East");
    OtlItem *west = addChild(o, market, "West");
    alias(east, 0, "Orient");
    alias(west, 2, "Orient");
    EXPECT_EQ(find("Orient"), nullptr); // member names only
    EXPECT_EQ(find("Orient", nullptr, false, true, 3), west);
    EXPECT_EQ(find("Orient", nullptr, false, true, 1), east);
    EXPECT_EQ(find("Orient", nullptr, false, true, 2), nullptr);
    OtlItem *any = find("Orient", nullptr, false, true, 0);
    EXPECT_TRUE(any == east || any == west);
    // Table 0 accepts member names too, even with the member switch off.
    EXPECT_EQ(find("East", nullptr, false, true, 0), east);
    EXPECT_EQ(find("East", nullptr, false, true, 1), nullptr);
    EXPECT_EQ(find("East", nullptr, false, false, 0), nullptr);
    // With a parent name the same table rule applies.
    EXPECT_EQ(find("Orient", "Market", false, true, 3), west);
    EXPECT_EQ(find("Orient", "Market", true, false, 0), nullptr);
}

TEST_F(Lookup, AttributeMembersAreFoundByFullNameNeverByShortNameAlone)
{
    o->attrSpecs.nameFormat = 1;
    OtlItem *sizes = addDim(o, "Sizes", OTL_TAG_ATTRIBUTE);
    OtlItem *m = test::makeItem(host.ctx(), "Sizes_12");
    otlAddChildItem(sizes, m, 1);
    m->dimensionTag = OTL_TAG_ATTRIBUTE;
    m->attrValueType = OTL_ATTR_NUMERIC;
    m->attrLink.attrMember.attrShortName = test::dupText(host.ctx(), "12");
    alias(m, 0, "Twelve");
    ASSERT_EQ(otlHashAddItem(host.ctx(), o, m), OTL_OK);
    EXPECT_EQ(find("Sizes_12"), m);
    EXPECT_EQ(find("Sizes_12", nullptr, false, false), m); // the switch is not consulted
    EXPECT_EQ(find("12"), nullptr);
    EXPECT_EQ(find("12", nullptr, true, true, 0), nullptr);
    EXPECT_EQ(find("Twelve"), nullptr);
    EXPECT_EQ(find("Twelve", nullptr, false, true, 1), m);
    EXPECT_EQ(find("Twelve", nullptr, false, true, 2), nullptr);
    ASSERT_EQ(otlHashRemoveItem(host.ctx(), o, m), OTL_OK);
    otl::hostFree(host.ctx(), m->attrLink.attrMember.attrShortName);
    m->attrLink.attrMember.attrShortName = nullptr;
    ASSERT_EQ(otlHashInsert(host.ctx(), o, m, m->memberName, 0), OTL_OK);
}

TEST_F(Lookup, DimensionFilterKeepsOnlyMembersOfThatDimension)
{
    OtlItem *year = addDim(o, "Year");
    OtlItem *scenario = addDim(o, "Scenario");
    OtlItem *inYear = addChild(o, year, "Total");
    OtlItem *inScenario = addChild(o, scenario, "total");
    EXPECT_EQ(find("Total", nullptr, true, false, 0, scenario), inScenario);
    EXPECT_EQ(find("Total", nullptr, true, false, 0, year), inYear);
    EXPECT_EQ(find("Year", nullptr, true, false, 0, year), year);
    EXPECT_EQ(find("Year", nullptr, true, false, 0, scenario), nullptr);
}
