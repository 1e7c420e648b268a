/*
 * The member-name hash table: its lifetime, the hash function, entering and
 * removing names, and the deletion of shared copies found through it.
 *
 * Invariants: every bucket is sorted by the case-insensitive comparison; an
 * entry points at a text owned by its item (or the item's alias records);
 * bucket arrays grow in steps of 200 entries and never shrink. A failed
 * insertion leaves its bucket exactly as it was, and otlHashAddItem takes
 * back the names it had entered before a failure.
 */
#include "alloc.h"
#include "hash.h"
#include "journal.h"
#include "host.h"
#include "tree.h"

#include "gcharset.h"

#include <assert.h>
#include <string.h>

OtlStatus otlHashCreate(const OtlHostContext *host, OtlNameHash **hash)
{
    return otl::hostNew(host, hash);
}

void otlHashRelease(const OtlHostContext *host, OtlNameHash *hash)
{
    if (!hash)
        return;
    for (OtlHashBucket &bucket : hash->buckets)
        otl::hostRelease(host, &bucket.entries);
    otl::hostFree(host, hash);
}

// Only ASCII letters are folded: bytes of multibyte characters enter as
// signed values, so the bucket of a name never depends on the locale.
uint32_t otlHashBucketOf(const char *name)
{
    uint32_t h = 0;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(name); *p; ++p) {
        int32_t v;
        if (*p < 0x80)
            v = (*p >= 'a' && *p <= 'z') ? *p - ('a' - 'A') : *p;
        else
            v = static_cast<int32_t>(*p) - 256;
        h = h * 31u + static_cast<uint32_t>(v);
    }
    return (h & 0xFFFFu) % OTL_HASH_BUCKETS;
}

namespace otl {

HashProbe hashProbe(const OtlHostContext *host, const char *name)
{
    HashProbe probe{name, {0, 0}, 0};
    uint32_t known = 0;
    GCSortKeyPrefix(host->localeHandle, name, GC_CMP_NOCASE, probe.key, &known);
    probe.keyKnown = static_cast<uint8_t>(known);
    return probe;
}

int32_t compareEntry(const OtlHostContext *host, const OtlHashEntry &entry, const HashProbe &probe)
{
    for (uint32_t word = 0; word < 2; ++word) {
        const uint64_t differ = entry.key[word] ^ probe.key[word];
        if (!differ)
            continue;
        const uint32_t unit = word * 8 + static_cast<uint32_t>(__builtin_clzll(differ)) / 8;
        if (unit < entry.keyKnown && unit < probe.keyKnown)
            return entry.key[word] < probe.key[word] ? -1 : 1;
        return otlCompareNoCase(host, entry.name, probe.name);
    }
    if (entry.keyKnown == 16 && probe.keyKnown == 16 && (probe.key[1] & 0xFF) == 0)
        return 0; // both names ended within the key
    return otlCompareNoCase(host, entry.name, probe.name);
}

uint32_t hashRunStart(const OtlHostContext *host, const OtlHashBucket &bucket,
                      const HashProbe &probe)
{
    uint32_t low = 0;
    uint32_t high = bucket.count;
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        if (compareEntry(host, bucket.entries[middle], probe) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

uint32_t hashRunStart(const OtlHostContext *host, const OtlHashBucket &bucket, const char *name)
{
    return hashRunStart(host, bucket, hashProbe(host, name));
}

// Where a new entry goes: an equal probe takes the new entry in front of
// it; otherwise the last probe decides before or after. The rule fixes the
// order of equal names, which enumeration through the hash reports. Below
// an equal probe the search goes on for the start of the run; with no equal
// entry the run would start where the entry goes.
HashPlace hashPlace(const OtlHostContext *host, const OtlOutline *outline, const char *name)
{
    HashPlace place{hashProbe(host, name), otlHashBucketOf(name), 0, 0};
    const OtlHashBucket &bucket = outline->nameHash->buckets[place.bucket];
    int64_t low = 0;
    int64_t high = static_cast<int64_t>(bucket.count) - 1;
    while (low <= high) {
        const int64_t probeAt = (low + high) / 2;
        const int32_t order = compareEntry(host, bucket.entries[probeAt], place.probe);
        if (order == 0) {
            place.position = static_cast<uint32_t>(probeAt);
            uint32_t first = static_cast<uint32_t>(low);
            uint32_t last = place.position; // equal: the run starts at or before it
            while (first < last) {
                const uint32_t middle = first + (last - first) / 2;
                if (compareEntry(host, bucket.entries[middle], place.probe) < 0)
                    first = middle + 1;
                else
                    last = middle;
            }
            place.runStart = first;
            return place;
        }
        if (order > 0)
            high = probeAt - 1;
        else
            low = probeAt + 1;
    }
    place.position = place.runStart = static_cast<uint32_t>(low);
    return place;
}

} // namespace otl

namespace {

OtlHashBucket &bucketOf(OtlOutline *outline, const char *name)
{
    return outline->nameHash->buckets[otlHashBucketOf(name)];
}

// An attribute member is also hashed under its short name when the
// specifications give attribute members formatted names and its value is
// numeric, boolean or a date.
const char *shortNameOf(const OtlOutline *outline, const OtlItem *item)
{
    if (outline->attrSpecs.nameFormat == OTL_NAME_FORMAT_NONE ||
        item->dimensionTag != OTL_TAG_ATTRIBUTE || item->generation == 1 ||
        item->attrValueType == OTL_ATTR_NONE || item->attrValueType == OTL_ATTR_TEXT)
        return nullptr;
    const char *name = item->attrLink.attrMember.attrShortName;
    return name && name[0] ? name : nullptr;
}

uint16_t tableCount(const OtlOutline *outline)
{
    return outline->aliasTableCount < OTL_MAX_ALIAS_TABLES ? outline->aliasTableCount
                                                           : OTL_MAX_ALIAS_TABLES;
}

} // namespace

OtlStatus otlHashInsert(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                        const char *name, uint16_t table)
{
    return otl::hashInsertAt(host, outline, item, name, table, otl::hashPlace(host, outline, name));
}

namespace {

// Writes an entry at `position`, moving the later ones up; the bucket has
// room for it.
void enterAt(OtlHashBucket &bucket, uint32_t position, OtlItem *item, const char *name,
             uint16_t table, const otl::HashProbe &probe)
{
    memmove(static_cast<void *>(&bucket.entries[position + 1]),
            static_cast<const void *>(&bucket.entries[position]),
            (bucket.count - position) * sizeof(OtlHashEntry));
    OtlHashEntry &entry = bucket.entries[position];
    entry.item = item;
    entry.table = table;
    entry.name = name;
    entry.key[0] = probe.key[0];
    entry.key[1] = probe.key[1];
    entry.keyKnown = probe.keyKnown;
    bucket.count++;
}

} // namespace

OtlStatus otl::hashInsertAt(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                            const char *name, uint16_t table, const HashPlace &place)
{
    assert(strcmp(name, place.probe.name) == 0);
    OtlHashBucket &bucket = outline->nameHash->buckets[place.bucket];
    assert(place.position <= bucket.count);
    if (bucket.capacity <= bucket.count + 1) {
        OtlStatus status = otl::hostResizeArray(host, &bucket.entries, bucket.capacity,
                                                static_cast<uint64_t>(bucket.capacity) + kHashGrowth);
        if (status != OTL_OK)
            return status;
        bucket.capacity += kHashGrowth;
    }
    enterAt(bucket, place.position, item, name, table, place.probe);
    return OTL_OK;
}

uint32_t otlHashCountShared(const OtlOutline *outline, const char *name)
{
    uint32_t count = 0;
    OtlItem *item = nullptr;
    for (int32_t at = otlHashFindShared(outline, name, -1, &item); at >= 0;
         at = otlHashFindShared(outline, name, at + 1, &item))
        ++count;
    return count;
}

// An insertion grows its bucket while capacity <= count + 1, so `additional`
// insertions fit without growth once capacity > count + additional.
OtlStatus otlHashReserve(const OtlHostContext *host, OtlOutline *outline, const char *name,
                         uint32_t additional)
{
    OtlHashBucket &bucket = bucketOf(outline, name);
    const uint64_t needed = static_cast<uint64_t>(bucket.count) + additional + 1;
    if (additional == 0 || bucket.capacity >= needed)
        return OTL_OK;
    const uint64_t steps = (needed - bucket.capacity + kHashGrowth - 1) / kHashGrowth;
    const uint64_t capacity = bucket.capacity + steps * kHashGrowth;
    if (capacity > UINT32_MAX)
        return otl::kStatusTooLarge;
    OtlStatus status = otl::hostResizeArray(host, &bucket.entries, bucket.capacity, capacity);
    if (status != OTL_OK)
        return status;
    bucket.capacity = static_cast<uint32_t>(capacity);
    return OTL_OK;
}

namespace {

// The index of the item's entry for `name` in table `table`: with `exact`,
// only the entry that points at this very text; otherwise any whose text is
// equal under the outline's case rule. -1 when there is none.
int32_t findEntry(OtlOutline *outline, const OtlHashBucket &bucket, OtlItem *item,
                  const char *name, uint16_t table, bool exact)
{
    const OtlHostContext *host = outline->host;
    const otl::HashProbe probe = otl::hashProbe(host, name);
    for (uint32_t i = otl::hashRunStart(host, bucket, probe);
         i < bucket.count && otl::compareEntry(host, bucket.entries[i], probe) == 0; ++i) {
        const OtlHashEntry &entry = bucket.entries[i];
        if (entry.item == item && entry.table == table &&
            (exact ? entry.name == name : otl::namesEqual(outline, entry.name, name)))
            return static_cast<int32_t>(i);
    }
    return -1;
}

void removeAt(OtlHashBucket &bucket, uint32_t i)
{
    memmove(static_cast<void *>(&bucket.entries[i]), static_cast<const void *>(&bucket.entries[i + 1]),
            (bucket.count - i - 1) * sizeof(OtlHashEntry));
    bucket.count--;
}

} // namespace

int32_t otlHashTakeOut(OtlOutline *outline, OtlItem *item, const char *name, uint16_t table)
{
    OtlHashBucket &bucket = bucketOf(outline, name);
    const int32_t i = findEntry(outline, bucket, item, name, table, true);
    if (i >= 0)
        removeAt(bucket, static_cast<uint32_t>(i));
    return i;
}

void otlHashPutBack(OtlOutline *outline, OtlItem *item, const char *name, uint16_t table,
                    uint32_t position)
{
    enterAt(bucketOf(outline, name), position, item, name, table,
            otl::hashProbe(outline->host, name));
}

OtlStatus otlHashRemove(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                        const char *name, uint16_t table)
{
    (void)host; // the outline's own context compares
    OtlHashBucket &bucket = bucketOf(outline, name);
    const int32_t i = findEntry(outline, bucket, item, name, table, false);
    if (i < 0)
        return OTL_ERR_GENERIC;
    removeAt(bucket, static_cast<uint32_t>(i));
    return OTL_OK;
}

namespace {

// One name entered for an item. A rollback takes it out again, and a bucket
// whose array was made for it gets it released, so that the table is as it
// was down to each bucket's capacity.
struct NameEntered {
    OtlOutline *outline;
    OtlItem *item;
    const char *text;
    uint16_t table;
    bool freshBucket;

    void undo()
    {
        otlHashRemove(outline->host, outline, item, text, table);
        OtlHashBucket &bucket = bucketOf(outline, text);
        if (freshBucket && bucket.count == 0) {
            otl::hostRelease(outline->host, &bucket.entries);
            bucket.capacity = 0;
        }
    }
    void commit() {}
};

OtlStatus enter(OtlOutline *outline, OtlItem *item, const char *text, uint16_t table,
                const otl::HashPlace &place, otl::Journal &journal)
{
    const bool fresh = outline->nameHash->buckets[place.bucket].capacity == 0;
    OtlStatus status = otl::hashInsertAt(outline->host, outline, item, text, table, place);
    if (status == OTL_OK)
        journal.step(NameEntered{outline, item, text, table, fresh});
    return status;
}

} // namespace

extern "C" OTL_API OtlStatus otlHashAddItem(const OtlHostContext *host, OtlOutline *outline,
                                            OtlItem *item)
{
    otl::Journal journal;
    OtlStatus status =
        otl::hashAddItemAt(host, outline, item, otl::hashPlace(host, outline, item->memberName),
                           journal);
    if (status == OTL_OK)
        journal.commit();
    return status;
}

OtlStatus otl::hashAddItemAt(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                             const HashPlace &memberPlace, Journal &journal)
{
    OtlStatus status = enter(outline, item, item->memberName, 0, memberPlace, journal);
    if (status != OTL_OK)
        return status;
    if (const char *shortName = shortNameOf(outline, item)) {
        status = enter(outline, item, shortName, 0, hashPlace(host, outline, shortName), journal);
        if (status != OTL_OK)
            return status;
    }
    for (uint16_t slot = 0; slot < tableCount(outline); ++slot) {
        const char *alias = item->aliases[slot].alias;
        if (!alias)
            continue;
        status = enter(outline, item, alias, static_cast<uint16_t>(slot + 1),
                       hashPlace(host, outline, alias), journal);
        if (status != OTL_OK)
            return status;
    }
    return OTL_OK;
}

OtlStatus otlHashRemoveAliasSlot(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                                 uint16_t slot)
{
    if (slot >= OTL_MAX_ALIAS_TABLES)
        return OTL_ERR_GENERIC;
    const uint16_t table = static_cast<uint16_t>(slot + 1);
    const OtlAliasSlot &aliases = item->aliases[slot];
    if (aliases.alias) {
        OtlStatus status = otlHashRemove(host, outline, item, aliases.alias, table);
        if (status != OTL_OK)
            return status;
    }
    for (const OtlAliasCombo *combo = aliases.combos; combo; combo = combo->next) {
        if (!combo->aliasText)
            continue;
        OtlStatus status = otlHashRemove(host, outline, item, combo->aliasText, table);
        if (status != OTL_OK)
            return status;
    }
    return OTL_OK;
}

OtlStatus otlHashRemoveItem(const OtlHostContext *host, OtlOutline *outline, OtlItem *item)
{
    OtlStatus status = otlHashRemove(host, outline, item, item->memberName, 0);
    if (status != OTL_OK)
        return status;
    if (const char *shortName = shortNameOf(outline, item)) {
        status = otlHashRemove(host, outline, item, shortName, 0);
        if (status != OTL_OK)
            return status;
    }
    for (uint16_t slot = 0; slot < tableCount(outline); ++slot) {
        status = otlHashRemoveAliasSlot(host, outline, item, slot);
        if (status != OTL_OK)
            return status;
    }
    return OTL_OK;
}

OtlStatus otlHashRemoveSubtree(const OtlHostContext *host, OtlOutline *outline, OtlItem *first)
{
    const OtlItem *chainParent = first ? first->parent : nullptr;
    for (OtlItem *item = first; item; item = otl::nextInChain(item, chainParent)) {
        OtlStatus status = otlHashRemoveItem(host, outline, item);
        if (status != OTL_OK)
            return status;
    }
    return OTL_OK;
}
