/*
 * The attribute calculations dimension: a label-only dimension (tag
 * OTL_TAG_ATTR_CALC) with five members named by the attribute
 * specifications. It exists exactly while the outline has an attribute
 * dimension; every operation that adds, removes or retags dimensions ends by
 * settling it.
 */
#ifndef SHROTL_EDIT_CALCDIM_H
#define SHROTL_EDIT_CALCDIM_H

#include "core/journal.h"
#include "shrotl.h"

// Whether the outline wants the calculations dimension: some dimension
// other than `leaving` (which may be null) is an attribute dimension.
bool otlWantsCalcDim(const OtlOutline *outline, const OtlItem *leaving);
// The calculations dimension, or null.
OtlItem *otlFindCalcDim(const OtlOutline *outline);
// Deletes the dimension with its members, all or nothing; it cannot be
// taken back, so it is the last step of an operation that can fail
// (defined with the delete).
OtlStatus otlDeleteCalcDim(OtlOutline *outline);
// Creates or deletes the dimension so that it exists exactly when wanted.
// A creation (after the last dimension, with the default specifications
// installed first when the outline has none) is entered into the journal;
// a name clash gives OTL_ERR_ATTR_CALC_NAME_CLASH, any other failure
// OTL_ERR_ATTR_CALC_CREATE. A deletion cannot be taken back: settling must
// be the last step of an operation that can fail when it may delete.
OtlStatus otlSettleCalcDim(OtlOutline *outline, otl::Journal &journal);

#endif
