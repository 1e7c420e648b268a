// Deleting members and dimensions: subtrees with the shared members that
// refer into them, the label-only and time-balance refusals, counters,
// levels and the single change record.
#include "core/tree.h"
#include "edit/edit_support.h"

using edit::EditTest;

class DeleteSubtree : public EditTest {};

TEST_F(DeleteSubtree, SharedCopiesOfTheSubtreeGoWithItAndOneRecordIsLogged)
{
    OtlItem *a = dim("A");
    OtlItem *b = dim("B", a);
    OtlItem *p = add("p", a);
    OtlItem *c1 = add("c1", p);
    add("c2", p, c1);
    OtlItem *other = add("other", a, p);
    add("c1", other, nullptr, OTL_SHARE_SHARED);
    add("p", other, nullptr, OTL_SHARE_SHARED);
    add("C2", other, nullptr, OTL_SHARE_SHARED);
    add("keep", other);
    add("b1", b);
    o->changeLogEnabled = 1;
    o->verified = 1;
    ASSERT_EQ(adShrOtlDeleteMember(o, p, OTL_CHECK_ALL), OTL_OK);
    EXPECT_EQ(+o->verified, 0);
    EXPECT_EQ(find("c1"), nullptr);
    EXPECT_EQ(find("p"), nullptr);
    ASSERT_NE(+other->firstChild, nullptr);
    EXPECT_STREQ(+other->firstChild->memberName, "keep");
    EXPECT_EQ(+other->firstChild->nextSibling, nullptr);
    ASSERT_EQ(edit::logLength(o), 1u);
    EXPECT_EQ(+o->changeLogHead->kind, OTL_CHANGE_DELETED);
    EXPECT_EQ(+o->changeLogHead->generation, 2);
    EXPECT_EQ(edit::texts(+o->changeLogHead), (std::vector<std::string>{"p", "-"}));
    EXPECT_EQ(+o->changeLogEnabled, 1); // restored after the inner deletes
    // A, other, keep, B, b1
    EXPECT_EQ(+o->stats.memberCount, 5u);
    EXPECT_EQ(+o->stats.storedMemberCount, 5u);
    EXPECT_EQ(+a->level, 2);
    EXPECT_EQ(+o->root->level, 3);
}

TEST_F(DeleteSubtree, LevelsOfFormerAncestorsAreRecomputed)
{
    OtlItem *a = dim("A");
    OtlItem *b = dim("B", a);
    OtlItem *x = add("x", a);
    add("y", add("x1", x));
    add("b1", b);
    ASSERT_EQ(+o->root->level, 4);
    ASSERT_EQ(adShrOtlDeleteMember(o, x, OTL_CHECK_ALL), OTL_OK);
    EXPECT_EQ(+a->level, 0);
    EXPECT_EQ(+o->root->level, 2); // B is now the tallest
}

TEST_F(DeleteSubtree, DeletingASharedMemberLeavesItsSource)
{
    OtlItem *a = dim("A");
    OtlItem *p = add("p", a);
    OtlItem *copy = add("p", a, p, OTL_SHARE_SHARED);
    ASSERT_EQ(adShrOtlDeleteMember(o, copy, OTL_CHECK_ALL), OTL_OK);
    EXPECT_EQ(find("p"), p);
    EXPECT_TRUE(sharedCopies(p).empty());
    EXPECT_EQ(+o->stats.memberCount, 2u);
    EXPECT_EQ(+o->stats.storedMemberCount, 2u);
}

class DeleteRefusal : public EditTest {};

TEST_F(DeleteRefusal, LastChildOfALabelOnlyMemberDependsOnTheMode)
{
    OtlItem *a = dim("A");
    OtlItem *label = add("L", a, nullptr, OTL_SHARE_LABEL_ONLY, OTL_CHECK_NAMES);
    OtlItem *only = add("only", label);
    const std::string before = dump();
    EXPECT_EQ(adShrOtlDeleteMember(o, only, OTL_CHECK_ALL), OTL_ERR_RULE_LABEL_ONLY);
    EXPECT_EQ(adShrOtlDeleteMember(o, only, OTL_CHECK_STRUCTURE), OTL_ERR_RULE_LABEL_ONLY);
    EXPECT_EQ(edit::dumpDiff(before, dump()), "");
    EXPECT_EQ(adShrOtlDeleteMember(o, only, OTL_CHECK_NAMES), OTL_OK);
    EXPECT_EQ(+label->firstChild, nullptr);
    EXPECT_EQ(+label->level, 0);
}

TEST_F(DeleteRefusal, ASharedCopyThatIsTheLastChildOfALabelOnlyMemberStopsTheWholeDelete)
{
    OtlItem *a = dim("A");
    OtlItem *p = add("p", a);
    OtlItem *q = add("q", p);
    OtlItem *label = add("L", a, p, OTL_SHARE_LABEL_ONLY, OTL_CHECK_NAMES);
    add("q", label, nullptr, OTL_SHARE_SHARED);
    o->changeLogEnabled = 1;
    const std::string before = dump();
    const size_t blocks = ownedBlocks();
    EXPECT_EQ(adShrOtlDeleteMember(o, p, OTL_CHECK_ALL), OTL_ERR_RULE_LABEL_ONLY);
    EXPECT_EQ(edit::dumpDiff(before, dump()), "");
    EXPECT_EQ(ownedBlocks(), blocks);
    // With a second child under the label-only member the copy may go.
    add("r", label);
    ASSERT_EQ(adShrOtlDeleteMember(o, p, OTL_CHECK_ALL), OTL_OK);
    EXPECT_STREQ(+label->firstChild->memberName, "r");
    EXPECT_EQ(+label->firstChild->nextSibling, nullptr);
    (void)q;
}

TEST_F(DeleteRefusal, TimeDimensionStaysWhileTimeBalanceIsInUse)
{
    OtlMbrInfo i = edit::info("Accounts");
    i.dimensionTag = 1;
    OtlItem *accounts = nullptr;
    ASSERT_EQ(adShrOtlAddDimension(o, &i, nullptr, nullptr, &accounts), OTL_OK);
    i = edit::info("Time");
    i.dimensionTag = 2;
    OtlItem *time = nullptr;
    ASSERT_EQ(adShrOtlAddDimension(o, &i, accounts, nullptr, &time), OTL_OK);
    i = edit::info("Stock");
    i.timeBalance = 2;
    OtlItem *stock = nullptr;
    ASSERT_EQ(adShrOtlAddMember(o, &i, accounts, nullptr, &stock, OTL_CHECK_ALL), OTL_OK);
    const std::string before = dump();
    EXPECT_EQ(adShrOtlDeleteMember(o, time, OTL_CHECK_ALL), OTL_ERR_RULE_TIME_BALANCE_DIM);
    EXPECT_EQ(adShrOtlDeleteDimension(o, time, nullptr), OTL_ERR_RULE_TIME_BALANCE_DIM);
    EXPECT_EQ(edit::dumpDiff(before, dump()), "");
    EXPECT_EQ(adShrOtlDeleteMember(o, time, OTL_CHECK_NAMES), OTL_OK);
}

class DeleteDimension : public EditTest {};

TEST_F(DeleteDimension, AMemberOfGenerationTwoIsNoDimension)
{
    OtlItem *a = dim("A");
    OtlItem *x = add("x", a);
    const std::string before = dump();
    EXPECT_EQ(adShrOtlDeleteDimension(o, x, ""), OTL_ERR_DIM_NOT_FOUND);
    EXPECT_EQ(adShrOtlDeleteDimension(o, x, nullptr), OTL_ERR_DIM_NOT_FOUND);
    EXPECT_EQ(edit::dumpDiff(before, dump()), "");
}

TEST_F(DeleteDimension, ChangeTextNamingASharedMemberIsRefused)
{
    OtlItem *a = dim("A");
    OtlItem *b = dim("B", a);
    OtlItem *p = add("p", b);
    add("p", b, p, OTL_SHARE_SHARED);
    OtlMbrInfo i = edit::info("dyn");
    i.shareOption = 1;
    OtlItem *dyn = nullptr;
    ASSERT_EQ(adShrOtlAddMember(o, &i, b, nullptr, &dyn, OTL_CHECK_ALL), OTL_OK);
    const std::string before = dump();
    // The lookup skips shared members, so "p" finds its source; share
    // option 1 is refused.
    EXPECT_EQ(adShrOtlDeleteDimension(o, a, "dyn"), OTL_ERR_DIM_CHANGE_TEXT);
    EXPECT_EQ(adShrOtlDeleteDimension(o, p, "dyn"), OTL_ERR_DIM_CHANGE_TEXT);
    EXPECT_EQ(edit::dumpDiff(before, dump()), "");
    o->changeLogEnabled = 1;
    ASSERT_EQ(adShrOtlDeleteDimension(o, a, "p"), OTL_OK);
    ASSERT_EQ(edit::logLength(o), 1u);
    EXPECT_EQ(edit::texts(+o->changeLogTail), (std::vector<std::string>{"A", "p"}));
}

TEST_F(DeleteDimension, CountersAndDimensionTableForgetTheDimension)
{
    OtlItem *a = dim("A");
    OtlItem *b = dim("B", a);
    add("x", add("w", a));
    add("y", b);
    ASSERT_EQ(adShrOtlDeleteDimension(o, a, nullptr), OTL_OK);
    const OtlFileStats &s = o->stats;
    EXPECT_EQ(s.dimCount, 1u);
    EXPECT_EQ(s.baseDimCount, 1u);
    EXPECT_EQ(s.memberCount, 2u);
    EXPECT_EQ(s.storedMemberCount, 2u);
    ASSERT_EQ(+o->dimTableSize, 2u);
    EXPECT_EQ(+o->dimTable[0], nullptr); // slots are never reused
    EXPECT_EQ(+o->dimTable[1], b);
    OtlItem *c = dim("C", b);
    EXPECT_EQ(+c->dimensionNumber, 3u);
    EXPECT_EQ(find("x"), nullptr);
    EXPECT_EQ(find("w"), nullptr);
}

TEST_F(DeleteDimension, TheLastAttributeDimensionTakesTheCalculationsDimension)
{
    OtlItem *a = dim("A");
    a->storageType = 1;
    OtlMbrInfo i = edit::info("Colour");
    i.dimensionTag = OTL_TAG_ATTRIBUTE;
    i.storageType = 1;
    i.dimensionCategory = 12;
    i.shareOption = 5;
    OtlItem *colour = nullptr;
    ASSERT_EQ(adShrOtlAddDimension(o, &i, a, nullptr, &colour), OTL_OK);
    ASSERT_EQ(+o->stats.dimCount, 3u);
    OtlItem *calc = colour->nextSibling;
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(+calc->dimensionTag, OTL_TAG_ATTR_CALC);
    EXPECT_EQ(otlCountChildren(calc), 5u);
    EXPECT_EQ(+o->stats.baseDimCount, 1u);
    ASSERT_EQ(adShrOtlDeleteDimension(o, colour, nullptr), OTL_OK);
    EXPECT_EQ(+o->stats.dimCount, 1u);
    EXPECT_EQ(+o->stats.memberCount, 1u);
    EXPECT_EQ(+a->nextSibling, nullptr);
}
