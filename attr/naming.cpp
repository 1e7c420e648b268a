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
    // A value that does not read leaves a member without a proper parent,
    // or one typed by its dimension, without a value. A failure of the host
    // is no such thing: it is returned, or a failed allocation would add a
    // member other than the one asked for.
    const bool unread = status == OTL_ERR_ATTR_NOT_NUMBER || status == OTL_ERR_ATTR_NOT_BOOLEAN ||
                        status == OTL_ERR_ATTR_NOT_DATE || status == OTL_ERR_ATTR_NAME_LONG;
    if (status != OTL_OK) {
        if (unread && (!properParent || fromDimension)) {
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

namespace {

// The long name a member's value gives under the specifications, in `name`;
// *rebuilt is false when the member keeps its name.
OtlStatus rebuiltName(OtlOutline *outline, const OtlItem *member, const OtlItem *parent,
                      const OtlAttrSpecs *specs, uint8_t changeFlags, char separator, char *name,
                      bool *rebuilt)
{
    *rebuilt = shortNameFromValue(outline, member, specs, changeFlags, name);
    return *rebuilt ? otlAttrComposeName(name, parent, nullptr, member->generation, separator, specs)
                    : OTL_OK;
}

// Whether a rebuilt name may be given: not when it is another member's.
OtlStatus nameFree(OtlOutline *outline, const OtlItem *member, const char *name, bool *same)
{
    OtlItem *found = nullptr;
    adShrOtlFindMember(outline, name, &found);
    *same = found == member;
    return found && found != member ? OTL_ERR_ATTR_REBUILT_NAME : OTL_OK;
}

} // namespace

OtlStatus otlAttrRebuildName(OtlOutline *outline, OtlItem *member, OtlItem *parent,
                             const OtlAttrSpecs *specs, uint8_t changeFlags, bool rename,
                             char separator, otl::Journal &journal)
{
    char name[OTL_NAME_SIZE] = {0};
    bool rebuilt = false, same = false;
    OtlStatus status =
        rebuiltName(outline, member, parent, specs, changeFlags, separator, name, &rebuilt);
    if (status != OTL_OK || !rebuilt)
        return status;
    if (!rename) {
        otl::copyText(member->memberName, name, OTL_NAME_SIZE);
        return OTL_OK;
    }
    status = nameFree(outline, member, name, &same);
    return status != OTL_OK || same ? status : otlRenameItemInPlace(outline, member, name, journal);
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
                                  otl::RenamedItems &renamed)
{
    const char separator = separatorOf(specs);
    // A member made plain by member information keeps its value but is no
    // attribute member: its name is its own, as below a renamed ancestor.
    return forEachLeaf(dimension, [&](OtlItem *leaf, uint32_t) {
        char name[OTL_NAME_SIZE] = {0};
        bool rebuilt = false, same = false;
        if (leaf->dimensionTag != OTL_TAG_ATTRIBUTE)
            return OTL_OK;
        OtlStatus s = rebuiltName(outline, leaf, leaf->parent, specs, changeFlags, separator, name,
                                  &rebuilt);
        if (s == OTL_OK && rebuilt)
            s = nameFree(outline, leaf, name, &same);
        return s != OTL_OK || !rebuilt || same ? s : renamed.renameLogged(leaf, name);
    });
}

namespace {

// Stored short names replaced by new specifications, as one journal entry
// made after the renames: its undo then runs before theirs, so the hash is
// taken back in the reverse order of its changes. An entry under the old
// text becomes one under the new: the specifications neither add nor
// remove short-name entries.
struct ShortNamesRenewed {
    struct Entry {
        OtlItem *item;
        char *oldText;
        char *newText;
        int32_t position; // of the old entry, -1 when it had none
    };
    OtlOutline *outline;
    Entry *entries;
    uint32_t count;
    uint32_t capacity;

    OtlStatus renew(OtlItem *item, const char *text)
    {
        const OtlHostContext *host = outline->host;
        char *copy = nullptr;
        OtlStatus status = count < capacity
                               ? OTL_OK
                               : otl::hostResizeArray(host, &entries, capacity, capacity + 50u);
        capacity += status == OTL_OK && count == capacity ? 50 : 0;
        if (status == OTL_OK)
            status = otlDupString(host, text, &copy);
        if (status == OTL_OK)
            status = otlHashReserve(host, outline, copy, 1);
        if (status != OTL_OK) {
            otl::hostRelease(host, &copy);
            return status;
        }
        Entry &e = entries[count++];
        e = {item, item->attrLink.attrMember.attrShortName, copy, -1};
        e.position = otlHashTakeOut(outline, item, e.oldText, 0);
        item->attrLink.attrMember.attrShortName = copy;
        if (e.position >= 0)
            otlHashInsert(host, outline, item, copy, 0); // room was made
        return OTL_OK;
    }
    void undo()
    {
        while (count > 0) {
            Entry &e = entries[--count];
            if (e.position >= 0)
                otlHashRemove(outline->host, outline, e.item, e.newText, 0);
            e.item->attrLink.attrMember.attrShortName = e.oldText;
            if (e.position >= 0)
                otlHashPutBack(outline, e.item, e.oldText, 0, static_cast<uint32_t>(e.position));
            otl::hostRelease(outline->host, &e.newText);
        }
        otl::hostRelease(outline->host, &entries);
    }
    void commit()
    {
        for (uint32_t i = 0; i < count; ++i)
            otl::hostRelease(outline->host, &entries[i].oldText);
        otl::hostRelease(outline->host, &entries);
    }
};

} // namespace

// A stored short name is the text of the member's value: where new
// specifications write the value another way (a date format, a boolean
// text), it follows, or a later rename of an ancestor would compose the
// member's name from the old text.
OtlStatus otlAttrRenewShortNames(OtlOutline *outline, const OtlAttrSpecs *specs,
                                 uint8_t changeFlags, bool (*walked)(const OtlItem *, uint8_t),
                                 otl::Journal &journal)
{
    ShortNamesRenewed *renewed = journal.step(ShortNamesRenewed{outline, nullptr, 0, 0});
    OtlStatus status = OTL_OK;
    for (uint32_t d = 0; d < outline->dimTableSize && status == OTL_OK; ++d) {
        if (!outline->dimTable[d] || !walked(outline->dimTable[d], changeFlags))
            continue;
        status = forEachLeaf(outline->dimTable[d], [&](OtlItem *leaf, uint32_t) {
            char text[OTL_NAME_SIZE] = {0};
            const char *current =
                otlAttrHasShortName(leaf) ? leaf->attrLink.attrMember.attrShortName : nullptr;
            if (!current || !shortNameFromValue(outline, leaf, specs, changeFlags, text) ||
                strcmp(current, text) == 0)
                return OTL_OK;
            return renewed->renew(leaf, text);
        });
    }
    return status;
}
