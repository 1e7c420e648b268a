/*
 * Internal records that the outline handle and its items point to. They
 * never cross the library boundary by value, but they are byte-packed like
 * the boundary records so that sizes are the same on every build.
 */
#ifndef SHROTL_CORE_RECORDS_H
#define SHROTL_CORE_RECORDS_H

#include "shrotl.h"

#pragma pack(push, 1)

// One entry of a bucket of the name hash: it points into the item, alias or
// combination record that holds the name, it never copies it.
struct OtlHashEntry {
    OtlItem *item;
    uint16_t table; // 0 member name or short name, t = alias slot t - 1
    const char *name;
    // The first units of the name's case-insensitive sort key: most probes
    // of a binary search are decided here, without reading the name from
    // its item (at a million members, a cache miss each).
    uint64_t key[2];
    uint8_t keyKnown;
};

struct OtlHashBucket {
    uint32_t capacity;
    uint32_t count;
    OtlHashEntry *entries;
};

struct OtlNameHash {
    OtlHashBucket buckets[OTL_HASH_BUCKETS];
};

// A block of the item pool: its item array and how much of it is used.
struct OtlPoolBlock {
    OtlItem *items;
    uint32_t freeCount;
    uint32_t handedOut;
    OtlPoolBlock *next;
};

// One of the eight dynamic time series members.
struct OtlDtsMember {
    uint8_t dtsEnabled;
    uint16_t dtsGeneration;
    char dtsPeriodName[OTL_NAME_SIZE];
    char dtsName[OTL_NAME_SIZE];
    char dtsAliases[OTL_MAX_ALIAS_TABLES][OTL_TABLE_NAME_SIZE];
};

// One slot of the match list.
struct OtlMatchSlot {
    OtlItem **items;
    uint32_t count;
    OtlItem *dimension;
};

#pragma pack(pop)

namespace otl {

// Whether a member of this share option holds data of its own: every option
// but label only and shared. The statistics count these as stored members.
inline bool isStored(uint16_t shareOption)
{
    return shareOption != OTL_SHARE_LABEL_ONLY && shareOption != OTL_SHARE_SHARED;
}

// Whether the tag marks the attribute side of the outline: attribute
// dimensions and members, and the attribute calculations dimension.
inline bool isAttrTag(uint16_t tag)
{
    return tag == OTL_TAG_ATTRIBUTE || tag == OTL_TAG_ATTR_CALC;
}

// The refusals every edit starts with, in this order: in field-access mode
// the host reads raw fields and nothing may change under it; the members
// of the attribute calculations dimension belong to the library. `member`
// is null for an edit of the outline as a whole.
inline OtlStatus editRefusal(const OtlOutline *outline, const OtlItem *member = nullptr)
{
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    if (member && member->dimensionTag == OTL_TAG_ATTR_CALC)
        return OTL_ERR_ATTR_CALC_MEMBER;
    return OTL_OK;
}

} // namespace otl

#endif
