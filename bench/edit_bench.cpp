/*
 * Member editing at scale: an outline of 100 thousand and of 1 million
 * members built with adShrOtlAddMember (five dimensions, 15 children per
 * parent, every tenth member a shared copy), then a few thousand renames,
 * moves and deletes on it. Counters give the cost per edited member, so the
 * two sizes show how each edit grows with the outline.
 */
#include "bench_host.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

namespace {

constexpr int kDimensions = 5;
constexpr int kFanOut = 15;
constexpr int kEdits = 2000;

struct Built {
    OtlOutline *outline = nullptr;
    std::vector<OtlItem *> members;  // non-shared members below the dimensions
    std::vector<OtlItem *> parents;  // members that have children
};

OtlMbrInfo infoFor(const char *name, uint16_t share)
{
    OtlMbrInfo info{};
    std::snprintf(info.memberName, sizeof info.memberName, "%s", name);
    info.shareOption = share;
    return info;
}

// Breadth first, each parent's children appended after the previous one.
// A shared copy names a member of the same dimension added earlier.
Built build(size_t total)
{
    Built b;
    OtlOutlineInfo settings{};
    adShrOtlNewOutline(bench::mallocHost(), &settings, &b.outline);
    std::deque<OtlItem *> queue;
    std::vector<std::vector<OtlItem *>> byDimension(kDimensions);
    OtlItem *prevDim = nullptr;
    char name[32];
    for (int d = 0; d < kDimensions; ++d) {
        std::snprintf(name, sizeof name, "Dim%d", d);
        OtlMbrInfo info = infoFor(name, 0);
        adShrOtlAddMember(b.outline, &info, nullptr, prevDim, &prevDim, OTL_CHECK_ALL);
        queue.push_back(prevDim);
    }
    size_t added = kDimensions;
    size_t serial = 0;
    while (added < total && !queue.empty()) {
        OtlItem *parent = queue.front();
        queue.pop_front();
        const int dim = static_cast<int>(parent->dimensionNumber) - 1;
        OtlItem *prev = nullptr;
        for (int c = 0; c < kFanOut && added < total; ++c, ++added) {
            std::vector<OtlItem *> &pool = byDimension[dim];
            const bool shared = ++serial % 10 == 0 && !pool.empty();
            OtlMbrInfo info = shared ? infoFor(pool[serial % pool.size()]->memberName, 3)
                                     : (std::snprintf(name, sizeof name, "m%zu", serial),
                                        infoFor(name, 0));
            OtlItem *item = nullptr;
            if (adShrOtlAddMember(b.outline, &info, prev ? nullptr : parent, prev, &item,
                                  OTL_CHECK_ALL) != OTL_OK)
                std::abort();
            prev = item;
            if (!shared) {
                pool.push_back(item);
                b.members.push_back(item);
                queue.push_back(item);
            }
        }
        b.parents.push_back(parent);
    }
    return b;
}

void perMember(benchmark::State &state, const char *counter, size_t count)
{
    state.counters[counter] = benchmark::Counter(
        static_cast<double>(count) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_AddMembers(benchmark::State &state)
{
    const size_t total = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        Built b = build(total);
        state.PauseTiming();
        adShrOtlCloseOutline(b.outline);
        state.ResumeTiming();
    }
    perMember(state, "per_add", total);
}

// Renames spread over the outline, to fresh names and back on alternate
// iterations, so that every iteration sees the same outline.
void BM_RenameMembers(benchmark::State &state)
{
    Built b = build(static_cast<size_t>(state.range(0)));
    const size_t step = b.members.size() / kEdits;
    std::vector<std::string> oldNames, newNames;
    for (int i = 0; i < kEdits; ++i) {
        oldNames.push_back(b.members[i * step]->memberName);
        newNames.push_back("renamed" + std::to_string(i));
    }
    bool forward = true;
    for (auto _ : state) {
        const std::vector<std::string> &to = forward ? newNames : oldNames;
        for (int i = 0; i < kEdits; ++i)
            if (adShrOtlRenameMember(b.outline, b.members[i * step], to[i].c_str()) != OTL_OK)
                std::abort();
        forward = !forward;
    }
    perMember(state, "per_rename", kEdits);
    adShrOtlCloseOutline(b.outline);
}

// Leaves moved to the parent of another leaf of the same dimension and
// back, so that no shared link is stretched across dimensions.
void BM_MoveMembers(benchmark::State &state)
{
    Built b = build(static_cast<size_t>(state.range(0)));
    std::vector<OtlItem *> leaves, targets, homes;
    const size_t step = b.members.size() / (2 * kEdits);
    for (size_t i = b.members.size() / 2; i < b.members.size() && leaves.size() < kEdits;
         i += step / 2 + 1) {
        OtlItem *m = b.members[i];
        if (m->firstChild)
            continue;
        OtlItem *target = b.parents[(i * 7) % b.parents.size()];
        if (target == m->parent || otlGetDim(target) != otlGetDim(m))
            continue;
        leaves.push_back(m);
        targets.push_back(target);
        homes.push_back(m->parent);
    }
    for (auto _ : state) {
        for (size_t i = 0; i < leaves.size(); ++i)
            if (adShrOtlMoveMember(b.outline, leaves[i], targets[i], nullptr) != OTL_OK)
                std::abort();
        for (size_t i = 0; i < leaves.size(); ++i)
            if (adShrOtlMoveMember(b.outline, leaves[i], homes[i], nullptr) != OTL_OK)
                std::abort();
    }
    perMember(state, "per_move", 2 * leaves.size());
    state.counters["moved"] = static_cast<double>(leaves.size());
    adShrOtlCloseOutline(b.outline);
}

// Deletes members whose subtrees hold sources of shared copies elsewhere;
// each iteration starts from a freshly built outline.
void BM_DeleteMembers(benchmark::State &state)
{
    const size_t total = static_cast<size_t>(state.range(0));
    size_t deleted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Built b = build(total);
        std::vector<OtlItem *> victims;
        const size_t step = b.members.size() / kEdits;
        for (size_t i = 0; i < b.members.size() && victims.size() < kEdits; i += step) {
            OtlItem *m = b.members[b.members.size() - 1 - i];
            if (!m->firstChild)
                victims.push_back(m);
        }
        state.ResumeTiming();
        for (OtlItem *v : victims)
            if (adShrOtlDeleteMember(b.outline, v, OTL_CHECK_ALL) != OTL_OK)
                std::abort();
        deleted = victims.size();
        state.PauseTiming();
        adShrOtlCloseOutline(b.outline);
        state.ResumeTiming();
    }
    perMember(state, "per_delete", deleted);
}

} // namespace

BENCHMARK(BM_AddMembers)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RenameMembers)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveMembers)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteMembers)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
