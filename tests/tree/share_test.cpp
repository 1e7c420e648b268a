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

TEST_F(ImpliedShare, OneChildWithAFormulaDependsOnTheParentsOperator)
{
    OtlItem *p = build({1}, "Sales * 2;");
    OtlItem *shared = nullptr;
    EXPECT_TRUE(shares(p, &shared));
    EXPECT_EQ(shared, child(0));
    p->consolidation = 1;
    EXPECT_FALSE(shares(p));
}

TEST_F(ImpliedShare, OneChildWithoutFormulaFollowsTheChildsOperator)
{
    OtlItem *p = build({2});
    EXPECT_TRUE(shares(p));
    child(0)->consolidation = 1;
    EXPECT_FALSE(shares(p));
    child(0)->consolidation = 5; // no contributing child at all
    EXPECT_FALSE(shares(p));
}

TEST_F(ImpliedShare, OneContributingChildAmongIgnoredOnes)
{
    OtlItem *p = build({5, 0, 5});
    OtlItem *shared = nullptr;
    EXPECT_TRUE(shares(p, &shared));
    EXPECT_EQ(shared, child(1));
    child(1)->consolidation = 1;
    EXPECT_FALSE(shares(p));
    child(1)->consolidation = 0;
    child(0)->consolidation = 0; // 0, 0, 5: two contribute
    EXPECT_FALSE(shares(p));
}

TEST_F(ImpliedShare, NeverShareOptionOneWhateverTheChildren)
{
    OtlItem *p = build({0});
    p->shareOption = 1;
    EXPECT_FALSE(shares(p));
    p->consolidation = 0;
    p->formula = test::dupText(host.ctx(), "x;");
    EXPECT_FALSE(shares(p));
}

TEST_F(ImpliedShare, TwoChildrenAndAFormulaNeverShare)
{
    OtlItem *p = build({0, 5}, "x;");
    EXPECT_FALSE(shares(p));
    otlFreeItemContents(&holder, p, 1);
    EXPECT_TRUE(shares(p)); // the same children without formula
}

TEST_F(ImpliedShare, ALeafNeverShares)
{
    OtlItem *p = build({});
    EXPECT_FALSE(shares(p));
    p->formula = test::dupText(host.ctx(), "x;");
    EXPECT_FALSE(shares(p));
}

TEST(StoredMembers, NotStoredExactlyForLabelOnlyAndShared)
{
    OtlItem item{};
    for (uint16_t option = 0; option <= 5; ++option) {
        item.shareOption = option;
        EXPECT_EQ(otlIsNotStored(&item), option == 2 || option == 3) << option;
    }
}
