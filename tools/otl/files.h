// Commands on saved outline files: show prints one as the demo prints its
// outline, verify reports its faults, stats prints what its statistics say.
#ifndef OTL_TOOL_FILES_H
#define OTL_TOOL_FILES_H

#include "shrotl.h"

#include <memory>
#include <ostream>
#include <string>

namespace otltool {

struct CloseOutline {
    void operator()(OtlOutline *outline) const { adShrOtlCloseOutline(outline); }
};
using OutlineHandle = std::unique_ptr<OtlOutline, CloseOutline>;

// Throws CallFailed when the file cannot be opened.
OutlineHandle openOutline(const std::string &path);
// Throws CallFailed when the save fails; a refused verification names it.
void saveOutline(OtlOutline *outline, const std::string &path);

// The tree, the summary, the generation and level names and, when the
// outline has one, the change log.
void printWhole(OtlOutline *outline, bool properties, std::ostream &out);

void runShow(const std::string &path, bool properties, std::ostream &out);
// Returns the exit status: 0 for a clean outline, 1 when it has faults.
int runVerify(const std::string &path, std::ostream &out);
void runStats(const std::string &path, std::ostream &out);

} // namespace otltool

#endif
