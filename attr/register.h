/*
 * Attribute bookkeeping that member editing drives: the outline's counters,
 * the dimension table with its statistics, the attribute item table (cells),
 * and the attribute calculations dimension that exists exactly while the
 * outline has an attribute dimension.
 */
#ifndef SHROTL_ATTR_REGISTER_H
#define SHROTL_ATTR_REGISTER_H

#include "core/journal.h"
#include "shrotl.h"

constexpr uint32_t kAttrCellsPerBlock = 1028;

// A new item entered the tree: roles, counters, dimension number, cell;
// every change is entered into the journal.
OtlStatus otlAttrRegisterItem(OtlOutline *outline, OtlItem *item, otl::Journal &journal);
// An item is being deleted.
OtlStatus otlAttrUnregisterItem(OtlOutline *outline, OtlItem *item);
// After a move: positionMode otl::kLinkAfterSibling or otl::kLinkFirstChild.
// Every change is entered into the journal; the attribute calculations
// dimension is settled.
OtlStatus otlAttrAfterMove(OtlOutline *outline, OtlItem *item, OtlItem *oldDimension,
                           OtlItem *newDimension, uint16_t positionMode, bool becameDimension,
                           otl::Journal &journal);
// After member information gave the item a new tag (the item already has
// it); every change is entered into the journal.
OtlStatus otlAttrAfterTagChange(OtlOutline *outline, OtlItem *item, uint16_t oldTag,
                                otl::Journal &journal);
// A member (not the dimension) of an attribute dimension whose first child
// arrived is no longer a value member: it takes its short name back as its name and
// gives up its value, short name and cell; every change is entered into
// the journal.
OtlStatus otlAttrGiveUpValue(OtlOutline *outline, OtlItem *parent, otl::Journal &journal);
// After member information changed an item's share option: the outline's
// count of stored members follows (share options 2 and 3 hold no data).
void otlAttrShareChanged(OtlOutline *outline, const OtlItem *item, uint16_t oldShareOption);
OtlStatus otlAttrLastDim(OtlOutline *outline, OtlItem **item);
bool otlAttrRecomputeHasAttr(OtlOutline *outline, OtlItem *item);
OtlStatus otlAttrNewCell(OtlOutline *outline, OtlItem *item);
// Releases every block of the attribute item table (teardown).
void otlAttrReleaseCells(OtlOutline *outline);
OtlStatus otlAttrRegisterDim(OtlOutline *outline, OtlItem *dimension);
// The cell of an attribute dimension or member, null when it has none or
// the item is neither.
OtlItem **otlAttrCellOf(OtlItem *item);
// Empties the slots of `base` that point at `attrDim`, which forgets its
// base dimension and is marked changed.
void otlAttrUnlinkDims(OtlItem *base, OtlItem *attrDim);

#endif
