/*
 * The verification run and its member pass. A run changes no structure: it
 * writes the items' fault words, the few values the attribute pass settles,
 * and `verified`. Which pass owns which word is told in verify/verify.h.
 */
#include "verify/verify.h"

#include "core/alloc.h"
#include "core/records.h"
#include "core/tree.h"
#include "verify/checks.h"

namespace otl {

bool ownedByAttrPass(const OtlItem *item)
{
    if (item->generation == 1)
        return true;
    const OtlItem *dim = otlGetDim(const_cast<OtlItem *>(item));
    return dim && isAttrTag(dim->dimensionTag);
}

} // namespace otl

namespace {

void clearWords(OtlItem *root)
{
    for (OtlItem *item = root; item; item = otl::nextInChain(item, nullptr))
        item->faultFlags = item->attrFaultFlags = 0;
}

} // namespace

extern "C" OTL_API OtlBool otlVerifyItems(const OtlHostContext *host, OtlOutline *outline,
                                          OtlItem *first)
{
    bool found = false;
    const OtlItem *top = first ? first->parent : nullptr;
    for (OtlItem *item = first; item; item = otl::nextInChain(item, top)) {
        const uint32_t checked = otlCheckMember(host, outline, item, otl::kCheckAll);
        const bool member = item->generation >= 2;
        const uint32_t attrChecked = member ? otlCheckAttrMember(host, outline, item) : 0;
        if (otl::ownedByAttrPass(item)) {
            item->faultFlags = checked | (item->faultFlags & otl::kAttrPassWord1);
            item->attrFaultFlags |= attrChecked;
        } else {
            item->faultFlags = checked;
            item->attrFaultFlags = attrChecked;
        }
        if (member && !otl::isAttrTag(item->dimensionTag))
            found = otlVerifyAssociations(outline, item) || found;
        if (item->attrFaultFlags)
            item->faultFlags |= otl::kFaultAttrMarker;
        found = found || item->faultFlags != 0;
    }
    return found;
}

extern "C" OTL_API OtlStatus adShrOtlVerifyOutline(OtlOutline *outline, uint32_t *outlineFaults,
                                                   uint32_t *count, OtlFaultEntry **report)
{
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    *outlineFaults = 0;
    *count = 0;
    otl::storePointer(report, static_cast<OtlFaultEntry *>(nullptr));

    uint32_t word = 0;
    otlVerifyOutlineLevel(outline, &word);
    if (word) {
        // The members go unchecked, so no finding of theirs could be
        // current: their words are cleared rather than left from an
        // earlier run, and the outline cannot count as verified.
        clearWords(outline->root);
        outline->verified = 0;
        *outlineFaults = word;
        return OTL_OK;
    }

    // Every pass runs, whatever the one before found: each owns words the
    // others do not clear. The report then lists what they left; after a
    // clean run it is empty and nothing is allocated.
    otlVerifyAttrDims(outline);
    otlVerifyItems(outline->host, outline, outline->root);
    otlVerifyDuplicates(outline);
    const uint8_t before = outline->verified;
    outline->verified = 1;
    OtlFaultEntry *built = nullptr;
    uint32_t entries = 0;
    const OtlStatus status =
        otlBuildFaultReport(outline->host, outline->root, &built, &entries, &outline->verified);
    if (status != OTL_OK) {
        outline->verified = before; // the run did not finish: nothing to go by
        return status;
    }
    *count = entries;
    otl::storePointer(report, built);
    return OTL_OK;
}
