/*
 * The eight dynamic time series members: fixed names and period names in a
 * fixed order, created cleared with the outline; enabling and disabling
 * them at a generation of the time dimension, and listing the enabled ones.
 *
 * Invariant: a series is enabled exactly when it was enabled through here
 * and not disabled since, and dtsEnabledCount counts the enabled ones.
 * Naming or un-naming the generation is the one step of a change that can
 * fail; the record's fields change after it, so neither happens without
 * the other.
 */
#include "names/dts.h"
#include "names/genlevel.h"
#include "core/alloc.h"
#include "core/host.h"
#include "core/tree.h"

#include <string.h>

namespace {

struct DtsName {
    const char *name;
    const char *period;
};

constexpr DtsName kDtsNames[OTL_DTS_COUNT] = {
    {"H-T-D", "History"}, {"Y-T-D", "Year"},    {"S-T-D", "Season"}, {"P-T-D", "Period"},
    {"Q-T-D", "Quarter"}, {"M-T-D", "Month"},   {"W-T-D", "Week"},   {"D-T-D", "Day"},
};

// dtsGeneration of a series that was disabled (a new one holds 0).
constexpr uint16_t kDisabledGeneration = 0xFFFF;

} // namespace

OtlStatus otlDtsCreate(OtlOutline *outline)
{
    for (int i = 0; i < OTL_DTS_COUNT; ++i) {
        OtlDtsMember *record = nullptr;
        OtlStatus status = otl::hostNew(outline->host, &record);
        if (status != OTL_OK) {
            otlDtsRelease(outline);
            return status;
        }
        otl::copyText(record->dtsName, kDtsNames[i].name, sizeof record->dtsName);
        otl::copyText(record->dtsPeriodName, kDtsNames[i].period, sizeof record->dtsPeriodName);
        outline->dtsMembers[i] = record; // a packed field: assigned, never referenced
    }
    return OTL_OK;
}

void otlDtsRelease(OtlOutline *outline)
{
    for (int i = 0; i < OTL_DTS_COUNT; ++i)
        otl::hostRelease(outline->host, &outline->dtsMembers[i]);
}

OtlDtsMember *otlFindDtsMember(const OtlOutline *outline, const char *name, bool asciiCase)
{
    if (!name || !name[0])
        return nullptr;
    for (int i = 0; i < OTL_DTS_COUNT; ++i) {
        OtlDtsMember *record = outline->dtsMembers[i];
        const bool equal = asciiCase ? otl::equalIgnoringAsciiCase(record->dtsName, name)
                                     : otlCompareNoCase(outline->host, record->dtsName, name) == 0;
        if (equal)
            return record;
    }
    return nullptr;
}

OtlDtsMember *otlDtsNamedBy(OtlOutline *outline, const OtlItem *dimension, uint16_t generation)
{
    if (dimension != otlFindDimByTag(outline, OTL_TAG_TIME))
        return nullptr;
    const OtlGenLevelName *name = otlFindGenLevelName(dimension, OTL_NAME_KIND_GENERATION, generation);
    for (uint32_t i = 0; i < OTL_DTS_COUNT; ++i) { // by index: the handle is packed
        OtlDtsMember *record = outline->dtsMembers[i];
        if (record && record->dtsEnabled && record->dtsGeneration == generation && name &&
            name->nameText && strcmp(name->nameText, record->dtsPeriodName) == 0)
            return record;
    }
    return nullptr;
}

void otlDtsDisable(OtlOutline *outline, OtlDtsMember *record)
{
    if (!record || !record->dtsEnabled)
        return;
    --outline->dtsEnabledCount;
    record->dtsGeneration = kDisabledGeneration;
    record->dtsEnabled = 0;
}

extern "C" OTL_API OtlStatus adShrOtlEnableDTSMember(OtlOutline *outline, const char *dtsName,
                                                     uint16_t generation, uint8_t enable)
{
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    OtlItem *time = otlFindDimByTag(outline, OTL_TAG_TIME);
    if (!time)
        return OTL_ERR_NO_TIME_DIM;
    OtlDtsMember *record = otlFindDtsMember(outline, dtsName, true);
    if (!record)
        return OTL_ERR_NOT_DTS_NAME;
    if ((record->dtsEnabled != 0) == (enable != 0))
        return OTL_OK; // already as asked: the generation stays
    if (enable) {
        if (OtlStatus status = otlSetGenLevelName(outline, time, OTL_NAME_KIND_GENERATION,
                                                  generation, record->dtsPeriodName))
            return status;
        ++outline->dtsEnabledCount;
        record->dtsGeneration = generation;
        record->dtsEnabled = 1;
    } else {
        // The caller names the generation the series was enabled at; its
        // name must still be the period name, byte for byte.
        const OtlGenLevelName *name =
            otlFindGenLevelName(time, OTL_NAME_KIND_GENERATION, generation);
        if (!name || !name->nameText || strcmp(name->nameText, record->dtsPeriodName) != 0)
            return OTL_ERR_DTS_NOT_ENABLED;
        if (OtlStatus status =
                otlDeleteGenLevelName(outline, time, OTL_NAME_KIND_GENERATION, generation))
            return status;
        otlDtsDisable(outline, record);
    }
    outline->verified = 0;
    return OTL_OK;
}

// Each entry's generation is that of the time dimension's generation name
// equal to the period name without regard to case, wherever it lies (the
// dimension may have grown shallower since); should that name be gone, the
// generation the series was enabled at.
extern "C" OTL_API OtlStatus adShrOtlGetEnabledDTSMembers(OtlOutline *outline, uint16_t *count,
                                                          OtlDtsEntry **entries)
{
    const OtlItem *time = otlFindDimByTag(outline, OTL_TAG_TIME);
    if (!time)
        return OTL_ERR_NO_TIME_DIM;
    const uint16_t enabled = outline->dtsEnabledCount;
    if (enabled == 0) {
        *count = 0;
        return OTL_OK;
    }
    const OtlHostContext *host = outline->host;
    OtlDtsEntry *list = nullptr;
    if (OtlStatus status = otl::hostNewArray(host, enabled, &list))
        return status;
    uint16_t filled = 0;
    for (int i = 0; i < OTL_DTS_COUNT; ++i) {
        const OtlDtsMember *record = outline->dtsMembers[i];
        if (!record->dtsEnabled || filled == enabled)
            continue;
        OtlDtsEntry &entry = list[filled++];
        otl::copyText(entry.dtsName, record->dtsName, sizeof entry.dtsName);
        entry.generation = record->dtsGeneration;
        for (const OtlGenLevelName *r = time->genLevelNames; r; r = r->nextName)
            if (r->nameKind == OTL_NAME_KIND_GENERATION && r->nameText &&
                otlCompareNoCase(host, r->nameText, record->dtsPeriodName) == 0) {
                entry.generation = r->nameNumber;
                break;
            }
    }
    *count = enabled;
    *entries = list;
    return OTL_OK;
}
