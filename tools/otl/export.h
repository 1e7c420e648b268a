// The export command: an outline as a parent-child file import reads back,
// as one row per level-0 member in generation or level columns the way
// extraction tools write them, or as JSON with every property.
#ifndef OTL_TOOL_EXPORT_H
#define OTL_TOOL_EXPORT_H

#include "shrotl.h"

#include <ostream>
#include <string>

namespace otltool {

enum class ExportFormat { Csv, Json };
enum class ExportLayout { ParentChild, Generation, Level };

void exportCsv(OtlOutline *outline, ExportLayout layout, std::ostream &out, bool quiet);
void exportJson(OtlOutline *outline, std::ostream &out, bool quiet);

// One CSV field, quoted when it holds a comma, a quote or a line break.
std::string csvField(const std::string &text);

} // namespace otltool

#endif
