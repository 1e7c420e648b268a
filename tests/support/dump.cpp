#include "support/dump.h"

#include "core/records.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

namespace test {

namespace {

std::string text(const char *s)
{
    return s ? "\"" + std::string(s) + "\"" : "null";
}

// Items are named by their pre-order number, so that pointers never enter a
// dump and two equal outlines in different memory compare equal.
using Numbering = std::map<const OtlItem *, int>;

// Pre-order walks are iterative, as the library's are: a test may build a
// subtree far deeper than the stack would allow a recursion.
template <class Visit>
void preorder(const OtlItem *top, Visit visit)
{
    int depth = 0;
    for (const OtlItem *i = top; i;) {
        visit(i, depth);
        if (i->firstChild) {
            i = i->firstChild;
            ++depth;
            continue;
        }
        while (i && !i->nextSibling && depth > 0) {
            i = i->parent;
            --depth;
        }
        i = i ? i->nextSibling : nullptr;
    }
}

Numbering numbered(const OtlOutline *o)
{
    Numbering ids;
    preorder(o->root, [&](const OtlItem *i, int) { ids[i] = static_cast<int>(ids.size()); });
    return ids;
}

std::string ref(const Numbering &ids, const void *item)
{
    if (!item)
        return "-";
    auto it = ids.find(static_cast<const OtlItem *>(item));
    return it == ids.end() ? "?" : "#" + std::to_string(it->second);
}

// An item's attribute links by what they point at, for the content dump.
std::string links(const Numbering &ids, const OtlItem *i)
{
    std::ostringstream out;
    const OtlAttrLinkVariant &l = i->attrLink;
    const auto cellRef = [&](OtlItem **cell) { return cell ? ref(ids, *cell) : std::string("-"); };
    if (i->generation == 0 || i->dimensionTag == OTL_TAG_ATTR_CALC)
        return "";
    if (i->dimensionTag == OTL_TAG_ATTRIBUTE && i->generation == 1)
        out << "attrdim(" << l.attrDim.attrLinkLevel << "," << ref(ids, l.attrDim.attrBaseDim) << ","
            << cellRef(l.attrDim.attrCell) << ")";
    else if (i->dimensionTag == OTL_TAG_ATTRIBUTE)
        out << "attr(" << cellRef(l.attrMember.attrCell) << "," << text(l.attrMember.attrShortName) << ")";
    else if (i->generation == 1)
        for (uint16_t s = 0; s < l.baseDim.attrLinkCount; ++s)
            out << "slot(" << ref(ids, l.baseDim.attrLinks[s].attrDim) << "," << l.baseDim.attrLinkLevels[s] << ")";
    else
        for (uint16_t e = 0; e < l.baseMember.attrMemberCount; ++e)
            out << "entry(" << cellRef(l.baseMember.attrMemberLinks[e]) << ")";
    return out.str();
}

void dumpFields(std::ostringstream &out, const OtlItem *i, const Numbering *ids, bool content = false)
{
    // A file keeps the accounts fields in the accounts dimension, and a
    // currency name where that dimension or a country dimension wants one.
    const OtlItem *dimension = otlGetDim(const_cast<OtlItem *>(i));
    const uint16_t dimensionTag = dimension ? dimension->dimensionTag : OTL_TAG_NONE;
    const bool accounts = dimensionTag == OTL_TAG_ACCOUNTS;
    const bool currency = dimensionTag == OTL_TAG_COUNTRY || (accounts && i->currencyMode == 1);
    out << text(i->memberName) << " lev=" << i->level << " gen=" << i->generation
        << " cons=" << i->consolidation << " opt=" << +i->memberOption;
    if (!content || accounts)
        out << " t1=" << +i->tag1Option << " cm=" << i->currencyMode;
    if (!content || currency)
        out << " cn=" << text(i->currencyName);
    if (!content || accounts)
        out << " tb=" << i->timeBalance << " skip=" << i->skipOption;
    out << " share=" << i->shareOption << " stor=" << i->storageType
        << " tag=" << i->dimensionTag << " cat=" << i->dimensionCategory
        << " comment=" << text(i->comment);
    // Read back from the flags of the members it stands for, and set on a
    // base dimension by the rule check: a file holds the flag of the
    // members that hold data only.
    const bool flagStored = i->generation > 1 && otl::isStored(i->shareOption) && !otl::isAttrTag(i->dimensionTag);
    if (!content)
        out << " ccv=" << i->childCountOrValue << " idn=" << text(i->infoDimName);
    if (!content || flagStored)
        out << " hav=" << +i->hasAttrValue;
    out << " avt=" << i->attrValueType << " formula=" << text(i->formula)
        << " last=" << text(i->lastFormula) << " cex=" << text(i->commentEx);
    if (content && otl::isAttrTag(i->dimensionTag) && i->firstChild) {
        // A file keeps the values of attribute items without children.
    } else if (i->attrValueType == OTL_ATTR_TEXT) {
        const char *value = nullptr;
        memcpy(&value, i->attrValue, sizeof value);
        out << " av=" << text(value);
    } else {
        out << " av=";
        for (uint8_t b : i->attrValue)
            out << std::hex << +b << std::dec << ".";
    }
    for (int t = 0; t < OTL_MAX_ALIAS_TABLES; ++t) {
        if (!i->aliases[t].alias && !i->aliases[t].combos)
            continue;
        out << " alias" << t << "=" << text(i->aliases[t].alias);
        for (const OtlAliasCombo *c = i->aliases[t].combos; c; c = c->next)
            out << " combo(" << text(c->aliasText) << "," << text(c->memberList) << ")";
    }
    for (const OtlUserAttr *u = i->userAttributes; u; u = u->next)
        out << " uda=" << text(u->text);
    std::vector<std::string> names; // one number's names keep no order across a save
    for (const OtlGenLevelName *g = i->genLevelNames; g; g = g->nextName)
        names.push_back(" gl(" + std::to_string(g->nameKind) + "," + std::to_string(g->nameNumber) + "," + text(g->nameText) + ")");
    if (content)
        std::sort(names.begin(), names.end());
    for (const std::string &n : names)
        out << n;
    if (content) {
        // Memory only: pool, verification and edit marks, field access.
        out << " off=" << i->recordOffset << " nums=" << i->dimensionNumber << "/" << i->memberNumber << "/"
            << i->storedNumber << " role=" << i->attrRole << " links=" << links(*ids, i);
    } else {
        out << " faults=" << i->faultFlags << "/" << i->attrFaultFlags << " off=" << i->recordOffset
            << " mark=" << i->marked << " nums=" << i->dimensionNumber << "/" << i->memberNumber << "/"
            << i->storedNumber << " pooled=" << +i->pooled << " role=" << i->attrRole
            << " dimch=" << +i->dimChanged << " mask=" << i->fieldMask[0] << "/" << i->fieldMask[1]
            << " fmact=" << i->fieldMaskActive << " matrix=" << (i->associationMatrix ? "set" : "-");
        out << " link=";
        const uint8_t *link = reinterpret_cast<const uint8_t *>(&i->attrLink);
        for (size_t b = 0; b < sizeof i->attrLink; ++b)
            out << std::hex << +link[b] << std::dec << ".";
    }
    if (ids) {
        out << " up=" << ref(*ids, i->parent) << " prev=" << ref(*ids, i->prevSibling)
            << " next=" << ref(*ids, i->nextSibling) << " first=" << ref(*ids, i->firstChild);
    }
}

} // namespace

std::string dumpItem(const OtlItem *item)
{
    std::ostringstream out;
    dumpFields(out, item, nullptr);
    return out.str();
}

namespace {

std::string dump(const OtlOutline *o, bool content)
{
    std::ostringstream out;
    const Numbering ids = numbered(o);
    out << "case=" << +o->caseSensitive << " type=" << o->outlineType << " auto=" << +o->autoConfigure
        << " fopt=" << +o->fileOptionFlag;
    if (!content)
        out << " fam=" << +o->fieldAccessMode << " log=" << +o->changeLogEnabled
            << " sort=" << o->sortDirection << " verified=" << +o->verified;
    out << " dts=" << o->dtsEnabledCount << "\n";
    out << "tables=" << o->aliasTableCount;
    for (int t = 0; t < OTL_MAX_ALIAS_TABLES && o->aliasTableNames; ++t)
        out << " " << text(o->aliasTableNames[t]);
    out << "\n";
    const OtlFileStats &s = o->stats;
    out << "stats=" << s.dimCount << "/" << s.baseDimCount << "/" << s.memberCount << "/"
        << s.storedMemberCount << "/" << s.nonSharedMemberCount << "/" << s.maxRecordLength << "\n";
    out << "dimTable=" << o->dimTableSize << ":";
    for (uint32_t d = 0; d < o->dimTableSize && o->dimTable; ++d) {
        out << " " << ref(ids, o->dimTable[d]);
        if (s.dimStats)
            out << "(" << s.dimStats[d].storedMemberCount << "," << s.dimStats[d].memberCount << ")";
    }
    out << "\n";
    if (!content)
        out << "cells=" << o->attrCellCount << "/" << o->attrCellCapacity << "\n";
    const OtlAttrSpecs &a = o->attrSpecs;
    out << "specs=" << a.affixPosition << "/" << a.nameFormat << "/" << +a.separator << "/"
        << a.dateFormat << "/" << a.extraChoice << " " << text(a.trueName) << " " << text(a.falseName)
        << " " << text(a.calcDimName) << " " << text(a.sumName) << " " << text(a.countName) << " "
        << text(a.averageName) << " " << text(a.minName) << " " << text(a.maxName) << "\n";
    preorder(o->root, [&](const OtlItem *i, int depth) {
        // Indentation stops at a depth a reader can follow: a deep chain
        // would otherwise make a dump quadratic in its depth.
        out << std::string(std::min(depth, 16) * 2, ' ') << ref(ids, i) << " ";
        dumpFields(out, i, &ids, content);
        out << "\n";
    });
    for (int b = 0; o->nameHash && b < OTL_HASH_BUCKETS; ++b) {
        const OtlHashBucket &bucket = o->nameHash->buckets[b];
        if (!bucket.count)
            continue;
        // Capacity is left out: a reservation may grow a bucket without
        // changing what the outline holds.
        std::vector<std::string> entries; // equal names keep no order across a save
        for (uint32_t e = 0; e < bucket.count; ++e)
            entries.push_back(" " + ref(ids, bucket.entries[e].item) + "/" + std::to_string(bucket.entries[e].table) +
                              "/" + text(bucket.entries[e].name));
        if (content)
            std::sort(entries.begin(), entries.end());
        out << "bucket " << b << ":";
        for (const std::string &e : entries)
            out << e;
        out << "\n";
    }
    for (const OtlChangeRecord *r = o->changeLogHead; r; r = r->next) {
        out << "change kind=" << r->kind << " gen=" << r->generation << " old=" << r->oldGeneration;
        const int slots = r->kind == OTL_CHANGE_ADDED ? 4 : r->kind == OTL_CHANGE_MOVED ? 6 : 2;
        for (int t = 0; t < slots; ++t)
            out << " " << text(r->text[t]);
        out << "\n";
    }
    for (const OtlDtsMember *d : o->dtsMembers) {
        if (!d)
            continue;
        // A file keeps the generation's low byte only.
        out << "dts " << text(d->dtsName) << " " << text(d->dtsPeriodName) << " on=" << +d->dtsEnabled
            << " gen=" << (content ? d->dtsGeneration & 0xFF : d->dtsGeneration);
        for (int t = 0; t < OTL_MAX_ALIAS_TABLES; ++t)
            if (d->dtsAliases[t][0])
                out << " a" << t << "=" << d->dtsAliases[t];
        out << "\n";
    }
    for (uint16_t m = 0; m < o->matchCount && o->matchTable; ++m)
        out << "match " << m << " " << ref(ids, o->matchTable[m].dimension) << " n="
            << o->matchTable[m].count << "\n";
    return out.str();
}

} // namespace

std::string dumpOutline(const OtlOutline *o)
{
    return dump(o, false);
}

std::string dumpContent(const OtlOutline *o)
{
    return dump(o, true);
}

std::string hashProblems(const OtlOutline *o)
{
    const Numbering ids = numbered(o);
    std::string problems;
    for (int b = 0; o->nameHash && b < OTL_HASH_BUCKETS; ++b) {
        const OtlHashBucket &bucket = o->nameHash->buckets[b];
        for (uint32_t e = 0; e < bucket.count; ++e)
            if (!ids.count(bucket.entries[e].item))
                problems += "bucket " + std::to_string(b) + ": entry " + text(bucket.entries[e].name) +
                            " names no item of the tree\n";
    }
    return problems;
}

std::string withoutMarks(std::string dump)
{
    for (size_t at = dump.find(" dimch="); at != std::string::npos; at = dump.find(" dimch=", at))
        dump.erase(at, 8);
    return dump;
}

std::string dumpDiff(const std::string &before, const std::string &after)
{
    if (before == after)
        return "";
    std::istringstream a(before), b(after);
    std::string la, lb;
    do {
        la.clear(), lb.clear();
        std::getline(a, la), std::getline(b, lb);
    } while (la == lb && (a || b));
    return "before: " + la + "\nafter:  " + lb;
}

} // namespace test
