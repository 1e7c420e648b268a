/*
 * The 81-byte name slots of the lists handed to callers (user-defined
 * attributes, generation and level entries, time series entries).
 */
#ifndef SHROTL_NAMES_SLOT_H
#define SHROTL_NAMES_SLOT_H

#include "shrotl.h"
#include "gcharset.h"

namespace otl {

// Copies a text into a slot: at most OTL_NAME_SIZE - 1 bytes of whole
// characters, always terminated; null gives an empty slot.
inline void copyNameSlot(const OtlHostContext *host, char *slot, const char *text)
{
    const int32_t copied =
        text ? GCStrcpy(static_cast<GCLocale>(host->localeHandle), slot, OTL_NAME_SIZE - 1, text, -1, 0)
             : 0;
    slot[copied] = '\0';
}

} // namespace otl

#endif
