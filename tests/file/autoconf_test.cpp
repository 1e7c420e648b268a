// Automatic storage configuration: hand-worked scores, the counting and
// formula rules, the sort against a recursive model of its quicksort, the
// sample outline's choice with the attribute overrides, the dimension limit
// and a failure sweep.
#include "file/autoconf.h"
#include "support/outline.h"

#include <algorithm>
#include <functional>
#include <random>

class AutoConfig : public test::OutlineTest {};

TEST_F(AutoConfig, ScoresAndCountsFollowTheWeights)
{
    // From the worked example on; then one dimension dense beside a sparse
    // D(1), which scores its weights and those of a block of 8 bytes a member.
    const auto D = [](uint32_t stored, uint32_t operators = 0, uint16_t tag = 0, uint16_t category = 0) {
        return otl::StorageDim{nullptr, stored, operators, tag, category}; };
    const std::vector<otl::StorageDim> two = {D(150, 0, 1), D(10, 25, 0, 6)};
    const struct { std::vector<otl::StorageDim> dims; uint32_t assignment; double score; } rows[] = {
        {{D(12, 0, 2)}, 0, 1009}, {{D(12, 0, 2)}, 1, -1025}, {two, 0, 22}, {two, 1, 17}, {two, 2, -9.5}, {two, 3, -40.5},
        {{D(30), D(1)}, 2, 4}, {{D(20), D(1)}, 2, 2}, {{D(10), D(1)}, 2, 1}, {{D(4000), D(1)}, 2, 2},
        {{D(8000), D(1)}, 2, 1}, {{D(16000), D(1)}, 2, 0}, {{D(40000), D(1)}, 2, -2}, {{D(70000), D(1)}, 2, -4},
        {{D(130000), D(1)}, 2, -25},
        {{D(5), D(1)}, 2, -25}, {{D(2000000), D(1)}, 2, -500}, {{D(300000000), D(1)}, 2, -1000},
        {{D(30, 0, 0, 1), D(1)}, 2, 12}, {{D(30, 0, 0, 3), D(1)}, 2, 6}, {{D(30, 0, 1), D(1)}, 2, 8},
        {{D(150, 0, 0, 4), D(1)}, 2, 6}, {{D(200, 0, 0, 4), D(1)}, 2, 4}, {{D(30, 0, 3), D(1)}, 3, -24},
        {{D(30, 0, 0, 8), D(1)}, 3, -24}, {{D(30, 0, 0, 6), D(1)}, 3, -24.5},
        {{D(0, 7), D(1)}, 1, -25}}; // nothing stored: the formulas weigh nothing
    for (const auto &row : rows)
        EXPECT_EQ(otl::storageScore(row.dims.data(), uint32_t(row.dims.size()), row.assignment), row.score) << &row - rows;
    for (auto [text, n] : {std::pair<const char *, uint32_t>{"a+b", 1}, {"a + b", 1}, {"a+b*c", 2},
                           {"\"a+b\" - \"c d\"", 1}, {"a+\"b\"+c", 2}, {"x;\n", 1}, {nullptr, 0}})
        EXPECT_EQ(otl::formulaOperators(host.ctx(), text), n) << (text ? text : "null");

    // Stored: D, p1, s, u, x, v and the two children of t, u, x and v; not
    // label-only, shared or computed members, nor one without formula whose
    // single adding child carries it, the others ignored (t).
    OtlItem *d = appendDim("D");
    for (auto [name, share] : {std::pair{"p", 2}, {"q", 3}, {"r", 5}, {"s", 4}, {"t", 0}, {"u", 1}, {"x", 0}, {"v", 0}})
        append(d, name, uint16_t(share), false);
    for (OtlItem *m = d->firstChild; m; m = m->nextSibling)
        if (m->shareOption < 2) // x's second child is subtracted, not ignored
            append(m, "1", 0, false), append(m, "2", 0, false)->consolidation = m->memberName[0] == 'x' ? 1 : 5;
    append(d->firstChild, "p1", 0, false)->formula = dup("a + b"), test::lastChild(d)->formula = dup("v1*2");
    otl::StorageDim summary{};
    otl::summariseDimension(host.ctx(), d, &summary);
    EXPECT_TRUE(summary.stored == 14 && summary.operators == 2) << summary.stored << " " << summary.operators;
    useLocale("Shift_JIS"); // trail bytes '@' and '[' are no delimiters
    EXPECT_EQ(otl::formulaOperators(host.ctx(), "\x83\x40+\x83\x5b"), 1u);
}

TEST_F(AutoConfig, TheSortMatchesARecursiveModelOfItsQuicksortOnManyTies)
{
    // The same partition, the pivot read through its slot; plain recursion.
    using Candidates = std::vector<otl::StorageCandidate>;
    std::function<void(Candidates &, int64_t, int64_t)> model = [&](Candidates &c, int64_t lo, int64_t hi) {
        int64_t p = (lo + hi) / 2, i = lo - 1, j = hi + 1;
        for (; lo < hi; std::swap(c[i], c[j])) {
            while (c[++i].score > c[p].score) {}
            while (c[--j].score < c[p].score) {}
            if (j <= i)
                return model(c, lo, i == j ? j - 1 : j), model(c, i == j ? i + 1 : i, hi);
        }
    };
    std::mt19937 rng(5);
    for (uint64_t run = 0; run < test::iterations(500); ++run) {
        Candidates got(1 + rng() % 300), expected;
        for (uint32_t k = 0; k < got.size(); ++k)
            got[k] = {double(rng() % (1 + run % 9)) / 2, k};
        model(expected = got, 0, int64_t(got.size()) - 1);
        otl::sortStorageCandidates(got.data(), uint32_t(got.size()));
        // Not a full sort (a partition's middle slot may keep a lower score
        // once the pivot moved), but a best candidate always comes first.
        ASSERT_TRUE(std::equal(got.begin(), got.end(), expected.begin(),
                               [](auto &a, auto &b) { return a.assignment == b.assignment; }) &&
                    std::max_element(got.begin(), got.end(), [](auto &a, auto &b) { return a.score < b.score; })->score ==
                        got[0].score) << "run " << run;
    }
}

TEST_F(AutoConfig, TheBestIsTakenThenAttributeDimensionsAndTheirBasesGoSparse)
{
    // Each starts opposite to where it ends. The sample's best candidate
    // (16.4) is all dense but Colour; Colour's base and the calculations go
    // sparse after it.
    const test::Sample s = buildSample();
    ASSERT_EQ((s.market->storageType = 1, adShrOtlAssociateAttributeDimension(o, s.market, s.colour)), OTL_OK);
    OtlItem *calc = test::lastChild(o->root);
    for (OtlItem *d : {s.accounts, s.year, s.market, s.colour, calc})
        d->storageType = d == s.accounts || d == s.year;
    const std::string before = dump();
    const size_t blocks = ownedBlocks();
    test::sweepAllocations(host, [&] { return otlConfigureStorage(host.ctx(), o); },
                           [&](uint64_t n) { EXPECT_TRUE(dump() == before && ownedBlocks() == blocks) << n; });
    EXPECT_TRUE(!s.accounts->storageType && !s.year->storageType && s.market->storageType && s.colour->storageType &&
                calc->storageType);
    for (int i = 0; i < 21; ++i) // 26 dimensions: refused, nothing changed
        appendDim(("D" + std::to_string(i)).c_str());
    const std::string wide = dump();
    EXPECT_TRUE(otlConfigureStorage(host.ctx(), o) == OTL_ERR_AUTOCONFIG_DIMS && dump() == wide);
}
