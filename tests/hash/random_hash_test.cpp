// The hash against a model: random inserts and removals of names differing
// in case, accents and multibyte characters, and whole items entered (some
// failing) and taken out. Buckets are checked after every step; lookups and
// the shared enumeration, under both case rules, every tenth.
#include "core/host.h"
#include "support/outline.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Entry = std::tuple<OtlItem *, uint16_t, const char *>; // item, table, name

std::vector<std::string> vocabulary()
{
    std::vector<std::string> words = {
        "cafe",  "Cafe",   "CAFE",    "café",   "CAFÉ",     "Café",  "cafè",   "straße",
        "STRASSE", "Straße", "strasse", "naïve", "NAÏVE",   "naive", "日本",   "日本語",
        "Ärger", "ärger",  "AERGER",  "Ω",      "ω",        "x",     "X",      "Σίσυφος",
        "ΣΊΣΥΦΟΣ", "ıi",   "İI"};
    // More names in the bucket of "cafe", so that it grows past 200 entries
    // and holds long runs and sort keys known only in part.
    for (int i = 0; words.size() < 72; ++i) {
        for (const char *stem : {"w", "waterfall", "café", "waterfallé", "cafeé"}) {
            const std::string w = stem + std::to_string(i);
            if (otlHashBucketOf(w.c_str()) == otlHashBucketOf("cafe")) {
                words.push_back(w);
                words.push_back(static_cast<char>(w[0] - 32) + w.substr(1));
            }
        }
    }
    return words;
}

// The entries otlHashAddItem makes for an item, in its order.
std::vector<Entry> namesOf(OtlItem *item)
{
    std::vector<Entry> names{{item, 0, item->memberName}};
    if (item->aliases[0].alias)
        names.emplace_back(item, 1, item->aliases[0].alias);
    return names;
}

} // namespace

class RandomHash : public test::OutlineTest {
protected:
    void checkBuckets()
    {
        std::map<uint32_t, std::multiset<Entry>> expected;
        for (const Entry &e : model)
            expected[otlHashBucketOf(std::get<2>(e))].insert(e);
        uint32_t total = 0;
        for (uint32_t b = 0; b < OTL_HASH_BUCKETS; ++b) {
            const OtlHashBucket &bucket = o->nameHash->buckets[b];
            ASSERT_EQ(bucket.entries != nullptr, bucket.capacity > 0) << "bucket " << b;
            ASSERT_GE(bucket.capacity, capacities[b]) << "bucket " << b << " shrank";
            // Steps of 200, always a free slot once made.
            ASSERT_TRUE(bucket.capacity % 200 == 0 &&
                        (!bucket.capacity || bucket.capacity > bucket.count))
                << "bucket " << b;
            capacities[b] = bucket.capacity;
            total += bucket.count;
            if (!bucket.count)
                continue;
            std::multiset<Entry> actual;
            for (uint32_t i = 0; i < bucket.count; ++i) {
                const OtlHashEntry &e = bucket.entries[i];
                actual.emplace(e.item, e.table, e.name);
                const otl::HashProbe key = otl::hashProbe(host.ctx(), e.name); // the cached key
                ASSERT_TRUE(e.key[0] == key.key[0] && e.key[1] == key.key[1] &&
                            e.keyKnown == key.keyKnown)
                    << "bucket " << b << " key at " << i;
                ASSERT_TRUE(i == 0 || otlCompareNoCase(host.ctx(), bucket.entries[i - 1].name,
                                                       e.name) <= 0)
                    << "bucket " << b << " unsorted at " << i;
            }
            ASSERT_TRUE(actual == expected[b]) << "bucket " << b;
        }
        ASSERT_EQ(total, model.size());
    }

    void checkLookups(const std::vector<std::string> &words)
    {
        for (uint8_t rule : {0, 1}) {
            o->caseSensitive = rule;
            for (const std::string &w : words) {
                const OtlHashBucket &bucket = o->nameHash->buckets[otlHashBucketOf(w.c_str())];
                OtlItem *first = nullptr;
                std::vector<int32_t> sharedAt;
                for (uint32_t i = 0; i < bucket.count; ++i) {
                    const OtlHashEntry &e = bucket.entries[i];
                    if (!otl::namesEqual(o, e.name, w.c_str()))
                        continue;
                    if (e.item->shareOption == OTL_SHARE_SHARED)
                        sharedAt.push_back(static_cast<int32_t>(i));
                    else if (!first && e.table == 0)
                        first = e.item;
                }
                ASSERT_EQ(find(w.c_str()), first) << w << " rule " << +rule;

                OtlItem probe{};
                otl::copyText(probe.memberName, w.c_str(), sizeof probe.memberName);
                std::vector<int32_t> visited;
                for (int32_t position = -1;; ++position) {
                    OtlItem *next = nullptr;
                    ASSERT_EQ(adShrOtlGetNextSharedMemberUsingHash(o, &probe, &next, &position),
                              OTL_OK);
                    if (!next)
                        break;
                    ASSERT_EQ(next, bucket.entries[position].item);
                    visited.push_back(position);
                }
                ASSERT_EQ(visited, sharedAt) << w << " rule " << +rule;
                // Past the end, or outside the run: nothing, position kept.
                for (int32_t start : {static_cast<int32_t>(bucket.count), 100000, -2}) {
                    OtlItem *next = &probe;
                    int32_t position = start;
                    ASSERT_EQ(adShrOtlGetNextSharedMemberUsingHash(o, &probe, &next, &position),
                              OTL_OK);
                    ASSERT_TRUE(next == nullptr && position == start) << w << " from " << start;
                }
            }
        }
    }

    OtlItem *newItem(const std::string &name, const std::string &alias, bool shared)
    {
        OtlItem *item = test::makeItem(host.ctx(), name.c_str(), shared ? OTL_SHARE_SHARED : 0);
        if (!alias.empty())
            item->aliases[0].alias = dup(alias.c_str());
        otlAddChildItem(o->root, item, 0);
        return item;
    }

    std::multiset<Entry> model;
    std::vector<uint32_t> capacities = std::vector<uint32_t>(OTL_HASH_BUCKETS);
};

TEST_F(RandomHash, AgreesWithAModelUnderBothCaseRules)
{
    o->aliasTableCount = 2;
    const std::vector<std::string> words = vocabulary();
    std::mt19937 random(77);
    auto word = [&] { return words[random() % words.size()]; };
    // Items with a member name and, for some, an alias from the same words.
    std::vector<OtlItem *> items;
    for (int i = 0; i < 400; ++i)
        items.push_back(newItem(word(), random() % 4 ? "" : word(), random() % 3 == 0));
    const uint64_t steps = test::iterations();
    for (uint64_t step = 0; step < steps; ++step) {
        OtlItem *item = items[random() % items.size()];
        const uint32_t op = random() % 16;
        if (op == 0) {
            // A new item, often in fresh buckets: a failure takes back all.
            const std::string fresh = "u" + std::to_string(step);
            items.push_back(item = newItem(random() % 2 ? fresh : word(),
                                           random() % 2 ? "v" + fresh : "", random() % 3 == 0));
            const size_t blocks = host.liveBlocks();
            host.failAt(1 + random() % 3);
            const OtlStatus status = otlHashAddItem(host.ctx(), o, item);
            const bool failed = host.injected();
            host.disarm();
            ASSERT_EQ(status, failed ? test::kInjected : OTL_OK);
            if (failed) {
                ASSERT_EQ(host.liveBlocks(), blocks) << "step " << step;
            } else {
                for (const Entry &e : namesOf(item))
                    model.insert(e);
            }
        } else if (op == 1) {
            // Out whole: names in order, ending at the first one missing.
            OtlStatus expected = OTL_OK;
            for (const Entry &e : namesOf(item)) {
                if (!model.count(e)) {
                    expected = OTL_ERR_GENERIC;
                    break;
                }
                model.erase(model.find(e));
            }
            ASSERT_EQ(otlHashRemoveItem(host.ctx(), o, item), expected) << "step " << step;
        } else {
            const bool alias = item->aliases[0].alias && random() % 2;
            const Entry own{item, alias ? 1 : 0, alias ? item->aliases[0].alias : item->memberName};
            if (!model.count(own) || random() % 3 == 0) {
                // Insert when absent; sometimes a second time, as a duplicate.
                ASSERT_EQ(otlHashInsert(host.ctx(), o, item, std::get<2>(own), std::get<1>(own)),
                          OTL_OK);
                model.insert(own);
            } else {
                // Remove by the own name or any word: only an entry of that
                // item and table, equal under the case rule, goes.
                o->caseSensitive = random() % 2;
                const uint16_t table = random() % 4 ? std::get<1>(own) : random() % 3;
                const std::string w = random() % 2 ? std::get<2>(own) : word();
                const auto match = std::find_if(model.begin(), model.end(), [&](const Entry &e) {
                    return std::get<0>(e) == item && std::get<1>(e) == table &&
                           otlHashBucketOf(std::get<2>(e)) == otlHashBucketOf(w.c_str()) &&
                           otl::namesEqual(o, std::get<2>(e), w.c_str());
                });
                ASSERT_EQ(otlHashRemove(host.ctx(), o, item, w.c_str(), table),
                          match == model.end() ? OTL_ERR_GENERIC : OTL_OK)
                    << "step " << step << ": " << w;
                if (match != model.end())
                    model.erase(match);
            }
        }
        checkBuckets();
        if (step % 10 == 0)
            checkLookups(words);
        if (HasFatalFailure()) {
            ADD_FAILURE() << "step " << step;
            break;
        }
    }
}
