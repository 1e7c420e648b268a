/*
 * Deleting the shared copies of members before their source goes: a delete
 * takes the copies one by one through the caller's own delete, so each
 * passes the full checks, and none of them is logged.
 */
#ifndef SHROTL_EDIT_COPIES_H
#define SHROTL_EDIT_COPIES_H

#include "core/records.h"

// How one copy is deleted: the caller's own delete, with its checks.
typedef OtlStatus (*OtlDeleteMemberFn)(OtlOutline *outline, OtlItem *member);

// Deletes every shared copy of the member with deleteMember, with change
// logging switched off for the duration and restored afterwards; the first
// failing deletion ends it with its status. The subtree form does it for
// every non-shared member of a sibling chain, descendants first.
OtlStatus otlDeleteSharedCopies(OtlOutline *outline, OtlItem *member,
                                OtlDeleteMemberFn deleteMember);
OtlStatus otlDeleteSharedCopiesSubtree(OtlOutline *outline, OtlItem *first,
                                       OtlDeleteMemberFn deleteMember);

#endif
