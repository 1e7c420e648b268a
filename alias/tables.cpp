/*
 * Alias tables: finding, creating, renaming, clearing and deleting them.
 * An outline has 1 to OTL_MAX_ALIAS_TABLES tables; table 0 is the default
 * table, made with the outline, and keeps its name and its place.
 *
 * Invariants: table names are unique without regard to case, 1 to 30
 * bytes; deleting a table moves every table after it down one place, and
 * the members' slots, the time series aliases and the hash numbers of
 * their names move with it. Clearing and deleting allocate nothing, so
 * once refusals pass they cannot fail.
 */
#include "alias/tables.h"

#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"
#include "edit/item.h"
#include "edit/rules.h"

#include <string.h>

namespace {

bool emptyName(const char *name)
{
    return !name || !name[0];
}

// Walks every item of the tree, the universe member included.
template <class Visit>
void eachItem(OtlOutline *outline, Visit visit)
{
    for (OtlItem *item = outline->root; item; item = otl::nextInSubtree(item, outline->root))
        visit(item);
}

} // namespace

OtlStatus otlFindAliasTable(const OtlOutline *outline, const char *name, uint16_t *index)
{
    if (emptyName(name)) {
        *index = 0;
        return OTL_OK;
    }
    for (uint16_t t = 0; t < outline->aliasTableCount && t < OTL_MAX_ALIAS_TABLES; ++t) {
        const char *tableName = outline->aliasTableNames[t];
        if (tableName && otlCompareNoCase(outline->host, tableName, name) == 0) {
            *index = t;
            return OTL_OK;
        }
    }
    return OTL_ERR_ALIAS_TABLE_NOT_FOUND;
}

OtlStatus otlAliasEditTable(const OtlOutline *outline, const char *tableName, uint16_t *index)
{
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    return otlFindAliasTable(outline, tableName, index);
}

void otlUnindexAliasSlot(OtlOutline *outline, OtlItem *item, const OtlAliasSlot &slot,
                         uint16_t index)
{
    const uint16_t table = otlAliasHashTable(index);
    if (slot.alias)
        otlHashTakeOut(outline, item, slot.alias, table);
    for (const OtlAliasCombo *combo = slot.combos; combo; combo = combo->next)
        if (combo->aliasText)
            otlHashTakeOut(outline, item, combo->aliasText, table);
}

// A text missing from the hash is passed over rather than ending the walk
// half-way: the table must end up empty either way, and an outline this
// library keeps has every text entered.
void otlClearAliasTable(OtlOutline *outline, uint16_t index)
{
    eachItem(outline, [&](OtlItem *item) {
        OtlAliasSlot &slot = item->aliases[index];
        if (!slot.alias && !slot.combos)
            return;
        otlUnindexAliasSlot(outline, item, slot, index);
        otlReleaseAliasSlot(outline->host, &slot);
    });
}

OtlStatus otlFinishAliasEdit(OtlOutline *outline, OtlItem *member, OtlCheckMode mode,
                             otl::Journal &journal)
{
    const OtlStatus status =
        otlFaultsToStatus(otlCheckMember(outline->host, outline, member, mode), 0);
    if (status != OTL_OK)
        return status; // the journal rolls back
    outline->verified = 0;
    journal.commit();
    return OTL_OK;
}

OtlStatus otlPrepareAliasTable(const OtlOutline *outline, const char *name, char **copy)
{
    uint16_t existing = 0;
    if (emptyName(name) || otlFindAliasTable(outline, name, &existing) == OTL_OK)
        return OTL_ERR_ALIAS_TABLE_NAME_USED;
    if (outline->aliasTableCount >= OTL_MAX_ALIAS_TABLES)
        return OTL_ERR_ALIAS_TABLE_LIMIT;
    if (strlen(name) > OTL_TABLE_NAME_SIZE - 1)
        return OTL_ERR_ALIAS_TABLE_NAME_LONG;
    return otlDupString(outline->host, name, copy);
}

void otlAppendAliasTable(OtlOutline *outline, char *name)
{
    outline->aliasTableNames[outline->aliasTableCount++] = name;
}

extern "C" OTL_API OtlStatus adShrOtlCreateAliasTable(OtlOutline *outline, const char *tableName)
{
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    char *name = nullptr;
    OtlStatus status = otlPrepareAliasTable(outline, tableName, &name);
    if (status != OTL_OK)
        return status;
    otlAppendAliasTable(outline, name);
    outline->verified = 0;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlRenameAliasTable(OtlOutline *outline, const char *oldName,
                                                      const char *newName)
{
    uint16_t t = 0;
    if (OtlStatus refused = otlAliasEditTable(outline, oldName, &t))
        return refused;
    if (t == 0)
        return OTL_ERR_ALIAS_TABLE0_RENAME;
    uint16_t existing = 0;
    if (emptyName(newName) || otlFindAliasTable(outline, newName, &existing) == OTL_OK)
        return OTL_ERR_ALIAS_TABLE_NAME_USED;
    if (strlen(newName) > OTL_TABLE_NAME_SIZE - 1)
        return OTL_ERR_ALIAS_TABLE_NAME_LONG;
    char *copy = nullptr;
    OtlStatus status = otlDupString(outline->host, newName, &copy);
    if (status != OTL_OK)
        return status;
    otl::hostRelease(outline->host, &outline->aliasTableNames[t]);
    outline->aliasTableNames[t] = copy;
    outline->verified = 0;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlClearAliasTable(OtlOutline *outline, const char *tableName)
{
    uint16_t t = 0;
    if (OtlStatus refused = otlAliasEditTable(outline, tableName, &t))
        return refused;
    otlClearAliasTable(outline, t);
    outline->verified = 0;
    return OTL_OK;
}

// The time series aliases are kept per table as well: they move with
// their tables, and those of the deleted table go with it, or a later
// table would find them as its own.
extern "C" OTL_API OtlStatus adShrOtlDeleteAliasTable(OtlOutline *outline, const char *tableName)
{
    uint16_t t = 0;
    if (OtlStatus refused = otlAliasEditTable(outline, tableName, &t))
        return refused;
    if (t == 0)
        return OTL_ERR_ALIAS_TABLE0_DELETE;

    otlClearAliasTable(outline, t);
    const uint16_t last = static_cast<uint16_t>(outline->aliasTableCount - 1);
    const size_t above = last - t;
    eachItem(outline, [&](OtlItem *item) {
        memmove(static_cast<void *>(&item->aliases[t]), static_cast<void *>(&item->aliases[t + 1]),
                above * sizeof(OtlAliasSlot));
        memset(static_cast<void *>(&item->aliases[last]), 0, sizeof(OtlAliasSlot));
    });
    for (int i = 0; i < OTL_DTS_COUNT; ++i) {
        OtlDtsMember *dts = otl::loadPointer(&outline->dtsMembers[i]); // in the packed record
        if (!dts)
            continue;
        memmove(dts->dtsAliases[t], dts->dtsAliases[t + 1], above * OTL_TABLE_NAME_SIZE);
        memset(dts->dtsAliases[last], 0, OTL_TABLE_NAME_SIZE);
    }
    // Renumbered in place: an entry's place in its bucket follows its name
    // alone.
    for (OtlHashBucket &bucket : outline->nameHash->buckets)
        for (uint32_t e = 0; e < bucket.count; ++e)
            if (bucket.entries[e].table > otlAliasHashTable(t))
                bucket.entries[e].table--;
    otl::hostRelease(outline->host, &outline->aliasTableNames[t]);
    memmove(&outline->aliasTableNames[t], &outline->aliasTableNames[t + 1], above * sizeof(char *));
    outline->aliasTableNames[last] = nullptr;
    outline->aliasTableCount = last;
    outline->verified = 0;
    return OTL_OK;
}
