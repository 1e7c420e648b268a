/*
 * Alias tables as the rest of the alias subsystem sees them: finding a
 * table by name, the hash number of its names, taking a member's slot of
 * one table out of the name hash, and the end every member alias edit
 * shares.
 *
 * Invariants: slots 0 to aliasTableCount - 1 of every member belong to the
 * tables in order, the slots above are empty; the alias and every
 * combination alias of slot t are entered in the name hash under t + 1.
 */
#ifndef SHROTL_ALIAS_TABLES_H
#define SHROTL_ALIAS_TABLES_H

#include "core/host.h"
#include "core/journal.h"
#include "core/records.h"

// The table a name selects: NULL or empty is table 0, otherwise the first
// whose name equals it without regard to case; none gives
// OTL_ERR_ALIAS_TABLE_NOT_FOUND and leaves *index alone.
OtlStatus otlFindAliasTable(const OtlOutline *outline, const char *name, uint16_t *index);
// The refusals every alias edit starts with: field-access mode, then the
// table.
OtlStatus otlAliasEditTable(const OtlOutline *outline, const char *tableName, uint16_t *index);

// A new table's refusals, in order (empty or used name, an eleventh table,
// a name over 30 bytes), then its name copied; appending it cannot fail.
OtlStatus otlPrepareAliasTable(const OtlOutline *outline, const char *name, char **copy);
void otlAppendAliasTable(OtlOutline *outline, char *name);

// The name-hash table number of the names of alias table `index`.
inline uint16_t otlAliasHashTable(uint16_t index)
{
    return static_cast<uint16_t>(index + 1);
}

// Takes the alias and combination aliases of `slot` (the member's slot of
// table `index`, or one being built for it) out of the name hash: each
// entry that points at one of these very texts, so that an equal text of
// the member stays. A text that is not entered is passed over.
void otlUnindexAliasSlot(OtlOutline *outline, OtlItem *item, const OtlAliasSlot &slot,
                         uint16_t index);
// Removes every member's alias and combinations of table `index` from the
// hash and releases them. Allocates nothing and cannot fail.
void otlClearAliasTable(OtlOutline *outline, uint16_t index);

// The end of an edit that gave a member a new name of an alias table: the
// member's rule check of `mode`; a fault rolls the journal back and is
// returned, otherwise the outline needs verifying again and the journal
// commits. A finding that maps to no status (the many-children warning)
// lets the edit stand: undoing it and then reporting success would leave
// the caller nothing to go by.
OtlStatus otlFinishAliasEdit(OtlOutline *outline, OtlItem *member, OtlCheckMode mode,
                             otl::Journal &journal);

// Whether a field of the member may be read: its field mask is not active,
// or it has the field's bit.
inline bool otlAliasFieldReadable(const OtlItem *member, uint32_t field)
{
    return member->fieldMaskActive != 1 || otlTestFieldFlag(field, member->fieldMask);
}

#endif
