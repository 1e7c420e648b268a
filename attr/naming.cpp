/*
 * Names of attribute members. A level-0 member of a numeric, boolean or date
 * attribute dimension has three coupled parts: its value, its short name
 * (the value's text) and its long name (the member name), composed from the
 * short name and, as the specifications say, some ancestor names.
 *
 * Invariants: no composed name exceeds 81 bytes; every renaming is a
 * journal entry of the edit that causes it, so an edit that fails
 * part-way through a subtree gets every old name back.
 */
#include "attr/naming.h"
#include "attr/attr_specs.h"
#include "attr/values.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"
#include "edit/inplace.h"
#include "edit/rules.h"

#include <stdio.h>
#include <string.h>

namespace {

// Puts `part` in front of (affix 0) or behind (affix 1) the name so far.
OtlStatus addPart(char *name, const char *part, char separator, const OtlAttrSpecs *specs)
{
    if (!name[0]) {
        otl::copyText(name, part, OTL_NAME_SIZE);
        return OTL_OK;
    }
    const size_t have = strlen(name);
    const size_t add = strlen(part);
    if (have + add + 1 >= OTL_NAME_SIZE) // the name, the separator, the part and the end
        return OTL_ERR_ATTR_NAME_LONG;
    char composed[OTL_NAME_SIZE * 2 + 2];
    if (specs->affixPosition == 0)
        snprintf(composed, sizeof composed, "%s%c%s", part, separator, name);
    else
        snprintf(composed, sizeof composed, "%s%c%s", name, separator, part);
    otl::copyText(name, composed, OTL_NAME_SIZE);
    return OTL_OK;
}

const OtlItem *firstDimensionFrom(const OtlItem *item)
{
    while (item && item->generation > 1)
        item = item->parent;
    return item && item->generation == 1 ? item : nullptr;
}

char separatorOf(const OtlAttrSpecs *specs)
{
    char separator = '_';
    otlAttrSeparatorChar(specs, &separator);
    return separator;
}

// The short name of a member's value under the given specifications and
// change flags; false when the member keeps its name.
bool shortNameFromValue(OtlOutline *outline, const OtlItem *member, const OtlAttrSpecs *specs,
                        uint8_t flags, char *text)
{
    const uint16_t type = member->attrValueType;
    if (type == OTL_ATTR_NUMERIC && !(flags & OTL_SPEC_NAMES))
        return false;
    if (type == OTL_ATTR_DATE && !(flags & (OTL_SPEC_NAMES | OTL_SPEC_DATE_FORMAT)))
        return false;
    if (!otlAttrIsValueType(type))
        return false;
    return otlAttrShortNameOf(outline->host, specs, type, member->attrValue, text) == OTL_OK;
}

} // namespace

OtlStatus otlAttrComposeName(char *name, const OtlItem *parent, const char *dimensionName,
                             uint16_t generation, char separator, const OtlAttrSpecs *specs)
{
    const bool member = parent && generation != 1;
    switch (specs->nameFormat) {
    case OTL_NAME_FORMAT_PARENT:
        return member ? addPart(name, parent->memberName, separator, specs) : OTL_OK;
    case OTL_NAME_FORMAT_GRANDPARENT: {
        if (!member)
            return OTL_OK;
        OtlStatus status = addPart(name, parent->memberName, separator, specs);
        if (status == OTL_OK && parent->generation > 1 && parent->parent)
            status = addPart(name, parent->parent->memberName, separator, specs);
        return status;
    }
    case OTL_NAME_FORMAT_ANCESTORS:
        for (const OtlItem *a = parent; a && a->generation >= 1; a = a->parent) {
            OtlStatus status = addPart(name, a->memberName, separator, specs);
            if (status != OTL_OK || a->generation == 1)
                return status;
        }
        return OTL_OK;
    case OTL_NAME_FORMAT_DIMENSION: {
        if (!parent)
            return OTL_OK;
        const OtlItem *dimension = firstDimensionFrom(parent);
        const char *part = dimensionName ? dimensionName : dimension ? dimension->memberName : nullptr;
        return part ? addPart(name, part, separator, specs) : OTL_OK;
    }
    default:
        return OTL_OK;
    }
}

OtlStatus otlAttrNameMember(OtlOutline *outline, OtlMbrInfo *info, OtlItem *parent,
                            char *shortName)
{
    if (info->dimensionTag != OTL_TAG_ATTRIBUTE || info->attrValueType == OTL_ATTR_NONE)
        return OTL_OK;
    const bool fromDimension = info->attrValueType == OTL_ATTR_DIM_TYPE;
    if (fromDimension) {
        if (!parent)
            return OTL_ERR_ATTR_VALUE_TYPE;
        const OtlItem *dimension = otlGetDim(parent);
        info->attrValueType = dimension ? dimension->attrValueType : OTL_ATTR_NONE;
    }
    otl::copyText(shortName, info->memberName, OTL_NAME_SIZE);
    const bool properParent = parent && parent->generation > 0;
    OtlAttribute value{};
    value.type = info->attrValueType;
    OtlStatus status = otlAttrValueFromName(outline->host, info->memberName, &value,
                                            &outline->attrSpecs);
    if (status != OTL_OK) {
        if (!properParent || fromDimension) {
            otl::copyText(info->memberName, shortName, OTL_NAME_SIZE);
            if (fromDimension)
                info->attrValueType = OTL_ATTR_NONE;
            return OTL_OK;
        }
        // A date that does not read is named as given and reported by
        // verification; every other failure (not a number, not a boolean
        // text, the host's allocation status) ends the naming.
        if (status != OTL_ERR_ATTR_NOT_DATE)
            return status;
    } else {
        memcpy(info->attrValue, value.value.raw, sizeof info->attrValue);
    }
    if (!properParent || !otlAttrIsValueType(info->attrValueType))
        return OTL_OK;
    otl::copyText(shortName, info->memberName, OTL_NAME_SIZE);
    const OtlItem *dimension = otlGetDim(parent);
    return otlAttrComposeName(info->memberName, parent, dimension ? dimension->memberName : nullptr,
                              static_cast<uint16_t>(parent->generation + 1),
                              separatorOf(&outline->attrSpecs), &outline->attrSpecs);
}

OtlStatus otlAttrStoreShortName(const OtlHostContext *host, const char *shortName, OtlItem *item,
                                bool *stored)
{
    *stored = false;
    if (!otlAttrHasShortName(item))
        return OTL_OK;
    char *current = item->attrLink.attrMember.attrShortName;
    if (current && strcmp(current, shortName) == 0)
        return OTL_OK;
    const uint32_t size = static_cast<uint32_t>(strlen(shortName) + 1);
    void *block = current;
    OtlStatus status = current ? otl::hostRealloc(host, size, &block)
                               : otl::hostAlloc(host, size, &block);
    if (status != OTL_OK)
        return status;
    memcpy(block, shortName, size);
    item->attrLink.attrMember.attrShortName = static_cast<char *>(block);
    *stored = true;
    return OTL_OK;
}

OtlStatus otlAttrRebuildName(OtlOutline *outline, OtlItem *member, OtlItem *parent,
                             const OtlAttrSpecs *specs, uint8_t changeFlags, bool rename,
                             char separator, otl::Journal &journal)
{
    char name[OTL_NAME_SIZE] = {0};
    if (!shortNameFromValue(outline, member, specs, changeFlags, name))
        return OTL_OK;
    OtlStatus status =
        otlAttrComposeName(name, parent, nullptr, member->generation, separator, specs);
    if (status != OTL_OK)
        return status;
    if (!rename) {
        otl::copyText(member->memberName, name, OTL_NAME_SIZE);
        return OTL_OK;
    }
    OtlItem *found = nullptr;
    adShrOtlFindMember(outline, name, &found);
    if (found == member)
        return OTL_OK;
    if (found)
        return OTL_ERR_ATTR_REBUILT_NAME;
    return otlRenameItemInPlace(outline, member, name, journal);
}

namespace {

// The leftmost leaf at or below item; depth counts the steps taken.
OtlItem *leftmostLeaf(OtlItem *item, uint32_t &depth)
{
    while (item->firstChild) {
        item = item->firstChild;
        ++depth;
    }
    return item;
}

// Renames one leaf of the subtree when its composed name differs.
OtlStatus renameLeaf(OtlOutline *outline, OtlItem *leaf, const char *dimensionName,
                     otl::RenamedItems &renamed)
{
    const OtlAttrSpecs *specs = &outline->attrSpecs;
    char name[OTL_NAME_SIZE] = {0};
    const char *shortName = leaf->attrLink.attrMember.attrShortName;
    if (shortName)
        otl::copyText(name, shortName, OTL_NAME_SIZE);
    else if (otlAttrShortNameOf(outline->host, specs, leaf->attrValueType, leaf->attrValue, name) !=
             OTL_OK)
        return OTL_OK;
    OtlStatus status = otlAttrComposeName(name, leaf->parent, dimensionName, leaf->generation,
                                          separatorOf(specs), specs);
    if (status != OTL_OK)
        return status;
    if (strcmp(name, leaf->memberName) == 0)
        return OTL_OK;
    OtlItem *found = nullptr;
    adShrOtlFindMember(outline, name, &found);
    if (found && found != leaf)
        return OTL_ERR_ATTR_REBUILT_NAME;
    return renamed.renameLogged(leaf, name);
}

} // namespace

namespace {

// Calls visit(leaf, depth) for every member without children below root,
// in post-order: from the leftmost leaf, after each member to the leftmost
// leaf of its next sibling or else to its parent. Depth 1 is a child of
// root. The first failure ends the walk.
template <class Visit>
OtlStatus forEachLeaf(OtlItem *root, Visit visit)
{
    uint32_t depth = 0;
    OtlItem *current = root->firstChild ? leftmostLeaf(root->firstChild, ++depth) : nullptr;
    OtlStatus status = OTL_OK;
    while (current && status == OTL_OK) {
        if (!current->firstChild)
            status = visit(current, depth);
        if (current->nextSibling) {
            current = leftmostLeaf(current->nextSibling, depth);
        } else {
            current = current->parent;
            --depth;
            if (current == root)
                current = nullptr;
        }
    }
    return status;
}

} // namespace

OtlStatus otlAttrRenameSubtree(OtlOutline *outline, OtlItem *root, const char *dimensionName,
                               otl::Journal &journal)
{
    otl::RenamedItems *renamed = nullptr;
    OtlStatus status = otl::newRenamedItems(outline, 0, journal, &renamed);
    if (status != OTL_OK)
        return status;
    const uint16_t format = outline->attrSpecs.nameFormat;
    return forEachLeaf(root, [&](OtlItem *leaf, uint32_t depth) {
        // Deeper members under the grandparent format do not carry root's name.
        if (leaf->dimensionTag != OTL_TAG_ATTRIBUTE || !otlAttrIsValueType(leaf->attrValueType) ||
            (format == OTL_NAME_FORMAT_GRANDPARENT && depth >= 3))
            return OTL_OK;
        return renameLeaf(outline, leaf, dimensionName, *renamed);
    });
}

OtlStatus otlAttrRebuildDimension(OtlOutline *outline, OtlItem *dimension,
                                  const OtlAttrSpecs *specs, uint8_t changeFlags,
                                  otl::Journal &journal)
{
    char separator = '_';
    otlAttrSeparatorChar(specs, &separator);
    return forEachLeaf(dimension, [&](OtlItem *leaf, uint32_t) {
        return otlAttrRebuildName(outline, leaf, leaf->parent, specs, changeFlags, true, separator,
                                  journal);
    });
}
