/*
 * Throughput of the file layer for the outline reader's and writer's access
 * pattern: a million 60-byte records, each written or read as eleven small
 * fields. Reports bytes per second and the time per field call, both by
 * wall-clock time since a save waits on the disk.
 */
#include "qvlapin.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>

namespace {

constexpr uint32_t kRecords = 1000000;
constexpr uint32_t kFieldSizes[] = {2, 4, 4, 2, 4, 20, 4, 4, 8, 4, 4};
constexpr uint32_t kFieldsPerRecord = sizeof kFieldSizes / sizeof kFieldSizes[0];
constexpr uint32_t kRecordSize = 60;

// A private directory for the benchmark files, removed at exit.
struct BenchDir {
    std::string dir;
    BenchDir()
    {
        char name[] = "/tmp/shrotl-files-bench-XXXXXX";
        if (mkdtemp(name))
            dir = name;
    }
    ~BenchDir()
    {
        unlink(path().c_str());
        rmdir(dir.c_str());
    }
    std::string path() const { return dir + "/bench.otl"; }
};

BenchDir &benchDir()
{
    static BenchDir d;
    return d;
}

bool writeRecords(QvlFile f)
{
    unsigned char field[20] = {};
    uint32_t section = 0;
    if (qVLBeginOpcode(0, f, 100, 1, &section))
        return false;
    for (uint32_t r = 0; r < kRecords; ++r) {
        field[0] = static_cast<unsigned char>(r);
        for (uint32_t size : kFieldSizes)
            if (qVLWrite(0, f, field, size))
                return false;
    }
    return qVLEndOpcode(0, f, section) == QVL_OK && qVLWriteOpcode(0, f, QVL_OP_END, 0) == QVL_OK;
}

void report(benchmark::State &state)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * kRecords * kRecordSize);
    state.counters["field"] = benchmark::Counter(double(kRecords) * kFieldsPerRecord,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Field writes only: creating and the durable close are outside the timing.
void BM_FilesWriteFields(benchmark::State &state)
{
    const unsigned char header[QVL_HEADER_SIZE] = {};
    for (auto _ : state) {
        state.PauseTiming();
        QvlFile f = 0;
        if (qVLCreateFile(0, &f, benchDir().path().c_str()) ||
            qVLWriteHeader(0, f, QVL_HEADER_SIZE, header)) {
            state.SkipWithError("create failed");
            break;
        }
        state.ResumeTiming();
        const bool ok = writeRecords(f);
        state.PauseTiming();
        if (!ok || qVLCloseFile(0, f)) {
            state.SkipWithError("write failed");
            break;
        }
        state.ResumeTiming();
    }
    report(state);
}

// A whole save, including fsync and the rename over the previous file.
void BM_FilesSave(benchmark::State &state)
{
    const unsigned char header[QVL_HEADER_SIZE] = {};
    for (auto _ : state) {
        QvlFile f = 0;
        if (qVLCreateFile(0, &f, benchDir().path().c_str()) ||
            qVLWriteHeader(0, f, QVL_HEADER_SIZE, header) || !writeRecords(f) ||
            qVLCloseFile(0, f)) {
            state.SkipWithError("save failed");
            break;
        }
    }
    report(state);
}

void BM_FilesReadFields(benchmark::State &state)
{
    {
        const unsigned char header[QVL_HEADER_SIZE] = {};
        QvlFile f = 0;
        if (qVLCreateFile(0, &f, benchDir().path().c_str()) ||
            qVLWriteHeader(0, f, QVL_HEADER_SIZE, header) || !writeRecords(f) ||
            qVLCloseFile(0, f)) {
            state.SkipWithError("setup failed");
            return;
        }
    }
    unsigned char header[QVL_HEADER_SIZE];
    unsigned char field[20];
    for (auto _ : state) {
        QvlFile f = 0;
        uint16_t op, ver;
        uint32_t len;
        bool ok = qVLOpenFile(0, &f, benchDir().path().c_str()) == QVL_OK &&
                  qVLReadHeader(0, f, QVL_HEADER_SIZE, header) == QVL_OK &&
                  qVLReadOpcode(0, f, &op, &ver, &len) == QVL_OK;
        for (uint32_t r = 0; ok && r < kRecords; ++r)
            for (uint32_t size : kFieldSizes)
                ok = ok && qVLRead(0, f, field, size) == QVL_OK;
        benchmark::DoNotOptimize(field);
        qVLCloseFile(0, f);
        if (!ok) {
            state.SkipWithError("read failed");
            break;
        }
    }
    report(state);
}

BENCHMARK(BM_FilesWriteFields)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FilesSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FilesReadFields)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
