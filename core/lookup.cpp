/*
 * Lookups through the member-name hash: the general lookup with its
 * filters, adShrOtlFindMember, the shared-entry scan and the two shared
 * member enumerations.
 *
 * Nothing here allocates or changes the outline. A lookup is one hash, one
 * binary search in one bucket and a scan of the run of names equal without
 * regard to case; a candidate is then accepted only if it is also equal
 * under the outline's own case rule.
 */
#include "hash.h"
#include "host.h"
#include "tree.h"

namespace {

constexpr const char *kUniverseName = "Quorvel Universe Member";

bool tableAccepted(const OtlHashEntry &entry, bool acceptMemberNames, bool acceptAliases,
                   uint16_t aliasTable)
{
    if (acceptMemberNames && entry.table == 0)
        return true;
    return acceptAliases && (aliasTable == 0 || aliasTable == entry.table);
}

bool accepted(const OtlOutline *outline, const OtlHashEntry &entry, const char *name,
              const char *parentName, bool acceptMemberNames, bool acceptAliases,
              uint16_t aliasTable, const OtlItem *dimension)
{
    const OtlItem *item = entry.item;
    if (!otl::namesEqual(outline, entry.name, name))
        return false;
    if (parentName) {
        // A parent-qualified name may well name a shared member.
        const OtlItem *parent = item->parent;
        if (!parent || parent == outline->root || parent->generation == 0 ||
            !otl::namesEqual(outline, parent->memberName, parentName) ||
            !tableAccepted(entry, acceptMemberNames, acceptAliases, aliasTable))
            return false;
    } else if (item->dimensionTag == OTL_TAG_ATTRIBUTE) {
        // Attribute members are found by their full name or an alias, never
        // through the short name alone.
        const bool byName = otl::namesEqual(outline, name, item->memberName);
        const bool byAlias =
            acceptAliases && entry.table != 0 && (aliasTable == 0 || aliasTable == entry.table);
        if (!byName && !byAlias)
            return false;
    } else if (item->shareOption == OTL_SHARE_SHARED ||
               !tableAccepted(entry, acceptMemberNames, acceptAliases, aliasTable)) {
        return false;
    }
    return !dimension || otlGetDim(const_cast<OtlItem *>(item)) == dimension;
}

} // namespace

OtlStatus otlHashLookup(const OtlHostContext *host, OtlOutline *outline, const char *name,
                        const char *parentName, bool acceptMemberNames, bool acceptAliases,
                        uint16_t aliasTable, const OtlItem *dimension, OtlItem **item)
{
    *item = name ? otl::hashLookupAt(host, outline, otl::hashPlace(host, outline, name), parentName,
                                     acceptMemberNames, acceptAliases, aliasTable, dimension)
                 : nullptr;
    return OTL_OK;
}

OtlItem *otl::hashLookupAt(const OtlHostContext *host, const OtlOutline *outline,
                           const HashPlace &place, const char *parentName, bool acceptMemberNames,
                           bool acceptAliases, uint16_t aliasTable, const OtlItem *dimension)
{
    const OtlHashBucket &bucket = outline->nameHash->buckets[place.bucket];
    for (uint32_t i = place.runStart;
         i < bucket.count && otl::compareEntry(host, bucket.entries[i], place.probe) == 0; ++i) {
        if (accepted(outline, bucket.entries[i], place.probe.name, parentName, acceptMemberNames,
                     acceptAliases, aliasTable, dimension))
            return bucket.entries[i].item;
    }
    return nullptr;
}

extern "C" OTL_API OtlStatus adShrOtlFindMember(OtlOutline *outline, const char *name,
                                                OtlItem **member)
{
    *member = nullptr;
    if (!name)
        return OTL_OK;
    if (otlCompareNoCase(outline->host, name, kUniverseName) == 0) {
        *member = outline->root;
        return OTL_OK;
    }
    return otlHashLookup(outline->host, outline, name, nullptr, true, false, 0, nullptr, member);
}

int32_t otlHashFindShared(const OtlOutline *outline, const char *name, int32_t start,
                          OtlItem **item)
{
    *item = nullptr;
    if (!name || start < -1)
        return -1;
    const OtlHostContext *host = outline->host;
    const OtlHashBucket &bucket = outline->nameHash->buckets[otlHashBucketOf(name)];
    const otl::HashProbe probe = otl::hashProbe(host, name);
    uint32_t i = start == -1 ? otl::hashRunStart(host, bucket, probe) : static_cast<uint32_t>(start);
    for (; i < bucket.count && otl::compareEntry(host, bucket.entries[i], probe) == 0; ++i) {
        const OtlHashEntry &entry = bucket.entries[i];
        if (entry.item->shareOption == OTL_SHARE_SHARED &&
            otl::namesEqual(outline, entry.name, name)) {
            *item = entry.item;
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

extern "C" OTL_API OtlStatus adShrOtlGetNextSharedMemberUsingHash(OtlOutline *outline,
                                                                  OtlItem *member, OtlItem **next,
                                                                  int32_t *position)
{
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    *next = nullptr;
    if (!member)
        return OTL_OK;
    OtlItem *found = nullptr;
    const int32_t at = otlHashFindShared(outline, member->memberName, *position, &found);
    if (at >= 0) {
        *position = at;
        *next = found;
    }
    return OTL_OK;
}

// Pre-order over every dimension. A shared member continues from its own
// place; a non-shared one (the source) finds its first copy anywhere.
extern "C" OTL_API OtlStatus adShrOtlGetNextSharedMember(OtlOutline *outline, OtlItem *member,
                                                         OtlItem **next)
{
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    *next = nullptr;
    if (!member || !outline->root)
        return OTL_OK;
    bool passed = member->shareOption != OTL_SHARE_SHARED;
    OtlItem *root = outline->root;
    for (OtlItem *item = root->firstChild; item; item = otl::nextInSubtree(item, root)) {
        if (item == member) {
            passed = true;
            continue;
        }
        if (passed && item->shareOption == OTL_SHARE_SHARED &&
            otl::namesEqual(outline, item->memberName, member->memberName)) {
            *next = item;
            return OTL_OK;
        }
    }
    return OTL_OK;
}
