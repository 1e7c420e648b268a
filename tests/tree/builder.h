// Building small outlines for the tree and hash tests: items are created
// with otlNewItem, linked as last child so that the tree reads in the order
// it is written, and entered in the name hash.
#ifndef SHROTL_TEST_TREE_BUILDER_H
#define SHROTL_TEST_TREE_BUILDER_H

#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"

#include "support/fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace test {

inline OtlItem *lastChild(OtlItem *parent)
{
    OtlItem *last = parent->firstChild;
    while (last && last->nextSibling)
        last = last->nextSibling;
    return last;
}

// A host copy of a text. Item fields are byte-packed, so a copy is made
// into a local pointer and then stored, never through the field's address.
inline char *dupText(const OtlHostContext *host, const char *text)
{
    char *copy = nullptr;
    EXPECT_EQ(otlDupString(host, text, &copy), OTL_OK);
    return copy;
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

// Appends an item as the last child of `parent` and hashes its names.
inline OtlItem *addChild(OtlOutline *o, OtlItem *parent, const char *name, uint16_t share = 0)
{
    OtlItem *item = makeItem(o->host, name, share);
    if (OtlItem *last = lastChild(parent))
        otlAddSiblingItem(last, item, 1);
    else
        otlAddChildItem(parent, item, 1);
    EXPECT_EQ(otlHashAddItem(o->host, o, item), OTL_OK);
    return item;
}

inline OtlItem *addDim(OtlOutline *o, const char *name, uint16_t tag = 0)
{
    OtlItem *dim = addChild(o, o->root, name);
    dim->dimensionTag = tag;
    return dim;
}

// A deletion as the editing layer does it, reduced to the tree and hash:
// unhash the member and its subtree, unlink it, release it.
inline OtlStatus deleteForTest(OtlOutline *o, OtlItem *member)
{
    EXPECT_EQ(otlHashRemoveItem(o->host, o, member), OTL_OK);
    EXPECT_EQ(otlHashRemoveSubtree(o->host, o, member->firstChild), OTL_OK);
    otlDetachItem(member, true);
    otlReleaseSubtree(o, member);
    return OTL_OK;
}

// A fixture with one empty outline, closed when the test ends.
class OutlineTest : public HostTest {
protected:
    void SetUp() override { o = newOutline(); }
    void TearDown() override
    {
        adShrOtlCloseOutline(o);
        HostTest::TearDown();
    }
    OtlOutline *o = nullptr;
};

} // namespace test

#endif
