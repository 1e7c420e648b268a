// Shared members through the hash and the tree: the two enumerations, and
// deleting every shared copy of a member or of a subtree's members.
#include "support/fixture.h"
#include "tree/builder.h"

#include <vector>

using test::addChild;
using test::addDim;

namespace {

// Records each deletion and the change-log switch it saw; fails on demand.
struct Deletions {
    std::vector<std::string> names;
    std::vector<uint8_t> logging;
    size_t failAt = 0; // 1-based; 0 never
};
Deletions *deletions = nullptr;

OtlStatus recordingDelete(OtlOutline *o, OtlItem *member)
{
    deletions->names.push_back(member->memberName);
    deletions->logging.push_back(o->changeLogEnabled);
    if (deletions->names.size() == deletions->failAt)
        return 31;
    return test::deleteForTest(o, member);
}

} // namespace

class Shared : public test::HostTest {
protected:
    void SetUp() override
    {
        o = newOutline();
        deletions = &log;
        product = addDim(o, "Product");
        colas = addChild(o, product, "Colas");
        cola = addChild(o, colas, "Cola");
        diet = addChild(o, product, "Diet");
        copy1 = addChild(o, diet, "Cola", OTL_SHARE_SHARED);
        market = addDim(o, "Market");
        copy2 = addChild(o, market, "cola", OTL_SHARE_SHARED); // another case
    }
    void TearDown() override
    {
        deletions = nullptr;
        adShrOtlCloseOutline(o);
        HostTest::TearDown();
    }
    OtlItem *next(OtlItem *from)
    {
        OtlItem *r = reinterpret_cast<OtlItem *>(1);
        EXPECT_EQ(adShrOtlGetNextSharedMember(o, from, &r), OTL_OK);
        return r;
    }
    std::vector<OtlItem *> viaHash(OtlItem *member)
    {
        std::vector<OtlItem *> found;
        int32_t position = -1;
        for (;;) {
            OtlItem *r = reinterpret_cast<OtlItem *>(1);
            EXPECT_EQ(adShrOtlGetNextSharedMemberUsingHash(o, member, &r, &position), OTL_OK);
            if (!r)
                return found;
            found.push_back(r);
            ++position;
        }
    }
    Deletions log;
    OtlOutline *o = nullptr;
    OtlItem *product, *colas, *cola, *diet, *copy1, *market, *copy2;
};

TEST_F(Shared, FindMemberReturnsTheSourceAndTheTreeWalkVisitsCopiesInOrder)
{
    OtlItem *r = nullptr;
    ASSERT_EQ(adShrOtlFindMember(o, "Cola", &r), OTL_OK);
    EXPECT_EQ(r, cola);
    EXPECT_EQ(next(cola), copy1);
    EXPECT_EQ(next(copy1), copy2);
    EXPECT_EQ(next(copy2), nullptr);
    o->caseSensitive = 1;
    EXPECT_EQ(next(cola), copy1);
    EXPECT_EQ(next(copy1), nullptr); // "cola" differs now
    EXPECT_EQ(next(copy2), nullptr);
}

TEST_F(Shared, HashEnumerationVisitsSharedEntriesInBucketOrder)
{
    std::vector<OtlItem *> expected;
    const OtlHashBucket &b = o->nameHash->buckets[otlHashBucketOf("Cola")];
    for (uint32_t i = 0; i < b.count; ++i)
        if (b.entries[i].item->shareOption == OTL_SHARE_SHARED)
            expected.push_back(b.entries[i].item);
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_EQ(viaHash(cola), expected);
    o->caseSensitive = 1;
    EXPECT_EQ(viaHash(cola), std::vector<OtlItem *>{copy1});
    EXPECT_EQ(viaHash(copy2), std::vector<OtlItem *>{copy2});

    // Positions past the count, or outside the run, find nothing and keep
    // the position.
    for (int32_t start : {static_cast<int32_t>(b.count), 1000, -2}) {
        int32_t position = start;
        OtlItem *r = cola;
        EXPECT_EQ(adShrOtlGetNextSharedMemberUsingHash(o, cola, &r, &position), OTL_OK);
        EXPECT_EQ(r, nullptr);
        EXPECT_EQ(position, start);
    }
}

TEST_F(Shared, FieldAccessModeRefusesBothEnumerations)
{
    o->fieldAccessMode = 1;
    OtlItem *r = cola;
    int32_t position = -1;
    EXPECT_EQ(adShrOtlGetNextSharedMember(o, cola, &r), OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(r, cola);
    EXPECT_EQ(adShrOtlGetNextSharedMemberUsingHash(o, cola, &r, &position), OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(r, cola);
    EXPECT_EQ(position, -1);
    o->fieldAccessMode = 0;
}

TEST_F(Shared, DeletingEveryCopyWithLoggingOffForTheDuration)
{
    addChild(o, colas, "Cola", OTL_SHARE_SHARED); // a third copy
    o->changeLogEnabled = 1;
    ASSERT_EQ(otlDeleteSharedCopies(o, cola, recordingDelete), OTL_OK);
    EXPECT_EQ(log.names.size(), 3u);
    EXPECT_EQ(log.logging, (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(o->changeLogEnabled, 1);
    OtlItem *r = nullptr;
    EXPECT_EQ(otlHashFindShared(o, "Cola", -1, &r), -1);
    EXPECT_EQ(diet->firstChild, nullptr);
    EXPECT_EQ(market->firstChild, nullptr);
    EXPECT_EQ(colas->firstChild, cola);
    EXPECT_EQ(cola->nextSibling, nullptr);
}

TEST_F(Shared, AFailingDeletionEndsWithItsStatusAndRestoresLogging)
{
    log.failAt = 2;
    o->changeLogEnabled = 1;
    EXPECT_EQ(otlDeleteSharedCopies(o, cola, recordingDelete), 31u);
    EXPECT_EQ(log.names.size(), 2u);
    EXPECT_EQ(o->changeLogEnabled, 1);
}

TEST_F(Shared, SubtreeFormDeletesCopiesOfEveryNonSharedMemberDescendantsFirst)
{
    OtlItem *cans = addChild(o, colas, "Cans");
    addChild(o, market, "Cans", OTL_SHARE_SHARED);
    addChild(o, colas, "Cans", OTL_SHARE_SHARED); // a copy inside the subtree itself
    addChild(o, market, "Colas", OTL_SHARE_SHARED);
    ASSERT_EQ(otlDeleteSharedCopiesSubtree(o, colas, recordingDelete), OTL_OK);
    // Cola before Cans (siblings in order), Colas after its children, and
    // Diet (in the chain after Colas) has no copies.
    EXPECT_EQ(log.names.size(), 5u);
    EXPECT_EQ(log.names.back(), "Colas");
    EXPECT_EQ(colas->firstChild, cola);
    EXPECT_EQ(cola->nextSibling, cans);
    EXPECT_EQ(cans->nextSibling, nullptr);
    EXPECT_EQ(market->firstChild, nullptr);
    EXPECT_EQ(diet->firstChild, nullptr);
    EXPECT_EQ(otlDeleteSharedCopiesSubtree(o, nullptr, recordingDelete), OTL_OK);
}

TEST_F(Shared, AfterDeletionNothingIsLeftInTheTableThatPointsAtAFreedItem)
{
    ASSERT_EQ(otlDeleteSharedCopies(o, cola, recordingDelete), OTL_OK);
    for (const OtlHashBucket &b : o->nameHash->buckets)
        for (uint32_t i = 0; i < b.count; ++i)
            EXPECT_TRUE(host.owns(b.entries[i].item)) << b.entries[i].name;
}
