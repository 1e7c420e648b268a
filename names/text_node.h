/*
 * The nodes of the library's text lists (user-defined attributes,
 * generation and level names): each owns a copy of its text.
 */
#ifndef SHROTL_NAMES_TEXT_NODE_H
#define SHROTL_NAMES_TEXT_NODE_H

#include "core/alloc.h"
#include "core/host.h"

namespace otl {

// A new cleared node whose text member `field` holds a copy of `text` (null for
// an empty one). On failure nothing is kept and *node is untouched.
template <class Node>
OtlStatus newTextNode(const OtlHostContext *host, const char *text, char *Node::*field, Node **node)
{
    Node *made = nullptr;
    OtlStatus status = hostNew(host, &made);
    if (status != OTL_OK)
        return status;
    status = otlDupString(host, text, &(made->*field));
    if (status != OTL_OK) {
        hostFree(host, made);
        return status;
    }
    *node = made;
    return OTL_OK;
}

} // namespace otl

#endif
