// Thousands of random edits, valid and invalid, some with an allocation
// failure injected, checked after each call against a simple model of the
// tree: names, order, share options, lookups, generations, levels and
// counters. A failed call must leave the outline's dump as it was.
// SHROTL_RANDOM_ITERATIONS sets a longer run; the seed is fixed.
#include "edit/edit_support.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <strings.h>

namespace {

struct Node {
    std::string name;
    uint16_t share = 0;
    Node *parent = nullptr;
    std::vector<Node *> kids;
    OtlItem *item = nullptr;
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

// The model: the universe node and every live node under it.
class Model {
public:
    Model() { root_.name = "root"; }

    Node *root() { return &root_; }

    Node *make(const std::string &name, uint16_t share, OtlItem *item)
    {
        nodes_.push_back(std::make_unique<Node>());
        Node *n = nodes_.back().get();
        n->name = name;
        n->share = share;
        n->item = item;
        return n;
    }

    void insertChild(Node *parent, Node *n)
    {
        n->parent = parent;
        parent->kids.insert(parent->kids.begin(), n);
    }

    void insertAfter(Node *sibling, Node *n)
    {
        Node *parent = sibling->parent;
        n->parent = parent;
        auto at = std::find(parent->kids.begin(), parent->kids.end(), sibling);
        parent->kids.insert(at + 1, n);
    }

    void detach(Node *n)
    {
        auto &kids = n->parent->kids;
        kids.erase(std::find(kids.begin(), kids.end(), n));
        n->parent = nullptr;
    }

    std::vector<Node *> all()
    {
        std::vector<Node *> out;
        std::function<void(Node *)> walk = [&](Node *n) {
            for (Node *k : n->kids) {
                out.push_back(k);
                walk(k);
            }
        };
        walk(&root_);
        return out;
    }

    std::vector<Node *> subtree(Node *top)
    {
        std::vector<Node *> out{top};
        for (size_t i = 0; i < out.size(); ++i)
            out.insert(out.end(), out[i]->kids.begin(), out[i]->kids.end());
        return out;
    }

    Node *source(const std::string &name)
    {
        for (Node *n : all())
            if (n->share != OTL_SHARE_SHARED && sameName(n->name, name))
                return n;
        return nullptr;
    }

    bool nameUsed(const std::string &name) { return source(name) != nullptr; }

    static Node *dimOf(Node *n)
    {
        while (n->parent && n->parent->parent)
            n = n->parent;
        return n;
    }

    std::vector<Node *> copiesOf(const std::string &name)
    {
        std::vector<Node *> out;
        for (Node *n : all())
            if (n->share == OTL_SHARE_SHARED && sameName(n->name, name))
                out.push_back(n);
        return out;
    }

    // Whether every shared link touching the subtree stays inside it.
    bool closed(Node *top)
    {
        for (Node *x : subtree(top)) {
            if (x->share == OTL_SHARE_SHARED) {
                Node *s = source(x->name);
                if (s && !inside(s, top))
                    return false;
            } else {
                for (Node *c : copiesOf(x->name))
                    if (!inside(c, top))
                        return false;
            }
        }
        return true;
    }

private:
    Node root_;
    std::vector<std::unique_ptr<Node>> nodes_;
};

class RandomEdit : public edit::EditTest {
protected:
    std::mt19937 rng{20240611};
    Model model;
    uint32_t fresh = 0;

    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }
    bool chance(int percent) { return static_cast<int>(pick(100)) < percent; }

    std::string freshName()
    {
        std::string s = "m" + std::to_string(++fresh);
        if (chance(20))
            s[0] = 'M';
        return s;
    }

    std::string invalidName()
    {
        static const char *bad[] = {"", " lead", "trail ", "@at", "quo\"te", "#Missing",
                                    "$$$Universe$$$", "(x", "-minus"};
        return bad[pick(sizeof bad / sizeof *bad)];
    }

    std::string flipCase(std::string s)
    {
        for (char &c : s)
            if (chance(50))
                c = static_cast<char>(isupper(c) ? tolower(c) : toupper(c));
        return s;
    }

    static bool validName(const std::string &s)
    {
        static const char *bad[] = {"", " lead", "trail ", "@at", "quo\"te", "#Missing",
                                    "$$$Universe$$$", "(x", "-minus"};
        for (const char *b : bad)
            if (s == b)
                return false;
        return s.size() <= 80;
    }

    // ---- checks --------------------------------------------------------

    uint16_t heightOf(const OtlItem *item)
    {
        uint16_t h = 0;
        for (const OtlItem *c = item->firstChild; c; c = c->nextSibling)
            h = std::max<uint16_t>(h, heightOf(c) + 1);
        return h;
    }

    void compareTree(Node *node, OtlItem *item, uint16_t generation, size_t &count, size_t &stored)
    {
        OtlItem *child = item->firstChild;
        const OtlItem *prev = nullptr;
        for (Node *k : node->kids) {
            ASSERT_NE(child, nullptr) << "missing child " << k->name << " under " << node->name;
            ASSERT_EQ(child, k->item) << "under " << node->name;
            EXPECT_EQ(+child->parent, item);
            EXPECT_EQ(+child->prevSibling, prev);
            EXPECT_EQ(k->name, +child->memberName);
            EXPECT_EQ(k->share, +child->shareOption) << k->name;
            EXPECT_EQ(+child->generation, generation) << k->name;
            EXPECT_EQ(+child->level, heightOf(child)) << k->name;
            EXPECT_EQ(+child->dimensionNumber, +otlGetDim(child)->dimensionNumber) << k->name;
            ++count;
            stored += k->share != OTL_SHARE_SHARED && k->share != OTL_SHARE_LABEL_ONLY;
            compareTree(k, child, generation + 1, count, stored);
            if (::testing::Test::HasFatalFailure())
                return;
            prev = child;
            child = child->nextSibling;
        }
        ASSERT_EQ(child, nullptr) << "extra child " << +child->memberName << " under "
                                  << node->name;
    }

    void compare(const char *what)
    {
        SCOPED_TRACE(what);
        size_t count = 0, stored = 0;
        compareTree(model.root(), o->root, 1, count, stored);
        if (::testing::Test::HasFatalFailure())
            return;
        EXPECT_EQ(+o->root->level, heightOf(+o->root));
        EXPECT_EQ(+o->stats.memberCount, count);
        EXPECT_EQ(+o->stats.storedMemberCount, stored);
        EXPECT_EQ(+o->stats.dimCount, model.root()->kids.size());
        EXPECT_EQ(+o->stats.baseDimCount, model.root()->kids.size());
        for (Node *n : model.all()) {
            if (n->share != OTL_SHARE_SHARED) {
                EXPECT_EQ(find(n->name.c_str()), n->item) << n->name;
            } else {
                EXPECT_NE(model.source(n->name), nullptr) << "shared " << n->name << " lost its source";
                EXPECT_NE(find(n->name.c_str()), nullptr) << n->name;
            }
        }
    }

    // Runs one call, possibly with an injected failure; on a failure the
    // dump must be as before, on success the model is updated.
    template <class Call, class Apply>
    void run(const char *what, OtlStatus expected, Call call, Apply apply, bool isMove = false)
    {
        const bool inject = chance(20);
        const bool mayFail = inject || expected != OTL_OK;
        const std::string before = mayFail ? dump() : std::string();
        const size_t blocks = ownedBlocks();
        if (inject)
            host.failAt(1 + pick(8));
        const OtlStatus status = call();
        const bool hit = host.injected();
        host.disarm();
        if (hit) {
            EXPECT_EQ(status, test::kInjected) << what;
        } else {
            EXPECT_EQ(status, expected) << what;
        }
        if (status != OTL_OK) {
            if (isMove) {
                EXPECT_EQ(edit::dumpDiff(edit::withoutMarks(before), edit::withoutMarks(dump())), "") << what;
            } else {
                EXPECT_EQ(edit::dumpDiff(before, dump()), "") << what;
            }
            EXPECT_EQ(ownedBlocks(), blocks) << what;
        } else if (!hit || status == OTL_OK) {
            apply();
        }
        compare(what);
    }

    // ---- operations ----------------------------------------------------

    Node *randomNode()
    {
        std::vector<Node *> all = model.all();
        return all.empty() ? nullptr : all[pick(all.size())];
    }

    void addMember(bool asDimension)
    {
        std::vector<Node *> all = model.all();
        std::string name;
        uint16_t share = 0;
        const int kind = static_cast<int>(pick(10));
        Node *src = nullptr;
        if (kind == 0) {
            name = invalidName();
        } else if (kind == 1 && !all.empty()) {
            name = flipCase(all[pick(all.size())]->name);
        } else if (kind <= 3 && !all.empty()) {
            src = all[pick(all.size())];
            name = flipCase(src->name);
            share = OTL_SHARE_SHARED;
        } else if (kind == 4) {
            name = freshName();
            share = OTL_SHARE_LABEL_ONLY;
        } else {
            name = freshName();
            share = chance(10) ? 1 : 0;
        }
        // adShrOtlAddDimension always runs every check.
        const bool viaDimension = asDimension && chance(50);
        const bool withText = viaDimension && chance(50);
        const uint16_t mode = !viaDimension && chance(30) ? OTL_CHECK_NAMES : OTL_CHECK_ALL;
        // Placement: after a sibling, as first child, or as first dimension.
        Node *parent = nullptr, *prev = nullptr;
        if (asDimension) {
            std::vector<Node *> &dims = model.root()->kids;
            prev = dims.empty() || chance(20) ? nullptr : dims[pick(dims.size())];
        } else if (!all.empty() && chance(45)) {
            prev = all[pick(all.size())];
        } else if (!all.empty() && chance(90)) {
            parent = all[pick(all.size())];
            if (parent->share == OTL_SHARE_SHARED)
                return; // copies stay leaves, so that deletes stay simple to predict
        }
        Node *effective = prev ? prev->parent : parent ? parent : model.root();
        const bool isDim = effective == model.root();
        OtlStatus expected = OTL_OK;
        if (!validName(name))
            expected = OTL_ERR_MEMBER_NAME;
        else if (share != OTL_SHARE_SHARED && model.nameUsed(name))
            expected = OTL_ERR_MEMBER_NAME_USED;
        else if (share == OTL_SHARE_SHARED && !(src = model.source(name)))
            expected = OTL_ERR_RULE_SHARED_NO_SOURCE;
        else if (share == OTL_SHARE_SHARED && mode == OTL_CHECK_ALL &&
                 (isDim || Model::dimOf(src) != Model::dimOf(isDim ? nullptr : effective)))
            expected = OTL_ERR_RULE_SHARED_NO_SOURCE;
        else if (share == OTL_SHARE_SHARED && isDim)
            expected = OTL_ERR_RULE_SHARE_OPTION;
        else if (share == OTL_SHARE_LABEL_ONLY && mode == OTL_CHECK_ALL)
            expected = OTL_ERR_RULE_LABEL_ONLY;
        OtlMbrInfo i = edit::info(name.c_str(), share);
        if (chance(30))
            std::strcpy(i.comment, "note");
        OtlItem *out = nullptr;
        run(
            "add", expected,
            [&] {
                if (viaDimension)
                    return adShrOtlAddDimension(o, &i, prev ? prev->item : nullptr,
                                                withText ? "text" : nullptr, &out);
                return adShrOtlAddMember(o, &i, parent ? parent->item : nullptr,
                                         prev ? prev->item : nullptr, &out, mode);
            },
            [&] {
                Node *n = model.make(name, share, out);
                if (prev)
                    model.insertAfter(prev, n);
                else
                    model.insertChild(parent ? parent : model.root(), n);
            });
    }

    void renameMember()
    {
        Node *n = randomNode();
        if (!n || n->share == OTL_SHARE_SHARED)
            return;
        std::string name = chance(15) ? invalidName() : chance(5) ? std::string(81, 'z')
                                                                   : freshName();
        if (chance(10))
            name = flipCase(n->name); // a change of case only
        const OtlStatus expected = validName(name) ? OTL_OK : OTL_ERR_MEMBER_NAME;
        run(
            "rename", expected, [&] { return adShrOtlRenameMember(o, n->item, name.c_str()); },
            [&] {
                for (Node *c : model.copiesOf(n->name))
                    c->name = name;
                n->name = name;
            });
    }

    void moveMember()
    {
        Node *n = randomNode();
        if (!n)
            return;
        Node *parent = nullptr, *prev = nullptr;
        const int how = static_cast<int>(pick(10));
        if (how < 4)
            prev = randomNode();
        else if (how < 9)
            parent = chance(10) ? model.root() : randomNode();
        if (parent && parent->share == OTL_SHARE_SHARED)
            return;
        Node *target = prev ? prev : parent ? parent : model.root();
        const bool becomesDim = prev ? prev->parent == model.root() : target == model.root();
        OtlStatus expected = OTL_OK;
        if (target == n || inside(target, n))
            expected = OTL_ERR_INVALID_MOVE;
        else if (becomesDim && n->share == OTL_SHARE_SHARED)
            expected = OTL_ERR_INVALID_MOVE;
        else if ((becomesDim ? n : Model::dimOf(target)) != Model::dimOf(n) && !model.closed(n))
            expected = OTL_ERR_INVALID_MOVE;
        run(
            "move", expected,
            [&] {
                return adShrOtlMoveMember(o, n->item, parent == model.root() ? o->root
                                                       : parent ? parent->item : nullptr,
                                          prev ? prev->item : nullptr);
            },
            [&] {
                model.detach(n);
                if (prev)
                    model.insertAfter(prev, n);
                else
                    model.insertChild(parent ? parent : model.root(), n);
            },
            true);
    }

    // The inner deletes of shared copies, played on a copy of the sibling
    // lists: a copy that is the last child of a label-only member refuses.
    bool copiesRefuse(Node *top)
    {
        std::vector<Node *> order;
        std::function<void(Node *)> post = [&](Node *x) {
            for (Node *k : x->kids)
                post(k);
            if (x->share != OTL_SHARE_SHARED)
                order.push_back(x);
        };
        for (Node *k : top->kids)
            post(k);
        order.push_back(top);
        std::vector<Node *> gone;
        auto remaining = [&](Node *p) {
            size_t n = 0;
            for (Node *k : p->kids)
                n += std::find(gone.begin(), gone.end(), k) == gone.end();
            return n;
        };
        for (Node *x : order) {
            for (Node *c : model.copiesOf(x->name)) {
                if (std::find(gone.begin(), gone.end(), c) != gone.end())
                    continue;
                if (c->parent != model.root() && c->parent->share == OTL_SHARE_LABEL_ONLY &&
                    remaining(c->parent) == 1)
                    return true;
                gone.push_back(c);
            }
        }
        return false;
    }

    void deleteMember()
    {
        Node *n = randomNode();
        if (!n)
            return;
        const bool asDimension = chance(15);
        const uint16_t mode = static_cast<uint16_t>(pick(3));
        const bool checks = asDimension || mode != OTL_CHECK_NAMES;
        OtlStatus expected = OTL_OK;
        if (asDimension && n->parent != model.root())
            expected = OTL_ERR_DIM_NOT_FOUND;
        else if (checks && n->parent != model.root() &&
                 n->parent->share == OTL_SHARE_LABEL_ONLY && n->parent->kids.size() == 1)
            expected = OTL_ERR_RULE_LABEL_ONLY;
        else if (n->share != OTL_SHARE_SHARED && copiesRefuse(n))
            expected = OTL_ERR_RULE_LABEL_ONLY;
        run(
            "delete", expected,
            [&] {
                if (asDimension)
                    return adShrOtlDeleteDimension(o, n->item, chance(50) ? "dropped" : nullptr);
                return adShrOtlDeleteMember(o, n->item, mode);
            },
            [&] {
                std::vector<Node *> doomed = model.subtree(n);
                if (n->share != OTL_SHARE_SHARED)
                    for (Node *x : model.subtree(n))
                        if (x->share != OTL_SHARE_SHARED)
                            for (Node *c : model.copiesOf(x->name))
                                if (!inside(c, n))
                                    doomed.push_back(c);
                for (Node *d : doomed)
                    if (d->parent && !inside(d, n))
                        model.detach(d);
                model.detach(n);
            });
    }

    void setMemberInfo()
    {
        Node *n = randomNode();
        if (!n)
            return;
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

uint64_t iterations()
{
    const char *env = std::getenv("SHROTL_RANDOM_ITERATIONS");
    return env && *env ? std::strtoull(env, nullptr, 10) : 3000;
}

} // namespace

TEST_F(RandomEdit, OutlineFollowsTheModelThroughRandomEdits)
{
    const uint64_t n = iterations();
    for (uint64_t step = 0; step < n; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const size_t size = model.all().size();
        const int roll = static_cast<int>(pick(100));
        if (size < 5 || roll < 30)
            addMember(size < 3 || chance(8));
        else if (roll < 45)
            renameMember();
        else if (roll < 65)
            moveMember();
        else if (roll < (size > 250 ? 90 : 78))
            deleteMember();
        else
            setMemberInfo();
        if (::testing::Test::HasFailure())
            break;
    }
}
