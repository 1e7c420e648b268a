// The CSV reader. libcsv keeps no line numbers, so the file is fed to it one
// line at a time: a row starts on the first non-blank line fed after the
// previous row ended, and a quoted field running over line breaks keeps the
// row's first line. Spaces are kept as they are (RFC 4180), and the library
// judges names that begin or end with one.
#include "csv_read.h"

#include "progress.h"

#include <csv.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

namespace otltool {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw BadFile(path + ": cannot be opened");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        throw BadFile(path + ": cannot be read");
    return std::move(bytes).str();
}

uint32_t lineAt(std::string_view bytes, size_t offset)
{
    return 1 + static_cast<uint32_t>(std::count(bytes.begin(), bytes.begin() + offset, '\n'));
}

std::string toUtf8(const std::string &bytes, const std::string &encoding, const std::string &path)
{
    iconv_t converter = iconv_open("UTF-8", encoding.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        throw BadFile("encoding '" + encoding + "' is not known");
    std::string out(bytes.size() * 2 + 16, '\0');
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = bytes.size(), outUsed = 0;
    while (inLeft > 0) {
        char *to = out.data() + outUsed;
        size_t outLeft = out.size() - outUsed;
        const size_t result = iconv(converter, &in, &inLeft, &to, &outLeft);
        outUsed = out.size() - outLeft;
        if (result != static_cast<size_t>(-1))
            break;
        if (errno != E2BIG) {
            iconv_close(converter);
            throw BadFile(path + ":" + std::to_string(lineAt(bytes, in - bytes.data())) +
                          ": not valid " + encoding);
        }
        out.resize(out.size() * 2);
    }
    iconv_close(converter);
    out.resize(outUsed);
    return out;
}

int noSpace(unsigned char)
{
    return 0;
}

} // namespace

bool isUtf8(std::string_view text)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *end = p + text.size();
    while (p < end) {
        const unsigned char c = *p++;
        if (c < 0x80)
            continue;
        int more;
        uint32_t code;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (end - p < more)
            return false;
        for (int i = 0; i < more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        p += more;
        // Overlong forms, surrogates and code points past U+10FFFF.
        if ((more == 2 && code < 0x800) || (more == 3 && code < 0x10000) || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
    }
    return true;
}

// Receives libcsv's fields and rows for one file.
struct CsvSink {
    CsvSink(Table &table, uint16_t file, std::vector<RowProblem> &problems, Progress &progress)
        : table(table), file(file), problems(problems), progress(progress)
    {
    }

    Table &table;
    uint16_t file;
    std::vector<RowProblem> &problems;
    Progress &progress;
    std::vector<SourceCell> fields; // the row being read
    std::vector<int> header;        // column id per field, -1 before the header is read
    bool haveHeader = false;
    bool atRowStart = true;
    uint32_t rowLine = 0;
    std::string failure; // a header that cannot be used

    void field(const void *data, size_t length)
    {
        const auto offset = static_cast<uint32_t>(table.arena_.size());
        table.arena_.append(static_cast<const char *>(data), length);
        fields.push_back({0, offset, static_cast<uint32_t>(length)});
    }

    void rowEnd()
    {
        progress.tick();
        atRowStart = true;
        if (!haveHeader)
            readHeader();
        else
            keepRow();
        fields.clear();
    }

    std::string_view text(const SourceCell &cell) const { return table.text(cell); }

    void readHeader()
    {
        haveHeader = true;
        bool required[3] = {};
        for (const SourceCell &cell : fields) {
            const auto column = parseColumn(text(cell));
            if (!column) {
                failure = "unknown column '" + std::string(text(cell)) + "'; the columns are " +
                          knownColumns();
                return;
            }
            for (ColumnKind kind : {ColumnKind::Dimension, ColumnKind::Parent, ColumnKind::Member}) {
                if (column->kind != kind)
                    continue;
                bool &seen = required[static_cast<int>(kind)];
                if (seen) {
                    failure = "column '" + column->name() + "' appears twice";
                    return;
                }
                seen = true;
            }
            header.push_back(table.columnId(*column));
        }
        if (!required[0] || !required[1] || !required[2])
            failure = "the header must name the columns dimension, parent and member";
    }

    void keepRow()
    {
        const auto problem = [&](std::string message) {
            problems.push_back({file, rowLine, "", std::move(message)});
        };
        if (fields.size() != header.size())
            return problem("has " + std::to_string(fields.size()) + " fields, the header " +
                           std::to_string(header.size()));
        SourceRow row{file, rowLine, static_cast<uint32_t>(table.cells_.size()), 0};
        for (size_t i = 0; i < fields.size(); ++i) {
            if (!isUtf8(text(fields[i])))
                return problem("field " + std::to_string(i + 1) +
                               " is not valid UTF-8 (name the file's encoding with --encoding)");
            if (fields[i].length == 0)
                continue;
            fields[i].column = static_cast<uint16_t>(header[i]);
            table.cells_.push_back(fields[i]);
            ++row.cellCount;
        }
        table.rows.push_back(row);
    }
};

std::string_view Table::first(const SourceRow &row, ColumnKind kind) const
{
    for (const SourceCell &cell : cells(row))
        if (columns[cell.column].kind == kind)
            return text(cell);
    return {};
}

uint16_t Table::columnId(const Column &column)
{
    const std::string table = asciiLower(column.table);
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].kind == column.kind && columns[i].info == column.info &&
            asciiLower(columns[i].table) == table)
            return static_cast<uint16_t>(i);
    columns.push_back(column);
    return static_cast<uint16_t>(columns.size() - 1);
}

void Table::read(const std::string &path, const std::string &encoding, std::vector<RowProblem> &problems,
                 bool quiet)
{
    std::string bytes = slurp(path);
    const std::string lowerEncoding = asciiLower(encoding);
    if (!encoding.empty() && lowerEncoding != "utf-8" && lowerEncoding != "utf8")
        bytes = toUtf8(bytes, encoding, path);
    std::string_view rest(bytes);
    if (rest.starts_with(kByteOrderMark))
        rest.remove_prefix(kByteOrderMark.size());

    // Room for every field and row at once: growing a large arena would copy it.
    arena_.reserve(arena_.size() + rest.size());
    rows.reserve(rows.size() + static_cast<size_t>(std::count(rest.begin(), rest.end(), '\n')) + 1);
    files.push_back(path);
    Progress progress("reading " + path, 0, quiet);
    CsvSink sink(*this, static_cast<uint16_t>(files.size() - 1), problems, progress);
    csv_parser parser;
    csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
    csv_set_space_func(&parser, noSpace);
    const auto onField = [](void *data, size_t length, void *sinkPointer) {
        static_cast<CsvSink *>(sinkPointer)->field(data, length);
    };
    const auto onRow = [](int, void *sinkPointer) { static_cast<CsvSink *>(sinkPointer)->rowEnd(); };

    const auto fail = [&](uint32_t line, const std::string &message) {
        csv_free(&parser);
        throw BadFile(path + ":" + std::to_string(line) + ": " + message);
    };
    uint32_t line = 0;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view chunk =
            rest.substr(0, end == std::string_view::npos ? rest.size() : end + 1);
        rest.remove_prefix(chunk.size());
        ++line;
        if (sink.atRowStart && chunk.find_first_not_of("\r\n") != std::string_view::npos) {
            sink.rowLine = line;
            sink.atRowStart = false;
        }
        if (csv_parse(&parser, chunk.data(), chunk.size(), onField, onRow, &sink) != chunk.size())
            fail(line, "a double quote in an unquoted field, or a quoted field followed by more "
                       "text (write a quote inside quotes as two)");
        if (!sink.failure.empty())
            fail(sink.rowLine, sink.failure);
    }
    if (csv_fini(&parser, onField, onRow, &sink) != 0)
        fail(sink.rowLine, "the file ends inside a quoted field: it is cut short or a quote is "
                           "missing");
    if (!sink.failure.empty())
        fail(sink.rowLine, sink.failure);
    if (!sink.haveHeader)
        fail(1, "no header row");
    csv_free(&parser);
}

} // namespace otltool
