// Generation and level names, user-defined attributes and time series: the
// refusals the random run does not reach, each leaving the dump as it was;
// the listings and the time series in one scenario, whose queries fail
// cleanly at each allocation; and a random run of names and tags mixed with
// member adds, renames and deletes, some with allocation failures injected,
// checked against a model after each step.
#include "support/outline.h"

#include "qvlapin.h"

#include <map>
#include <random>
#include <strings.h>

namespace {

bool same(const std::string &a, const std::string &b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// Appends a listing as "number=name;" entries, then "|".
OtlStatus listNames(OtlOutline *o, const char *dim, bool gen, uint16_t sel, std::string *out)
{
    uint32_t n = 7;
    OtlGenLevelEntry *e = nullptr;
    const OtlStatus s = (gen ? adShrOtlGetGenNames : adShrOtlGetLevelNames)(o, dim, sel, &n, &e);
    for (uint32_t i = 0; i < n; ++i)
        *out += std::to_string(e[i].number) + "=" + e[i].name + ";";
    return *out += "|", adShrOtlFree(o->host, e), s;
}

// Appends a list of tags as "text;" slots, then "|"; a failed listing's
// count may be stale.
void slotText(const OtlHostContext *host, OtlNameSlot *slots, uint32_t n, std::string *out)
{
    for (uint32_t i = 0; slots && i < n; ++i)
        *out += std::string(slots[i]) + ";";
    *out += "|", adShrOtlFree(host, slots);
}

} // namespace

class Names : public test::OutlineTest {};

TEST_F(Names, RefusalsChangeNothingAndQueriesListWhatIsThere)
{
    const test::Sample s = buildSample(); // Year(time){Qtr1{Jan}}, Market{East, West{East shared}}
    const auto dts = [&](const char *n, uint16_t g, uint8_t on) { return adShrOtlEnableDTSMember(o, n, g, on); };
    const auto alias = [&](const char *d, const char *a, const char *t) { return adShrOtlSetDTSMemberAlias(o, d, a, t); };
    setAlias(s.sales, 0, "Revenue", true);
    ASSERT_EQ(adShrOtlSetGenName(o, "Year", 2, "Quarters") | dts("h-t-d", 1, 1), OTL_OK);
    std::string got;
    uint16_t count = 9;
    OtlNameSlot *slots = nullptr;
    char *text = nullptr;
    OtlDimUdaRequest request{1, 2, "Nope"};
    OtlDimUdaInfo info{};
    s.east->fieldMaskActive = 1;
    const struct { OtlStatus expected; std::function<OtlStatus()> call; bool fieldAccess = false; } rows[] = {
        {OTL_ERR_ACCESS_MODE, [&] { return adShrOtlSetGenName(o, "Year", 3, "Months"); }, true},
        {OTL_ERR_ACCESS_MODE, [&] { return adShrOtlSetUserAttribute(o, s.east, "Big"); }, true},
        {OTL_ERR_ACCESS_MODE, [&] { return dts("Q-T-D", 3, 1); }, true},
        {OTL_ERR_NO_TIME_DIM, [&] { s.year->dimensionTag = 0; const OtlStatus r = dts("Q-T-D", 3, 1); s.year->dimensionTag = 2; return r; }},
        {OTL_ERR_NOT_DTS_NAME, [&] { return dts("X-T-D", 3, 1); }},
        {OTL_ERR_GEN_LEVEL_EXISTS, [&] { return dts("Q-T-D", 2, 1); }},
        {OTL_ERR_GEN_LEVEL_IS_MEMBER, [&] { return dts("Y-T-D", 3, 1); }}, // its period name is Year
        {OTL_ERR_GEN_LEVEL_IS_MEMBER, [&] { return adShrOtlSetLevelName(o, "Year", 1, "revenue"); }}, // an alias
        {OTL_ERR_DTS_NOT_ENABLED, [&] { return dts("H-T-D", 2, 0); }},
        {OTL_ERR_DTS_NOT_ENABLED, [&] { return dts("H-T-D", 3, 0); }},
        {OTL_ERR_NOT_DTS_NAME, [&] { return alias(nullptr, "Hist", nullptr); }},
        {OTL_ERR_ALIAS, [&] { return alias("H-T-D", std::string(31, 'a').c_str(), nullptr); }},
        {OTL_ERR_ALIAS_TABLE_NOT_FOUND, [&] { return adShrOtlDeleteDTSMemberAlias(o, "h-t-d", "N"); }},
        {OTL_ERR_LIST_SELECTOR, [&] { return listNames(o, "Year", true, 4, &got); }},
        {OTL_ERR_FIELD_MASK, [&] { return adShrOtlGetUserAttributes(o, s.east, &count, &slots); }},
        {OTL_ERR_NO_GEN_LEVEL_NAME, [&] { return adShrOtlGetLevelName(o, "Year", 1, &text); }},
        {OTL_ERR_DIM_NOT_FOUND, [&] { return adShrOtlGetDimensionUserAttributes(o, &request, &info, &slots); }},
    };
    for (const auto &row : rows) {
        const std::string before = (o->fieldAccessMode = row.fieldAccess, dump());
        EXPECT_TRUE(row.call() == row.expected && dump() == before) << "row " << &row - rows;
    }
    // In field-access mode the host's server lists a dimension's tags.
    static void *seen[3];
    qVLSetDimAttributesServer([](QvlEnv env, void *r, void *i, void *a) { return seen[0] = r, seen[1] = i, seen[2] = a, uint32_t(env); });
    request.dimensionName = "Year", o->fieldAccessMode = 1, o->fileServiceHandle = 77;
    EXPECT_TRUE(adShrOtlGetDimensionUserAttributes(o, &request, &info, &slots) == 77 && seen[0] == &request && seen[1] == &info && seen[2] == &slots);
    qVLSetDimAttributesServer(nullptr), o->fieldAccessMode = 0;
    // Year of level 2 names generations 1 (by its series) and 2, level 1,
    // and as read from a file generations 5 and 6 and level 7, beyond its
    // depth; "gen3,YEAR" has the default form, so counts as no name. Tags:
    // Qtr1 Red, Blue; Jan RED, Green and one without text.
    for (const OtlStatus status : // a braced list runs in order
         {adShrOtlSetGenName(o, "Year", 3, "gen3,YEAR"), adShrOtlSetLevelName(o, "Year", 1, "Xev1,Year"), otlAddName(host.ctx(), s.year, "Weeks", 5, OTL_NAME_KIND_GENERATION),
          otlAddName(host.ctx(), s.year, "Days", 6, OTL_NAME_KIND_GENERATION), otlAddName(host.ctx(), s.year, "Deep", 7, OTL_NAME_KIND_LEVEL),
          adShrOtlSetUserAttribute(o, s.qtr1, "Red"), adShrOtlSetUserAttribute(o, s.qtr1, "Blue"), adShrOtlSetUserAttribute(o, s.jan, "RED"),
          adShrOtlSetUserAttribute(o, s.jan, "Green"), otlAddUserAttribute(host.ctx(), s.jan, ""), alias("h-t-d", "Hist", "DEFAULT")})
        ASSERT_EQ(status, OTL_OK);
    OtlDtsEntry *entries = nullptr;
    const auto queries = [&] {
        OtlStatus status = adShrOtlGetEnabledDTSMembers(o, &count, &entries) | adShrOtlGetDTSMemberAlias(o, "H-T-D", "", &text);
        got = status ? "" : entries[0].dtsName + std::to_string(entries[0].generation + o->dtsMembers[0]->dtsGeneration) + text + "|";
        adShrOtlFree(o->host, entries), adShrOtlFree(o->host, text), entries = nullptr;
        for (uint16_t sel = 0; sel < 4; ++sel)
            status |= listNames(o, "Year", true, sel, &got), status |= listNames(o, "Year", false, sel, &got);
        status |= adShrOtlGetUserAttributes(o, s.jan, &count, &slots);
        slotText(o->host, slots, count, &got);
        status |= adShrOtlGetDimensionUserAttributes(o, &request, &info, &slots);
        return slotText(o->host, slots, info.count, &got), status;
    };
    EXPECT_GT(test::sweepAllocations(host, queries, [](uint64_t) {}), 10u);
    EXPECT_EQ(got, "H-T-D2Hist|1=History;2=Quarters;3=Gen3,Year;|0=Lev0,Year;1=Xev1,Year;2=Lev2,Year;|1=History;2=Quarters;0=;|1=Xev1,Year;0=;|"
                   "1=Gen1,Year;2=Gen2,Year;3=Gen3,Year;|0=Lev0,Year;1=Lev1,Year;2=Lev2,Year;||0=Lev0,Year;|RED;Green;;|Red;Blue;Green;|");
    // Disabled twice: the series goes with its name, the alias stays.
    o->verified = 1;
    for (const OtlStatus status : {dts("H-T-D", 1, 0), dts("H-T-D", 1, 0), adShrOtlGetEnabledDTSMembers(o, &count, &entries)})
        EXPECT_EQ(status, OTL_OK);
    EXPECT_TRUE(count == 0 && o->dtsEnabledCount == 0 && o->verified == 0 && entries == nullptr && o->dtsMembers[0]->dtsGeneration == 0xFFFF);
    EXPECT_EQ(adShrOtlGetGenName(o, "Year", 1, &text), OTL_ERR_NO_GEN_LEVEL_NAME);
    EXPECT_TRUE(adShrOtlDeleteDTSMemberAlias(o, "H-T-D", nullptr) == OTL_OK && o->dtsMembers[0]->dtsAliases[0][0] == 0);
    // A series goes when the generation name it lives through goes, or the time dimension.
    ASSERT_EQ(dts("H-T-D", 1, 1) | adShrOtlDeleteGenName(o, "Year", 1), OTL_OK);
    EXPECT_EQ(o->dtsEnabledCount + o->dtsMembers[0]->dtsEnabled, 0);
    ASSERT_EQ(dts("H-T-D", 1, 1), OTL_OK);
    ASSERT_EQ(adShrOtlDeleteDimension(o, s.year, nullptr), OTL_OK);
    EXPECT_TRUE(o->dtsEnabledCount == 0 && !o->dtsMembers[0]->dtsEnabled);
}

TEST_F(Names, RandomNamesAndTagsFollowAModelAndFailCleanly)
{
    // The tree is the outline's own; the model holds each item's names and
    // tags. One pool of texts serves members, names and tags, so that every
    // clash comes up; the last two break the name rules.
    const char *pool[] = {"a", "b", "Tops", "tops", "Mid", "Gen2,D0", "Red", "RED", "Alias", "@bad", " bad"};
    struct Name { bool gen; uint16_t number; std::string text; };
    std::map<const OtlItem *, std::vector<Name>> names;
    std::map<const OtlItem *, std::vector<std::string>> tags;
    setAlias(add("x", dim("D0", dim("D1", dim("D2")))), 0, "Alias", true);
    std::mt19937 rng(7);
    const auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    const auto items = [&] {
        std::vector<OtlItem *> all;
        for (OtlItem *i = o->root->firstChild; i; i = otl::nextInSubtree(i, o->root))
            all.push_back(i);
        return all;
    };
    const auto used = [&](const std::string &t) { // as a member name or an alias: the lookup has its own tests
        OtlItem *found = nullptr;
        return otlHashLookup(o->host, o, t.c_str(), nullptr, true, true, 0, nullptr, &found), found != nullptr;
    };
    const auto named = [&](const std::string &t) { // as a generation or level name
        const auto in = [&](const auto &e) { return std::any_of(e.second.begin(), e.second.end(), [&](const Name &n) { return same(n.text, t); }); };
        return std::any_of(names.begin(), names.end(), in);
    };
    for (uint64_t step = 0; step < test::iterations(); ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const std::vector<OtlItem *> all = o->root->firstChild ? items() : std::vector<OtlItem *>{dim("D0")};
        const size_t r = pick(9), op = r < 3 || (r == 4 && all.size() < 12) ? 0 : r - 2; // adds outweigh deletes
        OtlItem *item = all[pick(all.size())];
        item = (op == 3 || op == 4) && pick(4) ? otlGetDim(item) : item; // names go mostly to dimensions
        OtlItem *target = find(item->memberName);
        const std::string text = pick(3) ? pool[pick(11)] : "m" + std::to_string(step);
        const bool gen = pick(2), shared = item->shareOption == OTL_SHARE_SHARED, valid = text[0] != '@' && text[0] != ' ';
        const uint16_t number = static_cast<uint16_t>(pick(4));
        std::vector<Name> &list = names[target];
        std::vector<std::string> &tagList = tags[item];
        const auto at = std::find_if(list.begin(), list.end(), [&](const Name &n) { return n.gen == gen && n.number == number; });
        const auto tagAt = std::find_if(tagList.begin(), tagList.end(), [&](const std::string &t) { return same(t, text); });
        const OtlStatus dimension = target && target->generation == 1 ? OTL_OK : OTL_ERR_DIM_NOT_FOUND;
        const long smaller = std::count_if(list.begin(), list.end(), [&](const Name &n) { return n.number < number; });
        std::function<OtlStatus()> call;
        std::function<void()> apply = [] {};
        OtlStatus expected = OTL_OK;
        if (op == 0 && item->generation > 1 && !shared && pick(2)) // a shared copy of a member
            call = [&] { return tryAdd(item->memberName, otlGetDim(item), nullptr, OTL_SHARE_SHARED); }, expected = named(item->memberName) ? OTL_ERR_RULE_GEN_LEVEL_NAME : 0;
        else if (op == 0) // a member, or a dimension beside a shared member
            call = [&] { return tryAdd(text.c_str(), shared ? nullptr : item); },
            expected = !valid ? OTL_ERR_MEMBER_NAME : used(text) ? OTL_ERR_MEMBER_NAME_USED : named(text) ? OTL_ERR_RULE_GEN_LEVEL_NAME : 0;
        else if (op == 1 && !shared && !used(text)) // not looked up: a free name, perhaps a generation or level name
            call = [&] { return adShrOtlRenameMember(o, item, text.c_str()); }, expected = valid ? 0 : OTL_ERR_MEMBER_NAME;
        else if (op == 2) // the model forgets the items that went
            call = [&] { return adShrOtlDeleteMember(o, item, OTL_CHECK_ALL); }, apply = [&] {
                const std::vector<OtlItem *> left = items();
                const auto gone = [&](auto &e) { return std::find(left.begin(), left.end(), e.first) == left.end(); };
                std::erase_if(names, gone), std::erase_if(tags, gone);
            };
        else if (op == 3) // after the last record of a smaller number, else after the first unless it is greater
            call = [&] { return (gen ? adShrOtlSetGenName : adShrOtlSetLevelName)(o, item->memberName, number, text.c_str()); },
            expected = !valid ? OTL_ERR_GEN_LEVEL_NAME : dimension ? dimension : gen && !number ? OTL_ERR_GENERATION_ZERO : at != list.end() ? OTL_ERR_GEN_LEVEL_EXISTS
                     : named(text) ? OTL_ERR_GEN_LEVEL_NAME_USED : used(text) ? OTL_ERR_GEN_LEVEL_IS_MEMBER : 0,
            apply = [&] { list.insert(list.begin() + (list.empty() || list[0].number > number ? 0 : std::max(smaller, 1L)), {gen, number, text}); };
        else if (op == 4)
            call = [&] { return (gen ? adShrOtlDeleteGenName : adShrOtlDeleteLevelName)(o, item->memberName, number); },
            expected = dimension ? dimension : at == list.end() ? OTL_ERR_NO_GEN_LEVEL_NAME : 0, apply = [&] { list.erase(at); };
        else if (op == 5)
            call = [&] { return adShrOtlSetUserAttribute(o, item, text.c_str()); }, expected = !valid ? OTL_ERR_UDA_NAME : shared ? OTL_ERR_RULE_SHARED_UDA : 0,
            apply = [&] { tagAt == tagList.end() ? tagList.push_back(text) : void(); };
        else if (op == 6)
            call = [&] { return adShrOtlDeleteUserAttribute(o, item, text.c_str()); }, expected = tagAt == tagList.end() ? OTL_ERR_UDA_NOT_FOUND : 0,
            apply = [&] { tagList.erase(tagAt); };
        else
            continue;
        const std::string before = (o->verified = 1, dump());
        if (expected == OTL_OK && pick(4) == 0)
            test::sweepAllocations(host, call, [&](uint64_t) { ASSERT_EQ(test::dumpDiff(before, dump()), ""); });
        else
            ASSERT_EQ(call(), expected);
        ASSERT_EQ(test::dumpDiff(before, expected ? dump() : before), "");
        expected ? void() : apply();
        EXPECT_EQ(+o->verified, expected != OTL_OK);
        // Every dimension's names and every member's tags as in the model.
        std::string want, got;
        for (OtlItem *i : items()) {
            for (const Name &n : names[i]) want += std::to_string(n.gen) + std::to_string(n.number) + n.text + ";";
            for (const OtlGenLevelName *g = i->genLevelNames; g; g = g->nextName) got += std::to_string(g->nameKind) + std::to_string(g->nameNumber) + g->nameText + ";";
            for (const std::string &t : tags[i]) want += "/" + t;
            for (const OtlUserAttr *u = i->userAttributes; u; u = u->next) got += "/" + std::string(u->text);
        }
        ASSERT_EQ(got, want);
    }
}
