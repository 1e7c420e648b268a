/*
 * The eight dynamic time series members: fixed names and period names in a
 * fixed order, created cleared with the outline.
 */
#include "names/dts.h"
#include "core/alloc.h"
#include "core/host.h"

namespace {

struct DtsName {
    const char *name;
    const char *period;
};

constexpr DtsName kDtsNames[OTL_DTS_COUNT] = {
    {"H-T-D", "History"}, {"Y-T-D", "Year"},    {"S-T-D", "Season"}, {"P-T-D", "Period"},
    {"Q-T-D", "Quarter"}, {"M-T-D", "Month"},   {"W-T-D", "Week"},   {"D-T-D", "Day"},
};

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
