// Renaming and moving members: shared members follow a rename, the log
// folds renames into earlier records, moves refuse cycles, shared members at
// dimension level and shared links crossing dimensions, and keep counters,
// generations and levels right.
#include "edit/edit_support.h"

using edit::EditTest;

class Rename : public EditTest {};

TEST_F(Rename, SharedMembersFollowAndTheOldNameFindsNothing)
{
    OtlItem *a = dim("A");
    OtlItem *p = add("p", a);
    OtlItem *q = add("q", a, p);
    OtlItem *c1 = add("p", q, nullptr, OTL_SHARE_SHARED);
    OtlItem *c2 = add("p", q, c1, OTL_SHARE_SHARED);
    o->verified = 1;
    ASSERT_EQ(adShrOtlRenameMember(o, p, "Profit"), OTL_OK);
    EXPECT_EQ(+o->verified, 0);
    EXPECT_EQ(find("p"), nullptr);
    EXPECT_EQ(find("PROFIT"), p);
    EXPECT_STREQ(+c1->memberName, "Profit");
    EXPECT_STREQ(+c2->memberName, "Profit");
    std::vector<OtlItem *> copies = sharedCopies(p);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_TRUE((copies[0] == c1 && copies[1] == c2) || (copies[0] == c2 && copies[1] == c1));
}

TEST_F(Rename, InvalidNamesAreRefusedWithNothingChanged)
{
    OtlItem *a = dim("A");
    OtlItem *p = add("p", a);
    add("p", a, p, OTL_SHARE_SHARED);
    o->changeLogEnabled = 1;
    o->verified = 1;
    const std::string before = dump();
    const size_t blocks = ownedBlocks();
    const std::string tooLong(81, 'x');
    for (const char *bad : {"", " lead", "trail ", "(paren", "say\"", "$$$universe$$$",
                            tooLong.c_str()}) {
        EXPECT_EQ(adShrOtlRenameMember(o, p, bad), OTL_ERR_MEMBER_NAME) << "'" << bad << "'";
        EXPECT_EQ(edit::dumpDiff(before, dump()), "") << "'" << bad << "'";
        EXPECT_EQ(ownedBlocks(), blocks);
    }
    o->fieldAccessMode = 1;
    EXPECT_EQ(adShrOtlRenameMember(o, p, "fine"), OTL_ERR_ACCESS_MODE);
    o->fieldAccessMode = 0;
}

TEST_F(Rename, OntoAnExistingNameIsAllowed)
{
    OtlItem *a = dim("A");
    OtlItem *p = add("p", a);
    add("q", a, p);
    EXPECT_EQ(adShrOtlRenameMember(o, p, "q"), OTL_OK);
    EXPECT_STREQ(+p->memberName, "q");
}

// The old name still matches the new one without regard to case, so every
// copy must be renamed once, not the first one again and again.
TEST_F(Rename, OnlyTheCaseChanges)
{
    OtlItem *a = dim("A");
    OtlItem *p = add("p", a);
    OtlItem *copy = add("p", a, p, OTL_SHARE_SHARED);
    OtlItem *second = add("p", a, copy, OTL_SHARE_SHARED);
    OtlItem *third = add("p", a, second, OTL_SHARE_SHARED);
    ASSERT_EQ(adShrOtlRenameMember(o, p, "P"), OTL_OK);
    EXPECT_STREQ(+p->memberName, "P");
    EXPECT_STREQ(+copy->memberName, "P");
    EXPECT_STREQ(+second->memberName, "P");
    EXPECT_STREQ(+third->memberName, "P");
    EXPECT_EQ(find("p"), p);
}

TEST_F(Rename, LogFoldsRenamesIntoEarlierRecords)
{
    OtlItem *a = dim("A");
    OtlItem *old = add("Old", a);
    o->changeLogEnabled = 1;
    OtlItem *alpha = add("Alpha", a);
    add("child", alpha);
    ASSERT_EQ(adShrOtlRenameMember(o, alpha, "Beta"), OTL_OK);
    ASSERT_EQ(edit::logLength(o), 2u);
    EXPECT_EQ(edit::texts(+o->changeLogHead), (std::vector<std::string>{"Beta", "A", "-", "-"}));
    EXPECT_EQ(edit::texts(+o->changeLogTail), (std::vector<std::string>{"child", "Beta", "-", "-"}));
    // A member not added in this log gets one record, renamed on in place.
    ASSERT_EQ(adShrOtlRenameMember(o, old, "Newer"), OTL_OK);
    ASSERT_EQ(adShrOtlRenameMember(o, old, "Newest"), OTL_OK);
    ASSERT_EQ(edit::logLength(o), 3u);
    EXPECT_EQ(+o->changeLogTail->kind, OTL_CHANGE_RENAMED);
    EXPECT_EQ(edit::texts(+o->changeLogTail), (std::vector<std::string>{"Newest", "Old"}));
}

class Move : public EditTest {};

TEST_F(Move, IntoItsOwnSubtreeOrAfterItselfIsRefused)
{
    OtlItem *a = dim("A");
    OtlItem *x = add("x", a);
    OtlItem *y = add("y", x);
    OtlItem *z = add("z", y);
    o->changeLogEnabled = 1;
    const std::string before = dump();
    EXPECT_EQ(adShrOtlMoveMember(o, x, z, nullptr), OTL_ERR_INVALID_MOVE);
    EXPECT_EQ(adShrOtlMoveMember(o, x, nullptr, y), OTL_ERR_INVALID_MOVE);
    EXPECT_EQ(adShrOtlMoveMember(o, x, nullptr, x), OTL_ERR_INVALID_MOVE);
    EXPECT_EQ(adShrOtlMoveMember(o, x, x, nullptr), OTL_ERR_INVALID_MOVE);
    EXPECT_EQ(edit::dumpDiff(before, dump()), "");
}

TEST_F(Move, SubtreeTakesNewGenerationsAndBothAncestorChainsNewLevels)
{
    OtlItem *a = dim("A");
    OtlItem *b = dim("B", a);
    OtlItem *x = add("x", a);
    OtlItem *y = add("y", x);
    add("z", y);
    OtlItem *b1 = add("b1", b);
    o->verified = 1;
    ASSERT_EQ(adShrOtlMoveMember(o, y, b1, nullptr), OTL_OK);
    EXPECT_EQ(+o->verified, 0);
    EXPECT_EQ(+y->generation, 3);
    EXPECT_EQ(+y->firstChild->generation, 4);
    EXPECT_EQ(+x->level, 0);
    EXPECT_EQ(+a->level, 1);
    EXPECT_EQ(+b1->level, 2);
    EXPECT_EQ(+b->level, 3);
    EXPECT_EQ(+b->dimChanged, 1);
    EXPECT_EQ(+a->dimChanged, 1);
}

TEST_F(Move, ToDimensionLevelMakesADimensionButNotOfASharedMember)
{
    OtlItem *a = dim("A");
    OtlItem *x = add("x", a);
    OtlItem *copy = add("x", a, x, OTL_SHARE_SHARED);
    add("x1", x);
    o->changeLogEnabled = 1;
    const std::string before = dump();
    EXPECT_EQ(adShrOtlMoveMember(o, copy, nullptr, nullptr), OTL_ERR_INVALID_MOVE);
    EXPECT_EQ(adShrOtlMoveMember(o, copy, nullptr, a), OTL_ERR_INVALID_MOVE);
    EXPECT_EQ(adShrOtlMoveMember(o, copy, +o->root, nullptr), OTL_ERR_INVALID_MOVE);
    EXPECT_EQ(edit::dumpDiff(before, dump()), "");
    // x has a shared copy in A that would stay behind.
    EXPECT_EQ(adShrOtlMoveMember(o, x, nullptr, nullptr), OTL_ERR_INVALID_MOVE);
    ASSERT_EQ(adShrOtlDeleteMember(o, copy, OTL_CHECK_ALL), OTL_OK);
    ASSERT_EQ(edit::logLength(o), 1u);
    ASSERT_EQ(adShrOtlMoveMember(o, x, nullptr, nullptr), OTL_OK);
    EXPECT_EQ(+o->root->firstChild, x);
    EXPECT_EQ(+x->generation, 1);
    EXPECT_EQ(+x->firstChild->generation, 2);
    EXPECT_EQ(+o->stats.dimCount, 2u);
    EXPECT_EQ(+o->stats.baseDimCount, 2u);
    ASSERT_EQ(+o->dimTableSize, 2u);
    EXPECT_EQ(+o->dimTable[1], x);
    EXPECT_EQ(+x->dimensionNumber, 2u);
    const OtlChangeRecord *r = o->changeLogTail;
    EXPECT_EQ(+r->kind, OTL_CHANGE_MOVED);
    EXPECT_EQ(+r->generation, 1);
    EXPECT_EQ(+r->oldGeneration, 2);
    EXPECT_EQ(edit::texts(r), (std::vector<std::string>{"x", "A", "-", "-", "-", "-"}));
}

TEST_F(Move, ADimensionMovedUnderAnotherBecomesAMember)
{
    OtlItem *a = dim("A");
    OtlItem *b = dim("B", a);
    add("b1", b);
    ASSERT_EQ(adShrOtlMoveMember(o, b, a, nullptr), OTL_OK);
    EXPECT_EQ(+o->stats.dimCount, 1u);
    EXPECT_EQ(+o->stats.baseDimCount, 1u);
    EXPECT_EQ(+o->stats.memberCount, 3u);
    EXPECT_EQ(+o->dimTable[1], nullptr);
    EXPECT_EQ(+b->generation, 2);
    EXPECT_EQ(+a->level, 2);
}

TEST_F(Move, SharedLinksMayNotCrossIntoAnotherDimension)
{
    OtlItem *a = dim("A");
    OtlItem *b = dim("B", a);
    OtlItem *p = add("p", a);
    OtlItem *q = add("q", p);
    OtlItem *r = add("r", a, p);
    OtlItem *copy = add("q", r, nullptr, OTL_SHARE_SHARED);
    o->changeLogEnabled = 1;
    std::string before = dump();
    // p's child q has a copy outside p; the copy's source is outside r.
    EXPECT_EQ(adShrOtlMoveMember(o, p, b, nullptr), OTL_ERR_INVALID_MOVE);
    EXPECT_EQ(adShrOtlMoveMember(o, r, b, nullptr), OTL_ERR_INVALID_MOVE);
    EXPECT_EQ(+b->dimChanged, 1) << "the marks stay on a refused move";
    EXPECT_EQ(edit::dumpDiff(edit::withoutMarks(before), edit::withoutMarks(dump())), "");
    // Within the dimension the links may stretch.
    ASSERT_EQ(adShrOtlMoveMember(o, copy, nullptr, p), OTL_OK);
    EXPECT_EQ(+copy->shareOption, OTL_SHARE_SHARED);
    // With the copy inside the moved subtree, source and copy go together.
    ASSERT_EQ(adShrOtlMoveMember(o, copy, nullptr, q), OTL_OK);
    ASSERT_EQ(adShrOtlMoveMember(o, p, b, nullptr), OTL_OK);
    EXPECT_EQ(otlGetDim(copy), b);
    EXPECT_EQ(+copy->generation, 3);
    EXPECT_EQ(edit::logLength(o), 3u);
}

TEST_F(Move, SharedMemberToTheTopOfAParentStaysShared)
{
    OtlItem *a = dim("A");
    OtlItem *p = add("p", a);
    OtlItem *q = add("q", a, p);
    OtlItem *copy = add("p", q, nullptr, OTL_SHARE_SHARED);
    ASSERT_EQ(adShrOtlMoveMember(o, copy, a, nullptr), OTL_OK);
    EXPECT_EQ(+a->firstChild, copy);
    EXPECT_EQ(+copy->shareOption, OTL_SHARE_SHARED);
    EXPECT_EQ(+q->level, 0);
    EXPECT_EQ(find("p"), p);
}

TEST_F(Move, ChangeRecordNamesOldAndNewPlaces)
{
    OtlItem *a = dim("A");
    OtlItem *b = dim("B", a);
    OtlItem *x = add("x", a);
    OtlItem *y = add("y", a, x);
    OtlItem *b1 = add("b1", b);
    o->changeLogEnabled = 1;
    ASSERT_EQ(adShrOtlMoveMember(o, y, nullptr, b1), OTL_OK);
    const OtlChangeRecord *r = o->changeLogTail;
    EXPECT_EQ(+r->kind, OTL_CHANGE_MOVED);
    EXPECT_EQ(+r->generation, 2);
    EXPECT_EQ(+r->oldGeneration, 2);
    EXPECT_EQ(edit::texts(r), (std::vector<std::string>{"y", "A", "x", "B", "b1", "-"}));
    ASSERT_EQ(adShrOtlMoveMember(o, b, nullptr, a), OTL_OK); // B after A: no change of level
    EXPECT_EQ(edit::texts(+o->changeLogTail),
              (std::vector<std::string>{"B", "-", "A", "-", "A", "-"}));
}

TEST_F(Move, CalculationMembersAreNeitherRenamedNorMoved)
{
    OtlItem *a = dim("A");
    a->storageType = 1;
    OtlMbrInfo i = edit::info("Colour", 5);
    i.dimensionTag = OTL_TAG_ATTRIBUTE;
    i.storageType = 1;
    i.dimensionCategory = 12;
    OtlItem *colour = nullptr;
    ASSERT_EQ(adShrOtlAddDimension(o, &i, a, nullptr, &colour), OTL_OK);
    OtlItem *calc = colour->nextSibling;
    ASSERT_NE(calc, nullptr);
    const std::string before = dump();
    EXPECT_EQ(adShrOtlRenameMember(o, calc, "Other"), OTL_ERR_ATTR_CALC_MEMBER);
    EXPECT_EQ(adShrOtlRenameMember(o, +calc->firstChild, "Other"), OTL_ERR_ATTR_CALC_MEMBER);
    EXPECT_EQ(adShrOtlMoveMember(o, +calc->firstChild, a, nullptr), OTL_ERR_ATTR_CALC_MEMBER);
    EXPECT_EQ(edit::dumpDiff(before, dump()), "");
}
