/*
 * The outline change log: a doubly linked list of change records, oldest
 * at the head, newest at the tail. Each record owns its text slots, whose
 * number follows from its kind. Edits build their changes to the log first
 * and apply them last (PendingChange), so a failure leaves the log as it
 * was.
 */
#ifndef SHROTL_EDIT_CHANGELOG_H
#define SHROTL_EDIT_CHANGELOG_H

#include "core/records.h"
#include "core/journal.h"

// Number of text slots of a record kind, 0 for an unknown kind.
uint16_t otlChangeTextCount(uint16_t kind);

// A zeroed record with exactly the text slots of its kind. *record is
// cleared first; an unknown kind gives OTL_ERR_CHANGE_KIND.
OtlStatus otlNewChangeRecord(const OtlHostContext *host, uint16_t kind, OtlChangeRecord **record);

namespace otl {

// A change to the log, prepared before the outline changes: the log's one
// way in. It is a new record, or (for a rename) the copies of the new name
// that replace the old one in the records that already name the member.
// `apply` links or swaps them in and cannot fail; a rollback takes them out
// again, a commit releases the replaced texts. A change with nothing in it
// (the log is off) applies as nothing.
struct PendingChange {
    struct Slot {
        OtlChangeRecord *record;
        char *text;
        uint16_t index;
    };
    OtlOutline *outline;
    Slot *slots;
    uint32_t count;
    OtlChangeRecord *record;
    bool applied;

    void apply();
    void undo();
    void commit();
    void swap();
};

} // namespace otl

// Builds the log's change for a member renamed from `oldName` to
// `newName`: a member added or renamed earlier in the log has those records
// rewritten, from the newest that added it (else from the newest that
// renamed it, keeping the name it had before the log knew it); any other
// member gets a record of its own. On failure *change is empty.
OtlStatus otlBuildMemberRenamed(OtlOutline *outline, const OtlItem *member, const char *oldName,
                                const char *newName, otl::PendingChange *change);
// The same change, entered into the journal; on failure nothing is entered.
OtlStatus otlPrepareMemberRenamed(OtlOutline *outline, const OtlItem *member, const char *oldName,
                                  const char *newName, otl::Journal &journal,
                                  otl::PendingChange **pending);

// Builds the member-added record of a member named `name` under `parent`
// (the universe member for a dimension) after `prevSibling`, with a copy of
// a nonempty dimension change text, and enters it into the journal; it is
// appended by (*pending)->apply(). On failure nothing is entered.
OtlStatus otlBuildMemberAdded(OtlOutline *outline, const OtlItem *parent,
                              const OtlItem *prevSibling, const char *name,
                              const char *changeText, otl::Journal &journal,
                              otl::PendingChange **pending);

// The member-deleted record, with a copy of a nonempty dimension change
// text, built and entered into the journal; it is appended by
// (*pending)->apply(). On failure nothing is entered.
OtlStatus otlBuildMemberDeleted(OtlOutline *outline, const OtlItem *member,
                                const char *changeText, otl::Journal &journal,
                                otl::PendingChange **pending);
// The member-moved record, built and entered into the journal; it is
// appended by (*pending)->apply(). The parents are null at dimension level.
// On failure nothing is entered.
OtlStatus otlBuildMemberMoved(OtlOutline *outline, const OtlItem *member,
                              const OtlItem *oldParent, const OtlItem *oldPrevSibling,
                              const OtlItem *newParent, const OtlItem *newPrevSibling,
                              otl::Journal &journal, otl::PendingChange **pending);
// The last step of an edit that stands: its change to the log goes in, the
// outline needs verifying again, and the journal commits.
void otlFinishEdit(OtlOutline *outline, otl::Journal &journal, otl::PendingChange *change);

// Releases every record newer than `tail` (all records for a null tail):
// the undo of appends made since `tail` was the newest.
void otlChangeLogTruncate(OtlOutline *outline, OtlChangeRecord *tail);

// Appends a record at the tail (its links are cleared first).
void otlChangeListAppend(OtlOutline *outline, OtlChangeRecord *record);
// Releases one record with its texts.
void otlFreeChangeRecord(const OtlHostContext *host, OtlChangeRecord *record);
// Releases the whole log; head and tail become null.
void otlChangeLogRelease(OtlOutline *outline);

#endif
