/*
 * Attribute specifications: the record that governs the names of attribute
 * members and holds the boolean texts and the attribute calculations names.
 * Its strings belong to the record that holds them.
 */
#ifndef SHROTL_ATTR_SPECS_H
#define SHROTL_ATTR_SPECS_H

#include "shrotl.h"

#endif
