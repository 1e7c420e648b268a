/*
 * Saving and opening outlines of 100 thousand and of 1 million members
 * (five dimensions, 15 children per parent, every tenth member a shared
 * copy, every seventh an alias, every eleventh a formula, every
 * thirteenth a comment), next to the floor: reading and writing the same
 * file's bytes with plain system calls. Wall-clock time, since a save waits
 * on the disk.
 */
#include "bench_host.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <map>
#include <stdlib.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string benchPath(const char *name)
{
    static std::string dir = [] {
        char pattern[] = "/tmp/shrotl-file-bench-XXXXXX";
        return std::string(mkdtemp(pattern) ? pattern : "/tmp");
    }();
    return dir + "/" + name;
}

OtlOutline *build(size_t total)
{
    OtlOutlineInfo settings{};
    OtlOutline *outline = nullptr;
    adShrOtlNewOutline(bench::mallocHost(), &settings, &outline);
    std::deque<OtlItem *> queue;
    std::vector<std::vector<OtlItem *>> byDimension(5);
    OtlItem *prevDim = nullptr;
    char name[32];
    for (int d = 0; d < 5; ++d) {
        OtlMbrInfo info{};
        std::snprintf(info.memberName, sizeof info.memberName, "Dim%d", d);
        adShrOtlAddMember(outline, &info, nullptr, prevDim, &prevDim, OTL_CHECK_ALL);
        queue.push_back(prevDim);
    }
    for (size_t added = 5, serial = 0; added < total && !queue.empty();) {
        OtlItem *parent = queue.front(), *prev = nullptr;
        queue.pop_front();
        std::vector<OtlItem *> &pool = byDimension[parent->dimensionNumber - 1];
        for (int c = 0; c < 15 && added < total; ++c, ++added) {
            OtlMbrInfo info{};
            const bool shared = ++serial % 10 == 0 && !pool.empty();
            if (shared) {
                std::snprintf(info.memberName, sizeof info.memberName, "%s", pool[serial % pool.size()]->memberName);
                info.shareOption = OTL_SHARE_SHARED;
            } else {
                std::snprintf(info.memberName, sizeof info.memberName, "m%zu", serial);
            }
            if (serial % 13 == 0)
                std::snprintf(info.comment, sizeof info.comment, "comment %zu", serial);
            OtlItem *item = nullptr;
            if (adShrOtlAddMember(outline, &info, prev ? nullptr : parent, prev, &item, OTL_CHECK_ALL))
                std::abort();
            prev = item;
            if (shared)
                continue;
            if (serial % 7 == 0) {
                std::snprintf(name, sizeof name, "alias%zu", serial);
                adShrOtlSetMemberAlias(outline, item, nullptr, name, OTL_CHECK_NAMES);
            }
            if (serial % 11 == 0)
                adShrOtlSetMemberFormula(outline, item, "m1 + m2;");
            pool.push_back(item);
            queue.push_back(item);
        }
    }
    return outline;
}

// One outline and its saved file per size, made once.
const std::string &savedFile(size_t total)
{
    static std::map<size_t, std::string> files;
    std::string &file = files[total];
    if (file.empty()) {
        OtlOutline *outline = build(total);
        file = benchPath(("outline" + std::to_string(total) + ".otl").c_str());
        if (adShrOtlWriteOutline(outline, file.c_str(), 1) != OTL_OK)
            std::abort();
        adShrOtlCloseOutline(outline);
    }
    return file;
}

std::vector<char> bytesOf(const std::string &path)
{
    std::vector<char> bytes;
    FILE *f = std::fopen(path.c_str(), "rb");
    char chunk[1 << 16];
    for (size_t n; f && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    if (f)
        std::fclose(f);
    return bytes;
}

// Memory: the heap an opened outline holds, and the process's peak resident
// size so far (runs go from small to large, so it is the larger one's).
double heapMegabytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1 << 20);
}

void reportPeak(benchmark::State &state)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024;
}

void BM_FileSave(benchmark::State &state)
{
    OtlOutline *outline = nullptr;
    if (adShrOtlOpenOutline(bench::mallocHost(), savedFile(size_t(state.range(0))).c_str(), 0, &outline))
        return state.SkipWithError("open failed");
    const std::string path = benchPath("save.otl");
    for (auto _ : state)
        if (adShrOtlWriteOutline(outline, path.c_str(), 1) != OTL_OK)
            return state.SkipWithError("save failed");
    reportPeak(state);
    adShrOtlCloseOutline(outline);
}

void BM_FileOpen(benchmark::State &state)
{
    const std::string &path = savedFile(size_t(state.range(0)));
    for (auto _ : state) {
        const double before = heapMegabytes();
        OtlOutline *outline = nullptr;
        if (adShrOtlOpenOutline(bench::mallocHost(), path.c_str(), 0, &outline) != OTL_OK)
            return state.SkipWithError("open failed");
        state.PauseTiming();
        state.counters["outline_MB"] = heapMegabytes() - before;
        adShrOtlCloseOutline(outline);
        state.ResumeTiming();
    }
    reportPeak(state);
}

// The floor: the saved file's bytes written (to a temporary name, synced
// and renamed, as a save does) and read back with plain system calls.
void BM_FileWriteFloor(benchmark::State &state)
{
    const std::vector<char> bytes = bytesOf(savedFile(size_t(state.range(0))));
    const std::string path = benchPath("floor.otl"), temp = path + ".tmp";
    for (auto _ : state) {
        const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) || fsync(fd) ||
            close(fd) || rename(temp.c_str(), path.c_str()))
            return state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations() * bytes.size()));
}

void BM_FileReadFloor(benchmark::State &state)
{
    const std::string &path = savedFile(size_t(state.range(0)));
    size_t size = 0;
    for (auto _ : state) {
        const std::vector<char> bytes = bytesOf(path);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * size));
}

} // namespace

BENCHMARK(BM_FileSave)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FileWriteFloor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FileOpen)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FileReadFloor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
