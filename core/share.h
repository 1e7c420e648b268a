/*
 * Implied sharing: which members hold data of their own. A label-only or
 * shared member never does, and a member whose value can only come from one
 * child shares that child's storage. Both tests read only the item and its
 * children.
 */
#ifndef SHROTL_CORE_SHARE_H
#define SHROTL_CORE_SHARE_H

#include "shrotl.h"

// True when the item shares a child's storage; then *child and
// *storedNumber receive that child and its storedNumber, otherwise both are
// left unchanged.
bool otlImpliedShare(const OtlItem *item, uint32_t *storedNumber, OtlItem **child);
// The same test without results, for the member rule check.
bool otlImpliedShareTest(const OtlItem *item);

#endif
