// Outline files: random outlines with every feature saved, opened and
// compared; saved again to the same bytes; the statistics checked against
// the records. Files of older versions and damaged files made byte by byte
// here. Every file-service call and every allocation of an open and a save
// failed in turn.
#include "file/format.h"
#include "qvlapin.h"
#include "support/outline.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>

namespace {

using Bytes = std::vector<uint8_t>;

// Little-endian bytes as a file holds them.
struct Emit {
    Bytes b;
    Emit &u8(uint32_t v) { return b.push_back(static_cast<uint8_t>(v)), *this; }
    Emit &u16(uint32_t v) { return u8(v).u8(v >> 8); }
    Emit &u32(uint32_t v) { return u16(v).u16(v >> 16); }
    Emit &str(const char *s) { return s ? (u16(uint32_t(strlen(s)) + 1), bytes(s, strlen(s) + 1)) : u16(0); }
    Emit &bytes(const void *p, size_t n) { return b.insert(b.end(), (const uint8_t *)p, (const uint8_t *)p + n), *this; }
    Emit &add(const Emit &e) { return bytes(e.b.data(), e.b.size()); }
};

struct Section {
    uint16_t opcode, version;
    Emit body;
};

Bytes readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

uint32_t le32(const Bytes &b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }

// Each section's body and where it starts, through the file layer.
std::map<uint16_t, std::pair<uint32_t, Bytes>> sectionsOf(const std::string &path)
{
    std::map<uint16_t, std::pair<uint32_t, Bytes>> out;
    QvlFile f = 0;
    uint8_t header[OTL_FILE_HEADER_SIZE];
    uint16_t opcode = 0, version = 0;
    uint32_t length = 0, at = 0;
    qVLOpenFile(0, &f, path.c_str());
    qVLReadHeader(0, f, sizeof header, header);
    while (qVLReadOpcode(0, f, &opcode, &version, &length) == QVL_OK && opcode != otl::OTL_OP_END) {
        Bytes body(length);
        qVLLseek(0, f, 1, 0, &at);
        qVLRead(0, f, body.data(), length);
        out[opcode] = {at, body};
    }
    qVLCloseFile(0, f);
    return out;
}

} // namespace

class OutlineFile : public test::OutlineTest {
protected:
    void SetUp() override
    {
        OutlineTest::SetUp();
        ASSERT_NE(mkdtemp(dir_.data()), nullptr);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
        OutlineTest::TearDown();
    }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }

    // A file of these sections through the file layer, ended unless told not to.
    std::string emit(const std::vector<Section> &sections, bool end = true)
    {
        const std::string name = path("emitted.otl");
        QvlFile f = 0;
        uint8_t header[OTL_FILE_HEADER_SIZE] = {};
        EXPECT_EQ(qVLCreateFile(0, &f, name.c_str()) | qVLWriteHeader(0, f, OTL_FILE_HEADER_SIZE, header), 0u);
        for (const Section &s : sections) {
            uint32_t at = 0;
            EXPECT_EQ(qVLBeginOpcode(0, f, s.opcode, s.version, &at) |
                          qVLWrite(0, f, s.body.b.data(), uint32_t(s.body.b.size())) | qVLEndOpcode(0, f, at), 0u);
        }
        if (end)
            qVLWriteOpcode(0, f, otl::OTL_OP_END, 2);
        qVLCloseFile(0, f); // an unended stream: kept by hand below
        if (!end) {
            // The layer keeps only complete streams; write the bytes through
            // a complete one and cut its end opcode off.
            emit(sections, true);
            std::filesystem::resize_file(name, std::filesystem::file_size(name) - QVL_SECTION_HEADER_SIZE);
        }
        return name;
    }

    OtlStatus open(const std::string &name, OtlOutline **out, uint8_t log = 0)
    {
        return adShrOtlOpenOutline(host.ctx(), name.c_str(), log, out);
    }

    // ---- a random outline with every feature a file carries -------------
    void buildRandom(uint32_t seed);

    std::string dir_ = "/tmp/shrotl-file-XXXXXX";
};

void OutlineFile::buildRandom(uint32_t seed)
{
    std::mt19937 rng(seed);
    const auto pick = [&](uint32_t n) { return uint32_t(rng() % n); };
    std::string tag = "s" + std::to_string(seed) + "_";
    uint32_t serial = 0;
    const auto fresh = [&](const char *prefix) { return prefix + tag + std::to_string(++serial); };
    o->caseSensitive = uint8_t(pick(2));
    o->fileOptionFlag = uint8_t(pick(2));
    std::vector<std::string> tables = {""};
    for (uint32_t t = pick(4); t > 0; --t)
        if (adShrOtlCreateAliasTable(o, ("Tab" + std::to_string(t)).c_str()) == OTL_OK)
            tables.push_back("Tab" + std::to_string(t));
    OtlAttrSpecs *specs = nullptr;
    ASSERT_EQ(otlInitDefaultAttrSpecs(o) | adShrOtlGetAttributeSpecifications(o, &specs), OTL_OK);
    specs->nameFormat = uint16_t(pick(5));
    specs->separator = uint8_t(pick(3));
    EXPECT_EQ(adShrOtlSetAttributeSpecifications(o, specs), OTL_OK);
    adShrOtlFreeAttrSpecs(host.ctx(), specs);

    // Accounts, time, country and a sparse product dimension, then four
    // attribute dimensions of every value type.
    OtlMbrInfo d = test::info("Acc", 0, OTL_TAG_ACCOUNTS);
    std::vector<OtlItem *> dims = {dim(d)};
    dims.push_back(dim(test::info("Time", 0, OTL_TAG_TIME), dims.back()));
    dims.push_back(dim(test::info("Geo", 0, OTL_TAG_COUNTRY), dims.back()));
    d = test::info("Prod");
    d.storageType = OTL_STORAGE_SPARSE;
    OtlItem *product = dim(d, dims.back());
    dims.push_back(product);
    const uint16_t types[] = {OTL_ATTR_NUMERIC, OTL_ATTR_BOOLEAN, OTL_ATTR_DATE, OTL_ATTR_TEXT};
    const char *values[][3] = {{"10", "2.5", "300"}, {"True", "False", nullptr},
                               {"05-12-2026", "01-31-1999", nullptr}, {"Red", "Jade", "Tan"}};
    std::vector<OtlItem *> attrLeaves[4];
    for (int t = 0; t < 4; ++t) {
        OtlMbrInfo a = test::attrInfo(("Attr" + std::to_string(t)).c_str(), types[t]);
        a.storageType = OTL_STORAGE_SPARSE;
        a.dimensionCategory = OTL_CATEGORY_ATTRIBUTE;
        OtlItem *attr = dim(a, test::lastChild(o->root)->dimensionTag == OTL_TAG_ATTR_CALC
                                   ? test::lastChild(o->root)->prevSibling : test::lastChild(o->root));
        OtlItem *parent = attr;
        if (t == 0 && pick(2)) { // a group above the values
            OtlMbrInfo g = test::attrInfo("Group", OTL_ATTR_NONE);
            g.dimensionCategory = OTL_CATEGORY_ATTRIBUTE;
            parent = add(g, attr);
        }
        for (int v = 0; v < 3 && values[t][v]; ++v) {
            OtlMbrInfo m = test::attrInfo(values[t][v], OTL_ATTR_DIM_TYPE);
            m.dimensionCategory = OTL_CATEGORY_ATTRIBUTE;
            OtlItem *leaf = nullptr;
            if (tryAdd(m, parent, nullptr, OTL_CHECK_ALL, &leaf) == OTL_OK)
                attrLeaves[t].push_back(leaf);
        }
        EXPECT_EQ(adShrOtlAssociateAttributeDimension(o, product, attr), OTL_OK);
    }

    // Members: random trees, shared copies, label-only parents, formulas,
    // comments, tags, aliases and combinations.
    std::vector<OtlItem *> members;
    for (OtlItem *dimension : dims) {
        std::vector<OtlItem *> here = {dimension};
        for (uint32_t n = 4 + pick(12); n > 0; --n) {
            OtlMbrInfo m = test::info(fresh("m").c_str());
            m.consolidation = uint16_t(pick(6));
            if (dimension->dimensionTag == OTL_TAG_ACCOUNTS) {
                m.timeBalance = uint16_t(pick(4)), m.skipOption = uint16_t(m.timeBalance ? pick(4) : 0);
                m.currencyMode = uint16_t(pick(3)), m.tag1Option = uint8_t(pick(2));
            }
            if (dimension->dimensionTag == OTL_TAG_COUNTRY || m.currencyMode == 1)
                strcpy(m.currencyName, pick(2) ? "USD" : "");
            if (pick(4) == 0)
                strcpy(m.comment, "a comment");
            OtlItem *parent = here[pick(uint32_t(here.size()))], *added = nullptr;
            if (pick(6) == 0 && here.size() > 2) { // a shared copy
                OtlMbrInfo s = test::info(here[1 + pick(uint32_t(here.size()) - 1)]->memberName, OTL_SHARE_SHARED);
                tryAdd(s, parent, nullptr, OTL_CHECK_ALL, &added);
                continue;
            }
            if (tryAdd(m, parent, nullptr, OTL_CHECK_ALL, &added) == OTL_OK)
                here.push_back(added), members.push_back(added);
        }
    }
    for (OtlItem *m : members) {
        const uint32_t r = pick(16);
        if (r == 0 && m->firstChild) {
            OtlMbrInfo *i = nullptr;
            if (adShrOtlGetMemberInfo(o, m, &i) == OTL_OK) {
                i->shareOption = OTL_SHARE_LABEL_ONLY;
                adShrOtlSetMemberInfo(o, m, i, OTL_CHECK_ALL);
            }
            adShrOtlFreeMbrInfo(host.ctx(), 1, i);
        }
        if (r == 1 || r == 2)
            adShrOtlSetMemberFormula(o, m, r == 1 ? "a+b;" : "");
        if (r == 2 || r == 3)
            adShrOtlSetMemberFormula(o, m, "x*2;");
        if (r == 4)
            adShrOtlSetMemberCommentEx(o, m, "an extended comment");
        if (r == 11 || r == 12) { // only a file gives a last formula, absent, empty or not
            ASSERT_EQ(otl::hostAlloc(host.ctx(), 5, reinterpret_cast<void **>(&m->lastFormula)), OTL_OK);
            strcpy(m->lastFormula, r == 11 ? "" : "old;");
        }
        if (r == 5 || r == 6)
            adShrOtlSetUserAttribute(o, m, ("Tag" + std::to_string(pick(3))).c_str());
        if (r >= 7 && r <= 10) {
            const char *table = tables[pick(uint32_t(tables.size()))].c_str();
            adShrOtlSetMemberAlias(o, m, table, fresh("al").c_str(), OTL_CHECK_ALL);
            if (r == 10)
                adShrOtlAddAliasCombination(o, m, table, fresh("co").c_str(), m->memberName);
        }
    }
    adShrOtlSetGenName(o, "Prod", 2, fresh("Gen").c_str());
    adShrOtlSetLevelName(o, "Prod", 0, fresh("Lev").c_str());
    adShrOtlSetLevelName(o, "Acc", 1, fresh("Lev").c_str());
    EXPECT_EQ(adShrOtlEnableDTSMember(o, "Y-T-D", 1, 1), OTL_OK);
    if (pick(2))
        adShrOtlEnableDTSMember(o, "Q-T-D", 2, 1);
    adShrOtlSetDTSMemberAlias(o, "Y-T-D", fresh("ytd").c_str(), tables.back().c_str());

    // Edits with the log on: adds, a rename, a move, deletes, dimensions
    // with change texts.
    o->changeLogEnabled = 1;
    OtlItem *last = members.back(), *added = nullptr;
    tryAdd(test::info(fresh("late").c_str()), last, nullptr, OTL_CHECK_ALL, &added);
    adShrOtlRenameMember(o, members[pick(uint32_t(members.size()))], fresh("renamed").c_str());
    adShrOtlMoveMember(o, members[0], product, nullptr);
    adShrOtlDeleteMember(o, members[1], OTL_CHECK_ALL);
    OtlItem *extra = nullptr;
    OtlMbrInfo x = test::info("Scratch");
    EXPECT_EQ(adShrOtlAddDimension(o, &x, product, "because", &extra), OTL_OK);
    adShrOtlDeleteDimension(o, extra, "gone");

    // Associations last, so that every associated member keeps level 0.
    for (OtlItem *m : members) {
        if (m->level != 0 || otlGetDim(m) != product || m->shareOption != 0)
            continue;
        for (int t = 0; t < 4; ++t)
            if (!attrLeaves[t].empty() && pick(3))
                adShrOtlAssociateAttributeMember(o, m, attrLeaves[t][pick(uint32_t(attrLeaves[t].size()))], 1);
    }
}

// The statistics agree with the records: their count, the longest, each
// dimension's position; and each record's next sibling starts where the
// record's subtree ends.
void checkStatistics(const std::string &file)
{
    auto sections = sectionsOf(file);
    const Bytes &stats = sections[otl::OTL_OP_STATISTICS].second, &m = sections[otl::OTL_OP_MEMBERS].second;
    const uint32_t start = sections[otl::OTL_OP_MEMBERS].first;
    uint32_t records = 0, longest = 0, dimension = 0;
    const std::function<void(size_t &, uint32_t, bool)> level = [&](size_t &at, uint32_t count, bool top) {
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t length = le32(m, at), next = le32(m, at + 10);
            if (top) // the dimension's entry after the alias-table counters
                EXPECT_EQ(le32(stats, 52 + 8 * le32(stats, 36) + 16 * dimension++ + 12), start + at);
            ++records, longest = std::max(longest, length);
            at += length;
            level(at, le32(m, at - length + 6), false);
            EXPECT_EQ(next, i + 1 < count ? start + at : 0);
        }
    };
    size_t at = le32(m, 0);
    level(at, m[16] | m[17] << 8, true);
    EXPECT_EQ(at, m.size());
    EXPECT_EQ(records, le32(stats, 8));
    EXPECT_EQ(longest, le32(stats, 28));
}

TEST_F(OutlineFile, RandomOutlinesComeBackWholeAndSaveToTheSameBytes)
{
    const char *binary = std::getenv("SHROTL_BINARY_DIR");
    for (uint32_t seed = 1; seed <= test::iterations() / 75; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        adShrOtlCloseOutline(o);
        o = newOutline();
        buildRandom(seed);
        const std::string first = path("first.otl"), second = path("second.otl"), third = path("third.otl");
        ASSERT_EQ(adShrOtlWriteOutline(o, first.c_str(), 1), OTL_OK);
        checkStatistics(first);
        OtlOutline *opened = nullptr;
        ASSERT_EQ(open(first, &opened, o->changeLogEnabled), OTL_OK);
        EXPECT_EQ(test::dumpDiff(test::dumpContent(o), test::dumpContent(opened)), "");
        ASSERT_EQ(adShrOtlWriteOutline(opened, second.c_str(), 1), OTL_OK);
        ASSERT_EQ(adShrOtlWriteOutline(o, third.c_str(), 1), OTL_OK);
        EXPECT_TRUE(readAll(first) == readAll(second) && readAll(first) == readAll(third));
        adShrOtlCloseOutline(opened);
        // Seeds for the reader's fuzz target (scripts/fuzz.sh).
        if (binary && seed <= 8) {
            std::filesystem::create_directories(std::string(binary) + "/seeds");
            std::filesystem::copy_file(first, std::string(binary) + "/seeds/random" + std::to_string(seed) + ".otl",
                                       std::filesystem::copy_options::overwrite_existing);
        }
    }
}
