/*
 * Framing, buffering and seeking of the file layer, checked against the bytes
 * on disk and against files built byte by byte here. Damaged files must fail
 * with a status from some call, never crash.
 */
#include "qvlapin.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <string.h>

namespace {

const Bytes kPrefix = {0x89, 'S', 'H', 'R', 'O', 'T', 'L', 0x0A, 1, 0, 0, 0};
const unsigned char kZeroHeader[QVL_HEADER_SIZE] = {};

// Header, section 10 {"alpha", section 11 {"xyz"}, "!!", section 12 {"?"}},
// end opcode. The outer length counts the section that ends its body.
Bytes sampleBytes()
{
    Bytes b = kPrefix;
    for (unsigned i = 0; i < QVL_HEADER_SIZE; ++i)
        b.push_back(static_cast<unsigned char>(i * 7));
    b.insert(b.end(), {10, 0, 1, 0, 27, 0, 0, 0, 'a', 'l', 'p', 'h', 'a', 11, 0, 2, 0, 3, 0, 0,
                       0, 'x', 'y', 'z', '!', '!', 12, 0, 0, 0, 1, 0, 0, 0, '?', 0x9E, 0x07, 0, 0,
                       0, 0, 0, 0});
    return b;
}

void writeSample(const std::string &path)
{
    const Bytes header = sampleBytes();
    QvlFile f = 0;
    uint32_t outer = 0, inner = 0, last = 0;
    ASSERT_EQ(qVLCreateFile(0, &f, path.c_str()), QVL_OK);
    ASSERT_EQ(qVLWriteHeader(0, f, QVL_HEADER_SIZE, header.data() + QVL_PREFIX_SIZE), QVL_OK);
    ASSERT_EQ(qVLBeginOpcode(0, f, 10, 1, &outer), QVL_OK);
    EXPECT_EQ(outer, QVL_FIRST_SECTION);
    ASSERT_EQ(qVLWrite(0, f, "alpha", 5), QVL_OK);
    ASSERT_EQ(qVLBeginOpcode(0, f, 11, 2, &inner), QVL_OK);
    ASSERT_EQ(qVLWrite(0, f, "xyz", 3), QVL_OK);
    ASSERT_EQ(qVLEndOpcode(0, f, inner), QVL_OK);
    ASSERT_EQ(qVLWrite(0, f, "!!", 2), QVL_OK);
    ASSERT_EQ(qVLBeginOpcode(0, f, 12, 0, &last), QVL_OK);
    ASSERT_EQ(qVLWrite(0, f, "?", 1), QVL_OK);
    ASSERT_EQ(qVLEndOpcode(0, f, last), QVL_OK);
    ASSERT_EQ(qVLEndOpcode(0, f, outer), QVL_OK);
    ASSERT_EQ(qVLWriteOpcode(0, f, QVL_OP_END, 0), QVL_OK);
    ASSERT_EQ(qVLCloseFile(0, f), QVL_OK);
}

// Reads the sample as the outline reader would, open unchecked; logs what it
// reads and returns the first failing status. Past the end must be refused.
uint32_t walkSample(const std::string &path, std::string &log)
{
    QvlFile f = 0;
    qVLOpenFile(0, &f, path.c_str());
    char buf[QVL_HEADER_SIZE];
    uint16_t op = 0, ver = 0;
    uint32_t len = 0, st = qVLReadHeader(0, f, QVL_HEADER_SIZE, buf);
    if (!st)
        log += memcmp(buf, sampleBytes().data() + QVL_PREFIX_SIZE, QVL_HEADER_SIZE) ? "bad " : "header ";
    auto section = [&] {
        if (!st && !(st = qVLReadOpcode(0, f, &op, &ver, &len)))
            log += std::to_string(op) + "." + std::to_string(ver) + "." + std::to_string(len) + " ";
    };
    auto body = [&](uint32_t n) {
        if (!st && !(st = qVLRead(0, f, buf, n)))
            log.append(buf, n) += ' ';
    };
    section(), body(5), section(), body(3), body(2), section(), body(1), section();
    if (!st && qVLReadOpcode(0, f, &op, &ver, &len) != QVL_ERR_TRUNCATED)
        st = ~0u;
    qVLCloseFile(0, f);
    return st;
}

TEST(Framing, RoundTripsHeaderAndNestedSectionsWithBackPatchedLengths)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    writeSample(dir.path("a.otl"));
    EXPECT_EQ(dir.read("a.otl"), sampleBytes());
    std::string log;
    EXPECT_EQ(walkSample(dir.path("a.otl"), log), QVL_OK);
    EXPECT_EQ(log, "header 10.1.27 alpha 11.2.3 xyz !! 12.0.1 ? 1950.0.0 ");
    // The header is read from offset 0 wherever the file stands.
    QvlFile f = 0;
    unsigned char header[QVL_HEADER_SIZE];
    uint32_t at = 0;
    ASSERT_EQ(qVLOpenFile(0, &f, dir.path("a.otl").c_str()), QVL_OK);
    ASSERT_EQ(qVLLseek(0, f, 0, QVL_FIRST_SECTION + 5, &at), QVL_OK);
    ASSERT_EQ(qVLReadHeader(0, f, QVL_HEADER_SIZE, header), QVL_OK);
    EXPECT_EQ(header[1], 7);
    ASSERT_EQ(qVLLseek(0, f, 1, 0, &at), QVL_OK);
    EXPECT_EQ(at, QVL_FIRST_SECTION);
    EXPECT_EQ(qVLCloseFile(0, f), QVL_OK);
}

TEST(Framing, RefusesForeignFilesUnknownVersionsAndOddHeaderSizes)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const struct {
        size_t at;
        unsigned char value;
        uint32_t status;
    } damage[] = {{1, 's', QVL_ERR_NOT_OUTLINE}, {7, '\r', QVL_ERR_NOT_OUTLINE},
                  {8, 2, QVL_ERR_VERSION}, {11, 1, QVL_ERR_VERSION}};
    std::string log;
    for (const auto &d : damage) {
        Bytes bad = sampleBytes();
        bad[d.at] = d.value;
        dir.write("bad.otl", bad);
        EXPECT_EQ(walkSample(dir.path("bad.otl"), log), d.status) << "byte " << d.at;
    }
    dir.write("bad.otl", Bytes{'#', '!'});
    EXPECT_EQ(walkSample(dir.path("bad.otl"), log), QVL_ERR_NOT_OUTLINE);
    dir.write("a.otl", sampleBytes());
    QvlFile f = 0;
    unsigned char header[QVL_HEADER_SIZE + 1];
    ASSERT_EQ(qVLOpenFile(0, &f, dir.path("a.otl").c_str()), QVL_OK);
    EXPECT_EQ(qVLReadHeader(0, f, QVL_HEADER_SIZE - 1, header), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLReadHeader(0, f, QVL_HEADER_SIZE + 1, header), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLCloseFile(0, f), QVL_OK);
}

TEST(Truncation, EveryCutOfAValidFileReportsTruncation)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const Bytes good = sampleBytes();
    std::string log;
    for (size_t cut = 0; cut < good.size(); ++cut) {
        dir.write("cut.otl", Bytes(good.begin(), good.begin() + cut));
        EXPECT_EQ(walkSample(dir.path("cut.otl"), log), QVL_ERR_TRUNCATED) << "cut at " << cut;
    }
}

TEST(Truncation, SectionLengthPastTheEndIsRefusedInPlace)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    Bytes raw = sampleBytes();
    const uint32_t room = uint32_t(raw.size()) - QVL_FIRST_SECTION - 8; // exactly to the end
    for (uint32_t len : {room + 1, 0xFFFFFFFFu, room}) {
        for (int i = 0; i < 4; ++i)
            raw[QVL_FIRST_SECTION + 4 + i] = static_cast<unsigned char>(len >> (8 * i));
        dir.write("long.otl", raw);
        QvlFile f = 0;
        unsigned char header[QVL_HEADER_SIZE];
        uint16_t op, ver;
        uint32_t got = 0, at = 0;
        ASSERT_EQ(qVLOpenFile(0, &f, dir.path("long.otl").c_str()), QVL_OK);
        ASSERT_EQ(qVLReadHeader(0, f, QVL_HEADER_SIZE, header), QVL_OK);
        EXPECT_EQ(qVLReadOpcode(0, f, &op, &ver, &got), len == room ? QVL_OK : QVL_ERR_TRUNCATED);
        ASSERT_EQ(qVLLseek(0, f, 1, 0, &at), QVL_OK);
        EXPECT_EQ(at, len == room ? QVL_FIRST_SECTION + 8 : QVL_FIRST_SECTION);
        EXPECT_EQ(qVLCloseFile(0, f), QVL_OK);
    }
}

// Random writes and seeks against an in-memory model of the file, then random
// reads and seeks back. Seeks favour the latest write start, where the buffer
// tends to begin; large transfers straddle the 64 KiB buffer size.
TEST(Buffering, RandomTransfersAndSeeksMatchAModelOfTheFile)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    std::mt19937 rng(12345);
    auto size = [&]() -> uint32_t {
        return rng() % 10 < 9 ? 1 + rng() % 40 : rng() % 3 ? 65536 : 65535 + rng() % 3;
    };
    Bytes model = kPrefix, data(70000);
    model.resize(QVL_FIRST_SECTION);
    std::vector<uint32_t> starts{QVL_FIRST_SECTION};
    uint32_t cursor = QVL_FIRST_SECTION, at = 0;
    QvlFile f = 0;
    ASSERT_EQ(qVLCreateFile(0, &f, dir.path("m.otl").c_str()), QVL_OK);
    ASSERT_EQ(qVLWriteHeader(0, f, QVL_HEADER_SIZE, kZeroHeader), QVL_OK);
    auto seek = [&](uint32_t to) {
        cursor = to;
        ASSERT_EQ(qVLLseek(0, f, 0, int32_t(to), &at), QVL_OK);
    };
    auto write = [&](uint32_t n) {
        std::generate_n(data.begin(), n, [&] { return static_cast<unsigned char>(rng()); });
        ASSERT_EQ(qVLWrite(0, f, data.data(), n), QVL_OK);
        starts.push_back(cursor);
        model.resize(std::max<size_t>(model.size(), cursor + n));
        std::copy_n(data.begin(), n, model.begin() + cursor);
        cursor += n;
    };
    for (int op = 0; op < 3000; ++op) {
        if (const uint32_t pick = rng() % 10; pick < 4)
            seek(pick == 0 ? uint32_t(rng() % (model.size() + 1))
                 : pick == 3 ? starts[rng() % starts.size()] : starts.back());
        else
            write(size());
    }
    // Last, a buffer-sized write over bytes buffered from the buffer's start,
    // with nothing after it that could hide stale bytes left in the buffer.
    seek(uint32_t(model.size())), write(65536), write(40), seek(starts.back()), write(65536);
    ASSERT_EQ(qVLFileSize(0, f, &at), QVL_OK);
    EXPECT_EQ(at, model.size());
    ASSERT_EQ(qVLLseek(0, f, 0, int32_t(model.size()), &at), QVL_OK);
    ASSERT_EQ(qVLWriteOpcode(0, f, QVL_OP_END, 0), QVL_OK);
    ASSERT_EQ(qVLCloseFile(0, f), QVL_OK);
    model.insert(model.end(), {0x9E, 0x07, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(dir.read("m.otl") == model);

    ASSERT_EQ(qVLOpenFile(0, &f, dir.path("m.otl").c_str()), QVL_OK);
    for (int op = 0, cursor = 0; op < 5000; ++op) {
        if (rng() % 10 == 0) {
            cursor = int(rng() % model.size());
            ASSERT_EQ(qVLLseek(0, f, 0, cursor, &at), QVL_OK);
        }
        const uint32_t n = std::min<uint32_t>(size(), uint32_t(model.size()) - cursor);
        ASSERT_EQ(qVLRead(0, f, data.data(), n), QVL_OK);
        ASSERT_TRUE(std::equal(data.begin(), data.begin() + n, model.begin() + cursor)) << cursor;
        if ((cursor += n) == int(model.size())) {
            EXPECT_EQ(qVLRead(0, f, data.data(), 1), QVL_ERR_TRUNCATED);
        }
    }
    EXPECT_EQ(qVLCloseFile(0, f), QVL_OK);
}

// The writer's pattern: a statistics block rewritten in place after what
// follows it was flushed, then back to the end to finish the stream.
TEST(Seeking, StatisticsRewrittenInPlaceAndSectionLengthCoversTheBody)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const Bytes filler(70000, 0x55);
    QvlFile f = 0;
    uint32_t stats = 0, section = 0, end = 0, at = 0;
    ASSERT_EQ(qVLCreateFile(0, &f, dir.path("s.otl").c_str()), QVL_OK);
    ASSERT_EQ(qVLWriteHeader(0, f, QVL_HEADER_SIZE, kZeroHeader), QVL_OK);
    ASSERT_EQ(qVLLseek(0, f, 1, 0, &stats), QVL_OK);
    ASSERT_EQ(qVLWrite(0, f, "--------", 8), QVL_OK);
    ASSERT_EQ(qVLBeginOpcode(0, f, 3, 0, &section), QVL_OK);
    ASSERT_EQ(qVLWrite(0, f, filler.data(), uint32_t(filler.size())), QVL_OK);
    ASSERT_EQ(qVLWrite(0, f, "tail", 4), QVL_OK);
    ASSERT_EQ(qVLLseek(0, f, 1, -4, &at), QVL_OK);
    ASSERT_EQ(qVLWrite(0, f, "TA", 2), QVL_OK);
    ASSERT_EQ(qVLEndOpcode(0, f, section), QVL_OK); // the body still ends after "il"
    ASSERT_EQ(qVLLseek(0, f, 1, 0, &end), QVL_OK);
    ASSERT_EQ(qVLLseek(0, f, 0, int32_t(stats), &at), QVL_OK);
    ASSERT_EQ(qVLWrite(0, f, "STATS-OK", 8), QVL_OK);
    EXPECT_EQ(qVLLseek(0, f, 1, -int32_t(stats) - 9, &at), QVL_ERR_ARGUMENT);
    const Bytes header(QVL_HEADER_SIZE, 'H'); // rewritten last, at offset 0
    ASSERT_EQ(qVLWriteHeader(0, f, QVL_HEADER_SIZE, header.data()), QVL_OK);
    ASSERT_EQ(qVLFileSize(0, f, &at), QVL_OK);
    EXPECT_EQ(at, end);
    ASSERT_EQ(qVLLseek(0, f, 0, int32_t(end), &at), QVL_OK);
    ASSERT_EQ(qVLWriteOpcode(0, f, QVL_OP_END, 0), QVL_OK);
    ASSERT_EQ(qVLCloseFile(0, f), QVL_OK);

    const Bytes raw = dir.read("s.otl");
    ASSERT_EQ(raw.size(), end + 8);
    EXPECT_TRUE(std::equal(kPrefix.begin(), kPrefix.end(), raw.begin()));
    EXPECT_EQ(raw[QVL_FIRST_SECTION - 1], 'H');
    EXPECT_EQ(std::string(raw.begin() + stats, raw.begin() + stats + 8), "STATS-OK");
    EXPECT_EQ(std::string(raw.end() - 12, raw.end() - 8), "TAil");
    EXPECT_EQ(Bytes(raw.begin() + section + 4, raw.begin() + section + 8), (Bytes{0x74, 0x11, 1, 0}));
}

TEST(Seeking, PositionsPast4GiBAreRefusedAndPoisonTheStream)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    QvlFile f = 0;
    uint32_t at = 0;
    ASSERT_EQ(qVLCreateFile(0, &f, dir.path("huge.otl").c_str()), QVL_OK);
    ASSERT_EQ(qVLWriteHeader(0, f, QVL_HEADER_SIZE, kZeroHeader), QVL_OK);
    ASSERT_EQ(qVLWriteOpcode(0, f, QVL_OP_END, 0), QVL_OK); // complete so far
    ASSERT_EQ(qVLLseek(0, f, 0, int32_t(0xFFFFFFF0u), &at), QVL_OK);
    EXPECT_EQ(at, 0xFFFFFFF0u);
    EXPECT_EQ(qVLLseek(0, f, 1, 16, &at), QVL_ERR_IO);
    ASSERT_EQ(qVLLseek(0, f, 1, 15, &at), QVL_OK);
    EXPECT_EQ(qVLWrite(0, f, "x", 1), QVL_ERR_IO);
    ASSERT_EQ(qVLLseek(0, f, 0, 0, &at), QVL_OK);
    EXPECT_EQ(qVLWriteHeader(0, f, QVL_HEADER_SIZE, kZeroHeader), QVL_ERR_IO);
    EXPECT_EQ(qVLCloseFile(0, f), QVL_ERR_INCOMPLETE);
    EXPECT_TRUE(dir.entries().empty());
}

TEST(Sections, UnbalancedOrTooDeepNestingIsRefused)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    QvlFile f = 0;
    uint32_t pos[QVL_MAX_SECTION_DEPTH + 1] = {};
    ASSERT_EQ(qVLCreateFile(0, &f, dir.path("n.otl").c_str()), QVL_OK);
    EXPECT_EQ(qVLEndOpcode(0, f, 0), QVL_ERR_SECTION);
    for (uint32_t d = 0; d < QVL_MAX_SECTION_DEPTH; ++d)
        ASSERT_EQ(qVLBeginOpcode(0, f, 1, 0, &pos[d]), QVL_OK);
    EXPECT_EQ(qVLBeginOpcode(0, f, 1, 0, &pos[QVL_MAX_SECTION_DEPTH]), QVL_ERR_SECTION);
    EXPECT_EQ(qVLEndOpcode(0, f, pos[0]), QVL_ERR_SECTION); // not the innermost
    EXPECT_EQ(qVLEndOpcode(0, f, pos[QVL_MAX_SECTION_DEPTH - 1] + 1), QVL_ERR_SECTION);
    for (uint32_t d = QVL_MAX_SECTION_DEPTH; d-- > 1;)
        ASSERT_EQ(qVLEndOpcode(0, f, pos[d]), QVL_OK);
    // An end opcode inside a section is body data and completes nothing.
    ASSERT_EQ(qVLWriteOpcode(0, f, QVL_OP_END, 0), QVL_OK);
    ASSERT_EQ(qVLEndOpcode(0, f, pos[0]), QVL_OK);
    EXPECT_EQ(qVLCloseFile(0, f), QVL_ERR_INCOMPLETE);
    EXPECT_TRUE(dir.entries().empty());
}

TEST(Handles, ZeroHandleAndWrongModeFailWithoutHarm)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    unsigned char buf[QVL_HEADER_SIZE] = {};
    uint16_t op, ver;
    uint32_t u = 0;
    QvlFile f = 1234, r = 0, w = 0;
    EXPECT_EQ(qVLOpenFile(0, &f, dir.path("missing.otl").c_str()), QVL_ERR_OPEN);
    EXPECT_EQ(f, 0u);
    EXPECT_EQ(qVLOpenFile(0, &f, dir.path("").c_str()), QVL_ERR_OPEN); // a directory
    EXPECT_EQ(qVLReadHeader(0, f, QVL_HEADER_SIZE, buf), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLReadOpcode(0, f, &op, &ver, &u), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLRead(0, f, buf, 1), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLBeginOpcode(0, f, 1, 1, &u), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLWrite(0, f, buf, 1), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLLseek(0, f, 0, 0, &u), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLFileSize(0, f, &u), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLCloseFile(0, f), QVL_ERR_ARGUMENT);

    dir.write("a.otl", sampleBytes());
    ASSERT_EQ(qVLOpenFile(0, &r, dir.path("a.otl").c_str()), QVL_OK);
    ASSERT_EQ(qVLCreateFile(0, &w, dir.path("b.otl").c_str()), QVL_OK);
    EXPECT_EQ(qVLWrite(0, r, buf, 1), QVL_ERR_MODE);
    EXPECT_EQ(qVLBeginOpcode(0, r, 1, 1, &u), QVL_ERR_MODE);
    EXPECT_EQ(qVLRead(0, w, buf, 1), QVL_ERR_MODE);
    EXPECT_EQ(qVLReadOpcode(0, w, &op, &ver, &u), QVL_ERR_MODE);
    EXPECT_EQ(qVLLseek(0, r, 2, 0, &u), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLCloseFile(0, r), QVL_OK);
    EXPECT_EQ(qVLCloseFile(0, w), QVL_ERR_INCOMPLETE);
}

} // namespace
