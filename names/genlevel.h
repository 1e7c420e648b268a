/*
 * Generation and level names of a dimension: a singly linked list in
 * ascending number order, generation and level names mixed.
 */
#ifndef SHROTL_NAMES_GENLEVEL_H
#define SHROTL_NAMES_GENLEVEL_H

#include "core/records.h"

// Releases the item's name list and clears it. In field-access mode the host
// supplies the records as one block: each text goes, then the block.
void otlFreeGenLevelNames(OtlOutline *outline, OtlItem *item);

#endif
