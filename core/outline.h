/*
 * The outline handle's lifecycle, shared by creation, the reader and the
 * settings operations.
 */
#ifndef SHROTL_CORE_OUTLINE_H
#define SHROTL_CORE_OUTLINE_H

#include "shrotl.h"

// Releases the match list; the slots' arrays, then the slot array.
void otlReleaseMatchList(OtlOutline *outline);

#endif
