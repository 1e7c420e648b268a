// The column table. A field's words are listed once, in the library's
// numbering, and read and written through the same list; a number without a
// word is written as the number, so nothing an outline holds is lost.
#include "columns.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>

namespace otltool {
namespace {

using Words = std::span<const char *const>;

constexpr const char *kConsolidation[] = {"+", "-", "*", "/", "%", "~"};
constexpr const char *kShare[] = {"",       "never share",         "label only",
                                  "shared", "computed and stored", "computed"};
constexpr const char *kTimeBalance[] = {"", "first", "last", "average"};
constexpr const char *kSkip[] = {"", "missing", "zeros", "missing and zeros"};
constexpr const char *kStorage[] = {"dense", "sparse"};
constexpr const char *kTags[] = {"",
                                 "accounts",
                                 "time",
                                 "country",
                                 "currency type",
                                 "currency partition",
                                 "attribute",
                                 "attribute calculations"};
constexpr const char *kAffix[] = {"prefix", "suffix"};
constexpr const char *kNameFormat[] = {"none", "parent", "grandparent", "ancestors", "dimension"};
constexpr const char *kSeparator[] = {"_", "|", "^"};
constexpr const char *kDateFormat[] = {"mm-dd-yyyy", "dd-mm-yyyy"};

struct ValueType {
    uint16_t type;
    const char *word;
};
constexpr ValueType kValueTypes[] = {{OTL_ATTR_NUMERIC, "numeric"},
                                     {OTL_ATTR_BOOLEAN, "boolean"},
                                     {OTL_ATTR_TEXT, "text"},
                                     {OTL_ATTR_DATE, "date"}};

std::string word(Words words, unsigned value)
{
    return value < words.size() ? words[value] : std::to_string(value);
}

template <typename T>
bool parseNumber(std::string_view text, T &value)
{
    const char *end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

// A word of the list (any ASCII case; "store" and the empty text are the
// first entry of a list that starts empty) or a number.
template <typename T>
bool parseWord(Words words, std::string_view text, T &value)
{
    const std::string lower = asciiLower(text);
    for (size_t i = 0; i < words.size(); ++i)
        if (lower == words[i] || (i == 0 && !words[0][0] && lower == "store")) {
            value = static_cast<T>(i);
            return true;
        }
    return !text.empty() && parseNumber(text, value);
}

std::string number(unsigned value)
{
    return value ? std::to_string(value) : std::string();
}

const char *const kBadWord = "not one of the words this column takes";

std::string readType(const OtlItem &item)
{
    if (item.dimensionTag != OTL_TAG_ATTRIBUTE)
        return word(kTags, item.dimensionTag);
    for (const ValueType &type : kValueTypes)
        if (type.type == item.attrValueType)
            return std::string("attribute ") + type.word;
    return "attribute";
}

// An attribute dimension needs its category, sparse storage and the
// computed share option; a storage column read after this one may still
// say otherwise, and the library then refuses.
const char *writeType(OtlMbrInfo &info, std::string_view text)
{
    const std::string lower = asciiLower(text);
    for (const ValueType &type : kValueTypes)
        if (lower == std::string("attribute ") + type.word) {
            info.dimensionTag = OTL_TAG_ATTRIBUTE;
            info.dimensionCategory = OTL_CATEGORY_ATTRIBUTE;
            info.storageType = OTL_STORAGE_SPARSE;
            info.shareOption = OTL_SHARE_COMPUTED;
            info.attrValueType = type.type;
            return nullptr;
        }
    uint16_t tag = 0;
    if (!parseWord(Words(kTags).first(OTL_TAG_ATTRIBUTE), text, tag))
        return kBadWord;
    info.dimensionTag = tag;
    return nullptr;
}

template <typename Field>
const char *writeWord(Words words, std::string_view text, Field &field)
{
    if (text.empty()) {
        field = 0;
        return nullptr;
    }
    return parseWord(words, text, field) ? nullptr : kBadWord;
}

template <typename Field>
const char *writeNumber(std::string_view text, Field &field)
{
    if (text.empty()) {
        field = 0;
        return nullptr;
    }
    return parseNumber(text, field) ? nullptr : "not a number";
}

template <size_t N>
const char *writeText(std::string_view text, char (&field)[N])
{
    if (text.size() >= N)
        return N == OTL_NAME_SIZE ? "longer than 80 bytes" : "longer than 255 bytes";
    std::memcpy(field, text.data(), text.size());
    field[text.size()] = '\0';
    return nullptr;
}

// Category 12 goes with an attribute dimension's type and is not written.
std::string readCategory(const OtlItem &item)
{
    const unsigned implied = item.dimensionTag == OTL_TAG_ATTRIBUTE ? OTL_CATEGORY_ATTRIBUTE : 0;
    return item.dimensionCategory == implied ? std::string() : std::to_string(item.dimensionCategory);
}

// A packed field may lie at an odd address, so none is bound to a
// reference: the value is parsed into a local copy and stored from it.
#define OTL_STORE(field, parse)                                                                   \
    [](OtlMbrInfo &m, std::string_view t) -> const char * {                                       \
        auto v = m.field;                                                                         \
        const char *wrong = parse;                                                                \
        if (!wrong)                                                                               \
            m.field = v;                                                                          \
        return wrong;                                                                             \
    }

constexpr InfoProperty kInfo[] = {
    {"type", true, readType, writeType},
    {"storage", true, [](const OtlItem &i) { return word(kStorage, i.storageType); },
     OTL_STORE(storageType, writeWord(kStorage, t, v))},
    {"category", true, readCategory,
     OTL_STORE(dimensionCategory, writeNumber(t, v))},
    // Verification gives every attribute item the ~ operator and each is
    // computed: these columns say nothing there.
    {"consolidation", false,
     [](const OtlItem &i) {
         return i.consolidation && i.dimensionTag != OTL_TAG_ATTRIBUTE
                    ? word(kConsolidation, i.consolidation)
                    : "";
     },
     OTL_STORE(consolidation, writeWord(kConsolidation, t, v))},
    {"share", false,
     [](const OtlItem &i) {
         return i.dimensionTag == OTL_TAG_ATTRIBUTE ? std::string() : word(kShare, i.shareOption);
     },
     OTL_STORE(shareOption, writeWord(kShare, t, v))},
    {"time balance", false, [](const OtlItem &i) { return word(kTimeBalance, i.timeBalance); },
     OTL_STORE(timeBalance, writeWord(kTimeBalance, t, v))},
    {"skip", false, [](const OtlItem &i) { return word(kSkip, i.skipOption); },
     OTL_STORE(skipOption, writeWord(kSkip, t, v))},
    {"currency name", false, [](const OtlItem &i) { return std::string(i.currencyName); },
     [](OtlMbrInfo &m, std::string_view t) { return writeText(t, m.currencyName); }},
    {"currency mode", false, [](const OtlItem &i) { return number(i.currencyMode); },
     OTL_STORE(currencyMode, writeNumber(t, v))},
    {"member option", false, [](const OtlItem &i) { return number(i.memberOption); },
     OTL_STORE(memberOption, writeNumber(t, v))},
    {"tag1 option", false, [](const OtlItem &i) { return number(i.tag1Option); },
     OTL_STORE(tag1Option, writeNumber(t, v))},
    {"comment", false, [](const OtlItem &i) { return std::string(i.comment ? i.comment : ""); },
     [](OtlMbrInfo &m, std::string_view t) { return writeText(t, m.comment); }},
};
#undef OTL_STORE

struct Fixed {
    const char *name;
    ColumnKind kind;
    uint32_t rank;
};
// Ranks leave room: information fields from 10, aliases from 100 by table.
constexpr Fixed kFixed[] = {
    {"dimension", ColumnKind::Dimension, 0},
    {"parent", ColumnKind::Parent, 1},
    {"member", ColumnKind::Member, 2},
    {"formula", ColumnKind::Formula, 50},
    {"extended comment", ColumnKind::ExtendedComment, 51},
    {"uda", ColumnKind::Uda, 200},
    {"attribute", ColumnKind::Attribute, 201},
    {"generation", ColumnKind::Generation, 202},
    {"level", ColumnKind::Level, 203},
    {"setting", ColumnKind::Setting, 300},
    {"value", ColumnKind::Value, 301},
};
constexpr uint32_t kInfoRank = 10;
constexpr uint32_t kAliasRank = 100;
constexpr std::string_view kAliasPrefix = "alias";

template <typename Field>
std::string namingWord(Words words, Field value, Field byDefault)
{
    return value == byDefault ? std::string() : word(words, value);
}

template <typename Field>
const char *namingSet(Words words, std::string_view text, Field &field)
{
    return parseWord(words, text, field) && field < words.size() ? nullptr : kBadWord;
}

constexpr const char *kDefaultTexts[] = {
    "True", "False", "Attribute Calculations", "Sum", "Count", "Average", "Min", "Max"};

template <size_t I>
NamingSetting textSetting(const char *name)
{
    return {name,
            [](const Naming &n) { return n.texts[I] == kDefaultTexts[I] ? std::string() : n.texts[I]; },
            [](Naming &n, std::string_view t) -> const char * {
                n.texts[I] = t;
                return nullptr;
            }};
}

const NamingSetting kNaming[] = {
    {"attribute affix", [](const Naming &n) { return namingWord<uint16_t>(kAffix, n.affixPosition, 0); },
     [](Naming &n, std::string_view t) { return namingSet(kAffix, t, n.affixPosition); }},
    {"attribute name format",
     [](const Naming &n) { return namingWord<uint16_t>(kNameFormat, n.nameFormat, 0); },
     [](Naming &n, std::string_view t) { return namingSet(kNameFormat, t, n.nameFormat); }},
    {"attribute separator",
     [](const Naming &n) { return namingWord<uint8_t>(kSeparator, n.separator, 0); },
     [](Naming &n, std::string_view t) { return namingSet(kSeparator, t, n.separator); }},
    {"attribute date format",
     [](const Naming &n) { return namingWord<uint16_t>(kDateFormat, n.dateFormat, 0); },
     [](Naming &n, std::string_view t) { return namingSet(kDateFormat, t, n.dateFormat); }},
    {"attribute extra choice", [](const Naming &n) { return number(n.extraChoice); },
     [](Naming &n, std::string_view t) { return writeNumber(t, n.extraChoice); }},
    textSetting<0>("true name"),
    textSetting<1>("false name"),
    textSetting<2>("calculations dimension"),
    textSetting<3>("sum name"),
    textSetting<4>("count name"),
    textSetting<5>("average name"),
    textSetting<6>("min name"),
    textSetting<7>("max name"),
};

} // namespace

std::string asciiLower(std::string_view text)
{
    std::string lower(text);
    for (char &c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

uint32_t Column::rank(uint16_t tableIndex) const
{
    switch (kind) {
    case ColumnKind::Info: return kInfoRank + info;
    case ColumnKind::Alias: return kAliasRank + tableIndex;
    default:
        for (const Fixed &fixed : kFixed)
            if (fixed.kind == kind)
                return fixed.rank;
        return 0;
    }
}

std::string Column::name() const
{
    switch (kind) {
    case ColumnKind::Info: return kInfo[info].column;
    case ColumnKind::Alias:
        return table.empty() ? std::string(kAliasPrefix) : std::string(kAliasPrefix) + ":" + table;
    default:
        for (const Fixed &fixed : kFixed)
            if (fixed.kind == kind)
                return fixed.name;
        return {};
    }
}

std::optional<Column> parseColumn(std::string_view header)
{
    while (!header.empty() && (header.front() == ' ' || header.front() == '\t'))
        header.remove_prefix(1);
    while (!header.empty() && (header.back() == ' ' || header.back() == '\t'))
        header.remove_suffix(1);
    const std::string lower = asciiLower(header);
    for (const Fixed &fixed : kFixed)
        if (lower == fixed.name)
            return Column{fixed.kind};
    for (size_t i = 0; i < std::size(kInfo); ++i)
        if (lower == kInfo[i].column)
            return Column{ColumnKind::Info, static_cast<uint8_t>(i)};
    if (lower == kAliasPrefix)
        return Column{ColumnKind::Alias};
    if (lower.starts_with(std::string(kAliasPrefix) + ":"))
        return Column{ColumnKind::Alias, 0, std::string(header.substr(kAliasPrefix.size() + 1))};
    return std::nullopt;
}

std::string knownColumns()
{
    std::string list;
    for (const Fixed &fixed : kFixed)
        list += std::string(list.empty() ? "" : ", ") + fixed.name;
    for (const InfoProperty &property : kInfo)
        list += std::string(", ") + property.column;
    return list + ", alias, alias:TABLE";
}

std::span<const InfoProperty> infoProperties()
{
    return kInfo;
}

Naming::Naming(const OtlAttrSpecs &specs)
    : affixPosition(specs.affixPosition), nameFormat(specs.nameFormat), separator(specs.separator),
      dateFormat(specs.dateFormat), extraChoice(specs.extraChoice)
{
    const char *from[] = {specs.trueName,  specs.falseName,   specs.calcDimName, specs.sumName,
                          specs.countName, specs.averageName, specs.minName,     specs.maxName};
    for (size_t i = 0; i < std::size(texts); ++i)
        texts[i] = from[i] ? from[i] : kDefaultTexts[i]; // an outline without attributes has none yet
}

OtlAttrSpecs Naming::view()
{
    OtlAttrSpecs specs{};
    specs.affixPosition = affixPosition;
    specs.nameFormat = nameFormat;
    specs.separator = separator;
    specs.dateFormat = dateFormat;
    specs.extraChoice = extraChoice;
    // Field by field: the record is packed, so no pointer to a field.
    specs.trueName = texts[0].data();
    specs.falseName = texts[1].data();
    specs.calcDimName = texts[2].data();
    specs.sumName = texts[3].data();
    specs.countName = texts[4].data();
    specs.averageName = texts[5].data();
    specs.minName = texts[6].data();
    specs.maxName = texts[7].data();
    return specs;
}

std::span<const NamingSetting> namingSettings()
{
    return kNaming;
}

std::optional<bool> parseYesNo(std::string_view text)
{
    const std::string lower = asciiLower(text);
    if (lower == "yes")
        return true;
    if (lower == "no" || lower.empty())
        return false;
    return std::nullopt;
}

} // namespace otltool
