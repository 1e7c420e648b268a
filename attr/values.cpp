/*
 * Attribute values and their texts. Numbers pass through one canonical scan
 * both when read from a name and when written as a short name, so that a
 * value and its name agree; dates are whole days since 1 January 1970,
 * computed on the civil calendar without the process time zone. Every text
 * written here fits OTL_NAME_SIZE bytes, and a failure changes nothing.
 */
#include "attr/values.h"
#include "core/alloc.h"
#include "core/host.h"

#include "gcharset.h"

#include <charconv>
#include <math.h>
#include <stdio.h>
#include <string.h>

namespace {

// Room for the fixed-point text of any finite double (309 integer digits,
// point, six decimals, sign) and for the canonical scan of any such text.
constexpr size_t kWorkSize = 400;
constexpr int64_t kSecondsPerDay = 86400;

GCLocale localeOf(const OtlHostContext *host)
{
    return static_cast<GCLocale>(host->localeHandle);
}

// The byte of a one-byte character, or 0 for a multibyte one, so that a
// trail byte is never taken for an ASCII character.
char singleByte(GCLocale locale, const char *position)
{
    return GCByteLength(locale, position, 0) == 1 ? *position : '\0';
}

bool isDigit(GCLocale locale, const char *position)
{
    return (GCGetCharType(locale, position, GC_CLASSIFY) & GC_TYPE_DIGIT) != 0;
}

enum class Scan { Number, NotNumber, TooLong };

// Output of the scan: a terminated text that never exceeds its buffer.
struct ScanOutput {
    GCLocale locale;
    char *text;
    size_t size;
    size_t length;

    bool append(const char *source, size_t bytes)
    {
        if (length + bytes + 1 > size)
            return false;
        GCStrcpy(locale, text + length, static_cast<int32_t>(bytes), source,
                 static_cast<int32_t>(bytes), 0);
        length += bytes;
        text[length] = '\0';
        return true;
    }
};

// The canonical number scan. Signs and leading zeros are dropped, a point
// with nothing before it gets a "0", zeros after the point are held back
// until a nonzero digit follows (so trailing zeros never reach the output),
// and a bare point goes at the end. After the first kept character only
// digits, one point and a final "-" may follow. A zero magnitude carries no
// sign: "-0", "0-" and "-0.00" are all "0", as the value 0 is written,
// so that no two names stand for the same value.
Scan canonicalNumber(GCLocale locale, const char *text, char *out, size_t outSize)
{
    ScanOutput output{locale, out, outSize, 0};
    out[0] = '\0';
    bool negative = false;
    bool pointSeen = false;
    bool zeroDropped = false;
    size_t pointAt = 0;
    size_t zerosHeld = 0; // zeros after the point not yet written
    const char *p = text;
    while (*p) {
        const size_t bytes = GCByteLength(locale, p, 0);
        const char c = singleByte(locale, p);
        const char *next = GCNextChar(locale, p, 0);
        if (c == '-' || c == '+') {
            negative = c == '-';
            p = next;
            continue;
        }
        if (c == '0' && output.length == 0) {
            zeroDropped = true;
            p = next;
            continue;
        }
        if (c == '.' && !pointSeen) {
            if (output.length == 0 && !output.append("0", 1))
                return Scan::TooLong;
            pointAt = output.length;
            pointSeen = true;
            if (!output.append(p, bytes))
                return Scan::TooLong;
        } else if (pointSeen && c == '0') {
            ++zerosHeld;
        } else {
            for (; zerosHeld; --zerosHeld)
                if (!output.append("0", 1))
                    return Scan::TooLong;
            if (!output.append(p, bytes))
                return Scan::TooLong;
        }
        if (*next && !isDigit(locale, next)) {
            const char follower = singleByte(locale, next);
            if (follower == '-' && !*GCNextChar(locale, next, 0)) {
                negative = true;
                break;
            }
            if (follower != '.' || pointSeen)
                return Scan::NotNumber;
        }
        p = next;
    }
    if (pointSeen && output.length == pointAt + 1)
        output.length = static_cast<size_t>(GCTruncateString(locale, out, static_cast<int32_t>(pointAt + 1), 0));
    if (output.length == 0 && zeroDropped)
        output.append("0", 1);
    if (strcmp(out, "0") == 0)
        negative = false;
    if (negative) {
        if (output.length + 2 > outSize)
            return Scan::TooLong;
        output.length = static_cast<size_t>(GCStrcat(locale, out, "-", static_cast<int32_t>(outSize), 0));
    }
    return Scan::Number;
}

// Reads the canonical text: ASCII digits with at most one point, then an
// optional trailing "-". The conversion ignores the process locale.
bool canonicalValue(const char *text, double *value)
{
    const size_t length = strlen(text);
    if (length == 0 || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.'))
        return false;
    const bool negative = text[length - 1] == '-';
    const char *end = text + length - (negative ? 1 : 0);
    double magnitude = 0;
    const std::from_chars_result read =
        std::from_chars(text, end, magnitude, std::chars_format::fixed);
    // Digits of other scripts pass the scan's digit class but are no decimal
    // number here; a name made of them is refused rather than read as 0.
    if (read.ec != std::errc() || read.ptr != end)
        return false;
    *value = negative ? -magnitude : magnitude;
    return true;
}

// Reads one "%d" field: optional blanks and sign, at least one digit. Large
// values saturate so that the range checks refuse them.
bool readField(const char *&p, int64_t *field)
{
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9')
        return false;
    int64_t v = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (v < 100000000)
            v = v * 10 + (*p - '0');
    *field = negative ? -v : v;
    return true;
}

bool isLeapYear(int64_t year)
{
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian calendar).
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(int64_t days, int *year, int *month, int *day)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shifted = (5 * dayOfYear + 2) / 153;
    *day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    *month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2));
}

// Equal texts when ASCII letters are folded; other characters, and every
// byte of a multibyte character, must match exactly.
bool equalAsciiNoCase(GCLocale locale, const char *a, const char *b)
{
    while (*a && *b) {
        const size_t bytesA = GCByteLength(locale, a, 0);
        if (bytesA != GCByteLength(locale, b, 0))
            return false;
        if (bytesA == 1) {
            if (otl::asciiLower(*a) != otl::asciiLower(*b))
                return false;
        } else if (memcmp(a, b, bytesA) != 0) {
            return false;
        }
        a += bytesA;
        b += bytesA;
    }
    return *a == *b;
}

} // namespace

OtlStatus otlAttrParseNumber(const OtlHostContext *host, char *name, double *value)
{
    if (!name[0])
        return OTL_ERR_ATTR_NOT_NUMBER;
    char canonical[OTL_NAME_SIZE];
    double read = 0;
    if (canonicalNumber(localeOf(host), name, canonical, sizeof canonical) != Scan::Number ||
        !canonicalValue(canonical, &read))
        return OTL_ERR_ATTR_NOT_NUMBER;
    memcpy(name, canonical, strlen(canonical) + 1);
    *value = read;
    return OTL_OK;
}

OtlStatus otlAttrParseDate(const char *name, uint16_t dateFormat, int32_t *seconds)
{
    if (dateFormat > 1)
        return OTL_ERR_ATTR_NOT_DATE;
    int64_t fields[3] = {};
    const char *p = name;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && *p++ != '-')
            return OTL_ERR_ATTR_NOT_DATE;
        if (!readField(p, &fields[i]))
            return OTL_ERR_ATTR_NOT_DATE;
    }
    // Text after the year would give two names one date, and the name would
    // not come back when rebuilt from the value.
    if (*p)
        return OTL_ERR_ATTR_NOT_DATE;
    const int64_t month = dateFormat == 0 ? fields[0] : fields[1];
    const int64_t day = dateFormat == 0 ? fields[1] : fields[0];
    const int64_t year = fields[2];
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1)
        return OTL_ERR_ATTR_NOT_DATE;
    if ((month == 4 || month == 6 || month == 9 || month == 11) && day > 30)
        return OTL_ERR_ATTR_NOT_DATE;
    if (month == 2 && day > (isLeapYear(year) ? 29 : 28))
        return OTL_ERR_ATTR_NOT_DATE;
    const int64_t days = daysFromCivil(year, month, day);
    if (days < 0 || days > INT32_MAX / kSecondsPerDay)
        return OTL_ERR_ATTR_NOT_DATE;
    *seconds = static_cast<int32_t>(days * kSecondsPerDay);
    return OTL_OK;
}

OtlStatus otlAttrValueFromName(const OtlHostContext *host, char *name, OtlAttribute *value,
                               const OtlAttrSpecs *specs)
{
    switch (value->type) {
    case OTL_ATTR_NUMERIC: {
        double number = 0;
        const OtlStatus status = otlAttrParseNumber(host, name, &number);
        if (status == OTL_OK)
            value->value.number = number;
        return status;
    }
    case OTL_ATTR_BOOLEAN: {
        if (!specs->trueName || !specs->falseName)
            return OTL_ERR_ATTR_NOT_BOOLEAN;
        uint8_t truth;
        if (equalAsciiNoCase(localeOf(host), name, specs->trueName))
            truth = 1;
        else if (equalAsciiNoCase(localeOf(host), name, specs->falseName))
            truth = 0;
        else
            return OTL_ERR_ATTR_NOT_BOOLEAN;
        memset(value->value.raw, 0, sizeof value->value.raw);
        value->value.boolean = truth;
        return OTL_OK;
    }
    case OTL_ATTR_TEXT: {
        char *copy = nullptr;
        const OtlStatus status = otlDupString(host, name, &copy);
        if (status == OTL_OK)
            value->value.text = copy;
        return status;
    }
    case OTL_ATTR_DATE: {
        int32_t seconds = 0;
        const OtlStatus status = otlAttrParseDate(name, specs->dateFormat, &seconds);
        if (status == OTL_OK) {
            memset(value->value.raw, 0, sizeof value->value.raw);
            value->value.date = seconds;
        }
        return status;
    }
    default:
        return OTL_OK;
    }
}

OtlStatus otlAttrFormatNumber(const OtlHostContext *host, double value, char *text)
{
    text[0] = '\0';
    if (!isfinite(value))
        return OTL_ERR_ATTR_NOT_NUMBER;
    // Six decimals as "%1f" writes them, the sign moved behind the digits;
    // the conversion ignores the process locale, whose decimal point could
    // otherwise be a comma.
    char formatted[kWorkSize];
    const std::to_chars_result written = std::to_chars(
        formatted, formatted + sizeof formatted - 2, fabs(value), std::chars_format::fixed, 6);
    if (written.ec != std::errc())
        return OTL_ERR_ATTR_NAME_LONG;
    char *end = written.ptr;
    if (value < 0)
        *end++ = '-';
    *end = '\0';
    // The scan puts a "0" before a leading point itself, and always leaves
    // at least "0" for a text that starts with zeros.
    char canonical[kWorkSize];
    if (canonicalNumber(localeOf(host), formatted, canonical, sizeof canonical) != Scan::Number)
        return OTL_ERR_ATTR_NOT_NUMBER;
    const size_t length = strlen(canonical);
    if (length >= OTL_NAME_SIZE)
        return OTL_ERR_ATTR_NAME_LONG;
    memcpy(text, canonical, length + 1);
    return OTL_OK;
}

bool otlAttrFormatDate(int32_t seconds, uint16_t dateFormat, char *text)
{
    text[0] = '\0';
    if (dateFormat > 1)
        return false;
    // Floor division: a value before 1970 still names the day it lies in.
    int64_t days = seconds / kSecondsPerDay;
    if (seconds % kSecondsPerDay < 0)
        --days;
    int year = 0, month = 0, day = 0;
    civilFromDays(days, &year, &month, &day);
    const int first = dateFormat == 0 ? month : day;
    const int second = dateFormat == 0 ? day : month;
    snprintf(text, OTL_NAME_SIZE, "%02i-%02i-%04i", first, second, year);
    return true;
}

void otlAttrBooleanText(const OtlHostContext *host, const OtlAttrSpecs *specs, uint8_t value,
                        char *text)
{
    const char *source = value ? specs->trueName : specs->falseName;
    const int32_t copied = source ? GCStrcpy(localeOf(host), text, OTL_NAME_SIZE - 1, source, -1, 0) : 0;
    text[copied] = '\0';
}

OtlStatus otlAttrShortNameOf(const OtlHostContext *host, const OtlAttrSpecs *specs,
                             uint16_t type, const uint8_t value[8], char *text)
{
    switch (type) {
    case OTL_ATTR_NONE:
    case OTL_ATTR_TEXT:
        return OTL_NO_SHORT_NAME;
    case OTL_ATTR_NUMERIC: {
        double number = 0;
        memcpy(&number, value, sizeof number);
        return otlAttrFormatNumber(host, number, text);
    }
    case OTL_ATTR_BOOLEAN:
        otlAttrBooleanText(host, specs, value[0], text);
        return OTL_OK;
    case OTL_ATTR_DATE: {
        int32_t seconds = 0;
        memcpy(&seconds, value, sizeof seconds);
        char written[OTL_NAME_SIZE];
        if (otlAttrFormatDate(seconds, specs->dateFormat, written))
            memcpy(text, written, strlen(written) + 1);
        return OTL_OK;
    }
    default:
        return OTL_OK;
    }
}

extern "C" OTL_API OtlStatus otlAttrGetShortName(OtlOutline *outline, const OtlItem *item,
                                                 char *shortName)
{
    if (!outline || !item || !shortName)
        return OTL_ERR_GENERIC;
    return otlAttrShortNameOf(outline->host, &outline->attrSpecs, item->attrValueType,
                              item->attrValue, shortName);
}

extern "C" OTL_API OtlStatus adShrOtlFreeAttribute(const OtlHostContext *host,
                                                   OtlAttribute *attribute)
{
    // The record is packed: its text pointer is read and cleared as a field,
    // never through a pointer to it.
    if (attribute && attribute->type == OTL_ATTR_TEXT && attribute->value.text) {
        otl::hostFree(host, attribute->value.text);
        attribute->value.text = nullptr;
    }
    return OTL_OK;
}
