/*
 * The eight dynamic time series members, records that live outside the
 * tree and are created with the outline. A series is enabled at a
 * generation of the time dimension by giving that generation its period
 * name, and may carry an alias in each alias table.
 */
#ifndef SHROTL_NAMES_DTS_H
#define SHROTL_NAMES_DTS_H

#include "core/records.h"

// Creates the eight records with their names; on failure none is kept.
OtlStatus otlDtsCreate(OtlOutline *outline);
void otlDtsRelease(OtlOutline *outline);

// The record whose series name equals `name` without regard to case: ASCII
// letters only when asciiCase, else the host locale's rule. Null for a null
// or empty name and for any other name.
OtlDtsMember *otlFindDtsMember(const OtlOutline *outline, const char *name, bool asciiCase);

// The enabled series whose period name names this generation of the time
// dimension (`dimension` must be it), or null.
OtlDtsMember *otlDtsNamedBy(OtlOutline *outline, const OtlItem *dimension, uint16_t generation);
// The series is disabled: the generation name it lived through is gone.
void otlDtsDisable(OtlOutline *outline, OtlDtsMember *record);

#endif
