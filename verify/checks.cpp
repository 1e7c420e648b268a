/*
 * Whole-outline checks: the outline-level word and duplicate names. The
 * duplicate pass relies on the hash table's buckets being sorted without
 * regard to case, so equal names are neighbours.
 */
#include "verify/checks.h"
#include "core/host.h"
#include "core/records.h"
#include "edit/rules.h"

namespace {

uint32_t countDimensions(const OtlOutline *outline, const OtlItem **last)
{
    uint32_t count = 0;
    *last = nullptr;
    for (const OtlItem *d = outline->root ? outline->root->firstChild : nullptr; d;
         d = d->nextSibling) {
        ++count;
        *last = d;
    }
    return count;
}

// The name an entry stands for: attribute members are compared by their
// member name, so a short name never clashes on its own.
const char *comparedName(const OtlHashEntry &entry)
{
    return entry.item->dimensionTag == OTL_TAG_ATTRIBUTE ? entry.item->memberName : entry.name;
}

// The fault two entries of equal case-folded name raise together, or 0.
// Aliases of different tables may be equal.
uint32_t duplicateBit(const OtlOutline *outline, const OtlHashEntry &a, const OtlHashEntry &b)
{
    if (a.item == b.item || a.item->shareOption == OTL_SHARE_SHARED ||
        b.item->shareOption == OTL_SHARE_SHARED)
        return 0;
    if (!otl::namesEqual(outline, comparedName(a), comparedName(b)))
        return 0;
    if (a.table == 0 && b.table == 0)
        return otl::kFaultDuplicate;
    if (a.table == b.table || a.table == 0 || b.table == 0)
        return otl::kFaultNameUsed;
    return 0;
}

} // namespace

OtlStatus otlVerifyOutlineLevel(OtlOutline *outline, uint32_t *word)
{
    *word = 0;
    const OtlItem *last = nullptr;
    const uint32_t dims = countDimensions(outline, &last);
    if (outline->outlineType == OTL_OUTLINE_CURRENCY && dims > OTL_MAX_CURRENCY_DIMS)
        *word |= otl::kFaultCurrencyDims;
    if (outline->stats.dimCount != outline->stats.baseDimCount && last &&
        last->dimensionTag != OTL_TAG_ATTR_CALC)
        *word |= otl::kFaultLastNotCalcDim;
    return OTL_OK;
}

// Every pair within a run of names that are equal without regard to case is
// compared, not only neighbours: in a case-sensitive outline "Abc", "abc",
// "Abc" sit in one run and the first and the last are the duplicates.
static uint32_t scanDuplicates(OtlOutline *outline, bool mark)
{
    uint32_t lastBit = 0;
    if (!outline->nameHash)
        return 0;
    for (const OtlHashBucket &bucket : outline->nameHash->buckets) {
        for (uint32_t i = 0; i + 1 < bucket.count; ++i) {
            const OtlHashEntry &a = bucket.entries[i];
            for (uint32_t j = i + 1; j < bucket.count; ++j) {
                const OtlHashEntry &b = bucket.entries[j];
                if (otlCompareNoCase(outline->host, a.name, b.name) != 0)
                    break;
                const uint32_t bit = duplicateBit(outline, a, b);
                if (bit && mark) {
                    a.item->faultFlags |= bit;
                    b.item->faultFlags |= bit;
                }
                lastBit = bit ? bit : lastBit;
            }
        }
    }
    return lastBit;
}

uint32_t otlVerifyDuplicates(OtlOutline *outline)
{
    return scanDuplicates(outline, true);
}

uint32_t otlFindDuplicates(OtlOutline *outline)
{
    return scanDuplicates(outline, false);
}
