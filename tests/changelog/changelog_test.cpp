// The change log: record sizes, one scenario of every logging operation with
// the rewriting of renamed members and the change texts, the calls that must
// change nothing, and failure injection over every allocating operation (the
// log stays as it was).
#include "edit/changelog.h"

#include "core/host.h"
#include "support/outline.h"

#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// The log as "kind gen old|text|text...", checking the back links on the way.
std::vector<std::string> logOf(const OtlOutline *o)
{
    std::vector<std::string> out;
    const OtlChangeRecord *prev = nullptr;
    for (const OtlChangeRecord *r = o->changeLogHead; r; prev = r, r = r->next) {
        EXPECT_EQ(r->prev, prev);
        std::string line = std::to_string(r->kind) + " " + std::to_string(r->generation) + " " +
                           std::to_string(r->oldGeneration);
        for (const std::string &t : test::texts(r))
            line += "|" + t;
        out.push_back(line);
    }
    EXPECT_EQ(o->changeLogTail, prev);
    return out;
}

// Market{East, West{Denver}}, with the log on.
class ChangeLog : public test::OutlineTest {
protected:
    void SetUp() override
    {
        OutlineTest::SetUp();
        build();
    }

    void build()
    {
        o->changeLogEnabled = 1;
        market = appendDim("Market");
        east = append(market, "East");
        west = append(market, "West");
        denver = append(west, "Denver");
    }

    // Gives the member its new name and logs the rename from `oldName`
    // (its current name when null).
    OtlStatus rename(OtlItem *item, const char *newName, const char *oldName = nullptr)
    {
        const std::string old = oldName ? oldName : item->memberName;
        std::strcpy(item->memberName, newName);
        return otlLogMemberRenamed(h, o, item, old.c_str());
    }

    OtlStatus added(OtlItem *member, OtlItem *parent, OtlItem *prev = nullptr)
    {
        return otlLogMemberAdded(h, o, member, parent, prev);
    }

    const OtlHostContext *h = host.ctx();
    OtlItem *market = nullptr, *east = nullptr, *west = nullptr, *denver = nullptr;
};

} // namespace

TEST_F(ChangeLog, RecordsHaveExactlyTheSlotsOfTheirKind)
{
    const size_t head = offsetof(OtlChangeRecord, text);
    for (const auto &[kind, slots] : {std::pair<uint16_t, size_t>{1, 4}, {2, 2}, {3, 6}, {4, 2}}) {
        OtlChangeRecord *r = nullptr;
        ASSERT_EQ(otlNewChangeRecord(h, kind, &r), OTL_OK);
        EXPECT_EQ(host.blockSize(r), head + slots * sizeof(char *)) << kind;
        EXPECT_EQ(r->next, nullptr);
        EXPECT_EQ(r->prev, nullptr);
        for (size_t i = 0; i < slots; ++i)
            EXPECT_EQ(r->text[i], nullptr);
        otlFreeChangeRecord(h, r);
    }
}

// Adds, renames, moves and deletes with the dimension change texts. A rename
// rewrites the records from the member's add (or first rename) onwards.
TEST_F(ChangeLog, ScenarioOfEveryOperation)
{
    char *given = dup("given"), *dropped = dup("dropped Product");
    otlGiveAddedDimensionText(o, &given); // an empty log takes nothing
    ASSERT_NE(given, nullptr);
    OtlItem *alpha = append(east, "Alpha"), *beta = append(east, "Beta");
    ASSERT_EQ(added(alpha, east), OTL_OK);
    ASSERT_EQ(added(beta, east, alpha), OTL_OK);
    ASSERT_EQ(rename(alpha, "Gamma", "ALPHA"), OTL_OK); // names match ignoring case
    // A change of case, then a real rename: one record, the first name kept.
    ASSERT_EQ(rename(west, "WEST"), OTL_OK);
    ASSERT_EQ(rename(west, "WestY"), OTL_OK);
    ASSERT_EQ(otlLogMemberMoved(h, o, alpha, east, nullptr, west, denver), OTL_OK);
    // A deleted record built ahead is linked only when appended.
    OtlChangeRecord *record = nullptr;
    ASSERT_EQ(otlBuildMemberDeleted(h, o, beta, &record), OTL_OK);
    ASSERT_EQ(test::logLength(o), 4u);
    ASSERT_EQ(otlAppendChangeRecord(o, record), OTL_OK);
    OtlItem *product = appendDim("Product");
    ASSERT_EQ(added(product, o->root, market), OTL_OK);
    otlGiveAddedDimensionText(o, &given);
    EXPECT_EQ(given, nullptr);
    // Denver moves to dimension level, Product from it.
    ASSERT_EQ(otlLogMemberMoved(h, o, denver, west, nullptr, nullptr, product), OTL_OK);
    otlGiveDimensionText(o, OTL_CHANGE_MOVED, &dropped); // moves take no text
    ASSERT_NE(dropped, nullptr);
    ASSERT_EQ(otlLogMemberMoved(h, o, product, nullptr, market, nullptr, nullptr), OTL_OK);
    ASSERT_EQ(rename(alpha, "Delta"), OTL_OK);
    ASSERT_EQ(rename(west, "WestZ"), OTL_OK);
    o->caseSensitive = 1;
    ASSERT_EQ(rename(alpha, "Epsilon", "DELTA"), OTL_OK); // no match: a record of its own
    o->caseSensitive = 0;
    // A name deleted before an add of the same name keeps its records.
    ASSERT_EQ(otlLogMemberDeleted(h, o, denver), OTL_OK);
    OtlItem *again = append(west, "Denver");
    ASSERT_EQ(added(again, west), OTL_OK);
    ASSERT_EQ(rename(again, "Boulder"), OTL_OK);
    ASSERT_EQ(otlLogMemberDeleted(h, o, product), OTL_OK);
    otlGiveDimensionText(o, OTL_CHANGE_DELETED, &dropped);
    EXPECT_EQ(dropped, nullptr);

    const std::vector<std::string> expected = {
        "1 3 0|Delta|East|-|-",
        "1 3 0|Beta|East|Delta|-",
        "4 2 0|WestZ|West",
        "3 3 3|Delta|East|-|WestZ|Denver|-",
        "2 3 0|Beta|-",
        "1 1 0|Product|-|Market|given",
        "3 1 3|Denver|WestZ|-|-|Product|-",
        "3 1 1|Product|-|Market|-|-|-",
        "4 3 0|Epsilon|DELTA",
        "2 3 0|Denver|-",
        "1 3 0|Boulder|WestZ|-|-",
        "2 1 0|Product|dropped Product",
    };
    EXPECT_EQ(logOf(o), expected);

    // Truncation releases the records newer than the mark, or all of them.
    otlChangeLogTruncate(o, o->changeLogHead->next);
    EXPECT_EQ(logOf(o), std::vector<std::string>(expected.begin(), expected.begin() + 2));
    otlChangeLogTruncate(o, nullptr);
    EXPECT_EQ(o->changeLogHead, nullptr);
    EXPECT_EQ(o->changeLogTail, nullptr);
}

// Refused arguments, unknown kinds, texts for another kind and a log that
// is off: each call returns its status and allocates and changes nothing.
// Every call runs with the log on and off; a log that is off refuses nothing.
TEST_F(ChangeLog, CallsThatChangeNothing)
{
    ASSERT_EQ(added(market, o->root), OTL_OK);
    char *text = dup("text");
    OtlChangeRecord *r = nullptr;
    // An out-parameter no failed call may leave as it was, and the checks
    // that the call cleared it or left the given text with the caller.
    const auto sentinel = [&] { r = reinterpret_cast<OtlChangeRecord *>(8); return &r; };
    const auto cleared = [&](OtlStatus status) { EXPECT_EQ(r, nullptr); return status; };
    const auto kept = [&] { EXPECT_NE(text, nullptr); return OTL_OK; };
    constexpr OtlStatus kLogs = 0xFFFFFFFFu; // a call that logs while the log is on: off only
    constexpr OtlStatus kGeneric = OTL_ERR_GENERIC, kKind = OTL_ERR_CHANGE_KIND;
    const auto buildDeleted = [&](const OtlItem *m) {
        return cleared(otlBuildMemberDeleted(h, o, m, sentinel()));
    };
    const auto buildMoved = [&](const OtlItem *m) {
        return cleared(otlBuildMemberMoved(h, o, m, market, nullptr, west, nullptr, sentinel()));
    };
    const struct {
        const char *what;
        OtlStatus on, off;
        std::function<OtlStatus()> call;
    } cases[] = {
        {"added, no member", kGeneric, OTL_OK, [&] { return added(nullptr, market); }},
        {"added, no parent", kGeneric, OTL_OK, [&] { return added(east, nullptr); }},
        {"rename none", kGeneric, OTL_OK, [&] { return otlLogMemberRenamed(h, o, nullptr, "X"); }},
        {"no old name", kGeneric, OTL_OK, [&] { return otlLogMemberRenamed(h, o, east, nullptr); }},
        {"deleted built ahead, no member", kGeneric, OTL_OK, [&] { return buildDeleted(nullptr); }},
        {"moved built ahead, no member", kGeneric, OTL_OK, [&] { return buildMoved(nullptr); }},
        {"append nothing", kGeneric, kGeneric, [&] { return otlAppendChangeRecord(o, nullptr); }},
        {"append, no outline", kGeneric, kGeneric,
         [&] { return otlAppendChangeRecord(nullptr, o->changeLogHead); }},
        {"kind 0", kKind, kKind, [&] { return cleared(otlNewChangeRecord(h, 0, sentinel())); }},
        {"kind 5", kKind, kKind, [&] { return cleared(otlNewChangeRecord(h, 5, sentinel())); }},
        {"given deleted text, newest added", OTL_OK, OTL_OK,
         [&] { otlGiveDimensionText(o, OTL_CHANGE_DELETED, &text); return kept(); }},
        {"added", kLogs, OTL_OK, [&] { return added(east, market); }},
        {"renamed", kLogs, OTL_OK, [&] { return otlLogMemberRenamed(h, o, east, "Old"); }},
        {"deleted built ahead", kLogs, OTL_OK, [&] { return buildDeleted(east); }},
        {"moved built ahead", kLogs, OTL_OK, [&] { return buildMoved(east); }},
        {"given added text", kLogs, OTL_OK,
         [&] { otlGiveDimensionText(o, OTL_CHANGE_ADDED, &text); return kept(); }},
    };
    for (const auto &c : cases) {
        for (uint8_t on : {1, 0}) {
            if (on && c.on == kLogs)
                continue;
            o->changeLogEnabled = on;
            const std::string before = dump();
            const uint64_t allocations = host.allocations();
            EXPECT_EQ(c.call(), on ? c.on : c.off) << c.what << " log " << +on;
            EXPECT_EQ(host.allocations(), allocations) << c.what << " log " << +on;
            EXPECT_EQ(test::dumpDiff(before, dump()), "") << c.what << " log " << +on;
        }
    }
    o->changeLogEnabled = 1;
    otlGiveDimensionText(o, OTL_CHANGE_ADDED, &text); // the log is left holding it
    EXPECT_EQ(logOf(o), std::vector<std::string>{"1 1 0|Market|-|-|text"});
}

// Every allocating operation fails at each of its allocations in turn; the
// outline must then be as before and nothing may leak. Each starts from a
// log of two adds, a move and a rename.
TEST_F(ChangeLog, FailuresLeaveTheLogAsItWas)
{
    OtlItem *alpha = nullptr, *gamma = nullptr;
    OtlChangeRecord *r = nullptr;
    // Operations that build a record without linking it append it on success.
    const auto keep = [&](OtlStatus status) {
        if (status == OTL_OK)
            return otlAppendChangeRecord(o, r);
        EXPECT_EQ(r, nullptr);
        return status;
    };
    const struct {
        const char *what;
        std::function<void()> setup;
        std::function<OtlStatus()> op;
        uint64_t points;
    } cases[] = {
        {"added", [&] { gamma = append(west, "Gamma"); },
         [&] { return added(gamma, west, denver); }, 4},
        {"deleted", [] {}, [&] { return keep(otlBuildMemberDeleted(h, o, east, &r)); }, 2},
        {"moved", [] {},
         [&] { return keep(otlBuildMemberMoved(h, o, denver, west, nullptr, east, nullptr, &r)); },
         4},
        {"renamed: a new record", [&] { std::strcpy(denver->memberName, "Boulder"); },
         [&] { return otlLogMemberRenamed(h, o, denver, "Denver"); }, 3},
        // The array of copies and the three slots naming Alpha.
        {"renamed: an added member rewritten", [&] { std::strcpy(alpha->memberName, "Omega"); },
         [&] { return otlLogMemberRenamed(h, o, alpha, "Alpha"); }, 4},
        {"renamed: a renamed member rewritten", [&] { std::strcpy(west->memberName, "WestY"); },
         [&] { return otlLogMemberRenamed(h, o, west, "WestX"); }, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(adShrOtlCloseOutline(o), OTL_OK);
        o = newOutline();
        build();
        alpha = append(east, "Alpha");
        ASSERT_EQ(added(alpha, east), OTL_OK);
        ASSERT_EQ(added(append(east, "Beta"), east, alpha), OTL_OK);
        ASSERT_EQ(otlLogMemberMoved(h, o, alpha, east, nullptr, west, denver), OTL_OK);
        ASSERT_EQ(rename(west, "WestX"), OTL_OK);
        c.setup();
        const std::string before = dump();
        const size_t blocks = host.liveBlocks();
        const uint64_t points = test::sweepAllocations(host, c.op, [&](uint64_t n) {
            EXPECT_EQ(test::dumpDiff(before, dump()), "") << "allocation " << n;
            EXPECT_EQ(host.liveBlocks(), blocks) << "allocation " << n;
        });
        EXPECT_EQ(points, c.points);
        EXPECT_NE(dump(), before);
    }
}
