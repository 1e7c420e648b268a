/*
 * Linking a million items into an outline the way a reader builds it:
 * dimensions of a thousand parents, each parent's children appended after
 * the last one; and the same count prepended as first children of one
 * parent, which must stay linear.
 */
#include "bench_host.h"
#include "core/tree.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr size_t kItems = 1000000;

void BM_LinkMillionAppend(benchmark::State &state)
{
    std::vector<OtlItem> items(kItems);
    for (auto _ : state) {
        state.PauseTiming();
        for (OtlItem &i : items)
            i = OtlItem{};
        OtlItem root{};
        state.ResumeTiming();
        OtlItem *dim = &items[0];
        otlAddChildItem(&root, dim, 1);
        OtlItem *parent = nullptr;
        OtlItem *last = nullptr;
        for (size_t i = 1; i < kItems; ++i) {
            OtlItem *item = &items[i];
            if (i % 1000 == 1) { // a new parent under the dimension
                if (parent)
                    otlAddSiblingItem(parent, item, 1);
                else
                    otlAddChildItem(dim, item, 1);
                parent = item;
                last = nullptr;
            } else {
                if (last)
                    otlAddSiblingItem(last, item, 1);
                else
                    otlAddChildItem(parent, item, 1);
                last = item;
            }
        }
        benchmark::DoNotOptimize(root.level);
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

void BM_LinkMillionPrepend(benchmark::State &state)
{
    std::vector<OtlItem> items(kItems);
    for (auto _ : state) {
        state.PauseTiming();
        for (OtlItem &i : items)
            i = OtlItem{};
        OtlItem root{};
        state.ResumeTiming();
        for (size_t i = 0; i < kItems; ++i)
            otlAddChildItem(&root, &items[i], 1);
        benchmark::DoNotOptimize(root.level);
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

} // namespace

BENCHMARK(BM_LinkMillionAppend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinkMillionPrepend)->Unit(benchmark::kMillisecond);
