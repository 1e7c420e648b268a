// Random trees: items are added, moved and detached at random, and after
// every step each generation and level must equal a recomputation from
// scratch and every sibling chain must read the same both ways.
// SHROTL_RANDOM_ITERATIONS sets the number of steps (default 3000).
#include "support/fixture.h"
#include "tree/builder.h"

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using test::makeItem;

namespace {

uint32_t iterations(uint32_t fallback)
{
    const char *env = std::getenv("SHROTL_RANDOM_ITERATIONS");
    return env ? static_cast<uint32_t>(std::strtoul(env, nullptr, 10)) : fallback;
}

// Every item below and including root, in pre-order.
std::vector<OtlItem *> itemsOf(OtlItem *root)
{
    std::vector<OtlItem *> items;
    std::vector<OtlItem *> stack{root};
    while (!stack.empty()) {
        OtlItem *i = stack.back();
        stack.pop_back();
        items.push_back(i);
        std::vector<OtlItem *> children;
        for (OtlItem *c = i->firstChild; c; c = c->nextSibling)
            children.push_back(c);
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return items;
}

// Checks links, generations and levels against the shape; returns a
// description of the first difference, or "".
std::string checkTree(OtlItem *root)
{
    std::vector<OtlItem *> items = itemsOf(root);
    if (root->generation != 0 || root->parent)
        return "root";
    for (OtlItem *i : items) {
        const OtlItem *prev = nullptr;
        for (OtlItem *c = i->firstChild; c; prev = c, c = c->nextSibling) {
            if (c->parent != i)
                return std::string("parent of ") + c->memberName;
            if (c->prevSibling != prev)
                return std::string("prevSibling of ") + c->memberName;
            if (c->generation != i->generation + 1)
                return std::string("generation of ") + c->memberName;
        }
    }
    // Post-order: the reverse of pre-order visits children before parents.
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        uint16_t level = 0;
        for (OtlItem *c = (*it)->firstChild; c; c = c->nextSibling)
            level = std::max<uint16_t>(level, static_cast<uint16_t>(c->level + 1));
        if ((*it)->level != level)
            return std::string("level of ") + (*it)->memberName + " is " +
                   std::to_string((*it)->level) + ", shape says " + std::to_string(level);
    }
    return "";
}

} // namespace

class RandomTrees : public test::HostTest {};

TEST_F(RandomTrees, LinkRelinkAndDetachKeepEveryInvariant)
{
    OtlOutline *o = newOutline();
    std::mt19937 random(20240611);
    const uint32_t steps = iterations(3000);
    uint32_t named = 0;
    for (uint32_t step = 0; step < steps; ++step) {
        std::vector<OtlItem *> items = itemsOf(o->root);
        auto pick = [&](size_t from) { return items[from + random() % (items.size() - from)]; };
        const uint32_t op = random() % 10;
        std::string what;
        if (op < 5 || items.size() < 3) { // add as first child, or after a sibling
            OtlItem *item = makeItem(host.ctx(), ("n" + std::to_string(named++)).c_str());
            OtlItem *at = pick(0);
            if (at == o->root || random() % 2) {
                otlAddChildItem(at, item, 1);
                what = std::string("child of ") + at->memberName;
            } else {
                otlAddSiblingItem(at, item, 1);
                what = std::string("after ") + at->memberName;
            }
        } else if (op < 8) { // move, never into its own subtree
            OtlItem *item = pick(1);
            OtlItem *target = pick(0);
            if (otlIsInside(target, item))
                continue;
            const uint16_t mode = (target == o->root || random() % 2) ? 2 : 1;
            otlRelinkItem(item, target, mode);
            what = std::string("move ") + item->memberName + " to " + target->memberName;
        } else { // detach and release, most often small subtrees
            OtlItem *item = pick(1);
            if (item->level > 2 && random() % 4)
                continue;
            otlDetachItem(item, true);
            otlReleaseSubtree(o, item);
            what = "detach";
        }
        const std::string fault = checkTree(o->root);
        ASSERT_EQ(fault, "") << "step " << step << ": " << what;
    }
    adShrOtlCloseOutline(o);
}
