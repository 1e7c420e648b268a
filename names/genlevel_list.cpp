/*
 * Reading generation and level names: one name by its number, and the
 * listings of a dimension's numbers with their names or default names.
 * Nothing here changes the outline; field-access mode does not refuse.
 */
#include "names/genlevel.h"
#include "core/alloc.h"
#include "core/host.h"
#include "gcharset.h"

#include <stdio.h>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether a stored name has the default form: "Gen" (levels: "Lev") in any
// case, decimal digits, a comma and the dimension's name in any case. The
// listings treat such a number as unnamed.
bool isDefaultForm(const OtlHostContext *host, const OtlGenLevelName *record,
                   const char *dimensionName)
{
    const char *text = record->nameText;
    const char *prefix = record->nameKind == OTL_NAME_KIND_GENERATION ? "gen" : "lev";
    if (!text)
        return false;
    for (int i = 0; i < 3; ++i)
        if (otl::asciiLower(text[i]) != prefix[i])
            return false;
    const char *at = text + 3;
    if (!isDigit(*at))
        return false;
    while (isDigit(*at))
        ++at;
    return *at == ',' && otlCompareNoCase(host, at + 1, dimensionName) == 0;
}

// The first record from `from` on of this kind that is a real name.
const OtlGenLevelName *nextNamed(const OtlHostContext *host, const OtlGenLevelName *from,
                                 uint8_t kind, const char *dimensionName)
{
    while (from && (from->nameKind != kind || isDefaultForm(host, from, dimensionName)))
        from = from->nextName;
    return from;
}

// "Gen<number>,<dimension>" or "Lev<number>,<dimension>", cut to the slot
// at a whole character.
void writeDefault(const OtlHostContext *host, char *slot, uint8_t kind, uint32_t number,
                  const char *dimensionName)
{
    snprintf(slot, OTL_NAME_SIZE, "%s%u,", kind == OTL_NAME_KIND_GENERATION ? "Gen" : "Lev",
             static_cast<unsigned>(number));
    GCStrcat(static_cast<GCLocale>(host->localeHandle), slot, dimensionName, OTL_NAME_SIZE, 0);
}

OtlStatus getName(OtlOutline *outline, const char *dimensionName, uint8_t kind, uint16_t number,
                  char **name)
{
    *name = nullptr;
    const OtlItem *member = otlFindNamedMember(outline, dimensionName);
    if (!member)
        return OTL_ERR_DIM_NOT_FOUND;
    const OtlGenLevelName *record = otlFindGenLevelName(member, kind, number);
    if (!record)
        return OTL_ERR_NO_GEN_LEVEL_NAME;
    char *copy = nullptr;
    const OtlStatus status = otlDupString(outline->host, record->nameText, &copy);
    if (status == OTL_OK)
        *name = copy;
    return status;
}

// A dimension of level L has L + 1 generations (1 to L + 1) and levels (0
// to L). Named records beyond that depth (left by deleted members) still
// count as named, as the count of a listing has always been taken: with
// OTL_LIST_NAMED the count may then exceed the entries filled, and the
// entries past them stay zero (number 0, empty name).
OtlStatus listNames(OtlOutline *outline, const char *dimensionName, uint16_t selector,
                    uint8_t kind, uint32_t *count, OtlGenLevelEntry **entries)
{
    *count = 0;
    *entries = nullptr;
    if (selector > OTL_LIST_UNNAMED)
        return OTL_ERR_LIST_SELECTOR;
    const OtlHostContext *host = outline->host;
    const OtlItem *member = otlFindNamedMember(outline, dimensionName);
    if (!member)
        return OTL_ERR_DIM_NOT_FOUND;
    const char *dimName = member->memberName;
    const uint32_t numbers = uint32_t{member->level} + 1;
    const uint32_t first = kind == OTL_NAME_KIND_GENERATION ? 1 : 0;
    uint32_t named = 0;
    for (const OtlGenLevelName *r = nextNamed(host, member->genLevelNames, kind, dimName); r;
         r = nextNamed(host, r->nextName, kind, dimName))
        ++named;
    const uint32_t n = selector == OTL_LIST_NAMED     ? (named <= numbers ? named : numbers)
                       : selector == OTL_LIST_UNNAMED ? (named <= numbers ? numbers - named : 0)
                                                      : numbers;
    if (n == 0)
        return OTL_OK;
    OtlGenLevelEntry *list = nullptr;
    if (OtlStatus status = otl::hostNewArray(host, n, &list))
        return status;

    // The cursor passes the names of numbers already listed (and of numbers
    // below the first: a level name numbered 0 of a generation, say).
    const OtlGenLevelName *cursor = nextNamed(host, member->genLevelNames, kind, dimName);
    uint32_t filled = 0;
    for (uint32_t i = 0; i < numbers && filled < n; ++i) {
        const uint32_t number = first + i;
        while (cursor && cursor->nameNumber < number)
            cursor = nextNamed(host, cursor->nextName, kind, dimName);
        const OtlGenLevelName *record = cursor && cursor->nameNumber == number ? cursor : nullptr;
        if ((selector == OTL_LIST_NAMED && !record) || (selector == OTL_LIST_UNNAMED && record))
            continue;
        OtlGenLevelEntry &entry = list[filled++];
        entry.number = static_cast<uint16_t>(number);
        if (record && selector != OTL_LIST_DEFAULTS)
            otl::copyNameSlot(host, entry.name, record->nameText);
        else
            writeDefault(host, entry.name, kind, number, dimName);
    }
    *count = n;
    *entries = list;
    return OTL_OK;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlGetGenName(OtlOutline *outline, const char *dimensionName,
                                                uint16_t generation, char **name)
{
    return getName(outline, dimensionName, OTL_NAME_KIND_GENERATION, generation, name);
}

extern "C" OTL_API OtlStatus adShrOtlGetLevelName(OtlOutline *outline, const char *dimensionName,
                                                  uint16_t level, char **name)
{
    return getName(outline, dimensionName, OTL_NAME_KIND_LEVEL, level, name);
}

extern "C" OTL_API OtlStatus adShrOtlGetGenNames(OtlOutline *outline, const char *dimensionName,
                                                 uint16_t selector, uint32_t *count,
                                                 OtlGenLevelEntry **entries)
{
    return listNames(outline, dimensionName, selector, OTL_NAME_KIND_GENERATION, count, entries);
}

extern "C" OTL_API OtlStatus adShrOtlGetLevelNames(OtlOutline *outline, const char *dimensionName,
                                                   uint16_t selector, uint32_t *count,
                                                   OtlGenLevelEntry **entries)
{
    return listNames(outline, dimensionName, selector, OTL_NAME_KIND_LEVEL, count, entries);
}
