// Implied sharing and stored members: which child's storage a member
// shares, and that a failed test leaves the results alone.
#include "core/share.h"
#include "support/fixture.h"
#include "tree/builder.h"

#include <initializer_list>

using test::makeItem;

class ImpliedShare : public test::HostTest {
protected:
    void TearDown() override
    {
        otlReleaseSubtree(&holder, parent);
        HostTest::TearDown();
    }
    // A parent with one child per consolidation operator given.
    OtlItem *build(std::initializer_list<uint16_t> ops, const char *formula = nullptr)
    {
        holder.host = host.ctx();
        parent = makeItem(host.ctx(), "Parent");
        OtlItem *last = nullptr;
        uint32_t number = 10;
        for (uint16_t op : ops) {
            OtlItem *c = makeItem(host.ctx(), "Child");
            c->consolidation = op;
            c->storedNumber = number++;
            if (last)
                otlAddSiblingItem(last, c, 1);
            else
                otlAddChildItem(parent, c, 1);
            last = c;
        }
        if (formula) {
            parent->formula = test::dupText(host.ctx(), formula);
        }
        return parent;
    }
    OtlItem *child(int n) const
    {
        OtlItem *c = parent->firstChild;
        while (n-- > 0)
            c = c->nextSibling;
        return c;
    }
    // The verdict, checking that both forms agree.
    bool shares(OtlItem *item, OtlItem **shared = nullptr)
    {
        uint32_t stored = 777;
        OtlItem *c = reinterpret_cast<OtlItem *>(&stored);
        const bool result = otlImpliedShare(item, &stored, &c);
        EXPECT_EQ(result, otlImpliedShareTest(item));
        if (result) {
            EXPECT_EQ(stored, c->storedNumber);
        } else {
            EXPECT_EQ(stored, 777u);
            EXPECT_EQ(c, reinterpret_cast<OtlItem *>(&stored));
        }
        if (shared)
            *shared = result ? c : nullptr;
        return result;
    }
    OtlOutline holder{};
    OtlItem *parent = nullptr;
};

// Which child's storage a parent shares, by the children's operators, the
// parent's formula, operator and share option; -1 for none.
TEST_F(ImpliedShare, ByChildrenFormulaAndOptions)
{
    const struct {
        std::initializer_list<uint16_t> ops;
        const char *formula;
        uint16_t consolidation, shareOption;
        int shared;
    } cases[] = {
        {{1}, "Sales * 2;", 0, 0, 0}, // one child with a formula: the parent's operator
        {{1}, "Sales * 2;", 1, 0, -1},
        {{2}, nullptr, 0, 0, 0},      // without a formula: the child's operator
        {{1}, nullptr, 0, 0, -1},
        {{5}, nullptr, 0, 0, -1},     // no contributing child at all
        {{5, 0, 5}, nullptr, 0, 0, 1}, // one contributing child among ignored ones
        {{5, 1, 5}, nullptr, 0, 0, -1},
        {{0, 0, 5}, nullptr, 0, 0, -1}, // two contribute
        {{0}, nullptr, 0, 1, -1},       // never share option 1
        {{0}, "x;", 0, 1, -1},
        {{0, 5}, "x;", 0, 0, -1},       // two children and a formula
        {{0, 5}, nullptr, 0, 0, 0},
        {{}, nullptr, 0, 0, -1},        // a leaf
        {{}, "x;", 0, 0, -1},
    };
    for (const auto &c : cases) {
        OtlItem *p = build(c.ops, c.formula);
        p->consolidation = c.consolidation;
        p->shareOption = c.shareOption;
        OtlItem *shared = nullptr;
        EXPECT_EQ(shares(p, &shared), c.shared >= 0) << &c - cases;
        EXPECT_EQ(shared, c.shared >= 0 ? child(c.shared) : nullptr) << &c - cases;
        otlReleaseSubtree(&holder, p);
        parent = nullptr;
    }
}

TEST(StoredMembers, NotStoredExactlyForLabelOnlyAndShared)
{
    OtlItem item{};
    for (uint16_t option = 0; option <= 5; ++option) {
        item.shareOption = option;
        EXPECT_EQ(otlIsNotStored(&item), option == 2 || option == 3) << option;
    }
}
