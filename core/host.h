/*
 * Small helpers every subsystem uses: string duplication through the host,
 * the field-access mask test, the two name comparisons and the timing trace.
 */
#ifndef SHROTL_CORE_HOST_H
#define SHROTL_CORE_HOST_H

#include "shrotl.h"

// Copies `source` into a new host block. Null or empty text yields a null
// copy and status 0: absent and empty are the same to the library.
OtlStatus otlDupString(const OtlHostContext *host, const char *source, char **copy);
// Tests a member field selector against a two-word mask: bit 31 of the
// selector picks the second word.
bool otlTestFieldFlag(uint32_t fieldId, const uint32_t mask[2]);
// Exact and case-insensitive comparison in the host's locale.
int32_t otlCompareCase(const OtlHostContext *host, const char *a, const char *b);
int32_t otlCompareNoCase(const OtlHostContext *host, const char *a, const char *b);
// Appends one timing line for `label` to the trace file, when tracing is on.
void otlTraceTime(const char *label);

namespace otl {

// Compares two member names under the outline's case rule.
inline int32_t compareNames(const OtlOutline *outline, const char *a, const char *b)
{
    return outline->caseSensitive ? otlCompareCase(outline->host, a, b)
                                  : otlCompareNoCase(outline->host, a, b);
}

inline bool namesEqual(const OtlOutline *outline, const char *a, const char *b)
{
    return compareNames(outline, a, b) == 0;
}

// A-Z to a-z, every other byte as it is: the letter-case rule of names that
// are compared "ignoring ASCII letter case".
inline char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal ignoring ASCII letter case, within the first `limit` bytes (a name
// field need not be terminated).
bool equalIgnoringAsciiCase(const char *a, const char *b, size_t limit = OTL_NAME_SIZE);

// Copies at most size-1 bytes and always terminates (fixed name fields).
void copyText(char *destination, const char *source, size_t size);
// Copies a text into an 81-byte name slot handed to a caller: at most
// OTL_NAME_SIZE - 1 bytes of whole characters of the host's code page,
// always terminated; null gives an empty slot.
void copyNameSlot(const OtlHostContext *host, char *slot, const char *text);

} // namespace otl

#endif
