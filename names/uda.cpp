/*
 * User-defined attributes: free-text tags on a member, a singly linked list
 * in the order they were added; each node owns its text.
 */
#include "names/uda.h"
#include "core/alloc.h"

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
