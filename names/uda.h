/*
 * User-defined attributes: free-text tags on a member, a singly linked list
 * in the order they were added; each node owns its text.
 */
#ifndef SHROTL_NAMES_UDA_H
#define SHROTL_NAMES_UDA_H

#include "core/records.h"

// Releases every node of the item's list and clears it; a null item is
// ignored.
void otlFreeUserAttributes(const OtlHostContext *host, OtlItem *item);
// The number of the item's tags; 0 for no item.
uint32_t otlCountUserAttributes(const OtlItem *item);
// Appends a copy of each of the source's tags, in order, to the
// destination's; the first failure ends the copy.
OtlStatus otlCopyUserAttributes(const OtlHostContext *host, OtlItem *destination,
                                const OtlItem *source);

#endif
