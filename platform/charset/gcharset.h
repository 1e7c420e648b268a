/*
 * Character-set services: locale-aware handling of zero-terminated
 * multibyte texts in a host code page.
 *
 * Every call takes a locale handle first. Handle 0 is UTF-8; other code pages
 * are registered with GCRegisterLocale and named by the handle it returns.
 * A handle that was never returned by GCRegisterLocale behaves as UTF-8.
 * A length of -1 (any negative length) means the text ends at its zero byte;
 * with a length, the text ends there or at a zero byte, whichever comes first.
 * Null texts are empty. No call throws, and the registry of locales is safe
 * to use from several threads.
 *
 * Bytes that do not decode in the locale's code page (invalid or truncated
 * sequences) count as one-byte characters of type 0, so callers always
 * advance; a well-formed but unassigned double-byte code is one two-byte
 * character of type 0. GCGetChar returns 0xFFFD for both. The flags and
 * reserved arguments of the per-character calls are accepted and ignored.
 */
#ifndef SHROTL_GCHARSET_H
#define SHROTL_GCHARSET_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define GC_API __attribute__((visibility("default")))
#else
#define GC_API
#endif

typedef uintptr_t GCLocale;

/* Comparison flags: any flags with bit 0x40 set ignore case */
#define GC_CMP_EXACT 0u
#define GC_CMP_NOCASE 0x80000040u
/* Classification selector passed to GCGetCharType and GCGetChar */
#define GC_CLASSIFY 0x80000010u

/* Type bits, from Unicode properties of the decoded character:
 * UPPER Lu, LOWER Ll, DIGIT Nd (ASCII, full-width and other scripts'
 * decimal digits, each with a value 0..9), SPACE White_Space, PUNCT any
 * punctuation or symbol (P* or S*, as C ispunct for ASCII), BLANK tab and
 * space separators Zs (space, no-break space, ideographic space U+3000),
 * CONTROL Cc, ALPHA any letter L*, DEFINED an assigned code point.
 * Undecodable bytes have type 0, and so has the terminator, so that a scan
 * for a type stops there; GCGetCharTypeW(0) classifies U+0000 itself. */
#define GC_TYPE_UPPER 0x1u
#define GC_TYPE_LOWER 0x2u
#define GC_TYPE_DIGIT 0x8u
#define GC_TYPE_SPACE 0x10u /* any white space */
#define GC_TYPE_PUNCT 0x20u
#define GC_TYPE_BLANK 0x40u
#define GC_TYPE_CONTROL 0x80u
#define GC_TYPE_ALPHA 0x100u
#define GC_TYPE_DEFINED 0x200u

/* Status codes of this layer */
#define GC_OK 0u
#define GC_ERR_ARGUMENT 1070001u     /* null or out-of-range argument */
#define GC_ERR_UNKNOWN_CODEPAGE 1070002u
#define GC_ERR_REGISTRY_FULL 1070003u
#define GC_ERR_NO_MEMORY 1070004u

/* Registers a code page by its ICU converter name (e.g. "windows-1252",
 * "Shift_JIS", "UTF-8") and returns its locale handle. Registering the same
 * name twice, or another alias of the same converter, returns the same
 * handle; UTF-8 is always handle 0. Code pages whose characters take one or
 * two bytes (and no shift states) are supported; others, and names ICU does
 * not know, give GC_ERR_UNKNOWN_CODEPAGE. At most 31 code pages besides
 * UTF-8 are held (GC_ERR_REGISTRY_FULL after that); they stay registered
 * for the life of the process. */
GC_API uint32_t GCRegisterLocale(const char *codePage, GCLocale *locale);

/* The first units of the text's sort key under the comparison the flags
 * select: up to 16 units packed big-endian, units 0-7 into key[0] and 8-15
 * into key[1], and in *known how many leading units are exact (0 to 16;
 * units past the text's end are 0 and exact). Two texts whose keys differ
 * at a unit both know sort as their keys do; otherwise only GCStrcmp can
 * tell. Lets a caller that compares one text with many skip most
 * comparisons. */
GC_API void GCSortKeyPrefix(GCLocale locale, const char *text, uint32_t flags, uint64_t key[2],
                            uint32_t *known);

/* -1, 0 or 1 as text1 sorts before, equal to or after text2: the texts are
 * decoded to code points and compared code point by code point (for UTF-8
 * this is byte order). flags GC_CMP_NOCASE compares the texts' full Unicode
 * case foldings instead (so "STRASSE" equals "straße"): texts compare equal
 * exactly when their foldings are equal. Either way the order is total.
 * Undecodable bytes sort after every character and differ from each other. */
GC_API int32_t GCStrcmp(GCLocale locale, const char *text1, int32_t length1,
                        const char *text2, int32_t length2, uint32_t flags);
/* Number of characters in the text (0 for an empty or null text). */
GC_API uint32_t GCNumChars(GCLocale locale, const char *text, int32_t length, uint32_t flags);
/* Bytes of the one character at position (0 at the terminator). */
GC_API uint32_t GCByteLength(GCLocale locale, const char *position, uint32_t flags);
/* Position of the character that follows (the terminator stays put). */
GC_API char *GCNextChar(GCLocale locale, const char *position, uint32_t flags);
/* Type bits of the character at position. */
GC_API uint32_t GCGetCharType(GCLocale locale, const char *position, uint32_t flags);
/* The character at position as a 16-bit wide character (UTF-16 unit;
 * 0xFFFD for characters outside the basic plane or undecodable bytes). */
GC_API uint16_t GCGetChar(GCLocale locale, const char *position, uint32_t reserved, uint32_t flags);
/* Type bits of a wide character. */
GC_API uint32_t GCGetCharTypeW(GCLocale locale, uint16_t wideChar);
/* First occurrence in text of the character that characters begins with,
 * or null (also when characters is empty). Only whole characters match: the
 * trail byte of a double-byte character never matches an ASCII character. */
GC_API char *GCStrchr(GCLocale locale, const char *text, int32_t length, const char *characters,
                      uint32_t flags);
/* Copies the first count bytes of source into destination (fewer when the
 * source ends first; a negative count copies the whole source). At most
 * destinationSize bytes are written: when that limit cuts the copy, it ends
 * at a whole character. Returns the number of bytes copied; the caller
 * writes the terminator. */
GC_API int32_t GCStrcpy(GCLocale locale, char *destination, int32_t destinationSize,
                        const char *source, int32_t count, uint32_t flags);
/* Appends source to the terminated destination, whose buffer holds
 * destinationLength bytes in all; whole characters only, always terminated.
 * Returns the new byte length. A destination not terminated within its
 * buffer is first cut to whole characters; with no room at all (length 0)
 * nothing is written and 0 is returned. */
GC_API int32_t GCStrcat(GCLocale locale, char *destination, const char *source,
                        int32_t destinationLength, uint32_t flags);
/* Shortens the terminated text in place so that it fits size bytes with its
 * terminator, never splitting a character. Returns the new byte length. A
 * size below 1 leaves the text untouched and returns 0. */
GC_API int32_t GCTruncateString(GCLocale locale, char *text, int32_t size, uint32_t flags);

#ifdef __cplusplus
}
#endif

#endif
