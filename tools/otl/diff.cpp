// Comparing two outlines row by row: each outline is read into its export
// rows, keyed by what identifies a row, and the two sets are compared.
// Sibling order is not compared: a member counts as moved only when its
// parent changed.
#include "diff.h"

#include "changes.h"
#include "columns.h"
#include "csv_import.h"
#include "progress.h"
#include "snapshot.h"

#include <nlohmann/json.hpp>

#include <map>
#include <unordered_map>
#include <vector>

namespace otltool {
namespace {

using Json = nlohmann::ordered_json;
using Properties = std::vector<std::pair<std::string, std::string>>;

struct Entry {
    Record::Kind kind;
    std::string dimension, parent, name;
    bool shared = false;
    Properties properties; // repeated columns joined into one value
};

struct Side {
    std::vector<Entry> entries;
    std::unordered_map<std::string, size_t> byKey;
    std::vector<const std::string *> keys; // into byKey
};

class Reader {
public:
    explicit Reader(bool caseSensitive) : caseSensitive_(caseSensitive) {}

    std::string fold(const std::string &name) const { return caseSensitive_ ? name : asciiLower(name); }

    std::string key(const Entry &entry) const
    {
        switch (entry.kind) {
        case Record::Setting:
            return "s\x1f" + entry.dimension + "\x1f" + entry.name + "\x1f" + entry.parent;
        case Record::Dimension: return "d\x1f" + fold(entry.dimension);
        default:
            return "m\x1f" + fold(entry.dimension) + "\x1f" + fold(entry.name) +
                   (entry.shared ? "\x1f" + fold(entry.parent) : "");
        }
    }

    // A setting's entry keeps the setting in dimension, its subject in name
    // and, for lists (tables, combinations), what tells entries apart in
    // parent.
    Side read(OtlOutline *outline, const std::string &label, bool quiet) const
    {
        Side side;
        Progress progress("reading " + label, 0, quiet);
        snapshotOutline(outline, [&](const Record &record) {
            progress.tick();
            Entry entry{record.kind, record.dimension, record.parent, record.member, record.shared, {}};
            if (record.kind == Record::Setting) {
                entry.dimension = record.setting;
                entry.parent = record.setting == kSettingAliasTable ? record.value : "";
                if (record.setting == kSettingCombination)
                    for (const Cell &cell : record.cells)
                        entry.parent += cell.value + "\x1f";
                if (record.setting != kSettingAliasTable)
                    entry.properties.emplace_back("value", record.value);
            }
            for (const Cell &cell : record.cells) {
                if (!entry.properties.empty() && entry.properties.back().first == cell.column)
                    entry.properties.back().second += ", " + cell.value;
                else
                    entry.properties.emplace_back(cell.column, cell.value);
            }
            if (auto [at, added] = side.byKey.emplace(key(entry), side.entries.size()); added) {
                side.entries.push_back(std::move(entry));
                side.keys.push_back(&at->first);
            }
        });
        return side;
    }

private:
    bool caseSensitive_;
};

std::string find(const Properties &properties, const std::string &column)
{
    for (const auto &[name, value] : properties)
        if (name == column)
            return value;
    return {};
}

class Comparison {
public:
    Comparison(const Reader &reader, Side before, Side after)
        : reader_(reader), before_(std::move(before)), after_(std::move(after))
    {
    }

    void run(const std::vector<std::pair<std::string, std::string>> &renames)
    {
        std::vector<size_t> added, deleted;
        std::vector<std::pair<size_t, size_t>> matched;
        for (size_t i = 0; i < after_.entries.size(); ++i)
            if (!before_.byKey.count(*after_.keys[i]))
                added.push_back(i);
        for (size_t i = 0; i < before_.entries.size(); ++i)
            if (const auto found = after_.byKey.find(*before_.keys[i]); found == after_.byKey.end())
                deleted.push_back(i);
            else
                matched.emplace_back(i, found->second);
        pairRenames(added, deleted, renames);
        // Renames first: a child of a renamed member has not moved.
        for (const auto &[old, now] : renamed_) {
            const Entry &before = before_.entries[old], &after = after_.entries[now];
            if (!before.shared)
                result_["renamed"].push_back({{"kind", "member"},
                                              {"dimension", after.dimension},
                                              {"from", before.name},
                                              {"to", after.name}});
        }
        for (const auto &[old, now] : renamed_)
            compare(before_.entries[old], after_.entries[now]);
        for (const auto &[old, now] : matched)
            compare(before_.entries[old], after_.entries[now]);
        for (size_t i : added)
            report("added", after_.entries[i]);
        for (size_t i : deleted)
            report("deleted", before_.entries[i]);
    }

    const Json &result() const { return result_; }
    bool equal() const { return result_.empty(); }

private:
    static std::string kindWord(const Entry &entry)
    {
        return entry.kind == Record::Setting     ? "setting"
               : entry.kind == Record::Dimension ? "dimension"
                                                 : "member";
    }

    Json describe(const Entry &entry) const
    {
        Json object{{"kind", kindWord(entry)}};
        if (entry.kind == Record::Setting) {
            object["setting"] = entry.dimension;
            if (!entry.name.empty())
                object["member"] = entry.name;
            if (entry.dimension == kSettingAliasTable)
                object["value"] = entry.parent;
            return object;
        }
        object["dimension"] = entry.dimension;
        if (entry.kind == Record::Member) {
            object["member"] = entry.name;
            object["parent"] = entry.parent;
            if (entry.shared)
                object["shared"] = true;
        }
        return object;
    }

    void report(const char *change, const Entry &entry) { result_[change].push_back(describe(entry)); }

    void compare(const Entry &before, const Entry &after)
    {
        const auto newName =
            newNames_.find(reader_.fold(before.dimension) + "\x1f" + reader_.fold(before.parent));
        const std::string oldParent = newName == newNames_.end() ? before.parent : newName->second;
        if (before.kind == Record::Member && reader_.fold(oldParent) != reader_.fold(after.parent)) {
            Json moved = describe(after);
            moved.erase("parent");
            moved["from"] = before.parent;
            moved["to"] = after.parent;
            result_["moved"].push_back(moved);
        }
        std::vector<std::string> columns;
        for (const Properties *list : {&before.properties, &after.properties})
            for (const auto &[column, value] : *list)
                if (std::find(columns.begin(), columns.end(), column) == columns.end())
                    columns.push_back(column);
        for (const std::string &column : columns) {
            const std::string old = find(before.properties, column),
                              now = find(after.properties, column);
            if (old == now)
                continue;
            Json changed = describe(after);
            changed["property"] = column;
            changed["old"] = old;
            changed["new"] = now;
            result_["changed"].push_back(changed);
        }
    }

    void renamed(size_t before, size_t after)
    {
        const Entry &old = before_.entries[before], &now = after_.entries[after];
        renamed_.emplace_back(before, after);
        newNames_[reader_.fold(old.dimension) + "\x1f" + reader_.fold(old.name)] = now.name;
    }

    // Pairs a deleted and an added member of one dimension: first as the
    // change log's renames say (shared copies follow their member), then by
    // an alias, comment or formula each alone has on its side.
    void pairRenames(std::vector<size_t> &added, std::vector<size_t> &deleted,
                     const std::vector<std::pair<std::string, std::string>> &renames)
    {
        std::unordered_map<std::string, std::string> newName; // folded old name: new name
        for (const auto &[now, old] : renames)
            newName[reader_.fold(old)] = now;
        std::unordered_map<std::string, size_t> addedAt;
        for (size_t i : added)
            addedAt.emplace(*after_.keys[i], i);
        const auto take = [&](size_t d, const std::string &afterKey) {
            const auto found = addedAt.find(afterKey);
            if (found == addedAt.end())
                return false;
            renamed(deleted[d], found->second);
            added.erase(std::find(added.begin(), added.end(), found->second));
            addedAt.erase(found);
            return true;
        };
        for (size_t d = 0; d < deleted.size();) {
            Entry probe = before_.entries[deleted[d]];
            const auto rename = newName.find(reader_.fold(probe.name));
            if (probe.kind != Record::Member || rename == newName.end())
                ++d;
            else if (probe.name = rename->second; take(d, reader_.key(probe)))
                deleted.erase(deleted.begin() + static_cast<ptrdiff_t>(d));
            else
                ++d;
        }

        const auto stableKeys = [&](const Side &side, const std::vector<size_t> &list) {
            // Ordered, so that where two keys pair one member differently the
            // same one wins every time.
            std::map<std::string, std::pair<size_t, int>> keys; // key: position in list, count
            for (size_t p = 0; p < list.size(); ++p) {
                const Entry &entry = side.entries[list[p]];
                if (entry.kind != Record::Member || entry.shared)
                    continue;
                for (const auto &[column, value] : entry.properties)
                    if (column.starts_with("alias") || column == "comment" ||
                        column == "extended comment" || column == "formula") {
                        auto &slot =
                            keys[reader_.fold(entry.dimension) + "\x1f" + column + "\x1f" + value];
                        slot = {p, slot.second + 1};
                    }
            }
            return keys;
        };
        const auto before = stableKeys(before_, deleted), after = stableKeys(after_, added);
        std::vector<std::pair<size_t, size_t>> pairs; // positions in deleted and added
        std::vector<bool> usedBefore(deleted.size()), usedAfter(added.size());
        for (const auto &[key, at] : before)
            if (const auto other = after.find(key); other != after.end() && at.second == 1 &&
                                                    other->second.second == 1 && !usedBefore[at.first] &&
                                                    !usedAfter[other->second.first]) {
                usedBefore[at.first] = usedAfter[other->second.first] = true;
                pairs.emplace_back(at.first, other->second.first);
            }
        std::sort(pairs.begin(), pairs.end());
        for (const auto &[d, a] : pairs)
            renamed(deleted[d], added[a]);
        const auto keep = [](std::vector<size_t> &list, const std::vector<bool> &used) {
            size_t out = 0;
            for (size_t i = 0; i < list.size(); ++i)
                if (!used[i])
                    list[out++] = list[i];
            list.resize(out);
        };
        keep(deleted, usedBefore);
        keep(added, usedAfter);
    }

    const Reader &reader_;
    Side before_, after_;
    std::vector<std::pair<size_t, size_t>> renamed_;
    std::unordered_map<std::string, std::string> newNames_; // dimension and old name: new name
    Json result_ = Json::object();
};

std::string label(const Json &entry)
{
    const std::string kind = entry["kind"];
    if (kind == "setting") {
        std::string text = "setting " + entry["setting"].get<std::string>();
        if (entry.contains("member"))
            text += " " + entry["member"].get<std::string>();
        if (entry.contains("value"))
            text += " " + entry["value"].get<std::string>();
        return text;
    }
    if (kind == "dimension")
        return "dimension " + entry["dimension"].get<std::string>();
    return entry.value("member", entry.value("to", std::string())) + " (" +
           entry["dimension"].get<std::string>() + ")";
}

void printText(const Json &result, std::ostream &out)
{
    const auto each = [&](const char *change, auto line) {
        if (result.contains(change))
            for (const Json &entry : result[change])
                out << line(entry) << '\n';
    };
    each("added", [](const Json &e) {
        return "added    " + label(e) +
               (e.contains("parent") ? " under " + e["parent"].get<std::string>() : "");
    });
    each("deleted", [](const Json &e) {
        return "deleted  " + label(e) +
               (e.contains("parent") ? " under " + e["parent"].get<std::string>() : "");
    });
    each("renamed", [](const Json &e) {
        return "renamed  " + e["from"].get<std::string>() + " -> " + e["to"].get<std::string>() + " (" +
               e["dimension"].get<std::string>() + ")";
    });
    each("moved", [](const Json &e) {
        return "moved    " + label(e) + " from " + e["from"].get<std::string>() + " to " +
               e["to"].get<std::string>();
    });
    each("changed", [](const Json &e) {
        return "changed  " + label(e) + " " + e["property"].get<std::string>() + ": " + e["old"].dump() +
               " -> " + e["new"].dump();
    });
    std::string summary;
    for (const char *change : {"added", "deleted", "renamed", "moved", "changed"})
        if (result.contains(change))
            summary +=
                (summary.empty() ? "" : ", ") + std::to_string(result[change].size()) + " " + change;
    out << (summary.empty() ? "the outlines are equal" : summary) << '\n';
}

} // namespace

int runDiff(const DiffOptions &options, std::ostream &out, std::ostream &err)
{
    Json result;
    try {
        OutlineHandle before = loadOutline(options.before, options.quiet);
        OutlineHandle after = loadOutline(options.after, options.quiet);
        const Reader reader(before->caseSensitive && after->caseSensitive);
        Side a = reader.read(before.get(), "A", options.quiet);
        Side b = reader.read(after.get(), "B", options.quiet);
        Comparison comparison(reader, std::move(a), std::move(b));
        comparison.run(loggedRenames(after.get()));
        result = comparison.result();
    } catch (const std::exception &failure) {
        err << "otl: " << failure.what() << '\n';
        return 2;
    }
    if (options.json)
        out << Json{{"equal", result.empty()}, {"changes", result}}.dump(2) << '\n';
    else
        printText(result, out);
    return result.empty() ? 0 : 1;
}

} // namespace otltool
