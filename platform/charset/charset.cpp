/*
 * Character-set services behind gcharset.h. Handle 0 is UTF-8, decoded
 * directly; every other handle names a code page of one- and two-byte
 * characters that ICU turned into lookup tables once, at registration, so no
 * ICU converter (which is not thread-safe) is used afterwards. A registered
 * table is published through an atomic slot under the registry mutex, never
 * changes once visible, and lives until the process exits.
 */
#include "charset_internal.h"
#include "gcharset.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <stddef.h>
#include <string.h>

namespace {

// Undecodable bytes get keys above every code point, one key per byte
// sequence, so that texts with different bad bytes never compare equal.
constexpr char32_t kUndecodable = 0x110000;
// In a pair table: this trail byte cannot follow the lead, which then stands
// alone as an undecodable byte.
constexpr char32_t kLoneLead = 0xFFFFFFFF;
constexpr unsigned kMaxLocales = 32; // slot 0 is UTF-8 and never filled
constexpr size_t kUnbounded = SIZE_MAX;

struct CodePage {
    char name[64];        // ICU's canonical converter name
    bool asciiCompatible; // bytes 0x01-0x7F are one-byte ASCII characters
    bool singleByte;      // no lead bytes: every byte is a character
    uint8_t leadRow[256]; // 0: not a lead byte, else 1 + its row in pairs
    char32_t single[256]; // the character of each byte standing alone
    std::unique_ptr<char32_t[]> pairs; // 256 entries per lead byte
};

// Readers load slots without locking; the mutex only orders writers.
struct Registry {
    std::mutex lock;
    std::atomic<CodePage *> pages[kMaxLocales] = {};
    // A call from another library's static destructor after this one then
    // reads UTF-8, not freed memory.
    ~Registry()
    {
        for (auto &page : pages)
            delete page.exchange(nullptr);
    }
};

Registry registry;

// Null means UTF-8: handle 0 and handles never registered.
const CodePage *pageFor(GCLocale locale)
{
    if (locale == 0 || locale >= kMaxLocales)
        return nullptr;
    return registry.pages[locale].load(std::memory_order_acquire);
}

// ---------------------------------------------------------------- decoding

// A text being walked: it ends after avail bytes or at a zero byte.
struct Text {
    const unsigned char *p;
    size_t avail;

    bool atEnd() const { return avail == 0 || *p == 0; }
    void skip(size_t n)
    {
        p += n;
        avail -= n;
    }
};

Text makeText(const char *text, int32_t length)
{
    static const unsigned char empty = 0;
    if (!text)
        return {&empty, 0};
    return {reinterpret_cast<const unsigned char *>(text),
            length < 0 ? kUnbounded : static_cast<size_t>(length)};
}

struct Char {
    char32_t code; // a code point, or kUndecodable + the bytes
    uint32_t length;
};

Char decodeUtf8(const unsigned char *p, size_t avail)
{
    if (*p < 0x80)
        return {*p, 1};
    // No character is longer than 4 bytes, and U8_NEXT stops at the first
    // byte that is not a trail byte, so it never reads past a zero byte.
    const int32_t limit = avail < 4 ? static_cast<int32_t>(avail) : 4;
    int32_t i = 0;
    UChar32 c;
    U8_NEXT(p, i, limit, c);
    if (c < 0)
        return {kUndecodable + *p, 1};
    return {static_cast<char32_t>(c), static_cast<uint32_t>(i)};
}

Char decodeTable(const CodePage &page, const unsigned char *p, size_t avail)
{
    const unsigned row = page.leadRow[*p];
    if (row != 0 && avail >= 2 && p[1] != 0) {
        const char32_t c = page.pairs[(row - 1) * 256 + p[1]];
        if (c != kLoneLead)
            return {c, 2};
    }
    return {page.single[*p], 1};
}

// The character at a position that is not the end of the text.
Char decode(const CodePage *page, const Text &t)
{
    return page ? decodeTable(*page, t.p, t.avail) : decodeUtf8(t.p, t.avail);
}

uint16_t wideChar(char32_t code)
{
    return code <= 0xFFFF ? static_cast<uint16_t>(code) : 0xFFFD;
}

// Bytes of the whole characters at the start of t that fit in limit bytes.
size_t wholeCharsWithin(const CodePage *page, Text t, size_t limit)
{
    size_t used = 0;
    while (!t.atEnd()) {
        const uint32_t n = decode(page, t).length;
        if (used + n > limit)
            break;
        used += n;
        t.skip(n);
    }
    return used;
}

// ------------------------------------------------------------- comparison

constexpr std::array<unsigned char, 256> makeAsciiFold()
{
    std::array<unsigned char, 256> table{};
    for (unsigned i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i + 32 : i);
    return table;
}

constexpr std::array<unsigned char, 256> kAsciiFold = makeAsciiFold();

// The basic-plane code points whose full folding is not their simple one
// ("ß" folds to "ss"): about a hundred, found once by asking ICU, so that
// every other character folds by a cheap u_foldCase lookup.
class FullFoldings {
public:
    FullFoldings()
    {
        for (UChar c = 0x80; c != 0; ++c) {
            if (U16_IS_SURROGATE(c))
                continue;
            UChar folded[8];
            UErrorCode status = U_ZERO_ERROR;
            const int32_t n = u_strFoldCase(folded, 8, &c, 1, U_FOLD_CASE_DEFAULT, &status);
            if (n != 1 || folded[0] != u_foldCase(c, U_FOLD_CASE_DEFAULT))
                bits_[c / 64] |= uint64_t{1} << (c % 64);
        }
    }

    // Characters outside the basic plane are rare in names: always ask ICU.
    bool differsFromSimple(char32_t c) const
    {
        return c > 0xFFFF || (bits_[c / 64] >> (c % 64) & 1) != 0;
    }

private:
    uint64_t bits_[0x10000 / 64] = {};
};

const FullFoldings &fullFoldings()
{
    static const FullFoldings foldings; // built once, thread-safely, on first use
    return foldings;
}

// Walks a text's code points, and queues the case folding of one when asked.
// Folding has no context, so folding character by character equals folding
// the whole text; streaming it needs no buffer for the text.
class CodePoints {
public:
    CodePoints(const CodePage *page, Text text) : page_(page), text_(text) {}

    bool pending() const { return index_ < count_; }

    // The next code point as it stands, or -1 at the end; only while
    // nothing is pending.
    int64_t raw()
    {
        if (text_.atEnd())
            return -1;
        const Char c = decode(page_, text_);
        text_.skip(c.length);
        return c.code;
    }

    // The next code point of the folded text, or -1 at the end.
    int64_t nextFolded()
    {
        if (pending())
            return folded_[index_++];
        const int64_t code = raw();
        return code < 0 ? -1 : fold(static_cast<char32_t>(code));
    }

    // The first code point of code's folding; the rest is queued.
    int64_t fold(char32_t code)
    {
        if (code < 0x80)
            return kAsciiFold[code];
        if (code >= kUndecodable)
            return code;
        if (!fullFoldings().differsFromSimple(code))
            return u_foldCase(static_cast<UChar32>(code), U_FOLD_CASE_DEFAULT);
        UChar source[2];
        int32_t length = 0;
        U16_APPEND_UNSAFE(source, length, code);
        UChar target[8];
        UErrorCode status = U_ZERO_ERROR;
        const int32_t n = u_strFoldCase(target, 8, source, length, U_FOLD_CASE_DEFAULT, &status);
        if (U_FAILURE(status) || n <= 0)
            return u_foldCase(static_cast<UChar32>(code), U_FOLD_CASE_DEFAULT);
        count_ = 0;
        for (int32_t i = 0; i < n;) {
            UChar32 c;
            U16_NEXT(target, i, n, c);
            folded_[count_++] = static_cast<char32_t>(c);
        }
        index_ = 1;
        return folded_[0];
    }

private:
    const CodePage *page_;
    Text text_;
    char32_t folded_[8];
    uint8_t count_ = 0;
    uint8_t index_ = 0;
};

int32_t order(int64_t x, int64_t y)
{
    return x < y ? -1 : x > y ? 1 : 0;
}

int32_t compareFull(const CodePage *page, Text a, Text b, bool ignoreCase)
{
    CodePoints x(page, a), y(page, b);
    for (;;) {
        int64_t cx, cy;
        if (!x.pending() && !y.pending()) {
            cx = x.raw();
            cy = y.raw();
            // Equal characters fold alike: fold only where the texts differ.
            if (cx == cy) {
                if (cx < 0)
                    return 0;
                continue;
            }
            if (!ignoreCase || cx < 0 || cy < 0)
                return order(cx, cy);
            cx = x.fold(static_cast<char32_t>(cx));
            cy = y.fold(static_cast<char32_t>(cy));
        } else {
            cx = x.nextFolded();
            cy = y.nextFolded();
        }
        if (cx != cy || cx < 0)
            return order(cx, cy);
    }
}

// Names are mostly ASCII: compare bytes while both texts are ASCII, and hand
// over to the full comparison at the first byte >= 0x80 in either. The
// position is then a character boundary in both texts, and an ASCII
// character folds to one ASCII character, so the equal prefix does not
// change the outcome.
int32_t compareTexts(const CodePage *page, Text a, Text b, bool ignoreCase)
{
    if (!page || page->asciiCompatible) {
        for (;;) {
            unsigned x = a.avail ? *a.p : 0, y = b.avail ? *b.p : 0;
            if ((x | y) >= 0x80)
                break;
            if (ignoreCase) {
                x = kAsciiFold[x];
                y = kAsciiFold[y];
            }
            if (x != y)
                return x < y ? -1 : 1;
            if (x == 0)
                return 0;
            a.skip(1);
            b.skip(1);
        }
    }
    return compareFull(page, a, b, ignoreCase);
}

bool ignoresCase(uint32_t flags)
{
    return (flags & 0x40u) != 0;
}

// ---------------------------------------------------------- classification

uint32_t typeOfAny(char32_t code)
{
    if (code >= kUndecodable || !u_isdefined(code))
        return 0;
    const UChar32 c = static_cast<UChar32>(code);
    uint32_t type = GC_TYPE_DEFINED;
    type |= u_isupper(c) ? GC_TYPE_UPPER : 0;
    type |= u_islower(c) ? GC_TYPE_LOWER : 0;
    type |= u_isdigit(c) ? GC_TYPE_DIGIT : 0;
    type |= u_isUWhiteSpace(c) ? GC_TYPE_SPACE : 0;
    type |= (U_GET_GC_MASK(c) & (U_GC_P_MASK | U_GC_S_MASK)) ? GC_TYPE_PUNCT : 0;
    type |= u_isblank(c) ? GC_TYPE_BLANK : 0;
    type |= u_charType(c) == U_CONTROL_CHAR ? GC_TYPE_CONTROL : 0;
    type |= u_isalpha(c) ? GC_TYPE_ALPHA : 0;
    return type;
}

// Names are mostly ASCII: its types are asked of ICU once.
uint32_t typeOf(char32_t code)
{
    static const std::array<uint32_t, 128> ascii = [] {
        std::array<uint32_t, 128> types{};
        for (char32_t c = 0; c < 128; ++c)
            types[c] = typeOfAny(c);
        return types;
    }();
    return code < 128 ? ascii[code] : typeOfAny(code);
}

// ------------------------------------------------------------ registration

// Code pages whose characters all fit the byte and pair tables.
bool fitsTables(UConverter *converter)
{
    switch (ucnv_getType(converter)) {
    case UCNV_SBCS:
    case UCNV_DBCS:
    case UCNV_MBCS:
    case UCNV_LATIN_1:
    case UCNV_US_ASCII:
        return ucnv_getMinCharSize(converter) == 1 && ucnv_getMaxCharSize(converter) <= 2;
    default:
        return false;
    }
}

struct Probe {
    UChar32 code;
    int32_t used; // bytes ICU consumed, also when it failed
    UErrorCode status;
};

// Converts the first character of bytes; the converter stops at errors.
Probe probe(UConverter *converter, const char *bytes, int32_t length)
{
    ucnv_resetToUnicode(converter);
    UErrorCode status = U_ZERO_ERROR;
    const char *p = bytes;
    const UChar32 code = ucnv_getNextUChar(converter, &p, bytes + length, &status);
    return {code, static_cast<int32_t>(p - bytes), status};
}

// Decodes every byte alone; a byte ICU reports as truncated is a lead byte.
unsigned fillSingles(UConverter *converter, CodePage &page)
{
    unsigned rows = 0;
    for (unsigned b = 1; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const Probe r = probe(converter, &byte, 1);
        page.single[b] = U_SUCCESS(r.status) ? static_cast<char32_t>(r.code) : kUndecodable + b;
        if (r.status == U_TRUNCATED_CHAR_FOUND)
            page.leadRow[b] = static_cast<uint8_t>(++rows);
    }
    return rows;
}

// Decodes every lead byte with every trail byte. ICU consumes both bytes of
// a well-formed but unassigned code and only the lead of an ill-formed one.
void fillPairs(UConverter *converter, CodePage &page)
{
    for (unsigned lead = 1; lead < 256; ++lead) {
        if (page.leadRow[lead] == 0)
            continue;
        char32_t *row = &page.pairs[(page.leadRow[lead] - 1) * 256];
        row[0] = kLoneLead;
        for (unsigned trail = 1; trail < 256; ++trail) {
            const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            const Probe r = probe(converter, bytes, 2);
            if (r.used != 2)
                row[trail] = kLoneLead;
            else if (U_SUCCESS(r.status))
                row[trail] = static_cast<char32_t>(r.code);
            else
                row[trail] = kUndecodable + (lead << 8 | trail);
        }
    }
}

bool isAsciiCompatible(const CodePage &page)
{
    for (unsigned b = 1; b < 0x80; ++b)
        if (page.leadRow[b] != 0 || page.single[b] != b)
            return false;
    return true;
}

std::unique_ptr<CodePage> buildPage(UConverter *converter, const char *name)
{
    std::unique_ptr<CodePage> page(new (std::nothrow) CodePage{});
    if (!page)
        return nullptr;
    strcpy(page->name, name);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    const unsigned rows = fillSingles(converter, *page);
    if (rows != 0) {
        page->pairs.reset(new (std::nothrow) char32_t[rows * 256]);
        if (!page->pairs)
            return nullptr;
        fillPairs(converter, *page);
    }
    page->asciiCompatible = isAsciiCompatible(*page);
    page->singleByte = rows == 0;
    return page;
}

uint32_t registerConverter(UConverter *converter, GCLocale *locale)
{
    UErrorCode status = U_ZERO_ERROR;
    const char *name = ucnv_getName(converter, &status);
    if (ucnv_getType(converter) == UCNV_UTF8) {
        *locale = 0;
        return GC_OK;
    }
    if (U_FAILURE(status) || strlen(name) >= sizeof(CodePage::name) || !fitsTables(converter))
        return GC_ERR_UNKNOWN_CODEPAGE;

    // Building a table under the lock keeps two threads from registering
    // one name twice; readers never take the lock, so they do not wait.
    std::lock_guard<std::mutex> guard(registry.lock);
    unsigned freeSlot = 0;
    for (unsigned i = 1; i < kMaxLocales; ++i) {
        const CodePage *page = registry.pages[i].load(std::memory_order_relaxed);
        if (page && strcmp(page->name, name) == 0) {
            *locale = i;
            return GC_OK;
        }
        if (!page && freeSlot == 0)
            freeSlot = i;
    }
    if (freeSlot == 0)
        return GC_ERR_REGISTRY_FULL;
    std::unique_ptr<CodePage> page = buildPage(converter, name);
    if (!page)
        return GC_ERR_NO_MEMORY;
    registry.pages[freeSlot].store(page.release(), std::memory_order_release);
    *locale = freeSlot;
    return GC_OK;
}

} // namespace

// ------------------------------------------------------------ C interface

extern "C" uint32_t GCRegisterLocale(const char *codePage, GCLocale *locale)
{
    if (!codePage || !locale)
        return GC_ERR_ARGUMENT;
    // ICU reads an empty name as "the platform default": not a name here.
    if (!*codePage)
        return GC_ERR_UNKNOWN_CODEPAGE;
    UErrorCode status = U_ZERO_ERROR;
    UConverter *converter = ucnv_open(codePage, &status);
    if (U_FAILURE(status))
        return GC_ERR_UNKNOWN_CODEPAGE;
    const uint32_t result = registerConverter(converter, locale);
    ucnv_close(converter);
    return result;
}

extern "C" int32_t GCStrcmp(GCLocale locale, const char *text1, int32_t length1,
                            const char *text2, int32_t length2, uint32_t flags)
{
    return compareTexts(pageFor(locale), makeText(text1, length1), makeText(text2, length2),
                        ignoresCase(flags));
}

// The key holds ASCII units only, folded as the fast comparison folds them:
// up to the first byte >= 0x80 the key order is GCStrcmp's order.
extern "C" void GCSortKeyPrefix(GCLocale locale, const char *text, uint32_t flags, uint64_t key[2],
                                uint32_t *known)
{
    const CodePage *page = pageFor(locale);
    key[0] = key[1] = 0;
    uint32_t units = 0;
    if (text && (!page || page->asciiCompatible)) {
        const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
        bool ended = false;
        for (; units < 16; ++units) {
            const unsigned c = ended ? 0 : p[units];
            if (c >= 0x80)
                break;
            ended = c == 0;
            const unsigned unit = ignoresCase(flags) ? kAsciiFold[c] : c;
            key[units / 8] |= static_cast<uint64_t>(unit) << (56 - 8 * (units % 8));
        }
    }
    *known = units;
}

extern "C" int32_t gcStrcmpFullForTest(GCLocale locale, const char *text1, int32_t length1,
                                       const char *text2, int32_t length2, uint32_t flags)
{
    return compareFull(pageFor(locale), makeText(text1, length1), makeText(text2, length2),
                       ignoresCase(flags));
}

extern "C" uint32_t GCNumChars(GCLocale locale, const char *text, int32_t length, uint32_t)
{
    const CodePage *page = pageFor(locale);
    uint32_t count = 0;
    for (Text t = makeText(text, length); !t.atEnd(); ++count)
        t.skip(decode(page, t).length);
    return count;
}

extern "C" uint32_t GCByteLength(GCLocale locale, const char *position, uint32_t)
{
    const Text t = makeText(position, -1);
    return t.atEnd() ? 0 : decode(pageFor(locale), t).length;
}

extern "C" char *GCNextChar(GCLocale locale, const char *position, uint32_t flags)
{
    if (!position)
        return nullptr;
    return const_cast<char *>(position) + GCByteLength(locale, position, flags);
}

extern "C" uint32_t GCGetCharType(GCLocale locale, const char *position, uint32_t)
{
    const Text t = makeText(position, -1);
    return t.atEnd() ? 0 : typeOf(decode(pageFor(locale), t).code);
}

extern "C" uint16_t GCGetChar(GCLocale locale, const char *position, uint32_t, uint32_t)
{
    const Text t = makeText(position, -1);
    return t.atEnd() ? 0 : wideChar(decode(pageFor(locale), t).code);
}

extern "C" uint32_t GCGetCharTypeW(GCLocale, uint16_t wideChar)
{
    return typeOf(wideChar);
}

extern "C" char *GCStrchr(GCLocale locale, const char *text, int32_t length,
                          const char *characters, uint32_t)
{
    const CodePage *page = pageFor(locale);
    const Text key = makeText(characters, -1);
    if (key.atEnd())
        return nullptr;
    const uint32_t keyLength = decode(page, key).length;
    // A byte below 0x80 is a whole character wherever it stands in UTF-8 and
    // in a page without lead bytes: the search needs no decoding.
    if (keyLength == 1 && *key.p < 0x80 && (!page || page->singleByte)) {
        if (text && length < 0)
            return const_cast<char *>(strchr(text, *key.p));
        for (Text t = makeText(text, length); !t.atEnd(); t.skip(1))
            if (*t.p == *key.p)
                return reinterpret_cast<char *>(const_cast<unsigned char *>(t.p));
        return nullptr;
    }
    for (Text t = makeText(text, length); !t.atEnd();) {
        const uint32_t n = decode(page, t).length;
        if (n == keyLength && memcmp(t.p, key.p, n) == 0)
            return reinterpret_cast<char *>(const_cast<unsigned char *>(t.p));
        t.skip(n);
    }
    return nullptr;
}

extern "C" int32_t GCStrcpy(GCLocale locale, char *destination, int32_t destinationSize,
                            const char *source, int32_t count, uint32_t)
{
    if (!destination || !source || destinationSize <= 0 || count == 0)
        return 0;
    size_t n = count < 0 ? strlen(source) : strnlen(source, static_cast<size_t>(count));
    const size_t room = static_cast<size_t>(destinationSize);
    if (n > room)
        n = wholeCharsWithin(pageFor(locale), makeText(source, count), room);
    memmove(destination, source, n);
    return static_cast<int32_t>(n);
}

extern "C" int32_t GCStrcat(GCLocale locale, char *destination, const char *source,
                            int32_t destinationLength, uint32_t)
{
    if (!destination || destinationLength <= 0)
        return 0;
    const CodePage *page = pageFor(locale);
    const size_t room = static_cast<size_t>(destinationLength) - 1;
    size_t length = strnlen(destination, room + 1);
    if (length > room) // not terminated in its buffer: read no further
        length = wholeCharsWithin(page, makeText(destination, destinationLength), room);
    const size_t added = wholeCharsWithin(page, makeText(source, -1), room - length);
    if (added != 0)
        memmove(destination + length, source, added);
    destination[length + added] = '\0';
    return static_cast<int32_t>(length + added);
}

extern "C" int32_t GCTruncateString(GCLocale locale, char *text, int32_t size, uint32_t)
{
    if (!text || size <= 0)
        return 0;
    const size_t limit = static_cast<size_t>(size) - 1;
    const size_t length = strnlen(text, limit + 1);
    if (length <= limit)
        return static_cast<int32_t>(length);
    // The text runs on past size: its characters decode in full there.
    const size_t keep = wholeCharsWithin(pageFor(locale), makeText(text, -1), limit);
    text[keep] = '\0';
    return static_cast<int32_t>(keep);
}
