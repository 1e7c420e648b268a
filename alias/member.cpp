/*
 * A member's alias in one table: reading, setting, deleting, and finding a
 * member by an alias.
 *
 * Invariant: a member's alias of table t is entered in the name hash under
 * t + 1 and is no other member's name, nor another member's alias or
 * combination alias of that table, when it is set; a set that fails keeps
 * the old alias, with its hash entry where it stood.
 */
#include "alias/tables.h"

#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/journal.h"

namespace {

// A member's alias replaced. Its old entry is taken out where it stood and
// put back there by a rollback; the new text was given room in its bucket
// as a prepare, so applying cannot fail.
struct AliasReplaced {
    OtlOutline *outline;
    OtlItem *item;
    char *newText;
    char *oldText;
    int32_t position; // of the old entry, -1 when there was none
    uint16_t index;
    bool applied;

    void apply()
    {
        const uint16_t table = otlAliasHashTable(index);
        oldText = item->aliases[index].alias;
        position = oldText ? otlHashTakeOut(outline, item, oldText, table) : -1;
        item->aliases[index].alias = newText;
        otlHashInsert(outline->host, outline, item, newText, table); // room was made
        applied = true;
    }
    void undo()
    {
        if (applied) {
            const uint16_t table = otlAliasHashTable(index);
            otlHashTakeOut(outline, item, newText, table);
            item->aliases[index].alias = oldText;
            if (position >= 0)
                otlHashPutBack(outline, item, oldText, table, static_cast<uint32_t>(position));
        }
        otl::hostRelease(outline->host, &newText);
    }
    void commit() { otl::hostRelease(outline->host, &oldText); }
};

// Whether `alias` may become the member's alias in table `index`: it is its
// own name, or no other member holds it as a name or as a name of that
// table. A member that has this member's name (one of its shared members)
// does not count.
bool aliasFree(OtlOutline *outline, OtlItem *member, const char *alias, uint16_t index)
{
    if (otl::namesEqual(outline, alias, member->memberName))
        return true;
    OtlItem *holder = nullptr;
    otlHashLookup(outline->host, outline, alias, nullptr, true, true, otlAliasHashTable(index),
                  nullptr, &holder);
    return !holder || holder == member ||
           otl::namesEqual(outline, holder->memberName, member->memberName);
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlGetMemberAlias(OtlOutline *outline, OtlItem *member,
                                                    const char *tableName, char **outAlias)
{
    if (!outAlias)
        return OTL_ERR_NO_OUTPUT_ARG;
    *outAlias = nullptr;
    if (!otlAliasFieldReadable(member, OTL_FIELD_ALIAS))
        return OTL_ERR_FIELD_MASK;
    uint16_t t = 0;
    if (OtlStatus refused = otlFindAliasTable(outline, tableName, &t))
        return refused;
    char *copy = nullptr;
    OtlStatus status = otlDupString(outline->host, member->aliases[t].alias, &copy);
    if (status == OTL_OK)
        *outAlias = copy;
    return status;
}

extern "C" OTL_API OtlStatus adShrOtlSetMemberAlias(OtlOutline *outline, OtlItem *member,
                                                    const char *tableName, const char *alias,
                                                    OtlCheckMode checkMode)
{
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    if (!alias || !alias[0])
        return OTL_ERR_ALIAS;
    uint16_t t = 0;
    if (OtlStatus refused = otlFindAliasTable(outline, tableName, &t))
        return refused;
    if (!aliasFree(outline, member, alias, t))
        return OTL_ERR_NAME_USED;

    const OtlHostContext *host = outline->host;
    otl::Journal journal;
    AliasReplaced *replaced =
        journal.step(AliasReplaced{outline, member, nullptr, nullptr, -1, t, false});
    OtlStatus status = otlDupString(host, alias, &replaced->newText);
    if (status == OTL_OK)
        status = otlHashReserve(host, outline, alias, 1);
    if (status != OTL_OK)
        return status;
    replaced->apply();
    return otlFinishAliasEdit(outline, member, checkMode, journal);
}

extern "C" OTL_API OtlStatus adShrOtlDeleteMemberAlias(OtlOutline *outline, OtlItem *member,
                                                       const char *tableName)
{
    uint16_t t = 0;
    if (OtlStatus refused = otlAliasEditTable(outline, tableName, &t))
        return refused;
    OtlAliasSlot &slot = member->aliases[t];
    if (!slot.alias)
        return OTL_ERR_NO_ALIAS;
    if (otlHashTakeOut(outline, member, slot.alias, otlAliasHashTable(t)) < 0)
        return OTL_ERR_GENERIC;
    otl::hostRelease(outline->host, &slot.alias);
    return OTL_OK;
}

// The general lookup would take member names along with the aliases of
// every table: the run of the name is scanned for alias entries alone.
extern "C" OTL_API OtlStatus adShrOtlFindAlias(OtlOutline *outline, const char *alias,
                                               const char *tableName, OtlItem **outMember)
{
    *outMember = nullptr;
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    uint16_t table = 0; // any table
    if (tableName && tableName[0]) {
        uint16_t t = 0;
        if (OtlStatus refused = otlFindAliasTable(outline, tableName, &t))
            return refused;
        table = otlAliasHashTable(t);
    }
    if (!alias)
        return OTL_OK;
    const OtlHostContext *host = outline->host;
    const otl::HashPlace place = otl::hashPlace(host, outline, alias);
    const OtlHashBucket &bucket = outline->nameHash->buckets[place.bucket];
    for (uint32_t i = place.runStart;
         i < bucket.count && otl::compareEntry(host, bucket.entries[i], place.probe) == 0; ++i) {
        const OtlHashEntry &entry = bucket.entries[i];
        const bool shared = entry.item->shareOption == OTL_SHARE_SHARED &&
                            entry.item->dimensionTag != OTL_TAG_ATTRIBUTE;
        if (entry.table != 0 && (table == 0 || entry.table == table) && !shared &&
            otl::namesEqual(outline, entry.name, alias)) {
            *outMember = entry.item;
            return OTL_OK;
        }
    }
    return OTL_OK;
}
