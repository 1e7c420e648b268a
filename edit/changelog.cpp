/*
 * The outline change log. Records are appended at the tail and released
 * from the head; a record is allocated with exactly its kind's 2, 4 or 6
 * owned texts. An edit changes the log one way only: it builds the record
 * (or a rename's replacement texts) as a prepare, enters it into its
 * journal as a PendingChange, and applies it once nothing can fail.
 */
#include "edit/changelog.h"

#include "core/alloc.h"
#include "core/host.h"

#include <stddef.h>

namespace {

// The name an item has in the log; none for the universe member, which the
// database knows no name for.
const char *nameInLog(const OtlItem *item)
{
    return item && item->generation != 0 ? item->memberName : nullptr;
}

// Copies of `names` into the record's first slots, or nothing at all.
OtlStatus fillTexts(const OtlHostContext *host, OtlChangeRecord *record, const char *const *names,
                    uint16_t count)
{
    for (uint16_t i = 0; i < count; ++i) {
        char *copy = nullptr;
        const OtlStatus status = otlDupString(host, names[i], &copy);
        if (status != OTL_OK)
            return status; // the caller frees the record with what it has
        record->text[i] = copy;
    }
    return OTL_OK;
}

// A complete record of `kind` with the given texts, or none at all.
OtlStatus buildRecord(const OtlHostContext *host, uint16_t kind, uint16_t generation,
                      uint16_t oldGeneration, const char *const *names, uint16_t count,
                      OtlChangeRecord **out)
{
    OtlChangeRecord *record = nullptr;
    OtlStatus status = otlNewChangeRecord(host, kind, &record);
    if (status != OTL_OK)
        return status;
    record->generation = generation;
    record->oldGeneration = oldGeneration;
    status = fillTexts(host, record, names, count);
    if (status != OTL_OK) {
        otlFreeChangeRecord(host, record);
        return status;
    }
    *out = record;
    return OTL_OK;
}

OtlChangeRecord *newestWithName(const OtlOutline *outline, uint16_t kind, const char *name)
{
    for (OtlChangeRecord *r = outline->changeLogTail; r; r = r->prev)
        if (r->kind == kind && r->text[0] && otl::namesEqual(outline, r->text[0], name))
            return r;
    return nullptr;
}

// Calls visit(record, index) for every text slot from `from` to the newest
// record that holds `oldName`. With keepOriginal, the old name of the rename record
// `from` is passed over: it is the name the member had before the log knew
// it, and must survive even when it differs from `oldName` only in case.
template <class Visit>
void forEachOldNameSlot(const OtlOutline *outline, OtlChangeRecord *from, const char *oldName,
                        bool keepOriginal, Visit visit)
{
    for (OtlChangeRecord *r = from; r; r = r->next) {
        const uint16_t slots = otlChangeTextCount(r->kind);
        for (uint16_t i = 0; i < slots; ++i) {
            if (keepOriginal && r == from && i == 1)
                continue;
            const char *text = r->text[i];
            if (text && otl::namesEqual(outline, text, oldName))
                visit(r, i);
        }
    }
}

// Copies of the new name for every slot from `from` onwards that holds the
// old one, or nothing at all.
OtlStatus prepareRewrite(OtlOutline *outline, OtlChangeRecord *from, const char *oldName,
                         const char *newName, bool keepOriginal, otl::PendingChange *rename)
{
    const OtlHostContext *host = outline->host;
    uint32_t count = 0;
    forEachOldNameSlot(outline, from, oldName, keepOriginal, [&](OtlChangeRecord *, uint16_t) { ++count; });
    OtlStatus status = otl::hostNewArray(host, count, &rename->slots);
    if (status != OTL_OK)
        return status;
    forEachOldNameSlot(outline, from, oldName, keepOriginal,
                       [&](OtlChangeRecord *record, uint16_t i) {
                           otl::PendingChange::Slot &slot = rename->slots[rename->count++];
                           slot.record = record;
                           slot.index = i;
                           if (status == OTL_OK)
                               status = otlDupString(host, newName, &slot.text);
                       });
    if (status != OTL_OK)
        rename->undo(); // not applied: releases the copies made
    return status;
}

} // namespace

uint16_t otlChangeTextCount(uint16_t kind)
{
    switch (kind) {
    case OTL_CHANGE_ADDED:
        return 4;
    case OTL_CHANGE_DELETED:
    case OTL_CHANGE_RENAMED:
        return 2;
    case OTL_CHANGE_MOVED:
        return 6;
    default:
        return 0;
    }
}

OtlStatus otlNewChangeRecord(const OtlHostContext *host, uint16_t kind, OtlChangeRecord **record)
{
    *record = nullptr;
    const uint16_t slots = otlChangeTextCount(kind);
    if (slots == 0)
        return OTL_ERR_CHANGE_KIND;
    const uint32_t bytes =
        static_cast<uint32_t>(offsetof(OtlChangeRecord, text) + slots * sizeof(char *));
    void *block = nullptr;
    const OtlStatus status = otl::hostAllocZero(host, bytes, &block);
    if (status != OTL_OK)
        return status;
    *record = static_cast<OtlChangeRecord *>(block);
    (*record)->kind = kind;
    return OTL_OK;
}

OtlStatus otlBuildMemberAdded(OtlOutline *outline, const OtlItem *parent,
                              const OtlItem *prevSibling, const char *name,
                              const char *changeText, otl::Journal &journal,
                              otl::PendingChange **pending)
{
    OtlChangeRecord *record = nullptr;
    if (outline->changeLogEnabled) {
        const bool withText = changeText && changeText[0];
        const char *names[] = {name, nameInLog(parent),
                               prevSibling ? prevSibling->memberName : nullptr, changeText};
        OtlStatus status = buildRecord(outline->host, OTL_CHANGE_ADDED,
                                       static_cast<uint16_t>(parent->generation + 1), 0, names,
                                       withText ? 4 : 3, &record);
        if (status != OTL_OK)
            return status;
    }
    *pending = journal.step(otl::PendingChange{outline, nullptr, 0, record, false});
    return OTL_OK;
}

// Exchanges the slots' texts with the records': the new name goes in, the
// old one comes out, and the same exchange takes it back.
void otl::PendingChange::swap()
{
    for (uint32_t i = 0; i < count; ++i) {
        char *old = slots[i].record->text[slots[i].index];
        slots[i].record->text[slots[i].index] = slots[i].text;
        slots[i].text = old;
    }
}

void otl::PendingChange::apply()
{
    if (record)
        otlChangeListAppend(outline, record);
    swap();
    applied = true;
}

void otl::PendingChange::undo()
{
    if (record && applied)
        otlChangeLogTruncate(outline, record->prev); // the newest record: later ones are gone
    else if (record)
        otlFreeChangeRecord(outline->host, record);
    record = nullptr;
    if (applied)
        swap();
    applied = false;
    commit(); // the slots hold the new texts again
}

void otl::PendingChange::commit()
{
    for (uint32_t i = 0; i < count; ++i)
        otl::hostRelease(outline->host, &slots[i].text);
    otl::hostRelease(outline->host, &slots);
    count = 0;
}

OtlStatus otlBuildMemberRenamed(OtlOutline *outline, const OtlItem *member, const char *oldName,
                                const char *newName, otl::PendingChange *change)
{
    *change = otl::PendingChange{outline, nullptr, 0, nullptr, false};
    if (!outline->changeLogEnabled)
        return OTL_OK;
    if (OtlChangeRecord *added = newestWithName(outline, OTL_CHANGE_ADDED, oldName))
        return prepareRewrite(outline, added, oldName, newName, false, change);
    if (OtlChangeRecord *renamed = newestWithName(outline, OTL_CHANGE_RENAMED, oldName))
        return prepareRewrite(outline, renamed, oldName, newName, true, change);
    const char *names[] = {newName, oldName};
    return buildRecord(outline->host, OTL_CHANGE_RENAMED, member->generation, 0, names, 2,
                       &change->record);
}

OtlStatus otlPrepareMemberRenamed(OtlOutline *outline, const OtlItem *member, const char *oldName,
                                  const char *newName, otl::Journal &journal,
                                  otl::PendingChange **pending)
{
    otl::PendingChange rename{};
    const OtlStatus status = otlBuildMemberRenamed(outline, member, oldName, newName, &rename);
    if (status == OTL_OK)
        *pending = journal.step(rename);
    return status;
}

OtlStatus otlBuildMemberDeleted(OtlOutline *outline, const OtlItem *member,
                                const char *changeText, otl::Journal &journal,
                                otl::PendingChange **pending)
{
    OtlChangeRecord *record = nullptr;
    if (outline->changeLogEnabled) {
        const bool withText = changeText && changeText[0];
        const char *names[] = {member->memberName, changeText};
        OtlStatus status = buildRecord(outline->host, OTL_CHANGE_DELETED, member->generation, 0,
                                       names, withText ? 2 : 1, &record);
        if (status != OTL_OK)
            return status;
    }
    *pending = journal.step(otl::PendingChange{outline, nullptr, 0, record, false});
    return OTL_OK;
}

OtlStatus otlBuildMemberMoved(OtlOutline *outline, const OtlItem *member,
                              const OtlItem *oldParent, const OtlItem *oldPrevSibling,
                              const OtlItem *newParent, const OtlItem *newPrevSibling,
                              otl::Journal &journal, otl::PendingChange **pending)
{
    OtlChangeRecord *record = nullptr;
    if (outline->changeLogEnabled) {
        const uint16_t generation =
            newParent ? static_cast<uint16_t>(newParent->generation + 1) : 1;
        const uint16_t oldGeneration =
            oldParent ? static_cast<uint16_t>(oldParent->generation + 1) : 1;
        const char *names[] = {member->memberName, nameInLog(oldParent),
                               oldPrevSibling ? oldPrevSibling->memberName : nullptr,
                               nameInLog(newParent),
                               newPrevSibling ? newPrevSibling->memberName : nullptr};
        OtlStatus status = buildRecord(outline->host, OTL_CHANGE_MOVED, generation, oldGeneration,
                                       names, 5, &record);
        if (status != OTL_OK)
            return status;
    }
    *pending = journal.step(otl::PendingChange{outline, nullptr, 0, record, false});
    return OTL_OK;
}

void otlFinishEdit(OtlOutline *outline, otl::Journal &journal, otl::PendingChange *change)
{
    change->apply();
    outline->verified = 0;
    journal.commit();
}

void otlChangeLogTruncate(OtlOutline *outline, OtlChangeRecord *tail)
{
    OtlChangeRecord *record = tail ? tail->next : outline->changeLogHead;
    while (record) {
        OtlChangeRecord *next = record->next;
        otlFreeChangeRecord(outline->host, record);
        record = next;
    }
    if (tail)
        tail->next = nullptr;
    else
        outline->changeLogHead = nullptr;
    outline->changeLogTail = tail;
}

void otlChangeListAppend(OtlOutline *outline, OtlChangeRecord *record)
{
    record->next = nullptr;
    record->prev = nullptr;
    if (!outline->changeLogHead) {
        outline->changeLogHead = record;
    } else {
        record->prev = outline->changeLogTail;
        outline->changeLogTail->next = record;
    }
    outline->changeLogTail = record;
}

// Records are byte-packed, so the text slots are read through the record
// member itself (which the compiler reads unaligned), never through a
// char ** that would point at a misaligned slot.
void otlFreeChangeRecord(const OtlHostContext *host, OtlChangeRecord *record)
{
    if (!record)
        return;
    for (uint16_t i = 0; i < otlChangeTextCount(record->kind); ++i)
        if (char *text = record->text[i])
            otl::hostFree(host, text);
    otl::hostFree(host, record);
}

void otlChangeLogRelease(OtlOutline *outline)
{
    OtlChangeRecord *record = outline->changeLogHead;
    while (record) {
        OtlChangeRecord *next = record->next;
        otlFreeChangeRecord(outline->host, record);
        record = next;
    }
    outline->changeLogHead = nullptr;
    outline->changeLogTail = nullptr;
}
