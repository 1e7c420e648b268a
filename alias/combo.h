/*
 * Alias combinations of a member's alias slot: a singly linked list in
 * insertion order, each record owning its alias text and member list.
 */
#ifndef SHROTL_ALIAS_COMBO_H
#define SHROTL_ALIAS_COMBO_H

#include "core/records.h"

// Releases every record of a combination list and clears the head.
void otlFreeAliasCombos(const OtlHostContext *host, OtlAliasCombo **head);

#endif
