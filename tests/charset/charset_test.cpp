// The locale registry, walking and classifying characters, whole-character
// search, and the copies that must neither overrun nor split a character;
// in UTF-8, windows-1252 and Shift_JIS.
#include "gcharset.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
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
    EXPECT_GT(sjis, 0u);
    EXPECT_LT(sjis, 32u);
    EXPECT_EQ(localeOf("SJIS"), sjis) << "an alias of the same converter";
    EXPECT_NE(localeOf("windows-1252"), sjis);
    EXPECT_EQ(localeOf("utf8"), 0u);
    GCLocale locale = 7;
    EXPECT_EQ(GCRegisterLocale(nullptr, &locale), GC_ERR_ARGUMENT);
    EXPECT_EQ(GCRegisterLocale("Shift_JIS", nullptr), GC_ERR_ARGUMENT);
    for (const char *name :
         {"no-such-code-page", "", "EUC-JP", "GB18030", "ISO-2022-JP", "UTF-16"})
        EXPECT_EQ(GCRegisterLocale(name, &locale), GC_ERR_UNKNOWN_CODEPAGE) << name;
    EXPECT_EQ(locale, 7u) << "a refusal leaves the handle alone";
    // Handles never handed out read as UTF-8.
    EXPECT_EQ(GCStrcmp(999, "\xC3\xA9", -1, "\xC3\x89", -1, GC_CMP_NOCASE), 0);
    EXPECT_EQ(GCByteLength(999, "\xC3\xA9", 0), 2u);
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
    struct Case {
        const char *codePage, *upper, *lower;
    };
    const std::vector<Case> cases = {{"windows-1252", "\xC9T\xC9", "\xE9t\xE9"},
                                     {"Shift_JIS", "\x82\x60\x83\xB0", "\x82\x81\x83\xD0"}};
    std::vector<GCLocale> seen[2];
    std::atomic<int> wrong{0};
    auto work = [&](size_t id) {
        seen[id].assign(cases.size(), 0);
        for (int round = 0; round < 300; ++round)
            for (size_t k = 0; k < cases.size(); ++k) {
                const Case &c = cases[id == 0 ? k : cases.size() - 1 - k];
                GCLocale l = 0;
                wrong += GCRegisterLocale(c.codePage, &l) != GC_OK;
                seen[id][static_cast<size_t>(&c - cases.data())] = l;
                wrong += GCStrcmp(l, c.upper, -1, c.lower, -1, GC_CMP_NOCASE) != 0;
                wrong += GCStrcmp(l, c.upper, -1, c.lower, -1, GC_CMP_EXACT) >= 0;
            }
    };
    std::thread other(work, 1);
    work(0);
    other.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_NE(seen[0][0], seen[0][1]);
}

struct CharCase {
    const char *codePage, *bytes;
    uint32_t length;
    uint16_t wide;
    uint32_t type;
};

constexpr uint32_t D = GC_TYPE_DEFINED, U = GC_TYPE_UPPER, L = GC_TYPE_LOWER, A = GC_TYPE_ALPHA,
                   N = GC_TYPE_DIGIT, S = GC_TYPE_SPACE, B = GC_TYPE_BLANK, P = GC_TYPE_PUNCT,
                   C = GC_TYPE_CONTROL;

const CharCase kChars[] = {
    {"UTF-8", "A", 1, 'A', D | U | A},
    {"UTF-8", "\t", 1, '\t', D | S | B | C},
    {"UTF-8", "\n", 1, '\n', D | S | C},
    {"UTF-8", "_", 1, '_', D | P},
    {"UTF-8", "\xC2\xA0", 2, 0xA0, D | S | B},           // no-break space
    {"UTF-8", "\xE3\x80\x80", 3, 0x3000, D | S | B},     // ideographic space
    {"UTF-8", "\xEF\xBC\x90", 3, 0xFF10, D | N},         // full-width 0
    {"UTF-8", "\xD9\xA4", 2, 0x664, D | N},              // Arabic-Indic 4
    {"UTF-8", "\xF0\x9F\x98\x80", 4, 0xFFFD, D | P},     // outside the basic plane
    {"UTF-8", "\xCD\xB8", 2, 0x378, 0},                  // unassigned
    {"UTF-8", "\x80", 1, 0xFFFD, 0},                     // invalid sequences: one byte
    {"UTF-8", "\xE2\x82" "A", 1, 0xFFFD, 0},
    {"UTF-8", "\xC0\x80", 1, 0xFFFD, 0},
    {"UTF-8", "\xED\xA0\x80", 1, 0xFFFD, 0},
    {"UTF-8", "", 0, 0, 0},
    {"windows-1252", "\xE9", 1, 0xE9, D | L | A},
    {"windows-1252", "\xC9", 1, 0xC9, D | U | A},
    {"windows-1252", "\x80", 1, 0x20AC, D | P},
    {"Shift_JIS", "\x83\x5C", 2, 0x30BD, D | A},         // trail byte '\'
    {"Shift_JIS", "\x81\x40", 2, 0x3000, D | S | B},     // full-width blank, trail '@'
    {"Shift_JIS", "\x82\x4F", 2, 0xFF10, D | N},         // full-width 0
    {"Shift_JIS", "\x82\x60", 2, 0xFF21, D | U | A},
    {"Shift_JIS", "\xB1", 1, 0xFF71, D | A},             // half-width katakana
    {"Shift_JIS", "\xA1", 1, 0xFF61, D | P},
    {"Shift_JIS", "\\", 1, '\\', D | P},
    {"Shift_JIS", "\x81", 1, 0xFFFD, 0},                 // lead before the terminator
    {"Shift_JIS", "\x81\x20", 1, 0xFFFD, 0},             // lead before a non-trail
    {"Shift_JIS", "\x85\x40", 2, 0xFFFD, 0},             // well-formed, unassigned
    {"Shift_JIS", "\x80", 1, 0xFFFD, 0},
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
    EXPECT_EQ(GCGetCharType(0, nullptr, 0), 0u);
}

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

} // namespace
