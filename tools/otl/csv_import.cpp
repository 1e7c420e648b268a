// Building an outline from rows. The rows are sorted out before the library
// sees any of them: settings, dimensions, members, and members repeated as
// shared ones. Members are then added parents first, each after the sibling
// the file put before it; shared members follow once every member they can
// point at exists. Label-only and computed members are added as stored
// ones and take their option only when their children and formula are in
// place, since the rule checks refuse them before.
#include "csv_import.h"

#include "csv_read.h"
#include "faults.h"
#include "host.h"
#include "print.h"
#include "progress.h"
#include "status.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <unistd.h>
#include <unordered_map>

namespace otltool {
namespace {

constexpr uint32_t kNone = UINT32_MAX;
constexpr size_t kInfoCount = 12;

enum class Role : uint8_t { Ignored, Setting, Dimension, Member, Shared, Existing };

struct RowState {
    OtlItem *item = nullptr;       // the member once added, or found
    OtlItem *parentItem = nullptr; // a parent that was in the outline before
    uint32_t parentRow = kNone;    // a parent among the rows
    uint32_t dim = kNone;          // index into the dimensions
    Role role = Role::Ignored;
    uint8_t pendingShare = 0; // label only or computed, set once children exist
    bool refused = false;
};

struct Dimension {
    std::string name;
    uint32_t row = kNone; // its own row, if any
    OtlItem *item = nullptr;
    bool attribute = false;
    bool refused = false;
};

struct FreeBlock {
    void operator()(void *block) const { adShrOtlFree(toolHost(), block); }
};

bool deferredShare(uint16_t option)
{
    return option == OTL_SHARE_LABEL_ONLY || option == OTL_SHARE_COMPUTED_STORED ||
           option == OTL_SHARE_COMPUTED;
}

// "3=Months": a generation or level number and its name.
bool splitNumbered(std::string_view text, uint16_t &number, std::string &name)
{
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + equals, number);
    name = text.substr(equals + 1);
    return error == std::errc() && end == text.data() + equals && !name.empty();
}

class Importer {
public:
    Importer(const ImportOptions &options, const Table &table, std::vector<RowProblem> &problems,
             OtlOutline *outline)
        : options_(options), table_(table), problems_(problems), outline_(outline),
          state_(table.rows.size())
    {
    }

    void build()
    {
        classifySettings();
        applyOutlineSettings();
        collectDimensions();
        addDimensions();
        classifyMembers();
        {
            Progress progress("adding members", memberRows_, options_.quiet);
            addMembers(progress);
            addShared(progress);
        }
        reportUnreached();
        for (const Dimension &dim : dims_)
            if (dim.row != kNone && !dim.refused)
                finishRow(dim.row);
        for (const std::vector<uint32_t> *rows : {&order_, &sharedOrder_})
            for (uint32_t r : *rows)
                finishRow(r);
        for (uint32_t r = 0; r < state_.size(); ++r)
            if (state_[r].role == Role::Existing && state_[r].dim != kNone &&
                dims_[state_[r].dim].row != r)
                finishRow(r);
        // A series names its generation: the dimension's names then find
        // theirs already given.
        applyLateSettings(kSettingTimeSeries);
        linkDimensions();
        associate();
        applyLateSettings(kSettingCombination);
    }

    // Verifies the outline; when it may not be saved, reports the faults
    // found, each on the row of its member, and returns false.
    bool verify()
    {
        uint32_t outlineFaults = 0, count = 0;
        OtlFaultEntry *report = nullptr;
        check(adShrOtlVerifyOutline(outline_, &outlineFaults, &count, &report), "verifying");
        std::unique_ptr<OtlFaultEntry, FreeBlock> owned(report);
        if (outline_->verified)
            return true; // what it found are warnings
        std::unordered_map<const OtlItem *, uint32_t> rowOf;
        for (uint32_t r = 0; r < state_.size(); ++r)
            if (state_[r].item)
                rowOf.emplace(state_[r].item, r);
        for (const std::string &line : describeOutlineFaults(outlineFaults))
            problems_.push_back({0, 0, "", "outline: " + line});
        for (uint32_t i = 0; i < count; ++i) {
            const OtlFaultEntry &entry = *OTL_FAULT_ENTRY_AT(report, toolHost()->clientVersion, i);
            const auto found = rowOf.find(entry.member);
            const SourceRow *row = found == rowOf.end() ? nullptr : &table_.rows[found->second];
            for (const std::string &line : describeFaults(entry.faultFlags, entry.attrFaultFlags))
                problems_.push_back({row ? row->file : uint16_t(0), row ? row->line : 0,
                                     entry.member->memberName, line});
        }
        return false;
    }

private:
    std::string_view text(uint32_t r, ColumnKind kind) const
    {
        return table_.first(table_.rows[r], kind);
    }

    std::string fold(std::string_view name) const
    {
        return outline_->caseSensitive ? std::string(name) : asciiLower(name);
    }

    void refuse(uint32_t r, std::string message)
    {
        const SourceRow &row = table_.rows[r];
        std::string member(text(r, ColumnKind::Member));
        if (member.empty())
            member =
                text(r, state_[r].role == Role::Setting ? ColumnKind::Setting : ColumnKind::Dimension);
        problems_.push_back({row.file, row.line, std::move(member), std::move(message)});
        state_[r].refused = true;
    }

    // Refuses the row unless the call succeeded; the message is made only
    // then, as most calls succeed.
    bool call(uint32_t r, OtlStatus status, std::string_view doing, std::string_view subject = {})
    {
        if (status == OTL_OK)
            return true;
        refuse(r, std::string(doing) + std::string(subject) + ": " + describeStatus(status));
        return false;
    }

    std::string where(uint32_t r) const
    {
        const SourceRow &row = table_.rows[r];
        return table_.files[row.file] + ":" + std::to_string(row.line);
    }

    // ---- settings

    void classifySettings()
    {
        for (uint32_t r = 0; r < state_.size(); ++r) {
            if (!text(r, ColumnKind::Dimension).empty())
                continue;
            if (text(r, ColumnKind::Setting).empty())
                refuse(r, "names neither a dimension nor a setting");
            else
                state_[r].role = Role::Setting;
        }
    }

    void applyOutlineSettings()
    {
        OtlOutlineInfo *info = nullptr;
        check(adShrOtlGetOutlineInfo(outline_, &info), "reading the outline settings");
        std::unique_ptr<OtlOutlineInfo, FreeBlock> owned(info);
        OtlAttrSpecs *specs = nullptr;
        check(adShrOtlGetAttributeSpecifications(outline_, &specs), "reading the attribute naming");
        Naming naming(*specs);
        adShrOtlFreeAttrSpecs(toolHost(), specs);
        uint32_t infoRow = kNone, namingRow = kNone;

        for (uint32_t r = 0; r < state_.size(); ++r) {
            if (state_[r].role != Role::Setting || state_[r].refused)
                continue;
            const std::string name = asciiLower(text(r, ColumnKind::Setting));
            const std::string_view value = text(r, ColumnKind::Value);
            const auto yesNo = [&](auto &field) {
                const auto flag = parseYesNo(value);
                if (!flag)
                    return refuse(r, "the value must be yes or no");
                field = *flag;
                infoRow = r;
            };
            if (name == kSettingCaseSensitive) {
                yesNo(info->caseSensitive);
            } else if (name == kSettingAutoConfigure) {
                yesNo(info->autoConfigure);
            } else if (name == kSettingOutlineType) {
                const std::string type = asciiLower(value);
                if (type != "normal" && type != "currency" && !type.empty())
                    refuse(r, "the outline type is normal or currency");
                info->outlineType = type == "currency" ? OTL_OUTLINE_CURRENCY : OTL_OUTLINE_NORMAL;
                infoRow = r;
            } else if (name == kSettingAliasTable) {
                if (!hasAliasTable(std::string(value)))
                    call(r, adShrOtlCreateAliasTable(outline_, std::string(value).c_str()),
                         "creating the alias table");
            } else if (name != kSettingTimeSeries && name != kSettingCombination) {
                const auto settings = namingSettings();
                const auto entry = std::find_if(settings.begin(), settings.end(),
                                                [&](const NamingSetting &s) { return name == s.name; });
                if (entry == settings.end())
                    refuse(r, "no such setting");
                else if (const char *wrong = entry->write(naming, value))
                    refuse(r, std::string("'") + std::string(value) + "' is " + wrong);
                else
                    namingRow = r;
            }
        }
        if (infoRow != kNone)
            call(infoRow, adShrOtlSetOutlineInfo(outline_, info), "changing the outline settings");
        if (namingRow != kNone) {
            const OtlAttrSpecs view = naming.view();
            call(namingRow, adShrOtlSetAttributeSpecifications(outline_, &view),
                 "setting the attribute naming");
        }
        // Tables a column names and no setting row did.
        for (const Column &column : table_.columns)
            if (column.kind == ColumnKind::Alias && !column.table.empty() &&
                !hasAliasTable(column.table))
                check(adShrOtlCreateAliasTable(outline_, column.table.c_str()),
                      "creating the alias table " + column.table + " of a column");
    }

    bool hasAliasTable(const std::string &name) const
    {
        for (uint16_t t = 0; t < outline_->aliasTableCount; ++t)
            if (asciiLower(outline_->aliasTableNames[t]) == asciiLower(name))
                return true;
        return false;
    }

    // ---- dimensions

    void collectDimensions()
    {
        std::unordered_map<std::string, uint32_t> index;
        for (uint32_t r = 0; r < state_.size(); ++r) {
            if (state_[r].role == Role::Setting || state_[r].refused)
                continue;
            const std::string_view name = text(r, ColumnKind::Dimension);
            auto [at, added] = index.emplace(fold(name), static_cast<uint32_t>(dims_.size()));
            if (added)
                dims_.push_back({std::string(name)});
            RowState &row = state_[r];
            row.dim = at->second;
            const std::string_view member = text(r, ColumnKind::Member);
            if (!text(r, ColumnKind::Parent).empty() || (!member.empty() && fold(member) != at->first)) {
                row.role = Role::Member;
                continue;
            }
            row.role = Role::Dimension;
            Dimension &dim = dims_[at->second];
            if (dim.row != kNone)
                refuse(r, "a second row for the dimension (the first is " + where(dim.row) + ")");
            else
                dim.row = r;
        }
    }

    // The properties the row's information cells give, applied in the
    // table's order so that a type comes before the storage it implies.
    bool applyInfo(uint32_t r, OtlMbrInfo &info, bool dimension)
    {
        std::string_view byProperty[kInfoCount];
        for (const SourceCell &cell : table_.cells(table_.rows[r])) {
            const Column &column = table_.columns[cell.column];
            if (column.kind == ColumnKind::Info)
                byProperty[column.info] = table_.text(cell);
        }
        const auto properties = infoProperties();
        for (size_t i = 0; i < properties.size(); ++i) {
            if (byProperty[i].empty())
                continue;
            if (properties[i].dimensionOnly && !dimension) {
                refuse(r, std::string("the column ") + properties[i].column + " is for dimension rows");
                return false;
            }
            if (const char *wrong = properties[i].write(info, byProperty[i])) {
                refuse(r, std::string(properties[i].column) + " '" + std::string(byProperty[i]) +
                              "' is " + wrong);
                return false;
            }
        }
        return true;
    }

    bool rowInfo(uint32_t r, std::string_view name, OtlMbrInfo &info, bool dimension)
    {
        info = OtlMbrInfo{};
        if (name.size() >= OTL_NAME_SIZE) {
            refuse(r, "the name is longer than 80 bytes");
            return false;
        }
        std::memcpy(info.memberName, name.data(), name.size());
        return applyInfo(r, info, dimension);
    }

    // Base dimensions go after the last base dimension, attribute ones
    // after the last attribute dimension: attribute dimensions follow every
    // base dimension, and the calculations dimension stays last.
    OtlItem *placeFor(bool attribute) const
    {
        OtlItem *last = nullptr;
        for (OtlItem *d = outline_->root->firstChild; d; d = d->nextSibling) {
            const bool isAttribute = d->dimensionTag == OTL_TAG_ATTRIBUTE;
            if (d->dimensionTag != OTL_TAG_ATTR_CALC && (attribute || !isAttribute))
                last = d;
        }
        return last;
    }

    void addDimensions()
    {
        std::vector<std::pair<uint32_t, OtlMbrInfo>> pending;
        for (uint32_t d = 0; d < dims_.size(); ++d) {
            Dimension &dim = dims_[d];
            OtlMbrInfo info{};
            if (dim.row != kNone ? !rowInfo(dim.row, dim.name, info, true)
                                 : dim.name.size() >= OTL_NAME_SIZE) {
                if (dim.row == kNone)
                    refuse(firstRowOf(d), "the dimension's name is longer than 80 bytes");
                dim.refused = true;
                continue;
            }
            if (dim.row == kNone)
                std::memcpy(info.memberName, dim.name.data(), dim.name.size());
            dim.attribute = info.dimensionTag == OTL_TAG_ATTRIBUTE;
            check(adShrOtlFindMember(outline_, dim.name.c_str(), &dim.item), "looking up " + dim.name);
            if (dim.item && dim.item->generation != 1) {
                refuse(dim.row == kNone ? firstRowOf(d) : dim.row, dim.name + " is a member of " +
                                                                       otlGetDim(dim.item)->memberName +
                                                                       ", not a dimension");
                dim.item = nullptr;
                dim.refused = true;
            } else if (dim.item) {
                dim.attribute = dim.item->dimensionTag == OTL_TAG_ATTRIBUTE;
                if (dim.row != kNone)
                    state_[dim.row].role = Role::Existing;
            } else {
                pending.emplace_back(d, info);
            }
        }
        // Base dimensions first, so that each attribute dimension finds its
        // place after them.
        std::stable_partition(pending.begin(), pending.end(),
                              [&](const auto &entry) { return !dims_[entry.first].attribute; });
        for (auto &[d, info] : pending) {
            Dimension &dim = dims_[d];
            const uint32_t r = dim.row == kNone ? firstRowOf(d) : dim.row;
            if (!dim.attribute && deferredShare(info.shareOption)) {
                state_[r].pendingShare = static_cast<uint8_t>(info.shareOption);
                info.shareOption = OTL_SHARE_STORE_DATA;
            }
            if (!call(r,
                      adShrOtlAddDimension(outline_, &info, placeFor(dim.attribute), nullptr, &dim.item),
                      "adding the dimension " + dim.name))
                dim.refused = true;
            else if (dim.row != kNone)
                state_[dim.row].item = dim.item;
        }
    }

    uint32_t firstRowOf(uint32_t d) const
    {
        for (uint32_t r = 0; r < state_.size(); ++r)
            if (state_[r].dim == d)
                return r;
        return 0;
    }

    // ---- members

    // A member already in the outline; in an attribute dimension a level-0
    // member goes by its value.
    OtlItem *existing(std::string_view name, const Dimension &dim) const
    {
        const std::string text(name);
        OtlItem *found = nullptr;
        check(adShrOtlFindMember(outline_, text.c_str(), &found), "looking up " + text);
        if (!found && dim.attribute) {
            uint16_t count = 0;
            OtlItem **items = nullptr;
            check(adShrOtlFindAttributeMembers(outline_, text.c_str(), dim.name.c_str(), &count, &items),
                  "looking up " + text);
            std::unique_ptr<OtlItem *, FreeBlock> owned(items);
            for (uint16_t i = 0; i < count && !found; ++i)
                if (items[i]->generation > 1)
                    found = items[i];
        }
        return found && otlGetDim(found) == dim.item ? found : nullptr;
    }

    std::string key(uint32_t dim, std::string_view name) const
    {
        return std::to_string(dim) + '\x1f' + fold(name);
    }

    bool markedShared(uint32_t r) const
    {
        OtlMbrInfo scratch{};
        const std::string_view share = shareText(r);
        return !share.empty() && !infoProperties()[shareIndex()].write(scratch, share) &&
               scratch.shareOption == OTL_SHARE_SHARED;
    }

    static size_t shareIndex()
    {
        const auto properties = infoProperties();
        for (size_t i = 0; i < properties.size(); ++i)
            if (std::string_view(properties[i].column) == "share")
                return i;
        return 0;
    }

    std::string_view shareText(uint32_t r) const
    {
        for (const SourceCell &cell : table_.cells(table_.rows[r])) {
            const Column &column = table_.columns[cell.column];
            if (column.kind == ColumnKind::Info && column.info == shareIndex())
                return table_.text(cell);
        }
        return {};
    }

    void classifyMembers()
    {
        model_.reserve(state_.size());
        for (uint32_t r = 0; r < state_.size(); ++r) {
            RowState &row = state_[r];
            if (row.role != Role::Member || row.refused)
                continue;
            const Dimension &dim = dims_[row.dim];
            if (dim.refused) {
                refuse(r, "its dimension " + dim.name + " was refused");
                continue;
            }
            ++memberRows_;
            const std::string_view name = text(r, ColumnKind::Member);
            const std::string_view parent = text(r, ColumnKind::Parent);
            if (markedShared(r)) {
                row.role = Role::Shared;
            } else if (auto [at, added] = model_.emplace(key(row.dim, name), r); !added) {
                std::string_view first = text(at->second, ColumnKind::Parent);
                first = first.empty() ? std::string_view(dim.name) : first;
                if (fold(first) == fold(parent.empty() ? std::string_view(dim.name) : parent))
                    refuse(r, "repeats the row at " + where(at->second));
                else if (options_.shareRepeats)
                    row.role = Role::Shared;
                else
                    refuse(r, "is already under " + std::string(first) + " at " + where(at->second) +
                                  "; say 'shared' in its share column, or import with --shared");
                continue;
            } else if (OtlItem *found = dim.item ? existing(name, dim) : nullptr) {
                // The row's parent among the rows would wait for it to be
                // added: children of a member that was there look it up.
                model_.erase(at);
                const std::string_view now = found->parent->memberName;
                if (fold(now) == fold(parent.empty() ? std::string_view(dim.name) : parent)) {
                    row.role = Role::Existing;
                    row.item = found;
                } else if (options_.shareRepeats) {
                    row.role = Role::Shared;
                } else {
                    refuse(r, "is already in the outline under " + std::string(now) +
                                  "; say 'shared' in its share column, or import with --shared");
                }
            }
        }
        // Parents once every row that adds a member is known.
        for (uint32_t r = 0; r < state_.size(); ++r) {
            RowState &row = state_[r];
            if ((row.role != Role::Member && row.role != Role::Shared) || row.refused)
                continue;
            if (!resolveParent(r))
                refuse(r, "its parent " + std::string(text(r, ColumnKind::Parent)) +
                              " appears nowhere in " + dims_[row.dim].name);
            else if (row.role == Role::Shared && row.parentItem)
                row.item = sharedChild(row.parentItem, text(r, ColumnKind::Member));
            if (row.item)
                row.role = Role::Existing; // a shared member that was there
        }

        // Children in file order, by parent.
        const auto isChild = [](const RowState &row) {
            return (row.role == Role::Member || row.role == Role::Shared) && !row.refused;
        };
        childStart_.assign(state_.size() + 1, 0);
        for (const RowState &row : state_)
            if (isChild(row) && row.parentRow != kNone)
                ++childStart_[row.parentRow + 1];
        for (size_t r = 1; r < childStart_.size(); ++r)
            childStart_[r] += childStart_[r - 1];
        childRows_.resize(childStart_.back());
        std::vector<uint32_t> filled(childStart_.begin(), childStart_.end() - 1);
        for (uint32_t r = 0; r < state_.size(); ++r) {
            const RowState &row = state_[r];
            if (!isChild(row))
                continue;
            if (row.parentRow != kNone) {
                childRows_[filled[row.parentRow]++] = r;
                continue;
            }
            auto [at, added] = itemIndex_.emplace(row.parentItem, childrenOfItem_.size());
            if (added)
                childrenOfItem_.push_back({row.parentItem, {}});
            childrenOfItem_[at->second].second.push_back(r);
        }
    }

    bool resolveParent(uint32_t r)
    {
        RowState &row = state_[r];
        const Dimension &dim = dims_[row.dim];
        const std::string_view parent = text(r, ColumnKind::Parent);
        if (parent.empty() || fold(parent) == fold(dim.name)) {
            row.parentItem = dim.item;
            return true;
        }
        if (const auto found = model_.find(key(row.dim, parent)); found != model_.end()) {
            row.parentRow = found->second;
            return true;
        }
        row.parentItem = dim.item ? existing(parent, dim) : nullptr;
        return row.parentItem != nullptr;
    }

    OtlItem *sharedChild(OtlItem *parent, std::string_view name) const
    {
        for (OtlItem *child = parent->firstChild; child; child = child->nextSibling)
            if (child->shareOption == OTL_SHARE_SHARED && fold(child->memberName) == fold(name))
                return child;
        return nullptr;
    }

    std::span<const uint32_t> childrenOf(uint32_t r) const
    {
        return std::span(childRows_).subspan(childStart_[r], childStart_[r + 1] - childStart_[r]);
    }

    OtlItem *lastChild(OtlItem *parent) const
    {
        OtlItem *last = parent ? parent->firstChild : nullptr;
        while (last && last->nextSibling)
            last = last->nextSibling;
        return last;
    }

    void addMember(uint32_t r, OtlItem *parent, OtlItem *&previous, Progress &progress)
    {
        progress.tick();
        RowState &row = state_[r];
        const std::string_view parentName = text(r, ColumnKind::Parent);
        if (!parent)
            return refuse(r, "its parent " + std::string(parentName) + " was refused");
        OtlMbrInfo info;
        if (!rowInfo(r, text(r, ColumnKind::Member), info, false))
            return;
        if (row.role == Role::Shared) {
            info.shareOption = OTL_SHARE_SHARED;
        } else if (dims_[row.dim].attribute) {
            info.dimensionTag = OTL_TAG_ATTRIBUTE;
            info.attrValueType = OTL_ATTR_DIM_TYPE;
            info.shareOption = OTL_SHARE_COMPUTED;
        } else if (deferredShare(info.shareOption)) {
            row.pendingShare = static_cast<uint8_t>(info.shareOption);
            info.shareOption = OTL_SHARE_STORE_DATA;
        }
        if (call(r, adShrOtlAddMember(outline_, &info, parent, previous, &row.item, OTL_CHECK_ALL),
                 "adding under ", parent->memberName))
            previous = row.item;
    }

    // Members whose parents were in the outline first, in file order under
    // each parent; then, breadth first, the children of every member added.
    void addMembers(Progress &progress)
    {
        for (auto &[parent, children] : childrenOfItem_) {
            OtlItem *previous = lastChild(parent);
            initialLast_[parent] = previous;
            for (uint32_t c : children)
                if (state_[c].role == Role::Member) {
                    addMember(c, parent, previous, progress);
                    order_.push_back(c);
                }
        }
        for (size_t i = 0; i < order_.size(); ++i) {
            OtlItem *previous = nullptr;
            for (uint32_t c : childrenOf(order_[i]))
                if (state_[c].role == Role::Member) {
                    addMember(c, state_[order_[i]].item, previous, progress);
                    order_.push_back(c);
                }
        }
    }

    // Each shared member after the sibling the file put before it.
    void addShared(Progress &progress)
    {
        const auto place = [&](OtlItem *parent, OtlItem *previous, std::span<const uint32_t> children) {
            for (uint32_t c : children) {
                RowState &row = state_[c];
                if (row.role == Role::Shared && !row.refused) {
                    addMember(c, parent, previous, progress);
                    sharedOrder_.push_back(c);
                } else if (row.item) {
                    previous = row.item;
                }
            }
        };
        for (auto &[parent, children] : childrenOfItem_)
            place(parent, initialLast_[parent], children);
        for (uint32_t r : order_)
            place(state_[r].item, nullptr, childrenOf(r));
    }

    // Rows never reached hang below a parent chain that loops.
    void reportUnreached()
    {
        std::vector<uint32_t> walk(state_.size(), 0);
        uint32_t walkId = 0;
        for (uint32_t r = 0; r < state_.size(); ++r) {
            const RowState &row = state_[r];
            if ((row.role != Role::Member && row.role != Role::Shared) || row.refused || row.item)
                continue;
            if (row.parentRow == kNone || state_[row.parentRow].refused) {
                refuse(r, "its parent " + std::string(text(r, ColumnKind::Parent)) + " was refused");
                continue;
            }
            ++walkId;
            std::vector<uint32_t> chain;
            uint32_t x = r;
            while (x != kNone && walk[x] != walkId && !state_[x].refused) {
                walk[x] = walkId;
                chain.push_back(x);
                x = state_[x].parentRow;
            }
            if (x == kNone || state_[x].refused) {
                refuse(r, "its parent " + std::string(text(r, ColumnKind::Parent)) + " was refused");
                continue;
            }
            const auto from = std::find(chain.begin(), chain.end(), x);
            std::string loop;
            for (auto at = from; at != chain.end() && at - from < 6; ++at)
                loop += std::string(text(*at, ColumnKind::Member)) + " -> ";
            loop += std::string(text(x, ColumnKind::Member));
            // Every row of the loop gets the same message; rows below it
            // get it too, as their parents loop as well.
            refuse(r, "its parents never reach the dimension: they loop (" + loop + ")");
            for (auto at = from; at != chain.end(); ++at)
                if (!state_[*at].refused)
                    refuse(*at, "its parents never reach the dimension: they loop (" + loop + ")");
        }
    }

    // Formula, share option, comment, aliases and tags, parents before
    // children: a computed member's check looks at its parent's option.
    void finishRow(uint32_t r)
    {
        RowState &row = state_[r];
        if (row.refused || !row.item)
            return;
        OtlItem *item = row.item;
        const std::string name = item->memberName;
        if (row.role == Role::Existing && !updateInfo(r, item))
            return;
        std::vector<std::pair<std::string, std::string>> aliases;
        for (const SourceCell &cell : table_.cells(table_.rows[r])) {
            const Column &column = table_.columns[cell.column];
            const std::string value(table_.text(cell));
            if (column.kind == ColumnKind::Formula)
                call(r, adShrOtlSetMemberFormula(outline_, item, value.c_str()), "setting the formula");
            else if (column.kind == ColumnKind::ExtendedComment)
                call(r, adShrOtlSetMemberCommentEx(outline_, item, value.c_str()),
                     "setting the extended comment");
            else if (column.kind == ColumnKind::Alias)
                aliases.emplace_back(column.table, value);
        }
        if (row.pendingShare)
            setShare(r, item, row.pendingShare);
        for (const auto &[table, alias] : aliases)
            call(r,
                 adShrOtlSetMemberAlias(outline_, item, table.empty() ? nullptr : table.c_str(),
                                        alias.c_str(), OTL_CHECK_ALL),
                 table.empty() ? "setting the alias" : "setting the alias in ", table);
        for (const SourceCell &cell : table_.cells(table_.rows[r]))
            if (table_.columns[cell.column].kind == ColumnKind::Uda)
                call(r, adShrOtlSetUserAttribute(outline_, item, std::string(table_.text(cell)).c_str()),
                     "adding the user-defined attribute ", table_.text(cell));
    }

    template <typename Change>
    bool changeInfo(uint32_t r, OtlItem *item, const std::string &doing, Change change)
    {
        OtlMbrInfo *info = nullptr;
        if (!call(r, adShrOtlGetMemberInfo(outline_, item, &info), doing))
            return false;
        std::unique_ptr<OtlMbrInfo, void (*)(OtlMbrInfo *)> owned(
            info, [](OtlMbrInfo *i) { adShrOtlFreeMbrInfo(toolHost(), 1, i); });
        if (!change(*info))
            return false;
        return call(r, adShrOtlSetMemberInfo(outline_, item, info, OTL_CHECK_ALL), doing);
    }

    void setShare(uint32_t r, OtlItem *item, uint16_t option)
    {
        changeInfo(r, item, "setting the share option", [&](OtlMbrInfo &info) {
            info.shareOption = option;
            return true;
        });
    }

    // A member that was there: the non-empty cells change its properties.
    bool updateInfo(uint32_t r, OtlItem *item)
    {
        return changeInfo(r, item, "changing its properties", [&](OtlMbrInfo &info) {
            if (!applyInfo(r, info, item->generation == 1))
                return false;
            if (deferredShare(info.shareOption) && info.shareOption != item->shareOption) {
                state_[r].pendingShare = static_cast<uint8_t>(info.shareOption);
                info.shareOption = item->shareOption;
            }
            return true;
        });
    }

    // A base dimension's attribute cells link attribute dimensions; its
    // generation and level cells name its generations and levels.
    void linkDimensions()
    {
        for (const Dimension &dim : dims_) {
            if (dim.row == kNone || dim.refused || state_[dim.row].refused)
                continue;
            const uint32_t r = dim.row;
            for (const SourceCell &cell : table_.cells(table_.rows[r])) {
                const ColumnKind kind = table_.columns[cell.column].kind;
                const std::string value(table_.text(cell));
                if (kind == ColumnKind::Attribute) {
                    OtlItem *attribute = nullptr;
                    check(adShrOtlFindMember(outline_, value.c_str(), &attribute),
                          "looking up " + value);
                    if (!attribute) {
                        refuse(r, "no attribute dimension " + value);
                        continue;
                    }
                    const OtlStatus status =
                        adShrOtlAssociateAttributeDimension(outline_, dim.item, attribute);
                    if (status != OTL_ERR_ATTR_ALREADY)
                        call(r, status, "linking the attribute dimension " + value);
                } else if (kind == ColumnKind::Generation || kind == ColumnKind::Level) {
                    nameNumber(r, dim, kind == ColumnKind::Generation, value);
                }
            }
        }
    }

    void nameNumber(uint32_t r, const Dimension &dim, bool generation, const std::string &value)
    {
        uint16_t number = 0;
        std::string name;
        if (!splitNumbered(value, number, name))
            return refuse(r, "'" + value + "' is not number=name");
        char *now = nullptr;
        (generation ? adShrOtlGetGenName : adShrOtlGetLevelName)(outline_, dim.name.c_str(), number,
                                                                 &now);
        std::unique_ptr<char, FreeBlock> owned(now);
        if (now && name == now)
            return;
        call(r,
             (generation ? adShrOtlSetGenName : adShrOtlSetLevelName)(outline_, dim.name.c_str(), number,
                                                                      name.c_str()),
             std::string("naming ") + (generation ? "generation " : "level ") + std::to_string(number));
    }

    void associate()
    {
        for (uint32_t r = 0; r < state_.size(); ++r) {
            const RowState &row = state_[r];
            if (row.role == Role::Dimension || row.refused || !row.item)
                continue;
            for (const SourceCell &cell : table_.cells(table_.rows[r])) {
                if (table_.columns[cell.column].kind != ColumnKind::Attribute)
                    continue;
                const std::string value(table_.text(cell));
                OtlItem *attribute = nullptr;
                check(adShrOtlFindMember(outline_, value.c_str(), &attribute), "looking up " + value);
                if (!attribute)
                    refuse(r, "no attribute member " + value);
                else
                    call(r, adShrOtlAssociateAttributeMember(outline_, row.item, attribute, 1),
                         "associating " + value);
            }
        }
    }

    // Time series and alias combinations, which need their members.
    void applyLateSettings(std::string_view which)
    {
        for (uint32_t r = 0; r < state_.size(); ++r) {
            if (state_[r].role != Role::Setting || state_[r].refused)
                continue;
            const std::string name = asciiLower(text(r, ColumnKind::Setting));
            if (name != which)
                continue;
            const std::string subject(text(r, ColumnKind::Member));
            const std::string value(text(r, ColumnKind::Value));
            if (name == kSettingTimeSeries) {
                uint16_t generation = 0;
                auto [end, error] =
                    std::from_chars(value.data(), value.data() + value.size(), generation);
                if (error != std::errc() || end != value.data() + value.size()) {
                    refuse(r, "the value must be the generation the series starts from");
                    continue;
                }
                if (!call(r, adShrOtlEnableDTSMember(outline_, subject.c_str(), generation, 1),
                          "enabling the time series"))
                    continue;
                forAliases(r, [&](const std::string &table, const std::string &alias) {
                    call(r,
                         adShrOtlSetDTSMemberAlias(outline_, subject.c_str(), alias.c_str(),
                                                   table.empty() ? nullptr : table.c_str()),
                         "setting the time series alias");
                });
            } else if (name == kSettingCombination) {
                OtlItem *owner = nullptr;
                check(adShrOtlFindMember(outline_, subject.c_str(), &owner), "looking up " + subject);
                if (!owner) {
                    refuse(r, "no member " + subject);
                    continue;
                }
                forAliases(r, [&](const std::string &table, const std::string &alias) {
                    const char *tableName = table.empty() ? nullptr : table.c_str();
                    if (const char *list = comboList(owner, table, alias)) {
                        if (list == value)
                            return; // there already
                        if (!call(r,
                                  adShrOtlDeleteAliasCombination(outline_, owner, tableName,
                                                                 alias.c_str()),
                                  "replacing the alias combination"))
                            return;
                    }
                    call(r,
                         adShrOtlAddAliasCombination(outline_, owner, tableName, alias.c_str(),
                                                     value.c_str()),
                         "adding the alias combination");
                });
            }
        }
    }

    // The member list of the owner's combination of that alias, if any.
    const char *comboList(const OtlItem *owner, const std::string &table, const std::string &alias) const
    {
        for (uint16_t t = 0; t < outline_->aliasTableCount; ++t) {
            if (table.empty() ? t != 0 : asciiLower(outline_->aliasTableNames[t]) != asciiLower(table))
                continue;
            for (const OtlAliasCombo *combo = owner->aliases[t].combos; combo; combo = combo->next)
                if (combo->aliasText && fold(combo->aliasText) == fold(alias))
                    return combo->memberList ? combo->memberList : "";
        }
        return nullptr;
    }

    template <typename Each>
    void forAliases(uint32_t r, Each each)
    {
        for (const SourceCell &cell : table_.cells(table_.rows[r]))
            if (table_.columns[cell.column].kind == ColumnKind::Alias)
                each(table_.columns[cell.column].table, std::string(table_.text(cell)));
    }

    const ImportOptions &options_;
    const Table &table_;
    std::vector<RowProblem> &problems_;
    OtlOutline *outline_;
    std::vector<RowState> state_;
    std::vector<Dimension> dims_;
    std::unordered_map<std::string, uint32_t> model_; // dimension and name: the row that adds it
    // Children of each row, in file order: row r's are childRows_ from
    // childStart_[r] to childStart_[r + 1].
    std::vector<uint32_t> childStart_, childRows_;
    // Parents that were in the outline, in the order the file first names them.
    std::vector<std::pair<OtlItem *, std::vector<uint32_t>>> childrenOfItem_;
    std::unordered_map<OtlItem *, size_t> itemIndex_;
    std::unordered_map<OtlItem *, OtlItem *> initialLast_;
    std::vector<uint32_t> order_;       // members added, parents before children
    std::vector<uint32_t> sharedOrder_; // shared members added
    uint64_t memberRows_ = 0;
};

// Fails early, before any work, when the output cannot be written.
void checkWritable(const std::string &path)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const bool exists = fs::exists(target);
    if (access(exists ? path.c_str() : folder.c_str(), W_OK) != 0)
        throw BadFile("cannot write " + path + ": " + std::strerror(errno));
}

OutlineHandle newOutline()
{
    OtlOutlineInfo settings{};
    OtlOutline *created = nullptr;
    check(adShrOtlNewOutline(toolHost(), &settings, &created), "creating an outline");
    return OutlineHandle(created);
}

std::string describe(const Table &table, const RowProblem &problem)
{
    std::string text;
    if (problem.line)
        text = table.files[problem.file] + ":" + std::to_string(problem.line) + ": ";
    if (!problem.member.empty())
        text += problem.member + ": ";
    return text + problem.message;
}

void sortProblems(std::vector<RowProblem> &problems)
{
    std::stable_sort(problems.begin(), problems.end(), [](const RowProblem &a, const RowProblem &b) {
        return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
}

bool endsWithCsv(const std::string &path)
{
    return path.size() > 4 && asciiLower(path.substr(path.size() - 4)) == ".csv";
}

} // namespace

int runImport(const ImportOptions &options, std::ostream &out, std::ostream &err)
{
    // A parent-child file to extend is built in memory; it is never written.
    const std::string target = !options.output.empty()     ? options.output
                               : endsWithCsv(options.into) ? ""
                                                           : options.into;
    if (!target.empty()) {
        checkWritable(target);
        namespace fs = std::filesystem;
        for (const std::string &file : options.files)
            if (fs::weakly_canonical(file) == fs::weakly_canonical(target))
                throw BadFile("the output " + target + " is one of the files read");
    }
    Table table;
    std::vector<RowProblem> problems;
    for (const std::string &file : options.files)
        table.read(file, options.encoding, problems, options.quiet);
    OutlineHandle outline =
        options.into.empty() ? newOutline() : loadOutline(options.into, options.quiet);

    Importer importer(options, table, problems, outline.get());
    importer.build();
    const size_t refused = problems.size();
    bool written = false;
    if (refused == 0 || options.keepGoing) {
        // Verified here, so that the faults are named by row: a save
        // refused for them would only give a status.
        const bool clean = importer.verify();
        if (target.empty())
            printWhole(outline.get(), true, out);
        else if (clean)
            check(adShrOtlWriteOutline(outline.get(), target.c_str(), 0), "saving " + target);
        written = clean;
    }
    sortProblems(problems);
    for (const RowProblem &problem : problems)
        err << describe(table, problem) << '\n';
    if (refused)
        err << "otl: " << refused << (refused == 1 ? " row" : " rows") << " refused"
            << (written ? "; the rest imported\n" : "; nothing written\n");
    else if (!written)
        err << "otl: the outline has faults" << (target.empty() ? "\n" : "; nothing written\n");
    return problems.empty() ? 0 : 1;
}

OutlineHandle loadOutline(const std::string &path, bool quiet)
{
    if (!endsWithCsv(path))
        return openOutline(path);
    Table table;
    std::vector<RowProblem> problems;
    table.read(path, "UTF-8", problems);
    OutlineHandle outline = newOutline();
    ImportOptions options;
    options.quiet = quiet;
    Importer(options, table, problems, outline.get()).build();
    if (!problems.empty()) {
        sortProblems(problems);
        throw BadFile(
            describe(table, problems.front()) +
            (problems.size() > 1 ? " (and " + std::to_string(problems.size() - 1) + " more)" : ""));
    }
    return outline;
}

} // namespace otltool
