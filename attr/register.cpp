/*
 * Attribute bookkeeping driven by member editing: counters, the dimension
 * table and its statistics, the attribute item table, and the attribute
 * calculations dimension.
 *
 * Invariants: dimCount counts the dimensions in the tree, baseDimCount those
 * whose tag is no attribute tag (otl::isAttrTag); a dimension's number
 * never changes while the outline is open and its dimTable slot is
 * cleared, never reused, when it goes; a cell, once handed out, keeps its
 * number and holds its item or null.
 */
#include "attr/register.h"
#include "attr/items.h"
#include "attr/values.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/records.h"
#include "attr/naming.h"
#include "attr/attr_specs.h"
#include "core/tree.h"
#include "edit/calcdim.h"
#include "edit/changelog.h"
#include "edit/inplace.h"
#include "edit/mbrinfo.h"

namespace {

// A block of the attribute item table: 1028 cells, then the next block.
struct CellBlock {
    OtlItem *cells[kAttrCellsPerBlock];
    CellBlock *next;
};

OtlItem **cellAt(OtlOutline *outline, uint32_t number)
{
    CellBlock *block = static_cast<CellBlock *>(outline->attrCellBlocks);
    for (uint32_t b = number / kAttrCellsPerBlock; b > 0 && block; --b)
        block = block->next;
    return block ? &block->cells[number % kAttrCellsPerBlock] : nullptr;
}

OtlStatus growCells(OtlOutline *outline)
{
    CellBlock *block = nullptr;
    OtlStatus status = otl::hostNew(outline->host, &block);
    if (status != OTL_OK)
        return status;
    if (!outline->attrCellBlocks) {
        outline->attrCellBlocks = block;
    } else {
        CellBlock *last = static_cast<CellBlock *>(outline->attrCellBlocks);
        while (last->next)
            last = last->next;
        last->next = block;
    }
    outline->attrCellCapacity += kAttrCellsPerBlock;
    return OTL_OK;
}

// The cell pointer of an attribute dimension or attribute member; it lies in
// a packed record, so it is read and written through loadPointer and
// storePointer.
OtlItem ***cellField(OtlItem *item)
{
    switch (otlAttrLinkKind(item)) {
    case AttrLinkKind::AttrDim:
        return &item->attrLink.attrDim.attrCell;
    case AttrLinkKind::AttrMember:
        return &item->attrLink.attrMember.attrCell;
    default:
        return nullptr;
    }
}

void emptyCellOf(OtlItem **cell)
{
    if (cell)
        *cell = nullptr;
}

void emptyCell(OtlItem *item)
{
    OtlItem ***field = cellField(item);
    if (field)
        emptyCellOf(otl::loadPointer(field));
}

OtlDimStats *statsOf(OtlOutline *outline, const OtlItem *dimension)
{
    const uint32_t number = dimension ? dimension->dimensionNumber : 0;
    if (number == 0 || number > outline->dimTableSize || !outline->stats.dimStats)
        return nullptr;
    return &outline->stats.dimStats[number - 1];
}

void clearDimTableSlot(OtlOutline *outline, const OtlItem *dimension, uint32_t number)
{
    if (number > 0 && number <= outline->dimTableSize && outline->dimTable &&
        outline->dimTable[number - 1] == dimension)
        outline->dimTable[number - 1] = nullptr;
}

// Every attribute dimension linked from a base dimension's slots (`links`,
// its link area now or as it was) forgets it.
void releaseBaseLinksOf(const OtlAttrLinkVariant &links, const OtlItem *dimension)
{
    const auto &base = links.baseDim;
    for (uint16_t i = 0; i < base.attrLinkCount && base.attrLinks; ++i) {
        OtlItem *attrDim = base.attrLinks[i].attrDim;
        if (attrDim && attrDim->attrLink.attrDim.attrBaseDim == dimension) {
            attrDim->attrLink.attrDim.attrBaseDim = nullptr;
            attrDim->attrLink.attrDim.attrLinkLevel = 0;
        }
    }
}

void releaseBaseLinks(OtlItem *dimension)
{
    releaseBaseLinksOf(dimension->attrLink, dimension);
}

// Rebuilds an attribute member's own name from its value with the outline's
// specifications, renaming through the hash and the change log.
OtlStatus rebuildOwnName(OtlOutline *outline, OtlItem *item, otl::Journal &journal)
{
    char separator = '_';
    otlAttrSeparatorChar(&outline->attrSpecs, &separator);
    return otlAttrRebuildName(outline, item, item->parent, &outline->attrSpecs, OTL_SPEC_ALL,
                              true, separator, journal);
}

// Empties the link slots of `base` that point at `attrDim`; a base left
// with no link is no longer associated.
void releaseBaseSlots(OtlItem *base, const OtlItem *attrDim)
{
    bool matched = false;
    auto &links = base->attrLink.baseDim;
    for (uint16_t i = 0; i < links.attrLinkCount && links.attrLinks; ++i) {
        if (links.attrLinks[i].attrDim != attrDim)
            continue;
        links.attrLinks[i].attrDim = nullptr;
        if (links.attrLinkLevels)
            links.attrLinkLevels[i] = 0;
        matched = true;
    }
    if ((matched || links.attrLinkCount == 0) && links.attrLinkCount <= 1)
        base->attrRole = OTL_ATTR_ROLE_NONE;
}

void unlinkAttrDim(OtlItem *base, OtlItem *attrDim)
{
    releaseBaseSlots(base, attrDim);
    attrDim->attrLink.attrDim.attrBaseDim = nullptr;
    attrDim->attrLink.attrDim.attrLinkLevel = 0;
    attrDim->dimChanged = 1;
}

void disassociateFromBase(OtlItem *attrDim)
{
    OtlItem *base = attrDim->attrLink.attrDim.attrBaseDim;
    if (base)
        unlinkAttrDim(base, attrDim);
}

// Gives back the newest cell; its block goes too when nothing else is in it.
void returnNewestCell(OtlOutline *outline, OtlItem **cell)
{
    if (outline->attrCellCount == 0 || cellAt(outline, outline->attrCellCount - 1) != cell)
        return;
    outline->attrCellCount--;
    if (outline->attrCellCount % kAttrCellsPerBlock != 0 ||
        outline->attrCellCount + kAttrCellsPerBlock != outline->attrCellCapacity)
        return;
    // The outline's own pointer is read into a local: the record is packed
    // and the field may be misaligned.
    CellBlock *first = static_cast<CellBlock *>(outline->attrCellBlocks);
    if (!first->next) {
        otl::hostRelease(outline->host, &first);
        outline->attrCellBlocks = nullptr;
    } else {
        CellBlock *beforeLast = first;
        while (beforeLast->next->next)
            beforeLast = beforeLast->next;
        otl::hostRelease(outline->host, &beforeLast->next);
    }
    outline->attrCellCapacity -= kAttrCellsPerBlock;
}

// Gives back the newest dimension number; the first registration's arrays
// go with it.
void returnNewestDimension(OtlOutline *outline, uint32_t number)
{
    if (number == 0 || number != outline->dimTableSize)
        return;
    outline->dimTableSize--;
    if (outline->dimTableSize == 0) {
        otl::hostRelease(outline->host, &outline->dimTable);
        otl::hostRelease(outline->host, &outline->stats.dimStats);
    }
}

} // namespace

OtlStatus otlAttrNewCell(OtlOutline *outline, OtlItem *item)
{
    OtlItem ***field = cellField(item);
    if (!field)
        return OTL_ERR_ATTR_NOT_ATTRIBUTE;
    if (outline->attrCellCount >= outline->attrCellCapacity) {
        OtlStatus status = growCells(outline);
        if (status != OTL_OK)
            return status;
    }
    OtlItem **cell = cellAt(outline, outline->attrCellCount);
    *cell = item;
    otl::storePointer(field, cell);
    outline->attrCellCount++;
    return OTL_OK;
}

void otlAttrReleaseCells(OtlOutline *outline)
{
    CellBlock *block =
        outline->attrCellCapacity ? static_cast<CellBlock *>(outline->attrCellBlocks) : nullptr;
    while (block) {
        CellBlock *next = block->next;
        otl::hostFree(outline->host, block);
        block = next;
    }
    outline->attrCellBlocks = nullptr;
    outline->attrCellCapacity = 0;
    outline->attrCellCount = 0;
}

OtlStatus otlAttrRegisterDim(OtlOutline *outline, OtlItem *dimension)
{
    const OtlHostContext *host = outline->host;
    const uint32_t oldSize = outline->dimTableSize;
    // The first registration sizes the table for every dimension counted so
    // far; later ones add one slot.
    const uint32_t newSize = outline->dimTable ? oldSize + 1 : outline->stats.dimCount;
    if (newSize <= oldSize)
        return otl::kStatusTooLarge;
    OtlStatus status = otl::hostResizeArray(host, &outline->dimTable, oldSize, newSize);
    if (status != OTL_OK)
        return status;
    status = otl::hostResizeArray(host, &outline->stats.dimStats, oldSize, newSize);
    if (status != OTL_OK) {
        // Keep the two arrays the same length: give the table its old size.
        if (oldSize == 0)
            otl::hostRelease(host, &outline->dimTable);
        return status;
    }
    outline->dimTableSize = newSize;
    outline->dimTable[newSize - 1] = dimension;
    dimension->dimensionNumber = newSize;
    return OTL_OK;
}

OtlStatus otlAttrUnregisterItem(OtlOutline *outline, OtlItem *item)
{
    OtlItem *dimension = otlGetDim(item);
    if (dimension)
        dimension->dimChanged = 1;
    const bool isDimension = item->generation == 1;
    if (item->dimensionTag == OTL_TAG_ATTRIBUTE) {
        if (isDimension)
            disassociateFromBase(item);
        emptyCell(item);
    } else if (isDimension && item->dimensionTag != OTL_TAG_ATTR_CALC) {
        releaseBaseLinks(item);
    }
    OtlFileStats &stats = outline->stats;
    if (isDimension) {
        stats.dimCount--;
        if (!otl::isAttrTag(item->dimensionTag)) {
            item->attrRole = OTL_ATTR_ROLE_NONE;
            stats.baseDimCount--;
        }
        clearDimTableSlot(outline, item, item->dimensionNumber);
    }
    stats.memberCount--;
    if (otl::isStored(item->shareOption))
        stats.storedMemberCount--;
    return OTL_OK;
}

OtlStatus otlAttrLastDim(OtlOutline *outline, OtlItem **item)
{
    *item = nullptr;
    for (OtlItem *d = outline->root ? outline->root->firstChild : nullptr; d; d = d->nextSibling)
        *item = d;
    return OTL_OK;
}

bool otlAttrRecomputeHasAttr(OtlOutline *outline, OtlItem *item)
{
    if (outline->fieldAccessMode)
        return false;
    item->hasAttrValue = 0;
    if (otl::isAttrTag(item->dimensionTag) || item->generation == 0)
        return false;
    bool has = false;
    if (item->generation == 1) {
        const auto &links = item->attrLink.baseDim;
        if (item->attrRole == OTL_ATTR_ROLE_LINKED_BASE)
            for (uint16_t i = 0; i < links.attrLinkCount && links.attrLinks && !has; ++i)
                has = links.attrLinks[i].attrDim != nullptr;
    } else {
        const OtlItem *dimension = otlGetDim(item);
        const auto &links = dimension->attrLink.baseDim;
        const auto &member = item->attrLink.baseMember;
        for (uint16_t i = 0; i < member.attrMemberCount && member.attrMemberLinks && !has; ++i)
            has = member.attrMemberLinks[i] && i < links.attrLinkCount && links.attrLinks &&
                  links.attrLinks[i].attrDim;
    }
    if (has)
        item->hasAttrValue = 1;
    return has;
}

namespace {

// An item's link area given up by a move. The area is cleared at once and
// kept whole in the step: a rollback puts it back, a commit releases what
// it owned and lets the items it linked forget this one.
struct LinksDropped {
    const OtlHostContext *host;
    OtlItem *item;
    AttrLinkKind kind;
    uint8_t area[sizeof(OtlAttrLinkVariant)];

    void undo() { memcpy(static_cast<void *>(&item->attrLink), area, sizeof area); }
    void commit()
    {
        OtlAttrLinkVariant link;
        memcpy(static_cast<void *>(&link), area, sizeof area);
        if (kind == AttrLinkKind::BaseDim)
            releaseBaseLinksOf(link, item);
        else if (kind == AttrLinkKind::AttrDim && link.attrDim.attrBaseDim)
            releaseBaseSlots(link.attrDim.attrBaseDim, item);
        otlAttrReleaseLinkArea(host, &link, kind);
    }
};

void dropLinks(OtlOutline *outline, OtlItem *item, AttrLinkKind kind, otl::Journal &journal)
{
    LinksDropped step{outline->host, item, kind, {}};
    memcpy(step.area, static_cast<const void *>(&item->attrLink), sizeof step.area);
    memset(static_cast<void *>(&item->attrLink), 0, sizeof item->attrLink);
    journal.step(step);
}

// A member's short name taken out of the hash; the text goes with the
// member's links.
struct ShortEntryOut {
    OtlOutline *outline;
    OtlItem *item;
    const char *text;
    int32_t position;
    void undo()
    {
        if (position >= 0)
            otlHashPutBack(outline, item, text, 0, static_cast<uint32_t>(position));
    }
    void commit() {}
};

void takeOutShortName(OtlOutline *outline, OtlItem *item, otl::Journal &journal)
{
    const char *text = item->attrLink.attrMember.attrShortName;
    if (text)
        journal.step(ShortEntryOut{outline, item, text, otlHashTakeOut(outline, item, text, 0)});
}

// A dimension number handed out by a move; a rollback gives it back.
struct DimNumbered {
    OtlOutline *outline;
    OtlItem *item;
    uint32_t oldNumber;
    uint32_t newNumber;
    void undo()
    {
        // The number given, not the item's: a later step's undo may have
        // renumbered the item already.
        clearDimTableSlot(outline, item, newNumber);
        returnNewestDimension(outline, newNumber);
        item->dimensionNumber = oldNumber;
    }
    void commit() {}
};

OtlStatus numberDimension(OtlOutline *outline, OtlItem *item, otl::Journal &journal)
{
    const uint32_t oldNumber = item->dimensionNumber;
    OtlStatus status = otlAttrRegisterDim(outline, item);
    if (status == OTL_OK)
        journal.step(DimNumbered{outline, item, oldNumber, item->dimensionNumber});
    return status;
}

// A dimension's slot of the dimension table, cleared. The step keeps the
// slot's number, not its address: a later registration in the same
// operation may move the table.
struct DimSlotCleared {
    OtlOutline *outline;
    OtlItem *dimension;
    uint32_t number;
    void undo() { outline->dimTable[number - 1] = dimension; }
    void commit() {}
};

void leaveDimTable(OtlOutline *outline, OtlItem *dimension, otl::Journal &journal)
{
    const uint32_t number = dimension->dimensionNumber;
    if (number > 0 && number <= outline->dimTableSize && outline->dimTable &&
        outline->dimTable[number - 1] == dimension) {
        outline->dimTable[number - 1] = nullptr;
        journal.step(DimSlotCleared{outline, dimension, number});
    }
}

// Every item of the subtree carries its dimension's number.
struct SubtreeNumbers {
    OtlItem *top;
    uint32_t oldNumber;
    void undo() { renumber(top, oldNumber); }
    void commit() {}
    static void renumber(OtlItem *top, uint32_t number)
    {
        for (OtlItem *x = top; x; x = otl::nextInSubtree(x, top))
            x->dimensionNumber = number;
    }
};

void emptyCellJournaled(OtlItem **cell, otl::Journal &journal)
{
    if (cell)
        journal.set(cell, nullptr);
}

// The items below `top`, which changed dimension with it, leave the
// associations they had. A base member's entries are indexed by the link
// slots of its old dimension, which mean other attribute dimensions, or
// none, in its new one; an attribute item's cell is what base members of
// the old dimension's base dimension point at. So every base member drops
// its entries (and with them its role and flag), and every attribute item's
// cell is emptied. This runs at commit: it only releases and clears, cannot
// fail, and nothing later in the operation reads these fields.
struct SubtreeLinksDropped {
    const OtlHostContext *host;
    OtlItem *top;
    void undo() {}
    void commit()
    {
        for (OtlItem *x = top->firstChild; x; x = otl::nextInSubtree(x, top)) {
            const AttrLinkKind kind = otlAttrLinkKind(x);
            if (kind == AttrLinkKind::BaseMember) {
                otlAttrReleaseLinks(host, x, kind);
                x->attrRole = OTL_ATTR_ROLE_NONE;
                x->hasAttrValue = 0;
            } else if (OtlItem ***field = cellField(x)) {
                emptyCellOf(otl::loadPointer(field));
                otl::storePointer(field, static_cast<OtlItem **>(nullptr));
            }
        }
    }
};

// A base item that left its dimension for another: it drops its own
// entries or slots, and is no longer associated.
OtlStatus afterBaseMove(OtlOutline *outline, OtlItem *item, bool wasDimension,
                        bool becameDimension, otl::Journal &journal)
{
    OtlFileStats &stats = outline->stats;
    if (becameDimension) {
        journal.set(&stats.dimCount, stats.dimCount + 1);
        journal.set(&stats.baseDimCount, stats.baseDimCount + 1);
        OtlStatus status = numberDimension(outline, item, journal);
        if (status != OTL_OK)
            return status;
        dropLinks(outline, item, AttrLinkKind::BaseMember, journal);
        journal.set(&item->attrRole, OTL_ATTR_ROLE_NONE);
        journal.set(&item->hasAttrValue, 0);
        return OTL_OK;
    }
    if (!wasDimension) {
        dropLinks(outline, item, AttrLinkKind::BaseMember, journal);
        journal.set(&item->attrRole, OTL_ATTR_ROLE_NONE);
        journal.set(&item->hasAttrValue, 0);
        return OTL_OK;
    }
    dropLinks(outline, item, AttrLinkKind::BaseDim, journal);
    journal.set(&stats.dimCount, stats.dimCount - 1);
    journal.set(&stats.baseDimCount, stats.baseDimCount - 1);
    leaveDimTable(outline, item, journal);
    journal.set(&item->attrRole, OTL_ATTR_ROLE_NONE);
    journal.set(&item->hasAttrValue, 0);
    return OTL_OK;
}

// An attribute item that left its dimension for another. Its cell is
// emptied and it keeps none: the base members associated with it are
// members of the old dimension's base dimension, and their entries would
// otherwise name an item of another dimension. A later association gives
// it a new cell.
OtlStatus afterAttrMove(OtlOutline *outline, OtlItem *item, bool wasDimension,
                        bool becameDimension, otl::Journal &journal)
{
    OtlFileStats &stats = outline->stats;
    if (wasDimension) {
        emptyCellJournaled(item->attrLink.attrDim.attrCell, journal);
        if (item->attrLink.attrDim.attrBaseDim)
            journal.set(&item->dimChanged, 1);
        dropLinks(outline, item, AttrLinkKind::AttrDim, journal);
        journal.set(&stats.dimCount, stats.dimCount - 1);
        leaveDimTable(outline, item, journal);
        return OTL_OK;
    }
    emptyCellJournaled(item->attrLink.attrMember.attrCell, journal);
    takeOutShortName(outline, item, journal);
    dropLinks(outline, item, AttrLinkKind::AttrMember, journal);
    if (!becameDimension)
        return OTL_OK;
    journal.set(&stats.dimCount, stats.dimCount + 1);
    journal.set(&item->attrRole, OTL_ATTR_ROLE_ATTRIBUTE);
    return numberDimension(outline, item, journal);
}

// A move within one dimension: names that carry ancestor names follow.
OtlStatus afterMoveWithin(OtlOutline *outline, OtlItem *item, OtlItem *dimension,
                          uint16_t positionMode, otl::Journal &journal)
{
    const uint16_t format = outline->attrSpecs.nameFormat;
    if (dimension->dimensionTag != OTL_TAG_ATTRIBUTE)
        return OTL_OK;
    if ((format == OTL_NAME_FORMAT_GRANDPARENT || format == OTL_NAME_FORMAT_ANCESTORS) &&
        item->firstChild)
        return otlAttrRenameSubtree(outline, item, dimension->memberName, journal);
    // A member made plain by member information keeps its value, but its
    // name is its own.
    if (positionMode == otl::kLinkFirstChild && !item->firstChild && item->generation > 1 &&
        item->dimensionTag == OTL_TAG_ATTRIBUTE)
        return rebuildOwnName(outline, item, journal);
    return OTL_OK;
}

} // namespace

namespace {

// A cell handed out to a dimension that became an attribute dimension; a
// rollback gives it back (the item's link area is restored on its own).
struct CellGiven {
    OtlOutline *outline;
    OtlItem **cell;
    void undo()
    {
        *cell = nullptr;
        returnNewestCell(outline, cell);
    }
    void commit() {}
};

OtlStatus giveCell(OtlOutline *outline, OtlItem *item, otl::Journal &journal)
{
    OtlStatus status = otlAttrNewCell(outline, item);
    if (status == OTL_OK)
        journal.step(CellGiven{outline, otl::loadPointer(cellField(item))});
    return status;
}

} // namespace

namespace {

// A member counted in its dimension's statistics. The step keeps the
// dimension's number, not the entry's address: a later registration in the
// same operation may move the array.
struct DimStatsCounted {
    OtlOutline *outline;
    uint32_t number;
    bool stored;
    void undo()
    {
        OtlDimStats &dimStats = outline->stats.dimStats[number - 1];
        dimStats.memberCount--;
        dimStats.storedMemberCount -= stored;
    }
    void commit() {}
};

} // namespace

OtlStatus otlAttrRegisterItem(OtlOutline *outline, OtlItem *item, otl::Journal &journal)
{
    OtlItem *dimension = otlGetDim(item);
    if (!dimension)
        return OTL_ERR_NO_DIMENSION;
    if (item->dimensionTag == OTL_TAG_ATTRIBUTE)
        journal.set(&item->attrRole, OTL_ATTR_ROLE_ATTRIBUTE);
    else if (item->dimensionTag == OTL_TAG_ATTR_CALC)
        journal.set(&item->attrRole, OTL_ATTR_ROLE_CALC);
    journal.set(&dimension->dimChanged, 1);
    OtlFileStats &stats = outline->stats;
    if (item == dimension) {
        journal.set(&stats.dimCount, stats.dimCount + 1);
        if (!otl::isAttrTag(item->dimensionTag)) {
            journal.set(&item->attrRole, OTL_ATTR_ROLE_NONE);
            journal.set(&stats.baseDimCount, stats.baseDimCount + 1);
        }
        OtlStatus status = numberDimension(outline, item, journal);
        if (status != OTL_OK)
            return status;
    }
    journal.set(&item->dimensionNumber, dimension->dimensionNumber);
    const bool stored = otl::isStored(item->shareOption);
    journal.set(&stats.memberCount, stats.memberCount + 1);
    if (stored)
        journal.set(&stats.storedMemberCount, stats.storedMemberCount + 1);
    if (OtlDimStats *dimStats = statsOf(outline, dimension)) {
        dimStats->memberCount++;
        dimStats->storedMemberCount += stored;
        journal.step(DimStatsCounted{outline, dimension->dimensionNumber, stored});
    }
    return item->dimensionTag == OTL_TAG_ATTRIBUTE ? giveCell(outline, item, journal) : OTL_OK;
}

// The item already carries its new tag; its link area still has the form
// of the old one, so each branch reads it in that form before dropping it.
OtlStatus otlAttrAfterTagChange(OtlOutline *outline, OtlItem *item, uint16_t oldTag,
                                otl::Journal &journal)
{
    const uint16_t newTag = item->dimensionTag;
    if (newTag == oldTag)
        return OTL_OK;
    OtlFileStats &stats = outline->stats;
    const bool isDimension = item->generation == 1;
    // A dimension that changes sides: its members' associations were made
    // on the side it leaves.
    if (isDimension && (newTag == OTL_TAG_ATTRIBUTE || oldTag == OTL_TAG_ATTRIBUTE))
        journal.step(SubtreeLinksDropped{outline->host, item});
    if (newTag == OTL_TAG_ATTRIBUTE && isDimension) {
        OtlStatus status = otlSettleCalcDim(outline, journal);
        if (status != OTL_OK)
            return status;
        journal.set(&stats.baseDimCount, stats.baseDimCount - 1);
        dropLinks(outline, item, AttrLinkKind::BaseDim, journal);
        journal.set(&item->attrRole, OTL_ATTR_ROLE_ATTRIBUTE);
        return giveCell(outline, item, journal);
    }
    if (newTag == OTL_TAG_ATTRIBUTE) {
        dropLinks(outline, item, AttrLinkKind::BaseMember, journal);
        return OTL_OK;
    }
    if (oldTag == OTL_TAG_ATTRIBUTE && isDimension) {
        journal.set(&stats.baseDimCount, stats.baseDimCount + 1);
        emptyCellJournaled(item->attrLink.attrDim.attrCell, journal);
        if (item->attrLink.attrDim.attrBaseDim)
            journal.set(&item->dimChanged, 1);
        dropLinks(outline, item, AttrLinkKind::AttrDim, journal);
        journal.set(&item->attrRole, OTL_ATTR_ROLE_NONE);
        return otlSettleCalcDim(outline, journal);
    }
    if (oldTag == OTL_TAG_ATTRIBUTE) {
        emptyCellJournaled(item->attrLink.attrMember.attrCell, journal);
        takeOutShortName(outline, item, journal);
        dropLinks(outline, item, AttrLinkKind::AttrMember, journal);
        journal.set(&item->attrRole, OTL_ATTR_ROLE_NONE);
    }
    return OTL_OK;
}

OtlStatus otlAttrAfterMove(OtlOutline *outline, OtlItem *item, OtlItem *oldDimension,
                           OtlItem *newDimension, uint16_t positionMode, bool becameDimension,
                           otl::Journal &journal)
{
    if (oldDimension == newDimension)
        return afterMoveWithin(outline, item, newDimension, positionMode, journal);
    const bool wasDimension = item == oldDimension;
    const uint32_t oldNumber = item->dimensionNumber; // the whole subtree's, before any renumbering
    journal.step(SubtreeLinksDropped{outline->host, item});
    OtlStatus status = item->dimensionTag != OTL_TAG_ATTRIBUTE
                           ? afterBaseMove(outline, item, wasDimension, becameDimension, journal)
                           : afterAttrMove(outline, item, wasDimension, becameDimension, journal);
    if (status != OTL_OK)
        return status;
    // The moved items take the number of the dimension they are in now.
    journal.step(SubtreeNumbers{item, oldNumber});
    SubtreeNumbers::renumber(item, otlGetDim(item)->dimensionNumber);
    if (becameDimension || wasDimension) {
        status = otlSettleCalcDim(outline, journal);
        if (status != OTL_OK)
            return status;
    }
    return item->dimensionTag == OTL_TAG_ATTRIBUTE ? rebuildOwnName(outline, item, journal) : OTL_OK;
}

OtlStatus otlAttrGiveUpValue(OtlOutline *outline, OtlItem *parent, otl::Journal &journal)
{
    if (otlAttrHasShortName(parent)) {
        const char *shortName = parent->attrLink.attrMember.attrShortName;
        if (shortName && !otl::equalIgnoringAsciiCase(shortName, parent->memberName)) {
            OtlStatus status = otlRenameItemInPlace(outline, parent, shortName, journal);
            if (status != OTL_OK)
                return status;
        }
        // Its own entry, if it has one: the member name may now be the
        // same text.
        takeOutShortName(outline, parent, journal);
    }
    if (parent->attrValueType == OTL_ATTR_TEXT)
        journal.step(otl::ReplacedText{outline->host, nullptr, otl::textValue(parent->attrValue)});
    journal.set(&parent->attrValueType, OTL_ATTR_NONE);
    journal.keep(&parent->attrValue);
    memset(parent->attrValue, 0, sizeof parent->attrValue);
    dropLinks(outline, parent, AttrLinkKind::AttrMember, journal); // the short name goes at commit
    return OTL_OK;
}

void otlAttrShareChanged(OtlOutline *outline, const OtlItem *item, uint16_t oldShareOption)
{
    const bool wasStored = otl::isStored(oldShareOption);
    const bool isNowStored = otl::isStored(item->shareOption);
    if (wasStored && !isNowStored)
        outline->stats.storedMemberCount--;
    else if (!wasStored && isNowStored)
        outline->stats.storedMemberCount++;
}

OtlItem **otlAttrCellOf(OtlItem *item)
{
    OtlItem ***field = cellField(item);
    return field ? otl::loadPointer(field) : nullptr;
}

void otlAttrUnlinkDims(OtlItem *base, OtlItem *attrDim)
{
    unlinkAttrDim(base, attrDim);
}
