// The one outline fixture and builder of the tests. An outline is built in
// one of two ways:
// - through the public operations (`add`, `dim`, `buildSample`), as a host
//   would, with every rule and all the bookkeeping;
// - from raw items (`append`, `appendDim`, `setAlias`, ...), linked as last
//   child and hashed, for tests of the layers below the editing operations
//   and for data whose own operations do not exist yet.
// Fields of the byte-packed records are compared as `+item->field`: the
// unary plus passes a copy, as gtest would otherwise bind a reference to a
// possibly misaligned field.
#ifndef SHROTL_TEST_OUTLINE_H
#define SHROTL_TEST_OUTLINE_H

#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/records.h"
#include "core/tree.h"
#include "edit/item.h"
#include "platform/charset/gcharset.h"
#include "support/fixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace test {

// Steps of a randomised test: SHROTL_RANDOM_ITERATIONS sets a longer run.
inline uint64_t iterations(uint64_t fallback = 3000)
{
    const char *env = std::getenv("SHROTL_RANDOM_ITERATIONS");
    return env && *env ? std::strtoull(env, nullptr, 10) : fallback;
}

inline OtlMbrInfo info(const char *name, uint16_t share = 0, uint16_t tag = 0)
{
    OtlMbrInfo i{};
    std::strncpy(i.memberName, name, OTL_NAME_SIZE - 1);
    i.shareOption = share;
    i.dimensionTag = tag;
    return i;
}

// A member record for an attribute dimension or member of the given type.
inline OtlMbrInfo attrInfo(const char *name, uint16_t valueType)
{
    OtlMbrInfo i = info(name, 5, OTL_TAG_ATTRIBUTE); // share option 5: attribute
    i.attrValueType = valueType;
    return i;
}

// The texts of one change record, null slots as "-".
inline std::vector<std::string> texts(const OtlChangeRecord *r)
{
    const int slots = r->kind == OTL_CHANGE_ADDED ? 4 : r->kind == OTL_CHANGE_MOVED ? 6 : 2;
    std::vector<std::string> out;
    for (int t = 0; t < slots; ++t)
        out.push_back(r->text[t] ? r->text[t] : "-");
    return out;
}

inline size_t logLength(const OtlOutline *o)
{
    size_t n = 0;
    for (const OtlChangeRecord *r = o->changeLogHead; r; r = r->next)
        ++n;
    return n;
}

inline OtlItem *lastChild(OtlItem *parent)
{
    OtlItem *last = parent->firstChild;
    while (last && last->nextSibling)
        last = last->nextSibling;
    return last;
}

// A detached, unhashed item.
inline OtlItem *makeItem(const OtlHostContext *host, const char *name, uint16_t share = 0)
{
    OtlItem *item = nullptr;
    EXPECT_EQ(otlNewItem(host, &item), OTL_OK);
    if (!item)
        return nullptr;
    otl::copyText(item->memberName, name, sizeof item->memberName);
    item->shareOption = share;
    return item;
}

// Appends an item as the last child of `parent` (the root when null) and,
// unless told not to, hashes its names.
inline OtlItem *append(OtlOutline *o, OtlItem *parent, const char *name, uint16_t share = 0,
                       bool hash = true)
{
    if (!parent)
        parent = o->root;
    OtlItem *item = makeItem(o->host, name, share);
    if (OtlItem *last = lastChild(parent))
        otlAddSiblingItem(last, item, 1);
    else
        otlAddChildItem(parent, item, 1);
    if (hash) {
        EXPECT_EQ(otlHashAddItem(o->host, o, item), OTL_OK);
    }
    return item;
}

// A raw dimension; an attribute tag brings the attribute dimension's
// storage, category and share option.
inline OtlItem *appendDim(OtlOutline *o, const char *name, uint16_t tag = 0)
{
    OtlItem *d = append(o, nullptr, name);
    d->dimensionTag = tag;
    if (tag == OTL_TAG_ATTRIBUTE) {
        d->storageType = 1;
        d->dimensionCategory = 12;
        d->shareOption = 5; // attribute
    }
    return d;
}

// A deletion as the editing layer does it, reduced to the tree and hash.
inline void removeRaw(OtlOutline *o, OtlItem *member)
{
    EXPECT_EQ(otlHashRemoveItem(o->host, o, member), OTL_OK);
    EXPECT_EQ(otlHashRemoveSubtree(o->host, o, member->firstChild), OTL_OK);
    otlDetachItem(member, true);
    otlReleaseSubtree(o, member);
}

inline GCLocale localeOf(const char *codePage)
{
    GCLocale locale = 0;
    EXPECT_EQ(GCRegisterLocale(codePage, &locale), GC_OK) << codePage;
    return locale;
}

// Bucket arrays are the outline's to keep (a reservation may grow one), so
// leak checks inside an operation count every other block.
inline size_t bucketArrays(const OtlOutline *o)
{
    size_t n = 0;
    for (const OtlHashBucket &b : o->nameHash->buckets)
        n += b.entries != nullptr;
    return n;
}

// The names the hash enters an item under, sorted; an alias's as "name@table".
inline std::vector<std::string> entriesOf(const OtlOutline *o, const OtlItem *item)
{
    std::vector<std::string> names;
    for (const OtlHashBucket &b : o->nameHash->buckets)
        for (uint32_t i = 0; i < b.count; ++i)
            if (b.entries[i].item == item) {
                const uint16_t t = b.entries[i].table;
                names.push_back(b.entries[i].name + (t ? "@" + std::to_string(t) : ""));
            }
    std::sort(names.begin(), names.end());
    return names;
}

// The sample outline of the member-information and attribute tests:
// Accounts(accounts){Sales, Costs}, Year(time){Qtr1{Jan}}, Market{East,
// West{East shared}}, Colour(attribute, text){Red}, and the attribute
// calculations dimension that Colour brings.
struct Sample {
    OtlItem *accounts, *sales, *costs, *year, *qtr1, *jan, *market, *east, *west, *eastShared;
    OtlItem *colour, *red;
};

// A fixture with one empty outline, closed when the test ends.
class OutlineTest : public HostTest {
protected:
    void SetUp() override
    {
        o = newOutline();
        ASSERT_NE(o, nullptr);
    }

    void TearDown() override
    {
        if (o) {
            EXPECT_EQ(adShrOtlCloseOutline(o), OTL_OK);
        }
        o = nullptr;
        HostTest::TearDown();
    }

    size_t ownedBlocks() const { return host.liveBlocks() - bucketArrays(o); }
    std::string dump() const { return dumpOutline(o); }

    // ---- through the public operations ----------------------------------

    OtlStatus tryAdd(OtlMbrInfo i, OtlItem *parent, OtlItem *prev = nullptr,
                     uint16_t mode = OTL_CHECK_ALL, OtlItem **out = nullptr)
    {
        OtlItem *item = sentinelItem();
        const OtlStatus status = adShrOtlAddMember(o, &i, parent, prev, &item, mode);
        if (status != OTL_OK) {
            EXPECT_EQ(item, sentinelItem()) << "outMember written on failure";
        } else if (out) {
            *out = item;
        }
        return status;
    }

    OtlStatus tryAdd(const char *name, OtlItem *parent, OtlItem *prev = nullptr,
                     uint16_t share = 0, uint16_t mode = OTL_CHECK_ALL)
    {
        return tryAdd(info(name, share), parent, prev, mode);
    }

    // Adds a member and fails the test when the add fails.
    OtlItem *add(OtlMbrInfo i, OtlItem *parent, OtlItem *prev = nullptr,
                 uint16_t mode = OTL_CHECK_ALL)
    {
        OtlItem *item = nullptr;
        EXPECT_EQ(tryAdd(i, parent, prev, mode, &item), OTL_OK) << "adding " << i.memberName;
        return item;
    }

    OtlItem *add(const char *name, OtlItem *parent, OtlItem *prev = nullptr, uint16_t share = 0,
                 uint16_t mode = OTL_CHECK_ALL)
    {
        return add(info(name, share), parent, prev, mode);
    }

    OtlItem *dim(OtlMbrInfo i, OtlItem *prevDimension = nullptr)
    {
        OtlItem *item = nullptr;
        EXPECT_EQ(adShrOtlAddDimension(o, &i, prevDimension, nullptr, &item), OTL_OK)
            << "adding dimension " << i.memberName;
        return item;
    }

    OtlItem *dim(const char *name, OtlItem *prevDimension = nullptr)
    {
        return dim(info(name), prevDimension);
    }

    OtlItem *find(const char *name)
    {
        OtlItem *item = nullptr;
        EXPECT_EQ(adShrOtlFindMember(o, name, &item), OTL_OK);
        return item;
    }

    std::vector<OtlItem *> sharedCopies(const OtlItem *member)
    {
        std::vector<OtlItem *> out;
        OtlItem *next = nullptr;
        for (int32_t at = -1; adShrOtlGetNextSharedMemberUsingHash(o, const_cast<OtlItem *>(member), &next, &at) ==
                                  OTL_OK && next;
             ++at)
            out.push_back(next);
        return out;
    }

    Sample buildSample()
    {
        Sample s{};
        s.accounts = dim(info("Accounts", 0, 1)); // tag 1: accounts
        s.year = dim(info("Year", 0, 2), s.accounts); // tag 2: time
        s.market = dim("Market", s.year);
        s.sales = add("Sales", s.accounts);
        s.costs = add("Costs", nullptr, s.sales);
        s.qtr1 = add("Qtr1", s.year);
        s.jan = add("Jan", s.qtr1);
        s.east = add("East", s.market);
        s.west = add("West", nullptr, s.east);
        s.eastShared = add("East", s.west, nullptr, OTL_SHARE_SHARED);
        OtlMbrInfo colour = attrInfo("Colour", OTL_ATTR_TEXT);
        colour.storageType = 1;
        colour.dimensionCategory = 12;
        s.colour = dim(colour, s.market);
        s.red = add(attrInfo("Red", OTL_ATTR_TEXT), s.colour);
        return s;
    }

    // ---- raw data, as the later features' own operations leave it -------

    OtlItem *append(OtlItem *parent, const char *name, uint16_t share = 0, bool hash = true)
    {
        return test::append(o, parent, name, share, hash);
    }

    OtlItem *appendDim(const char *name, uint16_t tag = 0) { return test::appendDim(o, name, tag); }

    char *dup(const char *text)
    {
        char *copy = nullptr;
        EXPECT_EQ(otlDupString(host.ctx(), text, &copy), OTL_OK);
        return copy;
    }

    // Alias of table `t`, not hashed unless asked.
    void setAlias(OtlItem *item, uint16_t t, const char *alias, bool hash = false)
    {
        item->aliases[t].alias = dup(alias);
        if (hash) {
            EXPECT_EQ(otlHashInsert(host.ctx(), o, item, item->aliases[t].alias,
                                    static_cast<uint16_t>(t + 1)),
                      OTL_OK);
        }
    }

    void addCombo(OtlItem *item, uint16_t t, const char *aliasText, const char *memberList)
    {
        OtlAliasCombo *combo = nullptr, **tail = &item->aliases[t].combos;
        ASSERT_EQ(otl::hostNew(host.ctx(), &combo), OTL_OK);
        combo->aliasText = dup(aliasText);
        combo->memberList = dup(memberList);
        while (*tail)
            tail = &(*tail)->next;
        *tail = combo;
    }

    void addUserAttr(OtlItem *item, const char *text)
    {
        OtlUserAttr *uda = nullptr;
        ASSERT_EQ(otl::hostNew(host.ctx(), &uda), OTL_OK);
        uda->text = dup(text);
        uda->next = std::exchange(item->userAttributes, uda);
    }

    void addGenLevelName(OtlItem *dimension, const char *text, uint8_t kind, uint16_t number)
    {
        OtlGenLevelName *name = nullptr;
        ASSERT_EQ(otl::hostNew(host.ctx(), &name), OTL_OK);
        name->nameText = dup(text);
        name->nameKind = kind;
        name->nameNumber = number;
        name->nextName = std::exchange(dimension->genLevelNames, name);
    }

    void useLocale(const char *codePage) { host.mutableCtx()->localeHandle = localeOf(codePage); }

    // An out-parameter value no operation writes: a failed call must leave it.
    OtlItem *sentinelItem() { return reinterpret_cast<OtlItem *>(&sentinel); }

    OtlOutline *o = nullptr;
    int sentinel = 0;
};

} // namespace test

#endif
