// GCStrcmp's order: worked examples per code page, then properties over a
// fixed-seed corpus: the ASCII fast path agrees with the full path, the order
// is ICU's folded code-point order, and it is total.
#include "charset_internal.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

GCLocale localeOf(const char *codePage)
{
    GCLocale locale = 0;
    EXPECT_EQ(GCRegisterLocale(codePage, &locale), GC_OK) << codePage;
    return locale;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

struct Example {
    const char *codePage, *a, *b;
    int exact, noCase; // expected signs
};

const Example kExamples[] = {
    {"UTF-8", "a", "B", 1, -1},
    {"UTF-8", "Sales", "sALES", -1, 0},
    {"UTF-8", "", "a", -1, -1},
    {"UTF-8", "stra\xC3\x9F" "e", "STRASSE", 1, 0}, // ß folds to "ss"...
    {"UTF-8", "\xC3\x9F", "st", 1, -1},             // ...so sorts before "st"
    {"UTF-8", "\xC3\x9F", "s", 1, 1},
    {"UTF-8", "\xE2\x84\xAA", "k", 1, 0},                     // Kelvin sign
    {"UTF-8", "\xC5\xBF", "S", 1, 0},                         // long s
    {"UTF-8", "\xCF\x82", "\xCE\xA3", 1, 0},                  // final sigma, Sigma
    {"UTF-8", "\xF0\x90\x90\x80", "\xF0\x90\x90\xA8", -1, 0}, // Deseret pair
    // Undecodable bytes differ from each other and sort after U+10FFFF.
    {"UTF-8", "\xFF", "\xFE", 1, 1},
    {"UTF-8", "\xC3", "\xF4\x8F\xBF\xBF", 1, 1},
    {"UTF-8", "a\xFF", "A\xFF", 1, 0},
    {"UTF-8", "\xED\xA0\x80", "\xEF\xBF\xBD", 1, 1}, // encoded surrogate
    {"windows-1252", "caf\xE9", "CAF\xC9", 1, 0},
    {"windows-1252", "\x9C", "\x8C", 1, 0},  // oe ligature
    {"windows-1252", "\xFF", "\x9F", -1, 0}, // y diaeresis: U+00FF < U+0178
    {"Shift_JIS", "\x82\x60", "\x82\x81", -1, 0}, // full-width A a
    {"Shift_JIS", "\x83\xB0", "\x83\xD0", -1, 0}, // Sigma sigma
    {"Shift_JIS", "\x83\x5C", "\\", 1, 1},        // trail byte 0x5C is not '\'
    {"Shift_JIS", "\x83\x5C", "\x83", -1, -1},    // a lone lead is undecodable
    {"Shift_JIS", "a\x83\x5C", "A\x95\x5C", 1, -1},
    {"Shift_JIS", "\xB1", "\x83\x41", 1, 1}, // half-width is not full-width
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

constexpr uint32_t kFlags[] = {GC_CMP_EXACT, GC_CMP_NOCASE};

TEST_P(Corpus, FastPathAgreesWithFullPath)
{
    ASSERT_GT(names_.size(), 500u);
    for (uint32_t flags : kFlags)
        for (const Name &a : names_)
            for (const Name &b : names_) {
                const int fast = cmp(a, b, flags);
                ASSERT_EQ(sign(fast), sign(gcStrcmpFullForTest(locale_, a.bytes.c_str(), -1,
                                                               b.bytes.c_str(), -1, flags)))
                    << flags << " '" << a.bytes << "' '" << b.bytes << "'";
                const auto size = [](const Name &n) { return int32_t(n.bytes.size()); };
                ASSERT_EQ(fast, GCStrcmp(locale_, a.bytes.data(), size(a), b.bytes.data(), size(b),
                                         flags)) << "explicit lengths";
            }
}

// Wherever two sort-key prefixes decide, they decide as GCStrcmp does.
TEST_P(Corpus, SortKeyPrefixesAgreeWithTheComparison)
{
    struct Key {
        uint64_t key[2];
        uint32_t known;
    };
    // The unit where two keys first differ, or 16.
    const auto firstDifference = [](const Key &a, const Key &b) {
        for (uint32_t word = 0; word < 2; ++word)
            if (const uint64_t differ = a.key[word] ^ b.key[word])
                return word * 8 + static_cast<uint32_t>(__builtin_clzll(differ)) / 8;
        return 16u;
    };
    for (uint32_t flags : kFlags) {
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
                const uint32_t unit = firstDifference(keys[i], keys[j]);
                if (unit >= 16 || unit >= keys[i].known || unit >= keys[j].known)
                    continue;
                ++decided;
                const bool before = unit < 8 ? keys[i].key[0] < keys[j].key[0]
                                             : keys[i].key[1] < keys[j].key[1];
                ASSERT_EQ(before ? -1 : 1, sign(cmp(names_[i], names_[j], flags)))
                    << flags << " '" << names_[i].bytes << "' '" << names_[j].bytes << "'";
            }
        // ICU's Shift_JIS reads some bytes below 0x80 as other characters
        // than ASCII's, so its keys are left undecided throughout.
        if (std::string(GetParam()) != "Shift_JIS") {
            EXPECT_GT(decided, 0u);
        }
    }
}

int codePointOrder(const std::u16string &a, const std::u16string &b)
{
    return sign(u_strCompare(a.data(), static_cast<int32_t>(a.size()), b.data(),
                             static_cast<int32_t>(b.size()), true));
}

// ICU's code-point order of the texts, and of their whole-text foldings, is
// the reference; so case-blind equality is exactly fold(a) == fold(b).
TEST_P(Corpus, MatchesIcuCodePointOrder)
{
    for (const Name &a : names_)
        for (const Name &b : names_)
            if (a.decodable && b.decodable) {
                ASSERT_EQ(sign(cmp(a, b, GC_CMP_EXACT)), codePointOrder(a.text, b.text));
                ASSERT_EQ(sign(cmp(a, b, GC_CMP_NOCASE)), codePointOrder(a.folded, b.folded))
                    << a.bytes << " / " << b.bytes;
            }
}

// Sorts the corpus, numbers its runs of equal neighbours, and checks every
// pair both ways against those numbers: the comparison is then antisymmetric
// and a total preorder on the corpus, transitive over all of its triples.
TEST_P(Corpus, OrderIsTotal)
{
    for (uint32_t flags : kFlags) {
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
                         [](const auto &info) {
                             std::string name = info.param;
                             name.erase(std::remove_if(name.begin(), name.end(),
                                                       [](char c) { return !isalnum(c); }),
                                        name.end());
                             return name;
                         });

} // namespace
