// The hash beyond the random hash model: the hash function, growth and
// reservation under failures, the order of equal names, each lookup filter,
// deleting shared copies, and entering and removing all names of an item.
#include "support/outline.h"

#include <algorithm>
#include <string>
#include <vector>

class Hash : public test::OutlineTest {
protected:
    void SetUp() override
    {
        OutlineTest::SetUp();
        o->aliasTableCount = 3;
        o->attrSpecs.nameFormat = 1;
        product = appendDim("Product");
        colas = append(product, "Colas");
        cola = append(colas, "Cola");
        diet = append(product, "Diet");
        copy1 = append(diet, "Cola", OTL_SHARE_SHARED);
        market = appendDim("Market");
        copy2 = append(market, "cola", OTL_SHARE_SHARED); // another case
        east = append(market, "East");
        west = append(market, "West");
        setAlias(east, 0, "Orient", true);
        setAlias(west, 2, "Orient", true);
        year = appendDim("Year");
        scenario = appendDim("Scenario");
        total = append(year, "Total");
        total2 = append(scenario, "total");
        sizes = appendDim("Sizes", OTL_TAG_ATTRIBUTE);
        twelve = attributeMember("Sizes_12", dup("12"));
        setAlias(twelve, 0, "Twelve");
        EXPECT_EQ(otlHashAddItem(host.ctx(), o, twelve), OTL_OK);
    }
    // An unhashed attribute member of Sizes with a numeric value.
    OtlItem *attributeMember(const std::string &name, char *shortName)
    {
        OtlItem *item = append(sizes, name.c_str(), 0, false);
        item->dimensionTag = OTL_TAG_ATTRIBUTE;
        item->attrValueType = OTL_ATTR_NUMERIC;
        item->attrLink.attrMember.attrShortName = shortName;
        return item;
    }
    const OtlHashBucket &bucket(const std::string &name) const
    {
        return o->nameHash->buckets[otlHashBucketOf(name.c_str())];
    }
    OtlItem *next(OtlItem *from)
    {
        OtlItem *r = sentinelItem();
        EXPECT_EQ(adShrOtlGetNextSharedMember(o, from, &r), OTL_OK);
        return r;
    }
    OtlItem *product, *colas, *cola, *diet, *copy1, *market, *copy2, *east, *west;
    OtlItem *year, *scenario, *total, *total2, *sizes, *twelve;
};

TEST(HashFunction, FoldsAsciiLettersAndSignsHighBytes)
{
    EXPECT_EQ(otlHashBucketOf("a"), 0x41u % 3313);
    EXPECT_EQ(otlHashBucketOf("A"), 0x41u % 3313);
    EXPECT_EQ(otlHashBucketOf("z"), 0x5Au % 3313);
    EXPECT_EQ(otlHashBucketOf("`{"), (0x60u * 31 + 0x7B) % 3313); // not letters
    EXPECT_EQ(otlHashBucketOf("\xE9"), (static_cast<uint32_t>(-23) & 0xFFFF) % 3313);
    EXPECT_EQ(otlHashBucketOf("\x7F"), 0x7Fu);
    EXPECT_EQ(otlHashBucketOf("ab"), (65u * 31 + 66) % 3313);
    EXPECT_EQ(otlHashBucketOf("x\xE9"), ((88u * 31 - 23) & 0xFFFF) % 3313);
    EXPECT_EQ(otlHashBucketOf(""), 0u);
    EXPECT_EQ(otlHashBucketOf("zzzz"), (90u * 30784 & 0xFFFF) % 3313); // low 16 bits only
}

TEST_F(Hash, BucketsGrowInStepsOfTwoHundredAndReservedRoomAllocatesNothing)
{
    OtlItem *dim = appendDim("Same");
    for (int i = 0; i < 198; ++i)
        append(dim, "Same");
    const OtlHashBucket &b = bucket("Same");
    EXPECT_EQ(host.blockSize(b.entries), 200 * sizeof(OtlHashEntry));
    // Each operation grows once or, failing, changes nothing.
    auto grows = [&](auto operation) {
        const std::string before = dump() + std::to_string(b.capacity);
        return test::sweepAllocations(host, operation, [&](uint64_t n) {
            EXPECT_EQ(dump() + std::to_string(b.capacity), before) << n;
        });
    };
    // Room for one more: 199 + 1 + 1 is past 200.
    EXPECT_EQ(grows([&] { return otlHashReserve(host.ctx(), o, "SAME", 1); }), 1u);
    EXPECT_EQ(host.blockSize(b.entries), 400 * sizeof(OtlHashEntry));
    uint64_t allocations = host.allocations();
    for (int i = 0; i < 200; ++i)
        append(dim, "same");
    EXPECT_EQ(host.allocations(), allocations + 200); // the items only
    // The 400th entry grows the bucket.
    OtlItem *extra = append(dim, "same", 0, false);
    EXPECT_EQ(grows([&] { return otlHashInsert(host.ctx(), o, extra, extra->memberName, 0); }), 1u);
    EXPECT_EQ(b.capacity, 600u);
    // Room for 200 more: 400 + 200 + 1 rounded up to steps of 200.
    EXPECT_EQ(grows([&] { return otlHashReserve(host.ctx(), o, "Same", 200); }), 1u);
    EXPECT_EQ(b.capacity, 800u);
    allocations = host.allocations();
    EXPECT_EQ(otlHashReserve(host.ctx(), o, "Same", 0), OTL_OK);
    EXPECT_EQ(otlHashReserve(host.ctx(), o, "Same", 399), OTL_OK); // fits exactly
    EXPECT_EQ(host.allocations(), allocations);
    EXPECT_EQ(otlHashReserve(host.ctx(), o, "Same", 599), OTL_OK); // 200 short: one step
    EXPECT_EQ(b.capacity, 1000u);
}

TEST_F(Hash, EachFilterOfTheGeneralLookup)
{
    const struct {
        const char *name, *parent;
        bool members, aliases;
        uint16_t table;
        OtlItem *dimension, *expected;
    } cases[] = {
        {nullptr, nullptr, true, false, 0, nullptr, nullptr},
        // Shared members only through a parent name; no parent name finds
        // the universe member.
        {"Cola", nullptr, true, false, 0, nullptr, cola},
        {"Cola", "Diet", true, false, 0, nullptr, copy1},
        {"Cola", "colas", true, false, 0, nullptr, cola},
        {"Cola", "Product", true, false, 0, nullptr, nullptr},
        {"Product", "Database (undefined)", true, false, 0, nullptr, nullptr},
        {"Product", "Quorvel Universe Member", true, false, 0, nullptr, nullptr},
        // Aliases by table; table 0 is any table and accepts member names
        // even with the member switch off.
        {"Orient", nullptr, false, true, 3, nullptr, west},
        {"Orient", nullptr, false, true, 1, nullptr, east},
        {"Orient", nullptr, false, true, 2, nullptr, nullptr},
        {"Orient", nullptr, false, true, 0, nullptr, west}, // the latest entered first
        {"East", nullptr, false, true, 0, nullptr, east},
        {"East", nullptr, false, true, 1, nullptr, nullptr},
        {"East", nullptr, false, false, 0, nullptr, nullptr},
        {"Orient", "Market", false, true, 3, nullptr, west},
        {"Orient", "Market", true, false, 0, nullptr, nullptr},
        // Attribute members: by full name (whatever the switch) or alias,
        // never by the short name alone.
        {"Sizes_12", nullptr, true, false, 0, nullptr, twelve},
        {"Sizes_12", nullptr, false, false, 0, nullptr, twelve},
        {"Sizes_12", "Sizes", true, false, 0, nullptr, twelve},
        {"12", nullptr, true, false, 0, nullptr, nullptr},
        {"12", nullptr, true, true, 0, nullptr, nullptr},
        {"Twelve", nullptr, true, false, 0, nullptr, nullptr},
        {"Twelve", nullptr, false, true, 1, nullptr, twelve},
        {"Twelve", nullptr, false, true, 2, nullptr, nullptr},
        // Only members of the dimension given.
        {"Total", nullptr, true, false, 0, scenario, total2},
        {"Total", nullptr, true, false, 0, year, total},
        {"Year", nullptr, true, false, 0, year, year},
        {"Year", nullptr, true, false, 0, scenario, nullptr},
    };
    for (const auto &c : cases) {
        OtlItem *r = sentinelItem();
        EXPECT_EQ(otlHashLookup(host.ctx(), o, c.name, c.parent, c.members, c.aliases, c.table,
                                c.dimension, &r),
                  OTL_OK);
        EXPECT_EQ(r, c.expected) << &c - cases;
    }
    // adShrOtlFindMember knows the universe member by a fixed name only.
    EXPECT_EQ(find("quorvel universe member"), o->root);
    EXPECT_EQ(find("Database (undefined)"), nullptr);
    EXPECT_EQ(find(nullptr), nullptr);
}

TEST_F(Hash, CaseVariantsShareABucketTheLatestEnteredFirstAndTheWalksVisitSharedCopies)
{
    // Cola, Cola, cola: the second lands on the first (probe 0), the third
    // probes index 0 of the run and goes in front of it.
    const OtlHashBucket &run = bucket("COLA");
    ASSERT_EQ(run.count, 3u);
    EXPECT_EQ(run.entries[0].item, copy2);
    EXPECT_EQ(run.entries[1].item, copy1);
    EXPECT_EQ(run.entries[2].item, cola);
    EXPECT_EQ(run.entries[0].name, copy2->memberName); // points, never copies
    // The tree walk goes in pre-order.
    EXPECT_EQ((std::vector<OtlItem *>{next(cola), next(copy1), next(copy2), next(nullptr)}),
              (std::vector<OtlItem *>{copy1, copy2, nullptr, nullptr}));
    o->caseSensitive = 1;
    EXPECT_TRUE(next(cola) == copy1 && next(copy1) == nullptr); // "cola" differs now
    o->fieldAccessMode = 1;
    OtlItem *r = sentinelItem();
    int32_t position = -1;
    EXPECT_EQ(adShrOtlGetNextSharedMember(o, cola, &r), OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(adShrOtlGetNextSharedMemberUsingHash(o, cola, &r, &position), OTL_ERR_ACCESS_MODE);
    EXPECT_TRUE(r == sentinelItem() && position == -1);
}

TEST_F(Hash, ADeleteTakesEveryCopyOfItsSubtreeAndLogsOnlyTheMember)
{
    append(colas, "Cans");
    append(market, "Cans", OTL_SHARE_SHARED);
    append(colas, "Cans", OTL_SHARE_SHARED); // a copy inside the subtree itself
    append(market, "Colas", OTL_SHARE_SHARED);
    append(diet, "Diet Cola");
    append(market, "Diet Cola", OTL_SHARE_SHARED); // outside the subtree: stays
    // A label-only member whose one child would go as a copy refuses the
    // delete; that copy, entered last, is the first entry of its bucket.
    OtlItem *pack = append(market, "Pack", OTL_SHARE_LABEL_ONLY);
    append(pack, "Cans", OTL_SHARE_SHARED);
    EXPECT_EQ(adShrOtlDeleteMember(o, colas, OTL_CHECK_ALL), OTL_ERR_RULE_LABEL_ONLY);
    append(pack, "Loose");
    o->changeLogEnabled = 1;
    ASSERT_EQ(adShrOtlDeleteMember(o, colas, OTL_CHECK_ALL), OTL_OK);
    const std::string all = dump(), left = all.substr(0, all.find("\nchange")); // the log names Colas
    for (const char *gone : {"\"Cola\"", "\"Cans\"", "\"Colas\""})
        EXPECT_EQ(left.find(gone), std::string::npos) << gone;
    EXPECT_EQ(sharedCopies(find("Diet Cola")).size(), 1u);
    EXPECT_EQ(test::logLength(o), 1u);
    EXPECT_EQ(test::hashProblems(o), "");
}

// A failure at any allocation takes back the names and arrays entered so far.
// The short name goes in by name format, value type, tag and generation.
TEST_F(Hash, AddItemEntersNameShortNameAndAliasesOrNothing)
{
    const struct {
        uint16_t format, valueType, tag;
        bool dimension;
        const char *shortName; // a non-empty one is made unique per row
        bool entered;
    } cases[] = {
        {1, OTL_ATTR_NUMERIC, OTL_TAG_ATTRIBUTE, false, "x", true},
        {1, OTL_ATTR_DATE, OTL_TAG_ATTRIBUTE, false, "x", true},
        {1, OTL_ATTR_BOOLEAN, OTL_TAG_ATTRIBUTE, false, "x", true},
        {0, OTL_ATTR_NUMERIC, OTL_TAG_ATTRIBUTE, false, "x", false},
        {1, OTL_ATTR_TEXT, OTL_TAG_ATTRIBUTE, false, "x", false},
        {1, OTL_ATTR_NONE, OTL_TAG_ATTRIBUTE, false, "x", false},
        {1, OTL_ATTR_NUMERIC, 0, false, "x", false},
        {1, OTL_ATTR_NUMERIC, OTL_TAG_ATTRIBUTE, true, "x", false},
        {1, OTL_ATTR_NUMERIC, OTL_TAG_ATTRIBUTE, false, "", false},
        {1, OTL_ATTR_NUMERIC, OTL_TAG_ATTRIBUTE, false, nullptr, false},
    };
    // A bucket emptied earlier keeps its array through a failed entry.
    ASSERT_EQ(otlHashInsert(host.ctx(), o, twelve, "Sizes_0", 0), OTL_OK);
    ASSERT_EQ(otlHashRemove(host.ctx(), o, twelve, "Sizes_0", 0), OTL_OK);
    for (const auto &c : cases) {
        const std::string n = std::to_string(&c - cases);
        char *shortName = c.shortName ? dup((n + "x").c_str()) : nullptr;
        if (c.shortName && !*c.shortName)
            shortName[0] = '\0'; // no empty copies from dup
        OtlItem *m = attributeMember("Sizes_" + n, shortName);
        o->attrSpecs.nameFormat = c.format;
        m->attrValueType = c.valueType;
        m->dimensionTag = c.tag;
        m->generation = c.dimension ? 1 : 2;
        setAlias(m, 0, ("One " + n).c_str());
        setAlias(m, 2, ("Three " + n).c_str());
        setAlias(m, 3, "Beyond the tables"); // no table 4: never entered
        std::vector<std::string> names{"Sizes_" + n, "One " + n + "@1", "Three " + n + "@3"};
        if (c.entered)
            names.push_back(n + "x");
        std::sort(names.begin(), names.end());
        const std::string before = dump();
        const size_t blocks = host.liveBlocks();
        test::sweepAllocations(
            host, [&] { return otlHashAddItem(host.ctx(), o, m); },
            [&](uint64_t k) {
                EXPECT_EQ(dump(), before) << n << " " << k;
                EXPECT_EQ(host.liveBlocks(), blocks) << n << " " << k;
            });
        EXPECT_EQ(test::entriesOf(o, m), names) << n;
        // Removing mirrors adding, alias combinations (one without a text) too.
        addCombo(m, 0, ("Pack " + n).c_str(), "Sizes");
        addCombo(m, 0, "", "Sizes");
        addCombo(m, 0, ("Box " + n).c_str(), "Sizes");
        for (OtlAliasCombo *combo = m->aliases[0].combos; combo; combo = combo->next)
            ASSERT_EQ(combo->aliasText ? otlHashInsert(host.ctx(), o, m, combo->aliasText, 1) : 0,
                      OTL_OK);
        ASSERT_EQ(otlHashRemoveItem(host.ctx(), o, m), OTL_OK);
        EXPECT_TRUE(test::entriesOf(o, m).empty()) << n;
        EXPECT_EQ(otlHashRemoveItem(host.ctx(), o, m), OTL_ERR_GENERIC);
        m->dimensionTag = OTL_TAG_ATTRIBUTE; // as released
        m->generation = 2;
        otlReleaseAliasSlot(host.ctx(), &m->aliases[3]);
    }
}

TEST_F(Hash, SubtreeRemovalCoversTheChainAndAliasSlotRemovalOneTable)
{
    OtlItem *q1 = append(year, "Q1");
    append(q1, "Jan");
    OtlItem *q2 = append(year, "Q2");
    setAlias(q2, 1, "Spring", true);
    append(q2, "Apr");
    EXPECT_EQ(otlHashRemoveAliasSlot(host.ctx(), o, q2, 1), OTL_OK);
    EXPECT_EQ(bucket("Spring").count, 0u);
    EXPECT_EQ(otlHashRemoveAliasSlot(host.ctx(), o, q2, 1), OTL_ERR_GENERIC);
    EXPECT_EQ(otlHashRemoveAliasSlot(host.ctx(), o, q2, 0), OTL_OK); // nothing in slot 0
    EXPECT_EQ(otlHashRemoveAliasSlot(host.ctx(), o, q2, OTL_MAX_ALIAS_TABLES), OTL_ERR_GENERIC);
    otlReleaseAliasSlot(host.ctx(), &q2->aliases[1]);

    // The chain from Q1: Q1, Jan, Q2, Apr; not Total before it.
    ASSERT_EQ(otlHashRemoveSubtree(host.ctx(), o, q1), OTL_OK);
    for (const char *name : {"Q1", "Jan", "Q2", "Apr"})
        EXPECT_EQ(bucket(name).count, 0u) << name;
    EXPECT_EQ(bucket("Total").count, 2u);
    EXPECT_EQ(find("Year"), year);
    EXPECT_EQ(otlHashRemoveSubtree(host.ctx(), o, nullptr), OTL_OK);
}
