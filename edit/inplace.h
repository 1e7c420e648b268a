/*
 * Items renamed in place by one edit: a member and its shared copies, the
 * attribute members whose composed names carry a renamed or moved
 * ancestor, a value member that takes its short name back.
 *
 * The list is one journal entry however many items it renames. For each
 * item it keeps the old name by value, the place the item's entry had
 * among equal names and its change to the log, so that a rollback puts
 * names, hash and log back exactly and needs no memory.
 */
#ifndef SHROTL_EDIT_INPLACE_H
#define SHROTL_EDIT_INPLACE_H

#include "core/journal.h"
#include "edit/changelog.h"

namespace otl {

struct RenamedItems {
    struct Entry {
        OtlItem *item;
        PendingChange log; // empty for the copies of a renamed member
        int32_t position;  // -1: the item had no entry under its old name
        char oldName[OTL_NAME_SIZE];
    };
    OtlOutline *outline;
    Entry *entries;
    uint32_t count;
    uint32_t capacity;

    // Renames an item for which room was made: an entry of the list and
    // the new name's place in its bucket. Cannot fail.
    void rename(OtlItem *item, const char *name);
    // Checks the name against the name rules, makes the room and the
    // change to the log, then renames; on failure nothing changed.
    OtlStatus renameLogged(OtlItem *item, const char *name);
    void undo();
    void commit();
};

// An empty list with room for `capacity` entries, entered into the journal.
OtlStatus newRenamedItems(OtlOutline *outline, uint32_t capacity, Journal &journal,
                          RenamedItems **list);

} // namespace otl

// Renames one item in place, with its hash entry and its change to the log,
// as a journal entry.
OtlStatus otlRenameItemInPlace(OtlOutline *outline, OtlItem *item, const char *newName,
                               otl::Journal &journal);

#endif
