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

void set32(Emit &e, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        e.b[at + i] = uint8_t(v >> 8 * i);
}

uint32_t le32(const Bytes &b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }

Bytes readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct Section {
    uint16_t opcode, version;
    Emit body;
    bool embedded = false; // the body starts with an end opcode of its own (time series)
};

// A member record: the fixed part with `name`, then `rest`; its length
// word says `length` when that is not negative.
struct Rec {
    const char *name;
    uint32_t children = 0;
    uint16_t type = 0x0001, flags = 0, tag1 = 0;
    Emit rest = {};
    int64_t length = -1;
};

Emit record(const Rec &r, bool dimension)
{
    Emit e;
    e.u32(0).u16(dimension ? 1 : 2).u32(r.children).u32(0).u16(r.type).u16(r.flags).u16(r.tag1).str(r.name).add(r.rest);
    set32(e, 0, r.length >= 0 ? uint32_t(r.length) : uint32_t(e.b.size()));
    return e;
}

// What follows the name: no formulas; from version 3 a tag on a member and
// the generation name Second on a dimension; an empty alias slot; from
// version 6 the extension.
Emit tail(bool dimension, Emit extension = Emit().u16(0).u16(0), uint16_t version = 6)
{
    Emit e;
    e.str(nullptr).str(nullptr);
    if (version >= 3)
        dimension ? e.u16(0).u16(0).u16(1).u16(2).str("Second") : e.u16(1).str("Tag");
    e.str(nullptr).u16(0);
    return version >= 6 ? e.add(extension) : e;
}

// A small file of every section, each part open to a row that damages it:
// Prod{p1} linked to Colour{Red}, p1 associated with Red and commented.
struct Parts {
    Emit stats, specs, info = infoBlock(2, 1, "Default"), log, dts = timeSeries(2, ""), comments;
    std::vector<Emit> records;
    std::vector<Section> more;  // after the comments
    std::vector<uint16_t> drop; // sections left out
    uint16_t version = 6, dtsVersion = 2;
    bool end = true;

    Parts()
    {
        for (uint32_t w : {2, 1, 4, 4, 4, 0, 0, 60, 0, 1, 0, 0, 0, 0, 0, 2, 2, 3, 0, 2, 2, 4, 0})
            stats.u32(w);
        specs.u16(0).u16(0).u8(0).u16(0).u16(0);
        for (const char *n : {"True", "False", "Calc", "Sum", "Count", "Avg", "Min", "Max"})
            specs.str(n);
        records = {record({"Prod", 1, 0x0002, 0, 0, tail(true, Emit().u16(2).u16(1).u8(1).u16(1).u32(2).u16(0).u8(0))}, true),
                   record({"p1", 0, 1, 0, 0, tail(false, Emit().u16(2).u16(0))}, false),
                   record({"Colour", 1, 0x0002, 0x0820, 0, tail(true, matrix(2))}, true),
                   record({"Red", 0, 1, 0x0820, 0, tail(false, Emit().u16(1).u16(4).u8(8).u16(3).str("Red").u8(0))}, false)};
        log.u32(1).u8('A').u16(2).u16(0).u16(10).bytes("p1\0Prod\0\0\0", 10);
        comments.u32(1).u32(19).u32(1).u32(1).str("note");
    }
    static Emit infoBlock(uint16_t dims, uint16_t tables, const char *name, bool longForm = false)
    {
        Emit i;
        i.u32(0);
        for (int w = longForm ? 10 : 6; w > 0; --w)
            i.u16(0);
        for (i.u16(dims).u16(tables); tables > 0; --tables)
            i.str(name);
        i.u16(0); // the end marker
        set32(i, 0, uint32_t(i.b.size()));
        return i;
    }
    // The first series enabled at generation 3, with `alias` in table 0.
    static Emit timeSeries(uint16_t v, const std::string &alias)
    {
        Emit e;
        e.bytes("\0\0\0", v >= 2 ? 4 : 0);
        for (int m = 0; m < OTL_DTS_COUNT; ++m) {
            e.bytes("\0\0\0", v >= 2 ? 4 : 0).u8(m == 0).u8(m == 0 ? 3 : 0);
            for (int t = 0; t < OTL_MAX_ALIAS_TABLES; ++t)
                m || t || alias.empty() ? e.u16(0) : e.str(alias.c_str());
        }
        return e;
    }
    static Emit matrix(uint32_t words) { return Emit().u16(1).u16(0x000A).u8(4).u32(words).u32(1).u32(1).u8(16).u16(3).u8(0); }
    std::vector<Section> sections() const
    {
        Section members{otl::OTL_OP_MEMBERS, version, info}, log1{otl::OTL_OP_CHANGE_LOG, 1, log};
        for (const Emit &r : records)
            members.body.add(r);
        std::vector<Section> s;
        for (Section x : {Section{otl::OTL_OP_STATISTICS, 1, stats}, Section{otl::OTL_OP_ATTR_SPECS, 1, specs}, members, log1,
                          Section{otl::OTL_OP_TIME_SERIES, dtsVersion, dts, dtsVersion >= 2}, Section{otl::OTL_OP_COMMENTS, 2, comments}})
            if (std::find(drop.begin(), drop.end(), x.opcode) == drop.end())
                s.push_back(x);
        s.insert(s.end(), more.begin(), more.end());
        return s;
    }
};

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
    void SetUp() override { OutlineTest::SetUp(); ASSERT_NE(mkdtemp(dir_.data()), nullptr); }
    void TearDown() override { std::filesystem::remove_all(dir_, ignored_); OutlineTest::TearDown(); }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }

    // A file of these sections through the file layer.
    std::string emit(const std::vector<Section> &sections, bool end = true)
    {
        const std::string name = path("emitted.otl");
        QvlFile f = 0;
        const uint8_t header[OTL_FILE_HEADER_SIZE] = {};
        uint32_t at = 0;
        bool ok = !qVLCreateFile(0, &f, name.c_str()) && !qVLWriteHeader(0, f, OTL_FILE_HEADER_SIZE, header);
        for (const Section &s : sections)
            ok = ok && !qVLBeginOpcode(0, f, s.opcode, s.version, &at) && !(s.embedded && qVLWriteOpcode(0, f, otl::OTL_OP_END, 2)) &&
                 !qVLWrite(0, f, s.body.b.data(), uint32_t(s.body.b.size())) && !qVLEndOpcode(0, f, at);
        EXPECT_TRUE(ok && !qVLWriteOpcode(0, f, otl::OTL_OP_END, 2) && !qVLCloseFile(0, f));
        if (!end) // the layer keeps complete streams only: the end opcode is cut off here
            std::filesystem::resize_file(name, std::filesystem::file_size(name) - QVL_SECTION_HEADER_SIZE);
        return name;
    }

    OtlStatus open(const std::string &name, OtlOutline **out, uint8_t log = 0) { return adShrOtlOpenOutline(host.ctx(), name.c_str(), log, out); }

    // A random outline with every feature a file carries.
    void buildRandom(uint32_t seed);

    std::string dir_ = "/tmp/shrotl-file-XXXXXX";
    std::error_code ignored_;
};

void OutlineFile::buildRandom(uint32_t seed)
{
    std::mt19937 rng(seed);
    const auto pick = [&](uint32_t n) { return uint32_t(rng() % n); };
    uint32_t serial = 0;
    const auto fresh = [&](const char *prefix) { return prefix + std::to_string(seed) + "_" + std::to_string(++serial); };
    o->caseSensitive = uint8_t(pick(2)), o->autoConfigure = uint8_t(pick(2)), o->fileOptionFlag = uint8_t(pick(2));
    std::vector<std::string> tables = {""};
    for (uint32_t t = pick(4); t > 0; --t)
        if (adShrOtlCreateAliasTable(o, ("Tab" + std::to_string(t)).c_str()) == OTL_OK)
            tables.push_back("Tab" + std::to_string(t));
    OtlAttrSpecs *specs = nullptr;
    ASSERT_TRUE(otlInitDefaultAttrSpecs(o) == OTL_OK && adShrOtlGetAttributeSpecifications(o, &specs) == OTL_OK);
    specs->nameFormat = uint16_t(pick(5)), specs->separator = uint8_t(pick(3));
    EXPECT_EQ(adShrOtlSetAttributeSpecifications(o, specs), OTL_OK);
    adShrOtlFreeAttrSpecs(host.ctx(), specs);

    // Accounts, time, country and a sparse product dimension, then four
    // attribute dimensions of every value type linked to the products.
    OtlMbrInfo d = test::info("Prod");
    d.storageType = OTL_STORAGE_SPARSE, d.dimensionCategory = uint16_t(pick(12));
    std::vector<OtlItem *> dims = {dim(test::info("Acc", 0, OTL_TAG_ACCOUNTS))};
    dims.push_back(dim(test::info("Time", 0, OTL_TAG_TIME), dims.back()));
    dims.push_back(dim(test::info("Geo", 0, OTL_TAG_COUNTRY), dims.back()));
    OtlItem *product = dim(d, dims.back()), *previous = product;
    dims.push_back(product);
    const uint16_t types[] = {OTL_ATTR_NUMERIC, OTL_ATTR_BOOLEAN, OTL_ATTR_DATE, OTL_ATTR_TEXT};
    const char *values[][3] = {{"10", "2.5", "300"}, {"True", "False"}, {"05-12-2026", "01-31-1999"}, {"Red", "Jade", "Tan"}};
    std::vector<OtlItem *> attrLeaves[4];
    for (int t = 0; t < 4; ++t) {
        OtlMbrInfo a = test::attrInfo(("Attr" + std::to_string(t)).c_str(), types[t]), m = test::attrInfo("Group", OTL_ATTR_NONE);
        a.storageType = OTL_STORAGE_SPARSE, a.dimensionCategory = m.dimensionCategory = OTL_CATEGORY_ATTRIBUTE;
        OtlItem *attr = previous = dim(a, previous), *parent = t == 0 && pick(2) ? add(m, attr) : attr; // a group above the values
        for (int v = 0; v < 3 && values[t][v]; ++v) {
            OtlMbrInfo value = test::attrInfo(values[t][v], OTL_ATTR_DIM_TYPE);
            value.dimensionCategory = OTL_CATEGORY_ATTRIBUTE;
            OtlItem *leaf = nullptr;
            if (tryAdd(value, parent, nullptr, OTL_CHECK_ALL, &leaf) == OTL_OK)
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
            strcpy(m.comment, pick(4) ? "" : "a comment");
            OtlItem *parent = here[pick(uint32_t(here.size()))], *added = nullptr;
            if (pick(6) == 0 && here.size() > 2) // a shared copy
                m = test::info(here[1 + pick(uint32_t(here.size()) - 1)]->memberName, OTL_SHARE_SHARED);
            if (tryAdd(m, parent, nullptr, OTL_CHECK_ALL, &added) == OTL_OK && m.shareOption != OTL_SHARE_SHARED)
                here.push_back(added), members.push_back(added);
        }
    }
    for (OtlItem *m : members) {
        const uint32_t r = pick(16);
        OtlMbrInfo *i = nullptr;
        if (r == 0 && m->firstChild && adShrOtlGetMemberInfo(o, m, &i) == OTL_OK) {
            i->shareOption = OTL_SHARE_LABEL_ONLY;
            adShrOtlSetMemberInfo(o, m, i, OTL_CHECK_ALL);
            adShrOtlFreeMbrInfo(host.ctx(), 1, i);
        }
        if (r >= 1 && r <= 3)
            adShrOtlSetMemberFormula(o, m, r == 1 ? "a+b;" : "x*2;");
        if (r == 4)
            adShrOtlSetMemberCommentEx(o, m, "an extended comment");
        // Only a file gives a last formula, empty or not.
        if ((r == 11 || r == 12) && otl::hostAlloc(host.ctx(), 5, reinterpret_cast<void **>(&m->lastFormula)) == OTL_OK)
            strcpy(m->lastFormula, r == 11 ? "" : "old;");
        if (r == 5 || r == 6)
            adShrOtlSetUserAttribute(o, m, ("Tag" + std::to_string(pick(3))).c_str());
        const char *table = tables[pick(uint32_t(tables.size()))].c_str();
        if (r >= 7 && r <= 10)
            adShrOtlSetMemberAlias(o, m, table, fresh("al").c_str(), OTL_CHECK_ALL);
        if (r == 10)
            adShrOtlAddAliasCombination(o, m, table, fresh("co").c_str(), m->memberName);
    }
    adShrOtlSetGenName(o, "Prod", 2, fresh("Gen").c_str());
    adShrOtlSetLevelName(o, "Prod", 0, fresh("Lev").c_str());
    adShrOtlSetLevelName(o, "Acc", 1, fresh("Lev").c_str());
    EXPECT_EQ(adShrOtlEnableDTSMember(o, "Y-T-D", 1, 1), OTL_OK);
    adShrOtlEnableDTSMember(o, "Q-T-D", 2, uint8_t(pick(2)));
    adShrOtlSetDTSMemberAlias(o, "Y-T-D", fresh("ytd").c_str(), tables.back().c_str());

    // Edits with the log on: an add, a rename, a move, deletes, dimensions
    // with change texts.
    o->changeLogEnabled = 1;
    OtlMbrInfo x = test::info("Scratch");
    OtlItem *extra = nullptr;
    tryAdd(test::info(fresh("late").c_str()), members.back());
    adShrOtlRenameMember(o, members[pick(uint32_t(members.size()))], fresh("renamed").c_str());
    adShrOtlMoveMember(o, members[0], product, nullptr);
    adShrOtlDeleteMember(o, members[1], OTL_CHECK_ALL);
    EXPECT_TRUE(adShrOtlAddDimension(o, &x, product, "because", &extra) == OTL_OK && adShrOtlDeleteDimension(o, extra, "gone") == OTL_OK);

    // Associations last, so that every associated member keeps level 0.
    for (OtlItem *m = product->firstChild; m; m = otl::nextInSubtree(m, product))
        for (int t = 0; t < 4 && m->level == 0 && m->shareOption == 0; ++t)
            if (!attrLeaves[t].empty() && pick(3))
                adShrOtlAssociateAttributeMember(o, m, attrLeaves[t][pick(uint32_t(attrLeaves[t].size()))], 1);
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
            if (top) { // the dimension's entry after the alias-table counters; categories to 11
                EXPECT_EQ(le32(stats, 52 + 8 * le32(stats, 36) + 16 * dimension++ + 12), start + at);
                EXPECT_LE(m[at + 15] >> 4, 11);
            }
            ++records, longest = std::max(longest, length);
            at += length;
            level(at, le32(m, at - length + 6), false);
            EXPECT_EQ(next, i + 1 < count ? start + at : 0);
        }
    };
    size_t at = le32(m, 0);
    level(at, m[16] | m[17] << 8, true);
    EXPECT_TRUE(at == m.size() && records == le32(stats, 8) && longest == le32(stats, 28));
    for (size_t reserved : {20, 24, 32, 40, 44, 48})
        EXPECT_EQ(le32(stats, reserved), 0u);
    // The lengths that the reader passes over add up: the time series'
    // (after the embedded end opcode) and the comment entries'.
    const Bytes &t = sections[otl::OTL_OP_TIME_SERIES].second;
    size_t q = QVL_SECTION_HEADER_SIZE + 4;
    for (int member = 0; member < OTL_DTS_COUNT; ++member)
        q += 4 + le32(t, q);
    EXPECT_TRUE(q == t.size() && le32(t, QVL_SECTION_HEADER_SIZE) == t.size() - QVL_SECTION_HEADER_SIZE - 4);
    for (uint16_t op : {otl::OTL_OP_COMMENTS, otl::OTL_OP_COMMENTS_EX}) {
        const Bytes &c = sections[op].second;
        for (uint32_t n = le32(c, q = 0); n > 0; --n)
            q += le32(c, q + 4);
        EXPECT_EQ(q + 4, c.size());
    }
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
        // Shared and label-only members of a linked dimension answer for
        // the member they stand for.
        for (OtlItem *x = opened->root; x; x = otl::nextInSubtree(x, opened->root)) {
            OtlItem *source = x->firstChild, *d = otlGetDim(x);
            if (!d || x == d || d->attrRole != OTL_ATTR_ROLE_LINKED_BASE || otl::isStored(x->shareOption))
                continue;
            if (x->shareOption == OTL_SHARE_SHARED)
                adShrOtlFindMember(opened, x->memberName, &source);
            EXPECT_EQ(x->hasAttrValue, source && source->hasAttrValue) << x->memberName;
        }
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

TEST_F(OutlineFile, DamagedFilesGiveAStatusNeverACrashAndKeepNothing)
{
    const auto rec = [](size_t i, Rec r, bool dimension = false) { return [=](Parts &p) { p.records[i] = record(r, dimension); }; };
    const auto ext = [](Emit e) { return tail(false, e); };
    const auto log = [](const char *block, uint16_t length) { return [=](Parts &p) { p.log = Emit(); p.log.u32(1).u8('A').u16(2).u16(0).u16(length).bytes(block, length); }; };
    const auto link = [](std::vector<uint32_t> dims) { return [=](Parts &p) {
        Emit e = Emit().u16(2).u16(1).u8(1).u16(uint32_t(dims.size()));
        std::for_each(dims.begin(), dims.end(), [&](uint32_t d) { e.u32(d).u16(0); });
        p.records[0] = record({"Prod", 1, 0x0002, 0, 0, tail(true, e.u8(0))}, true); }; };
    const auto again = [](uint16_t opcode) { return [=](Parts &p) { p.more.push_back({opcode, 2, opcode == otl::OTL_OP_MEMBERS ? p.info : p.comments}); }; };
    const std::string long81(81, 'n'), long31(31, 't');
    const std::string block409(409, 'b');
    const struct {
        const char *name;
        std::function<void(Parts &)> damage;
        OtlStatus expected;
    } rows[] = {
        {"nothing", [](Parts &) {}, OTL_OK},
        {"the longest record claimed far beyond the file", [](Parts &p) { set32(p.stats, 28, 0xFFFFFF00u); }, OTL_OK},
        {"a record length of 0, which would read the record again", rec(1, {"p1", 0, 1, 0, 0, ext(Emit().u16(0).u16(0)), 0}), OTL_ERR_FILE},
        {"a record length below the fixed part", rec(1, {"p1", 0, 1, 0, 0, ext(Emit().u16(0).u16(0)), 21}), OTL_ERR_FILE},
        {"a record length past the section", rec(1, {"p1", 0, 1, 0, 0, ext(Emit().u16(0).u16(0)), 4000}), OTL_ERR_FILE},
        {"a name longer than its 81-byte field", rec(1, {long81.c_str(), 0, 1, 0, 0, ext(Emit().u16(0).u16(0))}), OTL_ERR_FILE},
        {"a name without its terminator", rec(1, {nullptr, 0, 1, 0, 0, Emit().bytes("\3\0abc", 5).add(ext(Emit().u16(0).u16(0)))}), OTL_ERR_FILE},
        {"a name past its record", rec(1, {"p1", 0, 1, 0, 0, ext(Emit().u16(0).u16(0)), 24}), OTL_ERR_FILE},
        {"a table name longer than its 31-byte slot", [&](Parts &p) { p.info = Parts::infoBlock(2, 1, long31.c_str()); }, OTL_ERR_FILE},
        {"eleven alias tables", [](Parts &p) { p.info = Parts::infoBlock(2, 11, "T"); }, OTL_ERR_FILE},
        {"a time series alias longer than its 31-byte slot", [&](Parts &p) { p.dts = Parts::timeSeries(2, long31); }, OTL_ERR_FILE},
        {"dimensions x 16 wrapping 32 bits", [](Parts &p) { set32(p.stats, 0, 0x10000001u); }, OTL_ERR_FILE},
        {"alias tables x 8 wrapping 32 bits", [](Parts &p) { set32(p.stats, 36, 0x20000001u); }, OTL_ERR_FILE},
        {"matrix words x 4 wrapping 32 bits", rec(2, {"Colour", 1, 0x0002, 0x0820, 0, tail(true, Parts::matrix(0x40000001u))}, true), OTL_ERR_FILE},
        {"more dimensions than the statistics say", [](Parts &p) { set32(p.stats, 0, 1); }, OTL_ERR_FILE},
        {"a link slot naming no dimension", link({9}), OTL_ERR_FILE},
        {"a link slot naming a base dimension", link({1}), OTL_ERR_FILE},
        {"two link slots naming one attribute dimension", link({2, 2}), OTL_ERR_FILE},
        {"matrix rows counted from a stored count of 0", [](Parts &p) { set32(p.stats, 76, 0); }, OTL_ERR_FILE},
        {"a label-only member without children, passed over", [&](Parts &p) {
             p.records[0] = record({"Prod", 2, 0x0002, 0, 0, tail(true, Emit().u16(2).u16(1).u8(1).u16(1).u32(2).u16(0).u8(0))}, true);
             p.records.insert(p.records.begin() + 2, record({"Lone", 0, 1, 0x0002, 0, ext(Emit().u16(0).u16(0))}, false)); }, OTL_OK},
        {"a change text block short of terminators", log("p1\0Prod\0", 8), OTL_ERR_FILE},
        {"a change text block over 408 bytes", log(block409.c_str(), 409), OTL_ERR_FILE},
        {"an unknown change letter, dropped", [](Parts &p) { p.log = Emit().u32(1).u8('X').u16(0).u16(0).u16(0); }, OTL_OK},
        {"the statistics twice", [](Parts &p) { p.more.push_back({otl::OTL_OP_STATISTICS, 1, p.stats}); }, OTL_ERR_FILE},
        {"the members twice", again(otl::OTL_OP_MEMBERS), OTL_ERR_FILE},
        {"the comments twice", again(otl::OTL_OP_COMMENTS), OTL_ERR_FILE},
        {"the attribute specifications after the members", [](Parts &p) { p.drop = {otl::OTL_OP_ATTR_SPECS}; p.more.push_back({otl::OTL_OP_ATTR_SPECS, 1, p.specs}); }, OTL_ERR_FILE},
        {"an unknown section, skipped", [](Parts &p) { p.more.push_back({7777, 1, Emit().u32(5)}); }, OTL_OK},
        {"an attribute member among base members", rec(1, {"p1", 0, 1, 0, 0, ext(Emit().u16(1).u16(4).u8(8).u16(0).u8(0))}), OTL_OK},
        {"an outline type of 2", [](Parts &p) { p.info.b[4] = 2; }, OTL_ERR_FILE},
        {"a matrix on a member", rec(3, {"Red", 0, 1, 0x0820, 0, ext(Emit().u16(1).u16(2).u8(4).u32(0).u8(0))}), OTL_ERR_FILE},
        {"a value of type 5", rec(3, {"Red", 0, 1, 0x0820, 0, ext(Emit().u16(1).u16(4).u8(8).u16(5).u8(0))}), OTL_ERR_FILE},
        {"an element of tag 2", rec(3, {"Red", 0, 1, 0x0820, 0, ext(Emit().u16(1).u16(4).u8(2).u8(0))}), OTL_ERR_UNKNOWN_TAG},
        {"link slots on a member", rec(1, {"p1", 0, 1, 0, 0, ext(Emit().u16(0).u16(1).u8(1).u16(0).u8(0))}), OTL_ERR_FILE},
        {"a value retyped by a dimension type", rec(3, {"Red", 0, 1, 0x0820, 0, ext(Emit().u16(1).u16(4).u8(8).u16(3).str("Red").u8(16).u16(2).u8(0))}), OTL_ERR_FILE},
        {"no end", [](Parts &p) { p.end = false; }, QVL_ERR_TRUNCATED},
        {"no members", [](Parts &p) { p.drop = {otl::OTL_OP_MEMBERS}; }, OTL_ERR_FILE},
        {"members of version 6 without statistics", [](Parts &p) { p.drop = {otl::OTL_OP_STATISTICS}; }, OTL_ERR_FILE},
    };
    for (const auto &row : rows) {
        Parts parts;
        row.damage(parts);
        const std::string name = emit(parts.sections(), parts.end);
        OtlOutline *opened = reinterpret_cast<OtlOutline *>(&sentinel);
        const size_t blocks = host.liveBlocks();
        EXPECT_EQ(open(name, &opened), row.expected) << row.name;
        EXPECT_TRUE(row.expected ? opened == nullptr && host.liveBlocks() == blocks : opened != nullptr) << row.name;
        if (row.expected == OTL_OK && &row == rows) { // the whole file: p1 associated with Red and commented
            OtlItem *p1 = opened->root->firstChild->firstChild, **attrs = nullptr;
            uint16_t count = 0;
            EXPECT_EQ(adShrOtlGetAssociatedAttributes(opened, p1, &count, &attrs), OTL_OK);
            EXPECT_TRUE(count == 1 && !strcmp(attrs[0]->memberName, "Red") && !strcmp(p1->comment, "note"));
            adShrOtlFree(host.ctx(), attrs);
        }
        adShrOtlCloseOutline(row.expected ? nullptr : opened);
    }
}

TEST_F(OutlineFile, OlderMembersSectionsReadWithoutWhatTheyLackAndCountTheirStatistics)
{
    for (uint16_t version = 1; version <= 5; ++version) {
        SCOPED_TRACE("version " + std::to_string(version));
        Parts p;
        p.version = version;
        p.dtsVersion = version == 1 ? 1 : 2;
        p.dts = Parts::timeSeries(p.dtsVersion, "ytd");
        p.drop = {otl::OTL_OP_STATISTICS, otl::OTL_OP_ATTR_SPECS};
        p.info = Parts::infoBlock(1, 1, "Default", version == 1);
        p.records = {record({"Prod", 2, 0x0002, 0, 0, tail(true, {}, version)}, true),
                     record({"p1", 0, 1, uint16_t(version == 5 ? 0x0004 : 0), 0, tail(false, {}, version)}, false),
                     record({"p2", 0, 1, 0, 0, tail(false, {}, version)}, false)};
        OtlOutline *opened = nullptr;
        ASSERT_EQ(open(emit(p.sections()), &opened), OTL_OK);
        const OtlItem *prod = opened->root->firstChild, *p1 = prod->firstChild;
        const OtlFileStats &s = opened->stats;
        // Counted by the numbering: three records, the shared one of version 5 neither stored nor unshared.
        EXPECT_TRUE(s.dimCount == 1 && s.baseDimCount == 1 && s.memberCount == 3 &&
                    s.storedMemberCount == 3 - (version == 5) && s.nonSharedMemberCount == 3 - (version == 5));
        EXPECT_TRUE(s.dimStats[0].memberCount == 3 && !strcmp(p1->memberName, "p1") && !strcmp(opened->attrSpecs.trueName, "True"));
        EXPECT_EQ(version >= 3, p1->userAttributes && !strcmp(p1->userAttributes->text, "Tag") && prod->genLevelNames &&
                                    !strcmp(prod->genLevelNames->nameText, "Second"));
        // The first series enabled at generation 3; a version-1 section counts nothing.
        const OtlDtsMember &series = *opened->dtsMembers[0];
        EXPECT_TRUE(series.dtsEnabled == 1 && series.dtsGeneration == 3 && !strcmp(series.dtsAliases[0], "ytd") &&
                    opened->dtsEnabledCount == (version == 1 ? 0 : 1));
        adShrOtlCloseOutline(opened);
    }
}

// A chain as deep as 16-bit generations allow opens, saves to the same
// bytes and closes without recursion; one record deeper is refused, and so
// is a section that claims to run past the end of the file.
TEST_F(OutlineFile, NestingAndSectionsCannotRunAwayWithTheReader)
{
    for (uint32_t depth : {65535u, 65536u}) {
        Parts p;
        p.version = 5;
        p.drop = {otl::OTL_OP_STATISTICS, otl::OTL_OP_COMMENTS};
        p.info = Parts::infoBlock(1, 1, "Default");
        p.records.clear();
        for (uint32_t g = 1; g <= depth; ++g)
            p.records.push_back(record({("c" + std::to_string(g)).c_str(), g < depth, 1, 0, 0, tail(g == 1, {}, 5)}, g == 1));
        OtlOutline *opened = nullptr;
        const std::string file = emit(p.sections());
        ASSERT_EQ(open(file, &opened), depth > UINT16_MAX ? OTL_ERR_FILE : OTL_OK);
        if (!opened)
            continue;
        const std::string copy = path("copy.otl"), again = path("again.otl");
        OtlOutline *reopened = nullptr;
        ASSERT_TRUE(opened->root->firstChild->level == depth - 1 && adShrOtlWriteOutline(opened, copy.c_str(), 1) == OTL_OK &&
                    open(copy, &reopened) == OTL_OK && adShrOtlWriteOutline(reopened, again.c_str(), 1) == OTL_OK);
        EXPECT_TRUE(readAll(copy) == readAll(again));
        adShrOtlCloseOutline(reopened);
        adShrOtlCloseOutline(opened);
    }
    Parts p;
    p.more.push_back({7777, 1, Emit().u32(5)});
    const std::string file = emit(p.sections());
    Bytes bytes = readAll(file);
    bytes[bytes.size() - 2 * QVL_SECTION_HEADER_SIZE - 4 + 4] = 0xFF; // the unknown section's length
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    OtlOutline *opened = nullptr;
    EXPECT_EQ(open(file, &opened), QVL_ERR_TRUNCATED);
}

// A save that fails at any file-service call or allocation leaves the
// outline as it was (numbers, offsets and statistics included, which the
// edit before it made stale) and the previous file byte for byte; an open
// that fails hands out nothing and keeps nothing.
TEST_F(OutlineFile, EveryFileServiceCallAndEveryAllocationFailsCleanly)
{
    buildRandom(7);
    o->autoConfigure = 1; // the storage configuration is swept too
    const std::string target = path("target.otl");
    ASSERT_EQ(adShrOtlWriteOutline(o, target.c_str(), 1), OTL_OK);
    Bytes previous;
    std::string before;
    size_t blocks = 0;
    int edits = 0;
    const auto edit = [&] { // makes what the last save left stale
        add(("Newcomer" + std::to_string(++edits)).c_str(), o->root->firstChild);
        previous = readAll(target), before = dump(), blocks = ownedBlocks();
    };
    OtlOutline *opened = nullptr;
    const std::function<OtlStatus()> operations[] = {
        [&] { return adShrOtlWriteOutline(o, target.c_str(), 1); },
        [&] { return opened = reinterpret_cast<OtlOutline *>(&sentinel), open(target, &opened); }};
    const auto unchanged = [&](bool save, uint64_t n) {
        EXPECT_EQ(save ? test::dumpDiff(before, dump()) : opened ? "opened" : "", "") << n;
        EXPECT_TRUE(readAll(target) == previous && ownedBlocks() == blocks) << n;
    };
    for (bool save : {true, false}) {
        edit();
        for (uint32_t n = 1;; ++n) {
            qVLFailAfter(n);
            const OtlStatus status = operations[!save]();
            // Reading, the last call closes the file and its status does not matter.
            if (qVLFailAfter(0) != 0 || (!save && status == OTL_OK)) {
                EXPECT_EQ(status, OTL_OK);
                break;
            }
            EXPECT_TRUE(save ? status == (n == 1 ? QVL_ERR_OPEN : OTL_ERR_FILE) : status == OTL_ERR_FILE || status == QVL_ERR_IO)
                << "call " << n << ": " << status;
            unchanged(save, n);
        }
        if (!save)
            adShrOtlCloseOutline(opened);
        edit();
        EXPECT_GT(test::sweepAllocations(host, operations[!save], [&](uint64_t n) { unchanged(save, n); }), 0u);
        if (!save)
            adShrOtlCloseOutline(opened);
    }
}

TEST_F(OutlineFile, WhatAFileCannotHoldIsRefusedOrCutToFit)
{
    dim("Dim");
    const std::string target = path("limits.otl");
    OtlItem *m = add("m", o->root->firstChild);
    EXPECT_EQ(adShrOtlSetMemberFormula(o, m, std::string(65535, 'f').c_str()), OTL_OK);
    const std::string before = dump();
    EXPECT_EQ(adShrOtlWriteOutline(o, target.c_str(), 1), OTL_ERR_FILE);
    EXPECT_TRUE(dump() == before && !std::filesystem::exists(target));
    adShrOtlSetMemberFormula(o, m, "f;");
    o->fieldAccessMode = 1;
    EXPECT_EQ(adShrOtlWriteOutline(o, target.c_str(), 1), OTL_ERR_ACCESS_MODE);
    o->fieldAccessMode = 0;
    // A dimension's change text is cut at whole characters to fit the
    // reader's 408 bytes with the record's other texts.
    o->changeLogEnabled = 1;
    std::string accents;
    for (int i = 0; i < 300; ++i)
        accents += "\xC3\xA9";
    OtlMbrInfo d = test::info("Extras");
    OtlItem *extra = nullptr;
    ASSERT_EQ(adShrOtlAddDimension(o, &d, o->root->firstChild, accents.c_str(), &extra), OTL_OK);
    OtlOutline *opened = nullptr;
    ASSERT_TRUE(adShrOtlWriteOutline(o, target.c_str(), 1) == OTL_OK && open(target, &opened) == OTL_OK);
    const std::string cut = opened->changeLogTail->text[3];
    // "Extras", no parent and "Dim" leave 395 bytes and the terminator: 197 characters.
    EXPECT_EQ(cut, accents.substr(0, 394));
    adShrOtlCloseOutline(opened);
}

// Before writing, a save chooses the storage types when the outline asks for
// it and verifies unless told not to or already verified; a failure puts
// both back.
TEST_F(OutlineFile, ASaveConfiguresStorageAndVerifiesFirst)
{
    OtlItem *time = dim(test::info("Time", 0, OTL_TAG_TIME)), *dims = time; // 12 stored members: dense
    for (int m = 0; m < 11; ++m)
        add(("M" + std::to_string(m)).c_str(), time);
    time->storageType = 1, o->autoConfigure = 1;
    const std::string target = path("steps.otl"), refused = path("refused.otl");
    qVLFailAfter(1);
    EXPECT_EQ(adShrOtlWriteOutline(o, refused.c_str(), 0), QVL_ERR_OPEN);
    EXPECT_TRUE(time->storageType == 1 && !o->verified);
    EXPECT_EQ(adShrOtlWriteOutline(o, target.c_str(), 0), OTL_OK);
    EXPECT_TRUE(time->storageType == 0 && o->verified);
    append(time, "M1"); // a duplicate name
    o->verified = 0;
    EXPECT_EQ(adShrOtlWriteOutline(o, refused.c_str(), 0), OTL_ERR_NOT_VERIFIED);
    o->verified = 1; // taken as it says
    EXPECT_TRUE(!std::filesystem::exists(refused) && adShrOtlWriteOutline(o, target.c_str(), 0) == OTL_OK);
    for (int d = 0; d < 25; ++d)
        dims = dim(test::info(("D" + std::to_string(d)).c_str()), dims);
    EXPECT_EQ(adShrOtlWriteOutline(o, refused.c_str(), 1), OTL_ERR_AUTOCONFIG_DIMS);
    EXPECT_FALSE(std::filesystem::exists(refused));
}
