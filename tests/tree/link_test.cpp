// Linking and the walks beyond the random tree model: null items,
// field-access mode, and a chain far deeper than a stack would allow for
// recursion.
#include "core/tree.h"
#include "support/outline.h"

using Linking = test::OutlineTest;

TEST_F(Linking, NullItemsGiveNothingAndFieldAccessModeRefusesTheWalks)
{
    OtlItem *item = test::makeItem(o->host, "Lone");
    otlAddChildItem(nullptr, item, 1);
    otlAddSiblingItem(nullptr, item, 1);
    otlDetachItem(item, true); // detached already: nothing to unlink
    EXPECT_TRUE(!item->parent && item->generation == 0);
    otlFreeItem(o, item, 1);
    EXPECT_EQ(otlCountChildren(nullptr) + otlCountNonShared(nullptr), 0u);
    EXPECT_TRUE(!otlDeepestLeaf(nullptr) && !otlGetDim(nullptr) && !otlIsInside(nullptr, o->root));
    EXPECT_EQ(otlFindDimByTag(o, 0), nullptr);
    // In field-access mode the walks refuse and leave their result alone;
    // the first-member query clears it first.
    OtlItem *year = appendDim("Year");
    for (OtlItem *from : {static_cast<OtlItem *>(nullptr), year})
        for (auto walk : {adShrOtlGetChild, adShrOtlGetParent, adShrOtlGetNextSibling, adShrOtlGetPrevSibling}) {
            OtlItem *r = sentinelItem();
            o->fieldAccessMode = from != nullptr;
            EXPECT_EQ(walk(o, from, &r), from ? OTL_ERR_ACCESS_MODE : OTL_OK);
            EXPECT_EQ(r, from ? sentinelItem() : nullptr);
        }
    OtlItem *r = year;
    EXPECT_EQ(adShrOtlGetFirstMember(o, &r), OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(r, nullptr);
}

TEST_F(Linking, AVeryDeepChainIsWalkedWithoutRecursion)
{
    constexpr uint32_t kDepth = 200000;
    OtlItem *dim = appendDim("Deep"), *top = test::makeItem(o->host, "c0"), *bottom = top;
    otlAddChildItem(dim, top, 0);
    for (uint32_t i = 1; i < kDepth; ++i) {
        OtlItem *next = test::makeItem(o->host, "c");
        otlAddChildItem(bottom, next, 0); // levels left at 0
        bottom = next;
    }
    EXPECT_EQ(otlDeepestLeaf(dim), bottom);
    EXPECT_EQ(otlCountNonShared(dim->firstChild), kDepth);
    EXPECT_TRUE(otlGetDim(top) == dim && otlIsInside(bottom, dim) && otlSubtreeClosedUnderSharing(o, top));
    // The level update stops at the first ancestor that needs no change.
    otlDetachItem(bottom, true);
    otlReleaseSubtree(o, bottom);
    otlDetachItem(top, true);
    EXPECT_EQ(dim->level, 0);
    otlReleaseSubtree(o, top);
}
