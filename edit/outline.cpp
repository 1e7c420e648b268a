/*
 * The outline handle: creation, teardown and the outline-wide settings.
 *
 * Creation leaves either a whole outline or nothing: every failure tears
 * down what was built. Teardown releases in a fixed order (change log, tree,
 * item pool, alias table names, time series, hash, match list, attribute
 * bookkeeping, the record) and copes with any half-built state.
 */
#include "edit/outline.h"
#include "attr/attr_specs.h"
#include "attr/register.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"
#include "edit/changelog.h"
#include "edit/item.h"
#include "core/journal.h"
#include "edit/rules.h"
#include "names/dts.h"
#include "verify/checks.h"

namespace {

void releaseAliasTableNames(OtlOutline *outline)
{
    if (!outline->aliasTableNames)
        return;
    for (int i = 0; i < OTL_MAX_ALIAS_TABLES; ++i)
        otl::hostRelease(outline->host, &outline->aliasTableNames[i]);
    otl::hostRelease(outline->host, &outline->aliasTableNames);
}

void releaseAttrBookkeeping(OtlOutline *outline)
{
    const OtlHostContext *host = outline->host;
    otl::hostRelease(host, &outline->dimTable);
    outline->dimTableSize = 0;
    otlAttrReleaseCells(outline);
    otl::hostRelease(host, &outline->stats.aliasCountersFirst);
    otl::hostRelease(host, &outline->stats.aliasCountersSecond);
    otl::hostRelease(host, &outline->stats.dimStats);
    adShrOtlFreeAttrSpecsMembers(host, &outline->attrSpecs);
}

void teardown(OtlOutline *outline)
{
    otlChangeLogRelease(outline);
    otlReleaseSubtree(outline, outline->root);
    outline->root = nullptr;
    otlReleasePool(outline);
    releaseAliasTableNames(outline);
    otlDtsRelease(outline);
    otlHashRelease(outline->host, outline->nameHash);
    outline->nameHash = nullptr;
    otlReleaseMatchList(outline);
    releaseAttrBookkeeping(outline);
    otl::hostFree(outline->host, outline);
}

OtlStatus createParts(OtlOutline *outline)
{
    const OtlHostContext *host = outline->host;
    OtlStatus status = otl::hostNewArray(host, OTL_MAX_ALIAS_TABLES, &outline->aliasTableNames);
    if (status != OTL_OK)
        return status;
    outline->aliasTableCount = 1;
    status = otlDupString(host, OTL_DEFAULT_ALIAS_TABLE, &outline->aliasTableNames[0]);
    if (status != OTL_OK)
        return status;
    status = otlHashCreate(host, &outline->nameHash);
    if (status != OTL_OK)
        return status;
    return otlDtsCreate(outline);
}

} // namespace

void otlReleaseMatchList(OtlOutline *outline)
{
    if (outline->matchTable) {
        for (uint16_t i = 0; i < outline->matchCount; ++i)
            otl::hostRelease(outline->host, &outline->matchTable[i].items);
        otl::hostRelease(outline->host, &outline->matchTable);
    }
    outline->matchCount = 0;
}

extern "C" OTL_API void adShrOtlCleanMatch(OtlOutline *outline)
{
    if (outline)
        otlReleaseMatchList(outline);
}

extern "C" OTL_API OtlStatus otlCreateOutlineData(const OtlHostContext *host,
                                                  OtlOutline **outline)
{
    *outline = nullptr;
    OtlOutline *created = nullptr;
    OtlStatus status = otl::hostNew(host, &created);
    if (status != OTL_OK)
        return status;
    created->host = host;
    status = createParts(created);
    if (status != OTL_OK) {
        teardown(created);
        return status;
    }
    *outline = created;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus otlFreeOutlineData(const OtlHostContext *host, OtlOutline *outline)
{
    (void)host; // the outline's own context released everything it holds
    if (outline)
        teardown(outline);
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlCloseOutline(OtlOutline *outline)
{
    if (outline)
        teardown(outline);
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlNewOutline(const OtlHostContext *host,
                                                const OtlOutlineInfo *info,
                                                OtlOutline **outline)
{
    *outline = nullptr;
    OtlOutline *created = nullptr;
    OtlStatus status = otlCreateOutlineData(host, &created);
    if (status != OTL_OK)
        return status;
    created->changeLogEnabled = 0;
    created->caseSensitive = info->caseSensitive ? 1 : 0;
    if (info->outlineType <= OTL_OUTLINE_CURRENCY)
        created->outlineType = info->outlineType;
    else
        status = OTL_ERR_OUTLINE_TYPE;
    created->autoConfigure = info->autoConfigure ? 1 : 0;
    if (status == OTL_OK)
        status = otlNewItem(host, &created->root);
    if (status != OTL_OK) {
        teardown(created);
        return status;
    }
    created->root->generation = 0;
    otl::copyText(created->root->memberName, OTL_ROOT_NAME, OTL_NAME_SIZE);
    *outline = created;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlGetOutlineInfo(OtlOutline *outline, OtlOutlineInfo **info)
{
    *info = nullptr;
    // The size is a 16-bit quantity in the record's own terms; ten tables
    // take 316 bytes, well inside it.
    const uint16_t size = static_cast<uint16_t>(OTL_OUTLINE_INFO_SIZE(outline->aliasTableCount));
    void *block = nullptr;
    OtlStatus status = otl::hostAllocZero(outline->host, size, &block);
    if (status != OTL_OK)
        return status;
    OtlOutlineInfo *filled = static_cast<OtlOutlineInfo *>(block);
    filled->caseSensitive = outline->caseSensitive;
    filled->outlineType = outline->outlineType;
    filled->autoConfigure = outline->autoConfigure;
    filled->aliasTableCount = outline->aliasTableCount;
    for (uint16_t i = 0; i < outline->aliasTableCount && i < OTL_MAX_ALIAS_TABLES; ++i) {
        const char *name = outline->aliasTableNames ? outline->aliasTableNames[i] : nullptr;
        if (name)
            otl::copyText(OTL_OUTLINE_INFO_TABLE(filled, i), name, OTL_TABLE_NAME_SIZE);
    }
    *info = filled;
    return OTL_OK;
}

namespace {

// Turning case sensitivity off must not leave two names that now collide;
// the check runs under the new rule. Nothing is marked on the items: a
// refused change leaves no trace.
OtlStatus checkCaseChange(OtlOutline *outline, const OtlOutlineInfo *info, otl::Journal &journal)
{
    if (!outline->caseSensitive || info->caseSensitive)
        return OTL_OK;
    journal.set(&outline->caseSensitive, 0);
    const uint32_t fault = otlFindDuplicates(outline);
    return fault ? otlFaultsToStatus(fault, 0) : OTL_OK;
}

// A currency outline has at most four dimensions and no dimension of a tag
// kept for normal outlines; a normal one no tag kept for currency outlines.
// The check runs under the new type. A finding that maps to no status
// (the attribute calculations dimension not last) keeps the outline normal
// without failing the call: the other settings still take effect, and
// *type says which type to store.
OtlStatus checkTypeChange(OtlOutline *outline, const OtlOutlineInfo *info, otl::Journal &journal,
                          uint16_t *type)
{
    *type = info->outlineType;
    if (outline->outlineType == OTL_OUTLINE_NORMAL && info->outlineType == OTL_OUTLINE_CURRENCY) {
        journal.set(&outline->outlineType, OTL_OUTLINE_CURRENCY);
        uint32_t word = 0;
        OtlStatus status = otlVerifyOutlineLevel(outline, &word);
        if (status == OTL_OK && word) {
            *type = OTL_OUTLINE_NORMAL;
            return otlFaultsToStatus(word, 0);
        }
        if (status == OTL_OK && otlFindDimByTag(outline, OTL_TAG_CURRENCY_PARTITION))
            status = OTL_ERR_RULE_DIM_TAG;
        return status;
    }
    if (outline->outlineType == OTL_OUTLINE_CURRENCY && info->outlineType == OTL_OUTLINE_NORMAL &&
        otlFindDimByTag(outline, OTL_TAG_CURRENCY_TYPE))
        return OTL_ERR_RULE_DIM_TAG;
    return OTL_OK;
}

} // namespace

// On failure every setting keeps its value.
extern "C" OTL_API OtlStatus adShrOtlSetOutlineInfo(OtlOutline *outline,
                                                    const OtlOutlineInfo *info)
{
    if (info->outlineType > OTL_OUTLINE_CURRENCY)
        return OTL_ERR_OUTLINE_TYPE;
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    otl::Journal journal;
    uint16_t type = OTL_OUTLINE_NORMAL;
    OtlStatus status = checkCaseChange(outline, info, journal);
    if (status == OTL_OK)
        status = checkTypeChange(outline, info, journal, &type);
    if (status != OTL_OK)
        return status;
    journal.commit();
    outline->outlineType = type;
    outline->caseSensitive = info->caseSensitive ? 1 : 0;
    outline->autoConfigure = info->autoConfigure ? 1 : 0;
    outline->verified = 0;
    return OTL_OK;
}
