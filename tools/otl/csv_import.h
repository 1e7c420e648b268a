// The import command: builds an outline from parent-child files, or extends
// a saved one. Rows may come in any order; every row the tool or the library
// refuses is reported with its file, line and member, and an outline with a
// refused row is written only when the user says to keep going.
#ifndef OTL_TOOL_CSV_IMPORT_H
#define OTL_TOOL_CSV_IMPORT_H

#include "files.h"

#include <ostream>
#include <string>
#include <vector>

namespace otltool {

struct ImportOptions {
    std::vector<std::string> files;
    std::string output; // empty: into's file, or print the outline
    std::string into;   // an outline file to extend
    std::string encoding = "UTF-8";
    bool keepGoing = false;
    bool shareRepeats = false; // a member repeated under another parent is shared
    bool quiet = false;
};

// Returns the exit status: 0, or 1 when a row was refused or the outline
// could not be written. Throws BadFile or CallFailed for failures that
// concern no row.
int runImport(const ImportOptions &options, std::ostream &out, std::ostream &err);

// An outline file, or a parent-child file (named *.csv) built in memory with
// the default options; a refused row throws, naming it.
OutlineHandle loadOutline(const std::string &path, bool quiet);

} // namespace otltool

#endif
