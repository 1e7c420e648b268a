// The change log: record sizes, the four logging operations with the
// rewriting of renamed members, the change-text setters, and failure
// injection over every allocating operation (the log stays as it was).
#include "edit/changelog.h"

#include "core/host.h"
#include "support/fixture.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Expected {
    uint16_t kind;
    uint16_t generation;
    uint16_t oldGeneration;
    std::vector<const char *> texts; // one per slot, null when absent
};

std::string show(uint16_t kind, uint16_t gen, uint16_t old, const std::vector<std::string> &texts)
{
    std::string s = std::to_string(kind) + " gen=" + std::to_string(gen) + " old=" + std::to_string(old);
    for (const std::string &t : texts)
        s += " [" + t + "]";
    return s;
}

std::vector<std::string> logOf(const OtlOutline *o)
{
    std::vector<std::string> out;
    const OtlChangeRecord *prev = nullptr;
    for (const OtlChangeRecord *r = o->changeLogHead; r; r = r->next) {
        EXPECT_EQ(r->prev, prev);
        prev = r;
        std::vector<std::string> texts;
        for (uint16_t i = 0; i < otlChangeTextCount(r->kind); ++i)
            texts.push_back(r->text[i] ? r->text[i] : "-");
        out.push_back(show(r->kind, r->generation, r->oldGeneration, texts));
    }
    EXPECT_EQ(o->changeLogTail, prev);
    return out;
}

std::vector<std::string> expectedLog(const std::vector<Expected> &records)
{
    std::vector<std::string> out;
    for (const Expected &e : records) {
        std::vector<std::string> texts;
        for (const char *t : e.texts)
            texts.push_back(t ? t : "-");
        out.push_back(show(e.kind, e.generation, e.oldGeneration, texts));
    }
    return out;
}

class ChangeLog : public test::HostTest {
protected:
    void SetUp() override
    {
        outline = newOutline();
        outline->changeLogEnabled = 1;
        market = add(outline->root, nullptr, "Market");
        east = add(market, nullptr, "East");
        west = add(market, east, "West");
        denver = add(west, nullptr, "Denver");
    }
    void TearDown() override
    {
        adShrOtlCloseOutline(outline);
        test::HostTest::TearDown();
    }

    // Links a new item as first child of parent, or after prevSibling.
    OtlItem *add(OtlItem *parent, OtlItem *prevSibling, const char *name)
    {
        OtlItem *item = nullptr;
        EXPECT_EQ(otlNewItem(host.ctx(), &item), OTL_OK);
        strcpy(item->memberName, name);
        if (prevSibling)
            otlAddSiblingItem(prevSibling, item, 1);
        else
            otlAddChildItem(parent, item, 1);
        return item;
    }

    OtlStatus rename(OtlItem *item, const char *newName)
    {
        const std::string oldName = item->memberName;
        strcpy(item->memberName, newName);
        return otlLogMemberRenamed(host.ctx(), outline, item, oldName.c_str());
    }

    OtlOutline *outline = nullptr;
    OtlItem *market = nullptr, *east = nullptr, *west = nullptr, *denver = nullptr;
};

} // namespace

TEST_F(ChangeLog, RecordsHaveExactlyTheSlotsOfTheirKind)
{
    const size_t head = offsetof(OtlChangeRecord, text);
    const uint64_t allocationsBefore = host.allocations();
    const struct {
        uint16_t kind;
        size_t slots;
    } kinds[] = {{1, 4}, {2, 2}, {3, 6}, {4, 2}};
    for (const auto &k : kinds) {
        OtlChangeRecord *r = nullptr;
        ASSERT_EQ(otlNewChangeRecord(host.ctx(), k.kind, &r), OTL_OK);
        EXPECT_EQ(host.blockSize(r), head + k.slots * sizeof(char *)) << k.kind;
        EXPECT_EQ(r->kind, k.kind);
        EXPECT_EQ(r->generation + r->oldGeneration, 0);
        EXPECT_EQ(r->next, nullptr);
        EXPECT_EQ(r->prev, nullptr);
        for (size_t i = 0; i < k.slots; ++i)
            EXPECT_EQ(r->text[i], nullptr);
        otlFreeChangeRecord(host.ctx(), r);
    }
    for (uint16_t kind : {0, 5, 0xFFFF}) {
        OtlChangeRecord *r = reinterpret_cast<OtlChangeRecord *>(8);
        EXPECT_EQ(otlNewChangeRecord(host.ctx(), kind, &r), OTL_ERR_CHANGE_KIND);
        EXPECT_EQ(r, nullptr);
    }
    // One block per record; an unknown kind allocates nothing.
    EXPECT_EQ(host.allocations() - allocationsBefore, 4u);
}

TEST_F(ChangeLog, AppendLinksAtTheTail)
{
    OtlChangeRecord *a = nullptr, *b = nullptr;
    ASSERT_EQ(otlNewChangeRecord(host.ctx(), 2, &a), OTL_OK);
    ASSERT_EQ(otlNewChangeRecord(host.ctx(), 4, &b), OTL_OK);
    EXPECT_EQ(otlAppendChangeRecord(outline, a), OTL_OK);
    EXPECT_EQ(otlAppendChangeRecord(outline, b), OTL_OK);
    EXPECT_EQ(outline->changeLogHead, a);
    EXPECT_EQ(outline->changeLogTail, b);
    EXPECT_EQ(a->next, b);
    EXPECT_EQ(b->prev, a);
    EXPECT_EQ(otlAppendChangeRecord(outline, nullptr), OTL_ERR_GENERIC);
    EXPECT_EQ(otlAppendChangeRecord(nullptr, a), OTL_ERR_GENERIC);
    EXPECT_EQ(otlChangeListCount(outline), 2u);
}

TEST_F(ChangeLog, ScenarioOfAddsRenamesMovesAndDeletes)
{
    const OtlHostContext *h = host.ctx();
    OtlItem *alpha = add(east, nullptr, "Alpha");
    ASSERT_EQ(otlLogMemberAdded(h, outline, alpha, east, nullptr), OTL_OK);
    OtlItem *beta = add(east, alpha, "Beta");
    ASSERT_EQ(otlLogMemberAdded(h, outline, beta, east, alpha), OTL_OK);
    // The added member takes its new name in every record that names it.
    ASSERT_EQ(rename(alpha, "Gamma"), OTL_OK);
    // A member of the opened outline is renamed twice: one record.
    ASSERT_EQ(rename(west, "WestX"), OTL_OK);
    ASSERT_EQ(rename(west, "WestY"), OTL_OK);
    // Gamma moves from the head of East to after Denver under WestY.
    ASSERT_EQ(otlLogMemberMoved(h, outline, alpha, east, nullptr, west, denver), OTL_OK);
    ASSERT_EQ(otlLogMemberDeleted(h, outline, beta), OTL_OK);
    OtlItem *product = add(outline->root, market, "Product");
    ASSERT_EQ(otlLogMemberAdded(h, outline, product, outline->root, market), OTL_OK);
    ASSERT_EQ(otlSetAddedDimensionText(h, outline, "added Product"), OTL_OK);
    // Denver moves to dimension level.
    ASSERT_EQ(otlLogMemberMoved(h, outline, denver, west, nullptr, nullptr, product), OTL_OK);
    // The added member's second rename reaches the move record too.
    ASSERT_EQ(rename(alpha, "Delta"), OTL_OK);
    // WestY's third name rewrites its rename record and the moves naming it.
    ASSERT_EQ(rename(west, "WestZ"), OTL_OK);
    ASSERT_EQ(otlLogMemberDeleted(h, outline, product), OTL_OK);
    ASSERT_EQ(otlSetDeletedDimensionText(h, outline, "dropped Product"), OTL_OK);

    const std::vector<Expected> expected = {
        {1, 3, 0, {"Delta", "East", nullptr, nullptr}},
        {1, 3, 0, {"Beta", "East", "Delta", nullptr}},
        {4, 2, 0, {"WestZ", "West"}},
        {3, 3, 3, {"Delta", "East", nullptr, "WestZ", "Denver", nullptr}},
        {2, 3, 0, {"Beta", nullptr}},
        {1, 1, 0, {"Product", nullptr, "Market", "added Product"}},
        {3, 1, 3, {"Denver", "WestZ", nullptr, nullptr, "Product", nullptr}},
        {2, 1, 0, {"Product", "dropped Product"}},
    };
    EXPECT_EQ(logOf(outline), expectedLog(expected));
}

TEST_F(ChangeLog, NothingIsLoggedWhileDisabled)
{
    outline->changeLogEnabled = 0;
    const OtlHostContext *h = host.ctx();
    const uint64_t before = host.allocations();
    EXPECT_EQ(otlLogMemberAdded(h, outline, east, market, nullptr), OTL_OK);
    EXPECT_EQ(otlLogMemberAdded(h, outline, nullptr, nullptr, nullptr), OTL_OK);
    EXPECT_EQ(otlLogMemberDeleted(h, outline, nullptr), OTL_OK);
    EXPECT_EQ(otlLogMemberMoved(h, outline, east, market, nullptr, market, west), OTL_OK);
    EXPECT_EQ(otlLogMemberRenamed(h, outline, east, "Old"), OTL_OK);
    EXPECT_EQ(otlLogMemberRenamed(h, outline, nullptr, nullptr), OTL_OK);
    EXPECT_EQ(host.allocations(), before);
    EXPECT_EQ(outline->changeLogHead, nullptr);
    EXPECT_EQ(outline->changeLogTail, nullptr);
}

TEST_F(ChangeLog, MissingArgumentsAreRefused)
{
    const OtlHostContext *h = host.ctx();
    EXPECT_EQ(otlLogMemberAdded(h, outline, nullptr, market, nullptr), OTL_ERR_GENERIC);
    EXPECT_EQ(otlLogMemberAdded(h, outline, east, nullptr, nullptr), OTL_ERR_GENERIC);
    EXPECT_EQ(otlLogMemberDeleted(h, outline, nullptr), OTL_ERR_GENERIC);
    EXPECT_EQ(otlLogMemberMoved(h, outline, nullptr, market, nullptr, market, nullptr),
              OTL_ERR_GENERIC);
    EXPECT_EQ(otlLogMemberRenamed(h, outline, nullptr, "Old"), OTL_ERR_GENERIC);
    EXPECT_EQ(otlLogMemberRenamed(h, outline, east, nullptr), OTL_ERR_GENERIC);
    EXPECT_EQ(outline->changeLogHead, nullptr);
    // A move may name no parent at either end: dimension level.
    EXPECT_EQ(otlLogMemberMoved(h, outline, east, nullptr, nullptr, nullptr, nullptr), OTL_OK);
    EXPECT_EQ(logOf(outline), expectedLog({{3, 1, 1, {"East", nullptr, nullptr, nullptr, nullptr, nullptr}}}));
}

TEST_F(ChangeLog, RenameMatchesByTheCaseRuleAndKeepsTheFirstName)
{
    OtlItem *alpha = add(east, nullptr, "Alpha");
    ASSERT_EQ(otlLogMemberAdded(host.ctx(), outline, alpha, east, nullptr), OTL_OK);
    strcpy(alpha->memberName, "Beta");
    ASSERT_EQ(otlLogMemberRenamed(host.ctx(), outline, alpha, "ALPHA"), OTL_OK);
    EXPECT_EQ(logOf(outline), expectedLog({{1, 3, 0, {"Beta", "East", nullptr, nullptr}}}));

    outline->caseSensitive = 1;
    strcpy(alpha->memberName, "Gamma");
    ASSERT_EQ(otlLogMemberRenamed(host.ctx(), outline, alpha, "BETA"), OTL_OK);
    EXPECT_EQ(logOf(outline), expectedLog({{1, 3, 0, {"Beta", "East", nullptr, nullptr}},
                                           {4, 3, 0, {"Gamma", "BETA"}}}));
    // A change of case only, then a real rename: the first name survives.
    outline->caseSensitive = 0;
    ASSERT_EQ(rename(west, "WEST"), OTL_OK);
    ASSERT_EQ(rename(west, "Western"), OTL_OK);
    EXPECT_EQ(logOf(outline), expectedLog({{1, 3, 0, {"Beta", "East", nullptr, nullptr}},
                                           {4, 3, 0, {"Gamma", "BETA"}},
                                           {4, 2, 0, {"Western", "West"}}}));
}

TEST_F(ChangeLog, RenameRewritesOnlyFromTheAddOnwards)
{
    // A member once deleted under the name is older than the add.
    ASSERT_EQ(otlLogMemberDeleted(host.ctx(), outline, denver), OTL_OK);
    OtlItem *again = add(west, nullptr, "Denver");
    ASSERT_EQ(otlLogMemberAdded(host.ctx(), outline, again, west, nullptr), OTL_OK);
    ASSERT_EQ(rename(again, "Boulder"), OTL_OK);
    EXPECT_EQ(logOf(outline), expectedLog({{2, 3, 0, {"Denver", nullptr}},
                                           {1, 3, 0, {"Boulder", "West", nullptr, nullptr}}}));
}

TEST_F(ChangeLog, ChangeTextsGoOnlyToTheNewestMatchingRecord)
{
    const OtlHostContext *h = host.ctx();
    EXPECT_EQ(otlSetAddedDimensionText(h, outline, "nothing yet"), OTL_OK);
    ASSERT_EQ(otlLogMemberAdded(h, outline, market, outline->root, nullptr), OTL_OK);
    EXPECT_EQ(otlSetDeletedDimensionText(h, outline, "wrong kind"), OTL_OK);
    EXPECT_EQ(otlSetAddedDimensionText(h, outline, ""), OTL_OK);
    EXPECT_EQ(otlSetAddedDimensionText(h, outline, nullptr), OTL_OK);
    EXPECT_EQ(otlSetAddedDimensionText(h, outline, "first"), OTL_OK);
    EXPECT_EQ(otlSetAddedDimensionText(h, outline, "second"), OTL_OK);
    ASSERT_EQ(otlLogMemberDeleted(h, outline, market), OTL_OK);
    EXPECT_EQ(otlSetAddedDimensionText(h, outline, "wrong kind"), OTL_OK);
    EXPECT_EQ(otlSetDeletedDimensionText(h, outline, "gone"), OTL_OK);
    outline->changeLogEnabled = 0;
    EXPECT_EQ(otlSetDeletedDimensionText(h, outline, "while off"), OTL_OK);
    EXPECT_EQ(logOf(outline), expectedLog({{1, 1, 0, {"Market", nullptr, nullptr, "second"}},
                                           {2, 1, 0, {"Market", "gone"}}}));
}

TEST_F(ChangeLog, GivenTextIsOwnedOnlyByAnAddedRecord)
{
    char *text = nullptr;
    ASSERT_EQ(otlDupString(host.ctx(), "given", &text), OTL_OK);
    otlGiveAddedDimensionText(outline, &text); // empty log: stays the caller's
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(otlLogMemberAdded(host.ctx(), outline, market, outline->root, nullptr), OTL_OK);
    ASSERT_EQ(otlSetAddedDimensionText(host.ctx(), outline, "older"), OTL_OK);
    otlGiveAddedDimensionText(outline, &text);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(logOf(outline), expectedLog({{1, 1, 0, {"Market", nullptr, nullptr, "given"}}}));
}

TEST_F(ChangeLog, DeletedRecordBuiltAheadIsNotLinked)
{
    OtlChangeRecord *record = reinterpret_cast<OtlChangeRecord *>(8);
    ASSERT_EQ(otlBuildMemberDeleted(host.ctx(), outline, west, &record), OTL_OK);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(outline->changeLogHead, nullptr);
    ASSERT_EQ(otlAppendChangeRecord(outline, record), OTL_OK);
    char *text = nullptr;
    ASSERT_EQ(otlDupString(host.ctx(), "bye", &text), OTL_OK);
    otlGiveDimensionText(outline, OTL_CHANGE_ADDED, &text); // wrong kind: kept
    ASSERT_NE(text, nullptr);
    otlGiveDimensionText(outline, OTL_CHANGE_DELETED, &text);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(logOf(outline), expectedLog({{2, 2, 0, {"West", "bye"}}}));

    outline->changeLogEnabled = 0;
    record = reinterpret_cast<OtlChangeRecord *>(8);
    EXPECT_EQ(otlBuildMemberDeleted(host.ctx(), outline, east, &record), OTL_OK);
    EXPECT_EQ(record, nullptr);
    outline->changeLogEnabled = 1;
    EXPECT_EQ(otlBuildMemberDeleted(host.ctx(), outline, nullptr, &record), OTL_ERR_GENERIC);
    const uint64_t points = test::sweepAllocations(
        host, [&] { return otlBuildMemberDeleted(host.ctx(), outline, east, &record); },
        [&](uint64_t) { EXPECT_EQ(record, nullptr); });
    EXPECT_EQ(points, 2u);
    otlFreeChangeRecord(host.ctx(), record);
}

TEST_F(ChangeLog, TruncateUndoesTheNewestAppends)
{
    const OtlHostContext *h = host.ctx();
    ASSERT_EQ(otlLogMemberDeleted(h, outline, east), OTL_OK);
    OtlChangeRecord *mark = outline->changeLogTail;
    const size_t blocks = host.liveBlocks();
    ASSERT_EQ(otlLogMemberDeleted(h, outline, west), OTL_OK);
    ASSERT_EQ(otlLogMemberAdded(h, outline, denver, west, nullptr), OTL_OK);
    otlChangeLogTruncate(outline, mark);
    EXPECT_EQ(host.liveBlocks(), blocks);
    EXPECT_EQ(logOf(outline), expectedLog({{2, 2, 0, {"East", nullptr}}}));
    otlChangeLogTruncate(outline, nullptr);
    EXPECT_EQ(outline->changeLogHead, nullptr);
    EXPECT_EQ(outline->changeLogTail, nullptr);
}

// Every logging operation fails at each of its allocations in turn; the log
// (and the whole outline) must then be as before and nothing may leak.
class ChangeLogFailures : public ChangeLog {
protected:
    template <class Op>
    void sweep(Op op, uint64_t expectedPoints)
    {
        const std::string before = test::dumpOutline(outline);
        const size_t blocks = host.liveBlocks();
        const uint64_t points = test::sweepAllocations(host, op, [&](uint64_t n) {
            EXPECT_EQ(test::dumpOutline(outline), before) << "allocation " << n;
            EXPECT_EQ(host.liveBlocks(), blocks) << "allocation " << n;
        });
        EXPECT_EQ(points, expectedPoints);
        EXPECT_NE(test::dumpOutline(outline), before);
    }

    void seed()
    {
        OtlItem *alpha = add(east, nullptr, "Alpha");
        ASSERT_EQ(otlLogMemberAdded(host.ctx(), outline, alpha, east, nullptr), OTL_OK);
        OtlItem *beta = add(east, alpha, "Beta");
        ASSERT_EQ(otlLogMemberAdded(host.ctx(), outline, beta, east, alpha), OTL_OK);
        ASSERT_EQ(otlLogMemberMoved(host.ctx(), outline, alpha, east, nullptr, west, denver),
                  OTL_OK);
        ASSERT_EQ(rename(west, "WestX"), OTL_OK);
        alphaItem = alpha;
    }
    OtlItem *alphaItem = nullptr;
};

TEST_F(ChangeLogFailures, NewRecord)
{
    OtlChangeRecord *r = nullptr;
    const uint64_t points = test::sweepAllocations(
        host, [&] { return otlNewChangeRecord(host.ctx(), 3, &r); },
        [&](uint64_t) { EXPECT_EQ(r, nullptr); });
    EXPECT_EQ(points, 1u);
    otlFreeChangeRecord(host.ctx(), r);
}

TEST_F(ChangeLogFailures, Added)
{
    seed();
    OtlItem *gamma = add(west, denver, "Gamma");
    sweep([&] { return otlLogMemberAdded(host.ctx(), outline, gamma, west, denver); }, 4);
}

TEST_F(ChangeLogFailures, Deleted)
{
    seed();
    sweep([&] { return otlLogMemberDeleted(host.ctx(), outline, denver); }, 2);
}

TEST_F(ChangeLogFailures, Moved)
{
    seed();
    sweep([&] { return otlLogMemberMoved(host.ctx(), outline, denver, west, nullptr, east, nullptr); }, 4);
}

TEST_F(ChangeLogFailures, MovedBuiltAhead)
{
    OtlChangeRecord *record = reinterpret_cast<OtlChangeRecord *>(8);
    const uint64_t points = test::sweepAllocations(
        host,
        [&] {
            return otlBuildMemberMoved(host.ctx(), outline, denver, west, nullptr, east, nullptr,
                                       &record);
        },
        [&](uint64_t) { EXPECT_EQ(record, nullptr); });
    EXPECT_EQ(points, 4u);
    EXPECT_EQ(outline->changeLogHead, nullptr);
    otlFreeChangeRecord(host.ctx(), record);
}

TEST_F(ChangeLogFailures, RenamedAppendsARecord)
{
    seed();
    strcpy(denver->memberName, "Boulder");
    sweep([&] { return otlLogMemberRenamed(host.ctx(), outline, denver, "Denver"); }, 3);
}

TEST_F(ChangeLogFailures, RenamedRewritesAnAddedMember)
{
    seed();
    strcpy(alphaItem->memberName, "Omega");
    // The array of copies and the three slots naming Alpha.
    sweep([&] { return otlLogMemberRenamed(host.ctx(), outline, alphaItem, "Alpha"); }, 4);
    EXPECT_EQ(logOf(outline)[0], expectedLog({{1, 3, 0, {"Omega", "East", nullptr, nullptr}}})[0]);
}

TEST_F(ChangeLogFailures, RenamedRewritesARenamedMember)
{
    seed();
    strcpy(west->memberName, "WestY");
    sweep([&] { return otlLogMemberRenamed(host.ctx(), outline, west, "WestX"); }, 2);
}

TEST_F(ChangeLogFailures, ChangeTexts)
{
    ASSERT_EQ(otlLogMemberAdded(host.ctx(), outline, market, outline->root, nullptr), OTL_OK);
    ASSERT_EQ(otlSetAddedDimensionText(host.ctx(), outline, "old text"), OTL_OK);
    sweep([&] { return otlSetAddedDimensionText(host.ctx(), outline, "new text"); }, 1);
    ASSERT_EQ(otlLogMemberDeleted(host.ctx(), outline, market), OTL_OK);
    sweep([&] { return otlSetDeletedDimensionText(host.ctx(), outline, "gone"); }, 1);
}
