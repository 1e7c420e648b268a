// The member rule check by group and mode, the attribute-member check and the
// generation and level name clash. Every rule is one row: one change to an
// outline on which every member passes, and the faults each check reports.
#include "edit/rules.h"
#include "support/outline.h"

#include <cstring>
#include <functional>
#include <string>

using namespace otl;

namespace {

class MemberCheck : public test::OutlineTest {
protected:
    void SetUp() override { OutlineTest::SetUp(); build(); }

    // Year(time){Qtr1} Measures(accounts){Sales, Cost}
    // Market{East{New York, Boston}, West{New York (shared), Denver}}
    void build()
    {
        append(year = appendDim("Year", 2), "Qtr1");
        measures = appendDim("Measures", 1);
        sales = append(measures, "Sales"), cost = append(measures, "Cost");
        east = append(market = appendDim("Market"), "East"), ny = append(east, "New York");
        append(east, "Boston"), west = append(market, "West");
        sharedNy = append(west, "New York", OTL_SHARE_SHARED), denver = append(west, "Denver");
    }

    uint32_t check(OtlItem *item, OtlCheckMode mode = kCheckAll) { return otlCheckMember(host.ctx(), o, item, mode); }

    // The attribute dimension Size with its one attribute member Big.
    OtlItem *attrDim()
    {
        size = appendDim("Size", OTL_TAG_ATTRIBUTE);
        (big = append(size, "Big", 5))->dimensionTag = OTL_TAG_ATTRIBUTE;
        return size;
    }

    // A computed member of Measures with unhashed children.
    OtlItem *computed(int children, uint16_t tag = 0)
    {
        OtlItem *many = append(measures, "Many", 5);
        many->dimensionTag = tag;
        for (int i = 0; i < children; ++i)
            append(many, ("M" + std::to_string(i)).c_str(), 0, false);
        return many;
    }

    OtlItem *year, *measures, *sales, *cost, *market, *east, *ny, *west, *sharedNy, *denver;
    OtlItem *size = nullptr, *big = nullptr;
};

} // namespace

TEST_F(MemberCheck, EveryMemberWithinTheRulesPasses)
{
    attrDim();
    append(big, "Huge", 5)->dimensionTag = OTL_TAG_ATTRIBUTE;
    appendDim("Color", OTL_TAG_ATTRIBUTE); // attribute tags may repeat,
    appendDim("Product");                  // and so may no tag at all
    appendDim("Scenario");
    market->dimensionTag = 3; // currency names
    std::strcpy(east->currencyName, "USD"), std::strcpy(sales->currencyName, "USD");
    sales->currencyMode = 1, sales->timeBalance = 3, sales->skipOption = 3;
    sales->shareOption = 4, sales->formula = dup("1;"); // computed, with stored siblings
    cost->currencyMode = 2, cost->timeBalance = 1;
    east->shareOption = OTL_SHARE_LABEL_ONLY; // has children
    denver->consolidation = 5; // West's value now comes from the shared New York, but it has none
    setAlias(ny, 0, "Big Apple"), addCombo(ny, 0, "NY Boston", "New York,Boston");
    addUserAttr(ny, "Coastal");
    addGenLevelName(year, "Cities", 0, 0);
    addGenLevelName(year, nullptr, 1, 3);
    addGenLevelName(year, "", 1, 4);
    OtlItem *variance = append(measures, "Variance", 5);
    variance->formula = dup("Sales - Cost;");
    append(variance, "Ratio", 4)->formula = dup("1;"); // computed only child of a computed parent
    for (OtlItem *i = o->root->firstChild; i; i = nextInSubtree(i, o->root)) {
        EXPECT_EQ(check(i), 0u) << i->memberName;
        EXPECT_EQ(otlCheckAttrMember(host.ctx(), o, i), 0u) << i->memberName;
    }
}

// Each row changes the clean outline and names the member checked: the
// names and structure groups report their own bits, mode 0 both, any other
// mode nothing; the attribute-member check its word-2 bits.
TEST_F(MemberCheck, EachRuleByGroup)
{
    const auto dimFields = [this](uint16_t type, uint16_t storage, uint16_t tag, uint16_t cat) {
        return [=, this] {
            o->outlineType = type, market->storageType = storage;
            market->dimensionTag = tag, market->dimensionCategory = cat;
            return market;
        };
    };
    const auto attrMember = [this](void (*change)(OtlItem *)) { return [=, this] { attrDim(); change(big); return big; }; };
    const auto levelName = [this](OtlItem *dimension, const char *text, bool exact = false) {
        addGenLevelName(dimension, text, 1, 2);
        o->caseSensitive = exact;
    };
    const uint32_t props = kAttrFaultMemberProps;
    const uint16_t labelOnly = OTL_SHARE_LABEL_ONLY, shared = OTL_SHARE_SHARED;
    const struct {
        const char *what;
        std::function<OtlItem *()> setup;
        uint32_t names, structure, attr = 0;
    } rules[] = {
        {"no member", [] { return nullptr; }, 0, 0},
        {"universe member", [&] { o->root->shareOption = 9; o->root->memberName[0] = ' '; return o->root; }, 0, 0},
        {"bad name, shared member with a child",
         [&] { sharedNy->memberName[0] = '_'; append(sharedNy, "Kid", 0, false); return sharedNy; },
         kFaultName, kFaultSharedChildren | kFaultSharedNoSource},
        // Value ranges of a dimension, by outline type.
        {"storage type 2", dimFields(0, 2, 0, 0), kFaultStorage, 0},
        {"tag 8", dimFields(0, 1, 8, 0), kFaultDimTagRange, 0},
        {"tag 7", dimFields(0, 1, 7, 0), 0, 0},
        {"currency tag, normal outline", dimFields(0, 1, 4, 0), kFaultDimTagRange, 0},
        {"currency tag, currency outline", dimFields(1, 1, 4, 0), 0, 0},
        {"normal tag, currency outline", dimFields(1, 1, 5, 0), kFaultDimTagRange, 0},
        {"normal tag, normal outline", dimFields(0, 1, 5, 0), 0, 0},
        {"category 14", dimFields(1, 1, 0, 14), kFaultCategory, 0},
        {"category 13", dimFields(1, 1, 0, 13), 0, 0},
        {"dimension values on a member", [&] { east->storageType = 2; east->dimensionCategory = 14; return east; }, 0, 0},
        // Attribute dimensions and members: computed and stored alike.
        {"attribute dimension storage and category",
         [&] { attrDim()->storageType = 0; size->dimensionCategory = 3; return size; }, kFaultStorage | kFaultCategory, 0},
        {"attribute dimension not computed", [&] { attrDim()->shareOption = 0; return size; }, kFaultShareOption, 0},
        {"its only child", [&] { attrDim()->shareOption = 0; return big; }, 0, kFaultStorage},
        {"attribute dimension with a user attribute and a time balance",
         [&] { addUserAttr(attrDim(), "x"); size->timeBalance = 1; return size; }, 0, 0},
        {"attribute member not computed", attrMember([](OtlItem *i) { i->shareOption = 0; }), kFaultShareOption, 0},
        {"attribute member, formula", [&] { attrDim(); big->formula = dup("1;"); return big; }, kFaultAttrFormula, 0},
        {"attribute member, user attribute", [&] { attrDim(); addUserAttr(big, "x"); return big; }, 0, 0, kAttrFaultUda},
        {"with a currency mode", attrMember([](OtlItem *i) { i->currencyMode = 1; }), 0, 0, props},
        {"with a member option", attrMember([](OtlItem *i) { i->memberOption = 1; }), 0, 0, props},
        {"with a time balance", attrMember([](OtlItem *i) { i->timeBalance = 1; }), 0, 0, props},
        {"with a skip option", attrMember([](OtlItem *i) { i->skipOption = 1; }), 0, 0, props},
        {"attribute member below a base member", [&] {
             attrDim()->firstChild->dimensionTag = 0;
             append(big, "Huge", 5)->dimensionTag = OTL_TAG_ATTRIBUTE;
             return big->firstChild;
         }, 0, 0, kAttrFaultParent},
        {"share option 6", [&] { ny->shareOption = 6; return ny; }, kFaultShareOption, 0},
        {"shared dimension", [&] { market->shareOption = shared; return market; }, kFaultShareOption,
         kFaultSharedChildren | kFaultSharedNoSource},
        // Ranges of the accounts dimension only.
        {"currency mode 3", [&] { sales->currencyMode = 3; return sales; }, kFaultCurrency, 0},
        {"time balance 4 hides the skip option", [&] { sales->timeBalance = 4; sales->skipOption = 9; return sales; },
         kFaultTimeBalance, 0},
        {"skip option 4", [&] { sales->skipOption = 4; return sales; }, kFaultSkip, 0},
        {"accounts ranges elsewhere", [&] { ny->currencyMode = 3; ny->timeBalance = 4; ny->skipOption = 9; return ny; },
         0, 0},
        {"time balance 1, no time dimension", [&] { sales->timeBalance = 1; year->dimensionTag = 0; return sales; }, 0,
         kFaultNoTimeDim},
        {"time balance 3, no time dimension", [&] { sales->timeBalance = 3; year->dimensionTag = 0; return sales; }, 0,
         kFaultNoTimeDim},
        {"no time balance, no time dimension", [&] { year->dimensionTag = 0; return sales; }, 0, 0},
        // Currency names are checked under currency mode 1 or in a tag 3 dimension.
        {"bad currency, mode 0", [&] { std::strcpy(sales->currencyName, " USD"); return sales; }, 0, 0},
        {"bad currency name, mode 1",
         [&] { std::strcpy(sales->currencyName, " USD"); sales->currencyMode = 1; return sales; }, 0, kFaultCurrency},
        {"bad currency name, tag 3",
         [&] { market->dimensionTag = 3; std::strcpy(east->currencyName, "\"USD\""); return east; }, 0, kFaultCurrency},
        {"tag used twice", [&] { market->dimensionTag = 2; return market; }, 0, kFaultDimTag},
        // Label-only members and attribute values.
        {"label-only leaf", [&] { ny->shareOption = labelOnly; return ny; }, 0, kFaultLabelOnlyLeaf},
        {"label-only leaf of attribute calculations",
         [&] { ny->shareOption = labelOnly; ny->dimensionTag = OTL_TAG_ATTR_CALC; return ny; }, 0, 0},
        {"label-only member with an attribute value",
         [&] { east->shareOption = labelOnly; east->hasAttrValue = 1; return east; }, 0, kFaultDimTag},
        {"label-only dimension with an attribute value",
         [&] { market->shareOption = labelOnly; market->hasAttrValue = 1; return market; }, 0, 0},
        {"attribute value from the one contributing child, shared",
         [&] { west->hasAttrValue = 1; denver->consolidation = 5; return west; }, 0, kFaultDimTag},
        {"attribute value from one stored child while the first child is shared",
         [&] { west->hasAttrValue = 1; sharedNy->consolidation = 5; return west; }, 0, kFaultDimTag},
        {"attribute value from one child, the first stored",
         [&] { west->hasAttrValue = 1; sharedNy->shareOption = 0; denver->consolidation = 5; return west; }, 0, 0},
        {"attribute value from two children", [&] { west->hasAttrValue = 1; return west; }, 0, 0},
        // Aliases and combinations of the tables in use.
        {"bad alias", [&] { setAlias(east, 0, "East "); return east; }, kFaultAlias, 0},
        {"bad alias beyond the tables", [&] { setAlias(west, 1, "(West)"); return west; }, 0, 0},
        {"bad alias, second table", [&] { setAlias(west, 1, "(West)"); o->aliasTableCount = 2; return west; },
         kFaultAlias, 0},
        {"bad combination alias", [&] { addCombo(east, 0, "_bad", "New York"); return east; }, kFaultComboAlias, 0},
        {"combination without alias", [&] { addCombo(west, 0, nullptr, "Denver"); return west; }, kFaultComboAlias, 0},
        {"combination on an attribute dimension", [&] { addCombo(attrDim(), 0, "Sizes", "Size"); return size; },
         kFaultComboAlias, 0},
        {"combination without list", [&] { addCombo(ny, 0, "NY", nullptr); return ny; }, kFaultComboMember, 0},
        {"combination naming no member", [&] { addCombo(east, 0, "No", "New York->Atlantis"); return east; },
         kFaultComboMember, 0},
        // What members without storage may not carry.
        {"shared member, user attribute", [&] { addUserAttr(sharedNy, "C"); return sharedNy; }, kFaultSharedUda, 0},
        {"label-only member with a formula",
         [&] { east->shareOption = labelOnly; east->formula = dup("1;"); return east; }, kFaultFormulaNotStored, 0},
        // A shared member's source is a member name of its own dimension.
        {"source in another dimension", [&] { return append(measures, "Boston", shared); }, 0, kFaultSharedNoSource},
        {"no source", [&] { return append(west, "Nowhere", shared); }, 0, kFaultSharedNoSource},
        {"an alias as source", [&] { setAlias(ny, 0, "Apple", true); return append(west, "Apple", shared); }, 0,
         kFaultSharedNoSource},
        // Generation and level names of any dimension, by the outline's case rule.
        {"name equal to a level name", [&] { levelName(year, "new york"); return ny; }, kFaultGenLevelName, 0},
        {"name equal to a level name but for case", [&] { levelName(year, "new york", true); return ny; }, 0, 0},
        {"alias equal to a level name",
         [&] { levelName(market, "Cities", true); setAlias(east, 0, "Cities"); return east; }, kFaultGenLevelName, 0},
        {"alias beyond the tables equal to a level name",
         [&] { levelName(market, "Cities"); setAlias(east, 1, "Cities"); return east; }, 0, 0},
        {"combination alias equal to a level name",
         [&] { levelName(year, "Cities"); addCombo(west, 0, "CITIES", "Denver"); return west; }, kFaultGenLevelName, 0},
        {"combination alias equal to a level name but for case",
         [&] { levelName(year, "City", true); addCombo(west, 0, "CITY", "Denver"); return west; }, 0, 0},
        // Computed members.
        {"computed leaf without formula", [&] { return append(measures, "V", 5); }, 0, kFaultShareOption},
        {"computed only child of a stored parent",
         [&] { auto *r = append(append(measures, "V"), "R", 4); r->formula = dup("1;"); return r; }, 0, kFaultStorage},
        {"computed leaf at level 2",
         [&] { auto *v = append(year, "V", 4); v->formula = dup("1;"); v->level = 2; return v; }, 0, kFaultCategory},
        {"computed with 100 children", [&] { return computed(100); }, 0, 0},
        {"computed with 101 children", [&] { return computed(101); }, 0, kFaultWarningChildren},
        {"attribute calculations member with 101 children", [&] { return computed(101, OTL_TAG_ATTR_CALC); }, 0, 0},
    };
    for (const auto &rule : rules) {
        SCOPED_TRACE(rule.what);
        // Aliases beyond the tables in use are not the outline's to release,
        // so the count covers every slot a row may have filled.
        o->aliasTableCount = 2;
        EXPECT_EQ(adShrOtlCloseOutline(o), OTL_OK);
        o = newOutline();
        build();
        OtlItem *item = rule.setup();
        EXPECT_EQ(check(item, kCheckNames), rule.names);
        EXPECT_EQ(check(item, kCheckStructure), rule.structure);
        EXPECT_EQ(check(item, kCheckAll), rule.names | rule.structure);
        for (OtlCheckMode other : {3, 0xFFFF})
            EXPECT_EQ(check(item, other), 0u);
        EXPECT_EQ(otlCheckAttrMember(host.ctx(), o, item), rule.attr);
    }
}

// The one change a check makes: a base dimension with attribute links is
// marked as carrying attribute values by the names group, and needs
// storage type 1.
TEST_F(MemberCheck, BaseDimensionMarkedAndFailedTrimInAMemberList)
{
    attrDim();
    const struct {
        OtlItem *dimension;
        uint16_t role, links, storage;
        uint32_t faults;
        uint8_t marked;
    } cases[] = {{market, 2, 1, 0, kFaultStorage, 1}, {market, 2, 1, 1, 0, 1},
                 {market, 2, 0, 0, 0, 0}, {market, 0, 1, 0, 0, 0}, {size, 2, 1, 1, 0, 0}};
    for (const auto &c : cases) {
        OtlItem *d = c.dimension;
        d->attrRole = c.role, d->attrLink.baseDim.attrLinkCount = c.links, d->storageType = c.storage;
        d->hasAttrValue = 0;
        SCOPED_TRACE(testing::Message() << d->memberName << c.role << c.links << c.storage);
        EXPECT_EQ(check(d, kCheckStructure) * 10 + d->hasAttrValue, 0u) << "the structure group marks nothing";
        EXPECT_EQ(check(d, kCheckNames) * 10 + d->hasAttrValue, c.faults * 10 + c.marked);
    }
    // A name whose trim fails is looked up as collected: " Boston " is then
    // missing, "Denver" is found anyway. The check changes nothing either way.
    addCombo(ny, 0, "Pair", " Boston ,Denver");
    const std::string before = dump();
    uint32_t faults = 0;
    const auto attempt = [&] {
        faults = check(ny);
        return host.injected() ? test::kInjected : OTL_OK; // the check has no status of its own
    };
    EXPECT_EQ(test::sweepAllocations(host, attempt, [&](uint64_t n) {
        EXPECT_EQ(faults, n == 1 ? kFaultComboMember : 0u) << "allocation " << n;
        EXPECT_EQ(dump(), before) << "allocation " << n;
    }), 2u); // one trim per name
    EXPECT_EQ(faults, 0u);
    EXPECT_EQ(dump(), before);
}
