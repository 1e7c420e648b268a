/*
 * Alias combinations: a member's second kind of alternative name, kept per
 * alias slot in insertion order. Each record owns its two texts.
 */
#include "alias/combo.h"
#include "core/alloc.h"

void otlFreeAliasCombos(const OtlHostContext *host, OtlAliasCombo **head)
{
    OtlAliasCombo *combo = otl::loadPointer(head); // head may lie in a packed record
    while (combo) {
        OtlAliasCombo *next = combo->next;
        otl::hostRelease(host, &combo->aliasText);
        otl::hostRelease(host, &combo->memberList);
        otl::hostFree(host, combo);
        combo = next;
    }
    otl::storePointer(head, static_cast<OtlAliasCombo *>(nullptr));
}
