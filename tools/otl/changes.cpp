// Reads the change log through the public record (shrotl.h): a record
// carries 4 text slots when a member was added, 6 when moved, 2 when
// deleted or renamed. Any slot may be absent.
#include "changes.h"

#include "shrotl.h"
#include "print.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace otltool {
namespace {

size_t slotCount(uint16_t kind)
{
    switch (kind) {
    case OTL_CHANGE_ADDED: return 4;
    case OTL_CHANGE_MOVED: return 6;
    case OTL_CHANGE_DELETED:
    case OTL_CHANGE_RENAMED: return 2;
    default: return 0;
    }
}

// The record is byte-packed and its slots run past the declared one-element
// array, so each slot is copied out rather than indexed.
std::string slot(const OtlChangeRecord *record, size_t index)
{
    const char *text = nullptr;
    const auto *base = reinterpret_cast<const unsigned char *>(record);
    std::memcpy(&text, base + offsetof(OtlChangeRecord, text) + index * sizeof(char *),
                sizeof text);
    return text ? text : "";
}

// Where a member sits, from its parent's and previous sibling's names; an
// absent parent means dimension level.
std::string place(const std::string &parent, const std::string &previous)
{
    if (parent.empty())
        return previous.empty() ? "as first dimension" : "as dimension after " + previous;
    return "under " + parent + (previous.empty() ? ", first" : " after " + previous);
}

struct Line {
    char letter;
    std::string name;
    std::string detail;
};

Line describe(const OtlChangeRecord *record)
{
    std::vector<std::string> texts;
    for (size_t i = 0; i < slotCount(record->kind); ++i)
        texts.push_back(slot(record, i));
    switch (record->kind) {
    case OTL_CHANGE_ADDED: {
        std::string detail = place(texts[1], texts[2]);
        if (!texts[3].empty())
            detail += "  (" + texts[3] + ")";
        return {'A', texts[0], detail};
    }
    case OTL_CHANGE_DELETED:
        return {'D', texts[0], texts[1].empty() ? "" : "(" + texts[1] + ")"};
    case OTL_CHANGE_MOVED:
        return {'M', texts[0], place(texts[1], texts[2]) + " -> " + place(texts[3], texts[4])};
    case OTL_CHANGE_RENAMED:
        return {'R', texts[0], "was " + texts[1]};
    default:
        return {'?', "", "record of unknown kind " + std::to_string(record->kind)};
    }
}

} // namespace

unsigned printChangeLog(const OtlOutline *outline, std::ostream &out)
{
    std::vector<Line> lines;
    for (const OtlChangeRecord *record = outline->changeLogHead; record; record = record->next)
        lines.push_back(describe(record));

    size_t nameWidth = 0;
    for (const Line &line : lines)
        nameWidth = std::max(nameWidth, displayWidth(line.name));
    for (const Line &line : lines) {
        out << line.letter << "  " << line.name;
        if (!line.detail.empty())
            out << std::string(nameWidth - displayWidth(line.name) + 2, ' ') << line.detail;
        out << '\n';
    }
    return static_cast<unsigned>(lines.size());
}

std::vector<std::pair<std::string, std::string>> loggedRenames(const OtlOutline *outline)
{
    std::vector<std::pair<std::string, std::string>> renames;
    for (const OtlChangeRecord *record = outline->changeLogHead; record; record = record->next)
        if (record->kind == OTL_CHANGE_RENAMED)
            renames.emplace_back(slot(record, 0), slot(record, 1));
    return renames;
}

} // namespace otltool
