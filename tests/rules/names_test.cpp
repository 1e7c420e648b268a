// Name rules: the validator in three code pages, blank trimming, and the
// parse of alias-combination member lists with its lookups.
#include "edit/rules.h"
#include "support/outline.h"

#include <string>
#include <vector>

namespace {

std::string repeat(const std::string &piece, int times)
{
    std::string s;
    while (times-- > 0)
        s += piece;
    return s;
}

using NameRules = test::HostTest;

} // namespace

TEST_F(NameRules, Validator)
{
    const std::string a = "\x83\x41", so = "\x83\x5C", blank = "\x81\x40"; // Shift_JIS
    const struct {
        const char *codePage; // null: the host's default, UTF-8
        std::vector<std::string> valid, invalid;
    } pages[] = {
        // Length is counted in characters, and a count that wraps 16 bits is
        // too long; multibyte blanks are refused in front, accepted at the end.
        {nullptr,
         {"New York", "S", repeat("a", 80), repeat("\xC3\xA9", 80), "#Missings", "$$$UNIVERSE$$", "Sales\xC2\xA0",
          "Sales\xE3\x80\x80"},
         {" Sales", "Sales ", "\tSales", "", " ", repeat("a", 81), repeat("\xC3\xA9", 81), repeat("a", 65536 + 5),
          "\"Sales", "Sa\"les", "Sales\"", "\xC3\xA9\"x", "$$$UNIVERSE$$$", "$$$universe$$$", "#Missing", "#MISSING",
          "\xC2\xA0Sales", "\xE3\x80\x80Sales"}},
        // In windows-1252 the no-break space is one byte: a trailing blank.
        {"windows-1252", {repeat("\xE9", 80)}, {"Sales\xA0", "\xA0Sales", repeat("\xE9", 81)}},
        {"Shift_JIS", {so + a, "Sales" + blank, repeat(a, 80)}, {blank + "Sales", a + " ", repeat(a, 81)}},
    };
    for (const auto &page : pages) {
        host.mutableCtx()->localeHandle = page.codePage ? test::localeOf(page.codePage) : 0;
        for (bool valid : {true, false})
            for (const std::string &name : valid ? page.valid : page.invalid)
                EXPECT_EQ(otlValidateName(name.c_str(), host.ctx()), valid)
                    << (page.codePage ? page.codePage : "UTF-8") << " '" << name << "'";
    }
    host.mutableCtx()->localeHandle = 0;
    EXPECT_FALSE(otlValidateName(nullptr, host.ctx()));
    // Special characters are refused only in front.
    const std::string refused = "@=_+-{}().|\\',<";
    for (char c : refused + "#$%&*!?>/;:[]~^`") {
        const std::string one(1, c);
        EXPECT_EQ(otlValidateName((one + "Sales").c_str(), host.ctx()), refused.find(c) == refused.npos) << c;
        EXPECT_TRUE(otlValidateName(("Sa" + one + "les" + one).c_str(), host.ctx())) << c;
    }
}

// Trims in three code pages; every failed copy leaves the text untouched
// and nothing held, in both callback forms; an empty text allocates nothing.
TEST_F(NameRules, TrimBlanksAtBothEnds)
{
    const struct {
        const char *codePage, *text, *trimmed;
    } cases[] = {{nullptr, "  \t New York \t ", "New York"}, {nullptr, "   ", ""}, {nullptr, "Sales", "Sales"},
                 {nullptr, "", ""}, {"Shift_JIS", "\x81\x40 \x83\x41 \x83\x41\x81\x40", "\x83\x41 \x83\x41"}};
    for (uint8_t form : {0, 1}) {
        test::TestHost local(form, form, form);
        for (const auto &c : cases) {
            local.mutableCtx()->localeHandle = c.codePage ? test::localeOf(c.codePage) : 0;
            std::string text = c.text;
            EXPECT_EQ(test::sweepAllocations(local, [&] { return otlTrimBlanks(local.ctx(), text.data()); },
                                             [&](uint64_t) {
                                                 EXPECT_EQ(text, c.text);
                                                 EXPECT_EQ(local.liveBlocks(), 0u);
                                             }),
                      c.text[0] ? 1u : 0u) << "'" << c.text << "'";
            EXPECT_STREQ(text.c_str(), c.trimmed);
        }
        EXPECT_EQ(local.liveBlocks(), 0u);
        EXPECT_TRUE(local.errors().empty());
    }
}

class MemberLists : public test::OutlineTest {
protected:
    void SetUp() override
    {
        OutlineTest::SetUp();
        OtlItem *d = appendDim("Market");
        for (const char *name : {"Alpha", "Beta", "Gamma, Inc", "Up-Down"})
            append(d, name);
        append(d, repeat("B", 80).c_str());
        setAlias(append(d, "East"), 0, "Orient", true);
    }
    uint32_t check(const std::string &list) { return otlCheckAliasCombo(host.ctx(), o, o->root, list.c_str()); }
};

// The count of names not found: arrows and commas separate, aliases count,
// case is ignored, quotes keep commas and arrows, a lone dash is text, empty
// segments and blanks are skipped, and the name buffer holds 100 bytes.
TEST_F(MemberLists, Parse)
{
    const std::string b80 = repeat("B", 80);
    const struct {
        std::string list;
        uint32_t missing;
    } cases[] = {
        {"Alpha->Beta", 0}, {"Alpha,Beta", 0}, {"Alpha->Nobody", 1}, {"Nobody,Alpha", 1}, {"Orient->Alpha", 0},
        {"alpha->BETA", 0}, {"\"Gamma, Inc\"->Alpha", 0}, {"Gamma, Inc", 1}, {"\"Alpha\"", 0}, {"\"Up->Down\"", 1},
        {"Up-Down->Alpha", 0}, {"Up-Down", 0}, {"Alpha-", 1}, {"Alpha,,Beta,", 0},
        {" Alpha ,  Beta  -> Orient ", 0}, {"", 0}, {",  ,->", 0},
        // Bytes past the hundredth are dropped; a character that does not
        // fit is dropped whole; the separator after them still ends the name.
        {b80 + repeat(" ", 20) + "Z", 0}, {b80 + repeat(" ", 19) + "Z", 1},
        {b80 + repeat(" ", 19) + "\xC3\xA9", 0}, {b80 + repeat(" ", 18) + "\xC3\xA9", 1},
        {b80 + repeat(" ", 40) + "->Alpha", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(check(c.list), c.missing) << "'" << c.list << "'";
    EXPECT_EQ(otlCheckAliasCombo(host.ctx(), o, o->root, nullptr), 0u);
    // Shift_JIS names are copied whole.
    useLocale("Shift_JIS");
    const std::string so = "\x83\x5C\x83\x41";
    append(o->root->firstChild, so.c_str());
    for (const std::string &list : {so + "->Alpha", "\"" + so + "\",Beta", "\x81\x40" + so + "\x81\x40,Beta"})
        EXPECT_EQ(check(list), 0u) << list;
}
