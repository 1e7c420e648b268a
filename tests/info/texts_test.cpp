// The extended comment, the formula and the last formula: limits, empty
// texts, the member's field mask and the outline's verified flag.
#include "info/info_support.h"
#include "support/fixture.h"

#include "core/host.h"

#include <string>

namespace {

class MemberTexts : public infotest::SampleTest {
protected:
    // The text a getter hands out, released at once; "(null)" for none.
    template <class Getter>
    std::string read(Getter getter, OtlItem *member, OtlStatus expected = OTL_OK)
    {
        char *text = reinterpret_cast<char *>(8);
        EXPECT_EQ(getter(o, member, &text), expected);
        std::string result = text ? text : "(null)";
        if (text)
            adShrOtlFree(host.ctx(), text);
        return result;
    }
};

} // namespace

TEST_F(MemberTexts, CommentUpToTheLimitAndItsRemoval)
{
    const std::string longest(8192, 'x');
    ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, longest.c_str()), OTL_OK);
    EXPECT_EQ(read(adShrOtlGetMemberCommentEx, s.east), longest);
    EXPECT_EQ(o->verified, 0);
    o->verified = 1;
    const std::string tooLong(8193, 'y');
    EXPECT_EQ(adShrOtlSetMemberCommentEx(o, s.east, tooLong.c_str()), OTL_ERR_COMMENT_LONG);
    EXPECT_EQ(read(adShrOtlGetMemberCommentEx, s.east), longest);
    EXPECT_EQ(o->verified, 1);
    // An empty or missing comment removes it.
    ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, "remark"), OTL_OK);
    ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, ""), OTL_OK);
    EXPECT_EQ(s.east->commentEx, nullptr);
    EXPECT_EQ(read(adShrOtlGetMemberCommentEx, s.east), "(null)");
    ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, "again"), OTL_OK);
    ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, nullptr), OTL_OK);
    EXPECT_EQ(s.east->commentEx, nullptr);
}

TEST_F(MemberTexts, FormulaLastFormulaAndTheirSetters)
{
    EXPECT_EQ(read(adShrOtlGetMemberLastFormula, s.east), "(null)");
    ASSERT_EQ(adShrOtlSetMemberFormula(o, s.east, "West * 2;"), OTL_OK);
    EXPECT_EQ(read(adShrOtlGetMemberFormula, s.east), "West * 2;");
    EXPECT_EQ(read(adShrOtlGetMemberLastFormula, s.east), "West * 2;");
    ASSERT_EQ(otlDupString(host.ctx(), "West * 3;", &s.east->lastFormula), OTL_OK);
    EXPECT_EQ(read(adShrOtlGetMemberLastFormula, s.east), "West * 3;");
    EXPECT_EQ(read(adShrOtlGetMemberFormula, s.east), "West * 2;");
    o->verified = 1;
    // The setter refuses an empty text and members without data.
    EXPECT_EQ(adShrOtlSetMemberFormula(o, s.east, ""), OTL_ERR_RULE_FORMULA);
    EXPECT_EQ(adShrOtlSetMemberFormula(o, s.east, nullptr), OTL_ERR_RULE_FORMULA);
    EXPECT_EQ(adShrOtlSetMemberFormula(o, s.eastShared, "1;"), OTL_ERR_FORMULA_NOT_STORED);
    s.west->shareOption = OTL_SHARE_LABEL_ONLY;
    EXPECT_EQ(adShrOtlSetMemberFormula(o, s.west, "1;"), OTL_ERR_FORMULA_NOT_STORED);
    EXPECT_EQ(o->verified, 1);
    ASSERT_EQ(adShrOtlSetMemberFormula(o, s.east, "1;"), OTL_OK);
    ASSERT_EQ(adShrOtlSetMemberFormula(o, s.east, "2;"), OTL_OK);
    EXPECT_EQ(read(adShrOtlGetMemberFormula, s.east), "2;");
    EXPECT_EQ(o->verified, 0);
    // Deleting the formula leaves the flag.
    o->verified = 1;
    EXPECT_EQ(adShrOtlDeleteMemberFormula(o, s.east), OTL_OK);
    EXPECT_EQ(s.east->formula, nullptr);
    EXPECT_EQ(o->verified, 1);
    EXPECT_EQ(adShrOtlDeleteMemberFormula(o, s.east), OTL_ERR_NO_FORMULA);
    EXPECT_EQ(adShrOtlDeleteMemberFormula(o, s.west), OTL_ERR_NO_FORMULA);
}

TEST_F(MemberTexts, SettersRefuseInFieldAccessModeGettersWithoutOutput)
{
    const std::string before = test::dumpOutline(o);
    o->fieldAccessMode = 1;
    EXPECT_EQ(adShrOtlSetMemberCommentEx(o, s.east, "x"), OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(adShrOtlSetMemberFormula(o, s.east, "x;"), OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(adShrOtlDeleteMemberFormula(o, s.east), OTL_ERR_ACCESS_MODE);
    o->fieldAccessMode = 0;
    EXPECT_EQ(test::dumpOutline(o), before);
    // Getters need an output.
    EXPECT_EQ(adShrOtlGetMemberFormula(o, s.east, nullptr), OTL_ERR_NO_OUTPUT_ARG);
    EXPECT_EQ(adShrOtlGetMemberLastFormula(o, s.east, nullptr), OTL_ERR_NO_OUTPUT_ARG);
    EXPECT_EQ(adShrOtlGetMemberCommentEx(o, s.east, nullptr), OTL_ERR_NO_OUTPUT_ARG);
}

TEST_F(MemberTexts, EachGetterNeedsItsOwnMaskBit)
{
    ASSERT_EQ(adShrOtlSetMemberFormula(o, s.east, "f;"), OTL_OK);
    ASSERT_EQ(adShrOtlSetMemberCommentEx(o, s.east, "c"), OTL_OK);
    s.east->fieldMaskActive = 1;
    s.east->fieldMask[0] = 0xFFFF; // basic information only
    const uint64_t calls = host.allocations();
    EXPECT_EQ(read(adShrOtlGetMemberFormula, s.east, OTL_ERR_FIELD_MASK), "(null)");
    EXPECT_EQ(read(adShrOtlGetMemberLastFormula, s.east, OTL_ERR_FIELD_MASK), "(null)");
    EXPECT_EQ(read(adShrOtlGetMemberCommentEx, s.east, OTL_ERR_FIELD_MASK), "(null)");
    EXPECT_EQ(host.allocations(), calls);
    s.east->fieldMask[0] = 0x2000000;
    EXPECT_EQ(read(adShrOtlGetMemberFormula, s.east), "f;");
    EXPECT_EQ(read(adShrOtlGetMemberLastFormula, s.east, OTL_ERR_FIELD_MASK), "(null)");
    s.east->fieldMask[0] = 0x4000000;
    EXPECT_EQ(read(adShrOtlGetMemberLastFormula, s.east), "f;");
    EXPECT_EQ(read(adShrOtlGetMemberCommentEx, s.east, OTL_ERR_FIELD_MASK), "(null)");
    s.east->fieldMask[0] = 0x8000000;
    EXPECT_EQ(read(adShrOtlGetMemberCommentEx, s.east), "c");
    // The second word is not the first.
    s.east->fieldMask[0] = 0;
    s.east->fieldMask[1] = 0x2000000 | 0x4000000 | 0x8000000;
    EXPECT_EQ(read(adShrOtlGetMemberFormula, s.east, OTL_ERR_FIELD_MASK), "(null)");
}
