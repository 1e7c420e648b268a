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

// A change to the log as an edit makes it: built into a journal, applied,
// then committed (or, with `rollBack`, taken back).
using Build = std::function<OtlStatus(otl::Journal &, otl::PendingChange **)>;

OtlStatus logged(const Build &build, bool rollBack = false)
{
    otl::Journal journal;
    otl::PendingChange *change = nullptr;
    const OtlStatus status = build(journal, &change);
    if (status == OTL_OK)
        change->apply();
    if (status == OTL_OK && !rollBack)
        journal.commit();
    return status;
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

    Build added(OtlItem *member, OtlItem *parent, OtlItem *prev = nullptr, const char *text = nullptr)
    {
        return [=, this](otl::Journal &j, otl::PendingChange **c) {
            return otlBuildMemberAdded(o, parent, prev, member->memberName, text, j, c);
        };
    }
    Build renamed(OtlItem *member, const char *oldName)
    {
        return [=, this](otl::Journal &j, otl::PendingChange **c) {
            return otlPrepareMemberRenamed(o, member, oldName, member->memberName, j, c);
        };
    }
    Build moved(OtlItem *m, OtlItem *oldParent, OtlItem *oldPrev, OtlItem *newParent, OtlItem *newPrev)
    {
        return [=, this](otl::Journal &j, otl::PendingChange **c) {
            return otlBuildMemberMoved(o, m, oldParent, oldPrev, newParent, newPrev, j, c);
        };
    }
    Build deleted(OtlItem *member, const char *text = nullptr)
    {
        return [=, this](otl::Journal &j, otl::PendingChange **c) {
            return otlBuildMemberDeleted(o, member, text, j, c);
        };
    }

    const OtlHostContext *h = host.ctx();
    OtlItem *market = nullptr, *east = nullptr, *west = nullptr, *denver = nullptr;
};

} // namespace

// Every kind of change in one scenario. Each step is first applied and
// rolled back (the log as it was), then swept with failure injection (the
// dump stays, nothing leaks): adds, renames that rewrite the records from
// the member's add (or first rename) onwards, moves, deletes, the dimension
// change texts, and truncation.
TEST_F(ChangeLog, ScenarioOfEveryChangeRolledBackAndFailingCleanlyAtEachAllocation)
{
    OtlItem *alpha = append(east, "Alpha"), *beta = append(east, "Beta"), *product = appendDim("Product");
    OtlItem *again = append(west, "Denver");
    const auto name = [](OtlItem *item, const char *text) { return [=] { std::strcpy(item->memberName, text); }; };
    const auto caseSensitive = [this](Build build) {
        return [=, this](otl::Journal &j, otl::PendingChange **c) {
            o->caseSensitive = 1;
            const OtlStatus status = build(j, c);
            o->caseSensitive = 0;
            return status;
        };
    };
    const struct {
        const char *what;
        std::function<void()> prepare;
        Build build;
        uint64_t points;
    } steps[] = {
        {"add", {}, added(alpha, east), 3},
        {"add after a sibling", {}, added(beta, east, alpha), 4},
        {"rename an added member, names matching ignoring case", name(alpha, "Gamma"), renamed(alpha, "ALPHA"), 3},
        {"rename a member the log never named: a record", name(west, "WEST"), renamed(west, "West"), 3},
        {"rename it again: the first name kept", name(west, "WestY"), renamed(west, "WEST"), 2},
        {"move", {}, moved(alpha, east, nullptr, west, denver), 5},
        {"delete", {}, deleted(beta), 2},
        {"add a dimension with a text", {}, added(product, o->root, market, "added Product"), 4},
        {"move to dimension level", {}, moved(denver, west, nullptr, nullptr, product), 4},
        {"move from dimension level", {}, moved(product, nullptr, market, nullptr, nullptr), 3},
        {"rename an added member again", name(alpha, "Delta"), renamed(alpha, "Gamma"), 4},
        {"rename a renamed member again", name(west, "WestZ"), renamed(west, "WestY"), 4},
        {"case-sensitive: no match, a record of its own", name(alpha, "Epsilon"),
         caseSensitive(renamed(alpha, "DELTA")), 3},
        {"delete with an empty text", {}, deleted(denver, ""), 2},
        {"a name deleted before an add of the same name", {}, added(again, west), 3},
        {"keeps its records", name(again, "Boulder"), renamed(again, "Denver"), 2},
        {"delete a dimension with a text", {}, deleted(product, "dropped"), 3},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        if (step.prepare)
            step.prepare();
        const std::string before = dump();
        const size_t blocks = host.liveBlocks();
        ASSERT_EQ(logged(step.build, true), OTL_OK);
        EXPECT_EQ(test::dumpDiff(before, dump()), "") << "rolled back";
        EXPECT_EQ(host.liveBlocks(), blocks) << "rolled back";
        const uint64_t points = test::sweepAllocations(host, [&] { return logged(step.build); }, [&](uint64_t n) {
            EXPECT_EQ(test::dumpDiff(before, dump()), "") << "allocation " << n;
            EXPECT_EQ(host.liveBlocks(), blocks) << "allocation " << n;
        });
        EXPECT_EQ(points, step.points) << "allocations";
    }
    const std::vector<std::string> expected = {
        "1 3 0|Delta|East|-|-",          "1 3 0|Beta|East|Delta|-",
        "4 2 0|WestZ|West",              "3 3 3|Delta|East|-|WestZ|Denver|-",
        "2 3 0|Beta|-",                  "1 1 0|Product|-|Market|added Product",
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

// Record sizes; unknown kinds; a log that is off builds nothing.
TEST_F(ChangeLog, RecordSlotsUnknownKindsAndALogThatIsOff)
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
    for (uint16_t kind : {0, 5}) {
        OtlChangeRecord *r = reinterpret_cast<OtlChangeRecord *>(8);
        EXPECT_EQ(otlNewChangeRecord(h, kind, &r), OTL_ERR_CHANGE_KIND);
        EXPECT_EQ(r, nullptr);
    }
    o->changeLogEnabled = 0;
    const uint64_t allocations = host.allocations();
    for (const Build &build : {added(east, market), renamed(east, "Old"), deleted(east, "text"),
                               moved(east, market, nullptr, west, nullptr)})
        EXPECT_EQ(logged(build), OTL_OK);
    EXPECT_EQ(host.allocations(), allocations);
    EXPECT_EQ(o->changeLogHead, nullptr);
}
