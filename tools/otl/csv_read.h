// Reading parent-child files: RFC 4180 CSV (quoted fields with commas,
// doubled quotes and line breaks) parsed by libcsv, UTF-8 or converted to it
// from another encoding, a header row naming the columns. Every field of
// every file lands in one text arena; a row keeps its file, its first line
// and its non-empty cells.
#ifndef OTL_TOOL_CSV_READ_H
#define OTL_TOOL_CSV_READ_H

#include "columns.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace otltool {

struct SourceCell {
    uint16_t column; // index into Table::columns
    uint32_t offset; // into the arena
    uint32_t length;
};

struct SourceRow {
    uint16_t file;
    uint32_t line;
    uint32_t firstCell;
    uint32_t cellCount;
};

// What is wrong with one row; the member may be empty.
struct RowProblem {
    uint16_t file;
    uint32_t line;
    std::string member;
    std::string message;
};

// A file that cannot be read as a whole: its name and line are in what().
class BadFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Table {
public:
    std::vector<std::string> files;
    std::vector<Column> columns; // each distinct column of every header once
    std::vector<SourceRow> rows;

    std::span<const SourceCell> cells(const SourceRow &row) const
    {
        return std::span(cells_).subspan(row.firstCell, row.cellCount);
    }
    std::string_view text(const SourceCell &cell) const
    {
        return std::string_view(arena_).substr(cell.offset, cell.length);
    }
    // The first cell of that kind, empty when the row has none.
    std::string_view first(const SourceRow &row, ColumnKind kind) const;

    // Appends the rows of one file; rows it cannot take go to problems.
    // encoding names the file's character set as iconv knows it.
    void read(const std::string &path, const std::string &encoding, std::vector<RowProblem> &problems,
              bool quiet = true);

private:
    friend struct CsvSink;
    uint16_t columnId(const Column &column);

    std::string arena_;
    std::vector<SourceCell> cells_;
};

// Whether the bytes are well-formed UTF-8.
bool isUtf8(std::string_view text);

} // namespace otltool

#endif
