/*
 * Generation and level names of a dimension: a singly linked list in
 * ascending number order, generation and level names mixed; each record
 * owns its text. A name is unique in the whole outline, among both kinds
 * and every dimension, without regard to case, and is no member name or
 * alias.
 */
#ifndef SHROTL_NAMES_GENLEVEL_H
#define SHROTL_NAMES_GENLEVEL_H

#include "core/records.h"

// Releases the item's name list and clears it. In field-access mode the host
// supplies the records as one block: each text goes, then the block.
void otlFreeGenLevelNames(OtlOutline *outline, OtlItem *item);

// A new unlinked record holding a copy of `name` (null for an empty name).
// On failure nothing is kept.
OtlStatus otlNewGenLevelName(const OtlHostContext *host, const char *name, uint16_t number,
                             uint8_t kind, OtlGenLevelName **record);
// Links a record into the dimension's list at the place its number gives:
// first when the list is empty or starts with a greater number, else after
// the last record whose number is smaller (after the first when none is).
void otlLinkGenLevelName(OtlItem *dimension, OtlGenLevelName *record);

// The dimension's record of this kind and number, or null.
OtlGenLevelName *otlFindGenLevelName(const OtlItem *dimension, uint8_t kind, uint16_t number);
// The non-shared member of that name (member names only), or null.
OtlItem *otlFindNamedMember(OtlOutline *outline, const char *name);

// Names generation or level `number` of a dimension, with every check from
// the number on; a refusal or failure changes nothing. The caller has
// refused field-access mode, checked the name's form and found the
// dimension.
OtlStatus otlSetGenLevelName(OtlOutline *outline, OtlItem *dimension, uint8_t kind,
                             uint16_t number, const char *name);
// Removes and releases the dimension's first name of this kind and number;
// OTL_ERR_NO_GEN_LEVEL_NAME when there is none.
OtlStatus otlDeleteGenLevelName(OtlOutline *outline, OtlItem *dimension, uint8_t kind,
                                uint16_t number);

#endif
