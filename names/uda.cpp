/*
 * User-defined attributes: free-text tags on a member, a singly linked list
 * in the order they were added; each node owns its text. A host's tags obey
 * the name rules and appear once per member under the outline's case rule;
 * the reader's come as they are stored.
 */
#include "names/uda.h"
#include "names/text_node.h"
#include "edit/rules.h"

namespace {

// The member's first tag equal to `text` under the outline's case rule, or
// null; *prev is the tag before it. Links are read and written through the
// nodes' own fields: the item's lies unaligned in the packed record.
OtlUserAttr *findTag(const OtlOutline *outline, OtlItem *item, const char *text, OtlUserAttr **prev)
{
    *prev = nullptr;
    OtlUserAttr *node = item->userAttributes;
    while (node && !(text && node->text && otl::namesEqual(outline, node->text, text)))
        *prev = node, node = node->next;
    return node;
}

void append(OtlItem *item, OtlUserAttr *node)
{
    OtlUserAttr *last = item->userAttributes;
    if (!last) {
        item->userAttributes = node;
        return;
    }
    while (last->next)
        last = last->next;
    last->next = node;
}

} // namespace

void otlFreeUserAttributes(const OtlHostContext *host, OtlItem *item)
{
    if (!item)
        return;
    OtlUserAttr *node = item->userAttributes;
    while (node) {
        OtlUserAttr *next = node->next;
        otl::hostRelease(host, &node->text);
        otl::hostFree(host, node);
        node = next;
    }
    item->userAttributes = nullptr;
}

// Without an item a node would belong to nobody: nothing is made.
extern "C" OTL_API OtlStatus otlAddUserAttribute(const OtlHostContext *host, OtlItem *item,
                                                 const char *text)
{
    if (!item)
        return OTL_OK;
    OtlUserAttr *node = nullptr;
    const OtlStatus status = otl::newTextNode(host, text, &OtlUserAttr::text, &node);
    if (status == OTL_OK)
        append(item, node);
    return status;
}

uint32_t otlCountUserAttributes(const OtlItem *item)
{
    uint32_t count = 0;
    for (const OtlUserAttr *node = item ? item->userAttributes : nullptr; node; node = node->next)
        ++count;
    return count;
}

// For an outline being generated from another: on failure the tags copied
// so far stay, and the caller discards the outline it was building.
OtlStatus otlCopyUserAttributes(const OtlHostContext *host, OtlItem *destination,
                                const OtlItem *source)
{
    for (const OtlUserAttr *node = source->userAttributes; node; node = node->next)
        if (OtlStatus status = otlAddUserAttribute(host, destination, node->text))
            return status;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlSetUserAttribute(OtlOutline *outline, OtlItem *item,
                                                      const char *text)
{
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    const OtlHostContext *host = outline->host;
    if (!otlValidateName(text, host))
        return OTL_ERR_UDA_NAME;
    if (item->shareOption == OTL_SHARE_SHARED)
        return OTL_ERR_RULE_SHARED_UDA;
    OtlUserAttr *prev = nullptr;
    if (!findTag(outline, item, text, &prev)) {
        OtlUserAttr *node = nullptr;
        if (OtlStatus status = otl::newTextNode(host, text, &OtlUserAttr::text, &node))
            return status;
        append(item, node);
    }
    outline->verified = 0; // a tag already there counts as set
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlDeleteUserAttribute(OtlOutline *outline, OtlItem *item,
                                                         const char *text)
{
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    OtlUserAttr *prev = nullptr;
    OtlUserAttr *node = findTag(outline, item, text, &prev);
    if (!node)
        return OTL_ERR_UDA_NOT_FOUND;
    if (prev)
        prev->next = node->next;
    else
        item->userAttributes = node->next;
    otl::hostRelease(outline->host, &node->text);
    otl::hostFree(outline->host, node);
    outline->verified = 0;
    return OTL_OK;
}
