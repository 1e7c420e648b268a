/*
 * The member-name hash table: 3313 buckets, each a sorted array of entries.
 *
 * Invariants: entries in a bucket are sorted by the case-insensitive
 * comparison whatever the outline's case rule, so names that differ only in
 * ASCII case are adjacent; entries point at the texts inside items and alias
 * records, never copy them, so a name leaves the table before its text
 * changes or is released. Lookups allocate nothing; an insertion allocates
 * only when its bucket is full, and a failed growth leaves the bucket as it
 * was.
 */
#ifndef SHROTL_CORE_HASH_H
#define SHROTL_CORE_HASH_H

#include "journal.h"
#include "records.h"

constexpr uint32_t kHashGrowth = 200;

OtlStatus otlHashCreate(const OtlHostContext *host, OtlNameHash **hash);
void otlHashRelease(const OtlHostContext *host, OtlNameHash *hash);

// Bucket index of a name.
uint32_t otlHashBucketOf(const char *name);

// Enters one name; on failure the bucket is as it was.
OtlStatus otlHashInsert(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                        const char *name, uint16_t table);
// Makes room in the bucket of `name` so that `additional` more insertions
// into it allocate nothing (and so cannot fail), growing in the usual steps
// of 200; for operations that must settle their memory before they change
// anything. On failure the bucket is as it was.
OtlStatus otlHashReserve(const OtlHostContext *host, OtlOutline *outline, const char *name,
                         uint32_t additional);
// Removes one entry: 0, or 1 when there is no such entry (nothing changes).
OtlStatus otlHashRemove(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                        const char *name, uint16_t table);
// Removes the item's entry that points at this very text (an item's member
// name and short name may be equal texts) and returns where it stood in its
// bucket, or -1 when there is no such entry; with otlHashPutBack, for undo
// steps that must put an entry back exactly where it was.
int32_t otlHashTakeOut(OtlOutline *outline, OtlItem *item, const char *name, uint16_t table);
// Puts an entry back at the place otlHashTakeOut reported. The bucket must
// be as it was right after the take-out, so it has room: nothing is
// allocated.
void otlHashPutBack(OtlOutline *outline, OtlItem *item, const char *name, uint16_t table,
                    uint32_t position);
// Removes every name otlHashAddItem entered for the item, and the item's
// alias-combination texts; stops at the first name that is not entered.
OtlStatus otlHashRemoveItem(const OtlHostContext *host, OtlOutline *outline, OtlItem *item);
// The same for a sibling chain and all its descendants.
OtlStatus otlHashRemoveSubtree(const OtlHostContext *host, OtlOutline *outline, OtlItem *first);
// Removes the alias and combination names of one alias slot (0-based) of an
// item; they are entered under table slot + 1.
OtlStatus otlHashRemoveAliasSlot(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                                 uint16_t slot);

// The general lookup; always 0, *item is the first accepted entry's item or
// null.
OtlStatus otlHashLookup(const OtlHostContext *host, OtlOutline *outline, const char *name,
                        const char *parentName, bool acceptMemberNames, bool acceptAliases,
                        uint16_t aliasTable, const OtlItem *dimension, OtlItem **item);
// Shared-entry scan from `start` (-1: the first entry of the run). Returns
// the index of the first shared entry of the name, or -1; *item is its item
// (null when none).
int32_t otlHashFindShared(const OtlOutline *outline, const char *name, int32_t start,
                          OtlItem **item);

// Number of shared entries of the name: the shared members a deletion or a
// rename of their source will visit. Bounding those loops by it keeps them
// finite whatever the visits do.
uint32_t otlHashCountShared(const OtlOutline *outline, const char *name);

namespace otl {

// The member adShrOtlFindMember finds by that name, or null.
inline OtlItem *memberNamed(OtlOutline *outline, const char *name)
{
    OtlItem *member = nullptr;
    adShrOtlFindMember(outline, name, &member);
    return member;
}

// A name being looked for or entered, with its sort-key prefix computed
// once for the whole search.
struct HashProbe {
    const char *name;
    uint64_t key[2];
    uint8_t keyKnown;
};

HashProbe hashProbe(const OtlHostContext *host, const char *name);
// The order of an entry's name against the probe without regard to case,
// as otlCompareNoCase gives it; the name is read only when the keys cannot
// tell.
int32_t compareEntry(const OtlHostContext *host, const OtlHashEntry &entry, const HashProbe &probe);

// Index of the first entry of the bucket that is not below the probe without
// regard to case: the start of the run of its case-insensitive equals, when
// it has any.
uint32_t hashRunStart(const OtlHostContext *host, const OtlHashBucket &bucket,
                      const HashProbe &probe);
uint32_t hashRunStart(const OtlHostContext *host, const OtlHashBucket &bucket, const char *name);

// A name's place in its bucket, found by one binary search: where its run of
// case-insensitive equals starts (for a lookup) and where an insertion
// enters it. Valid only while the bucket is unchanged; an add that looks
// the name up and then enters it searches the bucket once.
struct HashPlace {
    HashProbe probe;
    uint32_t bucket;
    uint32_t runStart;
    uint32_t position;
};

HashPlace hashPlace(const OtlHostContext *host, const OtlOutline *outline, const char *name);
// otlHashLookup from a place of the name.
OtlItem *hashLookupAt(const OtlHostContext *host, const OtlOutline *outline,
                      const HashPlace &place, const char *parentName, bool acceptMemberNames,
                      bool acceptAliases, uint16_t aliasTable, const OtlItem *dimension);
// otlHashInsert at a place of `name` (the same text, perhaps another copy:
// the entry points at `name`); on failure the bucket is as it was.
OtlStatus hashInsertAt(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                       const char *name, uint16_t table, const HashPlace &place);
// otlHashAddItem with the member name entered at its place, before any other
// name of the item can change the bucket.
// Every name entered is a journal entry; the caller commits or rolls back.
OtlStatus hashAddItemAt(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                        const HashPlace &memberPlace, Journal &journal);

} // namespace otl

#endif
