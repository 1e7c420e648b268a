/*
 * The attribute calculations dimension. It is created through the add's
 * own journaled steps, so an operation that fails after creating it takes
 * it back with everything else.
 */
#include "edit/calcdim.h"
#include "attr/register.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "edit/add.h"

namespace {

// Names of the dimension and its five members, in creation order.
const char *calcName(const OtlAttrSpecs &specs, int index)
{
    const char *names[] = {specs.calcDimName, specs.sumName,  specs.countName,
                           specs.averageName, specs.minName,  specs.maxName};
    return names[index];
}

// Default specifications installed for the dimension: a rollback gives the
// outline its old ones back, a commit releases them.
struct SpecsInstalled {
    OtlOutline *outline;
    OtlAttrSpecs *saved;
    void undo()
    {
        adShrOtlFreeAttrSpecsMembers(outline->host, &outline->attrSpecs);
        outline->attrSpecs = *saved;
        otl::hostRelease(outline->host, &saved);
    }
    void commit()
    {
        adShrOtlFreeAttrSpecsMembers(outline->host, saved);
        otl::hostRelease(outline->host, &saved);
    }
};

OtlStatus installDefaults(OtlOutline *outline, otl::Journal &journal)
{
    const OtlHostContext *host = outline->host;
    OtlAttrSpecs *saved = nullptr;
    OtlStatus status = otl::hostNew(host, &saved);
    if (status == OTL_OK)
        status = adShrOtlCopyAttrSpecs(host, saved, &outline->attrSpecs, OTL_SPEC_ALL);
    if (status == OTL_OK)
        status = otlInitDefaultAttrSpecs(outline);
    if (status != OTL_OK) {
        if (saved)
            adShrOtlFreeAttrSpecsMembers(host, saved);
        otl::hostRelease(host, &saved);
        return status;
    }
    journal.keep(&outline->verified); // a replaced record clears it
    journal.step(SpecsInstalled{outline, saved});
    return OTL_OK;
}

OtlStatus addCalcItem(OtlOutline *outline, const char *name, OtlItem *parent, OtlItem *after,
                      otl::Journal &journal, OtlItem **item)
{
    OtlMbrInfo info{};
    otl::copyText(info.memberName, name, OTL_NAME_SIZE);
    info.dimensionTag = OTL_TAG_ATTR_CALC;
    info.dimensionCategory = OTL_CATEGORY_ATTR_CALC;
    if (!parent) {
        info.shareOption = OTL_SHARE_LABEL_ONLY;
        info.storageType = 1;
    }
    return otlAddItem(outline, &info, after ? nullptr : parent, after, OTL_CHECK_ALL, nullptr,
                      journal, item);
}

// The dimension (label-only; its tag exempts it from the childless
// label-only rule) and then its five members.
OtlStatus createCalcDim(OtlOutline *outline, otl::Journal &journal)
{
    if (!outline->attrSpecs.calcDimName && installDefaults(outline, journal) != OTL_OK)
        return OTL_ERR_ATTR_CALC_CREATE;
    const OtlAttrSpecs &specs = outline->attrSpecs;
    for (int i = 0; i < 6; ++i) {
        OtlItem *found = nullptr;
        adShrOtlFindMember(outline, calcName(specs, i), &found);
        if (found)
            return OTL_ERR_ATTR_CALC_NAME_CLASH;
    }
    OtlItem *last = nullptr;
    otlAttrLastDim(outline, &last);
    OtlItem *dimension = nullptr;
    if (addCalcItem(outline, calcName(specs, 0), nullptr, last, journal, &dimension) != OTL_OK)
        return OTL_ERR_ATTR_CALC_CREATE;
    // Registration gives the dimension and its members their role.
    OtlItem *previous = nullptr;
    for (int i = 1; i < 6; ++i) {
        OtlItem *member = nullptr;
        if (addCalcItem(outline, calcName(specs, i), dimension, previous, journal, &member) !=
            OTL_OK)
            return OTL_ERR_ATTR_CALC_CREATE;
        previous = member;
    }
    return OTL_OK;
}

} // namespace

bool otlWantsCalcDim(const OtlOutline *outline, const OtlItem *leaving)
{
    for (const OtlItem *d = outline->root->firstChild; d; d = d->nextSibling)
        if (d != leaving && d->dimensionTag == OTL_TAG_ATTRIBUTE)
            return true;
    return false;
}

OtlItem *otlFindCalcDim(const OtlOutline *outline)
{
    for (OtlItem *d = outline->root->firstChild; d; d = d->nextSibling)
        if (d->dimensionTag == OTL_TAG_ATTR_CALC)
            return d;
    return nullptr;
}

OtlStatus otlSettleCalcDim(OtlOutline *outline, otl::Journal &journal)
{
    const bool wanted = otlWantsCalcDim(outline, nullptr);
    OtlItem *present = otlFindCalcDim(outline);
    if (wanted && !present)
        return createCalcDim(outline, journal);
    if (!wanted && present)
        return otlLeaveCalcDim(outline, present, journal);
    return OTL_OK;
}
