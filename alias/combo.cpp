/*
 * Alias combinations: a member's second kind of alternative name, kept per
 * alias slot in insertion order. Each record owns its two texts; its alias
 * text is entered in the name hash under the slot's table while the record
 * is linked.
 *
 * An added combination is checked with the member's rules once it is in
 * place (its member list may name any member or alias) and taken out
 * again, record and hash entry, when the check fails.
 */
#include "alias/combo.h"

#include "alias/tables.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/journal.h"

#include <string.h>

void otlFreeAliasCombos(const OtlHostContext *host, OtlAliasCombo **head)
{
    OtlAliasCombo *combo = otl::loadPointer(head); // head may lie in a packed record
    while (combo) {
        OtlAliasCombo *next = combo->next;
        otl::hostRelease(host, &combo->aliasText);
        otl::hostRelease(host, &combo->memberList);
        otl::hostFree(host, combo);
        combo = next;
    }
    otl::storePointer(head, static_cast<OtlAliasCombo *>(nullptr));
}

OtlStatus otlNewAliasCombo(const OtlHostContext *host, const char *aliasText,
                           const char *memberList, OtlAliasCombo **combo)
{
    OtlAliasCombo *made = nullptr;
    OtlStatus status = otl::hostNew(host, &made);
    if (status == OTL_OK)
        status = otlDupString(host, aliasText, &made->aliasText);
    if (status == OTL_OK)
        status = otlDupString(host, memberList, &made->memberList);
    if (status != OTL_OK) {
        otlFreeAliasCombos(host, &made);
        return status;
    }
    *combo = made;
    return OTL_OK;
}

void otlAppendAliasCombo(OtlAliasSlot &slot, OtlAliasCombo *combo)
{
    if (!slot.combos) {
        slot.combos = combo;
        return;
    }
    OtlAliasCombo *last = slot.combos;
    while (last->next)
        last = last->next;
    last->next = combo;
}

OtlAliasCombo *otlFindAliasCombo(const OtlOutline *outline, OtlAliasCombo *head, const char *text)
{
    for (OtlAliasCombo *combo = head; combo; combo = combo->next)
        if (combo->aliasText && otl::namesEqual(outline, combo->aliasText, text))
            return combo;
    return nullptr;
}

OtlStatus otlRemoveAliasCombo(const OtlHostContext *host, OtlOutline *outline, OtlItem *member,
                              uint16_t tableIndex, OtlAliasCombo *entry)
{
    if (entry->aliasText &&
        otlHashTakeOut(outline, member, entry->aliasText, otlAliasHashTable(tableIndex)) < 0)
        return OTL_ERR_GENERIC;
    OtlAliasSlot &slot = member->aliases[tableIndex];
    if (slot.combos == entry) {
        slot.combos = entry->next;
    } else {
        OtlAliasCombo *previous = slot.combos;
        while (previous->next != entry)
            previous = previous->next;
        previous->next = entry->next;
    }
    entry->next = nullptr;
    otlFreeAliasCombos(host, &entry);
    return OTL_OK;
}

extern "C" OTL_API OtlStatus otlAddAliasCombo(const OtlHostContext *host, OtlOutline *outline,
                                              OtlItem *member, uint16_t tableIndex,
                                              const char *aliasText, const char *memberList,
                                              OtlAliasCombo **outEntry)
{
    if (outEntry)
        *outEntry = nullptr;
    if (!member || !aliasText || !aliasText[0] || !memberList || !memberList[0] ||
        tableIndex >= outline->aliasTableCount || tableIndex >= OTL_MAX_ALIAS_TABLES)
        return OTL_ERR_GENERIC;
    OtlAliasCombo *entry = nullptr;
    OtlStatus status = otlNewAliasCombo(host, aliasText, memberList, &entry);
    if (status != OTL_OK)
        return status;
    status = otlHashInsert(host, outline, member, entry->aliasText, otlAliasHashTable(tableIndex));
    if (status != OTL_OK) {
        otlFreeAliasCombos(host, &entry);
        return status;
    }
    otlAppendAliasCombo(member->aliases[tableIndex], entry);
    if (outEntry)
        *outEntry = entry;
    return OTL_OK;
}

namespace {

// A combination added by an edit; a rollback takes it out again.
struct ComboAdded {
    OtlOutline *outline;
    OtlItem *member;
    OtlAliasCombo *entry;
    uint16_t tableIndex;
    void undo() { otlRemoveAliasCombo(outline->host, outline, member, tableIndex, entry); }
    void commit() {}
};

} // namespace

extern "C" OTL_API OtlStatus adShrOtlAddAliasCombination(OtlOutline *outline, OtlItem *member,
                                                         const char *tableName,
                                                         const char *aliasText,
                                                         const char *memberList)
{
    uint16_t t = 0;
    if (OtlStatus refused = otlAliasEditTable(outline, tableName, &t))
        return refused;
    const OtlHostContext *host = outline->host;
    OtlItem *holder = nullptr;
    otlHashLookup(host, outline, aliasText, nullptr, true, true, otlAliasHashTable(t), nullptr,
                  &holder);
    if (holder)
        return OTL_ERR_NAME_USED;

    otl::Journal journal;
    OtlAliasCombo *entry = nullptr;
    OtlStatus status = otlAddAliasCombo(host, outline, member, t, aliasText, memberList, &entry);
    if (status != OTL_OK)
        return status;
    journal.step(ComboAdded{outline, member, entry, t});
    // The text's own rules, its member list and the generation and level
    // names are the member's rules.
    return otlFinishAliasEdit(outline, member, OTL_CHECK_ALL, journal);
}

extern "C" OTL_API OtlStatus adShrOtlDeleteAliasCombination(OtlOutline *outline, OtlItem *member,
                                                            const char *tableName,
                                                            const char *aliasText)
{
    uint16_t t = 0;
    if (OtlStatus refused = otlAliasEditTable(outline, tableName, &t))
        return refused;
    if (!member || !aliasText || !aliasText[0])
        return OTL_ERR_GENERIC;
    OtlAliasCombo *entry = otlFindAliasCombo(outline, member->aliases[t].combos, aliasText);
    if (!entry)
        return OTL_ERR_COMBO_NOT_FOUND;
    OtlStatus status = otlRemoveAliasCombo(outline->host, outline, member, t, entry);
    if (status == OTL_OK)
        outline->verified = 0;
    return status;
}

extern "C" OTL_API OtlStatus adShrOtlGetNextAliasCombination(OtlOutline *outline, OtlItem *member,
                                                             const char *tableName, char *ioAlias,
                                                             char **outMemberList)
{
    if (!ioAlias || !outMemberList)
        return OTL_ERR_NO_OUTPUT_ARG;
    *outMemberList = nullptr;
    if (!otlAliasFieldReadable(member, OTL_FIELD_ALIAS_AGAIN))
        return OTL_ERR_FIELD_MASK;
    uint16_t t = 0;
    if (OtlStatus refused = otlFindAliasTable(outline, tableName, &t))
        return refused;
    OtlAliasCombo *head = member->aliases[t].combos;
    OtlAliasCombo *next = head;
    if (ioAlias[0]) {
        const OtlAliasCombo *current = otlFindAliasCombo(outline, head, ioAlias);
        next = current ? current->next : nullptr;
    }
    if (!next)
        return OTL_OK;
    char *copy = nullptr;
    OtlStatus status = otlDupString(outline->host, next->memberList, &copy);
    if (status != OTL_OK)
        return status;
    strcpy(ioAlias, next->aliasText ? next->aliasText : "");
    *outMemberList = copy;
    return OTL_OK;
}

uint32_t otlCountAliasCombos(const OtlItem *member, uint16_t tableIndex)
{
    uint32_t count = 0;
    if (tableIndex < OTL_MAX_ALIAS_TABLES)
        for (const OtlAliasCombo *c = member->aliases[tableIndex].combos; c; c = c->next)
            ++count;
    return count;
}

// For an outline being generated from another: on failure what was copied
// stays, and the caller discards the outline it was building.
OtlStatus otlCopyMemberAliases(const OtlHostContext *host, OtlOutline *outline, OtlItem *target,
                               const OtlItem *source)
{
    const uint16_t tables =
        outline->aliasTableCount < OTL_MAX_ALIAS_TABLES ? outline->aliasTableCount : OTL_MAX_ALIAS_TABLES;
    for (uint16_t t = 0; t < tables; ++t) {
        if (const char *alias = source->aliases[t].alias) {
            char *copy = nullptr;
            OtlStatus status = otlDupString(host, alias, &copy);
            if (status != OTL_OK)
                return status;
            otl::hostRelease(host, &target->aliases[t].alias);
            target->aliases[t].alias = copy;
            status = otlHashInsert(host, outline, target, copy, otlAliasHashTable(t));
            if (status != OTL_OK)
                return status;
        }
        for (const OtlAliasCombo *c = source->aliases[t].combos; c; c = c->next)
            if (OtlStatus status = otlAddAliasCombo(host, outline, target, t, c->aliasText,
                                                    c->memberList, nullptr))
                return status;
    }
    return OTL_OK;
}
