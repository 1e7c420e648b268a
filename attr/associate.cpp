/*
 * Associations: an attribute dimension linked to one base dimension through
 * a link slot of that dimension, and a base member linked to at most one
 * childless member of each such attribute dimension through an entry, one
 * per slot, that points at the attribute member's cell.
 *
 * Invariants: slots are appended and never removed (a disassociation
 * empties its slot), so entry i of every base member keeps meaning slot i
 * for the life of the outline; an attribute dimension's attrBaseDim and the
 * slot that points at it agree; a base member's entries are a prefix of its
 * dimension's slots. Every slot made here has association level 0, and
 * nothing here gives a slot another level: the writer keeps a member's
 * association only where the member's level equals its slot's, so an
 * association of a member with children lives in memory only.
 */
#include "attr/register.h"
#include "core/alloc.h"
#include "core/records.h"

namespace {

// A block allocated as a prepare: the journal owns it until the apply
// installs it, and a failure before then releases it.
struct Prepared {
    const OtlHostContext *host;
    void *block;
    void undo() { otl::hostFree(host, block); }
    void commit() {}
};

// A prepared block put in place of the one a pointer field held; the old
// block goes once the operation stands.
struct Installed {
    const OtlHostContext *host;
    void *field; // a pointer field of a packed record
    void *old;
    void undo() { memcpy(field, &old, sizeof old); }
    void commit() { otl::hostFree(host, old); }
};

// A new array of newCount cleared elements that starts with a copy of the
// first `count` of `old`. A copy rather than a reallocation: a failure
// later in the operation must find the old array where it was.
template <class T>
OtlStatus prepareCopy(const OtlHostContext *host, const T *old, uint32_t count, uint32_t newCount,
                      T **fresh, otl::Journal &journal)
{
    T *block = nullptr;
    OtlStatus status = otl::hostNewArray(host, newCount, &block);
    if (status != OTL_OK)
        return status;
    if (old && count)
        memcpy(static_cast<void *>(block), static_cast<const void *>(old), count * sizeof(T));
    journal.step(Prepared{host, block});
    *fresh = block;
    return OTL_OK;
}

template <class T>
void install(const OtlHostContext *host, T **field, T *fresh, otl::Journal &journal)
{
    journal.step(Installed{host, field, otl::loadPointer(field)});
    otl::storePointer(field, fresh);
}

// An association made: the base side counts as linked, the attribute
// dimension is marked as a disassociation marks it, and the outline needs
// verifying again.
void finishLinked(OtlOutline *outline, OtlItem *base, OtlItem *attrDimension, otl::Journal &journal)
{
    base->attrRole = OTL_ATTR_ROLE_LINKED_BASE;
    attrDimension->dimChanged = 1;
    outline->verified = 0;
    journal.commit();
}

// The first link slot of `base` that points at `attrDim`, or -1.
int32_t slotOf(const OtlItem *base, const OtlItem *attrDim)
{
    const auto &links = base->attrLink.baseDim;
    for (uint16_t i = 0; i < links.attrLinkCount && links.attrLinks; ++i)
        if (links.attrLinks[i].attrDim == attrDim)
            return i;
    return -1;
}

// The base dimension an attribute dimension is linked to; null for any
// other item, whose link area has another form.
const OtlItem *linkedBase(const OtlItem *attrDim)
{
    const bool isAttrDim = attrDim->generation == 1 && attrDim->dimensionTag == OTL_TAG_ATTRIBUTE;
    return isAttrDim ? attrDim->attrLink.attrDim.attrBaseDim : nullptr;
}

// The refusals both dimension operations start with, in their order; only
// a new link needs both ends sparse.
OtlStatus refuseDimensions(const OtlOutline *outline, const OtlItem *base, const OtlItem *attrDim,
                           bool linking)
{
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    if (linking && (base->storageType != OTL_STORAGE_SPARSE || attrDim->storageType != OTL_STORAGE_SPARSE))
        return OTL_ERR_ATTR_STORAGE;
    if (base->generation != 1 || attrDim->generation != 1)
        return OTL_ERR_DIM_NOT_FOUND;
    if (otl::isAttrTag(base->dimensionTag))
        return OTL_ERR_ATTR_IN_ATTR_DIM;
    if (attrDim->dimensionTag != OTL_TAG_ATTRIBUTE)
        return OTL_ERR_ATTR_NOT_ATTRIBUTE;
    return OTL_OK;
}

// The refusals both member operations start with, in their order. A
// dimension (or the universe member) has no entries: its link area holds
// slots, which an entry written there would overwrite, so associating is
// refused for it as disassociating is.
OtlStatus refuseMembers(const OtlOutline *outline, const OtlItem *base, const OtlItem *attrMember)
{
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    if (!otl::isStored(base->shareOption))
        return OTL_ERR_ATTR_SHARED_BASE;
    if (otl::isAttrTag(base->dimensionTag))
        return OTL_ERR_ATTR_IN_ATTR_DIM;
    if (attrMember->dimensionTag != OTL_TAG_ATTRIBUTE)
        return OTL_ERR_ATTR_NOT_ATTRIBUTE;
    if (base->generation < 2)
        return OTL_ERR_ATTR_DISASSOCIATE;
    return OTL_OK;
}

// Whether the base member's entry for `slot` names an attribute member
// that still exists.
bool liveEntry(const OtlItem *member, int32_t slot)
{
    const auto &entries = member->attrLink.baseMember;
    OtlItem **cell = slot < entries.attrMemberCount && entries.attrMemberLinks
                         ? entries.attrMemberLinks[slot]
                         : nullptr;
    return cell && *cell;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlAssociateAttributeDimension(OtlOutline *outline,
                                                                 OtlItem *baseDimension,
                                                                 OtlItem *attrDimension)
{
    if (OtlStatus refused = refuseDimensions(outline, baseDimension, attrDimension, true))
        return refused;
    if (attrDimension->attrLink.attrDim.attrBaseDim)
        return OTL_ERR_ATTR_ALREADY;
    auto &links = baseDimension->attrLink.baseDim;
    const uint16_t count = links.attrLinkCount;
    if (count == UINT16_MAX)
        return otl::kStatusTooLarge;

    otl::Journal journal;
    const OtlHostContext *host = outline->host;
    OtlAttrLink *newLinks = nullptr;
    uint16_t *newLevels = nullptr;
    OtlStatus status = prepareCopy(host, otl::loadPointer(&links.attrLinks), count, count + 1u, &newLinks,
                         journal);
    if (status == OTL_OK)
        status = prepareCopy(host, otl::loadPointer(&links.attrLinkLevels), count, count + 1u,
                             &newLevels, journal);
    if (status != OTL_OK)
        return status;

    // The new slot's level and reader word stay 0, as allocated.
    newLinks[count].attrDim = attrDimension;
    install(host, &links.attrLinks, newLinks, journal);
    install(host, &links.attrLinkLevels, newLevels, journal);
    links.attrLinkCount = count + 1;
    attrDimension->attrLink.attrDim.attrBaseDim = baseDimension;
    finishLinked(outline, baseDimension, attrDimension, journal);
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlDisassociateAttributeDimension(OtlOutline *outline,
                                                                    OtlItem *baseDimension,
                                                                    OtlItem *attrDimension)
{
    if (OtlStatus refused = refuseDimensions(outline, baseDimension, attrDimension, false))
        return refused;
    // A pair that is not linked still marks the attribute dimension, and
    // leaves its link to another base dimension alone.
    if (slotOf(baseDimension, attrDimension) < 0) {
        attrDimension->dimChanged = 1;
        return OTL_ERR_ATTR_NOT_ASSOCIATED;
    }
    // Base members keep their entries for the emptied slot: they count as
    // empty from now on.
    otlAttrUnlinkDims(baseDimension, attrDimension);
    outline->verified = 0;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlAssociateAttributeMember(OtlOutline *outline,
                                                              OtlItem *baseMember,
                                                              OtlItem *attrMember, uint8_t replace)
{
    OtlStatus status = refuseMembers(outline, baseMember, attrMember);
    if (status != OTL_OK)
        return status;
    if (attrMember->firstChild)
        return OTL_ERR_ATTR_NON_LEAF;
    OtlItem *attrDimension = otlGetDim(attrMember);
    OtlItem *baseDimension = otlGetDim(baseMember);
    const int32_t slot =
        linkedBase(attrDimension) == baseDimension ? slotOf(baseDimension, attrDimension) : -1;
    status = slot < 0                                   ? OTL_ERR_ATTR_NOT_ASSOCIATED
             : !replace && liveEntry(baseMember, slot) ? OTL_ERR_ATTR_ALREADY
                                                        : OTL_OK;
    // From here a refusal keeps the attribute dimension's mark: the host
    // sees which dimension was asked about. A failed allocation does not.
    if (status != OTL_OK) {
        attrDimension->dimChanged = 1;
        return status;
    }

    otl::Journal journal;
    const OtlHostContext *host = outline->host;
    auto &entries = baseMember->attrLink.baseMember;
    OtlItem ***const oldEntries = otl::loadPointer(&entries.attrMemberLinks);
    const uint16_t slotCount = baseDimension->attrLink.baseDim.attrLinkCount;
    OtlItem ***grown = nullptr;
    // Too few entries: they grow to the dimension's slot count, the new
    // ones empty.
    if (!oldEntries || entries.attrMemberCount <= slot) {
        status = prepareCopy(host, oldEntries, oldEntries ? entries.attrMemberCount : 0u, slotCount,
                             &grown, journal);
        if (status != OTL_OK)
            return status;
    }
    // A member made an attribute member by a retag has no cell yet, and one
    // that had children has an emptied cell: the associations that went
    // with it stay gone, so it gets a new one. The cell is the last thing
    // that can fail, and a failing one is not made.
    OtlItem **const cell = otlAttrCellOf(attrMember);
    if (!cell || !*cell) {
        status = otlAttrNewCell(outline, attrMember);
        if (status != OTL_OK)
            return status;
    }

    if (grown) {
        install(host, &entries.attrMemberLinks, grown, journal);
        entries.attrMemberCount = slotCount;
    }
    otl::loadPointer(&entries.attrMemberLinks)[slot] = otlAttrCellOf(attrMember);
    baseMember->hasAttrValue = 1;
    finishLinked(outline, baseMember, attrDimension, journal);
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlDisassociateAttributeMember(OtlOutline *outline,
                                                                 OtlItem *baseMember,
                                                                 OtlItem *attrMember)
{
    OtlStatus status = refuseMembers(outline, baseMember, attrMember);
    if (status != OTL_OK)
        return status;
    const auto &slots = otlGetDim(baseMember)->attrLink.baseDim;
    const auto &entries = baseMember->attrLink.baseMember;
    OtlItem ***const links = otl::loadPointer(&entries.attrMemberLinks);
    OtlItem **const cell = otlAttrCellOf(attrMember);
    for (uint16_t i = 0; links && i < entries.attrMemberCount; ++i) {
        if (!links[i])
            continue;
        // An entry beyond the dimension's slots names no attribute
        // dimension: the walk stops there.
        if (i >= slots.attrLinkCount)
            return OTL_ERR_ATTR_NO_ASSOCIATION;
        if (!slots.attrLinks[i].attrDim || links[i] != cell)
            continue;
        links[i] = nullptr;
        otlGetDim(attrMember)->dimChanged = 1;
        const bool remains = otlAttrRecomputeHasAttr(outline, baseMember);
        baseMember->attrRole = remains ? OTL_ATTR_ROLE_LINKED_BASE : OTL_ATTR_ROLE_NONE;
        outline->verified = 0;
        return OTL_OK;
    }
    return OTL_ERR_ATTR_NO_ASSOCIATION;
}

extern "C" OTL_API OtlBool adShrOtlIsAttrCalc(const OtlItem *item)
{
    return item && item->dimensionTag == OTL_TAG_ATTR_CALC;
}
