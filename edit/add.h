/*
 * Adding members: the operation behind adShrOtlAddMember and
 * adShrOtlAddDimension, for the editing steps that add items of their own
 * inside a larger operation (the attribute calculations dimension).
 */
#ifndef SHROTL_EDIT_ADD_H
#define SHROTL_EDIT_ADD_H

#include "core/journal.h"
#include "shrotl.h"

// Adds a member under `parent` as its first child, or after `prevSibling`
// (which then decides the parent), with the rule checks of `checkMode`; the
// change log's record carries `changeText` when it is nonempty.
// Every change is entered into `journal`: the caller commits or rolls back
// the whole operation. *outMember is written on success only.
OtlStatus otlAddItem(OtlOutline *outline, OtlMbrInfo *info, OtlItem *parent, OtlItem *prevSibling,
                     uint16_t checkMode, const char *changeText, otl::Journal &journal,
                     OtlItem **outMember);

#endif
