// Every allocating edit swept with failure injection: each failed run must
// hand back the injected status, leave its out-parameter alone, keep no
// block it took, and leave the outline's dump exactly as it was.
#include "edit/edit_support.h"

using edit::EditTest;

class EditSweep : public EditTest {
protected:
    // An outline with two dimensions, a subtree whose members have shared
    // copies in the same dimension, and the change log on with an add and a
    // rename already in it.
    void build()
    {
        a = dim("A");
        b = dim("B", a);
        p = add("p", a);
        q = add("q", p);
        add("r", p, q);
        other = add("other", a, p);
        add("q", other, nullptr, OTL_SHARE_SHARED);
        add("p", other, nullptr, OTL_SHARE_SHARED);
        add("b1", b);
        o->changeLogEnabled = 1;
        add("newcomer", b);
        ASSERT_EQ(adShrOtlRenameMember(o, find("other"), "Other2"), OTL_OK);
        o->verified = 1;
        // As after a save: a failed edit must not leave a mark either.
        a->dimChanged = 0;
        b->dimChanged = 0;
    }

    // Runs the sweep; `attempt` makes one call, `outUntouched` checks the
    // out-parameter after a failed call. Returns the allocation points.
    template <class Attempt, class OutCheck>
    uint64_t sweep(Attempt attempt, OutCheck outUntouched, bool ignoreMarks = false)
    {
        const std::string before = dump();
        const size_t blocks = ownedBlocks();
        const uint64_t points = test::sweepAllocations(host, attempt, [&](uint64_t n) {
            outUntouched(n);
            EXPECT_EQ(ownedBlocks(), blocks) << "allocation " << n << ": blocks kept";
            if (ignoreMarks) {
                EXPECT_EQ(edit::dumpDiff(edit::withoutMarks(before), edit::withoutMarks(dump())), "")
                    << "allocation " << n;
            } else {
                EXPECT_EQ(edit::dumpDiff(before, dump()), "") << "allocation " << n;
            }
        });
        EXPECT_NE(dump(), before) << "the final run changed nothing";
        return points;
    }

    void clearMarks()
    {
        for (OtlItem *d = o->root->firstChild; d; d = d->nextSibling)
            d->dimChanged = 0;
        for (OtlItem *m = find("r"); m; m = nullptr)
            m->dimChanged = 0;
    }

    OtlItem *a = nullptr, *b = nullptr, *p = nullptr, *q = nullptr, *other = nullptr;
};

TEST_F(EditSweep, AddMemberWithAComment)
{
    build();
    OtlMbrInfo i = edit::info("fresh");
    std::strcpy(i.comment, "a comment");
    OtlItem *out = nullptr;
    const uint64_t points = sweep(
        [&] {
            out = reinterpret_cast<OtlItem *>(&sentinel);
            return adShrOtlAddMember(o, &i, nullptr, q, &out, OTL_CHECK_ALL);
        },
        [&](uint64_t n) {
            EXPECT_EQ(out, reinterpret_cast<OtlItem *>(&sentinel)) << "allocation " << n;
        });
    EXPECT_GE(points, 3u); // item, comment, change record and its texts
    ASSERT_EQ(find("fresh"), out);
    EXPECT_STREQ(+out->comment, "a comment");
}

TEST_F(EditSweep, AddDimensionWithAChangeText)
{
    build();
    OtlMbrInfo i = edit::info("C");
    OtlItem *out = nullptr;
    sweep(
        [&] {
            out = reinterpret_cast<OtlItem *>(&sentinel);
            return adShrOtlAddDimension(o, &i, b, "because", &out);
        },
        [&](uint64_t n) {
            EXPECT_EQ(out, reinterpret_cast<OtlItem *>(&sentinel)) << "allocation " << n;
        });
    EXPECT_EQ(edit::texts(+o->changeLogTail), (std::vector<std::string>{"C", "-", "B", "because"}));
    EXPECT_EQ(+o->stats.dimCount, 3u);
}

// A failure while the calculations dimension is created is reported as
// 1060114, not as the allocator's status; everything else passes through.
TEST_F(EditSweep, AddFirstAttributeDimensionWithItsCalculations)
{
    build();
    a->storageType = 1;
    OtlMbrInfo i = edit::info("Colour", 5);
    i.dimensionTag = OTL_TAG_ATTRIBUTE;
    i.storageType = 1;
    i.dimensionCategory = 12;
    const std::string before = dump();
    const size_t blocks = ownedBlocks();
    OtlItem *out = nullptr;
    uint64_t calcFailures = 0;
    for (uint64_t n = 1;; ++n) {
        host.failAt(n);
        out = reinterpret_cast<OtlItem *>(&sentinel);
        const OtlStatus status = adShrOtlAddDimension(o, &i, b, nullptr, &out);
        const bool hit = host.injected();
        host.disarm();
        if (!hit) {
            ASSERT_EQ(status, OTL_OK);
            break;
        }
        ASSERT_TRUE(status == test::kInjected || status == OTL_ERR_ATTR_CALC_CREATE)
            << "allocation " << n << ": " << status;
        calcFailures += status == OTL_ERR_ATTR_CALC_CREATE;
        EXPECT_TRUE(out == reinterpret_cast<OtlItem *>(&sentinel) || out == nullptr)
            << "allocation " << n;
        EXPECT_EQ(ownedBlocks(), blocks) << "allocation " << n;
        EXPECT_EQ(edit::dumpDiff(before, dump()), "") << "allocation " << n;
        ASSERT_LT(n, 1000u);
    }
    EXPECT_GT(calcFailures, 0u);
    EXPECT_EQ(+o->stats.dimCount, 4u);
    EXPECT_EQ(+o->stats.baseDimCount, 2u);
    ASSERT_NE(+out->nextSibling, nullptr);
    EXPECT_EQ(+out->nextSibling->dimensionTag, OTL_TAG_ATTR_CALC);
    EXPECT_EQ(+o->stats.memberCount, 10u + 1u + 6u);
}

TEST_F(EditSweep, DeleteSubtreeWithSharedCopies)
{
    build();
    sweep([&] { return adShrOtlDeleteMember(o, p, OTL_CHECK_ALL); }, [](uint64_t) {});
    EXPECT_EQ(find("q"), nullptr);
    EXPECT_EQ(+other->firstChild, nullptr);
    EXPECT_EQ(+o->changeLogTail->kind, OTL_CHANGE_DELETED);
}

TEST_F(EditSweep, DeleteDimensionWithAChangeText)
{
    build();
    sweep([&] { return adShrOtlDeleteDimension(o, a, "b1"); }, [](uint64_t) {});
    EXPECT_EQ(edit::texts(+o->changeLogTail), (std::vector<std::string>{"A", "b1"}));
    EXPECT_EQ(+o->stats.dimCount, 1u);
}

TEST_F(EditSweep, RenameMemberWithSharedCopiesAndEarlierRecords)
{
    build();
    // Renaming the member the log added, and one it renamed, rewrites those
    // records; renaming an untouched one appends.
    OtlItem *newcomer = find("newcomer");
    sweep([&] { return adShrOtlRenameMember(o, newcomer, "Arrival"); }, [](uint64_t) {});
    sweep([&] { return adShrOtlRenameMember(o, other, "Other3"); }, [](uint64_t) {});
    sweep([&] { return adShrOtlRenameMember(o, q, "Quantity"); }, [](uint64_t) {});
    EXPECT_EQ(find("q"), nullptr);
    EXPECT_EQ(sharedCopies(q).size(), 1u);
    EXPECT_EQ(edit::texts(+o->changeLogTail), (std::vector<std::string>{"Quantity", "q"}));
}

TEST_F(EditSweep, MoveAcrossDimensionsAndToDimensionLevel)
{
    build();
    OtlItem *r = find("r");
    clearMarks();
    sweep([&] { return adShrOtlMoveMember(o, r, nullptr, find("b1")); }, [](uint64_t) {});
    EXPECT_EQ(otlGetDim(r), b);
    clearMarks();
    sweep([&] { return adShrOtlMoveMember(o, r, nullptr, nullptr); }, [](uint64_t) {});
    EXPECT_EQ(+o->root->firstChild, r);
    EXPECT_EQ(+o->stats.dimCount, 3u);
    clearMarks();
    sweep([&] { return adShrOtlMoveMember(o, r, a, nullptr); }, [](uint64_t) {});
    EXPECT_EQ(+o->stats.dimCount, 2u);
    EXPECT_EQ(+o->changeLogTail->kind, OTL_CHANGE_MOVED);
}
