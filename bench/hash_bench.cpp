/*
 * The member-name hash at outline sizes of 10 thousand, 100 thousand and a
 * million generated names (mixed case, one in eight with a non-ASCII
 * character). Insertion is timed per name while the table fills; lookup
 * per name in a full table. The 3313 buckets are fixed, so bucket runs
 * lengthen with the outline and insertion pays for moving entries.
 */
#include "bench_host.h"
#include "core/hash.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <string.h>
#include <array>
#include <vector>

namespace {

struct Names {
    std::vector<OtlItem> items;
    explicit Names(size_t count) : items(count)
    {
        uint32_t state = 12345;
        for (size_t i = 0; i < count; ++i) {
            state = state * 1103515245u + 12345u;
            const char *accent = (state >> 16) % 8 == 0 ? "\xC3\xA9" : "";
            snprintf(items[i].memberName, sizeof items[i].memberName, "%s%zu%s %s",
                     (state >> 8) % 2 ? "Product" : "PRODUCT", i, accent,
                     (state >> 12) % 2 ? "east" : "West");
        }
    }
};

OtlOutline *emptyOutline()
{
    OtlOutline *o = nullptr;
    if (otlCreateOutlineData(bench::mallocHost(), &o) != OTL_OK)
        return nullptr;
    return o;
}

void fill(OtlOutline *o, Names &names)
{
    for (OtlItem &item : names.items)
        otlHashInsert(o->host, o, &item, item.memberName, 0);
}

void BM_HashInsert(benchmark::State &state)
{
    Names names(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        OtlOutline *o = emptyOutline();
        state.ResumeTiming();
        fill(o, names);
        state.PauseTiming();
        otlFreeOutlineData(o->host, o);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_HashLookup(benchmark::State &state)
{
    Names names(static_cast<size_t>(state.range(0)));
    OtlOutline *o = emptyOutline();
    fill(o, names);
    // The names asked for, in the order they are asked for: a caller holds
    // the name it looks up, so the query itself should not be a cache miss
    // (the member found and the bucket searched still are).
    const size_t count = names.items.size();
    std::vector<std::array<char, OTL_NAME_SIZE>> queries(count);
    for (size_t k = 0, at = 0; k < count; ++k, at = (at + 7919) % count)
        memcpy(queries[k].data(), names.items[at].memberName, OTL_NAME_SIZE);
    size_t next = 0;
    for (auto _ : state) {
        OtlItem *found = nullptr;
        adShrOtlFindMember(o, queries[next].data(), &found);
        benchmark::DoNotOptimize(found);
        next = next + 1 == count ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
    otlFreeOutlineData(o->host, o);
}

} // namespace

BENCHMARK(BM_HashInsert)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HashLookup)->Arg(10000)->Arg(100000)->Arg(1000000);
