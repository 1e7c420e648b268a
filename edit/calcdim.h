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
// The dimension leaves with the operation (defined with the delete): its
// member-deleted record goes into the log now, as a journal entry; the
// subtree itself goes when the journal commits, since a subtree taken out
// of the hash could not go back without memory.
OtlStatus otlLeaveCalcDim(OtlOutline *outline, OtlItem *dimension, otl::Journal &journal);
// Creates the dimension or lets it leave, so that it exists exactly when
// wanted; both are journal entries. A creation comes after the last
// dimension, with the default specifications installed first when the
// outline has none; a name clash gives OTL_ERR_ATTR_CALC_NAME_CLASH, any
// other failure OTL_ERR_ATTR_CALC_CREATE.
OtlStatus otlSettleCalcDim(OtlOutline *outline, otl::Journal &journal);

#endif
