// The columns of a parent-child file and the words of their values: one
// table that import reads with, export writes with and diff compares by, so
// that what one command writes the others read back.
#ifndef OTL_TOOL_COLUMNS_H
#define OTL_TOOL_COLUMNS_H

#include "shrotl.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace otltool {

enum class ColumnKind : uint8_t {
    Dimension, // where the row stands
    Parent,
    Member,
    Setting, // an outline setting: its name, its subject in Member, its value
    Value,
    Info, // a field of the member information record
    Formula,
    ExtendedComment,
    Alias,      // the alias in one table
    Uda,        // repeatable: one user-defined attribute each
    Attribute,  // repeatable: an associated attribute member, or on a base
                // dimension's row a linked attribute dimension
    Generation, // repeatable, dimension rows: "number=name"
    Level,
};

struct Column {
    Column(ColumnKind kind, uint8_t info = 0, std::string table = {})
        : kind(kind), info(info), table(std::move(table))
    {
    }

    ColumnKind kind;
    uint8_t info = 0;  // Info: the index in infoProperties()
    std::string table; // Alias: the table's name, empty for the default table

    // The order columns are written in: where they stand first, the
    // information fields in table order, aliases by table, settings last.
    uint32_t rank(uint16_t tableIndex = 0) const;
    std::string name() const;
};

// A header cell, its name compared without regard to ASCII case; nullopt
// for a name that is no column.
std::optional<Column> parseColumn(std::string_view header);
// Every column name, for the message about one that is not.
std::string knownColumns();

// One field of the member information record as the text of a column. An
// empty text is the field's default.
struct InfoProperty {
    const char *column;
    bool dimensionOnly; // read and written on dimension rows only
    std::string (*read)(const OtlItem &item);
    // nullptr, or what is wrong with the text.
    const char *(*write)(OtlMbrInfo &info, std::string_view text);
};
std::span<const InfoProperty> infoProperties();

// Names of the outline's settings rows.
inline constexpr std::string_view kSettingCaseSensitive = "case sensitive";
inline constexpr std::string_view kSettingOutlineType = "outline type";
inline constexpr std::string_view kSettingAutoConfigure = "automatic configuration";
inline constexpr std::string_view kSettingAliasTable = "alias table";
inline constexpr std::string_view kSettingTimeSeries = "time series";
inline constexpr std::string_view kSettingCombination = "alias combination";

// The outline's attribute naming, its texts held by the tool: read from the
// library's record and handed back through view().
struct Naming {
    uint16_t affixPosition = 0;
    uint16_t nameFormat = 0;
    uint8_t separator = 0;
    uint16_t dateFormat = 0;
    uint16_t extraChoice = 0;
    // true, false, calculations dimension, sum, count, average, min, max
    std::string texts[8];

    explicit Naming(const OtlAttrSpecs &specs);
    // Points into this record: valid while it lives unchanged.
    OtlAttrSpecs view();
};

// The attribute naming as settings rows: each reads its text (empty for the
// default) and writes a text (nullptr, or what is wrong with it).
struct NamingSetting {
    const char *name;
    std::string (*read)(const Naming &naming);
    const char *(*write)(Naming &naming, std::string_view text);
};
std::span<const NamingSetting> namingSettings();

// "yes" and "no".
std::optional<bool> parseYesNo(std::string_view text);

// Lower-cases ASCII letters.
std::string asciiLower(std::string_view text);

} // namespace otltool

#endif
