// The member rule check by group and mode, the attribute-member check and
// the generation and level name clash. Each test starts from an outline on
// which every member passes and breaks one rule at a time.
#include "edit/rules.h"
#include "rules/rules_support.h"

#include <string>

using rulestest::OutlineTest;

namespace {

constexpr OtlCheckMode kAll = otl::kCheckAll;
constexpr OtlCheckMode kNames = otl::kCheckNames;
constexpr OtlCheckMode kStructure = otl::kCheckStructure;

class MemberCheck : public OutlineTest {
protected:
    void SetUp() override
    {
        OutlineTest::SetUp();
        year = dim("Year", 2);
        add(year, "Qtr1");
        measures = dim("Measures", 1);
        sales = add(measures, "Sales");
        add(measures, "Cost");
        market = dim("Market");
        east = add(market, "East");
        ny = add(east, "New York");
        add(east, "Boston");
        west = add(market, "West");
        sharedNy = add(west, "New York", OTL_SHARE_SHARED);
        add(west, "Denver");
    }

    uint32_t check(OtlItem *item, OtlCheckMode mode = kAll)
    {
        return otlCheckMember(host.ctx(), outline, item, mode);
    }

    // Every item of the outline passes in every mode.
    void expectAllClean()
    {
        for (OtlItem *d = outline->root->firstChild; d; d = d->nextSibling)
            expectClean(d);
    }
    void expectClean(OtlItem *item)
    {
        for (OtlItem *i = item; i; i = i->nextSibling) {
            EXPECT_EQ(check(i), 0u) << i->memberName;
            expectClean(i->firstChild);
        }
    }

    // An attribute dimension Size with the attribute member Big.
    OtlItem *attrDim(OtlItem **big)
    {
        OtlItem *size = dim("Size", OTL_TAG_ATTRIBUTE);
        *big = add(size, "Big", 5);
        (*big)->dimensionTag = OTL_TAG_ATTRIBUTE;
        return size;
    }

    OtlItem *year = nullptr, *measures = nullptr, *sales = nullptr, *market = nullptr;
    OtlItem *east = nullptr, *ny = nullptr, *west = nullptr, *sharedNy = nullptr;
};

} // namespace

TEST_F(MemberCheck, UniverseMemberAndNullReturnNothing)
{
    outline->root->shareOption = 9;
    outline->root->memberName[0] = ' ';
    for (OtlCheckMode mode : {0, 1, 2, 3, 0xFFFF})
        EXPECT_EQ(check(outline->root, mode), 0u) << mode;
    EXPECT_EQ(check(nullptr), 0u);
}

TEST_F(MemberCheck, ModeSelectsTheGroups)
{
    // A bad name is a names fault; a shared member with children a
    // structure fault.
    strcpy(sharedNy->memberName, "_New York");
    add(sharedNy, "Child", 0, false);
    EXPECT_EQ(check(sharedNy, kNames), otl::kFaultName);
    EXPECT_EQ(check(sharedNy, kStructure),
              otl::kFaultSharedChildren | otl::kFaultSharedNoSource);
    EXPECT_EQ(check(sharedNy, kAll),
              otl::kFaultName | otl::kFaultSharedChildren | otl::kFaultSharedNoSource);
    EXPECT_EQ(check(sharedNy, 3), 0u);
    EXPECT_EQ(check(sharedNy, 0xFFFF), 0u);
}

TEST_F(MemberCheck, DimensionStorageTagAndCategoryRanges)
{
    const struct {
        uint16_t outlineType, storage, tag, category;
        uint32_t faults;
    } cases[] = {
        {0, 2, 0, 0, otl::kFaultStorage},  {0, 1, 8, 0, otl::kFaultDimTagRange},
        {0, 1, 4, 0, otl::kFaultDimTagRange}, {1, 1, 4, 0, 0},
        {1, 1, 5, 0, otl::kFaultDimTagRange}, {1, 1, 0, 14, otl::kFaultCategory},
        {1, 1, 0, 13, 0},
    };
    for (const auto &c : cases) {
        outline->outlineType = c.outlineType;
        market->storageType = c.storage;
        market->dimensionTag = c.tag;
        market->dimensionCategory = c.category;
        EXPECT_EQ(check(market, kNames), c.faults) << c.storage << " " << c.tag << " " << c.category;
    }
    // The same values on a member below are not the dimension's to check.
    east->storageType = 2;
    east->dimensionCategory = 14;
    EXPECT_EQ(check(east, kNames), 0u);
}

TEST_F(MemberCheck, BaseDimensionWithAttributesNeedsStorageOneAndIsMarked)
{
    market->attrRole = 2;
    market->attrLink.baseDim.attrLinkCount = 1;
    EXPECT_EQ(check(market, kStructure), 0u);
    EXPECT_EQ(market->hasAttrValue, 0);
    EXPECT_EQ(check(market, kNames), otl::kFaultStorage);
    EXPECT_EQ(market->hasAttrValue, 1);
    market->storageType = 1;
    market->hasAttrValue = 0;
    EXPECT_EQ(check(market, kNames), 0u);
    EXPECT_EQ(market->hasAttrValue, 1);
    // Without links, or with another role, nothing is asked.
    market->storageType = 0;
    market->hasAttrValue = 0;
    market->attrLink.baseDim.attrLinkCount = 0;
    EXPECT_EQ(check(market, kNames), 0u);
    market->attrLink.baseDim.attrLinkCount = 1;
    market->attrRole = 0;
    EXPECT_EQ(check(market, kNames), 0u);
    EXPECT_EQ(market->hasAttrValue, 0);
    market->attrLink.baseDim.attrLinkCount = 0;
}

TEST_F(MemberCheck, AttributeDimensionAndMembers)
{
    OtlItem *big = nullptr, *size = attrDim(&big);
    add(size, "Small", 5)->dimensionTag = OTL_TAG_ATTRIBUTE;
    expectAllClean();

    size->storageType = 0;
    size->dimensionCategory = 3;
    EXPECT_EQ(check(size, kNames), otl::kFaultStorage | otl::kFaultCategory);
    size->storageType = 1;
    size->dimensionCategory = 12;
    big->shareOption = 0;
    EXPECT_EQ(check(big, kNames), otl::kFaultShareOption);
    big->shareOption = 5;
    big->formula = dup("1;");
    EXPECT_EQ(check(big, kNames), otl::kFaultAttrFormula);
    EXPECT_EQ(check(big, kStructure), 0u);
}

TEST_F(MemberCheck, ShareOptionRange)
{
    ny->shareOption = 6;
    EXPECT_EQ(check(ny, kNames), otl::kFaultShareOption);
    market->shareOption = OTL_SHARE_SHARED;
    EXPECT_EQ(check(market, kNames), otl::kFaultShareOption);
    // Share option 3 is fine for a member below a dimension.
    EXPECT_EQ(check(sharedNy, kNames), 0u);
}

TEST_F(MemberCheck, TimeBalanceSkipAndCurrencyModeOnlyInTheTagOneDimension)
{
    sales->currencyMode = 3;
    EXPECT_EQ(check(sales, kNames), otl::kFaultCurrency);
    sales->currencyMode = 0;
    sales->timeBalance = 4;
    sales->skipOption = 9;
    EXPECT_EQ(check(sales, kNames), otl::kFaultTimeBalance);
    sales->timeBalance = 3;
    EXPECT_EQ(check(sales, kNames), otl::kFaultSkip);
    sales->skipOption = 3;
    EXPECT_EQ(check(sales, kNames), 0u);

    ny->currencyMode = 3;
    ny->timeBalance = 4;
    ny->skipOption = 9;
    EXPECT_EQ(check(ny, kAll), 0u);
}

TEST_F(MemberCheck, TimeBalanceNeedsATimeDimension)
{
    sales->timeBalance = 2;
    EXPECT_EQ(check(sales), 0u);
    year->dimensionTag = 0;
    EXPECT_EQ(check(sales, kStructure), otl::kFaultNoTimeDim);
    EXPECT_EQ(check(sales, kNames), 0u);
    sales->timeBalance = 0;
    EXPECT_EQ(check(sales), 0u);
}

TEST_F(MemberCheck, CurrencyNamesByDimensionTag)
{
    strcpy(sales->currencyName, " USD");
    EXPECT_EQ(check(sales, kStructure), 0u); // no currency mode 1
    sales->currencyMode = 1;
    EXPECT_EQ(check(sales, kStructure), otl::kFaultCurrency);
    strcpy(sales->currencyName, "USD");
    EXPECT_EQ(check(sales, kStructure), 0u);

    market->dimensionTag = 3;
    strcpy(east->currencyName, "\"USD\"");
    EXPECT_EQ(check(east, kStructure), otl::kFaultCurrency);
    EXPECT_EQ(check(east, kNames), 0u);
    strcpy(east->currencyName, "USD");
    EXPECT_EQ(check(east, kStructure), 0u);
}

TEST_F(MemberCheck, DimensionTagsAreUniqueExceptAttributeTags)
{
    market->dimensionTag = 2;
    EXPECT_EQ(check(market, kStructure), otl::kFaultDimTag);
    EXPECT_EQ(check(year, kStructure), otl::kFaultDimTag);
    market->dimensionTag = 0;
    OtlItem *a = dim("Size", OTL_TAG_ATTRIBUTE);
    OtlItem *b = dim("Color", OTL_TAG_ATTRIBUTE);
    EXPECT_EQ(check(a, kStructure), 0u);
    EXPECT_EQ(check(b, kStructure), 0u);
}

TEST_F(MemberCheck, LabelOnlyMembers)
{
    ny->shareOption = OTL_SHARE_LABEL_ONLY;
    EXPECT_EQ(check(ny, kStructure), otl::kFaultLabelOnlyLeaf);
    ny->dimensionTag = OTL_TAG_ATTR_CALC;
    EXPECT_EQ(check(ny, kStructure), 0u);
    east->shareOption = OTL_SHARE_LABEL_ONLY;
    EXPECT_EQ(check(east, kStructure), 0u);
    // A label-only member cannot carry an attribute value, unless a dimension.
    east->hasAttrValue = 1;
    EXPECT_EQ(check(east, kStructure), otl::kFaultDimTag);
    EXPECT_EQ(check(east, kNames), 0u);
    market->shareOption = OTL_SHARE_LABEL_ONLY;
    market->hasAttrValue = 1;
    EXPECT_EQ(check(market, kStructure), 0u);
}

TEST_F(MemberCheck, AttributeValueTakenFromASharedChild)
{
    // West takes its value from its one stored child: the shared New York.
    west->hasAttrValue = 1;
    OtlItem *denver = sharedNy->nextSibling;
    denver->consolidation = 5;
    EXPECT_EQ(check(west, kStructure), otl::kFaultDimTag);
    west->hasAttrValue = 0;
    EXPECT_EQ(check(west, kStructure), 0u);

    // The child the value comes from decides, not the first child: here the
    // shared first child is excluded from the consolidation.
    west->hasAttrValue = 1;
    sharedNy->consolidation = 5;
    denver->consolidation = 0;
    EXPECT_EQ(check(west, kStructure), 0u);
    // Two contributing children: no single source.
    sharedNy->consolidation = 0;
    EXPECT_EQ(check(west, kStructure), 0u);
}

TEST_F(MemberCheck, AliasesOfTheUsedTablesMustBeValid)
{
    setAlias(ny, 0, "Big Apple");
    EXPECT_EQ(check(ny), 0u);
    setAlias(east, 0, "East ");
    EXPECT_EQ(check(east, kNames), otl::kFaultAlias);
    EXPECT_EQ(check(east, kStructure), 0u);
    // Slot 1 lies beyond the outline's single table.
    setAlias(west, 1, "(West)");
    EXPECT_EQ(check(west, kNames), 0u);
    outline->aliasTableCount = 2;
    EXPECT_EQ(check(west, kNames), otl::kFaultAlias);
}

TEST_F(MemberCheck, CombinationAliases)
{
    addCombo(ny, 0, "NY Boston", "New York,Boston");
    EXPECT_EQ(check(ny), 0u);
    addCombo(east, 0, "_bad", "New York");
    EXPECT_EQ(check(east, kNames), otl::kFaultComboAlias);
    addCombo(west, 0, nullptr, "Denver");
    EXPECT_EQ(check(west, kNames), otl::kFaultComboAlias);
    EXPECT_EQ(check(west, kStructure), 0u);

    OtlItem *size = dim("Size", OTL_TAG_ATTRIBUTE);
    addCombo(size, 0, "Sizes", "Size");
    EXPECT_EQ(check(size, kNames), otl::kFaultComboAlias);
}

TEST_F(MemberCheck, CombinationMemberLists)
{
    addCombo(ny, 0, "NY Boston", nullptr);
    EXPECT_EQ(check(ny, kNames), otl::kFaultComboMember);
    addCombo(east, 0, "Nowhere", "New York->Atlantis");
    EXPECT_EQ(check(east, kNames), otl::kFaultComboMember);
    EXPECT_EQ(check(east, kStructure), 0u);
    // A bad alias and a bad list are two faults.
    addCombo(west, 0, "_x", "Atlantis");
    EXPECT_EQ(check(west, kNames), otl::kFaultComboAlias | otl::kFaultComboMember);
}

TEST_F(MemberCheck, FormulasAndUserAttributesOfMembersWithoutStorage)
{
    addUserAttr(sharedNy, "Coastal");
    EXPECT_EQ(check(sharedNy, kNames), otl::kFaultSharedUda);
    EXPECT_EQ(check(sharedNy, kStructure), 0u);
    addUserAttr(ny, "Coastal");
    EXPECT_EQ(check(ny), 0u);
    east->shareOption = OTL_SHARE_LABEL_ONLY;
    east->formula = dup("1;");
    EXPECT_EQ(check(east, kNames), otl::kFaultFormulaNotStored);
    sharedNy->formula = dup("1;");
    EXPECT_EQ(check(sharedNy, kNames), otl::kFaultSharedUda | otl::kFaultFormulaNotStored);
}

TEST_F(MemberCheck, SharedMemberNeedsItsSourceInTheSameDimension)
{
    OtlItem *copy = add(measures, "Boston", OTL_SHARE_SHARED);
    EXPECT_EQ(check(copy, kStructure), otl::kFaultSharedNoSource);
    EXPECT_EQ(check(copy, kNames), 0u);
    OtlItem *orphan = add(west, "Nowhere", OTL_SHARE_SHARED);
    EXPECT_EQ(check(orphan, kStructure), otl::kFaultSharedNoSource);
    // An alias is no source.
    setAlias(ny, 0, "Apple", true);
    OtlItem *byAlias = add(west, "Apple", OTL_SHARE_SHARED);
    EXPECT_EQ(check(byAlias, kStructure), otl::kFaultSharedNoSource);
}

TEST_F(MemberCheck, NamesEqualToGenerationOrLevelNames)
{
    addGenLevelName(year, "Cities", 0, 0);
    addGenLevelName(year, nullptr, 1, 3);
    expectAllClean();
    addGenLevelName(year, "new york", 1, 2);
    EXPECT_EQ(check(ny, kNames), otl::kFaultGenLevelName);
    EXPECT_EQ(check(sharedNy, kNames), otl::kFaultGenLevelName);
    EXPECT_EQ(check(ny, kStructure), 0u);
    setAlias(east, 0, "Cities");
    EXPECT_TRUE(otlNameIsGenLevelName(east, outline));
    addCombo(west, 0, "CITIES", "Denver");
    EXPECT_TRUE(otlNameIsGenLevelName(west, outline));
    EXPECT_FALSE(otlNameIsGenLevelName(sales, outline));
    // A case-sensitive outline compares exactly.
    outline->caseSensitive = 1;
    EXPECT_FALSE(otlNameIsGenLevelName(ny, outline));
    EXPECT_FALSE(otlNameIsGenLevelName(west, outline));
    EXPECT_TRUE(otlNameIsGenLevelName(east, outline));
}

TEST_F(MemberCheck, ComputedMembers)
{
    OtlItem *variance = add(measures, "Variance", 5);
    EXPECT_EQ(check(variance, kStructure), otl::kFaultShareOption);
    EXPECT_EQ(check(variance, kNames), 0u);
    variance->formula = dup("Sales - Cost;");
    EXPECT_EQ(check(variance), 0u);

    // An only child must be computed like its parent.
    OtlItem *ratio = add(variance, "Ratio", 4);
    ratio->formula = dup("1;");
    EXPECT_EQ(check(ratio), 0u);
    variance->shareOption = 0;
    EXPECT_EQ(check(ratio, kStructure), otl::kFaultStorage);
    variance->shareOption = 5;

    // Level 2 without children cannot be.
    ratio->level = 2;
    EXPECT_EQ(check(ratio, kStructure), otl::kFaultCategory);
    ratio->level = 0;

    // A computed member with more than 100 children is a warning.
    OtlItem *many = add(measures, "Many", 5);
    for (int i = 0; i < 100; ++i)
        add(many, ("M" + std::to_string(i)).c_str(), 0, false);
    EXPECT_EQ(check(many, kStructure), 0u);
    add(many, "M100", 0, false);
    EXPECT_EQ(check(many, kStructure), otl::kFaultWarningChildren);
    EXPECT_EQ(otlFaultsToStatus(check(many), 0), OTL_OK);
    many->dimensionTag = OTL_TAG_ATTR_CALC;
    EXPECT_EQ(check(many, kStructure), 0u);
}

TEST_F(MemberCheck, ComputedAttributeMembersNeedNoFormula)
{
    OtlItem *big = nullptr, *size = attrDim(&big);
    EXPECT_EQ(check(big), 0u);
    // The attribute dimension is computed too, so its only child is fine.
    size->shareOption = 0;
    EXPECT_EQ(check(big, kStructure), otl::kFaultStorage);
    EXPECT_EQ(check(size, kNames), otl::kFaultShareOption);
}

TEST_F(MemberCheck, AttributeMemberCheck)
{
    OtlItem *big = nullptr, *size = attrDim(&big);
    OtlItem *huge = add(big, "Huge", 5);
    huge->dimensionTag = OTL_TAG_ATTRIBUTE;
    auto attr = [&](OtlItem *i) { return otlCheckAttrMember(host.ctx(), outline, i); };
    EXPECT_EQ(attr(big), 0u);
    EXPECT_EQ(attr(huge), 0u);
    addUserAttr(big, "x");
    EXPECT_EQ(attr(big), otl::kAttrFaultUda);
    big->dimensionTag = 0;
    EXPECT_EQ(attr(big), 0u); // not an attribute member
    EXPECT_EQ(attr(huge), otl::kAttrFaultParent);
    big->dimensionTag = OTL_TAG_ATTRIBUTE;
    for (int field = 0; field < 4; ++field) {
        huge->currencyMode = field == 0;
        huge->memberOption = field == 1;
        huge->timeBalance = field == 2;
        huge->skipOption = field == 3;
        EXPECT_EQ(attr(huge), otl::kAttrFaultMemberProps) << field;
    }
    // The dimension itself and base members are not checked here.
    addUserAttr(size, "x");
    size->timeBalance = 1;
    EXPECT_EQ(attr(size), 0u);
    ny->timeBalance = 1;
    EXPECT_EQ(attr(ny), 0u);
    EXPECT_EQ(attr(nullptr), 0u);
}

TEST_F(MemberCheck, FailedTrimInAMemberListIsAMissingMember)
{
    addCombo(ny, 0, "Pair", " Boston ,Denver");
    const std::string before = test::dumpOutline(outline);
    for (uint64_t n = 1;; ++n) {
        host.failAt(n);
        const uint32_t faults = check(ny);
        const bool hit = host.injected();
        host.disarm();
        EXPECT_EQ(test::dumpOutline(outline), before) << "allocation " << n;
        EXPECT_TRUE(host.errors().empty());
        if (!hit) {
            EXPECT_EQ(faults, 0u);
            EXPECT_EQ(n, 3u); // one trim per name
            break;
        }
        EXPECT_EQ(faults, n == 1 ? otl::kFaultComboMember : 0u) << "allocation " << n;
    }
}
