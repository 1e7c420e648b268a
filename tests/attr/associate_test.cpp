// Associations: every refusal in its order, then a random run against a
// model of link slots and entries in which each association that should
// succeed first fails at every allocation it makes.
#include "support/outline.h"

#include <random>

class AttrAssociation : public test::OutlineTest {};

// Dimensions on and off, members on without replacing and off, members on
// replacing.
using Op = OtlStatus (*)(OtlOutline *, OtlItem *, OtlItem *);
static const Op kOps[] = {
    adShrOtlAssociateAttributeDimension, adShrOtlDisassociateAttributeDimension,
    [](OtlOutline *o, OtlItem *b, OtlItem *a) { return adShrOtlAssociateAttributeMember(o, b, a, 0); },
    adShrOtlDisassociateAttributeMember,
    [](OtlOutline *o, OtlItem *b, OtlItem *a) { return adShrOtlAssociateAttributeMember(o, b, a, 1); }};

TEST_F(AttrAssociation, RefusalsComeInOrderAndRandomRunsFollowAModelFailingCleanlyAtEachAllocation)
{
    // Market{East, West} and Accounts{Sales} sparse, Year not; attribute
    // dimensions Colour{Red, Bare} and Size{Big}. Bare has no cell, and its
    // first association needs a new block of cells. Market is linked to
    // Colour, East to Red.
    const test::Sample s = buildSample();
    OtlItem *m = s.market, *c = s.colour, *r = s.red, *e = s.east, *w = s.west, *calc = test::lastChild(o->root);
    OtlMbrInfo size = test::attrInfo("Size", OTL_ATTR_TEXT);
    size.storageType = s.accounts->storageType = m->storageType = s.sales->storageType = 1, size.dimensionCategory = 12;
    OtlItem *attrs[] = {c, dim(size, c)}, *bare = append(c, "Bare");
    OtlItem *leaves[] = {r, bare, add(test::attrInfo("Big", OTL_ATTR_TEXT), attrs[1])}, *members[] = {e, w};
    bare->dimensionTag = OTL_TAG_ATTRIBUTE, o->attrCellCount = o->attrCellCapacity;
    ASSERT_TRUE(kOps[0](o, m, c) == OTL_OK && kOps[2](o, e, r) == OTL_OK);
    const struct { OtlStatus expected; int op; OtlItem *base, *attr; bool marks = false; } rows[] = {
        {OTL_ERR_ACCESS_MODE, 1, m, c}, {OTL_ERR_ACCESS_MODE, 2, w, r}, {OTL_ERR_ATTR_STORAGE, 0, s.year, c},
        {OTL_ERR_ATTR_NOT_ASSOCIATED, 1, s.year, c, true}, {OTL_ERR_DIM_NOT_FOUND, 0, s.sales, c},
        {OTL_ERR_ATTR_IN_ATTR_DIM, 1, calc, c}, {OTL_ERR_ATTR_NOT_ATTRIBUTE, 0, s.accounts, m},
        {OTL_ERR_ATTR_ALREADY, 0, s.accounts, c}, {OTL_ERR_ATTR_SHARED_BASE, 3, s.eastShared, r},
        {OTL_ERR_ATTR_IN_ATTR_DIM, 2, calc->firstChild, r}, {OTL_ERR_ATTR_NOT_ATTRIBUTE, 3, e, w},
        {OTL_ERR_ATTR_DISASSOCIATE, 2, m, r}, {OTL_ERR_ATTR_DISASSOCIATE, 3, m, r}, {OTL_ERR_ATTR_NON_LEAF, 2, w, c},
        {OTL_ERR_ATTR_NOT_ASSOCIATED, 2, s.sales, r, true}, {OTL_ERR_ATTR_ALREADY, 2, e, r, true}};
    for (const auto &row : rows) {
        o->fieldAccessMode = row.expected == OTL_ERR_ACCESS_MODE, o->verified = 1, c->dimChanged = 0;
        const std::string before = test::withoutMarks(dump());
        EXPECT_EQ(kOps[row.op](o, row.base, row.attr), row.expected) << "row " << &row - rows;
        EXPECT_TRUE(c->dimChanged == row.marks && test::withoutMarks(dump()) == before) << "row " << &row - rows;
    }
    // A deleted attribute member's association is empty: another member
    // takes its place without the replace flag (and leaves through entry 0).
    OtlItem *blue = add(test::attrInfo("Blue", OTL_ATTR_TEXT), c);
    EXPECT_TRUE(kOps[4](o, e, blue) == OTL_OK && adShrOtlDeleteMember(o, blue, OTL_CHECK_ALL) == OTL_OK &&
                kOps[2](o, e, r) == OTL_OK && kOps[3](o, e, r) == OTL_OK && kOps[2](o, e, r) == OTL_OK);
    EXPECT_TRUE(adShrOtlIsAttrCalc(calc) && adShrOtlIsAttrCalc(calc->firstChild) && !adShrOtlIsAttrCalc(c) &&
                !adShrOtlIsAttrCalc(nullptr));

    // The model: Market's slots, East's and West's entries, Colour and Size
    // linked or not. Relinking appends slots and leaves stale entries.
    std::vector<OtlItem *> slots = {c}, entries[2] = {{r}, {}};
    bool linked[2] = {true, false};
    std::mt19937 rng(11);
    for (uint64_t step = 0; step < test::iterations(); ++step) {
        const int ai = rng() % 2, mi = rng() % 2, op = rng() % 5;
        OtlItem *a = attrs[ai], *u = members[mi], *x = leaves[rng() % 3];
        std::vector<OtlItem *> &me = entries[mi];
        const size_t i = std::find(slots.begin(), slots.end(), x->parent) - slots.begin();
        size_t j = 0; // the entry a disassociation empties: x's, through a live slot
        while (j < me.size() && !(me[j] == x && slots[j]))
            ++j;
        const OtlStatus expected = op == 0   ? (linked[ai] ? OTL_ERR_ATTR_ALREADY : OTL_OK)
                                   : op == 1 ? (linked[ai] ? OTL_OK : OTL_ERR_ATTR_NOT_ASSOCIATED)
                                   : op == 3 ? (j < me.size() ? OTL_OK : OTL_ERR_ATTR_NO_ASSOCIATION)
                                   : i == slots.size() ? OTL_ERR_ATTR_NOT_ASSOCIATED
                                   : i < me.size() && me[i] && op == 2 ? OTL_ERR_ATTR_ALREADY : OTL_OK;
        const auto run = [&] { return kOps[op](o, op < 2 ? m : u, op < 2 ? a : x); };
        a->dimChanged = x->parent->dimChanged = 0;
        const std::string before = (o->verified = 1, dump());
        const OtlStatus got = expected ? run() : (test::sweepAllocations(host, run, [&](uint64_t) {
            EXPECT_EQ(test::dumpDiff(before, dump()), "") << "step " << step;
        }), OTL_OK);
        ASSERT_EQ(got, expected) << "step " << step;
        if (expected == OTL_OK && op < 2)
            linked[ai] = op == 0, op == 0 ? slots.push_back(a) : void(*std::find(slots.begin(), slots.end(), a) = nullptr);
        else if (expected == OTL_OK)
            op == 3 ? void(me[j] = nullptr) : (me.resize(i < me.size() ? me.size() : slots.size()), void(me[i] = x));
        // Market's slots and the member's entries; a member's flag and role
        // follow the member operations only.
        const auto &l = m->attrLink.baseDim;
        const auto &n = u->attrLink.baseMember;
        ASSERT_TRUE(l.attrLinkCount == slots.size() && n.attrMemberCount == me.size()) << "step " << step;
        bool has = false;
        for (size_t k = 0; k < slots.size(); ++k) {
            EXPECT_TRUE(l.attrLinks[k].attrDim == slots[k] && l.attrLinkLevels[k] == 0) << "step " << step;
            EXPECT_TRUE(k >= me.size() || (n.attrMemberLinks[k] ? *n.attrMemberLinks[k] : nullptr) == me[k]) << step;
            has = has || (k < me.size() && me[k] && slots[k]);
        }
        EXPECT_TRUE(o->verified == !!expected && (op < 2 ? a : x->parent)->dimChanged == (!expected || op % 3 != 0) &&
                    m->attrRole == 2 * !(slots.size() == 1 && !slots[0]) &&
                    (op < 2 || expected || (u->hasAttrValue == has && u->attrRole == 2 * has)))
            << "step " << step;
    }
}
