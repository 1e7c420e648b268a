/*
 * Name rules: the validator every name passes before it enters an outline,
 * blank trimming, and the parse of an alias combination's member list.
 * Characters are counted, measured and classified only by the character-set
 * services in the host's locale, so a double-byte character is never split
 * or mistaken for the ASCII bytes it may contain.
 */
#include "edit/rules.h"

#include "core/alloc.h"
#include "core/hash.h"
#include "platform/charset/gcharset.h"

#include <string.h>

namespace {

// Characters a name may contain but not begin with.
constexpr const char kNoLeadingChars[] = "@=_+-{}().|\\',<";
constexpr const char *kReservedNames[] = {"$$$UNIVERSE$$$", "#Missing"};

// One name of a member list holds at most this many bytes.
constexpr uint32_t kComboNameBytes = 100;

bool isBlank(GCLocale locale, const char *position)
{
    return (GCGetCharType(locale, position, GC_CLASSIFY) & GC_TYPE_BLANK) != 0;
}

} // namespace

bool otlValidateName(const char *name, const OtlHostContext *host)
{
    if (!name)
        return false;
    const GCLocale locale = host->localeHandle;

    // The full count is used: cutting it to 16 bits would let a name of
    // 65537 characters pass as one of a single character.
    const uint32_t characters = GCNumChars(locale, name, -1, 0);
    if (characters == 0 || characters > otl::kMaxNameChars)
        return false;
    if (GCStrchr(locale, name, -1, "\"", 0))
        return false;

    const uint32_t firstType = GCGetCharTypeW(locale, GCGetChar(locale, name, 0, GC_CLASSIFY));
    if ((firstType & GC_TYPE_DEFINED) && (firstType & GC_TYPE_BLANK))
        return false;
    // The set is searched for the name's first character, so only the first
    // position is refused.
    if (GCStrchr(locale, kNoLeadingChars, -1, name, 0))
        return false;

    // A trailing single-byte blank is refused; a double-byte blank at the end
    // is part of the name in the code pages that have one.
    const char *last = name;
    for (const char *p = name; *p; p = GCNextChar(locale, p, 0))
        last = p;
    if (GCByteLength(locale, last, 0) == 1 && isBlank(locale, last))
        return false;

    for (const char *reserved : kReservedNames)
        if (GCStrcmp(locale, name, -1, reserved, -1, GC_CMP_NOCASE) == 0)
            return false;
    return true;
}

OtlStatus otlTrimBlanks(const OtlHostContext *host, char *text)
{
    if (!text || !text[0])
        return OTL_OK;
    const size_t bytes = strlen(text);
    if (bytes >= UINT32_MAX)
        return otl::kStatusTooLarge;
    void *block = nullptr;
    const OtlStatus status = otl::hostAlloc(host, static_cast<uint32_t>(bytes + 1), &block);
    if (status != OTL_OK)
        return status;
    char *copy = static_cast<char *>(block);
    memcpy(copy, text, bytes + 1);

    const GCLocale locale = host->localeHandle;
    const char *start = copy;
    while (*start && isBlank(locale, start))
        start = GCNextChar(locale, start, 0);
    const char *end = start; // just after the last non-blank character
    for (const char *p = start; *p;) {
        const char *next = GCNextChar(locale, p, 0);
        if (!isBlank(locale, p))
            end = next;
        p = next;
    }
    const size_t kept = static_cast<size_t>(end - start);
    memcpy(text, start, kept);
    text[kept] = '\0';
    otl::hostFree(host, copy);
    return OTL_OK;
}

namespace {

// Trims and looks up one collected name; false when it names no member.
bool comboNameExists(const OtlHostContext *host, OtlOutline *outline, char *name)
{
    // A failed trim leaves the name as collected; it is then looked up as is.
    otlTrimBlanks(host, name);
    if (!name[0])
        return true;
    OtlItem *found = nullptr;
    otlHashLookup(host, outline, name, nullptr, true, true, 0, nullptr, &found);
    return found != nullptr;
}

} // namespace

// `root` is kept for the callers' sake: member lists name members anywhere
// in the outline, so every lookup spans the whole outline.
uint32_t otlCheckAliasCombo(const OtlHostContext *host, OtlOutline *outline, OtlItem * /*root*/,
                            const char *comboString)
{
    if (!comboString)
        return 0;
    const GCLocale locale = host->localeHandle;
    char name[kComboNameBytes + 1] = {};
    uint32_t used = 0;
    bool quoted = false;
    const char *p = comboString;
    for (;;) {
        const uint32_t length = GCByteLength(locale, p, 0);
        bool endOfName = false;
        uint32_t advance = 1;
        if (length > 1) {
            // A character is copied whole or not at all.
            if (used + length <= kComboNameBytes) {
                memcpy(name + used, p, length);
                used += length;
            }
            advance = length;
        } else if (*p == '\0') {
            endOfName = true;
            advance = 0;
        } else if (*p == '"') {
            quoted = !quoted;
        } else if (*p == ',' && !quoted) {
            endOfName = true;
        } else if (*p == '-' && p[1] == '>' && !quoted) {
            endOfName = true;
            advance = 2;
        } else if (used < kComboNameBytes) {
            name[used++] = *p;
        }
        if (endOfName) {
            name[used] = '\0';
            if (!comboNameExists(host, outline, name))
                return 1;
            memset(name, 0, sizeof name);
            used = 0;
        }
        if (advance == 0)
            return 0;
        p += advance;
    }
}
