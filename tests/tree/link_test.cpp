// Linking and the walks beyond the random tree model: stale generations,
// detaching without the level update, null items, field-access mode, and a
// very wide and a very deep tree, handled without recursion or rescans.
#include "core/tree.h"
#include "support/outline.h"

using Linking = test::OutlineTest;

// Linking renumbers the chain after the new item only up to the first
// sibling already right, so that prepending n children costs n, not n^2.
TEST_F(Linking, RenumberingStopsAtTheFirstRightSiblingAndDetachCanLeaveLevels)
{
    OtlItem *dim = appendDim("Dim");
    OtlItem *a = append(dim, "A");
    OtlItem *under = append(a, "Under");
    OtlItem *b = append(dim, "B");
    OtlItem *c = append(dim, "C");
    a->generation = under->generation = c->generation = 9;
    otlAddChildItem(dim, test::makeItem(o->host, "First"), 1);
    EXPECT_EQ((std::vector<int>{a->generation, under->generation, b->generation, c->generation}),
              (std::vector<int>{2, 3, 2, 9}));
    ASSERT_EQ(dim->level, 2);
    ASSERT_EQ(otlHashRemoveItem(o->host, o, under), OTL_OK);
    otlDetachItem(under, false);
    EXPECT_TRUE(!a->firstChild && !under->parent && a->level == 1 && dim->level == 2);
    otlReleaseSubtree(o, under);
}

TEST_F(Linking, NullItemsGiveNothingAndFieldAccessModeRefusesTheWalks)
{
    OtlItem *item = test::makeItem(o->host, "Lone");
    otlAddChildItem(nullptr, item, 1);
    otlAddSiblingItem(nullptr, item, 1);
    otlDetachItem(item, true); // detached already: nothing to unlink
    EXPECT_TRUE(!item->parent && item->generation == 0);
    otlFreeItem(o, item, 1);
    EXPECT_EQ(otlCountChildren(nullptr) + otlCountNonShared(nullptr), 0u);
    EXPECT_TRUE(!otlDeepestLeaf(nullptr) && !otlGetDim(nullptr));
    EXPECT_FALSE(otlIsInside(nullptr, o->root));
    EXPECT_EQ(otlFindDimByTag(o, 0), nullptr);
    using Walk = OtlStatus (*)(OtlOutline *, OtlItem *, OtlItem **);
    const Walk walks[] = {adShrOtlGetChild, adShrOtlGetParent, adShrOtlGetNextSibling,
                          adShrOtlGetPrevSibling};
    for (Walk walk : walks) {
        OtlItem *r = sentinelItem();
        EXPECT_EQ(walk(o, nullptr, &r), OTL_OK);
        EXPECT_EQ(r, nullptr);
    }
    // In field-access mode the walks refuse and leave their result alone;
    // the first-member query clears it first.
    OtlItem *year = appendDim("Year");
    o->fieldAccessMode = 1;
    for (Walk walk : walks) {
        OtlItem *r = sentinelItem();
        EXPECT_EQ(walk(o, year, &r), OTL_ERR_ACCESS_MODE);
        EXPECT_EQ(r, sentinelItem());
    }
    OtlItem *r = year;
    EXPECT_EQ(adShrOtlGetFirstMember(o, &r), OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(r, nullptr);
}

// Prepending to a long chain must not walk the chain each time.
TEST_F(Linking, AVeryWideParentKeepsGenerations)
{
    OtlItem *dim = appendDim("Flat");
    for (int i = 0; i < 20000; ++i)
        otlAddChildItem(dim, test::makeItem(o->host, "m"), 1);
    for (OtlItem *c = dim->firstChild; c; c = c->nextSibling)
        ASSERT_EQ(c->generation, 2);
    EXPECT_EQ(dim->level, 1);
    EXPECT_EQ(otlCountNonShared(dim), 20001u);
    EXPECT_EQ(otlCountChildren(dim), 20000u);
    EXPECT_EQ(otlDeepestLeaf(dim), dim->firstChild);
}

// A chain far deeper than a stack would allow for recursion.
TEST_F(Linking, AVeryDeepChainIsWalkedWithoutRecursion)
{
    constexpr uint32_t kDepth = 200000;
    OtlItem *dim = appendDim("Deep");
    OtlItem *top = test::makeItem(o->host, "c0");
    otlAddChildItem(dim, top, 0);
    OtlItem *bottom = top;
    for (uint32_t i = 1; i < kDepth; ++i) {
        OtlItem *next = test::makeItem(o->host, "c");
        otlAddChildItem(bottom, next, 0); // levels left at 0
        bottom = next;
    }
    EXPECT_EQ(otlDeepestLeaf(dim), bottom);
    EXPECT_EQ(otlCountNonShared(dim->firstChild), kDepth);
    EXPECT_EQ(otlGetDim(top), dim);
    EXPECT_TRUE(otlSubtreeClosedUnderSharing(o, top));
    EXPECT_TRUE(otlIsInside(bottom, dim));
    // The level update stops at the first ancestor that needs no change;
    // going on to the top would take quadratic time.
    otlDetachItem(bottom, true);
    otlReleaseSubtree(o, bottom);
    otlDetachItem(top, true);
    EXPECT_EQ(dim->level, 0);
    otlReleaseSubtree(o, top);
}
