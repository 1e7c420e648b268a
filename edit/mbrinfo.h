/*
 * Copies between member information records and items. The first 184 bytes
 * of both are laid out alike and copied as one block; the rest of the full
 * form is copied field by field as the client's version allows.
 */
#ifndef SHROTL_EDIT_MBRINFO_H
#define SHROTL_EDIT_MBRINFO_H

#include "shrotl.h"

// Size of the record form the host's client version uses.
uint32_t otlMbrInfoSize(const OtlHostContext *host);

// Copies the properties of `info` into an item already linked into the tree.
OtlStatus otlSetItemProperties(OtlOutline *outline, const OtlHostContext *host, OtlItem *item,
                               const OtlMbrInfo *info, uint32_t clientVersion);
// otlSetItemProperties for a change that may have to be taken back: the
// comment the item held is handed to the caller in *replacedComment (null
// when none or when the client's form has no comment) instead of being
// released. On failure the item is unchanged and *replacedComment null.
OtlStatus otlSetItemPropertiesKeepingComment(OtlOutline *outline, const OtlHostContext *host,
                                             OtlItem *item, const OtlMbrInfo *info,
                                             uint32_t clientVersion, char **replacedComment);
// Copies the whole record into an item; returns the status of the last
// allocation.
OtlStatus otlCopyMbrInfoToItem(const OtlHostContext *host, const OtlMbrInfo *info, OtlItem *item);
// Fills a full-form record from an item; a text value gets its own copy.
OtlStatus otlCopyItemToMbrInfo(const OtlHostContext *host, OtlMbrInfo *info, const OtlItem *item);

namespace otl {

// The string pointer held in the first bytes of a text (type 10) value.
char *textValue(const uint8_t *raw);
// The string of a value of this type: null unless it is a text value.
inline char *textValueOf(uint16_t type, const uint8_t *raw)
{
    return type == OTL_ATTR_TEXT ? textValue(raw) : nullptr;
}
// Stores a string pointer as a text value, the remaining bytes cleared.
void setTextValue(uint8_t *raw, char *text);

} // namespace otl

#endif
