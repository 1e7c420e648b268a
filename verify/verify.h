/*
 * Whole-outline verification: the steps of a run and which step owns which
 * fault words.
 *
 * Every item's two words have one owner in a run, so that a run leaves no
 * bit of an earlier one and every bit it leaves is its own:
 * - the attribute-dimension pass (otlVerifyAttrDims) clears, then sets, the
 *   words of every dimension and of every item of an attribute or
 *   calculations dimension;
 * - the member pass (otlVerifyItems) runs next. On the items the attribute
 *   pass owns it finds word 1 anew but keeps the bits that pass set there
 *   (kAttrPassWord1: a base dimension that is not sparse, two-valued
 *   members of equal value), and adds to word 2. It owns the words of the
 *   universe member and of base members, and finds both anew at each
 *   visit: a base member's word 2 is reset when the member is checked,
 *   just before the checks of its own associations, which are the only
 *   ones that mark it;
 * - the association checks of a base member mark attribute members too,
 *   which the attribute pass cleared earlier in the run; they set the
 *   marker with the bit, since the attribute member may have had its own
 *   visit already (an attribute dimension before a base dimension);
 * - the duplicate pass adds 0x2 and 0x100 last.
 * So after a run the marker is set exactly where word 2 is nonzero, and the
 * report, which lists every item whose word 1 is nonzero, lists exactly the
 * items with a finding.
 */
#ifndef SHROTL_VERIFY_VERIFY_H
#define SHROTL_VERIFY_VERIFY_H

#include "edit/rules.h"

namespace otl {

// The word-1 bits the attribute-dimension pass sets, which the member pass
// keeps on the items that pass owns.
constexpr uint32_t kAttrPassWord1 = kFaultStorage | kFaultDuplicate;
// Word-1 bits that keep an outline from counting as verified: all but the
// name clashes with generation and level names and the warnings.
constexpr uint32_t kSeriousFaults = 0x80FFFFFFu;
// The report grows by this many entries at a time.
constexpr uint32_t kReportStep = 50;

// Whether the attribute-dimension pass owns the item's words: a dimension,
// or an item of an attribute or calculations dimension.
bool ownedByAttrPass(const OtlItem *item);

// Sets a word-2 bit and the marker that goes with it.
inline void markAttrFault(OtlItem *item, uint32_t bit)
{
    item->attrFaultFlags |= bit;
    item->faultFlags |= kFaultAttrMarker;
}

} // namespace otl

// Checks one base member's attribute associations, fixing each attribute
// dimension's association level at the first base member met in the run;
// true when it marked any member.
bool otlVerifyAssociations(OtlOutline *outline, OtlItem *member);

// Appends an entry for every item of `first`, its following siblings and
// their descendants whose word 1 is nonzero, in pre-order, growing the
// report by otl::kReportStep entries; clears *ioVerified when an entry holds
// a serious fault. On an allocation failure the report is released, *ioReport
// is null, *ioCount 0, and the allocator's status is returned.
OtlStatus otlBuildFaultReport(const OtlHostContext *host, OtlItem *first,
                              OtlFaultEntry **ioReport, uint32_t *ioCount, uint8_t *ioVerified);

#endif
