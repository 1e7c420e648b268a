// The demo command: builds the outline of a fictional tea merchant through
// the public editing interface, edits it with the change log on, sorts one
// family, and prints the tree, a summary and the log, then the currency
// outline generated from it.
#ifndef OTL_TOOL_DEMO_H
#define OTL_TOOL_DEMO_H

#include <ostream>
#include <string>

namespace otltool {

struct DemoOptions {
    bool properties = true; // print member properties after the names
    bool changes = true;    // make the edits and print the change log
    std::string save;       // when not empty, the file the outline is saved to
};

// Throws CallFailed when a library call fails.
void runDemo(const DemoOptions &options, std::ostream &out);

} // namespace otltool

#endif
