/*
 * The eight dynamic time series members, records that live outside the
 * tree and are created with the outline.
 */
#ifndef SHROTL_NAMES_DTS_H
#define SHROTL_NAMES_DTS_H

#include "core/records.h"

// Creates the eight records with their names; on failure none is kept.
OtlStatus otlDtsCreate(OtlOutline *outline);
void otlDtsRelease(OtlOutline *outline);

#endif
