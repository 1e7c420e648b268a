/*
 * Copying one alias table into another, which is created when it does not
 * exist yet.
 *
 * The copy is whole or not made: every member's new slot of the target is
 * built apart from the outline and its names entered in the hash as
 * prepares; then the target is created or cleared and the slots swapped
 * in, which cannot fail. (Copying member by member and keeping what was
 * copied before a failure would break the promise that a failed edit
 * leaves the outline as it was.)
 */
#include "alias/combo.h"
#include "alias/tables.h"

#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/journal.h"
#include "core/tree.h"
#include "edit/item.h"

namespace {

// A member's slot of the target table as the copy makes it.
struct PlannedSlot {
    OtlItem *item;
    OtlAliasSlot slot;
};

// The slots of one copy. A rollback takes their names out of the hash and
// releases them; once they are installed, only the array goes.
struct CopyPlan {
    OtlOutline *outline;
    PlannedSlot *slots;
    uint32_t count; // slots made so far
    uint16_t target;

    void undo()
    {
        for (uint32_t i = 0; i < count; ++i) {
            otlUnindexAliasSlot(outline, slots[i].item, slots[i].slot, target);
            otlReleaseAliasSlot(outline->host, &slots[i].slot);
        }
        commit();
    }
    void commit() { otl::hostRelease(outline->host, &slots); }
};

template <class Visit>
void eachMember(OtlOutline *outline, Visit visit)
{
    OtlItem *root = outline->root;
    for (OtlItem *item = root ? root->firstChild : nullptr; item;
         item = otl::nextInSubtree(item, root))
        visit(item);
}

OtlStatus appendCopy(const OtlHostContext *host, OtlAliasSlot &slot, const OtlAliasCombo *from)
{
    OtlAliasCombo *copy = nullptr;
    OtlStatus status = otlNewAliasCombo(host, from->aliasText, from->memberList, &copy);
    if (status == OTL_OK)
        otlAppendAliasCombo(slot, copy);
    return status;
}

// The member's new target slot: with merge, what the target has; then the
// source's alias in place of the target's, and each source combination
// appended, or giving its member list to the entry of the same alias text.
OtlStatus buildSlot(OtlOutline *outline, const OtlItem *item, uint16_t source, uint16_t target,
                    bool merge, OtlAliasSlot &slot)
{
    const OtlHostContext *host = outline->host;
    const OtlAliasSlot &from = item->aliases[source];
    const OtlAliasSlot &kept = item->aliases[target];
    OtlStatus status = otlDupString(host, from.alias || !merge ? from.alias : kept.alias, &slot.alias);
    for (const OtlAliasCombo *c = merge ? kept.combos : nullptr; c && status == OTL_OK; c = c->next)
        status = appendCopy(host, slot, c);
    for (const OtlAliasCombo *c = from.combos; c && status == OTL_OK; c = c->next) {
        OtlAliasCombo *same = c->aliasText ? otlFindAliasCombo(outline, slot.combos, c->aliasText)
                                           : nullptr;
        if (!same) {
            status = appendCopy(host, slot, c);
        } else if (same->memberList && c->memberList &&
                   !otl::namesEqual(outline, same->memberList, c->memberList)) {
            char *list = nullptr;
            status = otlDupString(host, c->memberList, &list);
            if (status == OTL_OK) {
                otl::hostRelease(host, &same->memberList);
                same->memberList = list;
            }
        }
    }
    return status;
}

OtlStatus indexSlot(OtlOutline *outline, OtlItem *item, const OtlAliasSlot &slot, uint16_t index)
{
    const uint16_t table = otlAliasHashTable(index);
    OtlStatus status = slot.alias ? otlHashInsert(outline->host, outline, item, slot.alias, table)
                                  : OTL_OK;
    for (const OtlAliasCombo *c = slot.combos; c && status == OTL_OK; c = c->next)
        if (c->aliasText)
            status = otlHashInsert(outline->host, outline, item, c->aliasText, table);
    return status;
}

// Makes and enters a new target slot for every member that has something in
// the source table.
OtlStatus planSlots(OtlOutline *outline, uint16_t source, uint16_t target, bool merge,
                    CopyPlan &plan)
{
    uint32_t members = 0;
    eachMember(outline, [&](const OtlItem *item) {
        members += item->aliases[source].alias || item->aliases[source].combos;
    });
    OtlStatus status = members ? otl::hostNewArray(outline->host, members, &plan.slots) : OTL_OK;
    eachMember(outline, [&](OtlItem *item) {
        if (status != OTL_OK || (!item->aliases[source].alias && !item->aliases[source].combos))
            return;
        PlannedSlot &planned = plan.slots[plan.count++];
        planned.item = item;
        status = buildSlot(outline, item, source, target, merge, planned.slot);
        if (status == OTL_OK)
            status = indexSlot(outline, item, planned.slot, target);
    });
    return status;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlCopyAliasTable(OtlOutline *outline, const char *sourceTable,
                                                    const char *targetTable, uint8_t merge)
{
    // Refusals, the new target's among them.
    uint16_t source = 0;
    if (OtlStatus refused = otlAliasEditTable(outline, sourceTable, &source))
        return refused;
    const OtlHostContext *host = outline->host;
    otl::Journal journal;
    uint16_t target = 0;
    otl::ReplacedText *newTable = journal.step(otl::ReplacedText{host, nullptr, nullptr});
    if (otlFindAliasTable(outline, targetTable, &target) != OTL_OK) {
        if (OtlStatus refused = otlPrepareAliasTable(outline, targetTable, &newTable->newText))
            return refused;
        target = outline->aliasTableCount;
    }
    if (source == target)
        return OTL_ERR_ALIAS_TABLE_SELF_COPY;

    // Prepares: the new slots, entered in the hash.
    const bool keep = merge != OTL_ALIAS_COPY_REPLACE;
    CopyPlan *plan = journal.step(CopyPlan{outline, nullptr, 0, target});
    if (OtlStatus status = planSlots(outline, source, target, keep, *plan))
        return status;

    // Applies.
    if (newTable->newText) {
        otlAppendAliasTable(outline, newTable->newText);
        newTable->newText = nullptr;
    }
    if (!keep)
        otlClearAliasTable(outline, target);
    for (uint32_t i = 0; i < plan->count; ++i) {
        OtlItem *item = plan->slots[i].item;
        otlUnindexAliasSlot(outline, item, item->aliases[target], target);
        otlReleaseAliasSlot(host, &item->aliases[target]);
        item->aliases[target] = plan->slots[i].slot;
    }
    outline->verified = 0;
    journal.commit();
    return OTL_OK;
}
