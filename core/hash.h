/*
 * The member-name hash table: 3313 buckets, each a sorted array of entries.
 *
 * Invariants: entries in a bucket are sorted by the case-insensitive
 * comparison whatever the outline's case rule, so names that differ only in
 * case are adjacent; entries point at the texts inside items and alias
 * records, never copy them, so a name leaves the table before its text
 * changes or is released.
 */
#ifndef SHROTL_CORE_HASH_H
#define SHROTL_CORE_HASH_H

#include "core/records.h"

constexpr uint32_t kHashGrowth = 200;

OtlStatus otlHashCreate(const OtlHostContext *host, OtlNameHash **hash);
void otlHashRelease(const OtlHostContext *host, OtlNameHash *hash);

// Bucket index of a name.
uint32_t otlHashBucketOf(const char *name);

// Enters one name; on failure the bucket is as it was.
OtlStatus otlHashInsert(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                        const char *name, uint16_t table);
// Removes one entry: 0, or 1 when there is no such entry.
OtlStatus otlHashRemove(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                        const char *name, uint16_t table);
// Removes every name otlHashAddItem entered for the item, and the item's
// alias-combination texts.
OtlStatus otlHashRemoveItem(const OtlHostContext *host, OtlOutline *outline, OtlItem *item);
// The same for a sibling chain and all its descendants.
OtlStatus otlHashRemoveSubtree(const OtlHostContext *host, OtlOutline *outline, OtlItem *first);
// Removes the alias and combination names of one alias slot of an item.
OtlStatus otlHashRemoveAliasSlot(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                                 uint16_t slot);

// The general lookup; *item is the first accepted entry's item or null.
OtlStatus otlHashLookup(const OtlHostContext *host, OtlOutline *outline, const char *name,
                        const char *parentName, bool acceptMemberNames, bool acceptAliases,
                        uint16_t aliasTable, const OtlItem *dimension, OtlItem **item);
// Shared-entry scan from `start` (-1: the first entry of the run). Returns
// the index of the first shared entry of the name, or -1; *item its item.
int32_t otlHashFindShared(const OtlOutline *outline, const char *name, int32_t start,
                          OtlItem **item);

// Deletes every shared copy of the member, with change logging switched off
// for the duration; the subtree form does it for every non-shared member of
// a sibling chain, descendants first.
OtlStatus otlDeleteSharedCopies(OtlOutline *outline, OtlItem *member);
OtlStatus otlDeleteSharedCopiesSubtree(OtlOutline *outline, OtlItem *first);

#endif
