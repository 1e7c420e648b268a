// Framing, buffering and seeking of the file layer, checked against bytes on
// disk and files built byte by byte here; damaged files fail with a status,
// never a crash. A save replaces the target only once the stream is complete;
// otherwise the previous file and the directory look as before the save.
#include "qvlapin.h"
#include "support/outline.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <regex>

namespace {

using Bytes = std::vector<unsigned char>;
using Names = std::vector<std::string>;

// A private directory, removed with its contents, and whole-file byte access
// to inspect and damage files without the layer under test.
class Files : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(mkdtemp(dir_.data()), nullptr); }
    void TearDown() override { std::filesystem::remove_all(dir_, ignored_); }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    Names entries() const
    {
        Names names;
        for (const auto &entry : std::filesystem::directory_iterator(dir_))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    Bytes readFile(const std::string &name) const
    {
        std::ifstream in(path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    void writeFile(const std::string &name, const Bytes &bytes) const
    {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::string dir_ = "/tmp/shrotl-files-XXXXXX";
    std::error_code ignored_;
};

const Bytes kPrefix = {0x89, 'S', 'H', 'R', 'O', 'T', 'L', 0x0A, 1, 0, 0, 0};
const unsigned char kZeroHeader[QVL_HEADER_SIZE] = {};

// Header, section 10 {"alpha", section 11 {"xyz"}, "!!", section 12 {"?"}},
// end opcode.
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

// Reads the sample as the outline reader would, logging what it reads; returns
// the first failing status and where the file then stands. The header is read
// from offset 0 wherever the file stands; past the end must be refused.
uint32_t walkSample(const std::string &path, std::string &log, uint32_t *stoppedAt)
{
    QvlFile f = 0;
    qVLOpenFile(0, &f, path.c_str());
    qVLLseek(0, f, 0, QVL_FIRST_SECTION + 5, stoppedAt);
    char buf[QVL_HEADER_SIZE];
    uint16_t op = 0, ver = 0;
    uint32_t len = 0, st = qVLReadHeader(0, f, QVL_HEADER_SIZE, buf);
    if (!st)
        log += memcmp(buf, sampleBytes().data() + QVL_PREFIX_SIZE, QVL_HEADER_SIZE) ? "bad "
                                                                                  : "header ";
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
    qVLLseek(0, f, 1, 0, stoppedAt);
    qVLCloseFile(0, f);
    return st;
}

// The reader walks nested sections built byte by byte; damaged copies fail
// with a status from some call, never crash; a section whose length runs
// past the end is refused where it starts.
TEST_F(Files, ReadsNestedSectionsAndRefusesDamagedCopies)
{
    const Bytes good = sampleBytes();
    const uint32_t room = uint32_t(good.size()) - QVL_FIRST_SECTION - 8; // exactly to the end
    const auto patched = [&](size_t at, const Bytes &with) {
        Bytes bytes = good;
        std::copy(with.begin(), with.end(), bytes.begin() + long(at));
        return bytes;
    };
    const auto length = [&](uint32_t n) {
        return patched(QVL_FIRST_SECTION + 4, {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)});
    };
    constexpr uint32_t kAnywhere = 1;
    struct Case {
        std::string name;
        Bytes bytes;
        uint32_t status, stoppedAt = kAnywhere;
    };
    std::vector<Case> cases = {
        {"intact", good, QVL_OK, uint32_t(good.size())},
        {"magic", patched(1, {'s'}), QVL_ERR_NOT_OUTLINE},
        {"magic's last byte", patched(7, {'\r'}), QVL_ERR_NOT_OUTLINE},
        {"script", {'#', '!'}, QVL_ERR_NOT_OUTLINE},
        {"version 2", patched(8, {2}), QVL_ERR_VERSION},
        {"version's high byte", patched(11, {1}), QVL_ERR_VERSION},
        {"length one past the end", length(room + 1), QVL_ERR_TRUNCATED, QVL_FIRST_SECTION},
        {"length 4 GiB - 1", length(0xFFFFFFFFu), QVL_ERR_TRUNCATED, QVL_FIRST_SECTION},
        {"length to the end", length(room), QVL_OK, uint32_t(good.size())},
    };
    for (size_t cut = 0; cut < good.size(); ++cut)
        cases.push_back({"cut at " + std::to_string(cut),
                         Bytes(good.begin(), good.begin() + long(cut)), QVL_ERR_TRUNCATED});
    const std::string kIntact = "header 10.1.27 alpha 11.2.3 xyz !! 12.0.1 ? 1950.0.0 ";
    for (const Case &c : cases) {
        writeFile("bad.otl", c.bytes);
        std::string log;
        uint32_t at = kAnywhere;
        EXPECT_EQ(walkSample(path("bad.otl"), log, &at), c.status) << c.name;
        EXPECT_EQ(c.stoppedAt == kAnywhere ? c.stoppedAt : at, c.stoppedAt) << c.name;
        EXPECT_EQ(c.name == "intact" ? log : kIntact, kIntact);
    }
}

// A file that shrinks under a reader: the read fails as truncated and the
// position stays; bytes appended after the open stay unseen.
TEST_F(Files, FileChangedUnderTheReader)
{
    Bytes bytes(100000);
    std::iota(bytes.begin(), bytes.end(), 0);
    writeFile("s.otl", bytes);
    QvlFile f = 0;
    unsigned char buf[70000];
    uint32_t at = 0;
    ASSERT_EQ(qVLOpenFile(0, &f, path("s.otl").c_str()), QVL_OK);
    ASSERT_EQ(qVLRead(0, f, buf, 10), QVL_OK);
    ASSERT_EQ(truncate(path("s.otl").c_str(), 65536), 0);
    for (uint32_t n : {65530u, 70000u}) {
        EXPECT_EQ(qVLRead(0, f, buf, n), QVL_ERR_TRUNCATED) << n;
        ASSERT_EQ(qVLLseek(0, f, 1, 0, &at), QVL_OK);
        EXPECT_EQ(at, 10u) << n;
    }
    ASSERT_EQ(qVLRead(0, f, buf, 2), QVL_OK);
    EXPECT_EQ(Bytes(buf, buf + 2), Bytes(bytes.begin() + 10, bytes.begin() + 12));
    EXPECT_EQ(qVLCloseFile(0, f), QVL_OK);
    writeFile("g.otl", Bytes(10, 'a'));
    ASSERT_EQ(qVLOpenFile(0, &f, path("g.otl").c_str()), QVL_OK);
    std::ofstream(path("g.otl"), std::ios::app) << "appended";
    ASSERT_EQ(qVLLseek(0, f, 0, 5, &at), QVL_OK);
    ASSERT_EQ(qVLRead(0, f, buf, 2), QVL_OK);
    EXPECT_EQ(qVLRead(0, f, buf, 5), QVL_ERR_TRUNCATED);
    EXPECT_EQ(qVLCloseFile(0, f), QVL_OK);
}

// Random writes, seeks and nested sections against a model of the file, then
// random reads and seeks back. Seeks favour the latest write start, where the
// buffer tends to begin; large transfers straddle the 64 KiB buffer. A
// section's length covers the furthest byte written since it began, wherever
// its header now is (in the buffer or already flushed).
TEST_F(Files, RandomTransfersSeeksAndSectionsMatchAModelOfTheFile)
{
    std::mt19937 rng(12345);
    auto size = [&]() -> uint32_t {
        return rng() % 10 < 9 ? 1 + rng() % 40 : rng() % 3 ? 65536 : 65535 + rng() % 3;
    };
    Bytes model = kPrefix, data(70000);
    model.resize(QVL_FIRST_SECTION);
    std::vector<uint32_t> starts{QVL_FIRST_SECTION};
    std::vector<std::pair<uint32_t, uint32_t>> open; // header, furthest
    std::vector<uint32_t> headers;
    uint32_t cursor = QVL_FIRST_SECTION, at = 0;
    QvlFile f = 0;
    ASSERT_EQ(qVLCreateFile(0, &f, path("m.otl").c_str()), QVL_OK);
    ASSERT_EQ(qVLWriteHeader(0, f, QVL_HEADER_SIZE, kZeroHeader), QVL_OK);
    auto seek = [&](uint32_t to) {
        cursor = to;
        ASSERT_EQ(qVLLseek(0, f, 0, int32_t(to), &at), QVL_OK);
    };
    auto place = [&](const unsigned char *bytes, uint32_t n) {
        model.resize(std::max<size_t>(model.size(), cursor + n));
        std::copy_n(bytes, n, model.begin() + cursor);
        cursor += n;
        if (!open.empty())
            open.back().second = std::max(open.back().second, cursor);
    };
    auto write = [&](uint32_t n) {
        std::generate_n(data.begin(), n, [&] { return static_cast<unsigned char>(rng()); });
        ASSERT_EQ(qVLWrite(0, f, data.data(), n), QVL_OK);
        starts.push_back(cursor);
        place(data.data(), n);
    };
    auto begin = [&] {
        const unsigned char header[8] = {7, 1, 1, 2, 0xFF, 0xFF, 0xFF, 0xFF};
        ASSERT_EQ(qVLBeginOpcode(0, f, 0x107, 0x201, &at), QVL_OK);
        ASSERT_EQ(at, cursor);
        place(header, 8);
        open.emplace_back(at, cursor);
        headers.push_back(at);
    };
    auto end = [&] {
        const auto [header, furthest] = open.back();
        open.pop_back();
        if (!open.empty())
            open.back().second = std::max(open.back().second, furthest);
        ASSERT_EQ(qVLEndOpcode(0, f, header), QVL_OK);
        for (int i = 0; i < 4; ++i)
            model[header + 4 + i] = static_cast<unsigned char>((furthest - header - 8) >> (8 * i));
        cursor = furthest;
    };
    for (uint64_t op = 0; op < test::iterations(3000); ++op) {
        if (const uint32_t pick = rng() % 20; pick < 8)
            seek(pick == 0 ? uint32_t(rng() % (model.size() + 1))
                 : pick == 3 ? starts[rng() % starts.size()] : starts.back());
        else if (pick == 8 && open.size() < 4)
            begin();
        else if (pick == 9 && !open.empty())
            end();
        else
            write(size());
    }
    while (!open.empty())
        end();
    // Last, a section ended from inside its flushed header; a buffer-sized
    // write over bytes buffered from the buffer's start, with nothing after
    // it to hide stale bytes; then the header, rewritten as the writer does.
    begin(), write(65536), seek(headers.back() + 2), end();
    seek(uint32_t(model.size())), write(65536), write(40), seek(starts.back()), write(65536);
    const Bytes header(QVL_HEADER_SIZE, 'H');
    ASSERT_EQ(qVLWriteHeader(0, f, QVL_HEADER_SIZE, header.data()), QVL_OK);
    std::copy(header.begin(), header.end(), model.begin() + QVL_PREFIX_SIZE);
    ASSERT_EQ(qVLLseek(0, f, 0, int32_t(model.size()), &at), QVL_OK);
    ASSERT_EQ(qVLWriteOpcode(0, f, QVL_OP_END, 0), QVL_OK);
    ASSERT_EQ(qVLCloseFile(0, f), QVL_OK);
    model.insert(model.end(), {0x9E, 0x07, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(readFile("m.otl") == model);

    // Reads, and section headers read where sections began (a later write
    // may have overwritten one).
    ASSERT_EQ(qVLOpenFile(0, &f, path("m.otl").c_str()), QVL_OK);
    cursor = 0;
    for (uint64_t op = 0; op < test::iterations(5000); ++op) {
        if (const uint32_t pick = rng() % 10; pick == 0) {
            cursor = uint32_t(rng() % model.size());
            ASSERT_EQ(qVLLseek(0, f, 0, int32_t(cursor), &at), QVL_OK);
        } else if (pick == 1 && !headers.empty()) {
            cursor = headers[rng() % headers.size()];
            ASSERT_EQ(qVLLseek(0, f, 0, int32_t(cursor), &at), QVL_OK);
            const unsigned char *h = &model[cursor];
            const uint32_t length = h[4] | h[5] << 8 | h[6] << 16 | uint32_t(h[7]) << 24;
            uint16_t opcode = 0, version = 0;
            const bool fits = cursor + 8 + uint64_t(length) <= model.size();
            ASSERT_EQ(qVLReadOpcode(0, f, &opcode, &version, &at),
                      fits ? QVL_OK : QVL_ERR_TRUNCATED);
            if (fits) {
                ASSERT_EQ(opcode, h[0] | h[1] << 8);
                ASSERT_EQ(version, h[2] | h[3] << 8);
                ASSERT_EQ(at, length);
                cursor += 8;
            }
        }
        const uint32_t n = std::min<uint32_t>(size(), uint32_t(model.size()) - cursor);
        ASSERT_EQ(qVLRead(0, f, data.data(), n), QVL_OK);
        ASSERT_TRUE(std::equal(data.begin(), data.begin() + n, model.begin() + cursor)) << cursor;
        if ((cursor += n) == model.size()) {
            EXPECT_EQ(qVLRead(0, f, data.data(), 1), QVL_ERR_TRUNCATED);
        }
    }
    EXPECT_EQ(qVLCloseFile(0, f), QVL_OK);
}

// Refusals leave nothing behind: a zero handle, the wrong mode, bad sizes,
// origins and null pointers, and sections unbalanced or nested too deep.
TEST_F(Files, RefusalsDoNoHarm)
{
    unsigned char buf[QVL_HEADER_SIZE] = {};
    uint16_t op, ver;
    uint32_t u = 0, pos[QVL_MAX_SECTION_DEPTH + 1] = {};
    QvlFile f = 1234, r = 0, w = 0;
    EXPECT_EQ(qVLOpenFile(0, &f, path("missing.otl").c_str()), QVL_ERR_OPEN);
    EXPECT_EQ(f, 0u);
    EXPECT_EQ(qVLOpenFile(0, &f, path("").c_str()), QVL_ERR_OPEN); // a directory
    f = 99;
    EXPECT_EQ(qVLCreateFile(0, &f, path("no/such/dir.otl").c_str()), QVL_ERR_OPEN);
    EXPECT_EQ(f, 0u);
    EXPECT_EQ(qVLCreateFile(0, &f, path("o.otl/").c_str()), QVL_ERR_OPEN);
    EXPECT_EQ(qVLReadHeader(0, f, QVL_HEADER_SIZE, buf), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLLseek(0, f, 0, 0, &u), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLCloseFile(0, f), QVL_ERR_ARGUMENT);

    writeFile("a.otl", sampleBytes());
    ASSERT_EQ(qVLOpenFile(0, &r, path("a.otl").c_str()), QVL_OK);
    ASSERT_EQ(qVLCreateFile(0, &w, path("b.otl").c_str()), QVL_OK);
    EXPECT_EQ(qVLReadHeader(0, r, QVL_HEADER_SIZE - 1, buf), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLReadHeader(0, r, QVL_HEADER_SIZE + 1, buf), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLWriteHeader(0, w, QVL_HEADER_SIZE + 1, buf) * 10 + qVLWriteHeader(0, w, QVL_HEADER_SIZE, nullptr),
              QVL_ERR_ARGUMENT * 11);
    EXPECT_EQ(qVLWrite(0, r, buf, 1), QVL_ERR_MODE);
    EXPECT_EQ(qVLRead(0, w, buf, 1), QVL_ERR_MODE);
    EXPECT_EQ(qVLBeginOpcode(0, w, 1, 1, nullptr), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLReadOpcode(0, r, &op, &ver, nullptr), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLOpenFile(0, &f, nullptr), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLCreateFile(0, nullptr, path("c.otl").c_str()), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLLseek(0, r, 2, 0, &u), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLLseek(0, r, 1, -1, &u), QVL_ERR_ARGUMENT); // before the start
    EXPECT_EQ(qVLCloseFile(0, r), QVL_OK);

    EXPECT_EQ(qVLEndOpcode(0, w, 0), QVL_ERR_SECTION);
    for (uint32_t d = 0; d < QVL_MAX_SECTION_DEPTH; ++d)
        ASSERT_EQ(qVLBeginOpcode(0, w, 1, 0, &pos[d]), QVL_OK);
    EXPECT_EQ(qVLBeginOpcode(0, w, 1, 0, &pos[QVL_MAX_SECTION_DEPTH]), QVL_ERR_SECTION);
    EXPECT_EQ(qVLEndOpcode(0, w, pos[0]), QVL_ERR_SECTION); // not the innermost
    EXPECT_EQ(qVLEndOpcode(0, w, pos[QVL_MAX_SECTION_DEPTH - 1] + 1), QVL_ERR_SECTION);
    for (uint32_t d = QVL_MAX_SECTION_DEPTH; d-- > 0;)
        ASSERT_EQ(qVLEndOpcode(0, w, pos[d]), QVL_OK);
    EXPECT_EQ(qVLEndOpcode(0, w, pos[0]), QVL_ERR_SECTION);
    EXPECT_EQ(qVLCloseFile(0, w), QVL_ERR_INCOMPLETE);
    EXPECT_EQ(entries(), Names{"a.otl"}); // failed creates leave nothing
}

// Saves a header and one section filled with `mark`, ending the stream.
uint32_t save(const std::string &path, unsigned char mark)
{
    const Bytes header(QVL_HEADER_SIZE, mark);
    QvlFile f = 0;
    uint32_t section = 0;
    if (const uint32_t st = qVLCreateFile(0, &f, path.c_str()))
        return st;
    EXPECT_EQ(qVLWriteHeader(0, f, QVL_HEADER_SIZE, header.data()), QVL_OK);
    EXPECT_EQ(qVLBeginOpcode(0, f, 5, 1, &section), QVL_OK);
    EXPECT_EQ(qVLWrite(0, f, &mark, 1), QVL_OK);
    EXPECT_EQ(qVLEndOpcode(0, f, section), QVL_OK);
    EXPECT_EQ(qVLWriteOpcode(0, f, QVL_OP_END, 0), QVL_OK);
    return qVLCloseFile(0, f);
}

// Incomplete streams, over the existing target and to a new name, leave the
// target and the listing as they were, with no temporary behind; then a
// complete save replaces the target and keeps its permissions.
TEST_F(Files, OnlyACompleteStreamReplacesTheTarget)
{
    const std::string target = path("o.otl");
    ASSERT_EQ(save(target, 'A'), QVL_OK);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    const Bytes before = readFile("o.otl"), header(QVL_HEADER_SIZE, 'C');
    uint32_t at = 0, section = 0;
    QvlFile f = 0;
    const auto create = [&](const char *name) {
        ASSERT_EQ(qVLCreateFile(0, &f, path(name).c_str()), QVL_OK);
    };
    const auto refused = [&] {
        EXPECT_EQ(qVLCloseFile(0, f), QVL_ERR_INCOMPLETE);
        EXPECT_EQ(entries(), Names{"o.otl"});
        EXPECT_EQ(readFile("o.otl"), before);
    };
    create("o.otl");
    const Names during = entries();
    ASSERT_EQ(during.size(), 2u);
    EXPECT_TRUE(std::regex_match(during[1], std::regex(R"(o\.otl\.tmp[A-Za-z0-9]{6})"))) << during[1];
    ASSERT_EQ(qVLWriteHeader(0, f, QVL_HEADER_SIZE, header.data()), QVL_OK); // no end opcode
    refused();
    create("new.otl"); // sections closed, no end opcode
    ASSERT_EQ(qVLBeginOpcode(0, f, 5, 1, &section), QVL_OK);
    ASSERT_EQ(qVLEndOpcode(0, f, section), QVL_OK);
    refused();
    create("o.otl"); // an end opcode inside a section is body data
    ASSERT_EQ(qVLBeginOpcode(0, f, 5, 1, &section), QVL_OK);
    ASSERT_EQ(qVLWriteOpcode(0, f, QVL_OP_END, 0), QVL_OK);
    ASSERT_EQ(qVLEndOpcode(0, f, section), QVL_OK);
    refused();
    create("new.otl"); // a section left open
    ASSERT_EQ(qVLWriteOpcode(0, f, QVL_OP_END, 0), QVL_OK);
    ASSERT_EQ(qVLBeginOpcode(0, f, 5, 1, &section), QVL_OK);
    refused();
    // Positions past 4 GiB - 1 are refused; a write there poisons the stream.
    create("o.otl");
    ASSERT_EQ(qVLWriteOpcode(0, f, QVL_OP_END, 0), QVL_OK); // complete so far
    ASSERT_EQ(qVLLseek(0, f, 0, int32_t(0xFFFFFFF0u), &at), QVL_OK);
    EXPECT_EQ(at, 0xFFFFFFF0u);
    EXPECT_EQ(qVLLseek(0, f, 1, 16, &at), QVL_ERR_IO);
    ASSERT_EQ(qVLLseek(0, f, 1, 15, &at), QVL_OK);
    EXPECT_EQ(qVLWrite(0, f, "x", 1), QVL_ERR_IO);
    ASSERT_EQ(qVLLseek(0, f, 0, 0, &at), QVL_OK);
    EXPECT_EQ(qVLWriteHeader(0, f, QVL_HEADER_SIZE, header.data()), QVL_ERR_IO);
    refused();

    ASSERT_EQ(save(target, 'B'), QVL_OK);
    EXPECT_EQ(entries(), Names{"o.otl"});
    EXPECT_EQ(readFile("o.otl")[QVL_PREFIX_SIZE], 'B');
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    ASSERT_EQ(mkdir(path("d.otl").c_str(), 0700), 0); // a directory cannot be replaced
    EXPECT_EQ(save(path("d.otl"), 'D'), QVL_ERR_IO);
    EXPECT_EQ(entries(), (Names{"d.otl", "o.otl"}));
}

} // namespace
