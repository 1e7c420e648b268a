// The writers. Each walks the outline twice when it must know the columns
// before the first row (how many tags, how deep the tree), and streams the
// rows, so a large outline is never held twice in memory. JSON is written
// member by member: each object is closed when the walk leaves its subtree.
#include "export.h"

#include "columns.h"
#include "progress.h"
#include "snapshot.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>
#include <vector>

namespace otltool {
namespace {

using Json = nlohmann::ordered_json;

// The columns a parent-child file needs: each name with its rank and the
// most times one row uses it.
struct Header {
    struct Entry {
        uint32_t rank;
        std::string name;
        size_t count;
    };
    std::vector<Entry> entries;
    bool settings = false;

    void take(const Record &record)
    {
        settings = settings || record.kind == Record::Setting;
        for (size_t i = 0; i < record.cells.size();) {
            size_t j = i;
            while (j < record.cells.size() && record.cells[j].column == record.cells[i].column)
                ++j;
            auto at = std::find_if(entries.begin(), entries.end(),
                                   [&](const Entry &e) { return e.name == record.cells[i].column; });
            if (at == entries.end())
                entries.push_back({record.cells[i].rank, record.cells[i].column, j - i});
            else
                at->count = std::max(at->count, j - i);
            i = j;
        }
    }

    // Column names in rank order, repeated ones as often as needed.
    std::vector<std::string> columns()
    {
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry &a, const Entry &b) { return a.rank < b.rank; });
        std::vector<std::string> names{"dimension", "parent", "member"};
        for (const Entry &entry : entries)
            names.insert(names.end(), entry.count, entry.name);
        if (settings) {
            names.emplace_back("setting");
            names.emplace_back("value");
        }
        return names;
    }
};

void writeRow(const std::vector<std::string> &fields, std::ostream &out)
{
    for (size_t i = 0; i < fields.size(); ++i)
        out << (i ? "," : "") << csvField(fields[i]);
    out << "\r\n";
}

void exportParentChild(OtlOutline *outline, std::ostream &out, bool quiet)
{
    Header header;
    snapshotOutline(outline, [&](const Record &record) { header.take(record); });
    const std::vector<std::string> columns = header.columns();
    writeRow(columns, out);

    Progress progress("exporting", 0, quiet);
    std::vector<std::string> fields(columns.size());
    snapshotOutline(outline, [&](const Record &record) {
        progress.tick();
        std::fill(fields.begin(), fields.end(), std::string());
        fields[0] = record.dimension;
        fields[1] = record.parent;
        fields[2] = record.member;
        for (const Cell &cell : record.cells) {
            // The first free column of that name: repeated cells fill them in turn.
            auto at = std::find(columns.begin() + 3, columns.end(), cell.column);
            while (!fields[at - columns.begin()].empty())
                ++at;
            fields[at - columns.begin()] = cell.value;
        }
        if (record.kind == Record::Setting) {
            fields[columns.size() - 2] = record.setting;
            fields[columns.size() - 1] = record.value;
        }
        writeRow(fields, out);
    });
}

// Generation layout: the dimension first, then each generation down to the
// member; level layout: the member first, then each level up to the
// dimension. One row per level-0 member.
void exportPaths(OtlOutline *outline, bool byGeneration, std::ostream &out, bool quiet)
{
    size_t deepest = 0;
    snapshotOutline(outline, [&](const Record &record) {
        if (record.kind != Record::Setting)
            deepest = std::max<size_t>(deepest, record.depth + 1);
    });
    std::vector<std::string> columns;
    for (size_t i = 0; i < deepest; ++i)
        columns.push_back(byGeneration ? "generation " + std::to_string(i + 1)
                                       : "level " + std::to_string(i));
    writeRow(columns, out);

    Progress progress("exporting", 0, quiet);
    std::vector<std::string> path;
    std::vector<std::string> fields(deepest);
    snapshotOutline(outline, [&](const Record &record) {
        if (record.kind == Record::Setting)
            return;
        progress.tick();
        path.resize(record.depth);
        path.push_back(record.item->memberName);
        if (!record.leaf || record.kind == Record::Dimension)
            return;
        std::fill(fields.begin(), fields.end(), std::string());
        for (size_t i = 0; i < path.size(); ++i)
            fields[i] = byGeneration ? path[i] : path[path.size() - 1 - i];
        writeRow(fields, out);
    });
}

// A row's cells as JSON members: aliases by table, repeated columns as
// lists, generation and level names by number.
void addCells(Json &object, const Record &record, OtlOutline *outline)
{
    for (const Cell &cell : record.cells) {
        if (cell.column.starts_with("alias")) {
            const size_t colon = cell.column.find(':');
            object["aliases"][colon == std::string::npos ? outline->aliasTableNames[0]
                                                         : cell.column.substr(colon + 1)] = cell.value;
        } else if (cell.column == "generation" || cell.column == "level") {
            const size_t equals = cell.value.find('=');
            object[cell.column + " names"][cell.value.substr(0, equals)] = cell.value.substr(equals + 1);
        } else if (cell.column == "uda" || cell.column == "attribute") {
            object[cell.column == "uda" ? "udas" : "attributes"].push_back(cell.value);
        } else {
            object[cell.column] = cell.value;
        }
    }
}

Json settingsObject(OtlOutline *outline)
{
    Json settings = Json::object();
    settings["alias tables"] = Json::array({outline->aliasTableNames[0]});
    snapshotOutline(outline, [&](const Record &record) {
        if (record.kind != Record::Setting)
            return;
        if (record.setting == kSettingAliasTable) {
            settings["alias tables"].push_back(record.value);
        } else if (record.setting == kSettingTimeSeries || record.setting == kSettingCombination) {
            Json entry{{"member", record.member},
                       {record.setting == kSettingTimeSeries ? "generation" : "members", record.value}};
            addCells(entry, record, outline);
            settings[record.setting == kSettingTimeSeries ? "time series" : "alias combinations"]
                .push_back(entry);
        } else {
            settings[record.setting] = record.value;
        }
    });
    return settings;
}

} // namespace

std::string csvField(const std::string &text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

void exportCsv(OtlOutline *outline, ExportLayout layout, std::ostream &out, bool quiet)
{
    if (layout == ExportLayout::ParentChild)
        exportParentChild(outline, out, quiet);
    else
        exportPaths(outline, layout == ExportLayout::Generation, out, quiet);
}

void exportJson(OtlOutline *outline, std::ostream &out, bool quiet)
{
    out << "{\"settings\":" << settingsObject(outline).dump() << ",\"dimensions\":[";
    Progress progress("exporting", 0, quiet);
    std::vector<bool> open; // per open object: whether its children list is open
    const auto close = [&](size_t depth) {
        while (open.size() > depth) {
            out << (open.back() ? "]}" : "}");
            open.pop_back();
        }
    };
    bool first = true;
    snapshotOutline(outline, [&](const Record &record) {
        if (record.kind == Record::Setting)
            return;
        progress.tick();
        close(record.depth);
        if (record.depth == 0) {
            out << (first ? "" : ",");
            first = false;
        } else {
            out << (open.back() ? "," : ",\"children\":[");
            open.back() = true;
        }
        Json object{{"name", record.item->memberName}};
        if (record.member != record.item->memberName)
            object["value"] = record.member;
        addCells(object, record, outline);
        std::string text = object.dump();
        text.pop_back(); // the closing brace comes after the children
        out << text;
        open.push_back(false);
    });
    close(0);
    out << "]}\n";
}

} // namespace otltool
