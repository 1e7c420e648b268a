// The outline handle: creation (whole or nothing), information, settings
// (whole or not at all) and teardown (every block released once).
#include "core/tree.h"
#include "support/outline.h"

#include <functional>
#include <vector>

namespace {

class Outline : public test::OutlineTest {
protected:
    template <class T> T *array(uint32_t n)
    {
        T *block = nullptr;
        EXPECT_EQ(otl::hostNewArray(host.ctx(), n, &block), OTL_OK);
        return block;
    }

    // Every kind of data an outline can own (generation and level names in
    // one block in field-access mode).
    void fillEverything(bool fieldAccess)
    {
        o->changeLogEnabled = 1;
        const test::Sample s = buildSample();
        ASSERT_EQ(otlInitDefaultAttrSpecs(o), OTL_OK);
        ASSERT_EQ(otlStartPool(o, 0), OTL_OK);
        OtlItem *pooled = add("Pooled", s.market, s.west);
        ASSERT_EQ(adShrOtlRenameMember(o, s.costs, "Expenses"), OTL_OK);
        ASSERT_EQ(adShrOtlMoveMember(o, pooled, s.west, s.eastShared), OTL_OK);
        ASSERT_EQ(adShrOtlDeleteMember(o, s.jan, OTL_CHECK_ALL), OTL_OK);
        o->aliasTableCount = 2;
        o->aliasTableNames[1] = dup("Long Names");
        setAlias(s.sales, 0, "Revenue", true);
        setAlias(pooled, 1, "Pool member", true);
        addCombo(s.east, 0, "East Sales", "East&Sales");
        addUserAttr(pooled, "Big");
        addUserAttr(pooled, "Small");
        if (fieldAccess) {
            OtlGenLevelName *names = s.year->genLevelNames = array<OtlGenLevelName>(2);
            names[0].nameText = dup("Quarters");
            names[0].nextName = &names[1];
            names[1].nameText = dup("Months");
        } else {
            addGenLevelName(s.year, "Months", 1, 3);
            addGenLevelName(s.year, "Quarters", 1, 2);
        }
        for (char **text : {&s.sales->comment, &s.sales->formula, &s.sales->lastFormula,
                            &s.sales->commentEx, &s.sales->infoDimName})
            *text = dup("text");
        s.sales->associationMatrix = reinterpret_cast<uint8_t *>(dup("matrix"));
        s.sales->hostAttrCount = 2;
        s.sales->hostAttrTexts1 = array<char *>(2);
        s.sales->hostAttrTexts2 = array<char *>(2);
        s.sales->hostAttrValues = array<OtlAttribute>(2);
        s.sales->hostAttrTexts1[1] = dup("Colour");
        s.sales->hostAttrTexts2[0] = dup("Red");
        s.sales->hostAttrValues[1].type = OTL_ATTR_TEXT;
        s.sales->hostAttrValues[1].value.text = dup("Red");
        o->matchTable = array<OtlMatchSlot>(2);
        o->matchCount = 2;
        o->matchTable[0].items = array<OtlItem *>(3);
        o->matchTable[1].items = array<OtlItem *>(1);
        o->stats.aliasCountersFirst = array<uint32_t>(2);
        o->stats.aliasCountersSecond = array<uint32_t>(2);
        o->fieldAccessMode = fieldAccess;
    }
};

TEST_F(Outline, CreationIsWholeOrNothingAndInformationHasOneSlotPerTable)
{
    // Flags are stored as 0 or 1; the eight time series come cleared, in order.
    OtlOutline *fresh = newOutline(7, 1, 9);
    const std::string all = test::dumpOutline(fresh);
    EXPECT_EQ(all.substr(0, all.find(" sort=")), "case=1 type=1 auto=1 fopt=0 fam=0 log=0");
    EXPECT_EQ(all.substr(all.find("tables="), 28), "tables=1 \"Default\" null null");
    EXPECT_EQ(all.substr(all.find("#0 "), 37), "#0 \"Database (undefined)\" lev=0 gen=0");
    std::string series;
    for (const char *s : {"H-T-D\" \"History", "Y-T-D\" \"Year", "S-T-D\" \"Season", "P-T-D\" \"Period",
                          "Q-T-D\" \"Quarter", "M-T-D\" \"Month", "W-T-D\" \"Week", "D-T-D\" \"Day"})
        series += "\ndts \"" + std::string(s) + "\" on=0 gen=0";
    EXPECT_EQ(all.substr(all.find("\ndts ")), series + "\n");
    EXPECT_EQ(all.find("bucket "), std::string::npos);
    EXPECT_EQ(adShrOtlCloseOutline(fresh), OTL_OK);
    // The bare data of an outline about to be read from a file: no root yet.
    ASSERT_EQ(otlCreateOutlineData(host.ctx(), &fresh), OTL_OK);
    EXPECT_EQ(fresh->root, nullptr);
    EXPECT_STREQ(fresh->aliasTableNames[0], OTL_DEFAULT_ALIAS_TABLE);
    EXPECT_EQ(otlFreeOutlineData(host.ctx(), fresh), OTL_OK);
    EXPECT_EQ(otlFreeOutlineData(host.ctx(), nullptr) + adShrOtlCloseOutline(nullptr), OTL_OK);

    OtlOutlineInfo info{};
    info.outlineType = 2;
    fresh = reinterpret_cast<OtlOutline *>(sentinelItem());
    EXPECT_EQ(adShrOtlNewOutline(host.ctx(), &info, &fresh), OTL_ERR_OUTLINE_TYPE);
    EXPECT_EQ(fresh, nullptr);
    info.outlineType = 1;
    for (uint8_t mode : {0, 1}) {
        test::TestHost local(mode, mode, mode);
        test::sweepAllocations(
            local, [&] { return adShrOtlNewOutline(local.ctx(), &info, &fresh); },
            [&](uint64_t n) {
                EXPECT_EQ(fresh, nullptr) << "allocation " << n;
                EXPECT_EQ(local.liveBlocks(), 0u) << "allocation " << n;
            });
        adShrOtlCloseOutline(fresh);
        EXPECT_EQ(local.liveBlocks(), 0u);
        EXPECT_TRUE(local.errors().empty());
    }
    // The information: one 31-byte slot per table, readable in any mode; a
    // failure clears the result.
    o->fieldAccessMode = 1;
    o->aliasTableCount = 3;
    o->aliasTableNames[1] = dup("Long Names of the Eastern Region Office");
    OtlOutlineInfo *got = nullptr;
    ASSERT_EQ(adShrOtlGetOutlineInfo(o, &got), OTL_OK);
    EXPECT_EQ(host.blockSize(got), 6u + 3 * 31);
    EXPECT_EQ(+got->aliasTableCount, 3);
    EXPECT_STREQ(OTL_OUTLINE_INFO_TABLE(got, 0), OTL_DEFAULT_ALIAS_TABLE);
    EXPECT_STREQ(OTL_OUTLINE_INFO_TABLE(got, 1), "Long Names of the Eastern Regi");
    EXPECT_STREQ(OTL_OUTLINE_INFO_TABLE(got, 2), "");
    adShrOtlFree(host.ctx(), got);
    host.failAt(1);
    got = reinterpret_cast<OtlOutlineInfo *>(sentinelItem());
    EXPECT_EQ(adShrOtlGetOutlineInfo(o, &got), test::kInjected);
    EXPECT_EQ(got, nullptr);
}

// Each row starts from a new outline marked verified. A refused change leaves
// it as it was; an accepted one reads back as 0/1 flags and clears the mark.
TEST_F(Outline, SettingsChangeWholeOrNotAtAll)
{
    const auto dims = [this](std::initializer_list<uint16_t> tags) {
        for (uint16_t tag : tags) {
            appendDim(("D" + std::to_string(o->stats.dimCount++)).c_str(), tag);
            o->stats.baseDimCount += tag != OTL_TAG_ATTRIBUTE;
        }
    };
    const auto eastAnd = [this](const char *second) {
        o->caseSensitive = 1;
        OtlItem *market = dim("Market");
        add(second, market, add("East", market));
    };
    const struct {
        const char *name;
        std::function<void()> setup;
        uint8_t caseSensitive;
        uint16_t type;
        uint8_t autoConfigure;
        OtlStatus status;
        int storedType = -1; // -1: the type asked for
    } rows[] = {
        {"flags", [] {}, 5, 1, 9, OTL_OK},
        {"all off", [&] { o->caseSensitive = o->autoConfigure = o->outlineType = 1; }, 0, 0, 0, OTL_OK},
        {"type 2", [] {}, 0, 2, 0, OTL_ERR_OUTLINE_TYPE},
        {"type before access mode", [&] { o->fieldAccessMode = 1; }, 1, 3, 0, OTL_ERR_OUTLINE_TYPE},
        {"access mode", [&] { o->fieldAccessMode = o->caseSensitive = 1; }, 0, 0, 1, OTL_ERR_ACCESS_MODE},
        {"currency, four dimensions", [&] { dims({0, 0, 0, 0}); }, 0, 1, 0, OTL_OK},
        {"currency, five dimensions", [&] { dims({0, 0, 0, 0, 0}); }, 0, 1, 0, OTL_ERR_CURRENCY_DIMS},
        {"currency, tag 5", [&] { dims({5}); }, 0, 1, 0, OTL_ERR_RULE_DIM_TAG},
        {"currency, tag 4", [&] { dims({4}); }, 0, 1, 0, OTL_OK},
        {"normal, tag 4", [&] { dims({4}), o->outlineType = 1; }, 0, 0, 0, OTL_ERR_RULE_DIM_TAG},
        // A misplaced calculations dimension is a fault without a status:
        // the outline stays normal, the call stands.
        {"currency, no calculations dimension", [&] { dims({0, OTL_TAG_ATTRIBUTE}); }, 0, 1, 9, OTL_OK, 0},
        {"case off, East and EAST", [&] { eastAnd("EAST"); }, 0, 0, 0, OTL_ERR_RULE_DUPLICATE},
        {"case off, East and West", [&] { eastAnd("West"); }, 0, 0, 0, OTL_OK},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        adShrOtlCloseOutline(o);
        o = newOutline();
        row.setup();
        o->verified = 1;
        const std::string before = dump();
        OtlOutlineInfo *info = nullptr, set{};
        set.caseSensitive = row.caseSensitive, set.outlineType = row.type, set.autoConfigure = row.autoConfigure;
        EXPECT_EQ(adShrOtlSetOutlineInfo(o, &set), row.status);
        if (row.status != OTL_OK) {
            EXPECT_EQ(test::dumpDiff(before, dump()), "");
            continue;
        }
        EXPECT_EQ(+o->verified, 0);
        ASSERT_EQ(adShrOtlGetOutlineInfo(o, &info), OTL_OK);
        EXPECT_EQ(+info->caseSensitive * 100 + info->outlineType * 10 + info->autoConfigure,
                  (row.caseSensitive ? 100 : 0) + (row.storedType < 0 ? row.type : row.storedType) * 10 +
                      (row.autoConfigure ? 1 : 0));
        adShrOtlFree(host.ctx(), info);
    }
}

// Ways: closing; in field-access mode; after releasing every item's contents
// twice (the second frees nothing); after cleaning the match list twice. The
// fixture fails the test on a leaked block or a release of an unknown one.
TEST_F(Outline, NoBlockIsLeftBehindAfterEveryKindOfTeardown)
{
    for (int way = 0; way < 4; ++way) {
        SCOPED_TRACE(way);
        o = o ? o : newOutline();
        fillEverything(way == 1);
        // A second release, or a close after one, would free a pointer left
        // behind twice: the fixture reports it.
        for (int pass = 0; way == 2 && pass < 2; ++pass)
            for (OtlItem *x = o->root; x; x = x == o->root ? x->firstChild : otl::nextInSubtree(x, o->root)) {
                otlFreeItemContents(o, x, o->aliasTableCount);
                EXPECT_EQ(+x->hostAttrCount, 0) << x->memberName;
            }
        if (way == 3) {
            const size_t blocks = host.liveBlocks();
            adShrOtlCleanMatch(o);
            adShrOtlCleanMatch(o);
            adShrOtlCleanMatch(nullptr);
            EXPECT_EQ(host.liveBlocks(), blocks - 3);
        }
        EXPECT_EQ(adShrOtlCloseOutline(o), OTL_OK);
        o = nullptr;
    }
}

} // namespace
