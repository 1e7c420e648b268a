/*
 * The outline change log: a doubly linked list of change records, oldest
 * at the head, newest at the tail. Each record owns its text slots, whose
 * number follows from its kind.
 */
#ifndef SHROTL_EDIT_CHANGELOG_H
#define SHROTL_EDIT_CHANGELOG_H

#include "core/records.h"

// Number of text slots of a record kind, 0 for an unknown kind.
uint16_t otlChangeTextCount(uint16_t kind);

// Appends a record at the tail (its links are cleared first).
void otlChangeListAppend(OtlOutline *outline, OtlChangeRecord *record);
// Number of records from the head.
uint32_t otlChangeListCount(const OtlOutline *outline);
// Releases one record with its texts.
void otlFreeChangeRecord(const OtlHostContext *host, OtlChangeRecord *record);
// Releases the whole log; head and tail become null.
void otlChangeLogRelease(OtlOutline *outline);

#endif
