// Verification: a table of outlines that each break one rule, checked for
// the outline word, every item's words (poisoned first, as an earlier run
// may have left them) and the report with its growth; each row then fails
// at every allocation.
#include "support/outline.h"

#include <functional>
#include <tuple>

namespace {

using Entries = std::vector<std::tuple<std::string, uint32_t, uint32_t>>;
constexpr uint32_t M = OTL_FAULT_ATTR_MARKER;

class Verify : public test::OutlineTest {
protected:
    // The sample with Market sparse, described by Colour, East red: every
    // rule kept.
    test::Sample rebuild()
    {
        EXPECT_EQ(adShrOtlCloseOutline(o), OTL_OK);
        const test::Sample s = (o = newOutline(), buildSample());
        s.market->storageType = OTL_STORAGE_SPARSE;
        adShrOtlAssociateAttributeDimension(o, s.market, s.colour), adShrOtlAssociateAttributeMember(o, s.east, s.red, 0);
        return s;
    }

    // A raw attribute dimension after `at`, or attribute member under it.
    OtlItem *attr(OtlItem *at, const char *name, uint16_t type, bool dimension = false, uint8_t value = 0)
    {
        OtlItem *a = dimension ? test::makeItem(o->host, name, OTL_SHARE_COMPUTED) : append(at, name, OTL_SHARE_COMPUTED);
        a->dimensionTag = OTL_TAG_ATTRIBUTE, a->attrValueType = type, a->attrValue[0] = value;
        if (dimension)
            a->storageType = 1, a->dimensionCategory = 12, otlAddSiblingItem(at, a, 1);
        return a;
    }

    OtlFaultEntry sentinelReport{};
};

} // namespace

TEST_F(Verify, EachBrokenRuleIsReportedOnExactlyTheMembersConcernedAndFailsCleanly)
{
    const struct { const char *name; std::function<void(const test::Sample &)> breakRule; Entries entries;
                   uint32_t word = 0; bool verified = false; uint32_t version = 0x50700; } rows[] = {
        {"none", [](auto &) {}, {}, 0, true},
        {"two members named Sales", [&](auto &s) { append(s.market, "Sales"); }, {{"Sales", 0x2, 0}, {"Sales", 0x2, 0}}},
        {"the same for an old client", [&](auto &s) { append(s.market, "Sales"); }, {{"Sales", 0x2, 0}, {"Sales", 0x2, 0}},
         0, false, 0x50000},
        {"51 members of one name", [&](auto &s) { for (int i = 0; i < 51; ++i) append(s.year, "Twin"); },
         Entries(51, {"Twin", 0x2, 0})},
        {"an alias equal to a member name", [&](auto &s) { setAlias(s.jan, 0, "Sales", true); },
         {{"Sales", 0x100, 0}, {"Jan", 0x100, 0}}},
        {"a currency outline of five dimensions", [&](auto &) { o->outlineType = OTL_OUTLINE_CURRENCY; }, {}, 0x200000},
        {"four calculation members", [&](auto &) { test::removeRaw(o, test::lastChild(test::lastChild(o->root))); },
         {{"Attribute Calculations", M, 0x100}}},
        {"a member named like a generation: listed, still verified",
         [&](auto &s) { addGenLevelName(s.year, "Jan", OTL_NAME_KIND_GENERATION, 3); }, {{"Jan", 0x1000000, 0}}, 0, true},
        // The attribute pass's word-1 bit outlives the member pass.
        {"a described dimension that is dense", [&](auto &s) { s.market->storageType = 0; },
         {{"Market", 0x40000, 0}, {"Colour", 0x40000, 0}}},
        // North, first met, fixes the level and East is flagged; with North
        // gone the level is fixed anew.
        {"base members associated at two levels, one gone after a run", [&](auto &s) {
             OtlItem *north = add("North", s.market);
             uint32_t word, count;
             OtlFaultEntry *report = nullptr;
             add("Oslo", north), adShrOtlAssociateAttributeMember(o, north, s.red, 0);
             EXPECT_TRUE(adShrOtlVerifyOutline(o, &word, &count, &report) == OTL_OK && count == 1 &&
                         report->member == s.east && s.market->attrLink.baseDim.attrLinkLevels[0] == 1);
             adShrOtlFree(host.ctx(), report), adShrOtlDeleteMember(o, north, OTL_CHECK_ALL); }, {}, 0, true},
        // Its 0x2 outlives the member pass too.
        {"an unlinked two-valued dimension whose values are equal and not 0 or 1", [&](auto &s) {
             OtlItem *flag = attr(s.colour, "Flag", OTL_ATTR_BOOLEAN, true);
             attr(flag, "T", OTL_ATTR_BOOLEAN, false, 2), attr(flag, "F", OTL_ATTR_BOOLEAN, false, 2); },
         {{"Flag", M, 0x40}, {"T", 0x2 | M, 0x1}, {"F", 0x2, 0}}},
        {"empty unlinked numeric dimensions, one named by a number", [&](auto &s) {
             attr(attr(s.colour, "Weight", OTL_ATTR_NUMERIC, true), "12", OTL_ATTR_NUMERIC, true); },
         {{"Weight", M, 0x8040}, {"12", M, 0x40}}},
        {"a leaf whose value type is not its dimension's", [&](auto &s) { attr(s.colour, "Teal", OTL_ATTR_NUMERIC); },
         {{"Teal", M, 0x8}}},
        {"a new outline of one dimension", [&](auto &) { adShrOtlCloseOutline(o), o = newOutline(), dim("Only"); },
         {}, 0, true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        host.mutableCtx()->clientVersion = 0x50700;
        row.breakRule(rebuild());
        host.mutableCtx()->clientVersion = row.version;
        for (OtlItem *i = o->root; i; i = otl::nextInChain(i, nullptr))
            i->faultFlags = 0x8, i->attrFaultFlags = 0x4;
        uint32_t word = 7, count = 7, grown = uint32_t(host.reallocCalls(false));
        OtlFaultEntry *report = nullptr, *e;
        ASSERT_EQ(adShrOtlVerifyOutline(o, &word, &count, &report), OTL_OK);
        Entries listed, words;
        for (uint32_t n = 0; n < count && (e = OTL_FAULT_ENTRY_AT(report, row.version, n)); ++n)
            listed.emplace_back(e->member->memberName, e->faultFlags,
                                row.version < OTL_CLIENT_ATTR_RULES ? 0 : e->attrFaultFlags);
        for (OtlItem *i = o->root; i; i = otl::nextInChain(i, nullptr)) // and attribute members are computed
            if (i->faultFlags || i->attrFaultFlags ||
                (!word && i->dimensionTag == OTL_TAG_ATTRIBUTE && i->consolidation != 5))
                words.emplace_back(i->memberName, i->faultFlags, i->attrFaultFlags);
        // Allocated for 50 entries, grown by 50 at the 51st.
        EXPECT_TRUE(word == row.word && o->verified == row.verified && host.reallocCalls(false) == grown + count / 51 &&
                    host.blockSize(report) == (count + 49) / 50 * 50 * OTL_FAULT_ENTRY_SIZE(row.version));
        EXPECT_TRUE(listed == row.entries && words == row.entries) << testing::PrintToString(listed);
        adShrOtlFree(host.ctx(), report);

        // A failed run clears the out-parameters, keeps no block and leaves
        // `verified` as it was; the words hold its findings.
        const std::string after = (o->verified = (&row - rows) % 2, dump());
        const size_t blocks = ownedBlocks();
        test::sweepAllocations(
            host,
            [&] { word = count = 9, report = &sentinelReport; return adShrOtlVerifyOutline(o, &word, &count, &report); },
            [&](uint64_t n) { EXPECT_TRUE(!word && !count && !report && ownedBlocks() == blocks && dump() == after) << n; });
        adShrOtlFree(host.ctx(), report);
    }
}
