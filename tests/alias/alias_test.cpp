// Alias refusals the model test does not reach: missing arguments, field
// masks, field-access mode, and which refusal comes first. None changes the
// dump or writes an out-parameter it does not clear.
#include "alias/combo.h"
#include "names/uda.h"
#include "support/outline.h"

#include <functional>

class Alias : public test::OutlineTest {};

TEST_F(Alias, RefusalsComeInOrderAndChangeNothing)
{
    OtlItem *d = dim("D"), *a = add("a", d), *found = sentinelItem();
    char io[OTL_NAME_SIZE] = "", *const untouched = reinterpret_cast<char *>(&sentinel), *text = untouched;
    ASSERT_EQ(adShrOtlCreateAliasTable(o, "T1"), OTL_OK);
    ASSERT_EQ(adShrOtlAddAliasCombination(o, a, "T1", "Pair", "a->D"), OTL_OK);
    const struct {
        const char *name;
        std::function<OtlStatus()> call;
        OtlStatus status;
    } rows[] = {
        {"set: an empty alias, then the table", [&] { return adShrOtlSetMemberAlias(o, a, "T2", "", 0); }, OTL_ERR_ALIAS},
        {"rename: table 0, then the new name", [&] { return adShrOtlRenameAliasTable(o, nullptr, ""); }, OTL_ERR_ALIAS_TABLE0_RENAME},
        {"copy: the source, then the new target", [&] { return adShrOtlCopyAliasTable(o, "T2", std::string(31, 'x').c_str(), 0); }, OTL_ERR_ALIAS_TABLE_NOT_FOUND},
        {"combination: no member", [&] { return adShrOtlAddAliasCombination(o, nullptr, "", "x", "a"); }, OTL_ERR_GENERIC},
        {"combination: no list", [&] { return adShrOtlAddAliasCombination(o, a, "", "x", ""); }, OTL_ERR_GENERIC},
        {"delete combination: no text", [&] { return adShrOtlDeleteAliasCombination(o, a, "T1", nullptr); }, OTL_ERR_GENERIC},
        {"get: no out-parameter", [&] { return adShrOtlGetMemberAlias(o, a, "", nullptr); }, OTL_ERR_NO_OUTPUT_ARG},
        {"next: no buffer", [&] { return adShrOtlGetNextAliasCombination(o, a, "T1", nullptr, &text) + (text != untouched); }, OTL_ERR_NO_OUTPUT_ARG},
        {"get: the field mask, then the table", [&] { return adShrOtlGetMemberAlias(o, a, "T2", &text) + !!text; }, OTL_ERR_FIELD_MASK},
        {"next: the field mask", [&] { return text = io, adShrOtlGetNextAliasCombination(o, a, "T1", io, &text) + !!text; }, OTL_ERR_FIELD_MASK},
    };
    a->fieldMaskActive = 1; // with no field readable
    for (const auto &row : rows) {
        const std::string before = dump();
        EXPECT_EQ(row.call(), row.status) << row.name;
        EXPECT_EQ(test::dumpDiff(before, dump()), "") << row.name;
    }

    o->fieldAccessMode = 1;
    const std::string before = dump();
    for (OtlStatus status : {adShrOtlCreateAliasTable(o, "T2"), adShrOtlCopyAliasTable(o, "", "T2", 0), adShrOtlRenameAliasTable(o, "T1", "T2"),
                             adShrOtlClearAliasTable(o, ""), adShrOtlDeleteAliasTable(o, "T1"), adShrOtlSetMemberAlias(o, a, "", "x", 0),
                             adShrOtlDeleteMemberAlias(o, a, ""), adShrOtlFindAlias(o, "Pair", "", &found),
                             adShrOtlAddAliasCombination(o, a, "", "x", "a"), adShrOtlDeleteAliasCombination(o, a, "T1", "Pair")})
        EXPECT_EQ(status, OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(test::dumpDiff(before, dump()), "");
    EXPECT_EQ(found, nullptr) << "cleared first";
    o->fieldAccessMode = 0;

    // A merging copy gives the entry of the same alias text the source's
    // member list.
    ASSERT_EQ(adShrOtlAddAliasCombination(o, a, "", "PAIR", "D"), OTL_OK);
    ASSERT_EQ(adShrOtlCopyAliasTable(o, "T1", "", OTL_ALIAS_COPY_MERGE), OTL_OK);
    EXPECT_NE(dump().find("alias0=null combo(\"PAIR\",\"a->D\") alias1"), std::string::npos);

    // The time series aliases move down with their tables.
    ASSERT_EQ(adShrOtlCreateAliasTable(o, "T2"), OTL_OK);
    std::strcpy(o->dtsMembers[0]->dtsAliases[1], "gone");
    std::strcpy(o->dtsMembers[0]->dtsAliases[2], "H-T-D");
    ASSERT_EQ(adShrOtlDeleteAliasTable(o, "T1"), OTL_OK);
    EXPECT_STREQ(o->dtsMembers[0]->dtsAliases[1], "H-T-D");
    EXPECT_STREQ(o->dtsMembers[0]->dtsAliases[2], "");
    for (int t = 3; t <= OTL_MAX_ALIAS_TABLES + 1; ++t) // the tenth table is made, an eleventh not
        EXPECT_EQ(adShrOtlCreateAliasTable(o, ("T" + std::to_string(t)).c_str()), t <= OTL_MAX_ALIAS_TABLES ? OTL_OK : OTL_ERR_ALIAS_TABLE_LIMIT);
}

// What the writer counts and what a generated outline copies: a member's
// combinations and tags, its aliases entered under their tables.
TEST_F(Alias, CountsAndCopiesForTheWriterAndGeneratedOutlines)
{
    OtlItem *d = dim("D"), *a = add("a", d), *b = add("b", d, a);
    ASSERT_EQ(adShrOtlCreateAliasTable(o, "T1"), OTL_OK);
    ASSERT_EQ(adShrOtlSetMemberAlias(o, a, "T1", "Alpha", OTL_CHECK_ALL), OTL_OK);
    for (const char *text : {"P1", "P2"})
        ASSERT_EQ(adShrOtlAddAliasCombination(o, a, "T1", text, "a->D"), OTL_OK);
    for (const char *tag : {"x", "y", "z"})
        ASSERT_EQ(adShrOtlSetUserAttribute(o, a, tag), OTL_OK);
    ASSERT_EQ(otlCopyMemberAliases(host.ctx(), o, b, a), OTL_OK);
    ASSERT_EQ(otlCopyUserAttributes(host.ctx(), b, a), OTL_OK);
    EXPECT_EQ(otlCountAliasCombos(b, 1) * 10 + otlCountUserAttributes(b), 23u);
    EXPECT_EQ(otlCountAliasCombos(b, 0) + otlCountUserAttributes(nullptr), 0u);
    EXPECT_EQ(test::entriesOf(o, b), (std::vector<std::string>{"Alpha@2", "P1@2", "P2@2", "b"}));
}
