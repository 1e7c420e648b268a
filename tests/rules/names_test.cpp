// Name rules: the validator in three code pages, blank trimming, and the
// parse of alias-combination member lists with its lookups.
#include "edit/rules.h"
#include "rules/rules_support.h"

#include <string>

using rulestest::OutlineTest;

namespace {

class NameRules : public test::HostTest {
protected:
    bool valid(const std::string &name) { return otlValidateName(name.c_str(), host.ctx()); }
    void useLocale(const char *codePage) { host.mutableCtx()->localeHandle = rulestest::localeOf(codePage); }
};

std::string repeat(const std::string &piece, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i)
        s += piece;
    return s;
}

} // namespace

TEST_F(NameRules, PlainNamesAndTheirBlanks)
{
    EXPECT_TRUE(valid("Sales"));
    EXPECT_TRUE(valid("New York"));
    EXPECT_FALSE(valid(" Sales"));
    EXPECT_FALSE(valid("Sales "));
    EXPECT_FALSE(valid("\tSales"));
    EXPECT_FALSE(valid("Sales\t"));
    EXPECT_FALSE(valid(""));
    EXPECT_FALSE(valid(" "));
    EXPECT_FALSE(otlValidateName(nullptr, host.ctx()));
}

TEST_F(NameRules, LengthIsCountedInCharacters)
{
    EXPECT_TRUE(valid(repeat("a", 80)));
    EXPECT_FALSE(valid(repeat("a", 81)));
    // 80 two-byte characters are 160 bytes and still a valid name.
    EXPECT_TRUE(valid(repeat("\xC3\xA9", 80)));
    EXPECT_FALSE(valid(repeat("\xC3\xA9", 81)));
    // A count that only fits 16 bits after wrapping is still far too long.
    EXPECT_FALSE(valid(repeat("a", 65536 + 5)));
}

TEST_F(NameRules, DoubleQuoteAnywhereIsRefused)
{
    EXPECT_FALSE(valid("\"Sales"));
    EXPECT_FALSE(valid("Sa\"les"));
    EXPECT_FALSE(valid("Sales\""));
    EXPECT_TRUE(valid("Sales's"));
}

TEST_F(NameRules, SpecialCharactersOnlyRefusedFirst)
{
    const std::string set = "@=_+-{}().|\\',<";
    ASSERT_EQ(set.size(), 15u);
    for (char c : set) {
        EXPECT_FALSE(valid(std::string(1, c) + "Sales")) << c;
        EXPECT_TRUE(valid("Sa" + std::string(1, c) + "les")) << c;
        EXPECT_TRUE(valid("Sales" + std::string(1, c))) << c;
    }
    for (char c : std::string("#$%&*!?>/;:[]~^`"))
        EXPECT_TRUE(valid(std::string(1, c) + "Sales")) << c;
}

TEST_F(NameRules, ReservedNamesInAnyCase)
{
    for (const char *name : {"$$$UNIVERSE$$$", "$$$universe$$$", "$$$UniVerse$$$", "#Missing",
                             "#MISSING", "#missing", "#mIsSiNg"})
        EXPECT_FALSE(valid(name)) << name;
    EXPECT_TRUE(valid("#Missings"));
    EXPECT_TRUE(valid("$$$UNIVERSE$$"));
}

TEST_F(NameRules, Utf8BlanksAreMultibyteAtTheEnd)
{
    EXPECT_TRUE(valid("Caf\xC3\xA9"));
    // No-break space and ideographic space are blanks of more than one byte:
    // refused in front, accepted at the end.
    EXPECT_FALSE(valid("\xC2\xA0Sales"));
    EXPECT_TRUE(valid("Sales\xC2\xA0"));
    EXPECT_FALSE(valid("\xE3\x80\x80Sales"));
    EXPECT_TRUE(valid("Sales\xE3\x80\x80"));
    EXPECT_FALSE(valid("\xC3\xA9\"x"));
}

TEST_F(NameRules, Windows1252SingleByteBlankAndLetters)
{
    useLocale("windows-1252");
    EXPECT_TRUE(valid("Caf\xE9"));
    EXPECT_TRUE(valid("\xC9t\xE9"));
    // The no-break space is one byte here, so it counts as a trailing blank.
    EXPECT_FALSE(valid("Sales\xA0"));
    EXPECT_FALSE(valid("\xA0Sales"));
    EXPECT_TRUE(valid(repeat("\xE9", 80)));
    EXPECT_FALSE(valid(repeat("\xE9", 81)));
}

TEST_F(NameRules, ShiftJisDoubleByteCharacters)
{
    useLocale("Shift_JIS");
    const std::string a = "\x83\x41";     // katakana A
    const std::string so = "\x83\x5C";    // katakana SO: trail byte is a backslash
    const std::string blank = "\x81\x40"; // ideographic space
    EXPECT_TRUE(valid(a + "Sales"));
    EXPECT_TRUE(valid(so + a));
    EXPECT_TRUE(valid("Sales" + blank));
    EXPECT_FALSE(valid(blank + "Sales"));
    EXPECT_FALSE(valid(a + " "));
    EXPECT_TRUE(valid(repeat(a, 80)));
    EXPECT_FALSE(valid(repeat(a, 81)));
}

TEST_F(NameRules, TrimBlanksAtBothEnds)
{
    char text[] = "  \t New York \t ";
    EXPECT_EQ(otlTrimBlanks(host.ctx(), text), OTL_OK);
    EXPECT_STREQ(text, "New York");
    char blanks[] = "   ";
    EXPECT_EQ(otlTrimBlanks(host.ctx(), blanks), OTL_OK);
    EXPECT_STREQ(blanks, "");
    char plain[] = "Sales";
    EXPECT_EQ(otlTrimBlanks(host.ctx(), plain), OTL_OK);
    EXPECT_STREQ(plain, "Sales");
}

TEST_F(NameRules, TrimEmptyAllocatesNothing)
{
    char empty[] = "";
    host.failAt(1);
    EXPECT_EQ(otlTrimBlanks(host.ctx(), empty), OTL_OK);
    EXPECT_FALSE(host.injected());
    EXPECT_EQ(host.allocations(), 0u);
}

TEST_F(NameRules, TrimShiftJisIdeographicBlanks)
{
    useLocale("Shift_JIS");
    char text[] = "\x81\x40 \x83\x41 \x83\x41\x81\x40";
    EXPECT_EQ(otlTrimBlanks(host.ctx(), text), OTL_OK);
    EXPECT_STREQ(text, "\x83\x41 \x83\x41");
}

TEST_F(NameRules, TrimSweptWithFailureInjection)
{
    for (uint8_t mode : {0, 1}) {
        test::TestHost local(mode, mode, mode);
        char text[] = "  Sales  ";
        const uint64_t points = test::sweepAllocations(
            local, [&] { return otlTrimBlanks(local.ctx(), text); },
            [&](uint64_t) {
                EXPECT_STREQ(text, "  Sales  ");
                EXPECT_EQ(local.liveBlocks(), 0u);
            });
        EXPECT_EQ(points, 1u);
        EXPECT_STREQ(text, "Sales");
        EXPECT_EQ(local.liveBlocks(), 0u);
        EXPECT_TRUE(local.errors().empty());
    }
}

class MemberLists : public OutlineTest {
protected:
    void SetUp() override
    {
        OutlineTest::SetUp();
        OtlItem *d = dim("Market");
        add(d, "Alpha");
        add(d, "Beta");
        add(d, "Gamma, Inc");
        add(d, "Up-Down");
        add(d, repeat("B", 80).c_str());
        OtlItem *e = add(d, "East");
        setAlias(e, 0, "Orient", true);
    }
    uint32_t check(const std::string &list)
    {
        return otlCheckAliasCombo(host.ctx(), outline, outline->root, list.c_str());
    }
};

TEST_F(MemberLists, ArrowsAndCommasSeparateNames)
{
    EXPECT_EQ(check("Alpha->Beta"), 0u);
    EXPECT_EQ(check("Alpha,Beta"), 0u);
    EXPECT_EQ(check("Alpha->Nobody"), 1u);
    EXPECT_EQ(check("Nobody,Alpha"), 1u);
    EXPECT_EQ(check("Orient->Alpha"), 0u); // aliases count
    EXPECT_EQ(check("alpha->BETA"), 0u);   // the outline ignores case
}

TEST_F(MemberLists, QuotesKeepCommasAndArePassedOver)
{
    EXPECT_EQ(check("\"Gamma, Inc\"->Alpha"), 0u);
    EXPECT_EQ(check("Gamma, Inc"), 1u);
    EXPECT_EQ(check("\"Alpha\""), 0u);
    EXPECT_EQ(check("\"Up->Down\""), 1u); // the arrow inside quotes is text
}

TEST_F(MemberLists, LoneDashIsText)
{
    EXPECT_EQ(check("Up-Down->Alpha"), 0u);
    EXPECT_EQ(check("Up-Down"), 0u);
    EXPECT_EQ(check("Alpha-"), 1u);
}

TEST_F(MemberLists, EmptySegmentsAndBlanksAreSkipped)
{
    EXPECT_EQ(check("Alpha,,Beta,"), 0u);
    EXPECT_EQ(check(" Alpha ,  Beta  -> Orient "), 0u);
    EXPECT_EQ(check(""), 0u);
    EXPECT_EQ(check(",  ,->"), 0u);
}

TEST_F(MemberLists, NameBufferHoldsOneHundredBytes)
{
    const std::string longName = repeat("B", 80);
    // Bytes past the hundredth are dropped: the Z never reaches the name.
    EXPECT_EQ(check(longName + repeat(" ", 20) + "Z"), 0u);
    EXPECT_EQ(check(longName + repeat(" ", 19) + "Z"), 1u);
    // A two-byte character that does not fit whole is dropped whole.
    EXPECT_EQ(check(longName + repeat(" ", 19) + "\xC3\xA9"), 0u);
    EXPECT_EQ(check(longName + repeat(" ", 18) + "\xC3\xA9"), 1u);
    // The separator after the dropped bytes still ends the name.
    EXPECT_EQ(check(longName + repeat(" ", 40) + "->Alpha"), 0u);
}

TEST_F(MemberLists, ShiftJisNamesAreCopiedWhole)
{
    useLocale("Shift_JIS");
    const std::string so = "\x83\x5C\x83\x41";
    add(outline->root->firstChild, so.c_str());
    EXPECT_EQ(check(so + "->Alpha"), 0u);
    EXPECT_EQ(check("\"" + so + "\",Beta"), 0u);
    EXPECT_EQ(check("\x81\x40" + so + "\x81\x40,Beta"), 0u);
}

TEST_F(MemberLists, FailedTrimLooksUpTheUntrimmedName)
{
    const std::string before = test::dumpOutline(outline);
    // The first name needs its blank trimmed; the second has none to lose.
    for (uint64_t n = 1;; ++n) {
        host.failAt(n);
        const uint32_t result = check(" Alpha,Beta");
        const bool hit = host.injected();
        host.disarm();
        EXPECT_EQ(test::dumpOutline(outline), before);
        if (!hit) {
            EXPECT_EQ(result, 0u);
            EXPECT_EQ(n, 3u);
            break;
        }
        EXPECT_EQ(result, n == 1 ? 1u : 0u) << "allocation " << n;
    }
}
