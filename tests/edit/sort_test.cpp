// Sorting: the quicksort against a recursive model of the same partition,
// its work stack, and children sorted by name, by value or by the caller.
#include "edit/sort.h"
#include "support/outline.h"

#include <bit>
#include <random>

namespace {

int64_t key(const OtlItem *item) { return item->memberNumber; }
int32_t byKey(OtlItem *a, OtlItem *b, void *) { return (key(a) > key(b)) - (key(a) < key(b)); }

// The same partition, recursing: the order in which disjoint ranges are
// sorted does not change the result.
void model(std::vector<OtlItem *> &v, int64_t lo, int64_t hi)
{
    const int64_t pivot = lo < hi ? key(v[(lo + hi) / 2]) : 0;
    for (int64_t i = lo - 1, j = hi + 1; lo < hi; std::swap(v[i], v[j])) {
        while (key(v[++i]) < pivot) {}
        while (key(v[--j]) > pivot) {}
        if (j <= i)
            return model(v, lo, i == j ? j - 1 : j), model(v, i == j ? i + 1 : i, hi);
    }
}

} // namespace

// Keys from few values: many ties. A stack of log2(count) ranges always
// does; a stack too short stops the sort part-way, with nothing lost.
TEST(QuickSort, MatchesTheModelTiesIncludedWithinLog2CountPendingRanges)
{
    std::mt19937 rng(7);
    for (int round = 0; round <= 2000; ++round) {
        const bool shortStack = round == 2000;
        std::vector<OtlItem> items(shortStack ? 50 : rng() % 300);
        std::vector<OtlItem *> got, want;
        const uint32_t spread = shortStack ? 50 : 1 + rng() % 20, n = static_cast<uint32_t>(items.size());
        for (OtlItem &item : items)
            item.memberNumber = static_cast<uint32_t>(got.size()) % spread, got.push_back(&item);
        std::shuffle(got.begin(), got.end(), rng);
        model(want = got, 0, n - int64_t{1});
        const OtlStatus status = otlQuickSort(got.data(), n, byKey, nullptr, shortStack ? 1 : std::bit_width(n) - 1);
        ASSERT_TRUE(status == (shortStack ? OTL_ERR_GENERIC : OTL_OK) && (got == want) == !shortStack) << round;
        ASSERT_TRUE(std::is_permutation(got.begin(), got.end(), want.begin()));
    }
}

class Sort : public test::OutlineTest {
protected:
    // The children in their new order, a shared member's name with "*".
    std::string sorted(OtlItem *parent, uint16_t order, OtlCompareFn compare = nullptr, void *context = nullptr)
    {
        EXPECT_EQ(adShrOtlSortChildren(o, parent, order, compare, context), OTL_OK);
        std::string out;
        for (OtlItem *c = (parent ? parent : o->root)->firstChild; c; c = c->nextSibling) {
            EXPECT_EQ(c->prevSibling ? c->prevSibling->nextSibling : c->parent->firstChild, c);
            out += (out.empty() ? "" : " ") + std::string(c->memberName) + (c->shareOption == OTL_SHARE_SHARED ? "*" : "");
        }
        return out;
    }
};

TEST_F(Sort, OrdersByNameValueOrTheCallersComparison)
{
    OtlItem *d = dim("D"), *e = dim("E", d);
    add("a", d, add("Z", d, add("b", d)));
    add("x", e, add("m", e, add("x", e)), OTL_SHARE_SHARED);
    OtlMbrInfo numbers = test::attrInfo("N", OTL_ATTR_NUMERIC);
    numbers.storageType = 1, numbers.dimensionCategory = OTL_CATEGORY_ATTRIBUTE;
    OtlItem *n = dim(numbers, e);
    for (const char *value : {"100", "9", "10"})
        add(test::attrInfo(value, OTL_ATTR_NUMERIC), n);
    // Refused: an order past the last, a custom order without a comparison,
    // field-access mode; a member without children allocates nothing.
    const uint64_t allocations = host.allocations();
    const std::string before = dump();
    EXPECT_EQ(adShrOtlSortChildren(o, d, 3, nullptr, nullptr), OTL_ERR_SORT_ORDER);
    EXPECT_EQ(adShrOtlSortChildren(o, d, OTL_SORT_CUSTOM, nullptr, nullptr), OTL_ERR_SORT_NO_COMPARE);
    EXPECT_EQ((o->fieldAccessMode = 1, adShrOtlSortChildren(o, d, 0, nullptr, nullptr)), OTL_ERR_ACCESS_MODE);
    EXPECT_TRUE((o->fieldAccessMode = 0, sorted(d->firstChild, 0)).empty() && host.allocations() == allocations);
    EXPECT_EQ(dump(), before);
    // By name under each case rule, leaving `verified`; descending is the
    // exact reverse, a shared member's place included; attribute numbers by
    // value, an order verification reads, as it reads the dimensions'.
    o->verified = 1, d->dimChanged = 0;
    const std::string names = sorted(d, 0), cased = (o->caseSensitive = 1, sorted(d, 0)), up = sorted(e, 0);
    EXPECT_EQ(names + " / " + cased + " / " + up + " / " + sorted(e, OTL_SORT_DESCENDING), "a b Z / Z a b / m x* x / x x* m");
    EXPECT_TRUE(o->verified && d->dimChanged);
    const std::string values = sorted(n, OTL_SORT_ASCENDING);
    EXPECT_TRUE(values + " / " + sorted(n, OTL_SORT_DESCENDING) == "9 10 100 / 100 10 9" && !o->verified);
    EXPECT_TRUE((o->verified = 1, sorted(nullptr, OTL_SORT_DESCENDING)).starts_with("N E D") && !o->verified);
    // The caller's comparison with its context: ties all round swap as the
    // partition meets them, in a valid chain of the same members.
    int calls = 0;
    const OtlCompareFn tie = [](OtlItem *, OtlItem *, void *c) { return ++*static_cast<int *>(c), 0; };
    EXPECT_TRUE(sorted(e, OTL_SORT_CUSTOM, tie, &calls) == "m x* x" && calls > 0);
}
