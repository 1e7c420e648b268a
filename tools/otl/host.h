// The host context the otl tool hands to the library: memory comes from
// malloc, realloc and free, texts are UTF-8 (locale handle 0). The context is
// one process-wide record that outlives every outline the tool opens.
#ifndef OTL_TOOL_HOST_H
#define OTL_TOOL_HOST_H

#include "shrotl.h"

namespace otltool {

// What the callbacks return when the C allocator gives up; chosen outside the
// library's own codes so that a report names the allocator, not the library.
constexpr OtlStatus kHostOutOfMemory = 12;

// The tool's host context, full member-information records included.
const OtlHostContext *toolHost();

} // namespace otltool

#endif
