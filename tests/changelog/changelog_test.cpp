// The change log: one scenario of every logging operation, each step swept
// with failure injection; record sizes and the calls that change nothing.
#include "edit/changelog.h"
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
        o->changeLogEnabled = 1;
        market = appendDim("Market");
        east = append(market, "East");
        west = append(market, "West");
        denver = append(west, "Denver");
    }

    OtlStatus added(OtlItem *member, OtlItem *parent, OtlItem *prev = nullptr)
    {
        return otlLogMemberAdded(h, o, member, parent, prev);
    }

    const OtlHostContext *h = host.ctx();
    OtlItem *market = nullptr, *east = nullptr, *west = nullptr, *denver = nullptr;
};

} // namespace

// Every logging operation in one scenario, each step first failing at each
// of its allocations in turn (the dump stays, nothing leaks): adds, renames
// that rewrite the records from the member's add (or first rename) onwards,
// moves, deletes built ahead, the dimension change texts, and truncation.
TEST_F(ChangeLog, ScenarioOfEveryOperationFailingCleanlyAtEachAllocation)
{
    char *given = dup("given"), *dropped = dup("dropped Product");
    OtlItem *alpha = append(east, "Alpha"), *beta = append(east, "Beta"), *product = appendDim("Product");
    OtlItem *again = append(west, "Denver");
    OtlChangeRecord *record = nullptr;
    const auto name = [](OtlItem *item, const char *text) { return [=] { std::strcpy(item->memberName, text); }; };
    const auto renamed = [this](OtlItem *item, const char *old) {
        return [=, this] { return otlLogMemberRenamed(h, o, item, old); };
    };
    // A change text handed to the newest record, or left with the caller.
    const auto give = [this](uint16_t kind, char **text, bool taken) {
        return [=, this] {
            otlGiveDimensionText(o, kind, text);
            return (*text == nullptr) == taken ? OTL_OK : OTL_ERR_GENERIC;
        };
    };
    const auto moved = [this](OtlItem *m, OtlItem *oldParent, OtlItem *oldPrev, OtlItem *newParent, OtlItem *newPrev) {
        return [=, this] { return otlLogMemberMoved(h, o, m, oldParent, oldPrev, newParent, newPrev); };
    };
    const struct {
        const char *what;
        std::function<void()> prepare;
        std::function<OtlStatus()> op;
        uint64_t points;
    } steps[] = {
        {"an empty log takes no text", {}, give(OTL_CHANGE_ADDED, &given, false), 0},
        {"add", {}, [&] { return added(alpha, east); }, 3},
        {"add after a sibling", {}, [&] { return added(beta, east, alpha); }, 4},
        {"rename an added member, names matching ignoring case", name(alpha, "Gamma"), renamed(alpha, "ALPHA"), 3},
        {"rename a member the log never named: a record", name(west, "WEST"), renamed(west, "West"), 3},
        {"rename it again: the first name kept", name(west, "WestY"), renamed(west, "WEST"), 2},
        {"move", {}, moved(alpha, east, nullptr, west, denver), 5},
        {"a deleted record built ahead, linked only when appended", {}, [&] {
             const OtlStatus status = otlBuildMemberDeleted(h, o, beta, &record);
             EXPECT_EQ(test::logLength(o), 4u);
             return status != OTL_OK ? status : otlAppendChangeRecord(o, record);
         }, 2},
        {"add a dimension", {}, [&] { return added(product, o->root, market); }, 3},
        {"its text given", {}, give(OTL_CHANGE_ADDED, &given, true), 0},
        {"and a copy set in its place", {}, [&] { return otlSetAddedDimensionText(h, o, "set"); }, 1},
        {"move to dimension level", {}, moved(denver, west, nullptr, nullptr, product), 4},
        {"moves take no text", {}, give(OTL_CHANGE_MOVED, &dropped, false), 0},
        {"move from dimension level", {}, moved(product, nullptr, market, nullptr, nullptr), 3},
        {"rename an added member again", name(alpha, "Delta"), renamed(alpha, "Gamma"), 4},
        {"rename a renamed member again", name(west, "WestZ"), renamed(west, "WestY"), 4},
        {"case-sensitive: no match, a record of its own", name(alpha, "Epsilon"), [&] {
             o->caseSensitive = 1;
             const OtlStatus status = otlLogMemberRenamed(h, o, alpha, "DELTA");
             o->caseSensitive = 0;
             return status;
         }, 3},
        {"delete", {}, [&] { return otlLogMemberDeleted(h, o, denver); }, 2},
        {"a name deleted before an add of the same name", {}, [&] { return added(again, west); }, 3},
        {"keeps its records", name(again, "Boulder"), renamed(again, "Denver"), 2},
        {"delete a dimension", {}, [&] { return otlLogMemberDeleted(h, o, product); }, 2},
        {"its text given", {}, give(OTL_CHANGE_DELETED, &dropped, true), 0},
        {"and a copy set in its place", {}, [&] { return otlSetDeletedDimensionText(h, o, "dropped"); }, 1},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        if (step.prepare)
            step.prepare();
        const std::string before = dump();
        const size_t blocks = host.liveBlocks();
        const uint64_t points = test::sweepAllocations(host, step.op, [&](uint64_t n) {
            EXPECT_EQ(test::dumpDiff(before, dump()), "") << "allocation " << n;
            EXPECT_EQ(host.liveBlocks(), blocks) << "allocation " << n;
        });
        EXPECT_EQ(points, step.points) << "allocations";
    }
    const std::vector<std::string> expected = {
        "1 3 0|Delta|East|-|-",          "1 3 0|Beta|East|Delta|-",
        "4 2 0|WestZ|West",              "3 3 3|Delta|East|-|WestZ|Denver|-",
        "2 3 0|Beta|-",                  "1 1 0|Product|-|Market|set",
        "3 1 3|Denver|WestZ|-|-|Product|-", "3 1 1|Product|-|Market|-|-|-",
        "4 3 0|Epsilon|DELTA",           "2 3 0|Denver|-",
        "1 3 0|Boulder|WestZ|-|-",       "2 1 0|Product|dropped",
    };
    EXPECT_EQ(logOf(o), expected);
    // Truncation releases the records newer than the mark, or all of them.
    otlChangeLogTruncate(o, o->changeLogHead->next);
    EXPECT_EQ(logOf(o), std::vector<std::string>(expected.begin(), expected.begin() + 2));
    otlChangeLogTruncate(o, nullptr);
    EXPECT_EQ(logOf(o), std::vector<std::string>{});
    EXPECT_EQ(o->changeLogHead, nullptr);
}

// Refused arguments, unknown kinds, texts for another kind and a log that is
// off (which refuses nothing): each call, with the log on and off, returns
// its status and allocates and changes nothing.
TEST_F(ChangeLog, RecordSlotsAndCallsThatChangeNothing)
{
    // A new record has exactly the slots of its kind, all clear.
    for (const auto &[kind, slots] : {std::pair<uint16_t, size_t>{1, 4}, {2, 2}, {3, 6}, {4, 2}}) {
        OtlChangeRecord *r = nullptr;
        ASSERT_EQ(otlNewChangeRecord(h, kind, &r), OTL_OK);
        EXPECT_EQ(host.blockSize(r), offsetof(OtlChangeRecord, text) + slots * sizeof(char *)) << kind;
        EXPECT_TRUE(!r->next && !r->prev) << kind;
        EXPECT_EQ(test::texts(r), std::vector<std::string>(slots, "-"));
        otlFreeChangeRecord(h, r);
    }
    ASSERT_EQ(added(market, o->root), OTL_OK);
    char *text = dup("text");
    OtlChangeRecord *r = nullptr;
    // An out-parameter a failed call must clear; a text the call leaves with the caller.
    const auto sentinel = [&] { r = reinterpret_cast<OtlChangeRecord *>(8); return &r; };
    const auto cleared = [&](OtlStatus status) { EXPECT_EQ(r, nullptr); return status; };
    const auto kept = [&] { EXPECT_NE(text, nullptr); return OTL_OK; };
    constexpr OtlStatus kLogs = 0xFFFFFFFFu; // a call that logs while the log is on: off only
    constexpr OtlStatus kGeneric = OTL_ERR_GENERIC, kKind = OTL_ERR_CHANGE_KIND;
    const auto buildDeleted = [&](const OtlItem *m) { return cleared(otlBuildMemberDeleted(h, o, m, sentinel())); };
    const auto buildMoved = [&](const OtlItem *m) { // the journal drops what is not applied
        otl::Journal journal;
        otl::PendingChange *change = nullptr;
        return otlBuildMemberMoved(o, m, market, nullptr, west, nullptr, journal, &change);
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
        {"append nothing", kGeneric, kGeneric, [&] { return otlAppendChangeRecord(o, nullptr); }},
        {"append, no outline", kGeneric, kGeneric, [&] { return otlAppendChangeRecord(nullptr, o->changeLogHead); }},
        {"kind 0", kKind, kKind, [&] { return cleared(otlNewChangeRecord(h, 0, sentinel())); }},
        {"kind 5", kKind, kKind, [&] { return cleared(otlNewChangeRecord(h, 5, sentinel())); }},
        {"given deleted text, newest added", OTL_OK, OTL_OK,
         [&] { otlGiveDimensionText(o, OTL_CHANGE_DELETED, &text); return kept(); }},
        {"added", kLogs, OTL_OK, [&] { return added(east, market); }},
        {"renamed", kLogs, OTL_OK, [&] { return otlLogMemberRenamed(h, o, east, "Old"); }},
        {"deleted built ahead", kLogs, OTL_OK, [&] { return buildDeleted(east); }},
        {"moved built ahead", kLogs, OTL_OK, [&] { return buildMoved(east); }},
        {"given added text", kLogs, OTL_OK, [&] { otlGiveDimensionText(o, OTL_CHANGE_ADDED, &text); return kept(); }},
        {"set deleted text, newest added", OTL_OK, OTL_OK, [&] { return otlSetDeletedDimensionText(h, o, "x"); }},
        {"set empty added text", OTL_OK, OTL_OK, [&] { return otlSetAddedDimensionText(h, o, ""); }},
    };
    for (const auto &c : cases) {
        for (uint8_t on : {1, 0}) {
            if (on && c.on == kLogs)
                continue;
            o->changeLogEnabled = on;
            SCOPED_TRACE(testing::Message() << c.what << " log " << +on);
            const std::string before = dump();
            const uint64_t allocations = host.allocations();
            EXPECT_EQ(c.call(), on ? c.on : c.off);
            EXPECT_EQ(host.allocations(), allocations);
            EXPECT_EQ(test::dumpDiff(before, dump()), "");
        }
    }
    o->changeLogEnabled = 1;
    otlGiveDimensionText(o, OTL_CHANGE_ADDED, &text); // the log is left holding it
    EXPECT_EQ(logOf(o), std::vector<std::string>{"1 1 0|Market|-|-|text"});
}
