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

// Times `link` over a million cleared items under a cleared root.
template <class Link>
void linkMillion(benchmark::State &state, Link link)
{
    std::vector<OtlItem> items(kItems);
    for (auto _ : state) {
        state.PauseTiming();
        for (OtlItem &i : items)
            i = OtlItem{};
        OtlItem root{};
        state.ResumeTiming();
        link(&root, items);
        benchmark::DoNotOptimize(root.level);
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

// One dimension, parents of 1,000 children each, every item appended.
void BM_LinkMillionAppend(benchmark::State &state)
{
    linkMillion(state, [](OtlItem *root, std::vector<OtlItem> &items) {
        OtlItem *dim = &items[0];
        otlAddChildItem(root, dim, 1);
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
    });
}

// A million children, each linked first.
void BM_LinkMillionPrepend(benchmark::State &state)
{
    linkMillion(state, [](OtlItem *root, std::vector<OtlItem> &items) {
        for (OtlItem &item : items)
            otlAddChildItem(root, &item, 1);
    });
}

} // namespace

BENCHMARK(BM_LinkMillionAppend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinkMillionPrepend)->Unit(benchmark::kMillisecond);
