// The file commands. Each opens the outline with its change log kept, so that
// a saved log can be shown, and closes it when done.
#include "files.h"

#include "changes.h"
#include "faults.h"
#include "host.h"
#include "print.h"
#include "status.h"

#include <iomanip>

namespace otltool {
namespace {

const char *dimensionKind(uint32_t kind)
{
    switch (kind) {
    case 1: return "base";
    case 3: return "base, with attributes";
    case 4: return "attribute";
    case 0: return "attribute calculations";
    default: return "?";
    }
}

// "Matcha (Product)": the member and the dimension it lies in.
std::string memberLabel(const OtlItem *member)
{
    const OtlItem *dimension = member;
    while (dimension->parent && dimension->parent->parent)
        dimension = dimension->parent;
    std::string label = member->memberName[0] ? member->memberName : "(no name)";
    if (!member->parent)
        return label + " (the outline)";
    return dimension == member ? label + " (dimension)" : label + " (" + dimension->memberName + ")";
}

} // namespace

OutlineHandle openOutline(const std::string &path)
{
    OtlOutline *opened = nullptr;
    check(adShrOtlOpenOutline(toolHost(), path.c_str(), 1, &opened), "opening " + path);
    return OutlineHandle(opened);
}

void saveOutline(OtlOutline *outline, const std::string &path)
{
    check(adShrOtlWriteOutline(outline, path.c_str(), 0), "saving " + path);
}

void printWhole(OtlOutline *outline, bool properties, std::ostream &out)
{
    printOutline(outline, {.properties = properties}, out);
    out << '\n';
    printSummary(countOutline(outline), out);
    out << '\n';
    printNames(outline, out);
    if (outline->changeLogHead) {
        out << "\nChange log:\n";
        printChangeLog(outline, out);
    }
}

void runShow(const std::string &path, bool properties, std::ostream &out)
{
    OutlineHandle outline = openOutline(path);
    printWhole(outline.get(), properties, out);
}

int runVerify(const std::string &path, std::ostream &out)
{
    OutlineHandle outline = openOutline(path);
    uint32_t outlineFaults = 0, count = 0;
    OtlFaultEntry *report = nullptr;
    check(adShrOtlVerifyOutline(outline.get(), &outlineFaults, &count, &report), "verifying " + path);
    std::unique_ptr<OtlFaultEntry, void (*)(OtlFaultEntry *)> owned(
        report, [](OtlFaultEntry *entries) { adShrOtlFree(toolHost(), entries); });

    for (const std::string &line : describeOutlineFaults(outlineFaults))
        out << "outline: " << line << '\n';
    for (uint32_t i = 0; i < count; ++i) {
        const OtlFaultEntry &entry = *OTL_FAULT_ENTRY_AT(report, toolHost()->clientVersion, i);
        out << memberLabel(entry.member) << '\n';
        for (const std::string &line : describeFaults(entry.faultFlags, entry.attrFaultFlags))
            out << "  " << line << '\n';
    }
    const bool clean = outlineFaults == 0 && count == 0;
    out << path << ": " << (clean ? "no faults" : std::to_string(count) + " faulty members")
        << (outline->verified ? ", can be saved\n" : ", cannot be saved until fixed\n");
    return clean ? 0 : 1;
}

void runStats(const std::string &path, std::ostream &out)
{
    OutlineHandle outline = openOutline(path);
    const OtlFileStats &stats = outline->stats;
    out << "dimensions            " << stats.dimCount << " (" << stats.baseDimCount << " base)\n"
        << "members               " << stats.memberCount << '\n'
        << "stored members        " << stats.storedMemberCount << '\n'
        << "non-shared members    " << stats.nonSharedMemberCount << '\n'
        << "largest record        " << stats.maxRecordLength << " bytes\n"
        << "alias tables          " << stats.aliasTableCount << '\n'
        << "storage configuration " << (outline->autoConfigure ? "automatic" : "by hand") << "\n\n";

    size_t width = 9;
    for (uint32_t d = 0; d < outline->dimTableSize; ++d)
        width = std::max(width, displayWidth(outline->dimTable[d]->memberName));
    out << std::left << std::setw(static_cast<int>(width)) << "dimension"
        << "  storage  members   stored  kind\n";
    for (uint32_t d = 0; d < outline->dimTableSize && stats.dimStats; ++d) {
        const OtlItem *dimension = outline->dimTable[d];
        const OtlDimStats &entry = stats.dimStats[d];
        const std::string name = dimension->memberName;
        out << name << std::string(width - displayWidth(name), ' ') << "  "
            << std::setw(7) << (dimension->storageType ? "sparse" : "dense") << std::right
            << std::setw(9) << entry.memberCount << std::setw(9) << entry.storedMemberCount
            << std::left << "  " << dimensionKind(entry.dimensionKind) << '\n';
    }
}

} // namespace otltool
