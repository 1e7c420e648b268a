// Random trees: items added, moved and detached at random. After every step
// links, generations and levels, the tree queries and the exported walks
// must agree with a plain walk of the shape.
#include "core/tree.h"
#include "support/outline.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

// The subtree of `top` in pre-order (the model's trees are shallow).
void collect(OtlItem *top, std::vector<OtlItem *> &out)
{
    out.push_back(top);
    for (OtlItem *c = top->firstChild; c; c = c->nextSibling)
        collect(c, out);
}

std::vector<OtlItem *> itemsOf(OtlItem *top)
{
    std::vector<OtlItem *> items;
    collect(top, items);
    return items;
}

// Checks links, generations and levels below `item` against the shape and
// returns the shape's height; `fault` names the first difference.
int checkShape(const OtlItem *item, std::string &fault)
{
    int height = 0;
    const OtlItem *prev = nullptr;
    for (OtlItem *c = item->firstChild; c; prev = c, c = c->nextSibling) {
        if (fault.empty() &&
            (c->parent != item || c->prevSibling != prev || c->generation != item->generation + 1))
            fault = std::string("links or generation of ") + c->memberName;
        height = std::max(height, checkShape(c, fault) + 1);
    }
    if (fault.empty() && item->level != height)
        fault = std::string("level of ") + item->memberName;
    return height;
}

// The queries and exported walks on one item, each against the shape.
void checkQueries(OtlOutline *o, OtlItem *x, OtlItem *y)
{
    using Walk = OtlStatus (*)(OtlOutline *, OtlItem *, OtlItem **);
    const Walk walks[] = {adShrOtlGetChild, adShrOtlGetParent, adShrOtlGetNextSibling,
                          adShrOtlGetPrevSibling};
    // The universe member is never handed out.
    OtlItem *const links[] = {x->firstChild, x->parent == o->root ? nullptr : x->parent,
                              x->nextSibling, x->prevSibling};
    for (int w = 0; w < 4; ++w) {
        OtlItem *r = y;
        EXPECT_EQ(walks[w](o, x, &r), OTL_OK);
        EXPECT_EQ(r, links[w]) << "walk " << w << " from " << x->memberName;
    }
    const std::vector<OtlItem *> below = itemsOf(x);
    OtlItem *deepest = x; // the first of greatest depth in pre-order
    for (OtlItem *i : below)
        deepest = i->generation > deepest->generation ? i : deepest;
    EXPECT_EQ(otlDeepestLeaf(x), deepest) << x->memberName;
    uint32_t nonShared = 0; // x's chain: x, its later siblings and their subtrees
    for (OtlItem *s = x; s; s = s->nextSibling)
        for (OtlItem *i : itemsOf(s))
            nonShared += i->shareOption != OTL_SHARE_SHARED;
    EXPECT_EQ(otlCountNonShared(x), nonShared) << x->memberName;
    const auto children =
        std::count_if(below.begin(), below.end(), [&](OtlItem *i) { return i->parent == x; });
    EXPECT_EQ(otlCountChildren(x), static_cast<uint32_t>(children));
    OtlItem *dim = x->generation == 0 ? nullptr : x;
    while (dim && dim->generation > 1)
        dim = dim->parent;
    EXPECT_EQ(otlGetDim(x), dim) << x->memberName;
    EXPECT_EQ(otlIsInside(y, x), std::find(below.begin(), below.end(), y) != below.end());
}

} // namespace

using RandomTrees = test::OutlineTest;

TEST_F(RandomTrees, LinkRelinkAndDetachKeepEveryInvariantAndTheQueriesAgree)
{
    std::mt19937 random(20240611);
    const uint64_t steps = test::iterations();
    uint32_t named = 0, demoted = 0, keptShared = 0;
    for (uint64_t step = 0; step < steps; ++step) {
        OtlItem *first = sentinelItem(); // none while the outline has no dimension
        ASSERT_EQ(adShrOtlGetFirstMember(o, &first), OTL_OK);
        ASSERT_EQ(first, o->root->firstChild);
        std::vector<OtlItem *> items = itemsOf(o->root);
        auto pick = [&](size_t from) { return items[from + random() % (items.size() - from)]; };
        const uint32_t op = random() % 10;
        std::string what;
        if (op < 5 || items.size() < 3) { // add as first child, or after a sibling
            const uint16_t shares[] = {0, OTL_SHARE_LABEL_ONLY, OTL_SHARE_SHARED};
            OtlItem *item = test::makeItem(host.ctx(), ("n" + std::to_string(named++)).c_str(),
                                           shares[random() % 3]);
            item->dimensionTag = random() % 3;
            item->timeBalance = random() % 8 == 0;
            OtlItem *at = pick(0);
            const bool asChild = at == o->root || random() % 2;
            asChild ? otlAddChildItem(at, item, 1) : otlAddSiblingItem(at, item, 1);
            what = std::string(asChild ? "child of " : "after ") + at->memberName;
        } else if (op < 8) { // move, never into its own subtree
            OtlItem *item = pick(1);
            OtlItem *target = pick(0);
            if (otlIsInside(target, item))
                continue;
            const uint16_t mode = (target == o->root || random() % 2) ? 2 : 1;
            const uint16_t share = item->shareOption;
            // A shared member that becomes a dimension stops being shared.
            const bool toDimension = target->generation == (mode == 2 ? 0 : 1);
            otlRelinkItem(item, target, mode);
            what = std::string("move ") + item->memberName + " to " + target->memberName;
            ASSERT_EQ(+item->shareOption, toDimension && share == OTL_SHARE_SHARED ? 0 : share)
                << what;
            if (share == OTL_SHARE_SHARED)
                ++(toDimension ? demoted : keptShared);
        } else { // detach and release, most often small subtrees
            OtlItem *item = pick(1);
            if (item->level > 2 && random() % 4)
                continue;
            otlDetachItem(item, true);
            what = std::string("detach ") + item->memberName;
            ASSERT_TRUE(!item->parent && !item->prevSibling && !item->nextSibling) << what;
            otlReleaseSubtree(o, item);
        }
        std::string fault = o->root->parent || o->root->generation ? "root" : "";
        checkShape(o->root, fault);
        ASSERT_EQ(fault, "") << "step " << step << ": " << what;
        items = itemsOf(o->root);
        checkQueries(o, pick(0), pick(0));
        // The first dimension of tag 1 and its first time-balanced member.
        OtlItem *tagged = o->root->firstChild;
        while (tagged && tagged->dimensionTag != 1)
            tagged = tagged->nextSibling;
        EXPECT_EQ(otlFindDimByTag(o, 1), tagged);
        const std::vector<OtlItem *> inTagged = tagged ? itemsOf(tagged) : items;
        const auto balanced = std::find_if(inTagged.begin(), inTagged.end(),
                                           [](OtlItem *i) { return i->timeBalance != 0; });
        EXPECT_EQ(otlFirstTimeBalanced(o),
                  tagged && balanced != inTagged.end() ? *balanced : nullptr);
        ASSERT_FALSE(HasFailure()) << "step " << step << ": " << what;
    }
    EXPECT_TRUE(steps < 3000 || (demoted > 0 && keptShared > 0)) << "moves of shared members";
}
