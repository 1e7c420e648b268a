// The tree utilities beyond the random tree model: implied sharing and the
// test that a subtree is closed under sharing.
#include "core/share.h"
#include "core/tree.h"
#include "support/outline.h"

#include <initializer_list>
#include <vector>

using Utilities = test::OutlineTest;

// Which child's storage a parent shares (-1: none, both results untouched),
// by the children's operators and the parent's formula, operator and option.
TEST_F(Utilities, ImpliedSharingByChildrenFormulaAndOptions)
{
    const struct {
        std::initializer_list<uint16_t> ops;
        const char *formula;
        uint16_t consolidation, shareOption;
        int shared;
    } cases[] = {
        {{1}, "Sales * 2;", 0, 0, 0}, // one child with a formula: the parent's operator
        {{1}, "Sales * 2;", 1, 0, -1},
        {{2}, nullptr, 0, 0, 0},      // without a formula: the child's operator
        {{1}, nullptr, 0, 0, -1},
        {{5}, nullptr, 0, 0, -1},     // no contributing child at all
        {{5, 0, 5}, nullptr, 0, 0, 1}, // one contributing child among ignored ones
        {{5, 1, 5}, nullptr, 0, 0, -1},
        {{0, 0, 5}, nullptr, 0, 0, -1}, // two contribute
        {{0}, nullptr, 0, 1, -1},       // never share option 1
        {{0}, "x;", 0, 1, -1},
        {{0, 5}, "x;", 0, 0, -1},       // two children and a formula
        {{0, 5}, nullptr, 0, 0, 0},
        {{}, nullptr, 0, 0, -1},        // a leaf
        {{}, "x;", 0, 0, -1},
    };
    for (const auto &c : cases) {
        OtlItem *parent = test::makeItem(host.ctx(), "Parent");
        parent->consolidation = c.consolidation, parent->shareOption = c.shareOption;
        parent->formula = c.formula ? dup(c.formula) : nullptr;
        std::vector<OtlItem *> children;
        for (uint16_t op : c.ops) {
            OtlItem *child = test::makeItem(host.ctx(), "Child");
            child->consolidation = op, child->storedNumber = 10 + static_cast<uint32_t>(children.size());
            children.empty() ? otlAddChildItem(parent, child, 1) : otlAddSiblingItem(children.back(), child, 1);
            children.push_back(child);
        }
        uint32_t stored = 777;
        OtlItem *shared = sentinelItem();
        EXPECT_EQ(otlImpliedShare(parent, &stored, &shared), c.shared >= 0) << &c - cases;
        EXPECT_EQ(shared, c.shared >= 0 ? children[c.shared] : sentinelItem()) << &c - cases;
        EXPECT_EQ(stored, c.shared >= 0 ? 10u + c.shared : 777u) << &c - cases;
        otlReleaseSubtree(o, parent);
    }
}

TEST_F(Utilities, SubtreeIsClosedWhenNoSharedLinkCrossesItsBorder)
{
    OtlItem *product = appendDim("Product"), *colas = append(product, "Colas"), *cola = append(colas, "Cola");
    OtlItem *diet = append(product, "Diet"), *dietCola = append(diet, "Cola", OTL_SHARE_SHARED);
    EXPECT_FALSE(otlSubtreeClosedUnderSharing(o, colas)); // its source has a copy outside
    EXPECT_FALSE(otlSubtreeClosedUnderSharing(o, diet));  // its copy has the source outside
    EXPECT_TRUE(otlSubtreeClosedUnderSharing(o, product));
    // Both inside one subtree: closed.
    OtlItem *copy2 = append(colas, "Cola", OTL_SHARE_SHARED);
    EXPECT_FALSE(otlSubtreeClosedUnderSharing(o, colas)); // the copy after copy2 is outside
    test::removeRaw(o, dietCola);
    EXPECT_TRUE(otlSubtreeClosedUnderSharing(o, colas));
    EXPECT_FALSE(otlSubtreeClosedUnderSharing(o, copy2) || otlSubtreeClosedUnderSharing(o, cola));
    // Shared members whose source cannot be found do not fail the test.
    OtlItem *orphan = append(diet, "Orphan", OTL_SHARE_SHARED);
    append(product, "Orphan", OTL_SHARE_SHARED);
    EXPECT_TRUE(otlSubtreeClosedUnderSharing(o, orphan));
}
