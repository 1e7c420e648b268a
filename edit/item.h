/*
 * Releasing items with everything they own: texts, alias slots, user-defined
 * attributes, generation and level names, attribute links. The item's tree
 * links are the caller's to undo first.
 */
#ifndef SHROTL_EDIT_ITEM_H
#define SHROTL_EDIT_ITEM_H

#include "core/records.h"

// Releases an item and everything below it, children first.
void otlReleaseSubtree(OtlOutline *outline, OtlItem *item);
// Releases what the item's pointer fields own, without the item itself.
void otlFreeItemContents(OtlOutline *outline, OtlItem *item, uint16_t aliasTableCount);
// Releases one alias slot's combinations and alias, and clears both.
void otlReleaseAliasSlot(const OtlHostContext *host, OtlAliasSlot *slot);

#endif
