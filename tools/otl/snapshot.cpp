// Reading an outline into rows. The tree is walked through the items' own
// links, without recursion, so a deep outline cannot exhaust the stack;
// lists the library hands out (associations, time series) are released at
// once.
#include "snapshot.h"

#include "columns.h"
#include "host.h"
#include "status.h"

#include <memory>

namespace otltool {
namespace {

struct Freed {
    void operator()(void *block) const { adShrOtlFree(toolHost(), block); }
};
template <typename T>
using Owned = std::unique_ptr<T, Freed>;

void add(Record &record, const Column &column, std::string value, uint16_t table = 0)
{
    if (!value.empty())
        record.cells.push_back({column.rank(table), column.name(), std::move(value)});
}

std::string aliasColumnTable(const OtlOutline *outline, uint16_t table)
{
    return table == 0 ? std::string() : outline->aliasTableNames[table];
}

class Reader {
public:
    Reader(OtlOutline *outline, const std::function<void(const Record &)> &visit)
        : outline_(outline), visit_(visit)
    {
    }

    void run()
    {
        settings();
        for (OtlItem *dimension = outline_->root->firstChild; dimension;
             dimension = dimension->nextSibling)
            if (dimension->dimensionTag != OTL_TAG_ATTR_CALC)
                walk(dimension);
        for (Record &combination : combinations_)
            visit_(combination);
    }

private:
    // The record is reused so that its cell list keeps its room.
    void reset(Record::Kind kind)
    {
        record_.kind = kind;
        for (std::string *text :
             {&record_.dimension, &record_.parent, &record_.member, &record_.setting, &record_.value})
            text->clear();
        record_.item = nullptr;
        record_.depth = 0;
        record_.shared = record_.leaf = false;
        record_.cells.clear();
    }

    void setting(std::string_view name, std::string value, std::string subject = {})
    {
        if (value.empty())
            return;
        reset(Record::Setting);
        record_.setting = name;
        record_.member = std::move(subject);
        record_.value = std::move(value);
        visit_(record_);
    }

    void settings()
    {
        setting(kSettingCaseSensitive, outline_->caseSensitive ? "yes" : "");
        setting(kSettingOutlineType, outline_->outlineType == OTL_OUTLINE_CURRENCY ? "currency" : "");
        setting(kSettingAutoConfigure, outline_->autoConfigure ? "yes" : "");
        for (uint16_t t = 1; t < outline_->aliasTableCount; ++t)
            setting(kSettingAliasTable, outline_->aliasTableNames[t]);

        OtlAttrSpecs *specs = nullptr;
        check(adShrOtlGetAttributeSpecifications(outline_, &specs), "reading the attribute naming");
        const Naming naming(*specs);
        adShrOtlFreeAttrSpecs(toolHost(), specs);
        for (const NamingSetting &entry : namingSettings())
            setting(entry.name, entry.read(naming));

        uint16_t count = 0;
        OtlDtsEntry *entries = nullptr;
        if (adShrOtlGetEnabledDTSMembers(outline_, &count, &entries) != OTL_OK)
            return; // no time dimension: no series
        Owned<OtlDtsEntry> owned(entries);
        for (uint16_t i = 0; i < count; ++i) {
            reset(Record::Setting);
            record_.setting = kSettingTimeSeries;
            record_.member = entries[i].dtsName;
            record_.value = std::to_string(entries[i].generation);
            for (uint16_t t = 0; t < outline_->aliasTableCount; ++t) {
                char *alias = nullptr;
                check(adShrOtlGetDTSMemberAlias(outline_, entries[i].dtsName,
                                                outline_->aliasTableNames[t], &alias),
                      "reading a time series alias");
                Owned<char> text(alias);
                add(record_, Column{ColumnKind::Alias, 0, aliasColumnTable(outline_, t)},
                    alias ? alias : "", t);
            }
            visit_(record_);
        }
    }

    // Pre-order through first-child, next-sibling and parent links.
    void walk(OtlItem *dimension)
    {
        linked_ = dimension->attrRole == OTL_ATTR_ROLE_LINKED_BASE;
        OtlItem *item = dimension;
        while (item) {
            describe(item, dimension);
            if (item->firstChild) {
                item = item->firstChild;
                continue;
            }
            while (item != dimension && !item->nextSibling)
                item = item->parent;
            item = item == dimension ? nullptr : item->nextSibling;
        }
    }

    void describe(OtlItem *item, OtlItem *dimension)
    {
        const bool isDimension = item == dimension;
        reset(isDimension ? Record::Dimension : Record::Member);
        record_.dimension = dimension->memberName;
        record_.parent = isDimension ? "" : item->parent->memberName;
        record_.member = item->memberName;
        record_.item = item;
        record_.depth = item->generation > 0 ? item->generation - 1u : 0;
        record_.shared = item->shareOption == OTL_SHARE_SHARED;
        record_.leaf = !item->firstChild;
        char shortName[OTL_NAME_SIZE];
        if (!isDimension && record_.leaf && dimension->dimensionTag == OTL_TAG_ATTRIBUTE &&
            otlAttrGetShortName(outline_, item, shortName) == OTL_OK)
            record_.member = shortName;

        const auto properties = infoProperties();
        for (size_t i = 0; i < properties.size(); ++i)
            if (isDimension || !properties[i].dimensionOnly)
                add(record_, Column{ColumnKind::Info, static_cast<uint8_t>(i)},
                    properties[i].read(*item));
        add(record_, Column{ColumnKind::Formula}, item->formula ? item->formula : "");
        add(record_, Column{ColumnKind::ExtendedComment}, item->commentEx ? item->commentEx : "");
        for (uint16_t t = 0; t < outline_->aliasTableCount; ++t) {
            const Column column{ColumnKind::Alias, 0, aliasColumnTable(outline_, t)};
            add(record_, column, item->aliases[t].alias ? item->aliases[t].alias : "", t);
            for (const OtlAliasCombo *combo = item->aliases[t].combos; combo; combo = combo->next)
                combination(item, column, t, *combo);
        }
        for (const OtlUserAttr *tag = item->userAttributes; tag; tag = tag->next)
            add(record_, Column{ColumnKind::Uda}, tag->text ? tag->text : "");
        if (linked_ && !record_.shared && item->shareOption != OTL_SHARE_LABEL_ONLY)
            attributes(item);
        if (isDimension)
            for (const OtlGenLevelName *name = item->genLevelNames; name; name = name->nextName)
                add(record_,
                    Column{name->nameKind == OTL_NAME_KIND_GENERATION ? ColumnKind::Generation
                                                                      : ColumnKind::Level},
                    name->nameText ? std::to_string(name->nameNumber) + "=" + name->nameText : "");
        visit_(record_);
    }

    // A base dimension's linked attribute dimensions, a base member's
    // associated attribute members.
    void attributes(OtlItem *item)
    {
        uint16_t count = 0;
        OtlItem **found = nullptr;
        check(adShrOtlGetAssociatedAttributes(outline_, item, &count, &found),
              std::string("reading the attributes of ") + item->memberName);
        Owned<OtlItem *> owned(found);
        for (uint16_t i = 0; i < count; ++i)
            add(record_, Column{ColumnKind::Attribute}, found[i]->memberName);
    }

    void combination(const OtlItem *owner, const Column &column, uint16_t table,
                     const OtlAliasCombo &combo)
    {
        Record entry(Record::Setting);
        entry.setting = kSettingCombination;
        entry.member = owner->memberName;
        entry.value = combo.memberList ? combo.memberList : "";
        add(entry, column, combo.aliasText ? combo.aliasText : "", table);
        combinations_.push_back(std::move(entry));
    }

    OtlOutline *outline_;
    const std::function<void(const Record &)> &visit_;
    Record record_;
    bool linked_ = false;
    std::vector<Record> combinations_;
};

} // namespace

void snapshotOutline(OtlOutline *outline, const std::function<void(const Record &)> &visit)
{
    Reader(outline, visit).run();
}

} // namespace otltool
