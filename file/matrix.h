/*
 * Association matrices. An attribute dimension's matrix has one row per
 * stored number of the dimension and one bit per stored number of its base
 * dimension: bit b - 1 of a row is set when the base member numbered b is
 * associated with the row's attribute item or one below it. The block is a
 * u32 word count followed by the words, little-endian like the file, so
 * that the words are written and read as they stand.
 */
#ifndef SHROTL_FILE_MATRIX_H
#define SHROTL_FILE_MATRIX_H

#include "shrotl.h"

#include <stdint.h>

namespace otl {

constexpr uint32_t kMatrixHeaderBytes = 4;

inline uint32_t loadLe32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void storeLe32(uint8_t *p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Words of a matrix block; 0 for none.
inline uint32_t matrixWords(const uint8_t *block)
{
    return block ? loadLe32(block) : 0;
}

// The writer's matrices, rebuilt from the base members' associations into
// fresh blocks (the old ones are kept for the caller to put back or
// release). `highestStored` gives each dimension's highest stored member
// number, `rebuilt[k - 1]` marks the attribute dimensions numbered k that
// got a new matrix and `old[k - 1]` receives their old block. Needs the
// numbers and dimStats of the same save.
OtlStatus rebuildMatrices(OtlOutline *outline, const uint32_t *highestStored, uint8_t *rebuilt,
                          uint8_t **old);

// The reader's step: every link slot's dimension number becomes its
// attribute dimension, and each base member finds its attribute members in
// the matrices; then shared and label-only members take over the flag of
// the member they stand for. A slot that names no attribute dimension, or
// one already linked, makes the file malformed.
OtlStatus resolveAssociations(OtlOutline *outline);

} // namespace otl

#endif
