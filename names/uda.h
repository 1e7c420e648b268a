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

#endif
