/*
 * The attribute side of verification: the order of the dimensions, the
 * content of attribute dimensions and of the calculations dimension, and
 * the associations of base members. Besides marking faults the pass
 * settles two things the rest of the library relies on: attribute members
 * are computed (consolidation 5), and each attribute dimension is
 * associated at the level of the first base member met in the run.
 */
#include "verify/verify.h"

#include "attr/items.h"
#include "attr/values.h"
#include "core/alloc.h"
#include "core/host.h"
#include "core/records.h"
#include "core/tree.h"

namespace {

constexpr uint16_t kComputed = 5; // the consolidation of attribute members
constexpr uint32_t kCalcMembers = 5;
constexpr uint32_t kBooleanMembers = 2;

bool validValueType(uint16_t type)
{
    return type >= OTL_ATTR_NUMERIC && type <= OTL_ATTR_DATE;
}

// An attribute dimension's mark "association level fixed in this run",
// kept in the spare byte of its link area.
uint8_t &levelFixed(OtlItem *attrDim)
{
    return attrDim->attrLink.attrDim.reserved;
}

// Collects whether the pass set any bit.
struct Findings {
    bool any = false;
    void word1(OtlItem *item, uint32_t bit)
    {
        item->faultFlags |= bit;
        any = true;
    }
    void word2(OtlItem *item, uint32_t bit)
    {
        item->attrFaultFlags |= bit;
        any = true;
    }
};

OtlItem *firstLeaf(OtlItem *item)
{
    while (item->firstChild)
        item = item->firstChild;
    return item;
}

// The members of a dimension, children before their parents.
template <class Visit>
void postOrder(OtlItem *dim, Visit visit)
{
    OtlItem *next = nullptr;
    for (OtlItem *m = dim->firstChild ? firstLeaf(dim->firstChild) : nullptr; m && m != dim;
         m = next) {
        next = m->nextSibling ? firstLeaf(m->nextSibling) : m->parent;
        visit(m);
    }
}

bool hasLinkedAttrDim(const OtlItem *dim)
{
    if (otlAttrLinkKind(dim) != AttrLinkKind::BaseDim)
        return false;
    const auto &links = dim->attrLink.baseDim;
    for (uint16_t i = 0; i < links.attrLinkCount && links.attrLinks; ++i)
        if (links.attrLinks[i].attrDim)
            return true;
    return false;
}

// An attribute dimension without members is itself the value: its name must
// read as a value of its type. Read from a copy, since a number's name would
// be rewritten; not for texts, whose reading copies the name and could fail
// for want of memory rather than of a value.
bool nameIsValue(const OtlOutline *outline, const OtlItem *dim)
{
    char name[OTL_NAME_SIZE];
    otl::copyText(name, dim->memberName, sizeof name);
    OtlAttribute value{};
    value.type = dim->attrValueType;
    return otlAttrValueFromName(outline->host, name, &value, &outline->attrSpecs) == OTL_OK;
}

// Two-valued dimensions hold one member per value.
void checkBooleanMembers(OtlItem *dim, Findings &found)
{
    if (otlCountChildren(dim) != kBooleanMembers)
        found.word2(dim, otl::kAttrFaultChildCount);
    for (OtlItem *c = dim->firstChild; c && c->nextSibling; c = c->nextSibling) {
        OtlItem *next = c->nextSibling;
        if (c->attrValue[0] == next->attrValue[0]) {
            found.word1(c, otl::kFaultDuplicate);
            found.word1(next, otl::kFaultDuplicate);
        }
        if (c->attrValue[0] > 1)
            found.word2(c, otl::kAttrFaultNonLeaf);
    }
}

void checkAttrDim(OtlOutline *outline, OtlItem *dim, bool calcSeen, Findings &found)
{
    if (calcSeen)
        found.word2(dim, otl::kAttrFaultDimOrder);
    postOrder(dim, [&](OtlItem *m) {
        m->faultFlags = m->attrFaultFlags = 0;
        if (m->dimensionTag == OTL_TAG_ATTRIBUTE)
            m->consolidation = kComputed;
        else
            found.word2(m, otl::kAttrFaultNotAttribute);
        if (!m->firstChild &&
            (m->attrValueType != dim->attrValueType || !validValueType(m->attrValueType)))
            found.word2(m, otl::kAttrFaultValueType);
    });
    dim->consolidation = kComputed;
    if (!dim->firstChild && dim->attrValueType != OTL_ATTR_TEXT && !nameIsValue(outline, dim))
        found.word2(dim, otl::kAttrFaultEmptyDimName);

    levelFixed(dim) = 0;
    const OtlItem *base = dim->attrLink.attrDim.attrBaseDim;
    if (!base)
        found.word2(dim, otl::kAttrFaultNotAssociated);
    else if (base->storageType != OTL_STORAGE_SPARSE)
        found.word1(dim, otl::kFaultStorage);
    if (!validValueType(dim->attrValueType))
        found.word2(dim, otl::kAttrFaultValueType);
    if (dim->attrValueType == OTL_ATTR_BOOLEAN)
        checkBooleanMembers(dim, found);
    if (dim->nextSibling && !otl::isAttrTag(dim->nextSibling->dimensionTag))
        found.word2(dim, otl::kAttrFaultDimOrder);
}

void checkCalcDim(const OtlOutline *outline, OtlItem *dim, bool calcSeen, Findings &found)
{
    // Its members' words belong to this pass too: a name put right must
    // not stay marked from an earlier run.
    for (OtlItem *m = dim->firstChild; m; m = otl::nextInSubtree(m, dim))
        m->faultFlags = m->attrFaultFlags = 0;
    if (calcSeen)
        found.word2(dim, otl::kAttrFaultSecondCalcDim);
    if (otlCountChildren(dim) != kCalcMembers)
        found.word2(dim, otl::kAttrFaultChildCount);
    const OtlAttrSpecs &specs = outline->attrSpecs;
    const char *const names[kCalcMembers] = {specs.sumName, specs.countName, specs.averageName,
                                             specs.minName, specs.maxName};
    OtlItem *child = dim->firstChild;
    for (uint32_t i = 0; i < kCalcMembers && child; ++i, child = child->nextSibling)
        if (!names[i] || !otl::namesEqual(outline, child->memberName, names[i]))
            found.word2(child, otl::kAttrFaultCalcName);
}

} // namespace

extern "C" OTL_API OtlBool otlVerifyAttrDims(OtlOutline *outline)
{
    Findings found;
    bool attrSeen = false, calcSeen = false;
    for (OtlItem *dim = outline->root ? outline->root->firstChild : nullptr; dim;
         dim = dim->nextSibling) {
        dim->faultFlags = dim->attrFaultFlags = 0;
        if (dim->dimensionTag == OTL_TAG_ATTRIBUTE) {
            checkAttrDim(outline, dim, calcSeen, found);
            attrSeen = true;
        } else if (dim->dimensionTag == OTL_TAG_ATTR_CALC) {
            checkCalcDim(outline, dim, calcSeen, found);
            calcSeen = true;
        } else {
            // Base dimensions come first.
            if (attrSeen || calcSeen)
                found.word2(dim, otl::kAttrFaultDimOrder);
            if (hasLinkedAttrDim(dim) && dim->storageType != OTL_STORAGE_SPARSE)
                found.word1(dim, otl::kFaultStorage);
        }
    }
    return found.any;
}

bool otlVerifyAssociations(OtlOutline * /*outline*/, OtlItem *member)
{
    if (otlAttrLinkKind(member) != AttrLinkKind::BaseMember)
        return false;
    auto &entries = member->attrLink.baseMember;
    OtlItem ***const cells = otl::loadPointer(&entries.attrMemberLinks);
    OtlItem *const dim = otlGetDim(member);
    if (entries.attrMemberCount == 0 || !cells || !dim ||
        otlAttrLinkKind(dim) != AttrLinkKind::BaseDim)
        return false;
    auto &slots = dim->attrLink.baseDim;
    if (slots.attrLinkCount == 0)
        return false;

    bool found = false;
    const auto mark = [&found](OtlItem *item, uint32_t bit) {
        otl::markAttrFault(item, bit);
        found = true;
    };
    for (uint16_t i = 0; i < entries.attrMemberCount; ++i) {
        OtlItem *const attrMember = cells[i] ? *cells[i] : nullptr;
        if (!attrMember)
            continue;
        // Entries past the dimension's slots lead nowhere: they are cut off.
        if (i >= slots.attrLinkCount) {
            entries.attrMemberCount = slots.attrLinkCount;
            break;
        }
        OtlItem *const attrDim = slots.attrLinks ? slots.attrLinks[i].attrDim : nullptr;
        if (attrDim && otlAttrLinkKind(attrDim) == AttrLinkKind::AttrDim) {
            if (attrMember->attrValueType != attrDim->attrValueType)
                mark(attrMember, otl::kAttrFaultMemberType);
            if (!levelFixed(attrDim)) {
                levelFixed(attrDim) = 1;
                attrDim->attrLink.attrDim.attrLinkLevel = member->level;
                if (slots.attrLinkLevels)
                    slots.attrLinkLevels[i] = member->level;
            } else if (member->level != attrDim->attrLink.attrDim.attrLinkLevel) {
                mark(member, otl::kAttrFaultLevels);
            }
        }
        if (attrMember->firstChild)
            mark(attrMember, otl::kAttrFaultNonLeaf);
    }
    return found;
}
