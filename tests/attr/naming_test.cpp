// Attribute members through the editing operations: a randomised run of
// adds, renames, moves and deletes of attribute dimensions, groups, value
// members and base members, associations, new tags and new specifications,
// under every name format, affix, separator and date format. After each step
// every value member's name must be the one composed here from the value
// given, its short name kept and hashed as the format says, the counters,
// roles, dimension numbers and the attribute calculations dimension must
// agree with the tree, and every link slot and association entry with the
// model; a refused step, or one failing at any allocation, changes nothing.
#include "attr/register.h"
#include "support/outline.h"

#include <chrono>
#include <map>
#include <random>
#include <set>
#include <span>

namespace {

bool isAttr(const OtlItem *x) { return x->dimensionTag == OTL_TAG_ATTRIBUTE; }
bool isAttrDim(const OtlItem *x) { return isAttr(x) && x->generation == 1; }
bool isGroup(const OtlItem *x) { return isAttr(x) && x->generation > 1 && !x->attrValueType; }
bool isParent(const OtlItem *x) { return isAttrDim(x) || (isGroup(x) && x->generation < 4); }
bool isValue(const OtlItem *x) { return isAttr(x) && x->generation > 1 && x->attrValueType; }
bool isLeaf(const OtlItem *x) { return isAttr(x) && !x->firstChild; }
bool isBase(const OtlItem *x) { return x->generation > 0 && !otl::isAttrTag(x->dimensionTag); }
bool isBaseDim(const OtlItem *x) { return isBase(x) && x->generation == 1; }
bool isBaseMember(const OtlItem *x) { return isBase(x) && x->generation > 1; }
bool isDim(const OtlItem *x) { return x->generation == 1 && x->dimensionTag != OTL_TAG_ATTR_CALC; }

// Sparse, so that it may be linked, also once it is a dimension.
OtlMbrInfo baseInfo(const std::string &name) { OtlMbrInfo i = test::info(name.c_str()); i.storageType = 1; return i; }

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

    // One of `from`, mostly one that `good` accepts.
    template <class Good>
    OtlItem *prefer(std::vector<OtlItem *> from, Good good)
    {
        std::erase_if(from, [&](OtlItem *y) { return !good(y) && rnd() % 4; });
        return from.empty() ? nullptr : from[rnd() % from.size()];
    }

    // An outline with one base and one attribute dimension; the
    // specifications are set once the calculations dimension has brought
    // the defaults.
    void restart(uint64_t round)
    {
        values.clear(), slots.clear(), entries.clear(), owner.clear(), linked.clear();
        ASSERT_EQ(adShrOtlCloseOutline(o), OTL_OK);
        o = newOutline();
        OtlItem *base = dim(baseInfo("Base")), *a0 = dim(attrDim("A0", types[round % 4]), base);
        add(baseInfo("M1"), add(baseInfo("M0"), base));
        ASSERT_EQ(adShrOtlAssociateAttributeDimension(o, base, a0), OTL_OK);
        slots[base] = {a0};
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
        std::string text = type == OTL_ATTR_BOOLEAN ? (k % 2 ? o->attrSpecs.trueName : o->attrSpecs.falseName)
                                                    : "T" + std::to_string(k);
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

    // The subtree's cells are emptied, its base members' entries dropped, a
    // dimension's slots too, and no slot links to it any more.
    void unlink(OtlItem *top, bool names = false)
    {
        for (OtlItem *x = top; x; x = otl::nextInSubtree(x, top)) {
            std::erase_if(owner, [&](const auto &c) { return c.second == x; });
            for (auto &[b, s] : slots)
                std::replace(s.begin(), s.end(), x, static_cast<OtlItem *>(nullptr));
            entries.erase(x), linked.erase(x), slots.erase(x);
            if (names)
                values.erase(x);
        }
    }
    void forget(OtlItem *top) { unlink(top, true); }

    const OtlItem *baseOf(const OtlItem *attrDim)
    {
        const auto at = std::ranges::find_if(slots, [&](const auto &b) { return std::ranges::count(b.second, attrDim); });
        return at == slots.end() ? nullptr : at->first;
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
            // A dimension stays linked while it has two slots or a live one.
            const std::vector<OtlItem *> &s = slots[d];
            const bool isLinked = x == d ? s.size() > 1 || (s.size() == 1 && s[0]) : linked.count(x) != 0;
            EXPECT_EQ(+x->attrRole, isAttr(x) ? 1 : x->dimensionTag == OTL_TAG_ATTR_CALC ? 4 : 2 * isLinked)
                << x->memberName;
            if (isBaseDim(x)) { // the slots
                const auto &l = x->attrLink.baseDim;
                ASSERT_EQ(l.attrLinkCount, s.size()) << x->memberName;
                for (size_t k = 0; k < s.size(); ++k)
                    EXPECT_TRUE(l.attrLinks[k].attrDim == s[k] && l.attrLinkLevels[k] == 0) << x->memberName;
            } else if (isBase(x)) { // the entries: each holds its member or was emptied, a member of its slot's dimension
                const auto &n = x->attrLink.baseMember;
                const std::vector<OtlItem **> &e = entries[x];
                ASSERT_TRUE(std::ranges::equal(e, std::span(n.attrMemberLinks, n.attrMemberCount))) << x->memberName;
                for (size_t k = 0; k < e.size(); ++k)
                    EXPECT_TRUE(!e[k] || (*e[k] == (owner.count(e[k]) ? owner[e[k]] : nullptr) &&
                                          (!*e[k] || k >= s.size() || !s[k] || otlGetDim(*e[k]) == s[k])));
                EXPECT_EQ(+x->hasAttrValue, isLinked) << x->memberName;
            }
            OtlItem **cell = otlAttrCellOf(x); // emptied when it got a child
            EXPECT_TRUE((!cell || !*cell || *cell == x) && (!isAttrDim(x) || (x->attrLink.attrDim.attrBaseDim == baseOf(x) &&
                                                                            !x->attrLink.attrDim.attrLinkLevel)));
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
    // The associations: each base dimension's link slots, each base
    // member's entries (cells), the cells that hold their item, and the
    // base members associated.
    std::map<const OtlItem *, std::vector<OtlItem *>> slots;
    std::map<const OtlItem *, std::vector<OtlItem **>> entries;
    std::map<OtlItem **, const OtlItem *> owner;
    std::set<const OtlItem *> linked;
    int counter = 0;
};

} // namespace

TEST_F(AttrNaming, RandomEditsKeepNamesShortNamesAndCountersCoupled)
{
    const uint64_t steps = test::iterations();
    uint64_t done[14] = {};
    for (uint64_t step = 0; step < steps; ++step) {
        if (step % 150 == 0)
            restart(step / 150);
        std::string before = dump();
        const std::string fresh = std::to_string(++counter);
        const int op = rnd() % 14;
        OtlItem *member = pick(op == 1 || op == 2 || op == 4 ? isParent : op == 6 ? isGroup : op > 7 ? isBase : isValue);
        OtlItem *to = pick(op > 7 ? isBase : isParent);
        OtlStatus status = OTL_OK, expected = OTL_OK;
        // The longest name the step composes: one of 81 characters is cut to
        // 80 without a fault, so such steps are left out.
        size_t length = 0;
        // A step expected to succeed first fails at each allocation in turn, a
        // third of the time; not one that creates the calculations dimension,
        // whose failures all give OTL_ERR_ATTR_CALC_CREATE.
        const auto attempt = [&](auto run) {
            if (expected != OTL_OK || length >= OTL_NAME_SIZE || rnd() % 3 ||
                test::lastChild(o->root)->dimensionTag != OTL_TAG_ATTR_CALC)
                return run();
            test::sweepAllocations(host, run, [&](uint64_t n) { EXPECT_EQ(test::dumpDiff(before, dump()), "") << n; });
            return OtlStatus{OTL_OK}; // the last run succeeded, or the sweep failed the test
        };
        if (op == 0) { // an attribute dimension added after the others, or deleted
            const std::vector<OtlItem *> dims = items(isAttrDim);
            OtlMbrInfo i = attrDim("A" + fresh, types[rnd() % 4]);
            if (dims.size() >= 3)
                forget(to = dims[rnd() % 3]), status = adShrOtlDeleteDimension(o, to, nullptr);
            else
                status = adShrOtlAddDimension(o, &i, test::lastChild(o->root)->prevSibling && !dims.empty() ? test::lastChild(o->root)->prevSibling : test::lastChild(o->root), nullptr, &to);
        } else if (op == 1 || op == 2) { // a group or a value member added
            if (!member || (op == 2 && !otlGetDim(member)->attrValueType)) // a retagged dimension has no type
                continue;
            const uint16_t type = op == 1 ? OTL_ATTR_NONE : otlGetDim(member)->attrValueType;
            const auto [given, text] = op == 1 ? std::pair{"G" + fresh, "G" + fresh} : newValue(type);
            const std::string name = nameOf(member, type, text);
            if ((length = name.size()) == OTL_NAME_SIZE)
                continue;
            expected = find(name.c_str()) ? OTL_ERR_MEMBER_NAME_USED : OTL_OK;
            const OtlMbrInfo i = test::attrInfo(given.c_str(), op == 2 && rnd() % 2 ? OTL_ATTR_DIM_TYPE : type);
            if (expected == OTL_OK && length < OTL_NAME_SIZE && rnd() % 4 == 0) // fails cleanly at every allocation
                test::sweepAllocations(host, [&] { return tryAdd(i, member, nullptr, OTL_CHECK_ALL, &to); },
                                       [&](uint64_t n) { EXPECT_EQ(test::dumpDiff(before, dump()), "") << n; });
            else
                status = tryAdd(i, member, nullptr, OTL_CHECK_ALL, &to);
            if (status == OTL_OK && op == 2)
                values[to] = {text, type != OTL_ATTR_TEXT};
            if (status == OTL_OK) // the parent, now with a child, leaves its associations
                std::erase_if(owner, [&](const auto &c) { return c.second == member; });
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
            status = attempt([&] { return adShrOtlMoveMember(o, member, after ? nullptr : to, after); });
            v.second = v.second && (status != OTL_OK || !across);
            if (status == OTL_OK && across)
                unlink(member);
        } else if (op == 6) { // a group moved within its dimension
            if (!member || !to || otlGetDim(to) != otlGetDim(member) || otlIsInside(to, member))
                continue;
            if ((length = longest(member, member, "", to)) == OTL_NAME_SIZE)
                continue;
            status = attempt([&] { return adShrOtlMoveMember(o, member, to, nullptr); });
        } else if (op == 7) { // a value member deleted, or made a dimension, or a group deleted
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
        } else if (op == 8) { // a base member added, renamed or deleted
            const int how = rnd() % 5;
            OtlMbrInfo i = baseInfo("B" + fresh);
            if (!member)
                continue;
            else if (how < 3)
                status = attempt([&] { return tryAdd(i, member, nullptr, OTL_CHECK_ALL, &to); });
            else if (how == 3)
                status = adShrOtlRenameMember(o, member, i.memberName);
            else if (member->generation > 1) // dimensions stay: the outline keeps one
                forget(member), status = adShrOtlDeleteMember(o, member, OTL_CHECK_ALL);
            else
                continue;
        } else if (op == 9) { // an attribute dimension linked to a base dimension, or unlinked
            OtlItem *a = pick([](const OtlItem *x) { return isAttrDim(x) && x->storageType == 1; });
            OtlItem *b = pick([](const OtlItem *x) { return isBaseDim(x) && x->storageType == 1; });
            if (!a || !b)
                continue;
            std::vector<OtlItem *> &s = slots[b];
            const bool off = std::ranges::count(s, a) && rnd() % 2;
            expected = !off && baseOf(a) ? OTL_ERR_ATTR_ALREADY : OTL_OK;
            status = attempt([&] {
                return (off ? adShrOtlDisassociateAttributeDimension : adShrOtlAssociateAttributeDimension)(o, b, a);
            });
            if (status == OTL_OK)
                off ? void(std::ranges::replace(s, a, nullptr)) : s.push_back(a);
        } else if (op == 10) { // an attribute member associated with a base member, maybe replacing, or not
            const uint8_t replace = rnd() % 3; // 2: disassociated
            // Mostly a member associated already to disassociate, else one of a
            // linked dimension; then a member of a dimension linked to its
            // dimension, or one it is associated with.
            OtlItem *m = prefer(items(isBaseMember), [&](OtlItem *y) {
                return replace == 2 ? linked.count(y) != 0 : std::ranges::any_of(slots[otlGetDim(y)], std::identity());
            });
            OtlItem *x = prefer(items(isLeaf), [&](OtlItem *y) { return m && baseOf(otlGetDim(y)) == otlGetDim(m); });
            if (!x || !m)
                continue;
            const std::vector<OtlItem *> &s = slots[otlGetDim(m)];
            std::vector<OtlItem **> &e = entries[m];
            for (OtlItem **c : e)
                x = replace == 2 && c && owner.count(c) && rnd() % 2 ? const_cast<OtlItem *>(owner[c]) : x;
            const size_t i = std::ranges::find(s, otlGetDim(x)) - s.begin();
            size_t j = 0; // the entry a disassociation empties: x's, through a live slot
            while (j < e.size() && !(e[j] && e[j] == otlAttrCellOf(x) && s[j]))
                ++j;
            expected = replace == 2       ? (j < e.size() ? OTL_OK : OTL_ERR_ATTR_NO_ASSOCIATION)
                       : i == s.size()    ? OTL_ERR_ATTR_NOT_ASSOCIATED
                       : !replace && i < e.size() && e[i] && owner.count(e[i]) ? OTL_ERR_ATTR_ALREADY : OTL_OK;
            status = attempt([&] {
                return replace == 2 ? adShrOtlDisassociateAttributeMember(o, m, x)
                                    : adShrOtlAssociateAttributeMember(o, m, x, replace);
            });
            bool remains = false; // an entry through a live slot, whatever its cell holds
            for (size_t k = 0; status == OTL_OK && replace == 2 && k < e.size(); ++k)
                remains |= (e[k] = k == j ? nullptr : e[k]) && s[k];
            if (status == OTL_OK && replace == 2 && !remains)
                linked.erase(m);
            else if (status == OTL_OK && replace != 2) {
                e.resize(e.size() > i ? e.size() : s.size());
                owner[e[i] = otlAttrCellOf(x)] = x;
                linked.insert(m);
            }
        } else if (op == 11) { // a base member or dimension moved as a child, after a sibling or up to dimension level
            OtlItem *const afters[] = {nullptr, to, o->root->firstChild}, *after = afters[rnd() % 3];
            if (!member || !to || otlIsInside(to, member) || after == member)
                continue;
            const OtlItem *from = otlGetDim(member);
            status = attempt([&] { return adShrOtlMoveMember(o, member, after ? nullptr : to, after); });
            if (status == OTL_OK && otlGetDim(member) != from)
                unlink(member);
        } else if (op == 12) { // new tags: dimensions between base and attribute, a value member made plain
            member = pick(rnd() % 4 ? isDim : isValue);
            // Not an attribute dimension with attribute members, a text member,
            // or the only dimension (a computed one needs a computed parent).
            if (!member || (isAttrDim(member) && !items(isAttr, member).empty()) ||
                member->attrValueType == OTL_ATTR_TEXT || (!member->prevSibling && !member->nextSibling))
                continue;
            OtlMbrInfo *info = nullptr;
            ASSERT_EQ(adShrOtlGetMemberInfo(o, member, &info), OTL_OK);
            before = dump(); // reading recomputes the flag
            const bool toAttr = !isAttr(member); // share option 5 and category 12: attribute
            info->dimensionTag = toAttr * OTL_TAG_ATTRIBUTE, info->shareOption = toAttr * 5;
            info->dimensionCategory = toAttr * 12, info->storageType = 1;
            status = attempt([&] { return adShrOtlSetMemberInfo(o, member, info, OTL_CHECK_ALL); });
            adShrOtlFreeMbrInfo(host.ctx(), 1, info);
            if (status == OTL_OK)
                forget(member);
        } else { // new specifications: names follow, or a name taken rolls every rename back
            OtlAttrSpecs s = o->attrSpecs;
            const OtlAttrSpecs old = s;
            const auto kept = values;
            const bool yes = rnd() % 2;
            s.nameFormat = s.nameFormat ? 1 + rnd() % 4 : 0, s.affixPosition = rnd() % 2, s.separator = rnd() % 3;
            s.dateFormat = rnd() % 2, s.trueName = const_cast<char *>(yes ? "Yes" : "True");
            s.falseName = const_cast<char *>(yes ? "No" : "False");
            // The values' texts and names under them. Two values given one
            // name clash; a name another item has now may or may not, as the
            // renaming goes: such steps are left out.
            std::set<std::string> names;
            bool clash = false, unsure = false;
            o->attrSpecs = s;
            for (auto &[x, v] : values) {
                std::string &t = v.first;
                if (x->attrValueType == OTL_ATTR_BOOLEAN)
                    t = t == old.trueName ? s.trueName : s.falseName;
                else if (x->attrValueType == OTL_ATTR_DATE && s.dateFormat != old.dateFormat)
                    t = t.substr(3, 3) + t.substr(0, 3) + t.substr(6);
                const std::string name = nameOf(x->parent, x->attrValueType, t);
                length = std::max(length, name.size());
                clash |= name != x->memberName && !names.insert(name).second;
                unsure |= find(name.c_str()) && find(name.c_str()) != x;
            }
            o->attrSpecs = old;
            expected = clash ? OTL_ERR_ATTR_REBUILT_NAME : OTL_OK;
            const bool skip = length >= OTL_NAME_SIZE || (unsure && !clash);
            if (skip || (status = attempt([&] { return adShrOtlSetAttributeSpecifications(o, &s); })) != OTL_OK)
                values = kept;
            if (skip)
                continue;
        }
        ASSERT_EQ(status, length > OTL_NAME_SIZE ? OTL_ERR_ATTR_NAME_LONG : expected)
            << "step " << step << " op " << op;
        if (status != OTL_OK) { // an association refused keeps its mark
            std::string (*marks)(std::string) = op == 9 || op == 10 ? test::withoutMarks : [](std::string d) { return d; };
            ASSERT_EQ(test::dumpDiff(marks(before), marks(dump())), "") << "step " << step << " op " << op;
        }
        done[op] += status == OTL_OK;
        check();
        ASSERT_FALSE(HasFailure()) << "step " << step << " op " << op << "\n" << test::dumpDiff(before, dump());
    }
    for (int op = 0; op < 14; ++op)
        EXPECT_GT(done[op], steps / 200) << "op " << op;
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
