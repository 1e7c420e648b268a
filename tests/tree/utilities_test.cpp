// The tree utilities the editing subsystems share: counting, finding by
// tag, the first time-balanced member, the deepest leaf and the test that a
// subtree is closed under sharing.
#include "support/fixture.h"
#include "tree/builder.h"

using test::addChild;
using test::addDim;

using Utilities = test::OutlineTest;

TEST_F(Utilities, CountsChildrenAndNonSharedItemsOfAChain)
{
    OtlItem *year = addDim(o, "Year");
    OtlItem *q1 = addChild(o, year, "Q1");
    addChild(o, q1, "Jan");
    addChild(o, q1, "Feb", OTL_SHARE_SHARED);
    OtlItem *q2 = addChild(o, year, "Q2");
    addChild(o, q2, "Apr", OTL_SHARE_LABEL_ONLY);
    OtlItem *market = addDim(o, "Market");
    addChild(o, market, "East");

    EXPECT_EQ(otlCountChildren(year), 2u);
    EXPECT_EQ(otlCountChildren(q1), 2u);
    EXPECT_EQ(otlCountChildren(market->firstChild), 0u);
    EXPECT_EQ(otlCountChildren(nullptr), 0u);
    // The chain from Q1 covers Q1, Jan, Q2, Apr; Feb is shared.
    EXPECT_EQ(otlCountNonShared(q1), 4u);
    // From Q2 only the rest of the chain, not the earlier siblings.
    EXPECT_EQ(otlCountNonShared(q2), 2u);
    // Dimensions as a chain: everything but Feb.
    EXPECT_EQ(otlCountNonShared(year), 7u);
    EXPECT_EQ(otlCountNonShared(nullptr), 0u);
}

TEST_F(Utilities, FindsDimensionsByTagInOrder)
{
    EXPECT_EQ(otlFindDimByTag(o, 2), nullptr);
    addDim(o, "Accounts", 1);
    OtlItem *time1 = addDim(o, "Time", 2);
    addDim(o, "Time2", 2);
    EXPECT_EQ(otlFindDimByTag(o, 2), time1);
    EXPECT_EQ(otlFindDimByTag(o, 7), nullptr);
}

TEST_F(Utilities, FirstTimeBalancedMemberInPreOrderOfTheTagOneDimension)
{
    OtlItem *other = addDim(o, "Other");
    addChild(o, other, "Elsewhere")->timeBalance = 1; // not in the tag-1 dimension
    EXPECT_EQ(otlFirstTimeBalanced(o), nullptr);
    OtlItem *accounts = addDim(o, "Accounts", 1);
    EXPECT_EQ(otlFirstTimeBalanced(o), nullptr);
    OtlItem *profit = addChild(o, accounts, "Profit");
    OtlItem *sales = addChild(o, profit, "Sales");
    OtlItem *stock = addChild(o, accounts, "Stock");
    stock->timeBalance = 2;
    EXPECT_EQ(otlFirstTimeBalanced(o), stock);
    sales->timeBalance = 3; // deeper but earlier in pre-order
    EXPECT_EQ(otlFirstTimeBalanced(o), sales);
    accounts->timeBalance = 1; // the dimension itself comes first
    EXPECT_EQ(otlFirstTimeBalanced(o), accounts);
}

TEST_F(Utilities, DeepestLeafIsTheFirstOfGreatestDepth)
{
    OtlItem *year = addDim(o, "Year");
    EXPECT_EQ(otlDeepestLeaf(year), year);
    OtlItem *q1 = addChild(o, year, "Q1");
    OtlItem *jan = addChild(o, q1, "Jan");
    addChild(o, q1, "Feb");
    OtlItem *q2 = addChild(o, year, "Q2");
    OtlItem *apr = addChild(o, q2, "Apr");
    OtlItem *wk = addChild(o, apr, "Wk14");
    addChild(o, apr, "Wk15");
    EXPECT_EQ(otlDeepestLeaf(year), wk);
    // The subtree only: Q1's later sibling Q2 holds a deeper leaf.
    EXPECT_EQ(otlDeepestLeaf(q1), jan);
    EXPECT_EQ(otlDeepestLeaf(nullptr), nullptr);
}

TEST_F(Utilities, SubtreeIsClosedWhenNoSharedLinkCrossesItsBorder)
{
    OtlItem *product = addDim(o, "Product");
    OtlItem *colas = addChild(o, product, "Colas");
    OtlItem *cola = addChild(o, colas, "Cola");
    OtlItem *diet = addChild(o, product, "Diet");
    OtlItem *dietCola = addChild(o, diet, "Cola", OTL_SHARE_SHARED);

    EXPECT_FALSE(otlSubtreeClosedUnderSharing(o, colas)); // its source has a copy outside
    EXPECT_FALSE(otlSubtreeClosedUnderSharing(o, diet));  // its copy has the source outside
    EXPECT_TRUE(otlSubtreeClosedUnderSharing(o, product));
    EXPECT_TRUE(otlSubtreeClosedUnderSharing(o, dietCola->parent->parent));

    // Both inside one subtree: closed.
    OtlItem *copy2 = addChild(o, colas, "Cola", OTL_SHARE_SHARED);
    ASSERT_EQ(otlHashRemoveItem(o->host, o, dietCola), OTL_OK);
    otlDetachItem(dietCola, true);
    otlReleaseSubtree(o, dietCola);
    EXPECT_TRUE(otlSubtreeClosedUnderSharing(o, colas));
    EXPECT_FALSE(otlSubtreeClosedUnderSharing(o, copy2));
    EXPECT_FALSE(otlSubtreeClosedUnderSharing(o, cola));

    // A shared member whose source cannot be found does not fail the test.
    OtlItem *orphan = addChild(o, diet, "Orphan", OTL_SHARE_SHARED);
    EXPECT_TRUE(otlSubtreeClosedUnderSharing(o, orphan));
}

TEST_F(Utilities, ReleasingAnAliasSlotClearsIt)
{
    OtlItem *dim = addDim(o, "Year");
    dim->aliases[0].alias = test::dupText(host.ctx(), "Calendar");
    otlReleaseAliasSlot(host.ctx(), &dim->aliases[0]);
    EXPECT_EQ(dim->aliases[0].alias, nullptr);
    EXPECT_EQ(dim->aliases[0].combos, nullptr);
}
