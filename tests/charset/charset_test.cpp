// The locale registry, walking and classifying characters, whole-character
// search and copies, and GCStrcmp's order: worked examples for what a corpus
// cannot show, then a fixed-seed corpus per code page checked against ICU.
#include "charset_internal.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <numeric>
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

int sign(int value) { return (value > 0) - (value < 0); }

// Fills the registry, keeping room for the code pages of the other tests.
TEST(Registry, AliasesRefusalsAndFillingUp)
{
    const GCLocale sjis = localeOf("Shift_JIS"), cp1252 = localeOf("windows-1252");
    EXPECT_EQ(localeOf("SJIS"), sjis) << "an alias of the same converter";
    EXPECT_EQ(localeOf("utf8"), 0u);
    GCLocale locale = 7;
    EXPECT_EQ(GCRegisterLocale(nullptr, &locale), GC_ERR_ARGUMENT);
    EXPECT_EQ(GCRegisterLocale("Shift_JIS", nullptr), GC_ERR_ARGUMENT);
    for (const char *name : {"no-such-code-page", "", "EUC-JP", "GB18030", "ISO-2022-JP", "UTF-16"})
        EXPECT_EQ(GCRegisterLocale(name, &locale), GC_ERR_UNKNOWN_CODEPAGE) << name;
    EXPECT_EQ(locale, 7u) << "a refusal leaves the handle alone";
    // Handles never handed out, and those past the registry, read as UTF-8.
    for (GCLocale unknown : {5u, 32u, 999u}) {
        EXPECT_EQ(GCStrcmp(unknown, "\xC3\xA9", -1, "\xC3\x89", -1, GC_CMP_NOCASE), 0);
        EXPECT_EQ(GCByteLength(unknown, "\xC3\xA9", 0), 2u);
    }
    std::set<GCLocale> handles{sjis, cp1252, localeOf("ibm-037")};
    uint32_t status = GC_OK;
    for (int32_t i = 0; i < ucnv_countAvailable() && status != GC_ERR_REGISTRY_FULL; ++i) {
        status = GCRegisterLocale(ucnv_getAvailableName(i), &locale);
        if (status == GC_OK && locale != 0)
            handles.insert(locale);
    }
    EXPECT_EQ(status, GC_ERR_REGISTRY_FULL);
    EXPECT_EQ(handles.size(), 31u);
    EXPECT_EQ(localeOf("SJIS"), sjis) << "a full registry still finds what it holds";
    EXPECT_EQ(GCStrcmp(cp1252, "\xE9", -1, "\xC9", -1, GC_CMP_NOCASE), 0);
}

// Two threads register and compare in opposite orders: one handle per name.
TEST(Registry, ConcurrentRegistrationAndComparison)
{
    const char *const codePages[] = {"windows-1252", "Shift_JIS"};
    const char *const upper[] = {"\xC9T\xC9", "\x82\x60\x83\xB0"};
    const char *const lower[] = {"\xE9t\xE9", "\x82\x81\x83\xD0"};
    GCLocale seen[2][2] = {};
    std::atomic<int> wrong{0};
    auto work = [&](size_t id) {
        for (int round = 0; round < 300; ++round)
            for (size_t c : {id, 1 - id}) {
                GCLocale &l = seen[id][c];
                wrong += GCRegisterLocale(codePages[c], &l) != GC_OK;
                wrong += GCStrcmp(l, upper[c], -1, lower[c], -1, GC_CMP_NOCASE) != 0;
                wrong += GCStrcmp(l, upper[c], -1, lower[c], -1, GC_CMP_EXACT) >= 0;
            }
    };
    std::thread other(work, 1);
    work(0);
    other.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_TRUE(seen[0][0] == seen[1][0] && seen[0][1] == seen[1][1] && seen[0][0] != seen[0][1]);
}

constexpr uint32_t D = GC_TYPE_DEFINED, U = GC_TYPE_UPPER, L = GC_TYPE_LOWER, A = GC_TYPE_ALPHA,
                   N = GC_TYPE_DIGIT, S = GC_TYPE_SPACE, B = GC_TYPE_BLANK, P = GC_TYPE_PUNCT,
                   C = GC_TYPE_CONTROL;

// One character each: byte length, basic-plane value, type. Invalid is one byte.
TEST(Characters, LengthValueAndType)
{
    const struct {
        const char *codePage, *bytes;
        uint32_t length;
        uint16_t wide;
        uint32_t type;
    } chars[] = {
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
    for (const auto &c : chars) {
        const GCLocale l = localeOf(c.codePage);
        SCOPED_TRACE(std::string(c.codePage) + " " + c.bytes);
        EXPECT_EQ(GCByteLength(l, c.bytes, 0), c.length);
        EXPECT_EQ(GCNextChar(l, c.bytes, 0), c.bytes + c.length);
        EXPECT_EQ(GCGetChar(l, c.bytes, 0, GC_CLASSIFY), c.wide);
        EXPECT_EQ(GCGetCharType(l, c.bytes, GC_CLASSIFY), c.type);
    }
    EXPECT_EQ(GCGetCharTypeW(0, 0x3000), D | S | B);
    EXPECT_EQ(GCGetCharTypeW(0, 0), D | C);
    EXPECT_EQ(GCNextChar(0, nullptr, 0), nullptr);
    EXPECT_EQ(GCGetCharType(0, nullptr, 0) + GCByteLength(0, nullptr, 0), 0u);
    EXPECT_EQ(GCGetChar(0, nullptr, 0, 0), 0u);
}

// Counting and searching stop at the length or a zero byte and see whole
// characters only: a character cut by the length is lone bytes.
TEST(Characters, CountAndSearch)
{
    const struct {
        const char *codePage, *text;
        int32_t length;
        uint32_t count;
        const char *key;
        int found; // offset, or -1
    } cases[] = {
        {"UTF-8", nullptr, -1, 0, "a", -1},
        {"UTF-8", "abc", -1, 3, "", -1},
        {"UTF-8", "abc", 2, 2, "c", -1},
        {"UTF-8", "abc", 0, 0, "a", -1},
        {"UTF-8", "ab\0cd", 5, 2, "c", -1},
        {"UTF-8", "a\xE2\x82\xAC\xF0\x9F\x98\x80", -1, 3, "\xF0\x9F\x98\x80", 4},
        {"UTF-8", "\xE2\x82" "A", -1, 3, "A", 2},
        {"UTF-8", "a\xE2\x82\xAC" "b", 2, 2, "\xE2", 1},
        {"UTF-8", "\xC3\xA8\xC3\xA9\xC3", -1, 3, "\xC3\xA9", 2},
        {"UTF-8", "\xC3\xA8\xC3\xA9\xC3", -1, 3, "\xC3", 4},
        {"windows-1252", "caf\xE9", -1, 4, "\xE9", 3},
        {"Shift_JIS", "\x83\x5C\\", -1, 2, "\\", 2},
        {"Shift_JIS", "\x81\x40@", -1, 2, "@", 2},
        {"Shift_JIS", "\x89\x83\x5C", -1, 2, "\x83\x5C", -1}, // a kanji, then '\'
        {"Shift_JIS", "a\x83\x5C", -1, 2, "\x83\x5Cxyz", 1},
        {"Shift_JIS", "a\x83\x5C", 2, 2, "\x83", 1},
        {"Shift_JIS", "a\x83\x5C\xB1\x95\x5C\\", -1, 5, "\\", 6},
    };
    for (const auto &c : cases) {
        const GCLocale l = localeOf(c.codePage);
        SCOPED_TRACE(std::string(c.codePage) + " " + (c.text ? c.text : "(null)") + " " + c.key);
        EXPECT_EQ(GCNumChars(l, c.text, c.length, 0), c.count);
        EXPECT_EQ(GCStrchr(l, c.text, c.length, c.key, 0), c.found < 0 ? nullptr : c.text + c.found);
    }
}

// A text given as its characters, so the test knows the boundaries itself.
struct Sample {
    const char *codePage;
    std::vector<std::string> chars;
    size_t wholeWithin(size_t limit) const // longest run of whole leading characters
    {
        size_t used = 0;
        for (size_t i = 0; i < chars.size() && used + chars[i].size() <= limit; ++i)
            used += chars[i].size();
        return used;
    }
};

// For every size: truncating, appending to "x" and copying all keep whole
// characters and write nothing past the size.
TEST(Cutting, KeepsWholeCharactersAtEverySize)
{
    const Sample samples[] = {
        {"UTF-8", {"a", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "b", "\xFF", "c"}},
        {"windows-1252", {"a", "\xE9", "b", "\x80", "c"}},
        {"Shift_JIS", {"a", "\x83\x5C", "\xB1", "\x95\x5C", "\\", "\x81\x40", "b"}}};
    constexpr char kUntouched = 0x7F;
    for (const Sample &sample : samples) {
        const GCLocale l = localeOf(sample.codePage);
        const std::string text = std::accumulate(sample.chars.begin(), sample.chars.end(), std::string());
        for (int32_t size = 1; size <= static_cast<int32_t>(text.size()) + 2; ++size) {
            SCOPED_TRACE(std::string(sample.codePage) + " " + std::to_string(size));
            const size_t n = static_cast<size_t>(size);
            std::string buffer = text + '\0' + std::string(8, kUntouched), expected = buffer;
            const size_t kept = sample.wholeWithin(n - 1);
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
            EXPECT_EQ(GCStrcpy(l, copy.data(), size, text.c_str(), -1, 0), static_cast<int32_t>(copied));
            EXPECT_EQ(copy, text.substr(0, copied) + std::string(copy.size() - copied, kUntouched));
        }
    }
}

TEST(Cutting, ByteCountsAndUnusableArguments)
{
    char buffer[8] = "-------";
    EXPECT_EQ(GCStrcpy(0, buffer, 8, "abcdef", 3, 0), 3);
    EXPECT_STREQ(buffer, "abc----");
    EXPECT_EQ(GCStrcpy(0, buffer, 8, "a\xE2\x82\xAC", 2, 0), 2) << "count is bytes, as given";
    EXPECT_EQ(GCStrcpy(0, nullptr, 8, "abc", -1, 0) + GCStrcpy(0, buffer, 0, "abc", -1, 0), 0);
    EXPECT_EQ(GCTruncateString(0, buffer, 0, 0) + GCStrcat(0, buffer, "x", 0, 0), 0);
    EXPECT_EQ(GCStrcat(0, buffer, nullptr, 8, 0), 7);
    char unterminated[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
    EXPECT_EQ(GCStrcat(0, unterminated, "x", 4, 0), 3) << "cut to its buffer, then full";
    EXPECT_STREQ(unterminated, "abc");
}

// Loaded as a host loads it, the library exports the interface, not the hook.
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

// Both ways round, both modes: undecodable bytes differ and sort after
// U+10FFFF; a Shift_JIS trail 0x5C is not '\'; EBCDIC takes no ASCII shortcut;
// a length or a zero byte ends a text.
TEST(Strcmp, Examples)
{
    const struct {
        const char *codePage, *a;
        int32_t aLength;
        const char *b;
        int exact, noCase; // expected signs
    } examples[] = {
        {"UTF-8", "\xFF", -1, "\xFE", 1, 1},
        {"UTF-8", "\xC3", -1, "\xF4\x8F\xBF\xBF", 1, 1},
        {"UTF-8", "a\xFF", -1, "A\xFF", 1, 0},
        {"UTF-8", "\xED\xA0\x80", -1, "\xEF\xBF\xBD", 1, 1}, // encoded surrogate
        {"UTF-8", "abcdef", 3, "ABC", 1, 0},
        {"UTF-8", "ab\0cd", 5, "ab", 0, 0},
        {"UTF-8", "\xC3\xA9", 1, "\xC3\xA9", 1, 1},
        {"UTF-8", nullptr, -1, "", 0, 0},
        {"Shift_JIS", "\x83\x5C", -1, "\\", 1, 1},
        {"Shift_JIS", "\x83\x5C", -1, "\x83", -1, -1}, // a lone lead is undecodable
        {"ibm-037", "\x41", -1, "\x61", 1, 1},  // no-break space, '/'
        {"ibm-037", "\xC1", -1, "\x81", -1, 0}, // 'A', 'a'
        {"ibm-037", "\x7B", -1, "\x4B", -1, -1},
    };
    for (const auto &e : examples) {
        const GCLocale l = localeOf(e.codePage);
        SCOPED_TRACE(std::string(e.codePage) + " '" + (e.a ? e.a : "(null)") + "' '" + e.b + "'");
        for (uint32_t flags : {GC_CMP_EXACT, GC_CMP_NOCASE}) {
            const int expected = flags == GC_CMP_EXACT ? e.exact : e.noCase;
            EXPECT_EQ(sign(GCStrcmp(l, e.a, e.aLength, e.b, -1, flags)), expected);
            EXPECT_EQ(sign(GCStrcmp(l, e.b, -1, e.a, e.aLength, flags)), -expected);
        }
    }
}

// Units past the text's end are 0 and exact; a text that is no ASCII superset
// knows nothing. The corpus shows that the keys order as GCStrcmp does.
TEST(SortKeyPrefix, PacksFoldedAsciiUnitsBigEndian)
{
    uint64_t key[2] = {1, 1};
    uint32_t known = 99;
    GCSortKeyPrefix(0, "AbCdEfGhIj\0zzzzzzzz", GC_CMP_NOCASE, key, &known);
    EXPECT_EQ(key[0], 0x6162636465666768u);
    EXPECT_EQ(key[1], 0x696A000000000000u);
    EXPECT_EQ(known, 16u);
    GCSortKeyPrefix(localeOf("ibm-037"), "\xC1", GC_CMP_EXACT, key, &known);
    EXPECT_EQ(key[0] | key[1] | known, 0u);
}

// Picked for their case behaviour: Latin and 1252 pairs, sigmas, Cyrillic, CJK,
// full- and half-width forms, foldings that cross scripts or change length.
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
    ucnv_setFromUCallBack(converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFallback(converter, false); // round trips only
    char bytes[256];
    const int32_t n = ucnv_fromUChars(converter, bytes, sizeof bytes, text.data(), int32_t(text.size()), &status);
    ucnv_close(converter);
    return U_SUCCESS(status) ? std::optional(std::string(bytes, size_t(n))) : std::nullopt;
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

// Random strings of the pieces a code page holds, their cased forms and
// prefixes, and byte soup (leads, trails, unmapped bytes) that may not decode.
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
        for (const std::u16string &t : {text, icuCase(text, 1), icuCase(text, 2), text.substr(0, text.size() / 2)})
            add(t);
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

class Corpus : public testing::TestWithParam<const char *> {};

// The corpus sorted, both modes, every pair: it compares as its runs of equal
// neighbours do (a total order); the ASCII fast path agrees with the full
// path, with or without lengths; ICU's code-point order of the texts or their
// foldings is the reference; sort-key prefixes decide as the comparison does.
TEST_P(Corpus, IsATotalOrderFollowingIcuCodePointOrderOnEveryPath)
{
    const GCLocale l = localeOf(GetParam());
    const std::vector<Name> corpus = makeCorpus(GetParam());
    ASSERT_GT(corpus.size(), 500u);
    for (uint32_t flags : {GC_CMP_EXACT, GC_CMP_NOCASE}) {
        const auto cmp = [&](const Name &a, const Name &b) {
            return GCStrcmp(l, a.bytes.c_str(), -1, b.bytes.c_str(), -1, flags);
        };
        std::vector<Name> names = corpus;
        std::stable_sort(names.begin(), names.end(),
                         [&](const Name &a, const Name &b) { return cmp(a, b) < 0; });
        std::vector<std::array<uint64_t, 2>> keys(names.size());
        std::vector<uint32_t> known(names.size());
        std::vector<int> run(names.size(), 0);
        for (size_t i = 0; i < names.size(); ++i) {
            GCSortKeyPrefix(l, names[i].bytes.c_str(), flags, keys[i].data(), &known[i]);
            ASSERT_LE(known[i], 16u);
            if (i > 0)
                run[i] = run[i - 1] + (cmp(names[i - 1], names[i]) != 0);
        }
        ASSERT_LT(static_cast<size_t>(run.back()) + 1, names.size()) << "some names are equal";
        size_t decided = 0;
        for (size_t i = 0; i < names.size(); ++i)
            for (size_t j = 0; j < names.size(); ++j) {
                const Name &a = names[i], &b = names[j];
                const int order = cmp(a, b);
                const auto pair = [&] {
                    return std::to_string(flags) + " '" + a.bytes + "' '" + b.bytes + "'";
                };
                ASSERT_EQ(sign(order), sign(run[i] - run[j])) << "not total " << pair();
                ASSERT_EQ(sign(order), sign(gcStrcmpFullForTest(l, a.bytes.c_str(), -1,
                                                                b.bytes.c_str(), -1, flags)))
                    << pair();
                ASSERT_EQ(order, GCStrcmp(l, a.bytes.data(), int32_t(a.bytes.size()),
                                          b.bytes.data(), int32_t(b.bytes.size()), flags))
                    << "explicit lengths " << pair();
                const bool exact = flags == GC_CMP_EXACT;
                if (a.decodable && b.decodable) {
                    ASSERT_EQ(sign(order), sign(u_strCompare(
                                               exact ? a.text.data() : a.folded.data(), -1,
                                               exact ? b.text.data() : b.folded.data(), -1, true)))
                        << pair();
                }
                // The unit where the keys first differ decides if both know it.
                uint32_t unit = 16;
                for (uint32_t word = 0; word < 2 && unit == 16; ++word)
                    if (const uint64_t differ = keys[i][word] ^ keys[j][word])
                        unit = word * 8 + static_cast<uint32_t>(__builtin_clzll(differ)) / 8;
                if (unit >= 16 || unit >= known[i] || unit >= known[j])
                    continue;
                ++decided;
                const bool before = keys[i][unit / 8] < keys[j][unit / 8];
                ASSERT_EQ(before ? -1 : 1, sign(order)) << "sort keys " << pair();
            }
        // ICU's Shift_JIS is no ASCII superset, so its keys never decide.
        EXPECT_EQ(decided > 0, std::string(GetParam()) != "Shift_JIS");
    }
}

INSTANTIATE_TEST_SUITE_P(CodePages, Corpus, testing::Values("UTF-8", "windows-1252", "Shift_JIS"),
                         [](const auto &info) { return std::to_string(info.index); });

} // namespace
