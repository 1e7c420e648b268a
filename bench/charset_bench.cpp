// Cost of the character-set calls that outline name lookups make: GCStrcmp
// on typical member names, ASCII and not, plus the per-character walk.
#include "gcharset.h"

#include <benchmark/benchmark.h>

namespace {

GCLocale shiftJis()
{
    static GCLocale locale = [] {
        GCLocale l = 0;
        GCRegisterLocale("Shift_JIS", &l);
        return l;
    }();
    return locale;
}

void compare(benchmark::State &state, GCLocale locale, const char *a, const char *b,
             uint32_t flags)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(GCStrcmp(locale, a, -1, b, -1, flags));
}

void BM_StrcmpAsciiEqualNoCase(benchmark::State &state)
{
    compare(state, 0, "ProductSales", "PRODUCTsales", GC_CMP_NOCASE);
}
void BM_StrcmpAsciiEqualExact(benchmark::State &state)
{
    compare(state, 0, "ProductSales", "ProductSales", GC_CMP_EXACT);
}
void BM_StrcmpAsciiDiffersEarly(benchmark::State &state)
{
    compare(state, 0, "ProductSales", "Profit", GC_CMP_NOCASE);
}
// German with umlauts and ß: the full path from the first non-ASCII byte.
void BM_StrcmpUtf8LatinNoCase(benchmark::State &state)
{
    compare(state, 0, "Gr\xC3\xB6\xC3\x9F" "e M\xC3\xA4rz", "GR\xC3\x96SSE M\xC3\x84RZ",
            GC_CMP_NOCASE);
}
// Greek, every letter case-folded.
void BM_StrcmpUtf8GreekNoCase(benchmark::State &state)
{
    compare(state, 0, "\xCE\xA0\xCF\x89\xCE\xBB\xCE\xAE\xCF\x83\xCE\xB5\xCE\xB9\xCF\x82",
            "\xCE\xA0\xCE\xA9\xCE\x9B\xCE\x89\xCE\xA3\xCE\x95\xCE\x99\xCE\xA3", GC_CMP_NOCASE);
}
// 売上高合計 twice: CJK has no case, so folding is a property lookup.
void BM_StrcmpUtf8CjkNoCase(benchmark::State &state)
{
    const char *name = "\xE5\xA3\xB2\xE4\xB8\x8A\xE9\xAB\x98\xE5\x90\x88\xE8\xA8\x88";
    compare(state, 0, name, name, GC_CMP_NOCASE);
}
void BM_StrcmpUtf8CjkExact(benchmark::State &state)
{
    const char *name = "\xE5\xA3\xB2\xE4\xB8\x8A\xE9\xAB\x98\xE5\x90\x88\xE8\xA8\x88";
    compare(state, 0, name, name, GC_CMP_EXACT);
}
// 売上高合計 in Shift_JIS, through the pair table.
void BM_StrcmpShiftJisNoCase(benchmark::State &state)
{
    const char *name = "\x94\x84\x8F\xE3\x8D\x82\x8D\x87\x8C\x76";
    compare(state, shiftJis(), name, name, GC_CMP_NOCASE);
}

void BM_NumCharsShiftJis(benchmark::State &state)
{
    const char *name = "Sales\x94\x84\x8F\xE3\x8D\x82\x8D\x87\x8C\x76";
    for (auto _ : state)
        benchmark::DoNotOptimize(GCNumChars(shiftJis(), name, -1, 0));
}

} // namespace

BENCHMARK(BM_StrcmpAsciiEqualNoCase);
BENCHMARK(BM_StrcmpAsciiEqualExact);
BENCHMARK(BM_StrcmpAsciiDiffersEarly);
BENCHMARK(BM_StrcmpUtf8LatinNoCase);
BENCHMARK(BM_StrcmpUtf8GreekNoCase);
BENCHMARK(BM_StrcmpUtf8CjkNoCase);
BENCHMARK(BM_StrcmpUtf8CjkExact);
BENCHMARK(BM_StrcmpShiftJisNoCase);
BENCHMARK(BM_NumCharsShiftJis);
