/*
 * Setting and deleting generation and level names. A set runs its checks
 * in a fixed order (field-access mode, the name's form, the dimension, the
 * number, the number already named, the name already used by a generation
 * or level name, the name used by a member or alias) and then links one
 * new record; a delete unlinks one. Each is the last step of its
 * operation that can fail, so neither needs to be taken back: the time
 * series change their own fields only once the name is set or gone.
 */
#include "names/genlevel.h"
#include "names/dts.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "edit/rules.h"

namespace {

// Whether any dimension has a generation or level name equal to `name`
// without regard to case.
bool nameUsed(const OtlOutline *outline, const char *name)
{
    for (const OtlItem *d = outline->root ? outline->root->firstChild : nullptr; d; d = d->nextSibling)
        for (const OtlGenLevelName *r = d->genLevelNames; r; r = r->nextName)
            if (r->nameText && otlCompareNoCase(outline->host, r->nameText, name) == 0)
                return true;
    return false;
}

// The dimension a host names; any other member is refused as none.
OtlStatus findDimension(OtlOutline *outline, const char *dimensionName, OtlItem **dimension)
{
    *dimension = otlFindNamedMember(outline, dimensionName);
    return *dimension && (*dimension)->generation == 1 ? OTL_OK : OTL_ERR_DIM_NOT_FOUND;
}

OtlStatus setName(OtlOutline *outline, const char *dimensionName, uint8_t kind, uint16_t number,
                  const char *name)
{
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    if (!otlValidateName(name, outline->host))
        return OTL_ERR_GEN_LEVEL_NAME;
    OtlItem *dimension = nullptr;
    if (OtlStatus refused = findDimension(outline, dimensionName, &dimension))
        return refused;
    if (OtlStatus status = otlSetGenLevelName(outline, dimension, kind, number, name))
        return status;
    outline->verified = 0;
    return OTL_OK;
}

OtlStatus deleteName(OtlOutline *outline, const char *dimensionName, uint8_t kind, uint16_t number)
{
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    OtlItem *dimension = nullptr;
    if (OtlStatus refused = findDimension(outline, dimensionName, &dimension))
        return refused;
    // A time series lives through its generation name: when the name goes,
    // the series goes with it, or it could never be disabled again.
    OtlDtsMember *series =
        kind == OTL_NAME_KIND_GENERATION ? otlDtsNamedBy(outline, dimension, number) : nullptr;
    if (OtlStatus status = otlDeleteGenLevelName(outline, dimension, kind, number))
        return status;
    otlDtsDisable(outline, series);
    outline->verified = 0;
    return OTL_OK;
}

} // namespace

OtlStatus otlSetGenLevelName(OtlOutline *outline, OtlItem *dimension, uint8_t kind,
                             uint16_t number, const char *name)
{
    const OtlHostContext *host = outline->host;
    if (kind == OTL_NAME_KIND_GENERATION && number == 0)
        return OTL_ERR_GENERATION_ZERO;
    if (otlFindGenLevelName(dimension, kind, number))
        return OTL_ERR_GEN_LEVEL_EXISTS;
    if (nameUsed(outline, name))
        return OTL_ERR_GEN_LEVEL_NAME_USED;
    OtlItem *member = nullptr;
    otlHashLookup(host, outline, name, nullptr, true, true, 0, nullptr, &member);
    if (member)
        return OTL_ERR_GEN_LEVEL_IS_MEMBER;

    OtlGenLevelName *record = nullptr;
    if (OtlStatus status = otlNewGenLevelName(host, name, number, kind, &record))
        return status;
    otlLinkGenLevelName(dimension, record);
    return OTL_OK;
}

OtlStatus otlDeleteGenLevelName(OtlOutline *outline, OtlItem *dimension, uint8_t kind,
                                uint16_t number)
{
    OtlGenLevelName *prev = nullptr, *record = dimension->genLevelNames;
    while (record && !(record->nameKind == kind && record->nameNumber == number))
        prev = record, record = record->nextName;
    if (!record)
        return OTL_ERR_NO_GEN_LEVEL_NAME;
    if (prev)
        prev->nextName = record->nextName;
    else
        dimension->genLevelNames = record->nextName;
    otl::hostRelease(outline->host, &record->nameText);
    otl::hostFree(outline->host, record);
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlSetGenName(OtlOutline *outline, const char *dimensionName,
                                                uint16_t generation, const char *name)
{
    return setName(outline, dimensionName, OTL_NAME_KIND_GENERATION, generation, name);
}

extern "C" OTL_API OtlStatus adShrOtlSetLevelName(OtlOutline *outline, const char *dimensionName,
                                                  uint16_t level, const char *name)
{
    return setName(outline, dimensionName, OTL_NAME_KIND_LEVEL, level, name);
}

extern "C" OTL_API OtlStatus adShrOtlDeleteGenName(OtlOutline *outline, const char *dimensionName,
                                                   uint16_t generation)
{
    return deleteName(outline, dimensionName, OTL_NAME_KIND_GENERATION, generation);
}

extern "C" OTL_API OtlStatus adShrOtlDeleteLevelName(OtlOutline *outline,
                                                     const char *dimensionName, uint16_t level)
{
    return deleteName(outline, dimensionName, OTL_NAME_KIND_LEVEL, level);
}
