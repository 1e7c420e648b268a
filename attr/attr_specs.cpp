/*
 * Attribute specifications: installing the defaults, copying records under a
 * change-flag mask, handing copies to callers and releasing them, and
 * setting new ones, which renames the members whose names they shape. A record's
 * strings are owned by it and released together; every operation here that
 * fails leaves its destination record exactly as it was.
 */
#include "attr/attr_specs.h"
#include "attr/naming.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/journal.h"
#include "edit/inplace.h"

#include <stddef.h>
#include <string.h>

namespace {

constexpr int kStringCount = 8;
constexpr int kFirstCalcName = 2;   // calcDimName, then the five member names
constexpr int kFirstMemberName = 3; // sumName

// The eight strings in record order, trueName first. The record is packed,
// so its pointers are read and written through memcpy at these offsets and
// never through a pointer to the field.
constexpr size_t kStringOffset[kStringCount] = {
    offsetof(OtlAttrSpecs, trueName),  offsetof(OtlAttrSpecs, falseName),
    offsetof(OtlAttrSpecs, calcDimName), offsetof(OtlAttrSpecs, sumName),
    offsetof(OtlAttrSpecs, countName), offsetof(OtlAttrSpecs, averageName),
    offsetof(OtlAttrSpecs, minName),   offsetof(OtlAttrSpecs, maxName)};

// The change-flag bit under which each string of the record is copied.
constexpr uint8_t kStringFlag[kStringCount] = {
    OTL_SPEC_TRUE_NAME,  OTL_SPEC_FALSE_NAME, OTL_SPEC_CALC_NAMES, OTL_SPEC_CALC_NAMES,
    OTL_SPEC_CALC_NAMES, OTL_SPEC_CALC_NAMES, OTL_SPEC_CALC_NAMES, OTL_SPEC_CALC_NAMES};

char *stringAt(const OtlAttrSpecs *specs, int index)
{
    char *text = nullptr;
    memcpy(&text, reinterpret_cast<const char *>(specs) + kStringOffset[index], sizeof text);
    return text;
}

void setStringAt(OtlAttrSpecs *specs, int index, char *text)
{
    memcpy(reinterpret_cast<char *>(specs) + kStringOffset[index], &text, sizeof text);
}

void releaseAll(const OtlHostContext *host, char *copies[kStringCount])
{
    for (int i = 0; i < kStringCount; ++i)
        otl::hostRelease(host, &copies[i]);
}

void copyScalars(OtlAttrSpecs *destination, const OtlAttrSpecs *source)
{
    destination->affixPosition = source->affixPosition;
    destination->nameFormat = source->nameFormat;
    destination->separator = source->separator;
    destination->dateFormat = source->dateFormat;
    destination->extraChoice = source->extraChoice;
}

} // namespace

extern "C" OTL_API void adShrOtlFreeAttrSpecsMembers(const OtlHostContext *host,
                                                     OtlAttrSpecs *specs)
{
    if (!specs)
        return;
    for (int i = 0; i < kStringCount; ++i) {
        char *text = stringAt(specs, i);
        if (text) {
            otl::hostFree(host, text);
            setStringAt(specs, i, nullptr);
        }
    }
}

// All texts are copied before anything is installed, so a failed allocation
// leaves the outline's record as it was. The record normally holds no
// strings here; any it does hold are released rather than leaked, and since
// that can change the calculations names verification relies on, the
// outline then needs verifying again.
extern "C" OTL_API OtlStatus otlInitDefaultAttrSpecs(OtlOutline *outline)
{
    if (!outline)
        return OTL_ERR_GENERIC;
    static const char *const kDefaults[kStringCount] = {
        "True", "False", "Attribute Calculations", "Sum", "Count", "Average", "Min", "Max"};
    const OtlHostContext *host = outline->host;
    char *copies[kStringCount] = {};
    for (int i = 0; i < kStringCount; ++i) {
        const OtlStatus status = otlDupString(host, kDefaults[i], &copies[i]);
        if (status != OTL_OK) {
            releaseAll(host, copies);
            return status;
        }
    }
    OtlAttrSpecs *specs = &outline->attrSpecs;
    if (specs->calcDimName)
        outline->verified = 0;
    adShrOtlFreeAttrSpecsMembers(host, specs);
    const OtlAttrSpecs zero{};
    copyScalars(specs, &zero);
    for (int i = 0; i < kStringCount; ++i)
        setStringAt(specs, i, copies[i]);
    return OTL_OK;
}

// The selected strings are all copied before any destination string is
// released: a failed allocation then leaves the destination untouched
// (scalars included) instead of half replaced, and copying a record onto
// itself works.
extern "C" OTL_API OtlStatus adShrOtlCopyAttrSpecs(const OtlHostContext *host,
                                                   OtlAttrSpecs *destination,
                                                   const OtlAttrSpecs *source,
                                                   uint8_t changeFlags)
{
    if (!host || !destination || !source)
        return OTL_ERR_GENERIC;
    char *copies[kStringCount] = {};
    for (int i = 0; i < kStringCount; ++i) {
        if (!(changeFlags & kStringFlag[i]))
            continue;
        const OtlStatus status = otlDupString(host, stringAt(source, i), &copies[i]);
        if (status != OTL_OK) {
            releaseAll(host, copies);
            return status;
        }
    }
    copyScalars(destination, source);
    for (int i = 0; i < kStringCount; ++i) {
        if (!(changeFlags & kStringFlag[i]))
            continue;
        otl::hostFree(host, stringAt(destination, i));
        setStringAt(destination, i, copies[i]);
    }
    return OTL_OK;
}

// On failure *specs is null and nothing stays allocated.
extern "C" OTL_API OtlStatus adShrOtlGetAttributeSpecifications(OtlOutline *outline,
                                                                OtlAttrSpecs **specs)
{
    if (!specs)
        return OTL_ERR_GENERIC;
    *specs = nullptr;
    if (!outline)
        return OTL_ERR_GENERIC;
    const OtlHostContext *host = outline->host;
    OtlAttrSpecs *copy = nullptr;
    OtlStatus status = otl::hostNew(host, &copy);
    if (status != OTL_OK)
        return status;
    status = adShrOtlCopyAttrSpecs(host, copy, &outline->attrSpecs, OTL_SPEC_ALL);
    if (status != OTL_OK) {
        otl::hostFree(host, copy);
        return status;
    }
    *specs = copy;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlFreeAttrSpecs(const OtlHostContext *host,
                                                   OtlAttrSpecs *specs)
{
    if (!specs)
        return OTL_OK;
    adShrOtlFreeAttrSpecsMembers(host, specs);
    otl::hostFree(host, specs);
    return OTL_OK;
}

bool otlAttrSeparatorChar(const OtlAttrSpecs *specs, char *separator)
{
    switch (specs->separator) {
    case 0:
        *separator = '_';
        return true;
    case 1:
        *separator = '|';
        return true;
    case 2:
        *separator = '^';
        return true;
    default:
        *separator = '_';
        return false;
    }
}

namespace {

bool differs(const OtlOutline *outline, const char *current, const char *next)
{
    if (!current || !next)
        return current != next;
    return !otl::namesEqual(outline, current, next);
}

bool memberNamed(OtlOutline *outline, const char *name)
{
    OtlItem *found = nullptr;
    if (name)
        otlHashLookup(outline->host, outline, name, nullptr, true, false, 0, nullptr, &found);
    return found != nullptr;
}

// The refusals, in the order they are made, and the change flags.
OtlStatus checkSpecs(OtlOutline *outline, const OtlAttrSpecs *specs, uint8_t *flags)
{
    const OtlAttrSpecs *old = &outline->attrSpecs;
    uint8_t f = 0;
    for (int i = kFirstMemberName; i < kStringCount; ++i) {
        const char *name = stringAt(specs, i);
        if (!name || !name[0])
            return OTL_ERR_ATTR_CALC_NAME_MISSING;
        if (differs(outline, stringAt(old, i), name)) {
            f |= OTL_SPEC_CALC_NAMES;
            if (memberNamed(outline, name))
                return OTL_ERR_ATTR_CALC_NAME_USED;
        }
    }
    if (specs->affixPosition > 1)
        return OTL_ERR_SPEC_AFFIX;
    if (specs->nameFormat > OTL_NAME_FORMAT_DIMENSION)
        return OTL_ERR_SPEC_NAME_FORMAT;
    if (specs->separator > 2)
        return OTL_ERR_SPEC_SEPARATOR;
    if (specs->dateFormat > 1)
        return OTL_ERR_SPEC_DATE_FORMAT;
    if (specs->extraChoice > 1)
        return OTL_ERR_SPEC_EXTRA;
    if (specs->affixPosition != old->affixPosition)
        f |= OTL_SPEC_AFFIX | OTL_SPEC_NAMES;
    if (specs->nameFormat != old->nameFormat)
        f |= OTL_SPEC_NAME_FORMAT | OTL_SPEC_NAMES;
    if (specs->separator != old->separator)
        f |= OTL_SPEC_SEPARATOR | OTL_SPEC_NAMES;
    if (specs->dateFormat != old->dateFormat)
        f |= OTL_SPEC_DATE_FORMAT;
    if (differs(outline, old->trueName, specs->trueName))
        f |= OTL_SPEC_TRUE_NAME;
    if (differs(outline, old->falseName, specs->falseName))
        f |= OTL_SPEC_FALSE_NAME;
    if (differs(outline, old->calcDimName, specs->calcDimName)) {
        f |= OTL_SPEC_CALC_NAMES;
        if (memberNamed(outline, specs->calcDimName))
            return OTL_ERR_ATTR_CALC_NAME_CLASH;
    }
    *flags = f;
    return OTL_OK;
}

// Whether new specifications may rename members of the dimension: numbers
// follow the naming, booleans their texts too, dates their format; text
// members never change. The dimension's own type cannot decide: a member
// moved in from another attribute dimension keeps its type, and a
// dimension made an attribute dimension by member information has none.
// So every attribute dimension is walked when any of these changes, and
// each member's type decides whether its name is rebuilt.
bool walked(const OtlItem *dimension, uint8_t flags)
{
    constexpr uint8_t kNamed =
        OTL_SPEC_NAMES | OTL_SPEC_FALSE_NAME | OTL_SPEC_TRUE_NAME | OTL_SPEC_DATE_FORMAT;
    return dimension->dimensionTag == OTL_TAG_ATTRIBUTE && (flags & kNamed);
}

// The calculations dimension and its five members follow their names. A
// rename that fails leaves its member as it was and does not stop the
// change: verification reports a name that does not match.
void renameCalcDim(OtlItem *dimension, const OtlAttrSpecs *specs, otl::RenamedItems &renamed)
{
    OtlItem *item = dimension;
    for (int i = kFirstCalcName; i < kStringCount && item; ++i) {
        const char *name = stringAt(specs, i);
        if (strcmp(item->memberName, name) != 0)
            renamed.renameLogged(item, name);
        item = item == dimension ? dimension->firstChild : item->nextSibling;
    }
}

} // namespace

// The members are renamed first, each rename a journal entry; the record is
// copied last, all or nothing, so any failure takes every rename back and
// leaves the outline's record as it was.
extern "C" OTL_API OtlStatus adShrOtlSetAttributeSpecifications(OtlOutline *outline,
                                                                const OtlAttrSpecs *specs)
{
    if (!outline || !specs)
        return OTL_ERR_GENERIC;
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    uint8_t flags = 0;
    OtlStatus status = checkSpecs(outline, specs, &flags);
    if (status != OTL_OK)
        return status;
    // Every rename goes into one list, however many members there are, and
    // the journal holds a bounded number of entries.
    otl::Journal journal;
    const bool attributes = outline->stats.dimCount != outline->stats.baseDimCount;
    otl::RenamedItems *renamed = nullptr;
    if (flags && attributes && (status = otl::newRenamedItems(outline, 0, journal, &renamed)) != OTL_OK)
        return status;
    for (uint32_t i = 0; flags && attributes && i < outline->dimTableSize; ++i) {
        OtlItem *dimension = outline->dimTable[i];
        if (!dimension)
            continue;
        if (walked(dimension, flags))
            status = otlAttrRebuildDimension(outline, dimension, specs, flags, *renamed);
        else if (dimension->dimensionTag == OTL_TAG_ATTR_CALC && (flags & OTL_SPEC_CALC_NAMES))
            renameCalcDim(dimension, specs, *renamed);
        if (status != OTL_OK)
            return status;
    }
    if (flags && attributes)
        status = otlAttrRenewShortNames(outline, specs, flags, walked, journal);
    if (status == OTL_OK)
        status = adShrOtlCopyAttrSpecs(outline->host, &outline->attrSpecs, specs, flags);
    if (status != OTL_OK)
        return status;
    if (flags)
        outline->verified = 0;
    journal.commit();
    return OTL_OK;
}
