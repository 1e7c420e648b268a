// The diff command: what changed from outline A to outline B. Members are
// matched by dimension and name (shared members by their parent too);
// a member whose name changed is matched through B's change log, or through
// an alias, comment or formula that it alone had and still has. Output is
// text lines or one JSON object.
#ifndef OTL_TOOL_DIFF_H
#define OTL_TOOL_DIFF_H

#include <ostream>
#include <string>

namespace otltool {

struct DiffOptions {
    std::string before; // A
    std::string after;  // B
    bool json = false;
    bool quiet = false;
};

// Returns the exit status: 0 equal, 1 different, 2 when an outline cannot
// be read (the message goes to err).
int runDiff(const DiffOptions &options, std::ostream &out, std::ostream &err);

} // namespace otltool

#endif
