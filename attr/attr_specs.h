/*
 * Attribute specifications: the record that governs the names of attribute
 * members and holds the boolean texts and the attribute calculations names.
 * Its eight strings belong to the record that holds them; a record whose
 * calcDimName is null still needs its defaults installed.
 */
#ifndef SHROTL_ATTR_ATTR_SPECS_H
#define SHROTL_ATTR_ATTR_SPECS_H

#include "shrotl.h"

// The character between the parts of a long name. Unknown separator values
// give '_' and false, which the naming code may ignore.
bool otlAttrSeparatorChar(const OtlAttrSpecs *specs, char *separator);

#endif
