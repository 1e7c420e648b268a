/*
 * Alias combinations of a member's alias slot: a singly linked list in
 * insertion order, each record owning its alias text and member list.
 */
#ifndef SHROTL_ALIAS_COMBO_H
#define SHROTL_ALIAS_COMBO_H

#include "core/records.h"

// Releases every record of a combination list and clears the head.
void otlFreeAliasCombos(const OtlHostContext *host, OtlAliasCombo **head);
// A new unlinked record with copies of both texts; on failure nothing is
// kept and *combo is left alone.
OtlStatus otlNewAliasCombo(const OtlHostContext *host, const char *aliasText,
                           const char *memberList, OtlAliasCombo **combo);
// Links a record at the end of the slot's list.
void otlAppendAliasCombo(OtlAliasSlot &slot, OtlAliasCombo *combo);
// The first record of the list whose alias text equals `text` under the
// outline's case rule, or null.
OtlAliasCombo *otlFindAliasCombo(const OtlOutline *outline, OtlAliasCombo *head,
                                 const char *text);
// Takes a record of the member's list of table `tableIndex` out of the
// hash, unlinks and releases it. A record whose text is not entered gives
// OTL_ERR_GENERIC and stays.
OtlStatus otlRemoveAliasCombo(const OtlHostContext *host, OtlOutline *outline, OtlItem *member,
                              uint16_t tableIndex, OtlAliasCombo *entry);

// The number of the member's combinations in table `tableIndex`.
uint32_t otlCountAliasCombos(const OtlItem *member, uint16_t tableIndex);
// Copies every alias and combination of `source`, table by table, to
// `target` and enters them into the hash; the first failure ends the copy.
OtlStatus otlCopyMemberAliases(const OtlHostContext *host, OtlOutline *outline, OtlItem *target,
                               const OtlItem *source);

#endif
