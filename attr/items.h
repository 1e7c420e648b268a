/*
 * Attribute bookkeeping carried by items: the link area whose variant
 * follows from the item's role, and the association matrix of an attribute
 * dimension.
 */
#ifndef SHROTL_ATTR_ITEMS_H
#define SHROTL_ATTR_ITEMS_H

#include "core/records.h"

// Which variant of the link area an item uses.
enum class AttrLinkKind { None, BaseDim, AttrDim, BaseMember, AttrMember };
AttrLinkKind otlAttrLinkKind(const OtlItem *item);

// Releases what the link area owns when read in the given form, and clears
// the area; the association matrix stays with the item.
void otlAttrReleaseLinks(const OtlHostContext *host, OtlItem *item, AttrLinkKind kind);
// The same for a link area held apart from its item.
void otlAttrReleaseLinkArea(const OtlHostContext *host, OtlAttrLinkVariant *area, AttrLinkKind kind);
// Releases what the item's attribute fields own and clears them.
void otlAttrFreeItem(const OtlHostContext *host, OtlItem *item);

#endif
