// Printing an outline's change log, one line per record, oldest first. This
// is the one part of the tool that reads a record the public header leaves
// opaque, so the internal layout stays confined to changes.cpp.
#ifndef OTL_TOOL_CHANGES_H
#define OTL_TOOL_CHANGES_H

#include "shrotl.h"

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace otltool {

// Lines look like "A  Genmaicha  under Green Tea after Sencha"; returns the
// number of records printed.
unsigned printChangeLog(const OtlOutline *outline, std::ostream &out);

// The renames the log holds, oldest first: each the new name, then the old.
std::vector<std::pair<std::string, std::string>> loggedRenames(const OtlOutline *outline);

} // namespace otltool

#endif
