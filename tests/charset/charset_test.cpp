// The locale registry, walking and classifying characters, whole-character
// search, the copies that must neither overrun nor split a character, and
// GCStrcmp's order; in UTF-8, windows-1252 and Shift_JIS.
//
// The order: worked examples per code page, then properties over a
// fixed-seed corpus: the ASCII fast path agrees with the full path, the order
// is ICU's folded code-point order, and it is total. The examples keep only
// what the corpus cannot show: undecodable bytes, Shift_JIS trail bytes and
// EBCDIC; the corpus's pieces cover the case foldings.
#include "charset_internal.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

GCLocale localeOf(const char *codePage)
{
    GCLocale locale = 0;
    EXPECT_EQ(GCRegisterLocale(codePage, &locale), GC_OK) << codePage;
    return locale;
}

// Every code page a test registers, so that the registry-full test can keep
// room for them when all tests run in one process.
const char *const kUsedCodePages[] = {"windows-1252", "Shift_JIS", "ibm-037"};

TEST(Registry, HandlesAliasesAndRefusals)
{
    const GCLocale sjis = localeOf("Shift_JIS");
    EXPECT_EQ(localeOf("SJIS"), sjis) << "an alias of the same converter";
    EXPECT_EQ(localeOf("utf8"), 0u);
    GCLocale locale = 7;
    EXPECT_EQ(GCRegisterLocale(nullptr, &locale), GC_ERR_ARGUMENT);
    EXPECT_EQ(GCRegisterLocale("Shift_JIS", nullptr), GC_ERR_ARGUMENT);
    for (const char *name : {"no-such-code-page", "", "EUC-JP", "GB18030", "ISO-2022-JP", "UTF-16"})
        EXPECT_EQ(GCRegisterLocale(name, &locale), GC_ERR_UNKNOWN_CODEPAGE) << name;
    EXPECT_EQ(locale, 7u) << "a refusal leaves the handle alone";
    // Handles never handed out, and those past the registry, read as UTF-8.
    for (GCLocale unknown : {32u, 999u}) {
        EXPECT_EQ(GCStrcmp(unknown, "\xC3\xA9", -1, "\xC3\x89", -1, GC_CMP_NOCASE), 0);
        EXPECT_EQ(GCByteLength(unknown, "\xC3\xA9", 0), 2u);
    }
}

TEST(Registry, FillsUpAndKeepsWhatItHolds)
{
    std::set<GCLocale> handles;
    for (const char *name : kUsedCodePages)
        handles.insert(localeOf(name));
    uint32_t status = GC_OK;
    for (int32_t i = 0; i < ucnv_countAvailable() && status != GC_ERR_REGISTRY_FULL; ++i) {
        GCLocale locale = 0;
        status = GCRegisterLocale(ucnv_getAvailableName(i), &locale);
        if (status == GC_OK && locale != 0)
            handles.insert(locale);
    }
    EXPECT_EQ(status, GC_ERR_REGISTRY_FULL);
    EXPECT_EQ(handles.size(), 31u);
    EXPECT_EQ(localeOf("SJIS"), localeOf("Shift_JIS"));
    EXPECT_EQ(GCStrcmp(localeOf("windows-1252"), "\xE9", -1, "\xC9", -1, GC_CMP_NOCASE), 0);
}

// Two threads register the same code pages in opposite orders, comparing
// with each handle they get: both must see one handle per name.
TEST(Registry, ConcurrentRegistrationAndComparison)
{
    const struct {
        const char *codePage, *upper, *lower;
    } cases[] = {{"windows-1252", "\xC9T\xC9", "\xE9t\xE9"},
                 {"Shift_JIS", "\x82\x60\x83\xB0", "\x82\x81\x83\xD0"}};
    GCLocale seen[2][2] = {};
    std::atomic<int> wrong{0};
    auto work = [&](size_t id) {
        for (int round = 0; round < 300; ++round)
            for (size_t k = 0; k < 2; ++k) {
                const size_t c = id == 0 ? k : 1 - k;
                GCLocale &l = seen[id][c];
                wrong += GCRegisterLocale(cases[c].codePage, &l) != GC_OK;
                wrong += GCStrcmp(l, cases[c].upper, -1, cases[c].lower, -1, GC_CMP_NOCASE) != 0;
                wrong += GCStrcmp(l, cases[c].upper, -1, cases[c].lower, -1, GC_CMP_EXACT) >= 0;
            }
    };
    std::thread other(work, 1);
    work(0);
    other.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(seen[0][0], seen[1][0]);
    EXPECT_EQ(seen[0][1], seen[1][1]);
    EXPECT_NE(seen[0][0], seen[0][1]);
}

constexpr uint32_t D = GC_TYPE_DEFINED, U = GC_TYPE_UPPER, L = GC_TYPE_LOWER, A = GC_TYPE_ALPHA,
                   N = GC_TYPE_DIGIT, S = GC_TYPE_SPACE, B = GC_TYPE_BLANK, P = GC_TYPE_PUNCT,
                   C = GC_TYPE_CONTROL;

// One character each: its byte length, its value in the basic plane and its
// type; invalid sequences are one undecodable byte.
const struct CharCase {
    const char *codePage, *bytes;
    uint32_t length;
    uint16_t wide;
    uint32_t type;
} kChars[] = {
    {"UTF-8", "A", 1, 'A', D | U | A},
    {"UTF-8", "\t", 1, '\t', D | S | B | C},
    {"UTF-8", "_", 1, '_', D | P},
    {"UTF-8", "\xC2\xA0", 2, 0xA0, D | S | B},           // no-break space
    {"UTF-8", "\xEF\xBC\x90", 3, 0xFF10, D | N},         // full-width 0
    {"UTF-8", "\xF0\x9F\x98\x80", 4, 0xFFFD, D | P},     // outside the basic plane
    {"UTF-8", "\xCD\xB8", 2, 0x378, 0},                  // unassigned
    {"UTF-8", "\x80", 1, 0xFFFD, 0},
    {"UTF-8", "\xE2\x82" "A", 1, 0xFFFD, 0},
    {"UTF-8", "\xC0\x80", 1, 0xFFFD, 0},
    {"UTF-8", "\xED\xA0\x80", 1, 0xFFFD, 0},
    {"UTF-8", "", 0, 0, 0},
    {"windows-1252", "\xE9", 1, 0xE9, D | L | A},
    {"windows-1252", "\x80", 1, 0x20AC, D | P},
    {"Shift_JIS", "\x83\x5C", 2, 0x30BD, D | A},         // trail byte '\'
    {"Shift_JIS", "\x81\x40", 2, 0x3000, D | S | B},     // full-width blank, trail '@'
    {"Shift_JIS", "\x82\x60", 2, 0xFF21, D | U | A},
    {"Shift_JIS", "\xB1", 1, 0xFF71, D | A},             // half-width katakana
    {"Shift_JIS", "\\", 1, '\\', D | P},
    {"Shift_JIS", "\x81", 1, 0xFFFD, 0},                 // lead before the terminator
    {"Shift_JIS", "\x81\x20", 1, 0xFFFD, 0},             // lead before a non-trail
    {"Shift_JIS", "\x85\x40", 2, 0xFFFD, 0},             // well-formed, unassigned
};

TEST(Characters, LengthValueAndType)
{
    for (const CharCase &c : kChars) {
        const GCLocale l = localeOf(c.codePage);
        SCOPED_TRACE(std::string(c.codePage) + " " + c.bytes);
        EXPECT_EQ(GCByteLength(l, c.bytes, 0), c.length);
        EXPECT_EQ(GCNextChar(l, c.bytes, 0), c.bytes + c.length);
        EXPECT_EQ(GCGetChar(l, c.bytes, 0, GC_CLASSIFY), c.wide);
        EXPECT_EQ(GCGetCharType(l, c.bytes, GC_CLASSIFY), c.type);
        if (c.type != 0 && c.wide != 0xFFFD) {
            EXPECT_EQ(GCGetCharTypeW(l, c.wide), c.type);
        }
    }
    EXPECT_EQ(GCGetCharTypeW(0, 0), D | C);
    EXPECT_EQ(GCNextChar(0, nullptr, 0), nullptr);
    EXPECT_EQ(GCGetCharType(0, nullptr, 0) + GCByteLength(0, nullptr, 0), 0u);
    EXPECT_EQ(GCGetChar(0, nullptr, 0, 0), 0u);
}

// Counting stops at the length or the first zero byte; a character cut by
// the length counts as lone bytes.
TEST(Characters, Counts)
{
    const GCLocale sjis = localeOf("Shift_JIS");
    EXPECT_EQ(GCNumChars(0, nullptr, -1, 0), 0u);
    EXPECT_EQ(GCNumChars(0, "", -1, 0), 0u);
    EXPECT_EQ(GCNumChars(0, "a\xE2\x82\xAC\xF0\x9F\x98\x80", -1, 0), 3u);
    EXPECT_EQ(GCNumChars(0, "\xE2\x82" "A", -1, 0), 3u);
    EXPECT_EQ(GCNumChars(0, "a\xE2\x82\xAC" "b", 2, 0), 2u) << "a cut character is a lone byte";
    EXPECT_EQ(GCNumChars(0, "ab\0cd", 5, 0), 2u);
    EXPECT_EQ(GCNumChars(localeOf("windows-1252"), "caf\xE9", -1, 0), 4u);
    EXPECT_EQ(GCNumChars(sjis, "a\x83\x5C\xB1\x95\x5C\\", -1, 0), 5u);
    EXPECT_EQ(GCNumChars(sjis, "a\x83\x5C", 2, 0), 2u);
}

TEST(Strchr, MatchesWholeCharactersOnly)
{
    const GCLocale sjis = localeOf("Shift_JIS");
    const char *text = "\x83\x5C\\"; // ソ, then '\'
    EXPECT_EQ(GCStrchr(sjis, text, -1, "\\", 0), text + 2);
    text = "\x81\x40@";
    EXPECT_EQ(GCStrchr(sjis, text, -1, "@", 0), text + 2);
    text = "\x89\x83\x5C"; // a kanji ending in 0x83, then '\'
    EXPECT_EQ(GCStrchr(sjis, text, -1, "\x83\x5C", 0), nullptr) << "straddles two characters";
    text = "a\x83\x5C";
    EXPECT_EQ(GCStrchr(sjis, text, -1, "\x83\x5Cxyz", 0), text + 1) << "first character of key";
    text = "\xC3\xA8\xC3\xA9\xC3"; // è é and a lone lead
    EXPECT_EQ(GCStrchr(0, text, -1, "\xC3\xA9", 0), text + 2);
    EXPECT_EQ(GCStrchr(0, text, -1, "\xC3", 0), text + 4);
    text = "caf\xE9";
    EXPECT_EQ(GCStrchr(localeOf("windows-1252"), text, -1, "\xE9", 0), text + 3);
    EXPECT_EQ(GCStrchr(0, "abc", -1, "", 0), nullptr);
    EXPECT_EQ(GCStrchr(0, nullptr, -1, "a", 0), nullptr);
    EXPECT_EQ(GCStrchr(0, "abc", 2, "c", 0), nullptr);
    EXPECT_EQ(GCStrchr(0, "ab\0c", 4, "c", 0), nullptr);
}

// A text given as its characters, so that the boundaries are known without
// asking the code under test.
struct Sample {
    const char *codePage;
    std::vector<std::string> chars;
    std::string text() const
    {
        std::string all;
        for (const std::string &c : chars)
            all += c;
        return all;
    }
    size_t wholeWithin(size_t limit) const // longest run of whole leading characters
    {
        size_t used = 0;
        for (size_t i = 0; i < chars.size() && used + chars[i].size() <= limit; ++i)
            used += chars[i].size();
        return used;
    }
};

// Names the parameter stably in test listings (its bytes hold addresses).
void PrintTo(const Sample &sample, std::ostream *out)
{
    *out << sample.codePage;
}

class Cutting : public testing::TestWithParam<Sample> {};

constexpr char kUntouched = 0x7F;

// For every size: truncating, appending to "x" and copying all keep whole
// characters and write nothing past the size.
TEST_P(Cutting, KeepsWholeCharactersAtEverySize)
{
    const Sample &sample = GetParam();
    const GCLocale l = localeOf(sample.codePage);
    const std::string text = sample.text();
    for (int32_t size = 1; size <= static_cast<int32_t>(text.size()) + 2; ++size) {
        SCOPED_TRACE(size);
        const size_t n = static_cast<size_t>(size);
        const std::string original = text + '\0' + std::string(8, kUntouched);
        std::string buffer = original, expected = original;
        const size_t kept = std::min(text.size(), sample.wholeWithin(n - 1));
        expected[kept] = '\0';
        EXPECT_EQ(GCTruncateString(l, buffer.data(), size, 0), static_cast<int32_t>(kept));
        EXPECT_EQ(buffer, expected) << "only the terminator is written";

        std::string cat = "x" + std::string(text.size() + 8, kUntouched);
        cat[1] = '\0';
        const size_t appended = n >= 2 ? 1 + sample.wholeWithin(n - 2) : 0;
        EXPECT_EQ(GCStrcat(l, cat.data(), text.c_str(), size, 0), static_cast<int32_t>(appended));
        EXPECT_EQ(cat.substr(0, appended + 1), ("x" + text).substr(0, appended) + '\0');
        EXPECT_EQ(cat.find_first_not_of(kUntouched, std::max<size_t>(n, 2)), std::string::npos);

        std::string copy(text.size() + 8, kUntouched);
        const size_t copied = sample.wholeWithin(n);
        EXPECT_EQ(GCStrcpy(l, copy.data(), size, text.c_str(), -1, 0),
                  static_cast<int32_t>(copied));
        EXPECT_EQ(copy, text.substr(0, copied) + std::string(copy.size() - copied, kUntouched));
    }
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, Cutting,
    testing::Values(
        Sample{"UTF-8", {"a", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "b", "\xFF", "c"}},
        Sample{"windows-1252", {"a", "\xE9", "b", "\x80", "c"}},
        Sample{"Shift_JIS", {"a", "\x83\x5C", "\xB1", "\x95\x5C", "\\", "\x81\x40", "b"}}),
    [](const auto &info) { return std::to_string(info.index); });

TEST(Cutting, ByteCountsAndUnusableArguments)
{
    char buffer[8] = "-------";
    EXPECT_EQ(GCStrcpy(0, buffer, 8, "abcdef", 3, 0), 3);
    EXPECT_STREQ(buffer, "abc----");
    EXPECT_EQ(GCStrcpy(0, buffer, 8, "a\xE2\x82\xAC", 2, 0), 2) << "count is bytes, as given";
    EXPECT_EQ(GCStrcpy(0, nullptr, 8, "abc", -1, 0), 0);
    EXPECT_EQ(GCStrcpy(0, buffer, 0, "abc", -1, 0), 0);
    EXPECT_EQ(GCTruncateString(0, buffer, 0, 0), 0);
    EXPECT_EQ(GCStrcat(0, buffer, "x", 0, 0), 0);
    EXPECT_EQ(GCStrcat(0, buffer, nullptr, 8, 0), 7);
    char unterminated[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
    EXPECT_EQ(GCStrcat(0, unterminated, "x", 4, 0), 3) << "cut to its buffer, then full";
    EXPECT_STREQ(unterminated, "abc");
}

// Loaded as a host loads it, the shared library exports the C interface and
// not the test hook.
TEST(SharedLibrary, ExportsTheInterfaceOnly)
{
    void *library = dlopen(SHROTL_CHARSET_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char *name : {"GCRegisterLocale", "GCStrcmp", "GCNumChars", "GCByteLength",
                             "GCNextChar", "GCGetCharType", "GCGetChar", "GCGetCharTypeW",
                             "GCStrchr", "GCStrcpy", "GCStrcat", "GCTruncateString"})
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    EXPECT_EQ(dlsym(library, "gcStrcmpFullForTest"), nullptr);
    dlclose(library);
}

// ------------------------------------------------------------------ order

int sign(int value)
{
    return (value > 0) - (value < 0);
}

struct Example {
    const char *codePage, *a, *b;
    int exact, noCase; // expected signs
};

const Example kExamples[] = {
    // Undecodable bytes differ from each other and sort after U+10FFFF.
    {"UTF-8", "\xFF", "\xFE", 1, 1},
    {"UTF-8", "\xC3", "\xF4\x8F\xBF\xBF", 1, 1},
    {"UTF-8", "a\xFF", "A\xFF", 1, 0},
    {"UTF-8", "\xED\xA0\x80", "\xEF\xBF\xBD", 1, 1}, // encoded surrogate
    {"Shift_JIS", "\x83\x5C", "\\", 1, 1},        // trail byte 0x5C is not '\'
    {"Shift_JIS", "\x83\x5C", "\x83", -1, -1},    // a lone lead is undecodable
    // EBCDIC: bytes below 0x80 are not ASCII, so no ASCII shortcut applies.
    {"ibm-037", "\x41", "\x61", 1, 1},  // no-break space, '/'
    {"ibm-037", "\xC1", "\x81", -1, 0}, // 'A', 'a'
    {"ibm-037", "\x7B", "\x4B", -1, -1},
};

TEST(Strcmp, Examples)
{
    for (const Example &e : kExamples) {
        const GCLocale l = localeOf(e.codePage);
        SCOPED_TRACE(std::string(e.codePage) + " '" + e.a + "' '" + e.b + "'");
        EXPECT_EQ(sign(GCStrcmp(l, e.a, -1, e.b, -1, GC_CMP_EXACT)), e.exact);
        EXPECT_EQ(sign(GCStrcmp(l, e.b, -1, e.a, -1, GC_CMP_EXACT)), -e.exact);
        EXPECT_EQ(sign(GCStrcmp(l, e.a, -1, e.b, -1, GC_CMP_NOCASE)), e.noCase);
        EXPECT_EQ(sign(GCStrcmp(l, e.b, -1, e.a, -1, GC_CMP_NOCASE)), -e.noCase);
    }
}

TEST(Strcmp, NullsAndLengths)
{
    EXPECT_EQ(GCStrcmp(0, nullptr, -1, "", -1, GC_CMP_EXACT), 0);
    EXPECT_EQ(GCStrcmp(0, "abcdef", 3, "ABC", -1, GC_CMP_NOCASE), 0);
    EXPECT_EQ(GCStrcmp(0, "ab\0cd", 5, "ab", -1, GC_CMP_EXACT), 0) << "ends at the zero byte";
    EXPECT_NE(GCStrcmp(0, "\xC3\xA9", 1, "\xC3\xA9", -1, GC_CMP_EXACT), 0) << "cut character";
}

// Units past the text's end are 0 and exact; the first byte >= 0x80 ends what
// is known; a text that is no ASCII superset knows nothing.
TEST(SortKeyPrefix, PacksFoldedAsciiUnitsBigEndian)
{
    uint64_t key[2] = {1, 1};
    uint32_t known = 99;
    GCSortKeyPrefix(0, "AbCdEfGhIj\0zzzzzzzz", GC_CMP_NOCASE, key, &known);
    EXPECT_EQ(key[0], 0x6162636465666768u);
    EXPECT_EQ(key[1], 0x696A000000000000u);
    EXPECT_EQ(known, 16u);
    GCSortKeyPrefix(0, "Ab\xC3\xA9", GC_CMP_EXACT, key, &known);
    EXPECT_EQ(key[0], 0x4162000000000000u);
    EXPECT_EQ(known, 2u);
    GCSortKeyPrefix(localeOf("ibm-037"), "\xC1", GC_CMP_EXACT, key, &known);
    EXPECT_EQ(key[0] | key[1] | known, 0u);
}

// ------------------------------------------------------------------ corpus

// Characters picked for their case behaviour: ASCII, Latin-1 and 1252 pairs,
// sigmas, Cyrillic, CJK, full- and half-width forms, and foldings that cross
// scripts or change length.
const std::u16string_view kPieces[] = {
    u"a", u"B", u"k", u"s", u"Q", u"9", u" ", u"\\", u"@", u"é", u"É", u"ß", u"ÿ", u"Ÿ", u"œ",
    u"Œ", u"€", u"Σ", u"σ", u"ς", u"ж", u"Ж", u"漢", u"ソ", u"表", u"ｱ", u"ア", u"Ａ", u"ａ",
    u"１", u"　", u"\u212A", u"ſ", u"ﬁ", u"İ", u"ı", u"\U0001F600", u"\U00010400", u"\U00010428"};

struct Name {
    std::string bytes;
    std::u16string text, folded; // folded: ICU's folding of the whole text
    bool decodable;
};

std::optional<std::string> encode(const char *codePage, const std::u16string &text)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter *converter = ucnv_open(codePage, &status);
    ucnv_setFromUCallBack(converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    ucnv_setFallback(converter, false); // round trips only
    char bytes[256];
    const int32_t n = ucnv_fromUChars(converter, bytes, sizeof bytes, text.data(),
                                      static_cast<int32_t>(text.size()), &status);
    ucnv_close(converter);
    if (U_FAILURE(status))
        return std::nullopt;
    return std::string(bytes, static_cast<size_t>(n));
}

std::u16string icuCase(const std::u16string &text, int how) // 0 fold, 1 upper, 2 lower
{
    char16_t out[512];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = static_cast<int32_t>(text.size());
    const char16_t *in = text.data();
    const int32_t n = how == 0   ? u_strFoldCase(out, 512, in, length, U_FOLD_CASE_DEFAULT, &status)
                      : how == 1 ? u_strToUpper(out, 512, in, length, "", &status)
                                 : u_strToLower(out, 512, in, length, "", &status);
    EXPECT_TRUE(U_SUCCESS(status));
    return std::u16string(out, static_cast<size_t>(n));
}

// Random strings of pieces the code page holds, their upper- and lower-case
// forms and half-length prefixes, the empty name, and byte soup (Shift_JIS
// leads and 0x5C/0x40 trails, UTF-8 leads, unmapped bytes) that may not decode.
std::vector<Name> makeCorpus(const char *codePage)
{
    std::vector<std::u16string> pieces;
    for (std::u16string_view piece : kPieces)
        if (encode(codePage, std::u16string(piece)))
            pieces.emplace_back(piece);
    std::mt19937 rng(20240611);
    std::vector<Name> names;
    auto add = [&](const std::u16string &text) {
        if (std::optional<std::string> bytes = encode(codePage, text))
            names.push_back({*bytes, text, icuCase(text, 0), true});
    };
    add(u"");
    for (int i = 0; i < 160; ++i) {
        std::u16string text;
        for (unsigned n = rng() % 7; n > 0; --n)
            text += pieces[rng() % pieces.size()];
        add(text);
        add(icuCase(text, 1));
        add(icuCase(text, 2));
        add(text.substr(0, text.size() / 2));
    }
    const std::string soup = "aAz\\@0\x80\x81\x83\x85\x9F\xA1\xA9\xC3\xE0\xE3\xF0\xFD\xFF";
    for (int i = 0; i < 120; ++i) {
        std::string bytes;
        for (unsigned n = rng() % 8; n > 0; --n)
            bytes += soup[rng() % soup.size()];
        names.push_back({bytes, {}, {}, false});
    }
    return names;
}

class Corpus : public testing::TestWithParam<const char *> {
protected:
    void SetUp() override { names_ = makeCorpus(GetParam()); }
    int cmp(const Name &a, const Name &b, uint32_t flags) const
    {
        return GCStrcmp(locale_, a.bytes.c_str(), -1, b.bytes.c_str(), -1, flags);
    }
    const GCLocale locale_ = localeOf(GetParam());
    std::vector<Name> names_;
};

int codePointOrder(const std::u16string &a, const std::u16string &b)
{
    return sign(u_strCompare(a.data(), static_cast<int32_t>(a.size()), b.data(),
                             static_cast<int32_t>(b.size()), true));
}

// Over every pair, in both modes: the ASCII fast path agrees with the full
// path, with or without explicit lengths; ICU's code-point order of the
// texts, and of their whole-text foldings, is the reference (so case-blind
// equality is exactly fold(a) == fold(b)); and wherever two sort-key
// prefixes decide, they decide as the comparison does.
TEST_P(Corpus, FollowsIcuCodePointOrderOnEveryPath)
{
    ASSERT_GT(names_.size(), 500u);
    for (uint32_t flags : {GC_CMP_EXACT, GC_CMP_NOCASE}) {
        struct Key {
            uint64_t key[2];
            uint32_t known;
        };
        std::vector<Key> keys;
        for (const Name &n : names_) {
            Key k{};
            GCSortKeyPrefix(locale_, n.bytes.c_str(), flags, k.key, &k.known);
            ASSERT_LE(k.known, 16u);
            keys.push_back(k);
        }
        size_t decided = 0;
        for (size_t i = 0; i < names_.size(); ++i)
            for (size_t j = 0; j < names_.size(); ++j) {
                const Name &a = names_[i], &b = names_[j];
                const int order = cmp(a, b, flags);
                const auto pair = [&] {
                    return std::to_string(flags) + " '" + a.bytes + "' '" + b.bytes + "'";
                };
                ASSERT_EQ(sign(order), sign(gcStrcmpFullForTest(locale_, a.bytes.c_str(), -1,
                                                                b.bytes.c_str(), -1, flags)))
                    << pair();
                ASSERT_EQ(order, GCStrcmp(locale_, a.bytes.data(), int32_t(a.bytes.size()),
                                          b.bytes.data(), int32_t(b.bytes.size()), flags))
                    << "explicit lengths " << pair();
                const bool exact = flags == GC_CMP_EXACT;
                if (a.decodable && b.decodable) {
                    ASSERT_EQ(sign(order), codePointOrder(exact ? a.text : a.folded,
                                                          exact ? b.text : b.folded))
                        << pair();
                }
                // The unit where the keys first differ decides if both know it.
                uint32_t unit = 16;
                for (uint32_t word = 0; word < 2 && unit == 16; ++word)
                    if (const uint64_t differ = keys[i].key[word] ^ keys[j].key[word])
                        unit = word * 8 + static_cast<uint32_t>(__builtin_clzll(differ)) / 8;
                if (unit >= 16 || unit >= keys[i].known || unit >= keys[j].known)
                    continue;
                ++decided;
                const bool before = keys[i].key[unit / 8] < keys[j].key[unit / 8];
                ASSERT_EQ(before ? -1 : 1, sign(order)) << "sort keys " << pair();
            }
        // ICU's Shift_JIS reads some bytes below 0x80 as other characters
        // than ASCII's, so its keys are left undecided throughout.
        EXPECT_EQ(decided > 0, std::string(GetParam()) != "Shift_JIS");
    }
}

// Sorts the corpus, numbers its runs of equal neighbours, and checks every
// pair both ways against those numbers: the comparison is then antisymmetric
// and a total preorder on the corpus, transitive over all of its triples.
TEST_P(Corpus, OrderIsTotal)
{
    for (uint32_t flags : {GC_CMP_EXACT, GC_CMP_NOCASE}) {
        std::vector<Name> sorted = names_;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](const Name &a, const Name &b) { return cmp(a, b, flags) < 0; });
        std::vector<int> run(sorted.size(), 0);
        for (size_t i = 1; i < sorted.size(); ++i)
            run[i] = run[i - 1] + (cmp(sorted[i - 1], sorted[i], flags) != 0);
        ASSERT_LT(static_cast<size_t>(run.back()) + 1, sorted.size()) << "some names are equal";
        for (size_t i = 0; i < sorted.size(); ++i)
            for (size_t j = i; j < sorted.size(); ++j) {
                const int expected = run[i] == run[j] ? 0 : -1;
                ASSERT_EQ(sign(cmp(sorted[i], sorted[j], flags)), expected)
                    << sorted[i].bytes << " / " << sorted[j].bytes;
                ASSERT_EQ(sign(cmp(sorted[j], sorted[i], flags)), -expected);
            }
    }
}

INSTANTIATE_TEST_SUITE_P(CodePages, Corpus, testing::Values("UTF-8", "windows-1252", "Shift_JIS"),
                         [](const auto &info) { return std::to_string(info.index); });

} // namespace
