// The hash table itself: the hash function, where an entry goes, growth in
// steps of 200 with failure injection, removal, and entering and removing
// an item's names.
#include "core/alloc.h"
#include "support/fixture.h"
#include "tree/builder.h"

#include <set>
#include <string>
#include <vector>

using test::addChild;
using test::addDim;
using test::makeItem;

class HashTable : public test::OutlineTest {
protected:
    const OtlHashBucket &bucket(const char *name) const
    {
        return o->nameHash->buckets[otlHashBucketOf(name)];
    }
    std::vector<std::string> namesIn(const char *name) const
    {
        std::vector<std::string> names;
        const OtlHashBucket &b = bucket(name);
        for (uint32_t i = 0; i < b.count; ++i)
            names.push_back(b.entries[i].name);
        return names;
    }
};

TEST(HashFunction, FoldsAsciiLettersAndSignsHighBytes)
{
    EXPECT_EQ(otlHashBucketOf("a"), 0x41u % 3313);
    EXPECT_EQ(otlHashBucketOf("A"), 0x41u % 3313);
    EXPECT_EQ(otlHashBucketOf("\xE9"), (static_cast<uint32_t>(-23) & 0xFFFF) % 3313);
    EXPECT_EQ(otlHashBucketOf("ab"), (65u * 31 + 66) % 3313);
    EXPECT_EQ(otlHashBucketOf("x\xE9"), ((88u * 31 - 23) & 0xFFFF) % 3313);
    EXPECT_EQ(otlHashBucketOf(""), 0u);
    EXPECT_EQ(otlHashBucketOf("Sales [1]"), otlHashBucketOf("SALES [1]"));
    // Only the low 16 bits of a long name's hash choose the bucket.
    uint32_t h = 0;
    for (const char *p = "a rather longer member name"; *p; ++p)
        h = h * 31 + static_cast<uint32_t>(*p >= 'a' && *p <= 'z' ? *p - 32 : *p);
    EXPECT_EQ(otlHashBucketOf("a rather longer member name"), (h & 0xFFFF) % 3313);
}

TEST_F(HashTable, CaseVariantsShareABucketAndAnEqualProbeTakesTheNewEntryInFront)
{
    OtlItem *dim = addDim(o, "Dim");
    OtlItem *a = addChild(o, dim, "sales");
    OtlItem *b = addChild(o, dim, "SALES");
    OtlItem *c = addChild(o, dim, "Sales");
    const OtlHashBucket &sales = bucket("sales");
    ASSERT_EQ(sales.count, 3u);
    EXPECT_EQ(sales.capacity, 200u);
    // The second lands on the first (probe 0); the third probes index 0 of
    // [SALES, sales] and goes in front of it.
    EXPECT_EQ(sales.entries[0].item, c);
    EXPECT_EQ(sales.entries[1].item, b);
    EXPECT_EQ(sales.entries[2].item, a);
    EXPECT_EQ(sales.entries[0].name, c->memberName); // points, never copies
}

TEST_F(HashTable, EntriesStaySortedWhateverTheInsertionOrder)
{
    // Names chosen to share one bucket: same length, permuted hash.
    OtlItem *dim = addDim(o, "Dim");
    std::vector<std::string> names;
    const uint32_t target = otlHashBucketOf("Dim");
    for (int i = 0; names.size() < 30; ++i) {
        std::string n = "m" + std::to_string(i);
        if (otlHashBucketOf(n.c_str()) == target)
            names.push_back(n);
    }
    std::vector<OtlItem *> items;
    for (const std::string &n : names)
        items.push_back(addChild(o, dim, n.c_str()));
    std::vector<std::string> in = namesIn("Dim");
    ASSERT_EQ(in.size(), 31u);
    for (size_t i = 1; i < in.size(); ++i)
        EXPECT_LE(otlCompareNoCase(host.ctx(), in[i - 1].c_str(), in[i].c_str()), 0) << i;
}

TEST_F(HashTable, FirstInsertionReservesTwoHundredAndTheTwoHundredthGrows)
{
    OtlItem *dim = addDim(o, "Same");
    std::vector<OtlItem *> items;
    for (int i = 0; i < 198; ++i)
        items.push_back(addChild(o, dim, "Same"));
    const OtlHashBucket &b = bucket("Same");
    EXPECT_EQ(b.count, 199u);
    EXPECT_EQ(b.capacity, 200u);
    EXPECT_EQ(host.blockSize(b.entries), 200 * sizeof(OtlHashEntry));

    // The 200th insertion grows; a failure leaves the bucket as it was.
    OtlItem *extra = makeItem(host.ctx(), "same");
    otlAddChildItem(dim, extra, 1);
    const std::string before = test::dumpOutline(o);
    const uint64_t points = test::sweepAllocations(
        host, [&] { return otlHashInsert(host.ctx(), o, extra, extra->memberName, 0); },
        [&](uint64_t n) { EXPECT_EQ(test::dumpOutline(o), before) << n; });
    EXPECT_EQ(points, 1u);
    EXPECT_EQ(b.count, 200u);
    EXPECT_EQ(b.capacity, 400u);
    EXPECT_EQ(host.blockSize(b.entries), 400 * sizeof(OtlHashEntry));
}

TEST_F(HashTable, RemovalTakesExactlyTheEntryOfItemTableAndName)
{
    OtlItem *dim = addDim(o, "Dim");
    OtlItem *a = addChild(o, dim, "Cola");
    OtlItem *b = addChild(o, dim, "COLA");
    b->aliases[0].alias = test::dupText(host.ctx(), "cola");
    ASSERT_EQ(otlHashInsert(host.ctx(), o, b, b->aliases[0].alias, 1), OTL_OK);
    const std::string before = test::dumpOutline(o);
    // Wrong item, wrong table, absent name: 1 and nothing changes.
    EXPECT_EQ(otlHashRemove(host.ctx(), o, dim, "Cola", 0), OTL_ERR_GENERIC);
    EXPECT_EQ(otlHashRemove(host.ctx(), o, a, "Cola", 1), OTL_ERR_GENERIC);
    EXPECT_EQ(otlHashRemove(host.ctx(), o, a, "Pepsi", 0), OTL_ERR_GENERIC);
    EXPECT_EQ(test::dumpOutline(o), before);

    EXPECT_EQ(otlHashRemove(host.ctx(), o, b, "cola", 1), OTL_OK);
    EXPECT_EQ(bucket("cola").count, 2u);
    EXPECT_EQ(otlHashRemove(host.ctx(), o, b, "cola", 1), OTL_ERR_GENERIC);
    EXPECT_EQ(bucket("cola").capacity, 200u); // never shrinks
    // Case-sensitive: the entry's name must match exactly.
    o->caseSensitive = 1;
    EXPECT_EQ(otlHashRemove(host.ctx(), o, a, "COLA", 0), OTL_ERR_GENERIC);
    EXPECT_EQ(otlHashRemove(host.ctx(), o, a, "Cola", 0), OTL_OK);
    EXPECT_EQ(otlHashAddItem(host.ctx(), o, a), OTL_OK);
}

namespace {

// An attribute member with a numeric value and a short name.
OtlItem *attributeMember(OtlOutline *o, OtlItem *parent, const char *name, const char *shortName)
{
    OtlItem *item = test::makeItem(o->host, name);
    otlAddChildItem(parent, item, 1);
    item->dimensionTag = OTL_TAG_ATTRIBUTE;
    item->attrValueType = OTL_ATTR_NUMERIC;
    item->attrLink.attrMember.attrShortName = test::dupText(o->host, shortName);
    return item;
}

void releaseShortName(OtlOutline *o, OtlItem *item)
{
    otl::hostFree(o->host, item->attrLink.attrMember.attrShortName);
    item->attrLink.attrMember.attrShortName = nullptr;
}

} // namespace

TEST_F(HashTable, AddItemEntersNameShortNameAndAliases)
{
    o->aliasTableCount = 3;
    o->attrSpecs.nameFormat = 1;
    OtlItem *sizes = addDim(o, "Sizes", OTL_TAG_ATTRIBUTE);
    OtlItem *m = attributeMember(o, sizes, "Sizes_12", "12");
    m->aliases[0].alias = test::dupText(host.ctx(), "Twelve");
    m->aliases[2].alias = test::dupText(host.ctx(), "Dozen");
    const std::string empty = test::dumpOutline(o);
    const uint64_t points = test::sweepAllocations(
        host, [&] { return otlHashAddItem(host.ctx(), o, m); },
        [&](uint64_t n) { EXPECT_EQ(test::dumpOutline(o), empty) << n; });
    std::set<uint32_t> fresh; // each new bucket is one allocation
    for (const char *n : {"Sizes_12", "12", "Twelve", "Dozen"})
        fresh.insert(otlHashBucketOf(n));
    fresh.erase(otlHashBucketOf("Sizes"));
    EXPECT_EQ(points, fresh.size());
    EXPECT_EQ(bucket("Sizes_12").count, 1u);
    EXPECT_EQ(bucket("12").entries[0].table, 0);
    EXPECT_EQ(bucket("Twelve").entries[0].table, 1);
    EXPECT_EQ(bucket("Dozen").entries[0].table, 3);

    // Removing mirrors adding, alias combinations included.
    OtlAliasCombo *combo = nullptr;
    ASSERT_EQ(otl::hostNew(host.ctx(), &combo), OTL_OK);
    combo->aliasText = test::dupText(host.ctx(), "Twelve Pack");
    m->aliases[0].combos = combo;
    ASSERT_EQ(otlHashInsert(host.ctx(), o, m, combo->aliasText, 1), OTL_OK);
    ASSERT_EQ(otlHashRemoveItem(host.ctx(), o, m), OTL_OK);
    for (const char *n : {"Sizes_12", "12", "Twelve", "Dozen", "Twelve Pack"})
        EXPECT_EQ(bucket(n).count, 0u) << n;
    EXPECT_EQ(otlHashRemoveItem(host.ctx(), o, m), OTL_ERR_GENERIC);
    releaseShortName(o, m);
}

TEST_F(HashTable, ShortNameOnlyForFormattedNonTextAttributeMembers)
{
    OtlItem *sizes = addDim(o, "Sizes", OTL_TAG_ATTRIBUTE);
    OtlItem *m = attributeMember(o, sizes, "Sizes_12", "12");
    struct Case {
        uint16_t format, valueType, tag;
        bool dimension, entered;
    } cases[] = {
        {1, OTL_ATTR_NUMERIC, OTL_TAG_ATTRIBUTE, false, true},
        {1, OTL_ATTR_DATE, OTL_TAG_ATTRIBUTE, false, true},
        {0, OTL_ATTR_NUMERIC, OTL_TAG_ATTRIBUTE, false, false},
        {1, OTL_ATTR_TEXT, OTL_TAG_ATTRIBUTE, false, false},
        {1, OTL_ATTR_NONE, OTL_TAG_ATTRIBUTE, false, false},
        {1, OTL_ATTR_NUMERIC, 0, false, false},
        {1, OTL_ATTR_NUMERIC, OTL_TAG_ATTRIBUTE, true, false},
    };
    for (const Case &c : cases) {
        o->attrSpecs.nameFormat = c.format;
        m->attrValueType = c.valueType;
        m->dimensionTag = c.tag;
        m->generation = c.dimension ? 1 : 2;
        ASSERT_EQ(otlHashAddItem(host.ctx(), o, m), OTL_OK);
        EXPECT_EQ(bucket("12").count, c.entered ? 1u : 0u) << c.format << "/" << c.valueType;
        ASSERT_EQ(otlHashRemoveItem(host.ctx(), o, m), OTL_OK);
        EXPECT_EQ(bucket("12").count + bucket("Sizes_12").count, 0u);
    }
    m->generation = 2;
    m->attrValueType = OTL_ATTR_NUMERIC;
    releaseShortName(o, m);
}

TEST_F(HashTable, SubtreeRemovalCoversTheChainAndAliasSlotRemovalOneTable)
{
    o->aliasTableCount = 2;
    OtlItem *year = addDim(o, "Year");
    OtlItem *q1 = addChild(o, year, "Q1");
    addChild(o, q1, "Jan");
    OtlItem *q2 = addChild(o, year, "Q2");
    q2->aliases[1].alias = test::dupText(host.ctx(), "Spring");
    ASSERT_EQ(otlHashInsert(host.ctx(), o, q2, q2->aliases[1].alias, 2), OTL_OK);
    addChild(o, q2, "Apr");

    EXPECT_EQ(otlHashRemoveAliasSlot(host.ctx(), o, q2, 1), OTL_OK);
    EXPECT_EQ(bucket("Spring").count, 0u);
    EXPECT_EQ(otlHashRemoveAliasSlot(host.ctx(), o, q2, 1), OTL_ERR_GENERIC);
    EXPECT_EQ(otlHashRemoveAliasSlot(host.ctx(), o, q2, 0), OTL_OK); // nothing in slot 0
    otl::hostFree(host.ctx(), q2->aliases[1].alias);
    q2->aliases[1].alias = nullptr;

    ASSERT_EQ(otlHashRemoveSubtree(host.ctx(), o, q1), OTL_OK);
    for (const char *n : {"Q1", "Jan", "Q2", "Apr"})
        EXPECT_EQ(bucket(n).count, 0u) << n;
    EXPECT_EQ(bucket("Year").count, 1u);
    EXPECT_EQ(otlHashRemoveSubtree(host.ctx(), o, nullptr), OTL_OK);
}

TEST_F(HashTable, ReservedRoomLetsLaterInsertionsAllocateNothing)
{
    OtlItem *dim = addDim(o, "Same");
    for (int i = 0; i < 150; ++i)
        addChild(o, dim, "Same");
    const OtlHashBucket &b = bucket("Same");
    ASSERT_EQ(b.count, 151u);
    const std::string before = test::dumpOutline(o);
    const uint64_t points = test::sweepAllocations(
        host, [&] { return otlHashReserve(host.ctx(), o, "SAME", 250); },
        [&](uint64_t n) { EXPECT_EQ(test::dumpOutline(o), before) << n; });
    EXPECT_EQ(points, 1u);
    EXPECT_EQ(b.capacity, 600u); // 151 + 250 + 1 rounded up to steps of 200
    const uint64_t allocations = host.allocations();
    for (int i = 0; i < 250; ++i) {
        OtlItem *item = makeItem(host.ctx(), "same");
        otlAddChildItem(dim, item, 1);
        const uint64_t made = host.allocations();
        ASSERT_EQ(otlHashInsert(host.ctx(), o, item, item->memberName, 0), OTL_OK);
        ASSERT_EQ(host.allocations(), made) << i;
    }
    EXPECT_GT(host.allocations(), allocations);
    EXPECT_EQ(b.capacity, 600u);
    EXPECT_EQ(otlHashReserve(host.ctx(), o, "Same", 0), OTL_OK);
}
