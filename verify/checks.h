/*
 * Whole-outline checks shared by verification and the outline settings:
 * the outline-level word and the duplicate-name pass over the hash table.
 */
#ifndef SHROTL_VERIFY_CHECKS_H
#define SHROTL_VERIFY_CHECKS_H

#include "shrotl.h"

// Outline-level fault word: 0x200000 for a currency outline of more than 4
// dimensions, 0x4000 when attribute dimensions exist and the last dimension
// is not the attribute calculations dimension. Returns 0.
OtlStatus otlVerifyOutlineLevel(OtlOutline *outline, uint32_t *word);
// Marks duplicate names on the items (0x2 member names, 0x100 a name equal
// to an alias or two equal aliases of one table); returns the last bit set.
uint32_t otlVerifyDuplicates(OtlOutline *outline);
// The same test without marking any item.
uint32_t otlFindDuplicates(OtlOutline *outline);

#endif
