// The hash against a simple model: random inserts and removals of names
// that differ in case, accents and multibyte characters (UTF-8, locale 0).
// After every step each bucket is sorted, holds exactly the model's entries,
// lookups under both case rules return what a linear scan of the model
// says, and the shared enumeration visits exactly the shared entries in
// bucket order. SHROTL_RANDOM_ITERATIONS sets the steps (default 3000).
#include "core/host.h"
#include "support/fixture.h"
#include "tree/builder.h"

#include <algorithm>
#include <tuple>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

struct ModelEntry {
    OtlItem *item;
    uint16_t table;
    const char *name;
    bool operator<(const ModelEntry &other) const
    {
        return std::tie(item, table, name) < std::tie(other.item, other.table, other.name);
    }
    bool operator==(const ModelEntry &other) const
    {
        return item == other.item && table == other.table && name == other.name;
    }
};

std::vector<std::string> vocabulary()
{
    std::vector<std::string> words = {
        "cafe",  "Cafe",   "CAFE",    "café",   "CAFÉ",     "Café",  "cafè",   "straße",
        "STRASSE", "Straße", "strasse", "naïve", "NAÏVE",   "naive", "日本",   "日本語",
        "Ärger", "ärger",  "AERGER",  "Ω",      "ω",        "x",     "X",      "Σίσυφος",
        "ΣΊΣΥΦΟΣ", "ıi",   "İI"};
    // ASCII names that fall in the bucket of "cafe", so that one bucket
    // holds long runs and many distinct names.
    const uint32_t target = otlHashBucketOf("cafe");
    for (int i = 0; words.size() < 60; ++i) {
        std::string w = "w" + std::to_string(i);
        if (otlHashBucketOf(w.c_str()) == target) {
            words.push_back(w);
            std::string upper = w;
            upper[0] = 'W';
            words.push_back(upper);
        }
    }
    return words;
}

uint32_t iterations(uint32_t fallback)
{
    const char *env = std::getenv("SHROTL_RANDOM_ITERATIONS");
    return env ? static_cast<uint32_t>(std::strtoul(env, nullptr, 10)) : fallback;
}

} // namespace

class RandomHash : public test::HostTest {
protected:
    bool equal(const char *a, const char *b, bool caseSensitive) const
    {
        return (caseSensitive ? otlCompareCase(host.ctx(), a, b) : otlCompareNoCase(host.ctx(), a, b)) ==
               0;
    }

    void checkBuckets(OtlOutline *o, const std::multiset<ModelEntry> &model)
    {
        std::set<uint32_t> buckets;
        for (const ModelEntry &e : model)
            buckets.insert(otlHashBucketOf(e.name));
        uint32_t total = 0;
        for (uint32_t b = 0; b < OTL_HASH_BUCKETS; ++b) {
            const OtlHashBucket &bucket = o->nameHash->buckets[b];
            total += bucket.count;
            if (!bucket.count)
                continue;
            std::multiset<ModelEntry> actual, expected;
            for (uint32_t i = 0; i < bucket.count; ++i) {
                const OtlHashEntry &e = bucket.entries[i];
                actual.insert({e.item, e.table, e.name});
                ASSERT_EQ(otlHashBucketOf(e.name), b);
                if (i > 0) {
                    ASSERT_LE(otlCompareNoCase(host.ctx(), bucket.entries[i - 1].name, e.name), 0)
                        << "bucket " << b << " unsorted at " << i;
                }
            }
            for (const ModelEntry &e : model)
                if (otlHashBucketOf(e.name) == b)
                    expected.insert(e);
            ASSERT_TRUE(actual == expected) << "bucket " << b;
        }
        ASSERT_EQ(total, model.size());
    }

    void checkLookups(OtlOutline *o, const std::vector<std::string> &words,
                      const std::multiset<ModelEntry> &model)
    {
        for (uint8_t rule : {0, 1}) {
            o->caseSensitive = rule;
            for (const std::string &w : words) {
                const OtlHashBucket &bucket = o->nameHash->buckets[otlHashBucketOf(w.c_str())];
                // Which items the model says are acceptable, and the first of
                // them in the bucket's order by a plain linear scan.
                std::set<OtlItem *> acceptable;
                for (const ModelEntry &e : model)
                    if (otlHashBucketOf(e.name) == otlHashBucketOf(w.c_str()) && e.table == 0 &&
                        e.item->shareOption != OTL_SHARE_SHARED && equal(e.name, w.c_str(), rule))
                        acceptable.insert(e.item);
                OtlItem *first = nullptr;
                std::vector<int32_t> sharedAt;
                for (uint32_t i = 0; i < bucket.count; ++i) {
                    const OtlHashEntry &e = bucket.entries[i];
                    if (!equal(e.name, w.c_str(), rule))
                        continue;
                    if (!first && e.table == 0 && e.item->shareOption != OTL_SHARE_SHARED)
                        first = e.item;
                    if (e.item->shareOption == OTL_SHARE_SHARED)
                        sharedAt.push_back(static_cast<int32_t>(i));
                }
                OtlItem *found = nullptr;
                ASSERT_EQ(adShrOtlFindMember(o, w.c_str(), &found), OTL_OK);
                ASSERT_EQ(found != nullptr, !acceptable.empty()) << w << " rule " << +rule;
                ASSERT_EQ(found, first) << w << " rule " << +rule;

                OtlItem probe{};
                otl::copyText(probe.memberName, w.c_str(), sizeof probe.memberName);
                std::vector<int32_t> visited;
                int32_t position = -1;
                for (;;) {
                    OtlItem *next = nullptr;
                    ASSERT_EQ(adShrOtlGetNextSharedMemberUsingHash(o, &probe, &next, &position),
                              OTL_OK);
                    if (!next)
                        break;
                    ASSERT_EQ(next, bucket.entries[position].item);
                    visited.push_back(position++);
                }
                ASSERT_EQ(visited, sharedAt) << w << " rule " << +rule;
            }
        }
    }
};

TEST_F(RandomHash, AgreesWithAModelUnderBothCaseRules)
{
    OtlOutline *o = newOutline();
    o->aliasTableCount = 2;
    const std::vector<std::string> words = vocabulary();
    std::mt19937 random(77);
    // Items with a member name and, for some, an alias from the same words.
    std::vector<OtlItem *> items;
    for (int i = 0; i < 400; ++i) {
        OtlItem *item = test::makeItem(host.ctx(), words[random() % words.size()].c_str(),
                                       random() % 3 == 0 ? OTL_SHARE_SHARED : 0);
        if (random() % 4 == 0) {
            item->aliases[0].alias = test::dupText(host.ctx(), words[random() % words.size()].c_str());
        }
        otlAddChildItem(o->root, item, 0);
        items.push_back(item);
    }
    std::multiset<ModelEntry> model;
    const uint32_t steps = iterations(3000);
    for (uint32_t step = 0; step < steps; ++step) {
        OtlItem *item = items[random() % items.size()];
        const bool alias = item->aliases[0].alias && random() % 2;
        const ModelEntry e{item, static_cast<uint16_t>(alias ? 1 : 0),
                           alias ? item->aliases[0].alias : item->memberName};
        const bool present = model.count(e) != 0;
        if (!present || random() % 3 == 0) {
            // Insert when absent; sometimes a second time, as a duplicate.
            ASSERT_EQ(otlHashInsert(host.ctx(), o, item, e.name, e.table), OTL_OK);
            model.insert(e);
        } else {
            o->caseSensitive = random() % 2;
            ASSERT_EQ(otlHashRemove(host.ctx(), o, item, e.name, e.table), OTL_OK);
            model.erase(model.find(e));
        }
        OtlItem *stranger = items[random() % items.size()];
        if (!model.count({stranger, 0, stranger->memberName})) {
            ASSERT_EQ(otlHashRemove(host.ctx(), o, stranger, stranger->memberName, 0),
                      OTL_ERR_GENERIC);
        }
        checkBuckets(o, model);
        if (step % 10 == 0)
            checkLookups(o, words, model);
        if (HasFatalFailure()) {
            ADD_FAILURE() << "step " << step;
            break;
        }
    }
    adShrOtlCloseOutline(o);
}
