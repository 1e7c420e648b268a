/*
 * Attribute specifications: installing the defaults, copying records under a
 * change-flag mask, handing copies to callers and releasing them. A record's
 * strings are owned by it and released together; every operation here that
 * fails leaves its destination record exactly as it was.
 */
#include "attr/attr_specs.h"
#include "core/alloc.h"
#include "core/host.h"

#include <stddef.h>
#include <string.h>

namespace {

constexpr int kStringCount = 8;

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
