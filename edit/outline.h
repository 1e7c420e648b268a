/*
 * The outline handle's lifecycle, shared by creation, the reader and the
 * settings operations.
 */
#ifndef SHROTL_EDIT_OUTLINE_H
#define SHROTL_EDIT_OUTLINE_H

#include "shrotl.h"

// Releases the match list; the slots' arrays, then the slot array.
void otlReleaseMatchList(OtlOutline *outline);

#endif
