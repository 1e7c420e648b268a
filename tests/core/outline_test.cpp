// The outline handle: creation, outline information, settings and teardown,
// each allocating operation swept with failure injection.
#include "core/alloc.h"
#include "core/host.h"
#include "core/records.h"
#include "core/tree.h"
#include "support/fixture.h"

#include <cstring>

using test::HostTest;
using test::TestHost;

class Outline : public HostTest {};

TEST_F(Outline, NewOutlineHasOneTableARootAndEightSeries)
{
    OtlOutline *o = newOutline(1, 0, 1);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->host, host.ctx());
    EXPECT_EQ(o->aliasTableCount, 1);
    EXPECT_STREQ(o->aliasTableNames[0], "Default");
    ASSERT_NE(o->root, nullptr);
    EXPECT_STREQ(o->root->memberName, "Database (undefined)");
    EXPECT_EQ(o->root->generation, 0);
    EXPECT_EQ(o->root->firstChild, nullptr);
    EXPECT_EQ(o->caseSensitive, 1);
    EXPECT_EQ(o->autoConfigure, 1);
    EXPECT_EQ(o->changeLogEnabled, 0);
    EXPECT_EQ(o->fileServiceHandle, 0u);
    EXPECT_EQ(o->fieldAccessMode, 0);
    const char *names[] = {"H-T-D", "Y-T-D", "S-T-D", "P-T-D", "Q-T-D", "M-T-D", "W-T-D", "D-T-D"};
    const char *periods[] = {"History", "Year", "Season", "Period", "Quarter", "Month", "Week", "Day"};
    for (int i = 0; i < 8; ++i) {
        ASSERT_NE(o->dtsMembers[i], nullptr);
        EXPECT_STREQ(o->dtsMembers[i]->dtsName, names[i]);
        EXPECT_STREQ(o->dtsMembers[i]->dtsPeriodName, periods[i]);
        EXPECT_EQ(o->dtsMembers[i]->dtsEnabled, 0);
    }
    for (const OtlHashBucket &b : o->nameHash->buckets)
        EXPECT_EQ(b.count + b.capacity, 0u);
    EXPECT_EQ(adShrOtlCloseOutline(o), OTL_OK);
}

TEST_F(Outline, BadOutlineTypeLeavesNothing)
{
    OtlOutlineInfo info{};
    info.outlineType = 2;
    OtlOutline *o = reinterpret_cast<OtlOutline *>(1);
    EXPECT_EQ(adShrOtlNewOutline(host.ctx(), &info, &o), OTL_ERR_OUTLINE_TYPE);
    EXPECT_EQ(o, nullptr);
    EXPECT_EQ(host.liveBlocks(), 0u);
}

TEST_F(Outline, CreationSweptWithFailureInjection)
{
    for (uint8_t mode : {0, 1}) {
        TestHost local(mode, mode, mode);
        OtlOutlineInfo info{};
        OtlOutline *o = nullptr;
        const uint64_t points = test::sweepAllocations(
            local, [&] { return adShrOtlNewOutline(local.ctx(), &info, &o); },
            [&](uint64_t n) {
                EXPECT_EQ(o, nullptr) << "allocation " << n;
                EXPECT_EQ(local.liveBlocks(), 0u) << "allocation " << n;
            });
        // record, name array, "Default", hash, eight series, root
        EXPECT_EQ(points, 13u);
        adShrOtlCloseOutline(o);
        EXPECT_EQ(local.liveBlocks(), 0u);
        EXPECT_TRUE(local.errors().empty());
    }
}

TEST_F(Outline, CreateOutlineDataHasNoRoot)
{
    OtlOutline *o = nullptr;
    ASSERT_EQ(otlCreateOutlineData(host.ctx(), &o), OTL_OK);
    EXPECT_EQ(o->root, nullptr);
    EXPECT_EQ(o->aliasTableCount, 1);
    EXPECT_EQ(otlFreeOutlineData(host.ctx(), o), OTL_OK);
    EXPECT_EQ(otlFreeOutlineData(host.ctx(), nullptr), OTL_OK);
    EXPECT_EQ(adShrOtlCloseOutline(nullptr), OTL_OK);
}

TEST_F(Outline, InfoIsThirtySevenBytesForOneTable)
{
    OtlOutline *o = newOutline(1, 0, 0);
    OtlOutlineInfo *info = nullptr;
    ASSERT_EQ(adShrOtlGetOutlineInfo(o, &info), OTL_OK);
    EXPECT_EQ(host.blockSize(info), 37u);
    EXPECT_EQ(info->caseSensitive, 1);
    EXPECT_EQ(info->outlineType, 0);
    EXPECT_EQ(info->aliasTableCount, 1);
    EXPECT_STREQ(OTL_OUTLINE_INFO_TABLE(info, 0), "Default");
    adShrOtlFree(host.ctx(), info);

    host.failAt(1, 77);
    info = reinterpret_cast<OtlOutlineInfo *>(1);
    EXPECT_EQ(adShrOtlGetOutlineInfo(o, &info), 77u);
    EXPECT_EQ(info, nullptr);
    // No access-mode test: the host may read the settings in any mode.
    o->fieldAccessMode = 1;
    ASSERT_EQ(adShrOtlGetOutlineInfo(o, &info), OTL_OK);
    adShrOtlFree(host.ctx(), info);
    adShrOtlCloseOutline(o);
}

TEST_F(Outline, InfoListsEveryTableAndLeavesMissingNamesEmpty)
{
    OtlOutline *o = newOutline();
    o->aliasTableCount = 3;
    char *second = nullptr;
    ASSERT_EQ(otlDupString(host.ctx(), "Long Names", &second), OTL_OK);
    o->aliasTableNames[1] = second;
    OtlOutlineInfo *info = nullptr;
    ASSERT_EQ(adShrOtlGetOutlineInfo(o, &info), OTL_OK);
    EXPECT_EQ(host.blockSize(info), 6u + 3 * 31);
    EXPECT_STREQ(OTL_OUTLINE_INFO_TABLE(info, 1), "Long Names");
    EXPECT_STREQ(OTL_OUTLINE_INFO_TABLE(info, 2), "");
    adShrOtlFree(host.ctx(), info);
    adShrOtlCloseOutline(o);
}

namespace {

OtlItem *addDimension(const OtlHostContext *host, OtlOutline *o, const char *name, uint16_t tag)
{
    OtlItem *item = nullptr;
    EXPECT_EQ(otlNewItem(host, &item), OTL_OK);
    strcpy(item->memberName, name);
    item->dimensionTag = tag;
    OtlItem *last = o->root->firstChild;
    while (last && last->nextSibling)
        last = last->nextSibling;
    if (last)
        otlAddSiblingItem(last, item, 1);
    else
        otlAddChildItem(o->root, item, 1);
    o->stats.dimCount++;
    if (tag != OTL_TAG_ATTRIBUTE && tag != OTL_TAG_ATTR_CALC)
        o->stats.baseDimCount++;
    return item;
}

OtlOutlineInfo infoOf(uint8_t caseSensitive, uint16_t type, uint8_t autoConf)
{
    OtlOutlineInfo info{};
    info.caseSensitive = caseSensitive;
    info.outlineType = type;
    info.autoConfigure = autoConf;
    return info;
}

} // namespace

TEST_F(Outline, SetInfoStoresSettingsAndClearsVerified)
{
    OtlOutline *o = newOutline(0, 0, 0);
    o->verified = 1;
    OtlOutlineInfo info = infoOf(5, 1, 9);
    ASSERT_EQ(adShrOtlSetOutlineInfo(o, &info), OTL_OK);
    EXPECT_EQ(o->caseSensitive, 1);
    EXPECT_EQ(o->outlineType, 1);
    EXPECT_EQ(o->autoConfigure, 1);
    EXPECT_EQ(o->verified, 0);
    adShrOtlCloseOutline(o);
}

TEST_F(Outline, SetInfoChecksInOrder)
{
    OtlOutline *o = newOutline(1, 0, 0);
    o->fieldAccessMode = 1;
    OtlOutlineInfo bad = infoOf(1, 3, 0);
    EXPECT_EQ(adShrOtlSetOutlineInfo(o, &bad), OTL_ERR_OUTLINE_TYPE);
    OtlOutlineInfo good = infoOf(0, 0, 1);
    EXPECT_EQ(adShrOtlSetOutlineInfo(o, &good), OTL_ERR_ACCESS_MODE);
    EXPECT_EQ(o->caseSensitive, 1);
    EXPECT_EQ(o->autoConfigure, 0);
    adShrOtlCloseOutline(o);
}

TEST_F(Outline, CurrencyOutlineRefusesFiveDimensions)
{
    OtlOutline *o = newOutline();
    for (const char *n : {"A", "B", "C", "D", "E"})
        addDimension(host.ctx(), o, n, 0);
    const std::string before = test::dumpOutline(o);
    OtlOutlineInfo info = infoOf(0, 1, 0);
    EXPECT_EQ(adShrOtlSetOutlineInfo(o, &info), OTL_ERR_CURRENCY_DIMS);
    EXPECT_EQ(test::dumpOutline(o), before);
    adShrOtlCloseOutline(o);
}

TEST_F(Outline, OutlineTypeChangesRefusedByDimensionTags)
{
    OtlOutline *o = newOutline();
    addDimension(host.ctx(), o, "A", 5);
    OtlOutlineInfo currency = infoOf(0, 1, 0);
    EXPECT_EQ(adShrOtlSetOutlineInfo(o, &currency), OTL_ERR_RULE_DIM_TAG);
    EXPECT_EQ(o->outlineType, 0);
    o->root->firstChild->dimensionTag = 4;
    ASSERT_EQ(adShrOtlSetOutlineInfo(o, &currency), OTL_OK);
    OtlOutlineInfo normal = infoOf(0, 0, 0);
    EXPECT_EQ(adShrOtlSetOutlineInfo(o, &normal), OTL_ERR_RULE_DIM_TAG);
    EXPECT_EQ(o->outlineType, 1);
    adShrOtlCloseOutline(o);
}

TEST_F(Outline, CurrencyOutlineNeedsTheCalcDimensionLastWhenAttributesExist)
{
    OtlOutline *o = newOutline();
    addDimension(host.ctx(), o, "A", 0);
    addDimension(host.ctx(), o, "Colour", OTL_TAG_ATTRIBUTE);
    OtlOutlineInfo currency = infoOf(0, 1, 0);
    // The outline-level fault 0x4000 has no status of its own.
    EXPECT_EQ(adShrOtlSetOutlineInfo(o, &currency), OTL_OK);
    adShrOtlCloseOutline(o);
}

TEST_F(Outline, TeardownReleasesEveryPart)
{
    OtlOutline *o = newOutline();
    OtlItem *dim = addDimension(host.ctx(), o, "Dim", 0);
    OtlItem *child = nullptr;
    ASSERT_EQ(otlNewItem(host.ctx(), &child), OTL_OK);
    otlAddChildItem(dim, child, 1);
    ASSERT_EQ(otlDupString(host.ctx(), "a comment", &child->comment), OTL_OK);
    ASSERT_EQ(otlDupString(host.ctx(), "x = y;", &child->formula), OTL_OK);
    ASSERT_EQ(otlDupString(host.ctx(), "alias", &child->aliases[0].alias), OTL_OK);
    ASSERT_EQ(otlDupString(host.ctx(), "True", &o->attrSpecs.trueName), OTL_OK);
    OtlChangeRecord *record = nullptr;
    ASSERT_EQ(otl::hostAlloc(host.ctx(), sizeof(OtlChangeRecord) + sizeof(char *),
                             reinterpret_cast<void **>(&record)),
              OTL_OK);
    memset(record, 0, sizeof(OtlChangeRecord) + sizeof(char *));
    record->kind = OTL_CHANGE_DELETED;
    ASSERT_EQ(otlDupString(host.ctx(), "gone", &record->text[0]), OTL_OK);
    o->changeLogHead = o->changeLogTail = record;
    ASSERT_EQ(otl::hostNewArray(host.ctx(), 2, &o->dimTable), OTL_OK);
    o->dimTableSize = 2;
    EXPECT_EQ(adShrOtlCloseOutline(o), OTL_OK); // the fixture checks for leaks
}

TEST_F(Outline, LevelsFollowLinking)
{
    OtlOutline *o = newOutline();
    OtlItem *dim = addDimension(host.ctx(), o, "Dim", 0);
    EXPECT_EQ(o->root->level, 1);
    OtlItem *leaf = nullptr;
    ASSERT_EQ(otlNewItem(host.ctx(), &leaf), OTL_OK);
    otlAddChildItem(dim, leaf, 1);
    EXPECT_EQ(dim->level, 1);
    EXPECT_EQ(o->root->level, 2);
    EXPECT_EQ(leaf->generation, 2);
    OtlItem *second = nullptr;
    ASSERT_EQ(otlNewItem(host.ctx(), &second), OTL_OK);
    otlAddSiblingItem(leaf, second, 1);
    EXPECT_EQ(o->root->level, 2);
    otlDetachItem(second, true);
    otlFreeItem(o, second, 1);
    otlDetachItem(leaf, true);
    EXPECT_EQ(dim->level, 0);
    EXPECT_EQ(o->root->level, 1);
    otlFreeItem(o, leaf, 1);
    EXPECT_EQ(otlGetDim(o->root), nullptr);
    EXPECT_EQ(otlGetDim(dim), dim);
    adShrOtlCloseOutline(o);
}

TEST_F(Outline, CaseSensitivityStaysOnWhileNamesDifferOnlyInCase)
{
    OtlOutline *o = newOutline(1);
    OtlMbrInfo info{};
    strcpy(info.memberName, "Market");
    OtlItem *dim = nullptr;
    ASSERT_EQ(adShrOtlAddDimension(o, &info, nullptr, nullptr, &dim), OTL_OK);
    OtlItem *east = nullptr, *other = nullptr;
    strcpy(info.memberName, "East");
    ASSERT_EQ(adShrOtlAddMember(o, &info, dim, nullptr, &east, OTL_CHECK_ALL), OTL_OK);
    strcpy(info.memberName, "EAST");
    ASSERT_EQ(adShrOtlAddMember(o, &info, dim, east, &other, OTL_CHECK_ALL), OTL_OK);
    const std::string before = test::dumpOutline(o);
    OtlOutlineInfo settings{};
    EXPECT_EQ(adShrOtlSetOutlineInfo(o, &settings), OTL_ERR_RULE_DUPLICATE);
    EXPECT_EQ(test::dumpOutline(o), before); // still on, and no item marked
    // Once the clash is renamed away the change goes through.
    ASSERT_EQ(adShrOtlRenameMember(o, other, "West"), OTL_OK);
    EXPECT_EQ(adShrOtlSetOutlineInfo(o, &settings), OTL_OK);
    EXPECT_EQ(+o->caseSensitive, 0);
    adShrOtlCloseOutline(o);
}
