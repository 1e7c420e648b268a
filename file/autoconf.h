/*
 * Automatic storage configuration: before a save, an outline that asks for
 * it chooses every dimension's storage type itself. Every assignment of
 * dense (0) and sparse (1) to the dimensions is scored with fixed weights,
 * the candidates are sorted by score with a quicksort whose order of equal
 * scores is part of the result, and the best is applied. Attribute
 * dimensions, their base dimensions and the calculations dimension end
 * sparse whatever the scores. The search is exhaustive, so the number of
 * dimensions is bounded.
 */
#ifndef SHROTL_FILE_AUTOCONF_H
#define SHROTL_FILE_AUTOCONF_H

#include "shrotl.h"

namespace otl {

// Dimensions an outline may have for the search to run (2^25 candidates).
constexpr uint32_t kMaxAutoConfigDims = 25;

// What the scoring reads of one dimension.
struct StorageDim {
    OtlItem *dimension;
    uint32_t stored;    // its items that count as stored, itself included
    uint32_t operators; // the formula operators of all those items
    uint16_t tag;
    uint16_t category;
};

// One assignment: bit i of `assignment` is the storage type proposed for
// dimension i.
struct StorageCandidate {
    double score;
    uint32_t assignment;
};

// Delimiter runs outside double quotes in one formula; 0 for null.
uint32_t formulaOperators(const OtlHostContext *host, const char *formula);
void summariseDimension(const OtlHostContext *host, OtlItem *dimension, StorageDim *summary);
double storageScore(const StorageDim *dims, uint32_t count, uint32_t assignment);
// Sorts by score, highest first; the order of equal scores is fixed by the
// algorithm (middle slot as pivot, compared through its slot).
void sortStorageCandidates(StorageCandidate *candidates, uint32_t count);

} // namespace otl

// Chooses and sets every dimension's storage type; nothing else changes.
// OTL_OK at once without dimensions; OTL_ERR_AUTOCONFIG_DIMS for more than
// otl::kMaxAutoConfigDims; otherwise an allocation status. A failure
// changes nothing.
OtlStatus otlConfigureStorage(const OtlHostContext *host, OtlOutline *outline);

#endif
