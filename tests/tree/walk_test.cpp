// The exported walks and otlGetDim: what each hands out, that the universe
// member never leaves the library, and the refusal in field-access mode.
#include "support/fixture.h"
#include "tree/builder.h"

using test::addChild;
using test::addDim;

class Walks : public test::OutlineTest {
protected:
    void SetUp() override
    {
        OutlineTest::SetUp();
        year = addDim(o, "Year");
        q1 = addChild(o, year, "Q1");
        q2 = addChild(o, year, "Q2");
        market = addDim(o, "Market");
    }
    OtlItem *year = nullptr, *q1 = nullptr, *q2 = nullptr, *market = nullptr;
};

TEST_F(Walks, EachWalkFollowsItsLinkButNeverToTheUniverseMember)
{
    OtlItem *r = nullptr;
    ASSERT_EQ(adShrOtlGetFirstMember(o, &r), OTL_OK);
    EXPECT_EQ(r, year);
    ASSERT_EQ(adShrOtlGetChild(o, year, &r), OTL_OK);
    EXPECT_EQ(r, q1);
    ASSERT_EQ(adShrOtlGetNextSibling(o, q1, &r), OTL_OK);
    EXPECT_EQ(r, q2);
    ASSERT_EQ(adShrOtlGetPrevSibling(o, q2, &r), OTL_OK);
    EXPECT_EQ(r, q1);
    ASSERT_EQ(adShrOtlGetPrevSibling(o, q1, &r), OTL_OK);
    EXPECT_EQ(r, nullptr);
    ASSERT_EQ(adShrOtlGetParent(o, q2, &r), OTL_OK);
    EXPECT_EQ(r, year);
    ASSERT_EQ(adShrOtlGetNextSibling(o, year, &r), OTL_OK);
    EXPECT_EQ(r, market);
    ASSERT_EQ(adShrOtlGetChild(o, market, &r), OTL_OK);
    EXPECT_EQ(r, nullptr);
    // The universe member is never handed out.
    r = q1;
    ASSERT_EQ(adShrOtlGetParent(o, year, &r), OTL_OK);
    EXPECT_EQ(r, nullptr);
    EXPECT_EQ(otlGetDim(o->root), nullptr);
    EXPECT_EQ(otlGetDim(year), year);
    EXPECT_EQ(otlGetDim(q2), year);
    OtlItem *deep = addChild(o, q2, "Apr");
    EXPECT_EQ(otlGetDim(deep), year);
    EXPECT_EQ(otlGetDim(nullptr), nullptr);
}

TEST_F(Walks, FieldAccessModeRefusesAndLeavesItemResultsAlone)
{
    o->fieldAccessMode = 1;
    OtlItem *r = q1;
    EXPECT_EQ(adShrOtlGetFirstMember(o, &r), OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(r, nullptr); // cleared before the test
    using Walk = OtlStatus (*)(OtlOutline *, OtlItem *, OtlItem **);
    for (Walk walk : {adShrOtlGetChild, adShrOtlGetParent, adShrOtlGetNextSibling,
                      adShrOtlGetPrevSibling}) {
        r = q2;
        EXPECT_EQ(walk(o, year, &r), OTL_ERR_ACCESS_MODE);
        EXPECT_EQ(r, q2);
    }
    o->fieldAccessMode = 0;
    // An outline without dimensions has no first member.
    OtlOutline *empty = newOutline();
    r = q1;
    EXPECT_EQ(adShrOtlGetFirstMember(empty, &r), OTL_OK);
    EXPECT_EQ(r, nullptr);
    adShrOtlCloseOutline(empty);
}
