// The outline printer. Rows are gathered first so that the name column can be
// padded to the widest indented name; widths count UTF-8 characters, not
// bytes. Properties shown are the ones a reader of an outline asks about.
#include "print.h"

#include "host.h"
#include "status.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace otltool {
namespace {

constexpr size_t kIndent = 2;

struct Row {
    size_t depth;
    std::string name;
    std::string properties;
};

OtlItem *firstChild(OtlOutline *outline, OtlItem *item)
{
    OtlItem *child = nullptr;
    check(adShrOtlGetChild(outline, item, &child), "walking the outline");
    return child;
}

OtlItem *nextSibling(OtlOutline *outline, OtlItem *item)
{
    OtlItem *next = nullptr;
    check(adShrOtlGetNextSibling(outline, item, &next), "walking the outline");
    return next;
}

// Calls visit(item, depth) for every dimension and member, parents first.
void walkOutline(OtlOutline *outline, const std::function<void(const OtlItem &, size_t)> &visit)
{
    std::function<void(OtlItem *, size_t)> descend = [&](OtlItem *item, size_t depth) {
        for (; item; item = nextSibling(outline, item)) {
            visit(*item, depth);
            descend(firstChild(outline, item), depth + 1);
        }
    };
    OtlItem *first = nullptr;
    check(adShrOtlGetFirstMember(outline, &first), "walking the outline");
    descend(first, 0);
}

const char *operatorSign(uint16_t consolidation)
{
    static const char *const signs[] = {"+", "-", "*", "/", "%", "~"};
    return consolidation < std::size(signs) ? signs[consolidation] : "?";
}

const char *shareText(uint16_t shareOption)
{
    switch (shareOption) {
    case OTL_SHARE_NEVER_SHARE: return "never share";
    case OTL_SHARE_LABEL_ONLY: return "label only";
    case OTL_SHARE_SHARED: return "shared";
    case OTL_SHARE_COMPUTED_STORED: return "computed and stored";
    case OTL_SHARE_COMPUTED: return "computed";
    default: return nullptr; // OTL_SHARE_STORE_DATA: an ordinary stored member
    }
}

const char *tagText(uint16_t tag)
{
    switch (tag) {
    case OTL_TAG_ACCOUNTS: return "accounts";
    case OTL_TAG_TIME: return "time";
    case OTL_TAG_COUNTRY: return "country";
    case OTL_TAG_CURRENCY_TYPE: return "currency type";
    case OTL_TAG_CURRENCY_PARTITION: return "tag 5";
    case OTL_TAG_ATTRIBUTE: return "attribute";
    case OTL_TAG_ATTR_CALC: return "attribute calculations";
    default: return nullptr;
    }
}

const char *timeBalanceText(uint16_t timeBalance)
{
    switch (timeBalance) {
    case 1: return "first";
    case 2: return "last";
    case 3: return "average";
    default: return nullptr;
    }
}

const char *skipText(uint16_t skipOption)
{
    switch (skipOption) {
    case 1: return "skip missing";
    case 2: return "skip zeros";
    case 3: return "skip missing and zeros";
    default: return nullptr;
    }
}

// The attribute dimensions a base dimension is linked to, or the attribute
// members a base member is associated with; nothing for other items.
std::string describeAttributes(OtlOutline *outline, const OtlItem &item)
{
    if (item.dimensionTag == OTL_TAG_ATTRIBUTE || item.dimensionTag == OTL_TAG_ATTR_CALC)
        return {};
    uint16_t count = 0;
    OtlItem **attributes = nullptr;
    if (adShrOtlGetAssociatedAttributes(outline, const_cast<OtlItem *>(&item), &count,
                                        &attributes) != OTL_OK)
        return {};
    std::string text;
    for (uint16_t i = 0; i < count; ++i)
        text += (i ? ", " : "  {") + std::string(attributes[i]->memberName);
    adShrOtlFree(toolHost(), attributes);
    return count ? text + "}" : text;
}

// The member's aliases, table by table, and its user-defined attributes.
std::string describeNames(OtlOutline *outline, const OtlItem &item)
{
    OtlItem *member = const_cast<OtlItem *>(&item);
    std::string text;
    for (uint16_t t = 0; t < outline->aliasTableCount; ++t) {
        const char *table = outline->aliasTableNames[t];
        char *alias = nullptr;
        if (adShrOtlGetMemberAlias(outline, member, table, &alias) == OTL_OK && alias)
            text += std::string("  ") + table + ": " + alias;
        adShrOtlFree(toolHost(), alias);
    }
    uint16_t count = 0;
    OtlNameSlot *tags = nullptr;
    if (adShrOtlGetUserAttributes(outline, member, &count, &tags) == OTL_OK && count) {
        for (uint16_t i = 0; i < count; ++i)
            text += (i ? ", " : "  [") + std::string(tags[i]);
        text += "]";
    }
    adShrOtlFree(toolHost(), tags);
    return text;
}

std::string describeProperties(OtlOutline *outline, const OtlItem &item)
{
    std::vector<std::string> flags;
    if (item.generation == 1) {
        if (const char *tag = tagText(item.dimensionTag))
            flags.emplace_back(tag);
        flags.emplace_back(item.storageType ? "sparse" : "dense");
    }
    // Every attribute item has the same share option: it says nothing.
    const char *share = item.dimensionTag == OTL_TAG_ATTRIBUTE ? nullptr : shareText(item.shareOption);
    if (share)
        flags.emplace_back(share);
    if (const char *balance = timeBalanceText(item.timeBalance))
        flags.push_back(std::string("time balance ") + balance);
    if (const char *skip = skipText(item.skipOption))
        flags.emplace_back(skip);
    if (item.currencyName[0])
        flags.push_back(std::string("currency ") + item.currencyName);

    std::string text = operatorSign(item.consolidation);
    for (size_t i = 0; i < flags.size(); ++i)
        text += (i ? ", " : "  ") + flags[i];
    if (item.formula)
        text += std::string("  = ") + item.formula;
    text += describeAttributes(outline, item) + describeNames(outline, item);
    if (item.comment)
        text += std::string("  # ") + item.comment;
    return text;
}

} // namespace

size_t displayWidth(std::string_view text)
{
    // Continuation bytes of a UTF-8 sequence add no column.
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

void printOutline(OtlOutline *outline, const PrintOptions &options, std::ostream &out)
{
    std::vector<Row> rows;
    walkOutline(outline, [&](const OtlItem &item, size_t depth) {
        rows.push_back({depth, item.memberName,
                        options.properties ? describeProperties(outline, item) : std::string()});
    });

    size_t nameWidth = 0;
    for (const Row &row : rows)
        nameWidth = std::max(nameWidth, row.depth * kIndent + displayWidth(row.name));

    for (const Row &row : rows) {
        size_t used = row.depth * kIndent + displayWidth(row.name);
        out << std::string(row.depth * kIndent, ' ') << row.name;
        if (!row.properties.empty())
            out << std::string(nameWidth - used + 2, ' ') << row.properties;
        out << '\n';
    }
}

OutlineCounts countOutline(OtlOutline *outline)
{
    OutlineCounts counts;
    walkOutline(outline, [&](const OtlItem &item, size_t depth) {
        if (depth == 0) {
            ++counts.dimensions;
            return;
        }
        ++counts.members;
        if (item.shareOption == OTL_SHARE_SHARED)
            ++counts.shared;
    });
    return counts;
}

void printSummary(const OutlineCounts &counts, std::ostream &out)
{
    out << counts.dimensions << (counts.dimensions == 1 ? " dimension, " : " dimensions, ")
        << counts.members << (counts.members == 1 ? " member, " : " members, ") << counts.shared
        << " of them shared\n";
}

void printNames(OtlOutline *outline, std::ostream &out)
{
    for (OtlItem *dimension = firstChild(outline, outline->root); dimension;
         dimension = nextSibling(outline, dimension)) {
        std::string line;
        for (bool generations : {true, false}) {
            uint32_t count = 0;
            OtlGenLevelEntry *entries = nullptr;
            const OtlStatus status =
                generations ? adShrOtlGetGenNames(outline, dimension->memberName, OTL_LIST_NAMED, &count, &entries)
                            : adShrOtlGetLevelNames(outline, dimension->memberName, OTL_LIST_NAMED, &count, &entries);
            for (uint32_t i = 0; status == OTL_OK && i < count; ++i)
                if (entries[i].name[0])
                    line += std::string(line.empty() ? "" : ", ") + (generations ? "generation " : "level ") +
                            std::to_string(entries[i].number) + " " + entries[i].name;
            adShrOtlFree(toolHost(), entries);
        }
        if (!line.empty())
            out << dimension->memberName << ": " << line << '\n';
    }
    uint16_t count = 0;
    OtlDtsEntry *series = nullptr;
    if (adShrOtlGetEnabledDTSMembers(outline, &count, &series) == OTL_OK && count) {
        out << "Time series:";
        for (uint16_t i = 0; i < count; ++i)
            out << (i ? ", " : " ") << series[i].dtsName << " from generation " << series[i].generation;
        out << '\n';
    }
    adShrOtlFree(toolHost(), series);
}

} // namespace otltool
