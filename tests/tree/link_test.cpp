// Linking, detaching and moving items: links both ways, generations and
// levels after each primitive, and what a move does to a shared member.
#include "support/fixture.h"
#include "tree/builder.h"

#include <vector>

using test::addChild;
using test::addDim;
using test::makeItem;

using Linking = test::OutlineTest;

namespace {

// The children of `parent` read forwards, after checking that reading
// backwards and the parent links agree.
std::vector<OtlItem *> chain(OtlItem *parent)
{
    std::vector<OtlItem *> items;
    OtlItem *prev = nullptr;
    for (OtlItem *c = parent->firstChild; c; prev = c, c = c->nextSibling) {
        EXPECT_EQ(c->prevSibling, prev) << c->memberName;
        EXPECT_EQ(c->parent, parent) << c->memberName;
        items.push_back(c);
    }
    return items;
}

} // namespace

TEST_F(Linking, LevelsFollowTheShape)
{
    OtlItem *dim = addDim(o, "Year");
    EXPECT_EQ(dim->level, 0);
    EXPECT_EQ(o->root->level, 1);
    addChild(o, dim, "Jan");
    EXPECT_EQ(dim->level, 1);
    EXPECT_EQ(o->root->level, 2);
    OtlItem *feb = addChild(o, dim, "Feb");
    EXPECT_EQ(dim->level, 1);
    EXPECT_EQ(o->root->level, 2);
    EXPECT_EQ(feb->generation, 2);
    ASSERT_EQ(otlHashRemoveItem(o->host, o, feb), OTL_OK);
    otlDetachItem(feb, true);
    otlReleaseSubtree(o, feb);

    // Removing the only child recomputes levels from the shape.
    OtlItem *year = dim, *jan = year->firstChild;
    otlDetachItem(jan, true);
    EXPECT_EQ(year->level, 0);
    EXPECT_EQ(o->root->level, 1);
    EXPECT_EQ(year->firstChild, nullptr);
    EXPECT_EQ(jan->parent, nullptr);
    otlAddChildItem(year, jan, 1);

    // Another dimension just as tall keeps the universe member's level.
    OtlItem *market = addDim(o, "Market");
    addChild(o, market, "East");
    otlDetachItem(jan, true);
    EXPECT_EQ(year->level, 0);
    EXPECT_EQ(o->root->level, 2);
    otlAddChildItem(year, jan, 1); // back, for the teardown
    EXPECT_EQ(year->level, 1);
}

TEST_F(Linking, DetachWithoutRecomputationLeavesLevels)
{
    OtlItem *year = addDim(o, "Year");
    OtlItem *q1 = addChild(o, year, "Q1");
    OtlItem *jan = addChild(o, q1, "Jan");
    ASSERT_EQ(year->level, 2);
    ASSERT_EQ(otlHashRemoveItem(o->host, o, jan), OTL_OK);
    otlDetachItem(jan, false);
    EXPECT_EQ(q1->level, 1);
    EXPECT_EQ(year->level, 2);
    otlReleaseSubtree(o, jan);
}

TEST_F(Linking, InsertsKeepBothDirectionsOfTheChain)
{
    OtlItem *dim = addDim(o, "Year");
    OtlItem *a = addChild(o, dim, "A");
    OtlItem *c = addChild(o, dim, "C");
    OtlItem *b = makeItem(o->host, "B");
    otlAddSiblingItem(a, b, 1);
    OtlItem *z = makeItem(o->host, "Z");
    otlAddChildItem(dim, z, 1);
    EXPECT_EQ(chain(dim), (std::vector<OtlItem *>{z, a, b, c}));
    EXPECT_EQ(b->generation, 2);

    // Detaching from the middle, the front and the end.
    otlDetachItem(b, true);
    EXPECT_EQ(chain(dim), (std::vector<OtlItem *>{z, a, c}));
    otlDetachItem(z, true);
    EXPECT_EQ(chain(dim), (std::vector<OtlItem *>{a, c}));
    otlDetachItem(c, true);
    EXPECT_EQ(chain(dim), std::vector<OtlItem *>{a});
    EXPECT_EQ(dim->level, 1);
    EXPECT_EQ(otlHashRemoveItem(o->host, o, c), OTL_OK);
    for (OtlItem *i : {b, z, c}) {
        EXPECT_EQ(i->parent, nullptr);
        EXPECT_EQ(i->prevSibling, nullptr);
        EXPECT_EQ(i->nextSibling, nullptr);
        otlReleaseSubtree(o, i);
    }
}

TEST_F(Linking, NullParentOrSiblingDoesNothing)
{
    OtlItem *item = makeItem(o->host, "Lone");
    otlAddChildItem(nullptr, item, 1);
    otlAddSiblingItem(nullptr, item, 1);
    EXPECT_EQ(item->parent, nullptr);
    EXPECT_EQ(item->generation, 0);
    otlFreeItem(o, item, 1);
}

TEST_F(Linking, LinkingASubtreeRenumbersItsGenerations)
{
    OtlItem *year = addDim(o, "Year");
    OtlItem *q1 = addChild(o, year, "Q1");
    OtlItem *jan = addChild(o, q1, "Jan");
    OtlItem *week = addChild(o, jan, "Week1");
    OtlItem *market = addDim(o, "Market");
    otlRelinkItem(q1, market, 2);
    EXPECT_EQ(year->level, 0);
    EXPECT_EQ(market->level, 3);
    EXPECT_EQ(q1->generation, 2);
    otlRelinkItem(jan, year, 1); // after the dimension Year: jan becomes a dimension
    EXPECT_EQ(jan->generation, 1);
    EXPECT_EQ(week->generation, 2);
    EXPECT_EQ(market->level, 1);
    EXPECT_EQ(o->root->level, 2);
    EXPECT_EQ(year->nextSibling, jan);
    EXPECT_EQ(jan->nextSibling, market);
}

TEST_F(Linking, AMovedSharedMemberStaysSharedUnlessItReachesDimensionLevel)
{
    OtlItem *year = addDim(o, "Year");
    addChild(o, year, "Jan");
    OtlItem *q1 = addChild(o, year, "Q1");
    OtlItem *shared = addChild(o, q1, "Jan", OTL_SHARE_SHARED);

    otlRelinkItem(shared, year, 2); // top of Year's children
    EXPECT_EQ(year->firstChild, shared);
    EXPECT_EQ(shared->shareOption, OTL_SHARE_SHARED);
    otlRelinkItem(shared, q1, 1); // after a member
    EXPECT_EQ(shared->shareOption, OTL_SHARE_SHARED);
    otlRelinkItem(shared, year, 1); // after a dimension
    EXPECT_EQ(shared->shareOption, 0);
    EXPECT_EQ(shared->generation, 1);

    shared->shareOption = OTL_SHARE_SHARED;
    otlRelinkItem(shared, o->root, 2); // first dimension
    EXPECT_EQ(o->root->firstChild, shared);
    EXPECT_EQ(shared->shareOption, 0);
}

// Prepending to a long chain must not walk the chain each time.
TEST_F(Linking, PrependingManyChildrenKeepsGenerations)
{
    OtlItem *dim = addDim(o, "Flat");
    for (int i = 0; i < 20000; ++i)
        otlAddChildItem(dim, makeItem(o->host, "m"), 1);
    int n = 0;
    for (OtlItem *c = dim->firstChild; c; c = c->nextSibling, ++n)
        ASSERT_EQ(c->generation, 2);
    EXPECT_EQ(n, 20000);
    EXPECT_EQ(dim->level, 1);
}

// A chain far deeper than a stack would allow for recursion.
TEST_F(Linking, DeepChainsAreWalkedWithoutRecursion)
{
    constexpr uint32_t kDepth = 200000;
    OtlItem *dim = addDim(o, "Deep");
    OtlItem *top = makeItem(o->host, "c0");
    otlAddChildItem(dim, top, 0);
    OtlItem *bottom = top;
    for (uint32_t i = 1; i < kDepth; ++i) {
        OtlItem *next = makeItem(o->host, "c");
        otlAddChildItem(bottom, next, 0); // levels fixed below in one pass
        bottom = next;
    }
    EXPECT_EQ(otlDeepestLeaf(dim), bottom);
    EXPECT_EQ(otlCountNonShared(dim->firstChild), kDepth);
    EXPECT_EQ(otlGetDim(top), dim);
    otlRenumberGenerations(top, 2);
    EXPECT_EQ(top->firstChild->generation, 3);
    EXPECT_TRUE(otlSubtreeClosedUnderSharing(o, top));
    otlDetachItem(top, true);
    EXPECT_EQ(dim->level, 0);
    otlReleaseSubtree(o, top);
}
