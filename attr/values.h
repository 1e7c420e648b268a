/*
 * Attribute values and their texts: reading a value of a given type from a
 * member name and writing a value as its short name. Number texts have one
 * canonical form (no sign or leading zeros in front, no trailing zeros or
 * bare point, a trailing minus sign for negative values); no text written
 * here, nor a name rewritten, ever exceeds OTL_NAME_SIZE bytes.
 */
#ifndef SHROTL_ATTR_VALUES_H
#define SHROTL_ATTR_VALUES_H

#include "shrotl.h"

#include <stdint.h>

// Numeric, boolean and date values: the types whose members' names are
// composed from a short name.
inline bool otlAttrIsValueType(uint16_t type)
{
    return type == OTL_ATTR_NUMERIC || type == OTL_ATTR_BOOLEAN || type == OTL_ATTR_DATE;
}

// Whether the item is a value member of an attribute dimension: the only
// items with a short name.
inline bool otlAttrHasShortName(const OtlItem *item)
{
    return item->generation > 1 && item->dimensionTag == OTL_TAG_ATTRIBUTE &&
           otlAttrIsValueType(item->attrValueType);
}

// Reads the value of value->type (OTL_ATTR_NUMERIC, _BOOLEAN, _TEXT, _DATE)
// from the name; other types do nothing. A numeric name is rewritten to its
// canonical text; `name` holds OTL_NAME_SIZE bytes. On failure the name and
// the value are as they were: OTL_ERR_ATTR_NOT_NUMBER, OTL_ERR_ATTR_NOT_BOOLEAN,
// OTL_ERR_ATTR_NOT_DATE, or the host's status for a text copy.
// A text value is a new copy owned by the record; an old text in the
// record is not released.
OtlStatus otlAttrValueFromName(const OtlHostContext *host, char *name, OtlAttribute *value,
                               const OtlAttrSpecs *specs);

// The canonical text of a number name, written back into `name`
// (OTL_NAME_SIZE bytes), and its value. OTL_ERR_ATTR_NOT_NUMBER when it is
// not a number or its canonical text would not fit the name; nothing
// changes then.
OtlStatus otlAttrParseNumber(const OtlHostContext *host, char *name, double *value);

// Seconds since 1 January 1970 of a "month-day-year" (format 0) or
// "day-month-year" (format 1) name, always a whole number of days, the same
// in every time zone. OTL_ERR_ATTR_NOT_DATE for anything that is not such a
// date between 1970-01-01 and 2038-01-19.
OtlStatus otlAttrParseDate(const char *name, uint16_t dateFormat, int32_t *seconds);

// Short-name writers; `text` holds OTL_NAME_SIZE bytes and is left empty on
// failure. A number fails with OTL_ERR_ATTR_NOT_NUMBER when it is not finite
// and with OTL_ERR_ATTR_NAME_LONG when its canonical text exceeds the name
// size; a date fails (false) for a format other than 0 or 1.
OtlStatus otlAttrFormatNumber(const OtlHostContext *host, double value, char *text);
bool otlAttrFormatDate(int32_t seconds, uint16_t dateFormat, char *text);
// trueName for a nonzero value, else falseName (empty when unset), cut to
// whole characters within the name size.
void otlAttrBooleanText(const OtlHostContext *host, const OtlAttrSpecs *specs, uint8_t value,
                        char *text);

// The short name of a value of `type` held in the 8 value bytes, as the
// item query writes it: 0 when written (or when the type has none and is
// not 0 or 10), OTL_NO_SHORT_NAME for types 0 and 10 (nothing written),
// else the writer's failure.
OtlStatus otlAttrShortNameOf(const OtlHostContext *host, const OtlAttrSpecs *specs,
                             uint16_t type, const uint8_t value[8], char *text);

#endif
