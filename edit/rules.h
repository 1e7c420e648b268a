/*
 * Member rule checks and their fault words. Word 1 holds the member faults,
 * word 2 the attribute faults; bit 0x80000000 of word 1 marks a nonzero
 * word 2. One mapping turns the two words into one status.
 */
#ifndef SHROTL_EDIT_RULES_H
#define SHROTL_EDIT_RULES_H

#include "shrotl.h"

namespace otl {

// Word 1 bits.
constexpr uint32_t kFaultName = 0x1;
constexpr uint32_t kFaultDuplicate = 0x2;
constexpr uint32_t kFaultNameUsed = 0x100;
constexpr uint32_t kFaultLastNotCalcDim = 0x4000;
constexpr uint32_t kFaultCurrencyDims = 0x200000;
constexpr uint32_t kFaultWarningChildren = 0x2000000;
constexpr uint32_t kFaultAttrMarker = 0x80000000u;

} // namespace otl

OtlStatus otlFaultsToStatus(uint32_t word1, uint32_t word2);

#endif
