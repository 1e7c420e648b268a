// Attribute queries over an outline with numeric, boolean, date and text
// attribute dimensions, associated the way the association calls leave their
// links. Every result is rendered as a string, "#status" for a failure, and
// the out-parameters are checked on the way: cleared ones must read 0 and
// NULL, the field's must keep what the caller put there.
#include "support/outline.h"

#include <functional>

namespace {

class AttrQueries : public test::OutlineTest {
protected:
    template <class T> T *array(const std::vector<T> &v)
    {
        T *a = nullptr;
        EXPECT_EQ(otl::hostNewArray(host.ctx(), v.size(), &a), OTL_OK);
        return std::copy(v.begin(), v.end(), a) - v.size();
    }
    // The base dimension's link slots, then each member's entries (its attribute members' cells, null for none).
    void associate(OtlItem *base, std::vector<OtlItem *> dims, std::vector<std::pair<OtlItem *, std::vector<OtlItem *>>> members)
    {
        std::vector<OtlAttrLink> links;
        for (OtlItem *d : dims)
            links.push_back({0, d}), d->attrLink.attrDim.attrBaseDim = base;
        base->attrLink.baseDim = {uint16_t(dims.size()), array(links), array(std::vector<uint16_t>(dims.size())), 0}, base->attrRole = 2;
        for (auto &[member, attrs] : members) {
            std::vector<OtlItem **> cells;
            for (OtlItem *a : attrs)
                cells.push_back(a ? a->attrLink.attrMember.attrCell : nullptr);
            member->attrLink.baseMember = {uint16_t(cells.size()), array(cells), {}}, member->hasAttrValue = 1, member->attrRole = 2;
        }
    }
    template <class Count, class T> std::string list(std::function<OtlStatus(Count *, T **)> call, std::function<std::string(T *, Count)> render)
    {
        Count n = 7;
        T *a = reinterpret_cast<T *>(sentinelItem()); // both cleared on entry
        const OtlStatus status = call(&n, &a);
        EXPECT_EQ(n == 0, a == nullptr);
        const std::string out = status ? "#" + std::to_string(status) : render(a, n);
        return adShrOtlFree(host.ctx(), a), out;
    }
    // Members found (sorted: the hash order is no contract) or associated (in slot order, in an array no longer than the list).
    std::string members(OtlItem *item, const char *text = nullptr, const char *dimension = nullptr)
    {
        return list<uint16_t, OtlItem *>(
            [&](uint16_t *n, OtlItem ***a) { return text ? adShrOtlFindAttributeMembers(o, text, dimension, n, a) : adShrOtlGetAssociatedAttributes(o, item, n, a); },
            [&](OtlItem **a, uint16_t n) {
                EXPECT_TRUE(text || host.blockSize(a) == n * sizeof *a);
                std::sort(a, a + (text ? n : 0), [](OtlItem *l, OtlItem *r) { return strcmp(l->memberName, r->memberName) < 0; });
                std::string s;
                for (uint16_t i = 0; i < n; ++i)
                    s += std::string(i ? " " : "") + a[i]->memberName;
                return s;
            });
    }
    std::string value(OtlAttribute *v)
    {
        std::string s = std::to_string(v->type) + ":" + (v->type == OTL_ATTR_TEXT ? v->value.text : std::to_string(v->value.number));
        return adShrOtlFreeAttribute(host.ctx(), v), s;
    }
    std::string info(OtlItem *item)
    {
        return list<uint32_t, OtlAttrInfo>([&](uint32_t *n, OtlAttrInfo **a) { return adShrOtlGetAssociatedAttributesInfo(o, item, n, a); },
                                           [&](OtlAttrInfo *a, uint32_t n) {
            std::string s;
            for (OtlAttrInfo *r = a; r < a + n; ++r)
                s += std::string(r->infoText1) + "/" + r->infoText2 + "/" + value(&r->infoValue) + ";";
            return s;
        });
    }
    // A number of `width` bytes, a text or the attribute value.
    std::string field(OtlItem *item, uint32_t selector, size_t width = 0, bool withOut = true)
    {
        void *p = sentinelItem();
        const OtlStatus status = adShrOtlGetMemberField(o, item, selector, withOut ? &p : nullptr);
        EXPECT_EQ(status != OTL_OK, p == sentinelItem());
        if (status != OTL_OK)
            return "#" + std::to_string(status);
        uint64_t number = 0;
        memcpy(&number, width ? p : &number, width);
        const std::string s = selector == 0x80000020 ? value(static_cast<OtlAttribute *>(p)) : width ? std::to_string(number) : p ? static_cast<char *>(p) : "(null)";
        EXPECT_EQ(host.blockSize(p), width ? width : selector == 0x80000020 ? 10 : p ? s.size() + 1 : 0);
        return adShrOtlFree(host.ctx(), p), s;
    }

    void SetUp() override
    {
        OutlineTest::SetUp();
        product = dim(test::info("Product")), market = dim("Market", product), m = add("m", market);
        p1 = add("p1", product), x = add("Field", product, p1), p2 = add("p2", product, x), label = add(test::info("L", OTL_SHARE_LABEL_ONLY), product, p2, 3);
        p3 = add("p3", label), add("p1", label, p3, OTL_SHARE_SHARED), add("Kid", x);
        lone = add(test::info("L2", OTL_SHARE_LABEL_ONLY), market, m, 3), ghost = append(market, "ghost", OTL_SHARE_SHARED);
        OtlItem *last = market;
        const auto attrDim = [&](const char *name, uint16_t type) {
            OtlMbrInfo i = test::attrInfo(name, type);
            i.storageType = 1, i.dimensionCategory = 12, last = dim(i, last);
            o->attrSpecs.nameFormat = OTL_NAME_FORMAT_PARENT; // once the calculations dimension has brought the defaults
            return last;
        };
        const auto value = [&](OtlItem *parent, const char *name) { return add(test::attrInfo(name, otlGetDim(parent)->attrValueType), parent); };
        const auto group = [&](OtlItem *parent, const char *name) { return add(test::attrInfo(name, OTL_ATTR_NONE), parent); };
        OtlItem *size = attrDim("Size", OTL_ATTR_NUMERIC), *weight = attrDim("Weight", OTL_ATTR_NUMERIC), *flag = attrDim("Flag", OTL_ATTR_BOOLEAN);
        OtlItem *opened = attrDim("Opened", OTL_ATTR_DATE), *small10 = value(group(size, "Small"), "10");
        colour = attrDim("Colour", OTL_ATTR_TEXT), value(small10->parent, "20"), value(group(size, "Large"), "010"), value(size->firstChild, "3.5");
        for (const char *g : {"W0", "W1", "W2", "W3", "W4", "W5", "W6", "W7", "W8", "W9"})
            value(group(weight, g), "10");
        red = value(colour, "Red"), blue = value(colour, "Blue"), value(colour, "1.2.3"), setAlias(red, 0, "Crimson", true), value(flag, "FALSE");
        associate(product, {size, flag, opened, colour, weight},
                  {{p1, {small10, value(flag, "True"), value(opened, "07-04-2000"), red}}, {p2, {nullptr, nullptr, nullptr, blue}},
                   {p3, {nullptr, nullptr, nullptr, nullptr, value(weight, "-7")}}, {x->firstChild, {small10}}});
        setAlias(m, 0, "p1", true); // an alias is never the member a shared member stands for
        // The member the field accessor reads: every field distinct, as the host fills it in field-access mode.
        x->consolidation = 3, x->memberOption = 4, x->tag1Option = 5, x->currencyMode = 6, x->timeBalance = 7, x->skipOption = 8, x->shareOption = 9;
        x->storageType = 10, x->dimensionTag = 11, x->dimensionCategory = 12, x->childCountOrValue = 0x10203, x->memberNumber = 14, x->dimensionNumber = 15;
        x->faultFlags = 0x80000010, x->fieldAccessFlag = 17, x->fieldAccessWord = 0xFFFFFFFE, x->formula = dup("f;"), x->lastFormula = dup("lf;");
        x->comment = dup("c"), x->infoDimName = dup("Info"), x->commentEx = dup("cx"), strcpy(x->currencyName, "USD"), setAlias(x, 0, "Alias");
        addUserAttr(x, "u2"), addUserAttr(x, "u1");
        char *text = dup((z80 + "zz").c_str()); // values are cut to 80 bytes
        x->attrValueType = OTL_ATTR_TEXT, memcpy(x->attrValue, &text, sizeof text), x->hostAttrCount = 3;
        x->hostAttrValues = array<OtlAttribute>({{OTL_ATTR_TEXT, {.text = dup("Red")}}, {OTL_ATTR_NUMERIC, {.number = 10}}, {OTL_ATTR_TEXT, {.text = dup(text)}}});
        x->hostAttrTexts1 = array<char *>({dup("Colour"), dup("Size"), dup(text)}), x->hostAttrTexts2 = array<char *>({nullptr, dup("Small"), dup("b")});
    }

    const std::string z80 = std::string(80, 'z');
    OtlItem *x, *m, *lone, *ghost, *product, *market, *p1, *p2, *p3, *label, *colour, *red, *blue;
};

TEST_F(AttrQueries, FindsAndListsWhatTheOutlineHolds)
{
    const std::string before = dump();
    const std::string digits(81, '1'); // no member name is that long, nor the 80-digit number
    const char *const finds[][3] = {
        {"10", "", "Large_10 Small_10 W0_10 W1_10 W2_10 W3_10 W4_10 W5_10 W6_10 W7_10 W8_10 W9_10"}, {"010.0", "size", "Large_10 Small_10"},
        {"-7", "", "Weight_7-"}, {"3.50", "", "Large_3.5"}, {"1.2.3", "", "1.2.3"}, {"RED", "", "Red"}, {"Crimson", "", ""}, {"Small_10", "Weight", ""},
        {"true", "", "Flag_True"}, {"07-04-2000", "Opened", "Opened_07-04-2000"}, {"p1", "", ""}, {"Size", "", "Size"}, {"", "", ""}, {"+10", "", ""}, {"10", "S", ""},
        {digits.c_str(), "", ""}, {digits.c_str() + 1, "", ""}};
    for (const auto &f : finds)
        EXPECT_EQ(members(nullptr, f[0], f[1]), f[2]) << f[0]; // "" names no dimension, as NULL does
    // A shared member answers for the member of its name, a label-only member for its first child.
    const std::string p1Attrs = "Small_10 Flag_True Opened_07-04-2000 Red";
    EXPECT_EQ(members(product) + "," + members(p1) + "," + members(p3->nextSibling) + "," + members(label) + "," + members(p2) + "," + members(market) + "," + members(m) + "," + members(x->firstChild) +
                  "," + members(lone) + "," + members(ghost),
              "Size Flag Opened Colour Weight," + p1Attrs + "," + p1Attrs + ",Weight_7-,Blue,,,Small_10,,");
    EXPECT_EQ(dump(), before);
    // A deleted attribute member and an emptied link slot drop out; the arrays shrink to what is left.
    ASSERT_EQ(adShrOtlDeleteMember(o, blue, OTL_CHECK_ALL), OTL_OK);
    product->attrLink.baseDim.attrLinks[1].attrDim = nullptr;
    EXPECT_EQ(members(product) + "," + members(p1) + "," + members(p2), "Size Opened Colour Weight,Small_10 Opened_07-04-2000 Red,");
    product->attrLink.baseDim.attrLinkCount = 4; // p3's entry now lies beyond the slots
    EXPECT_EQ(members(product) + "," + members(label), "Size Opened Colour,");
}

TEST_F(AttrQueries, FieldAccessReadsEveryFieldAndTheHostListsAndRefusesInOrder)
{
    o->fieldAccessMode = 1, x->fieldMaskActive = 1;
    const struct { uint32_t selector; size_t width; std::string expected; } rows[] = {
        {1, 0, "Field"}, {2, 2, "1"}, {4, 2, "2"}, {8, 2, "3"}, {16, 1, "4"}, {32, 1, "5"}, {64, 2, "6"}, {128, 0, "USD"}, {256, 2, "7"}, {512, 2, "8"},
        {1024, 2, "9"}, {2048, 2, "10"}, {4096, 2, "11"}, {8192, 2, "12"}, {16384, 0, "c"}, {32769, 4, "66051"}, {65536, 4, "14"}, {131072, 0, "Info"},
        {262144, 4, "15"}, {524288, 0, "Alias"}, {1048576, 0, "p2"}, {2097152, 0, "p1"}, {4194304, 0, "Product"}, {8388608, 0, "Kid"}, {16777216, 0, "u1"},
        {33554432, 0, "f;"}, {67108864, 0, "lf;"}, {134217728, 0, "cx"}, {268435456, 0, "Alias"}, {536870912, 4, "2147483664"}, {1073741824, 1, "17"},
        {2147483649u, 4, "4294967294"}, {2147483650u, 1, "0"}, {2147483680u, 0, "0:0.000000"}};
    for (const auto &r : rows) { // an active mask with just the field's bit
        x->fieldMask[0] = r.selector >> 31 ? 0 : r.selector, x->fieldMask[1] = r.selector >> 31 ? r.selector & 0x7FFFFFFF : 0;
        EXPECT_EQ(field(x, r.selector, r.width), r.expected) << r.selector;
    }
    x->hasAttrValue = 1, x->fieldMask[1] = 0x3C;
    EXPECT_EQ(field(x, 2147483680u) + "," + field(p1, 16384) + "," + info(x), "10:" + z80 + ",(null),Colour//10:Red;Size/Small/8:10.000000;" + z80 + "/b/10:" + z80 + ";");

    // Refusals, in their order: each allocates nothing and changes nothing.
    x->fieldMaskActive = 0, o->fieldAccessMode = 0;
    const std::string before = dump();
    OtlItem *calc = test::lastChild(o->root);
    const struct { uint8_t mode; uint16_t active; uint32_t first, second; std::function<std::string()> call; std::string expected; } refusals[] = {
        {0, 0, 0, 0x1C, [&] { return field(x, 1) + info(x); }, "#1060068#1060068"},
        {1, 0, 0, 0, [&] { return members(p1); }, "#1060068"},
        {0, 0, 0, 0, [&] { return members(colour) + members(red) + members(calc) + members(calc->firstChild); }, "#1060084#1060084#1060084#1060084"},
        {1, 0, 0, 0, [&] { return field(x, 0) + field(x, 0x80000021) + field(x, 32768) + field(x, 3) + field(x, 0x80000000) + field(x, 0x80000004); },
         "#1060120#1060120#1060120#1060120#1060120#1060120"},
        {1, 0, 0, 0, [&] { return field(x, 0, 0, false) + field(x, 0x80000021, 0, false) + field(x, 32768, 0, false); }, "#1060120#1060120#1060001"},
        {1, 1, 2, 0, [&] { return field(x, 1, 0, false) + field(x, 2, 0, false) + field(x, 1); }, "#1060120#1060001#1060120"},
        {1, 1, 0, 0x0C, [&] { return info(x); }, "#1060120"}, {1, 1, 0, 0x18, [&] { return info(x); }, "#1060120"},
        {1, 0, 0, 0x1C, [&] { return info(x); }, "#1060120"},
        {1, 1, 0, 0x1C, [&] { // no entries, or a list the mask announces missing
             const uint32_t n = std::exchange(x->hostAttrCount, 0);
             std::string s = info(x);
             x->hostAttrCount = n, std::swap(x->hostAttrTexts2, p1->hostAttrTexts2);
             s += info(x);
             return std::swap(x->hostAttrTexts2, p1->hostAttrTexts2), s;
         }, "#1060120#1060120"}};
    for (const auto &r : refusals) {
        o->fieldAccessMode = r.mode;
        x->fieldMaskActive = p1->fieldMaskActive = r.active, x->fieldMask[0] = r.first, x->fieldMask[1] = p1->fieldMask[1] = r.second;
        const uint64_t calls = host.allocations();
        EXPECT_EQ(r.call(), r.expected);
        EXPECT_EQ(host.allocations(), calls) << r.expected;
    }
    o->fieldAccessMode = 0, p1->fieldMaskActive = 0, p1->fieldMask[1] = 0, x->fieldMaskActive = 0, x->fieldMask[0] = 0, x->fieldMask[1] = 0x3C;
    EXPECT_EQ(dump(), before);
}

// Every allocation of each query fails in turn: the host's status comes back, nothing is kept, nothing changes.
TEST_F(AttrQueries, AllocationFailuresPassThroughAndLeaveNothing)
{
    product->attrLink.baseDim.attrLinks[1].attrDim = nullptr, x->hasAttrValue = 1, x->fieldMask[1] = 0x1C; // p1's list is shrunk
    const struct { uint8_t mode; std::function<std::string()> call; uint64_t points; } rows[] = {
        {0, [&] { return members(nullptr, "10"); }, 2}, {0, [&] { return members(p1); }, 2}, {1, [&] { return info(x); }, 3},
        {1, [&] { return field(x, 1); }, 1}, {1, [&] { return field(x, 2, 2); }, 1}, {1, [&] { return field(x, 0x80000020); }, 2}};
    for (const auto &r : rows) {
        o->fieldAccessMode = r.mode, x->fieldMaskActive = r.mode && r.points == 3; // an inactive mask hides nothing
        const std::string before = dump();
        const size_t blocks = host.liveBlocks();
        const auto attempt = [&] { const std::string s = r.call(); return s[0] == '#' ? OtlStatus(std::stoul(s.substr(1))) : OTL_OK; };
        EXPECT_GE(test::sweepAllocations(host, attempt, [&](uint64_t) { EXPECT_EQ(host.liveBlocks(), blocks); EXPECT_EQ(dump(), before); }), r.points);
    }
}

} // namespace
