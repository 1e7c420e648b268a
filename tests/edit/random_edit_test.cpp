// Thousands of random edits, valid and invalid, some with an allocation
// failure injected, checked after each call against a simple model of the
// outline: the tree with names, order and share options, generations,
// levels, counters, the dimension table, the name hash, shared copies, marks
// and the change log. A failed call must leave the outline's dump as it
// was; a marked deletion keeps the deletions made before its failure.
// SHROTL_RANDOM_ITERATIONS sets a longer run; the seed is fixed. The model
// and its checks never recurse, so a long run may grow deep trees.
#include "support/outline.h"

#include <algorithm>
#include <memory>
#include <random>
#include <strings.h>
#include <tuple>
#include <unordered_map>

namespace {

struct Node {
    std::string name;
    uint16_t share = 0;
    Node *parent = nullptr;
    std::vector<Node *> kids;
    OtlItem *item = nullptr;
    uint16_t generation = 0, height = 0; // worked out by each comparison
    uint16_t mark = 0;
};

// A change record as the model expects it; null texts are "-".
struct Record {
    uint16_t kind, generation, oldGeneration;
    std::vector<std::string> texts;
};

bool sameName(const std::string &a, const std::string &b)
{
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

bool inside(const Node *n, const Node *top)
{
    for (; n; n = n->parent)
        if (n == top)
            return true;
    return false;
}

Node *dimOf(Node *n)
{
    while (n->parent && n->parent->parent)
        n = n->parent;
    return n;
}

uint16_t generationUnder(const Node *parent)
{
    return static_cast<uint16_t>(parent->generation + 1);
}

// The name the change log gives a parent: none for the universe.
std::string logName(const Node *n)
{
    return n->parent ? n->name : "-";
}

const std::vector<std::string> kBadNames = {
    "", " lead", "trail ", "@at", "quo\"te", "#Missing", "(x", "-minus", "$$$Universe$$$",
    std::string(81, 'q')};

bool validName(const std::string &s)
{
    return std::find(kBadNames.begin(), kBadNames.end(), s) == kBadNames.end();
}

class RandomEdit : public test::OutlineTest {
protected:
    // ---- the model: the universe node, every node ever made, the
    // dimension numbers handed out (never reused) and the change log ------

    Node root;
    std::vector<std::unique_ptr<Node>> made;
    uint32_t dimsNumbered = 0;
    std::vector<Record> log;

    // After `prev` when given, else as the first child of `parent`.
    void place(Node *n, Node *parent, Node *prev)
    {
        n->parent = prev ? prev->parent : parent;
        auto &kids = n->parent->kids;
        kids.insert(prev ? std::find(kids.begin(), kids.end(), prev) + 1 : kids.begin(), n);
    }

    void detach(Node *n)
    {
        auto &kids = n->parent->kids;
        kids.erase(std::find(kids.begin(), kids.end(), n));
        n->parent = nullptr;
    }

    // Pre-order, parents before their children.
    static std::vector<Node *> subtree(Node *top)
    {
        std::vector<Node *> out, stack{top};
        while (!stack.empty()) {
            out.push_back(stack.back());
            stack.pop_back();
            stack.insert(stack.end(), out.back()->kids.rbegin(), out.back()->kids.rend());
        }
        return out;
    }

    std::vector<Node *> all()
    {
        std::vector<Node *> out = subtree(&root);
        out.erase(out.begin());
        return out;
    }

    // The shared copies named so, or else the members that are no copy.
    std::vector<Node *> withName(const std::string &name, bool copies = true)
    {
        std::vector<Node *> out;
        for (Node *n : all())
            if ((n->share == OTL_SHARE_SHARED) == copies && sameName(n->name, name))
                out.push_back(n);
        return out;
    }

    Node *source(const std::string &name)
    {
        const std::vector<Node *> found = withName(name, false);
        return found.empty() ? nullptr : found[0];
    }

    // Whether every shared link touching the subtree stays inside it.
    bool closed(Node *top)
    {
        // A copy's link is its source, a source's its copies.
        for (Node *x : subtree(top))
            for (Node *l : withName(x->name, x->share != OTL_SHARE_SHARED))
                if (!inside(l, top))
                    return false;
        return true;
    }

    // A delete takes the shared copies of its members one by one, each with
    // the full checks: a label-only member all of whose children are such
    // copies would lose its last child, so the delete refuses.
    bool copiesRefuse(Node *top)
    {
        for (Node *p : all()) {
            bool allGo = p->share == OTL_SHARE_LABEL_ONLY && !p->kids.empty();
            for (Node *k : p->kids) {
                Node *s = k->share == OTL_SHARE_SHARED ? source(k->name) : nullptr;
                allGo = allGo && s && inside(s, top);
            }
            if (allGo)
                return true;
        }
        return false;
    }

    // A delete refused under the structure checks.
    static bool lastUnderLabel(Node *n) { return n->parent->share == OTL_SHARE_LABEL_ONLY && n->parent->kids.size() == 1; }

    // A delete as the library makes it: one record, for the member named;
    // the shared copies of its members go unlogged.
    void remove(Node *n, const std::string &text = "-")
    {
        if (logOn)
            log.push_back({OTL_CHANGE_DELETED, n->generation, 0, {n->name, text}});
        for (Node *x : subtree(n))
            if (n->share != OTL_SHARE_SHARED && x->share != OTL_SHARE_SHARED)
                for (Node *c : withName(x->name))
                    if (!inside(c, n))
                        detach(c);
        detach(n);
    }

    // What marking and marked deletion walk: the member and, unless it is a
    // dimension, the siblings after it, each with all below, in pre-order.
    std::vector<Node *> walkFrom(Node *start)
    {
        std::vector<Node *> out;
        auto &kids = start->parent->kids;
        const auto first = std::find(kids.begin(), kids.end(), start);
        for (auto k = first; k != (start->parent == &root ? first + 1 : kids.end()); ++k)
            for (Node *x : subtree(*k))
                out.push_back(x);
        return out;
    }

    // A rename rewrites the log from the newest record that added the
    // member, or else from the newest that renamed it (keeping the name it
    // had before the log knew it); only a member the log never named gets
    // a record of its own.
    void logRename(const std::string &oldName, const std::string &newName, uint16_t generation)
    {
        for (uint16_t kind : {OTL_CHANGE_ADDED, OTL_CHANGE_RENAMED}) {
            for (size_t from = log.size(); from-- > 0;) {
                if (log[from].kind != kind || !sameName(log[from].texts[0], oldName))
                    continue;
                for (size_t r = from; r < log.size(); ++r)
                    for (size_t t = 0; t < log[r].texts.size(); ++t)
                        if (!(kind == OTL_CHANGE_RENAMED && r == from && t == 1) &&
                            sameName(log[r].texts[t], oldName))
                            log[r].texts[t] = newName;
                return;
            }
        }
        log.push_back({OTL_CHANGE_RENAMED, generation, 0, {newName, oldName}});
    }

    // ---- randomness ------------------------------------------------------

    std::mt19937 rng{20240611};
    uint32_t fresh = 0;
    bool logOn = true;
    Node *lastAdded = nullptr;

    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }
    bool chance(int percent) { return static_cast<int>(pick(100)) < percent; }

    template <class T> T any(const std::vector<T> &from) { return from[pick(from.size())]; }

    // Some fresh names take the full 80 characters.
    std::string freshName()
    {
        std::string s = (chance(20) ? "M" : "m") + std::to_string(++fresh);
        if (chance(3))
            s.append(80 - s.size(), 'x');
        return s;
    }

    std::string flipCase(std::string s)
    {
        for (char &c : s)
            if (chance(50))
                c = static_cast<char>(isupper(c) ? tolower(c) : toupper(c));
        return s;
    }

    // ---- checks ------------------------------------------------------------

    void compare()
    {
        const std::vector<Node *> nodes = subtree(&root); // the universe first
        for (Node *n : nodes)
            n->generation = n->parent ? generationUnder(n->parent) : 0;
        for (auto n = nodes.rbegin(); n != nodes.rend(); ++n)
            for (Node *k : (*n)->kids)
                (*n)->height = std::max<uint16_t>((*n)->height, k->height + 1);
        // Each node's links pin it to its place, so no item can be missing
        // or extra.
        std::unordered_map<const OtlItem *, Node *> byItem;
        std::unordered_map<const Node *, std::vector<OtlItem *>> copies; // by source
        size_t stored = 0;
        for (Node *n : nodes) {
            const OtlItem *item = n->item;
            ASSERT_EQ(+item->firstChild, n->kids.empty() ? nullptr : n->kids[0]->item) << n->name;
            for (size_t k = 0; k < n->kids.size(); ++k) {
                EXPECT_EQ(+n->kids[k]->item->parent, item) << n->kids[k]->name;
                EXPECT_EQ(+n->kids[k]->item->prevSibling, k ? n->kids[k - 1]->item : nullptr);
                ASSERT_EQ(+n->kids[k]->item->nextSibling,
                          k + 1 < n->kids.size() ? n->kids[k + 1]->item : nullptr);
            }
            EXPECT_EQ(+item->level, n->height) << n->name;
            n->height = 0;
            if (!n->parent)
                continue;
            byItem[item] = n;
            EXPECT_EQ(n->name, +item->memberName);
            EXPECT_EQ(+item->shareOption, n->share) << n->name;
            EXPECT_EQ(+item->marked, n->mark) << n->name;
            EXPECT_EQ(+item->generation, n->generation) << n->name;
            EXPECT_EQ(+item->dimensionNumber, +dimOf(n)->item->dimensionNumber) << n->name;
            stored += n->share != OTL_SHARE_SHARED && n->share != OTL_SHARE_LABEL_ONLY;
            if (n->share == OTL_SHARE_SHARED)
                copies[source(n->name)].push_back(n->item);
        }
        const std::vector<Node *> &dims = root.kids;
        EXPECT_EQ(+o->stats.memberCount, byItem.size());
        EXPECT_EQ(+o->stats.storedMemberCount, stored);
        EXPECT_EQ(+o->stats.dimCount, dims.size());
        EXPECT_EQ(+o->stats.baseDimCount, dims.size());
        // One slot per number handed out, cleared when its dimension goes.
        ASSERT_EQ(+o->dimTableSize, dimsNumbered);
        EXPECT_EQ(static_cast<size_t>(std::count_if(o->dimTable, o->dimTable + dimsNumbered,
                                                    [](const OtlItem *d) { return d != nullptr; })),
                  dims.size());
        for (const Node *d : dims) {
            const uint32_t number = d->item->dimensionNumber;
            ASSERT_TRUE(number >= 1 && number <= dimsNumbered) << d->name;
            EXPECT_EQ(o->dimTable[number - 1], d->item) << d->name;
        }
        // Every hash entry is a live item's member name, in that name's
        // bucket, and every item has exactly one.
        size_t entries = 0;
        for (uint32_t b = 0; b < OTL_HASH_BUCKETS; ++b) {
            const OtlHashBucket &bucket = o->nameHash->buckets[b];
            for (uint32_t e = 0; e < bucket.count; ++e, ++entries) {
                const OtlHashEntry &entry = bucket.entries[e];
                ASSERT_TRUE(byItem.count(entry.item)) << entry.name;
                EXPECT_EQ(entry.table, 0);
                EXPECT_EQ(entry.name, +entry.item->memberName);
                EXPECT_EQ(otlHashBucketOf(entry.item->memberName), b) << entry.name;
            }
        }
        EXPECT_EQ(entries, byItem.size());
        // Lookups find the source, never a copy; the copies are all found.
        for (const auto &[item, n] : byItem) {
            if (n->share == OTL_SHARE_SHARED)
                continue;
            EXPECT_EQ(find(n->name.c_str()), item) << n->name;
            std::vector<OtlItem *> got = sharedCopies(item), &want = copies[n];
            std::sort(got.begin(), got.end());
            std::sort(want.begin(), want.end());
            EXPECT_EQ(got, want) << n->name;
        }
        EXPECT_EQ(+o->changeLogEnabled, logOn) << "the inner deletes leave it as they found it";
        ASSERT_EQ(test::logLength(o), log.size());
        const OtlChangeRecord *r = o->changeLogHead;
        for (size_t i = 0; i < log.size(); ++i, r = r->next) {
            const Record &m = log[i];
            bool same = r->kind == m.kind && r->generation == m.generation &&
                        r->oldGeneration == m.oldGeneration;
            for (size_t t = 0; same && t < m.texts.size(); ++t)
                same = (r->text[t] ? r->text[t] : "-") == m.texts[t];
            if (!same) { // only then are the texts worth copying
                ASSERT_EQ(
                    std::make_tuple(+r->kind, +r->generation, +r->oldGeneration, test::texts(r)),
                    std::make_tuple(m.kind, m.generation, m.oldGeneration, m.texts))
                    << "record " << i;
            }
        }
    }

    // Runs one call, possibly with an injected failure; a failure leaves the
    // dump as before (a refused move may keep its marks), a success clears
    // the verified flag and is applied to the model.
    template <class Call, class Apply>
    OtlStatus run(const char *what, OtlStatus expected, Call call, Apply apply,
                  bool marksMayStay = false)
    {
        SCOPED_TRACE(what);
        const bool inject = chance(20);
        o->changeLogEnabled = logOn = chance(90);
        o->verified = 1;
        const std::string before = inject || expected != OTL_OK ? dump() : std::string();
        const size_t blocks = ownedBlocks();
        if (inject)
            host.failAt(1 + pick(8));
        const OtlStatus status = call();
        const bool hit = host.injected();
        host.disarm();
        EXPECT_EQ(status, hit ? test::kInjected : expected);
        const auto strip = [&](std::string d) {
            return marksMayStay && !hit ? test::withoutMarks(d) : d;
        };
        if (status != OTL_OK) {
            EXPECT_EQ(test::dumpDiff(strip(before), strip(dump())), "");
            EXPECT_EQ(ownedBlocks(), blocks);
        } else {
            EXPECT_EQ(+o->verified, 0);
            apply();
        }
        compare();
        return status;
    }

    // ---- operations --------------------------------------------------------

    void addMember(bool asDimension)
    {
        const std::vector<Node *> nodes = all();
        std::string name = freshName();
        uint16_t share = chance(10) ? 1 : 0;
        const int kind = static_cast<int>(pick(10));
        if (kind == 0) {
            name = any(kBadNames);
            name.resize(std::min<size_t>(name.size(), 80)); // the record holds no more
        } else if (kind <= 3 && !nodes.empty()) {
            name = flipCase(any(nodes)->name);
            share = kind == 1 ? 0 : OTL_SHARE_SHARED;
        } else if (kind == 4) {
            share = OTL_SHARE_LABEL_ONLY;
        }
        // adShrOtlAddDimension always runs every check.
        const bool viaDimension = asDimension && chance(50);
        const bool withText = viaDimension && chance(50);
        const uint16_t modes[] = {OTL_CHECK_ALL, OTL_CHECK_ALL, OTL_CHECK_NAMES,
                                  OTL_CHECK_STRUCTURE};
        const uint16_t mode = viaDimension ? OTL_CHECK_ALL
                              : share == OTL_SHARE_LABEL_ONLY && chance(50) ? OTL_CHECK_NAMES
                                                                            : modes[pick(4)];
        // Placement: after a sibling (whatever parent is passed too), as
        // first child, or as first dimension; now and then under the newest
        // member, which grows deep chains, and copies under label-only
        // members, where deletes cascade into refusals.
        Node *parent = nullptr, *prev = nullptr, *decoy = nullptr;
        if (asDimension) {
            prev = root.kids.empty() || chance(20) ? nullptr : any(root.kids);
            parent = !prev && !viaDimension && chance(50) ? &root : nullptr;
        } else if (!nodes.empty() && chance(45)) {
            prev = any(nodes);
            decoy = chance(50) ? any(nodes) : nullptr;
        } else if (lastAdded && inside(lastAdded, &root) && chance(20)) {
            parent = lastAdded;
        } else if (!nodes.empty() && chance(90)) {
            parent = any(nodes);
            for (int tries = 0; share == OTL_SHARE_SHARED && tries < 5 &&
                                parent->share != OTL_SHARE_LABEL_ONLY;
                 ++tries)
                parent = any(nodes);
        }
        if (parent && parent->share == OTL_SHARE_SHARED)
            return; // copies stay leaves, so that deletes stay simple to predict
        Node *effective = prev ? prev->parent : parent ? parent : &root;
        const bool isDim = effective == &root;
        OtlMbrInfo i = test::info(name.c_str(), share);
        i.consolidation = static_cast<uint16_t>(chance(4) ? 6 : pick(6));
        if (chance(30))
            std::strcpy(i.comment, "note");
        Node *src = nullptr;
        OtlStatus expected = OTL_OK;
        if (!validName(name))
            expected = OTL_ERR_MEMBER_NAME;
        else if (i.consolidation > 5)
            expected = OTL_ERR_CONSOLIDATION;
        else if (share != OTL_SHARE_SHARED && source(name))
            expected = OTL_ERR_MEMBER_NAME_USED;
        else if (share == OTL_SHARE_SHARED && !(src = source(name)))
            expected = OTL_ERR_RULE_SHARED_NO_SOURCE;
        else if (share == OTL_SHARE_SHARED && mode != OTL_CHECK_NAMES &&
                 (isDim || dimOf(src) != dimOf(effective)))
            expected = OTL_ERR_RULE_SHARED_NO_SOURCE; // reported before the share option
        else if (share == OTL_SHARE_SHARED && isDim)
            expected = OTL_ERR_RULE_SHARE_OPTION;
        else if (share == OTL_SHARE_LABEL_ONLY && mode != OTL_CHECK_NAMES)
            expected = OTL_ERR_RULE_LABEL_ONLY;
        // The dimension's statistics count the add.
        const uint32_t number = isDim ? 0 : dimOf(effective)->item->dimensionNumber;
        const OtlDimStats was = number ? o->stats.dimStats[number - 1] : OtlDimStats{};
        OtlItem *out = sentinelItem();
        const OtlStatus status = run(
            "add", expected,
            [&] {
                if (viaDimension)
                    return adShrOtlAddDimension(o, &i, prev ? prev->item : nullptr,
                                                withText ? "text" : nullptr, &out);
                Node *passed = prev ? decoy : parent;
                return adShrOtlAddMember(o, &i, passed ? passed->item : nullptr,
                                         prev ? prev->item : nullptr, &out, mode);
            },
            [&] {
                if (logOn)
                    log.push_back({OTL_CHANGE_ADDED, generationUnder(effective), 0,
                                   {name, logName(effective), prev ? prev->name : "-",
                                    withText ? "text" : "-"}});
                dimsNumbered += isDim;
                made.push_back(std::make_unique<Node>(Node{name, share, nullptr, {}, out}));
                place(lastAdded = made.back().get(), effective, prev);
            });
        if (status != OTL_OK) {
            EXPECT_EQ(out, sentinelItem()) << "outMember written on failure";
            return;
        }
        const OtlDimStats now = o->stats.dimStats[out->dimensionNumber - 1];
        EXPECT_EQ(now.memberCount, was.memberCount + 1);
        const bool stored = share != OTL_SHARE_SHARED && share != OTL_SHARE_LABEL_ONLY;
        EXPECT_EQ(now.storedMemberCount, was.storedMemberCount + stored);
    }

    void renameMember()
    {
        const std::vector<Node *> nodes = all();
        Node *n = any(nodes);
        if (n->share == OTL_SHARE_SHARED)
            return;
        std::string name = chance(15) ? any(kBadNames) : freshName();
        if (chance(10))
            name = flipCase(n->name); // a change of case only
        run(
            "rename", validName(name) ? OTL_OK : OTL_ERR_MEMBER_NAME,
            [&] { return adShrOtlRenameMember(o, n->item, name.c_str()); },
            [&] {
                if (logOn)
                    logRename(n->name, name, n->generation);
                for (Node *c : withName(n->name))
                    c->name = name;
                n->name = name;
            });
    }

    void moveMember()
    {
        const std::vector<Node *> nodes = all();
        Node *n = any(nodes), *parent = nullptr, *prev = nullptr;
        const int how = static_cast<int>(pick(10));
        if (how < 4)
            prev = any(nodes);
        else if (how < 9)
            parent = chance(10) ? &root : any(nodes);
        if (parent && parent->share == OTL_SHARE_SHARED)
            return;
        Node *decoy = prev && chance(50) ? any(nodes) : nullptr;
        Node *target = prev ? prev : parent ? parent : &root;
        Node *newParent = prev ? prev->parent : target;
        const bool becomesDim = newParent == &root;
        OtlStatus expected = OTL_OK;
        bool marksStay = false;
        if (target == n || inside(target, n) || (becomesDim && n->share == OTL_SHARE_SHARED)) {
            expected = OTL_ERR_INVALID_MOVE;
        } else if ((becomesDim ? n : dimOf(target)) != dimOf(n) && !closed(n)) {
            expected = OTL_ERR_INVALID_MOVE;
            marksStay = true;
        }
        // Marks cleared as after a save: a move marks the dimensions it
        // leaves and enters, and a failure gives the old marks back.
        for (Node *d : root.kids)
            d->item->dimChanged = 0;
        OtlItem *oldDim = dimOf(n)->item, *newDim = becomesDim ? n->item : dimOf(target)->item;
        // The model's order is the outline's, as the last comparison found.
        const OtlItem *oldPrev = n->item->prevSibling;
        const Record record{OTL_CHANGE_MOVED, generationUnder(newParent), n->generation,
                            {n->name, logName(n->parent), oldPrev ? oldPrev->memberName : "-",
                             logName(newParent), prev ? prev->name : "-", "-"}};
        const OtlStatus status = run(
            "move", expected,
            [&] {
                Node *passed = prev ? decoy : parent;
                return adShrOtlMoveMember(o, n->item, passed ? passed->item : nullptr,
                                          prev ? prev->item : nullptr);
            },
            [&] {
                if (logOn)
                    log.push_back(record);
                dimsNumbered += becomesDim && n->parent != &root;
                detach(n);
                place(n, newParent, prev);
            },
            marksStay);
        if (status == OTL_OK || marksStay) {
            EXPECT_EQ(+oldDim->dimChanged, 1);
            EXPECT_EQ(+newDim->dimChanged, 1);
        }
    }

    void deleteMember()
    {
        // Children of label-only members are where deletes refuse.
        const std::vector<Node *> nodes = all();
        std::vector<Node *> underLabel, neverShare;
        for (Node *c : nodes) {
            if (c->parent->share == OTL_SHARE_LABEL_ONLY)
                underLabel.push_back(c);
            if (c->share == 1)
                neverShare.push_back(c);
        }
        Node *n = !underLabel.empty() && chance(30) ? any(underLabel) : any(nodes);
        const bool asDimension = chance(20);
        const uint16_t mode = static_cast<uint16_t>(pick(3));
        // A dimension's change text may name no never-share member.
        const char *fixed[] = {nullptr, "", "dropped"};
        const size_t which = pick(5);
        Node *namedNode = any(!neverShare.empty() && chance(50) ? neverShare : nodes);
        const std::string text =
            which < 3 ? (fixed[which] ? fixed[which] : "") : flipCase(namedNode->name);
        const bool hasText = asDimension && !text.empty();
        Node *named = hasText ? source(text) : nullptr;
        OtlStatus expected = OTL_OK;
        if (named && named->share == 1)
            expected = OTL_ERR_DIM_CHANGE_TEXT;
        else if (asDimension && n->parent != &root)
            expected = OTL_ERR_DIM_NOT_FOUND;
        else if ((asDimension || mode != OTL_CHECK_NAMES) && lastUnderLabel(n))
            expected = OTL_ERR_RULE_LABEL_ONLY;
        else if (n->share != OTL_SHARE_SHARED && copiesRefuse(n))
            expected = OTL_ERR_RULE_LABEL_ONLY;
        run(
            "delete", expected,
            [&] {
                const char *textArg = which < 3 ? fixed[which] : text.c_str();
                return asDimension ? adShrOtlDeleteDimension(o, n->item, textArg)
                                   : adShrOtlDeleteMember(o, n->item, mode);
            },
            [&] { remove(n, hasText ? text : "-"); });
    }

    // Marks are no edit: `verified` stays.
    void mark()
    {
        Node *n = any(all()), *named = n->share == OTL_SHARE_SHARED ? source(n->name) : n; // what a name finds
        const uint8_t value = static_cast<uint8_t>(pick(3));
        const std::string name = flipCase(n->name);
        const int how = static_cast<int>(pick(3));
        o->verified = 1;
        EXPECT_EQ(how == 0   ? adShrOtlMarkMbrByHandle(o, n->item, value)
                  : how == 1 ? adShrOtlMarkMbr(o, name.c_str(), value)
                             : adShrOtlMarkDim(o, name.c_str()), OTL_OK);
        for (Node *x : how == 2 ? walkFrom(named) : std::vector<Node *>{how ? named : n})
            x->mark = how == 2 ? 1 : value;
        EXPECT_EQ(+o->verified, 1);
        compare();
    }

    // The library walks the live tree, the model the items as they stood:
    // deletions only take items out, so both meet the same items in the
    // same order. Each deletion is whole; the first refused or failing one
    // ends the walk, the deletions before it stay.
    void deleteMarked()
    {
        Node *n = any(all()), *start = n->share == OTL_SHARE_SHARED ? source(n->name) : n;
        const bool unknown = chance(5);
        o->changeLogEnabled = logOn = chance(90), o->verified = 1;
        host.failAt(chance(20) ? 1 + pick(8) : 0);
        const OtlStatus status = adShrOtlDeleteMarked(o, unknown ? "nobody" : flipCase(start->name).c_str());
        const bool hit = host.injected();
        host.disarm();
        OtlStatus expected = OTL_OK;
        size_t deleted = 0;
        for (Node *x : unknown ? std::vector<Node *>{} : walkFrom(start)) {
            if (!x->mark || !inside(x, &root))
                continue;
            expected = lastUnderLabel(x) || (x->share != OTL_SHARE_SHARED && copiesRefuse(x)) ? OTL_ERR_RULE_LABEL_ONLY
                       : hit && all().size() == o->stats.memberCount ? test::kInjected : OTL_OK;
            if (expected != OTL_OK)
                break;
            remove(x), ++deleted;
        }
        EXPECT_TRUE(status == expected && o->verified == !deleted) << status << " " << expected;
        compare();
    }

    void setMemberInfo()
    {
        Node *n = any(all());
        OtlMbrInfo *current = nullptr;
        ASSERT_EQ(adShrOtlGetMemberInfo(o, n->item, &current), OTL_OK);
        OtlMbrInfo i = *current;
        adShrOtlFreeMbrInfo(host.ctx(), 1, current);
        // Refused: a shared member made ordinary, or a childless member
        // made label-only under the structure checks.
        OtlStatus expected = OTL_OK;
        const int kind = static_cast<int>(pick(10));
        if (kind == 0 && n->share == OTL_SHARE_SHARED) {
            i.shareOption = 0;
            expected = OTL_ERR_RULE_DUPLICATE;
        } else if (kind == 1 && n->share == 0 && n->kids.empty()) {
            i.shareOption = OTL_SHARE_LABEL_ONLY;
            expected = OTL_ERR_RULE_LABEL_ONLY;
        }
        // A parent turned label-only or back: the stored-member count follows.
        const bool toggle = kind == 2 && !n->kids.empty() &&
                            (n->share == 0 || n->share == OTL_SHARE_LABEL_ONLY);
        if (toggle)
            i.shareOption = n->share == 0 ? OTL_SHARE_LABEL_ONLY : 0;
        i.consolidation = static_cast<uint16_t>(pick(6));
        std::strcpy(i.comment, chance(50) ? "changed" : "");
        run(
            "set info", expected,
            [&] {
                return adShrOtlSetMemberInfo(o, n->item, &i,
                                             expected == OTL_OK ? OTL_CHECK_NAMES : OTL_CHECK_ALL);
            },
            [&] {
                if (toggle)
                    n->share = i.shareOption;
            });
    }
};

} // namespace

TEST_F(RandomEdit, OutlineFollowsTheModelThroughRandomEdits)
{
    root.item = o->root;
    const uint64_t n = test::iterations();
    for (uint64_t step = 0; step < n; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const size_t size = all().size();
        const int roll = static_cast<int>(pick(100));
        if (size < 5 || roll < 30)
            addMember(size < 3 || chance(8));
        else if (roll < 42)
            renameMember();
        else if (roll < 60)
            moveMember();
        else if (roll < (size > 250 ? 84 : 72))
            deleteMember();
        else if (roll < (size > 250 ? 92 : 84))
            chance(65) ? mark() : deleteMarked();
        else
            setMemberInfo();
        if (::testing::Test::HasFailure())
            break;
    }
}
