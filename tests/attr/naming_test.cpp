// Attribute members through the editing operations: a randomised run of
// adds, renames, moves and deletes of attribute dimensions, groups and value
// members under every name format, affix, separator and date format. After
// each step every value member's name must be the one composed here from the
// value given, its short name kept and hashed as the format says, and the
// counters, roles, dimension numbers and the attribute calculations
// dimension must agree with the tree; a refused step, or an add failing at
// any allocation, changes nothing.
#include "support/outline.h"

#include <chrono>
#include <map>
#include <random>

namespace {

bool isAttr(const OtlItem *x) { return x->dimensionTag == OTL_TAG_ATTRIBUTE; }
bool isAttrDim(const OtlItem *x) { return isAttr(x) && x->generation == 1; }
bool isGroup(const OtlItem *x) { return isAttr(x) && x->generation > 1 && !x->attrValueType; }
bool isParent(const OtlItem *x) { return isAttrDim(x) || (isGroup(x) && x->generation < 4); }
bool isValue(const OtlItem *x) { return isAttr(x) && x->generation > 1 && x->attrValueType; }

OtlMbrInfo attrDim(const std::string &name, uint16_t type)
{
    OtlMbrInfo i = test::attrInfo(name.c_str(), type);
    i.storageType = 1, i.dimensionCategory = 12; // sparse, attribute
    return i;
}

class AttrNaming : public test::OutlineTest {
protected:
    std::vector<OtlItem *> items(bool (*keep)(const OtlItem *), const OtlItem *top = nullptr) const
    {
        top = top ? top : o->root;
        std::vector<OtlItem *> out;
        for (OtlItem *x = top->firstChild; x; x = otl::nextInSubtree(x, top))
            if (keep(x))
                out.push_back(x);
        return out;
    }

    OtlItem *pick(bool (*keep)(const OtlItem *))
    {
        const std::vector<OtlItem *> from = items(keep);
        return from.empty() ? nullptr : from[rnd() % from.size()];
    }

    // An outline with one base and one attribute dimension; the
    // specifications are set once the calculations dimension has brought
    // the defaults.
    void restart(uint64_t round)
    {
        values.clear();
        ASSERT_EQ(adShrOtlCloseOutline(o), OTL_OK);
        o = newOutline();
        dim(attrDim("A0", types[round % 4]), dim("Base"));
        o->attrSpecs.nameFormat = round % 5;
        o->attrSpecs.affixPosition = round / 5 % 2;
        o->attrSpecs.separator = round % 4;
        o->attrSpecs.dateFormat = round / 2 % 2;
        o->changeLogEnabled = round % 3 == 0;
    }

    // The long name the specifications compose for a value under `parent`,
    // as it is or as it would be with `item` renamed `as` or moved under `under`.
    std::string composed(const OtlItem *parent, std::string name, const OtlItem *item = nullptr,
                         const std::string &as = "", const OtlItem *under = nullptr) const
    {
        const OtlAttrSpecs &s = o->attrSpecs;
        std::vector<std::string> parts;
        for (const OtlItem *a = parent; a->generation >= 1; a = a == item && under ? under : a->parent)
            parts.push_back(a == item && !as.empty() ? as : a->memberName);
        if (s.nameFormat == 0 || parts.empty())
            return name;
        if (s.nameFormat == 4)
            parts.erase(parts.begin(), parts.end() - 1);
        else if (s.nameFormat < 3)
            parts.resize(std::min<size_t>(s.nameFormat, parts.size()));
        const char separator = "_|^_"[s.separator];
        for (const std::string &p : parts)
            name = s.affixPosition ? name + separator + p : p + separator + name;
        return name;
    }

    // The longest name the values below `top` would compose to.
    size_t longest(const OtlItem *top, const OtlItem *item, const std::string &as, const OtlItem *under = nullptr)
    {
        size_t n = 0;
        for (OtlItem *x : items(isValue, top))
            if (x->attrValueType != OTL_ATTR_TEXT)
                n = std::max(n, composed(x->parent, values[x].first, item, as, under).size());
        return n;
    }

    std::string nameOf(const OtlItem *parent, uint16_t type, const std::string &text) const
    {
        return type == OTL_ATTR_TEXT || type == OTL_ATTR_NONE ? text : composed(parent, text);
    }

    // A fresh value of the type: the name to give and its canonical text.
    std::pair<std::string, std::string> newValue(uint16_t type)
    {
        const int k = ++counter;
        if (type == OTL_ATTR_NUMERIC) {
            const int f = rnd() % 3, negative = rnd() % 2;
            const char *fraction[] = {"", ".5", ".25"}, *written[] = {".0", ".50", ".250"};
            const std::string digits = std::to_string(k);
            return {(negative ? "-00" : "+0") + digits + written[f], digits + fraction[f] + (negative ? "-" : "")};
        }
        std::string text = type == OTL_ATTR_BOOLEAN ? (k % 2 ? "True" : "False") : "T" + std::to_string(k);
        if (type == OTL_ATTR_DATE) {
            const std::chrono::year_month_day d{std::chrono::sys_days{std::chrono::days{k * 97 % 24000}}};
            const unsigned m = unsigned(d.month()), day = unsigned(d.day());
            const unsigned first = o->attrSpecs.dateFormat ? day : m;
            char written[16];
            snprintf(written, sizeof written, "%02u-%02u-%04d", first, m + day - first, int(d.year()));
            text = written;
        }
        return {text, text};
    }

    void forget(const OtlItem *top)
    {
        values.erase(top);
        for (OtlItem *x : items(isValue, top))
            values.erase(x);
    }

    void check()
    {
        ASSERT_EQ(test::hashProblems(o), "");
        uint32_t dims = 0, baseDims = 0, stored = 0, calcs = 0;
        const std::vector<OtlItem *> all = items([](const OtlItem *) { return true; });
        std::map<const OtlItem *, std::vector<std::string>> hashed;
        for (const OtlHashBucket &b : o->nameHash->buckets)
            for (uint32_t i = 0; i < b.count; ++i)
                hashed[b.entries[i].item].push_back(b.entries[i].name);
        for (OtlItem *x : all) {
            const OtlItem *d = otlGetDim(x);
            stored += x->shareOption != OTL_SHARE_SHARED && x->shareOption != OTL_SHARE_LABEL_ONLY;
            EXPECT_EQ(+x->attrRole, isAttr(x) ? 1 : x->dimensionTag == OTL_TAG_ATTR_CALC ? 4 : 0) << x->memberName;
            EXPECT_EQ(+x->dimensionNumber, +d->dimensionNumber) << x->memberName;
            EXPECT_EQ(find(x->memberName), x);
            if (x == d) {
                ++dims;
                calcs += x->dimensionTag == OTL_TAG_ATTR_CALC;
                baseDims += !isAttr(x) && x->dimensionTag != OTL_TAG_ATTR_CALC;
                ASSERT_GT(+x->dimensionNumber, 0u);
                EXPECT_EQ(o->dimTable[x->dimensionNumber - 1], x) << x->memberName;
            }
            // Hashed under its name, and a value also under its short name
            // where the name is composed: under no name it had before.
            std::vector<std::string> names{x->memberName};
            if (const auto v = values.find(x); v != values.end()) {
                EXPECT_EQ(x->memberName, nameOf(x->parent, x->attrValueType, v->second.first));
                char written[OTL_NAME_SIZE] = "";
                if (x->attrValueType != OTL_ATTR_TEXT) {
                    EXPECT_EQ(otlAttrGetShortName(o, x, written), OTL_OK);
                    EXPECT_EQ(written, v->second.first) << "the value read from the name";
                }
                const char *shortName = x->attrLink.attrMember.attrShortName;
                EXPECT_EQ(shortName ? shortName : "-", v->second.second ? v->second.first : "-") << x->memberName;
                if (shortName && o->attrSpecs.nameFormat != 0) {
                    names.push_back(shortName);
                    EXPECT_NE(find(shortName), x) << "found by its short name alone";
                }
            }
            std::sort(names.begin(), names.end());
            std::sort(hashed[x].begin(), hashed[x].end());
            EXPECT_EQ(hashed[x], names);
        }
        EXPECT_EQ(+o->stats.dimCount, dims);
        EXPECT_EQ(+o->stats.baseDimCount, baseDims);
        EXPECT_EQ(+o->stats.memberCount, all.size());
        EXPECT_EQ(+o->stats.storedMemberCount, stored);
        // One calculations dimension, last and label-only, exactly while an
        // attribute dimension exists.
        const OtlItem *last = test::lastChild(o->root);
        ASSERT_EQ(last->dimensionTag == OTL_TAG_ATTR_CALC, !items(isAttrDim).empty());
        EXPECT_EQ(calcs, !items(isAttrDim).empty() ? 1u : 0u);
        std::string calc = std::to_string(last->shareOption);
        for (const OtlItem *c = last->firstChild; c; c = c->nextSibling)
            calc += std::string(",") + c->memberName;
        EXPECT_EQ(calc, last->dimensionTag == OTL_TAG_ATTR_CALC ? "2,Sum,Count,Average,Min,Max" : calc);
    }

    const uint16_t types[4] = {OTL_ATTR_NUMERIC, OTL_ATTR_BOOLEAN, OTL_ATTR_DATE, OTL_ATTR_TEXT};
    std::mt19937 rnd{20240611};
    // Each value member's canonical value text, and whether it keeps it as
    // its short name.
    std::map<const OtlItem *, std::pair<std::string, bool>> values;
    int counter = 0;
};

} // namespace

TEST_F(AttrNaming, RandomEditsKeepNamesShortNamesAndCountersCoupled)
{
    const uint64_t steps = test::iterations();
    uint64_t done[8] = {};
    for (uint64_t step = 0; step < steps; ++step) {
        if (step % 150 == 0)
            restart(step / 150);
        const std::string before = dump(), fresh = std::to_string(++counter);
        const int op = rnd() % 8;
        OtlItem *member = pick(op == 1 || op == 2 || op == 4 ? isParent : op == 6 ? isGroup : isValue);
        OtlItem *to = pick(isParent);
        OtlStatus status = OTL_OK, expected = OTL_OK;
        // The longest name the step composes: one of 81 characters is cut to
        // 80 without a fault, so such steps are left out.
        size_t length = 0;
        if (op == 0) { // an attribute dimension added after the others, or deleted
            const std::vector<OtlItem *> dims = items(isAttrDim);
            OtlMbrInfo i = attrDim("A" + fresh, types[rnd() % 4]);
            if (dims.size() >= 3)
                forget(to = dims[rnd() % 3]), status = adShrOtlDeleteDimension(o, to, nullptr);
            else
                status = adShrOtlAddDimension(o, &i, dims.empty() ? o->root->firstChild : dims.back(), nullptr, &to);
        } else if (op == 1 || op == 2) { // a group or a value member added
            if (!member)
                continue;
            const uint16_t type = op == 1 ? OTL_ATTR_NONE : otlGetDim(member)->attrValueType;
            const auto [given, text] = op == 1 ? std::pair{"G" + fresh, "G" + fresh} : newValue(type);
            const std::string name = nameOf(member, type, text);
            if ((length = name.size()) == OTL_NAME_SIZE)
                continue;
            expected = find(name.c_str()) ? OTL_ERR_MEMBER_NAME_USED : OTL_OK;
            const OtlMbrInfo i = test::attrInfo(given.c_str(), type);
            if (expected == OTL_OK && length < OTL_NAME_SIZE && rnd() % 4 == 0) // fails cleanly at every allocation
                test::sweepAllocations(host, [&] { return tryAdd(i, member, nullptr, OTL_CHECK_ALL, &to); },
                                       [&](uint64_t n) { EXPECT_EQ(test::dumpDiff(before, dump()), "") << n; });
            else
                status = tryAdd(i, member, nullptr, OTL_CHECK_ALL, &to);
            if (status == OTL_OK && op == 2)
                values[to] = {text, type != OTL_ATTR_TEXT};
        } else if (op == 3) { // a value member renamed to a new value
            if (!member)
                continue;
            const auto [given, text] = newValue(member->attrValueType);
            const std::string name = nameOf(member->parent, member->attrValueType, text);
            if (find(name.c_str()) || (length = name.size()) == OTL_NAME_SIZE)
                continue;
            status = adShrOtlRenameMember(o, member, given.c_str());
            if (status == OTL_OK)
                values[member] = {text, member->attrValueType != OTL_ATTR_TEXT};
        } else if (op == 4) { // a group or an attribute dimension renamed, maybe too long for the values below
            if (!member)
                continue;
            const std::string name =
                (isGroup(member) ? "G" : "A") + fresh + std::string(rnd() % 2 * (60 + rnd() % 15), 'x');
            if ((length = longest(member, member, name)) == OTL_NAME_SIZE)
                continue;
            status = adShrOtlRenameMember(o, member, name.c_str());
        } else if (op == 5) { // a value member moved within or across dimensions
            if (!member || !to)
                continue;
            // Within a dimension only as a child: after a sibling, the
            // composed name does not follow the new parent.
            const bool across = otlGetDim(to) != otlGetDim(member);
            OtlItem *after = across && rnd() % 2 ? to->firstChild : nullptr;
            auto &v = values[member];
            const std::string name = nameOf(after ? after->parent : to, member->attrValueType, v.first);
            if (after == member || name.size() >= OTL_NAME_SIZE)
                continue;
            const OtlItem *clash = find(name.c_str());
            expected = clash && clash != member ? OTL_ERR_ATTR_REBUILT_NAME : OTL_OK;
            status = adShrOtlMoveMember(o, member, after ? nullptr : to, after);
            v.second = v.second && (status != OTL_OK || !across);
        } else if (op == 6) { // a group moved within its dimension
            if (!member || !to || otlGetDim(to) != otlGetDim(member) || otlIsInside(to, member))
                continue;
            if ((length = longest(member, member, "", to)) == OTL_NAME_SIZE)
                continue;
            status = adShrOtlMoveMember(o, member, to, nullptr);
        } else { // a value member deleted, or made a dimension, or a group deleted
            if (!member || (rnd() % 3 == 0 && !(member = pick(isGroup))))
                continue;
            // Not a boolean: a dimension named like other members' short names
            // would meet a refused rename, which does not keep the order of
            // equal names in the hash.
            if (isValue(member) && member->attrValueType != OTL_ATTR_BOOLEAN && rnd() % 2) {
                if (find(values[member].first.c_str()))
                    continue;
                if ((status = adShrOtlMoveMember(o, member, nullptr, items(isAttrDim).back())) == OTL_OK)
                    forget(member);
            } else {
                forget(member);
                status = adShrOtlDeleteMember(o, member, OTL_CHECK_ALL);
            }
        }
        ASSERT_EQ(status, length > OTL_NAME_SIZE ? OTL_ERR_ATTR_NAME_LONG : expected)
            << "step " << step << " op " << op;
        if (status != OTL_OK) {
            ASSERT_EQ(test::dumpDiff(before, dump()), "") << "step " << step << " op " << op;
        }
        done[op] += status == OTL_OK;
        check();
        ASSERT_FALSE(HasFailure()) << "step " << step << " op " << op << "\n" << test::dumpDiff(before, dump());
    }
    for (int op = 0; op < 8; ++op)
        EXPECT_GT(done[op], steps / 100) << "op " << op;
}

// A member that takes its type from its dimension leaves the dimension's
// type alone; a composed name one byte over the limit is refused, never
// cut; a move that renames a member logs the rename, then the move under
// the new name; an older client's text member leaves no copy of its name.
TEST_F(AttrNaming, DimensionTypesNameLimitsRenamingMovesAndOlderClients)
{
    OtlItem *size = dim(attrDim("Size", OTL_ATTR_NUMERIC), dim("Base"));
    o->attrSpecs.nameFormat = OTL_NAME_FORMAT_PARENT;
    for (const char *value : {"10", "20"}) {
        EXPECT_EQ(add(test::attrInfo(value, OTL_ATTR_DIM_TYPE), size)->attrValueType, OTL_ATTR_NUMERIC);
    }
    EXPECT_EQ(size->attrValueType, OTL_ATTR_NUMERIC);
    // A value member that gets a child is a group: its short name is its name.
    OtlItem *ten = find("Size_10"), *five = nullptr;
    o->verified = 1;
    EXPECT_EQ(tryAdd(test::attrInfo("5", OTL_ATTR_DIM_TYPE), ten, nullptr, OTL_CHECK_ALL, &five), OTL_OK);
    EXPECT_TRUE(five && ten->attrValueType == OTL_ATTR_NONE && !o->verified);
    for (size_t length : {78, 79}) { // with "_1": 80 bytes fit, 81 do not
        OtlItem *group = add(test::attrInfo(std::string(length, 'g').c_str(), OTL_ATTR_NONE), size);
        const std::string before = dump();
        EXPECT_EQ(tryAdd(test::attrInfo("1", OTL_ATTR_NUMERIC), group),
                  length == 78 ? OTL_OK : OTL_ERR_ATTR_NAME_LONG);
        EXPECT_TRUE(length == 78 || test::dumpDiff(before, dump()).empty()) << "refused, unchanged";
    }
    OtlItem *small = add(test::attrInfo("Small", OTL_ATTR_NONE), size);
    OtlItem *big = add(test::attrInfo("Big", OTL_ATTR_NONE), size);
    OtlItem *thirty = add(test::attrInfo("30", OTL_ATTR_NUMERIC), small);
    o->changeLogEnabled = 1;
    ASSERT_EQ(adShrOtlMoveMember(o, thirty, big, nullptr), OTL_OK);
    EXPECT_EQ(test::texts(o->changeLogTail->prev), (std::vector<std::string>{"Big_30", "Small_30"}));
    EXPECT_EQ(test::texts(o->changeLogTail),
              (std::vector<std::string>{"Big_30", "Small", "-", "Big", "-", "-"}));
    host.mutableCtx()->clientVersion = 0x50600;
    OtlMbrInfo red = test::attrInfo("Red", OTL_ATTR_TEXT);
    OtlItem *colour = dim(attrDim("Colour", OTL_ATTR_TEXT), size), *item = nullptr;
    ASSERT_EQ(adShrOtlAddMember(o, &red, colour, nullptr, &item, OTL_CHECK_ALL), OTL_OK);
    EXPECT_EQ(std::string(red.attrValue, red.attrValue + 8), std::string(8, '\0')); // no copy kept
}
