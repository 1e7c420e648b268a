/*
 * Automatic storage configuration. The weights favour a data block (the
 * dense dimensions together) of a few kilobytes made of the time and
 * accounts dimensions, and a formula-heavy dimension dense; the working
 * tables live only for the call.
 */
#include "file/autoconf.h"

#include "attr/items.h"
#include "core/alloc.h"
#include "core/records.h"
#include "core/tree.h"
#include "platform/charset/gcharset.h"

#include <cstring>
#include <utility>

namespace {

constexpr uint16_t kComputed = 5; // consolidation and share option
constexpr double kBytesPerCell = 8.0;
constexpr double kSingleDimWeight = 1000.0;

// The delimiters a formula's operators are counted by.
bool isDelimiter(char c)
{
    return c != '\0' && std::strchr("\t\n\r @!#%*+,-/:;<=>[]{}~", c) != nullptr;
}

// Whether a member without formula takes its value from one child: exactly
// one child adds (consolidation 0) and every other is ignored (5).
bool oneChildCarries(const OtlItem *item)
{
    uint32_t adding = 0;
    for (const OtlItem *c = item->firstChild; c; c = c->nextSibling) {
        if (c->consolidation == 0)
            ++adding;
        else if (c->consolidation != kComputed)
            return false;
    }
    return adding == 1;
}

// The stored-member estimate counts every member that holds data of its own;
// computed members (share option 5) hold none here.
bool countsAsStored(const OtlItem *item)
{
    if (item->shareOption == OTL_SHARE_LABEL_ONLY || item->shareOption == OTL_SHARE_SHARED ||
        item->shareOption == OTL_SHARE_COMPUTED)
        return false;
    return item->shareOption == OTL_SHARE_NEVER_SHARE || item->formula || !item->firstChild ||
           !oneChildCarries(item);
}

// Weight of a dimension's formulas per stored member. A dimension with no
// stored member (a label-only dimension without children, say) has no
// cells for its formulas to weigh on: its formulas count nothing rather
// than dividing by zero.
double formulaWeight(const otl::StorageDim &dim)
{
    if (dim.operators == 0 || dim.stored == 0)
        return 0.0;
    return 8.0 * (dim.operators / dim.stored);
}

double denseScore(const otl::StorageDim &dim, uint32_t count)
{
    double score = count == 1 ? kSingleDimWeight : 0.0;
    const bool accounts = dim.tag == OTL_TAG_ACCOUNTS || dim.category == 4;
    if (dim.tag == OTL_TAG_TIME || dim.category == 1)
        score += 8;
    else if (dim.category == 2 || dim.category == 3)
        score += 2;
    else if (accounts && dim.stored < 100)
        score += 4;
    else if (accounts && dim.stored < 200)
        score += 2;
    return score + formulaWeight(dim);
}

double sparseScore(const otl::StorageDim &dim, uint32_t count)
{
    double score = count == 1 ? -kSingleDimWeight : 0.0;
    score -= formulaWeight(dim);
    if (dim.tag == OTL_TAG_COUNTRY || dim.category >= 8)
        score += 2.0 / count;
    else if (dim.category >= 5 && dim.category <= 7)
        score += 1.0 / count;
    return score;
}

// The first line whose block-size range holds b.
double blockScore(double b)
{
    if (b > 200 && b < 32000)
        return 4;
    if (b > 100 && b < 64000)
        return 2;
    if (b > 50 && b < 128000)
        return 1;
    if (b > 2147483647.0)
        return -1000;
    if (b > 10000000)
        return -500;
    if (b < 50 || b > 1024000)
        return -25;
    if (b > 512000)
        return -4;
    if (b > 256000)
        return -2;
    return 0;
}

uint32_t countDimensions(const OtlOutline *outline)
{
    uint32_t n = 0;
    for (const OtlItem *d = outline->root ? outline->root->firstChild : nullptr; d;
         d = d->nextSibling)
        ++n;
    return n;
}

// Attribute dimensions and the dimensions they describe are looked up
// member by member: they must be sparse, as must the calculations dimension.
void forceSparse(OtlOutline *outline)
{
    for (OtlItem *d = outline->root->firstChild; d; d = d->nextSibling) {
        if (d->dimensionTag == OTL_TAG_ATTRIBUTE) {
            d->storageType = OTL_STORAGE_SPARSE;
            if (OtlItem *base = d->attrLink.attrDim.attrBaseDim)
                base->storageType = OTL_STORAGE_SPARSE;
        } else if (d->dimensionTag == OTL_TAG_ATTR_CALC) {
            d->storageType = OTL_STORAGE_SPARSE;
        }
    }
}

} // namespace

namespace otl {

uint32_t formulaOperators(const OtlHostContext *host, const char *formula)
{
    uint32_t count = 0;
    bool quoted = false, inRun = false;
    for (const char *p = formula; p && *p;) {
        const unsigned char c = static_cast<unsigned char>(*p);
        // A byte below 0x80 is a character of its own in every code page
        // the library takes; a lead byte starts one of several bytes,
        // which is neither a quote nor a delimiter.
        const uint32_t length = c < 0x80 ? 1 : GCByteLength(host->localeHandle, p, 0);
        if (c == '"') {
            quoted = !quoted;
        } else if (c < 0x80 && isDelimiter(static_cast<char>(c))) {
            if (!quoted && !inRun) {
                ++count;
                inRun = true;
            }
        } else {
            inRun = false;
        }
        p += length ? length : 1;
    }
    return count;
}

void summariseDimension(const OtlHostContext *host, OtlItem *dimension, StorageDim *summary)
{
    *summary = StorageDim{dimension, 0, 0, dimension->dimensionTag, dimension->dimensionCategory};
    for (OtlItem *item = dimension; item; item = nextInSubtree(item, dimension)) {
        summary->stored += countsAsStored(item);
        summary->operators += formulaOperators(host, item->formula);
    }
}

double storageScore(const StorageDim *dims, uint32_t count, uint32_t assignment)
{
    double score = 0.0, product = 1.0;
    for (uint32_t i = 0; i < count; ++i) {
        if ((assignment >> i & 1u) == 0) {
            product *= dims[i].stored;
            score += denseScore(dims[i], count);
        } else {
            score += sparseScore(dims[i], count);
        }
    }
    return score + blockScore(product * kBytesPerCell);
}

void sortStorageCandidates(StorageCandidate *candidates, uint32_t count)
{
    struct Range {
        int64_t lo, hi;
    };
    // Going on with the smaller part keeps at most log2(count) + 1 ranges
    // pending; 2^32 candidates would need 33.
    Range pending[40];
    uint32_t depth = 0;
    Range range{0, static_cast<int64_t>(count) - 1};
    StorageCandidate *const c = candidates;
    for (;;) {
        if (range.lo >= range.hi) {
            if (depth == 0)
                return;
            range = pending[--depth];
            continue;
        }
        // The pivot is whatever its slot holds when compared: a swap
        // through the slot changes it, which fixes the order of ties.
        const int64_t pivot = (range.lo + range.hi) / 2;
        int64_t i = range.lo - 1, j = range.hi + 1;
        for (;;) {
            do
                ++i;
            while (c[i].score > c[pivot].score);
            do
                --j;
            while (c[j].score < c[pivot].score);
            if (j <= i)
                break;
            std::swap(c[i], c[j]);
        }
        const Range left{range.lo, i == j ? j - 1 : j};
        const Range right{i == j ? i + 1 : i, range.hi};
        const bool rightSmaller = right.hi - right.lo <= left.hi - left.lo;
        pending[depth++] = rightSmaller ? left : right;
        range = rightSmaller ? right : left;
    }
}

} // namespace otl

OtlStatus otlConfigureStorage(const OtlHostContext *host, OtlOutline *outline)
{
    const uint32_t n = countDimensions(outline);
    if (n == 0)
        return OTL_OK;
    if (n > otl::kMaxAutoConfigDims)
        return OTL_ERR_AUTOCONFIG_DIMS;

    otl::StorageDim *dims = nullptr;
    OtlStatus status = otl::hostNewArray(host, n, &dims);
    if (status != OTL_OK)
        return status;
    const uint32_t count = 1u << n;
    otl::StorageCandidate *candidates = nullptr;
    status = otl::hostNewArray(host, count, &candidates);
    if (status != OTL_OK) {
        otl::hostRelease(host, &dims);
        return status;
    }

    uint32_t i = 0;
    for (OtlItem *d = outline->root->firstChild; d; d = d->nextSibling)
        otl::summariseDimension(host, d, &dims[i++]);
    for (uint32_t k = 0; k < count; ++k)
        candidates[k] = {otl::storageScore(dims, n, k), k};
    otl::sortStorageCandidates(candidates, count);

    const uint32_t best = candidates[0].assignment;
    for (i = 0; i < n; ++i)
        dims[i].dimension->storageType = static_cast<uint16_t>(best >> i & 1u);
    forceSparse(outline);
    otl::hostRelease(host, &candidates);
    otl::hostRelease(host, &dims);
    return OTL_OK;
}
