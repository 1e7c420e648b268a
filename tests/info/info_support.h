// A small outline for the member-information tests, built through the add
// operations: an accounts dimension, a time dimension, a market dimension
// with a shared member, and a text attribute dimension (which brings the
// attribute calculations dimension with it).
#ifndef SHROTL_TEST_INFO_SUPPORT_H
#define SHROTL_TEST_INFO_SUPPORT_H

#include "shrotl.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace infotest {

inline OtlMbrInfo record(const char *name, uint16_t tag = 0)
{
    OtlMbrInfo info{};
    std::strncpy(info.memberName, name, OTL_NAME_SIZE - 1);
    info.dimensionTag = tag;
    return info;
}

inline OtlItem *addDim(OtlOutline *o, OtlMbrInfo info, OtlItem *after)
{
    OtlItem *item = nullptr;
    EXPECT_EQ(adShrOtlAddDimension(o, &info, after, nullptr, &item), OTL_OK) << info.memberName;
    return item;
}

inline OtlItem *addChild(OtlOutline *o, OtlMbrInfo info, OtlItem *parent, OtlItem *after = nullptr)
{
    OtlItem *item = nullptr;
    EXPECT_EQ(adShrOtlAddMember(o, &info, after ? nullptr : parent, after, &item, OTL_CHECK_ALL),
              OTL_OK)
        << info.memberName;
    return item;
}

struct Sample {
    OtlItem *accounts, *sales, *costs, *year, *qtr1, *jan, *market, *east, *west, *eastShared;
    OtlItem *colour, *red;
};

// Accounts(tag 1){Sales, Costs}, Year(tag 2){Qtr1{Jan}}, Market{East,
// West{East shared}}, Colour(tag 6, text){Red}, then the calculations.
inline Sample buildSample(OtlOutline *o)
{
    Sample s{};
    s.accounts = addDim(o, record("Accounts", 1), nullptr);
    s.year = addDim(o, record("Year", 2), s.accounts);
    s.market = addDim(o, record("Market"), s.year);
    s.sales = addChild(o, record("Sales"), s.accounts);
    s.costs = addChild(o, record("Costs"), s.accounts, s.sales);
    s.qtr1 = addChild(o, record("Qtr1"), s.year);
    s.jan = addChild(o, record("Jan"), s.qtr1);
    s.east = addChild(o, record("East"), s.market);
    s.west = addChild(o, record("West"), s.market, s.east);
    OtlMbrInfo shared = record("East");
    shared.shareOption = OTL_SHARE_SHARED;
    s.eastShared = addChild(o, shared, s.west);
    OtlMbrInfo colour = record("Colour", OTL_TAG_ATTRIBUTE);
    colour.storageType = 1;
    colour.dimensionCategory = 12;
    colour.shareOption = 5;
    colour.attrValueType = OTL_ATTR_TEXT;
    s.colour = addDim(o, colour, s.market);
    OtlMbrInfo red = record("Red", OTL_TAG_ATTRIBUTE);
    red.shareOption = 5;
    red.attrValueType = OTL_ATTR_TEXT;
    s.red = addChild(o, red, s.colour);
    return s;
}

inline std::string textValueOf(const uint8_t *raw)
{
    const char *text = nullptr;
    std::memcpy(&text, raw, sizeof text);
    return text ? text : "(null)";
}

// A fixture holding the sample outline, marked verified.
class SampleTest : public test::HostTest {
protected:
    void SetUp() override
    {
        o = newOutline();
        ASSERT_NE(o, nullptr);
        s = buildSample(o);
        ASSERT_NE(s.red, nullptr);
        o->verified = 1;
    }
    void TearDown() override
    {
        adShrOtlCloseOutline(o);
        test::HostTest::TearDown();
    }
    OtlOutline *o = nullptr;
    Sample s{};
};

} // namespace infotest

#endif
