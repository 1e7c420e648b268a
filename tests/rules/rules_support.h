// Builds small outlines for the rule tests: items linked in order and
// entered in the name hash, and the later features' data (aliases,
// combinations, user-defined attributes, generation and level names) filled
// in directly through the host, as their own operations would leave them.
#ifndef SHROTL_TESTS_RULES_SUPPORT_H
#define SHROTL_TESTS_RULES_SUPPORT_H

#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/records.h"
#include "platform/charset/gcharset.h"
#include "support/fixture.h"

#include <cstring>
#include <string>

namespace rulestest {

inline GCLocale localeOf(const char *codePage)
{
    GCLocale locale = 0;
    EXPECT_EQ(GCRegisterLocale(codePage, &locale), GC_OK) << codePage;
    return locale;
}

class OutlineTest : public test::HostTest {
protected:
    void SetUp() override { outline = newOutline(); }
    void TearDown() override
    {
        if (outline)
            adShrOtlCloseOutline(outline);
        test::HostTest::TearDown();
    }

    // Appends a child after the parent's last child; the universe member
    // for a null parent. Hashed under its name and aliases.
    OtlItem *add(OtlItem *parent, const char *name, uint16_t share = 0, bool hash = true)
    {
        if (!parent)
            parent = outline->root;
        OtlItem *item = nullptr;
        EXPECT_EQ(otlNewItem(host.ctx(), &item), OTL_OK);
        strncpy(item->memberName, name, OTL_NAME_SIZE - 1);
        item->shareOption = share;
        OtlItem *last = parent->firstChild;
        while (last && last->nextSibling)
            last = last->nextSibling;
        if (last)
            otlAddSiblingItem(last, item, 1);
        else
            otlAddChildItem(parent, item, 1);
        if (hash) {
            EXPECT_EQ(otlHashAddItem(host.ctx(), outline, item), OTL_OK);
        }
        return item;
    }

    OtlItem *dim(const char *name, uint16_t tag = 0)
    {
        OtlItem *d = add(nullptr, name);
        d->dimensionTag = tag;
        if (tag == OTL_TAG_ATTRIBUTE) {
            d->storageType = 1;
            d->dimensionCategory = 12;
            d->shareOption = 5;
        }
        return d;
    }

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
            EXPECT_EQ(otlHashInsert(host.ctx(), outline, item, item->aliases[t].alias,
                                    static_cast<uint16_t>(t + 1)),
                      OTL_OK);
        }
    }

    void addCombo(OtlItem *item, uint16_t t, const char *aliasText, const char *memberList)
    {
        OtlAliasCombo *combo = nullptr;
        ASSERT_EQ(otl::hostNew(host.ctx(), &combo), OTL_OK);
        combo->aliasText = dup(aliasText);
        combo->memberList = dup(memberList);
        OtlAliasCombo **tail = &item->aliases[t].combos;
        while (*tail)
            tail = &(*tail)->next;
        *tail = combo;
    }

    void addUserAttr(OtlItem *item, const char *text)
    {
        OtlUserAttr *uda = nullptr;
        ASSERT_EQ(otl::hostNew(host.ctx(), &uda), OTL_OK);
        uda->text = dup(text);
        uda->next = item->userAttributes;
        item->userAttributes = uda;
    }

    void addGenLevelName(OtlItem *dimension, const char *text, uint8_t kind, uint16_t number)
    {
        OtlGenLevelName *name = nullptr;
        ASSERT_EQ(otl::hostNew(host.ctx(), &name), OTL_OK);
        name->nameText = dup(text);
        name->nameKind = kind;
        name->nameNumber = number;
        name->nextName = dimension->genLevelNames;
        dimension->genLevelNames = name;
    }

    void useLocale(const char *codePage) { host.mutableCtx()->localeHandle = localeOf(codePage); }

    OtlOutline *outline = nullptr;
};

} // namespace rulestest

#endif
