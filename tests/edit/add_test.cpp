// Adding members and dimensions: placement, the refusals and what they leave
// behind, shared members, check modes, counters and the change record.
#include "edit/edit_support.h"

using edit::EditTest;

class AddPlacement : public EditTest {};

TEST_F(AddPlacement, ParentPrevSiblingOrNeitherDecidesWhereTheMemberGoes)
{
    OtlItem *a = dim("A");
    OtlItem *b = dim("B", a);
    OtlItem *x = add("x", a);
    OtlItem *y = add("y", a); // first child: y, x
    EXPECT_EQ(+a->firstChild, y);
    EXPECT_EQ(+y->nextSibling, x);
    // prevSibling wins over parent, whatever the parent is.
    OtlItem *z = add("z", b, y);
    EXPECT_EQ(+z->parent, a);
    EXPECT_EQ(+y->nextSibling, z);
    EXPECT_EQ(+z->nextSibling, x);
    EXPECT_EQ(+x->prevSibling, z);
    // Neither: the new first dimension.
    OtlItem *c = add("C", nullptr);
    EXPECT_EQ(+o->root->firstChild, c);
    EXPECT_EQ(+c->generation, 1);
    EXPECT_EQ(+c->nextSibling, a);
    EXPECT_EQ(+b->level, 0);
    EXPECT_EQ(+o->stats.dimCount, 3u);
}

TEST_F(AddPlacement, GenerationsAndLevelsFollowTheNewMember)
{
    OtlItem *a = dim("A");
    EXPECT_EQ(+a->level, 0);
    EXPECT_EQ(+o->root->level, 1);
    OtlItem *x = add("x", a);
    OtlItem *y = add("y", x);
    EXPECT_EQ(+y->generation, 3);
    EXPECT_EQ(+x->level, 1);
    EXPECT_EQ(+a->level, 2);
    EXPECT_EQ(+o->root->level, 3);
    add("z", a); // a second, shallower child changes no level
    EXPECT_EQ(+a->level, 2);
    EXPECT_EQ(+o->root->level, 3);
}

class AddRefusal : public EditTest {};

TEST_F(AddRefusal, EachRefusalReturnsItsStatusAndChangesNothing)
{
    OtlItem *a = dim("A");
    OtlItem *x = add("Sales", a);
    o->changeLogEnabled = 1;
    o->verified = 1;
    const std::string before = dump();
    const size_t blocks = ownedBlocks();
    struct Case {
        const char *name;
        OtlItem *parent;
        OtlItem *prev;
        uint16_t share;
        OtlStatus expected;
    } cases[] = {
        {"", a, nullptr, 0, OTL_ERR_MEMBER_NAME},
        {" lead", a, nullptr, 0, OTL_ERR_MEMBER_NAME},
        {"trail ", a, nullptr, 0, OTL_ERR_MEMBER_NAME},
        {"@at", a, nullptr, 0, OTL_ERR_MEMBER_NAME},
        {"quo\"te", a, nullptr, 0, OTL_ERR_MEMBER_NAME},
        {"#MISSING", a, nullptr, 0, OTL_ERR_MEMBER_NAME},
        {"Sales", a, nullptr, 0, OTL_ERR_MEMBER_NAME_USED},
        {"SALES", nullptr, nullptr, 0, OTL_ERR_MEMBER_NAME_USED}, // case-insensitive outline
        {"A", x, nullptr, 0, OTL_ERR_MEMBER_NAME_USED},
        {"Nobody", a, nullptr, OTL_SHARE_SHARED, OTL_ERR_RULE_SHARED_NO_SOURCE},
        // A label-only member without children fails the structure check.
        {"Label", a, nullptr, OTL_SHARE_LABEL_ONLY, OTL_ERR_RULE_LABEL_ONLY},
        // A shared dimension has no source in its own dimension, which the
        // fault mapping reports before the share option itself.
        {"Sales", nullptr, nullptr, OTL_SHARE_SHARED, OTL_ERR_RULE_SHARED_NO_SOURCE},
        {"Sales", nullptr, a, OTL_SHARE_SHARED, OTL_ERR_RULE_SHARED_NO_SOURCE},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(tryAdd(c.name, c.parent, c.prev, c.share), c.expected) << "'" << c.name << "'";
        EXPECT_EQ(edit::dumpDiff(before, dump()), "") << "'" << c.name << "'";
        EXPECT_EQ(ownedBlocks(), blocks) << "'" << c.name << "'";
    }
    const std::string longest(80, 'n');
    EXPECT_EQ(tryAdd(longest.c_str(), a), OTL_OK);
}

TEST_F(AddRefusal, ConsolidationAboveFiveIsRefused)
{
    OtlItem *a = dim("A");
    const std::string before = dump();
    OtlMbrInfo i = edit::info("x");
    i.consolidation = 6;
    OtlItem *out = nullptr;
    EXPECT_EQ(adShrOtlAddMember(o, &i, a, nullptr, &out, OTL_CHECK_ALL), OTL_ERR_CONSOLIDATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(edit::dumpDiff(before, dump()), "");
    i.consolidation = 5;
    EXPECT_EQ(adShrOtlAddMember(o, &i, a, nullptr, &out, OTL_CHECK_ALL), OTL_OK);
}

TEST_F(AddRefusal, FieldAccessModeRefusesFirst)
{
    OtlItem *a = dim("A");
    o->fieldAccessMode = 1;
    EXPECT_EQ(tryAdd("", a), OTL_ERR_ACCESS_MODE);
    o->fieldAccessMode = 0;
}

TEST_F(AddRefusal, CurrencyOutlineTakesFourDimensionsButMoreMembers)
{
    adShrOtlCloseOutline(o);
    o = newOutline(0, 1);
    OtlItem *prev = nullptr;
    const char *names[] = {"D1", "D2", "D3", "D4"};
    for (const char *n : names) {
        OtlMbrInfo i = edit::info(n);
        OtlItem *d = nullptr;
        ASSERT_EQ(adShrOtlAddMember(o, &i, nullptr, prev, &d, OTL_CHECK_ALL), OTL_OK);
        prev = d;
    }
    const std::string before = dump();
    EXPECT_EQ(tryAdd("D5", nullptr), OTL_ERR_CURRENCY_DIMS);
    EXPECT_EQ(tryAdd("D5", nullptr, prev), OTL_ERR_CURRENCY_DIMS);
    EXPECT_EQ(edit::dumpDiff(before, dump()), "");
    EXPECT_EQ(tryAdd("m", prev), OTL_OK);
    OtlItem *m = find("m");
    EXPECT_EQ(tryAdd("n", nullptr, m), OTL_OK); // a sibling of a member is no dimension
}

class AddShared : public EditTest {};

TEST_F(AddShared, SharedMemberOfAnExistingNameIsACopyTheLookupSkips)
{
    OtlItem *a = dim("A");
    OtlItem *p = add("p", a);
    OtlItem *q = add("q", a, p);
    OtlItem *copy = add("P", q, nullptr, OTL_SHARE_SHARED);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(find("p"), p);
    EXPECT_EQ(sharedCopies(p), std::vector<OtlItem *>{copy});
    EXPECT_EQ(+o->stats.memberCount, 4u);
    EXPECT_EQ(+o->stats.storedMemberCount, 3u); // the copy holds no data
}

TEST_F(AddShared, CheckModesDecideWhetherASourceInAnotherDimensionIsRequired)
{
    OtlItem *a = dim("A");
    OtlItem *b = dim("B", a);
    add("p", a);
    // Mode 0 and the structure mode want the source in the same dimension.
    EXPECT_EQ(tryAdd("p", b, nullptr, OTL_SHARE_SHARED, OTL_CHECK_ALL),
              OTL_ERR_RULE_SHARED_NO_SOURCE);
    EXPECT_EQ(tryAdd("p", b, nullptr, OTL_SHARE_SHARED, OTL_CHECK_STRUCTURE),
              OTL_ERR_RULE_SHARED_NO_SOURCE);
    // The names mode leaves structure alone.
    EXPECT_EQ(tryAdd("p", b, nullptr, OTL_SHARE_SHARED, OTL_CHECK_NAMES), OTL_OK);
    EXPECT_EQ(tryAdd("p", a, nullptr, OTL_SHARE_SHARED, OTL_CHECK_STRUCTURE), OTL_OK);
}

TEST_F(AddShared, LabelOnlyWithoutChildrenPassesTheNamesMode)
{
    OtlItem *a = dim("A");
    EXPECT_EQ(tryAdd("L", a, nullptr, OTL_SHARE_LABEL_ONLY, OTL_CHECK_NAMES), OTL_OK);
    EXPECT_EQ(+o->stats.storedMemberCount, 1u); // label-only holds no data
    EXPECT_EQ(+o->stats.memberCount, 2u);
}

class AddBookkeeping : public EditTest {};

TEST_F(AddBookkeeping, CountersDimensionTableAndVerifiedFollowEachAdd)
{
    o->verified = 1;
    OtlItem *a = dim("A");
    EXPECT_EQ(+o->verified, 0);
    OtlItem *b = dim("B", a);
    add("x", a);
    add("y", b);
    add("x", b, nullptr, OTL_SHARE_SHARED, OTL_CHECK_NAMES);
    const OtlFileStats &s = o->stats;
    EXPECT_EQ(s.dimCount, 2u);
    EXPECT_EQ(s.baseDimCount, 2u);
    EXPECT_EQ(s.memberCount, 5u);
    EXPECT_EQ(s.storedMemberCount, 4u);
    ASSERT_EQ(+o->dimTableSize, 2u);
    EXPECT_EQ(+o->dimTable[0], a);
    EXPECT_EQ(+o->dimTable[1], b);
    EXPECT_EQ(+a->dimensionNumber, 1u);
    EXPECT_EQ(+b->dimensionNumber, 2u);
    EXPECT_EQ(find("y")->dimensionNumber, 2u);
    EXPECT_EQ(s.dimStats[1].memberCount, 3u);
    EXPECT_EQ(s.dimStats[1].storedMemberCount, 2u);
}

TEST_F(AddBookkeeping, ChangeRecordNamesParentAndPreviousSibling)
{
    o->changeLogEnabled = 1;
    OtlItem *a = dim("A");
    OtlItem *x = add("x", a);
    add("y", nullptr, x);
    o->changeLogEnabled = 0;
    add("quiet", a);
    ASSERT_EQ(edit::logLength(o), 3u);
    const OtlChangeRecord *r = o->changeLogHead;
    EXPECT_EQ(+r->kind, OTL_CHANGE_ADDED);
    EXPECT_EQ(+r->generation, 1);
    EXPECT_EQ(edit::texts(r), (std::vector<std::string>{"A", "-", "-", "-"}));
    r = r->next;
    EXPECT_EQ(+r->generation, 2);
    EXPECT_EQ(edit::texts(r), (std::vector<std::string>{"x", "A", "-", "-"}));
    r = r->next;
    EXPECT_EQ(edit::texts(r), (std::vector<std::string>{"y", "A", "x", "-"}));
}

TEST_F(AddBookkeeping, DimensionChangeTextIsTheFourthString)
{
    OtlMbrInfo i = edit::info("D");
    OtlItem *d = nullptr;
    // With the log off the text goes nowhere.
    ASSERT_EQ(adShrOtlAddDimension(o, &i, nullptr, "why", &d), OTL_OK);
    EXPECT_EQ(+o->changeLogHead, nullptr);
    o->changeLogEnabled = 1;
    i = edit::info("E");
    ASSERT_EQ(adShrOtlAddDimension(o, &i, d, "why", &d), OTL_OK);
    ASSERT_EQ(edit::logLength(o), 1u);
    EXPECT_EQ(edit::texts(+o->changeLogTail), (std::vector<std::string>{"E", "-", "D", "why"}));
    // A refused dimension leaves the log and the text alone.
    const std::string before = dump();
    EXPECT_EQ(adShrOtlAddDimension(o, &i, d, "again", &d), OTL_ERR_MEMBER_NAME_USED);
    EXPECT_EQ(edit::dumpDiff(before, dump()), "");
}

TEST_F(AddBookkeeping, AttributeDimensionBeforeABaseDimensionIsRefused)
{
    OtlItem *a = dim("A");
    dim("B", a);
    const std::string before = dump();
    OtlMbrInfo i = edit::info("Colour", 0);
    i.dimensionTag = OTL_TAG_ATTRIBUTE;
    i.storageType = 1;
    i.dimensionCategory = 12;
    OtlItem *out = nullptr;
    EXPECT_EQ(adShrOtlAddDimension(o, &i, a, nullptr, &out), OTL_ERR_ATTR_DIM_ORDER_ADD);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(edit::dumpDiff(before, dump()), "");
}

TEST_F(AddBookkeeping, LegacyClientRecordCarriesNoComment)
{
    host.mutableCtx()->clientVersion = 0x40000;
    OtlItem *a = dim("A");
    OtlMbrInfo i = edit::info("x");
    std::strcpy(i.comment, "not for legacy");
    i.childCount = 7;
    OtlItem *x = nullptr;
    ASSERT_EQ(adShrOtlAddMember(o, &i, a, nullptr, &x, OTL_CHECK_ALL), OTL_OK);
    EXPECT_EQ(+x->comment, nullptr);
    host.mutableCtx()->clientVersion = 0x50700;
    i = edit::info("y");
    std::strcpy(i.comment, "kept");
    ASSERT_EQ(adShrOtlAddMember(o, &i, a, nullptr, &x, OTL_CHECK_ALL), OTL_OK);
    ASSERT_NE(+x->comment, nullptr);
    EXPECT_STREQ(+x->comment, "kept");
}
