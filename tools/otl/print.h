// Printing an outline for a terminal: every dimension as an indented tree,
// one member a line, its properties in columns after a name column as wide
// as the widest indented name. Walks go through the library's tree walks.
#ifndef OTL_TOOL_PRINT_H
#define OTL_TOOL_PRINT_H

#include "shrotl.h"

#include <ostream>
#include <string_view>

namespace otltool {

struct PrintOptions {
    bool properties = true; // false: indented names only
};

struct OutlineCounts {
    unsigned dimensions = 0;
    unsigned members = 0; // below the dimensions, shared members included
    unsigned shared = 0;
};

// Terminal columns taken by a UTF-8 text (one per character).
size_t displayWidth(std::string_view text);

// Throws CallFailed when a walk refuses (an outline in field-access mode).
void printOutline(OtlOutline *outline, const PrintOptions &options, std::ostream &out);
OutlineCounts countOutline(OtlOutline *outline);
// The named generations and levels of every dimension, one line each, and
// the enabled time series.
void printNames(OtlOutline *outline, std::ostream &out);
// "5 dimensions, 383 members, 54 of them shared"
void printSummary(const OutlineCounts &counts, std::ostream &out);

} // namespace otltool

#endif
