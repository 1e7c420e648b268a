// An outline as the rows of a parent-child file: the settings first, then
// each dimension's row followed by its members in pre-order. Export writes
// these rows, diff compares them; the attribute calculations dimension is
// left out, since the library makes it from the settings.
#ifndef OTL_TOOL_SNAPSHOT_H
#define OTL_TOOL_SNAPSHOT_H

#include "shrotl.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace otltool {

struct Cell {
    uint32_t rank;      // the column's place in a header
    std::string column; // "formula", "alias:Long Names", "uda"...
    std::string value;
};

struct Record {
    enum Kind : uint8_t { Setting, Dimension, Member };
    explicit Record(Kind kind = Member) : kind(kind) {}

    Kind kind;
    std::string dimension;
    std::string parent; // empty for a dimension
    // The member's name; a level-0 member of a numeric, boolean or date
    // attribute dimension goes by its value ("70"), which import turns back
    // into the name the naming composes. A setting's subject.
    std::string member;
    std::string setting; // settings only
    std::string value;   // settings only
    const OtlItem *item = nullptr;
    unsigned depth = 0; // 0 for a dimension
    bool shared = false;
    bool leaf = false;
    std::vector<Cell> cells; // non-empty values, in rank order
};

// Calls visit once per row; the record is reused between calls. Throws
// CallFailed when a walk is refused.
void snapshotOutline(OtlOutline *outline, const std::function<void(const Record &)> &visit);

} // namespace otltool

#endif
