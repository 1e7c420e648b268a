/*
 * The aliases of the time series members: one 31-byte slot per alias table
 * in each record. They are not member names: no name lookup, no
 * field-access refusal, and `verified` stays as it is.
 */
#include "names/dts.h"
#include "core/host.h"
#include "edit/rules.h"

#include <string.h>

namespace {

// The slot a call names, after its refusals in this order: the series, the
// alias being set (`alias` is read only when setting), the alias table
// (absent or empty: the default table; compared without regard to case).
// An alias longer than its slot is refused rather than cut, which could
// split a character or make two aliases equal.
OtlStatus findSlot(const OtlOutline *outline, const char *dtsName, const char *tableName,
                   bool setting, const char *alias, char **slot)
{
    OtlDtsMember *record = otlFindDtsMember(outline, dtsName, false);
    if (!record)
        return OTL_ERR_NOT_DTS_NAME;
    if (setting && (!otlValidateName(alias, outline->host) || strlen(alias) >= OTL_TABLE_NAME_SIZE))
        return OTL_ERR_ALIAS;
    uint16_t table = 0;
    if (tableName && tableName[0]) {
        while (table < outline->aliasTableCount &&
               !(outline->aliasTableNames[table] &&
                 otlCompareNoCase(outline->host, outline->aliasTableNames[table], tableName) == 0))
            ++table;
        if (table == outline->aliasTableCount)
            return OTL_ERR_ALIAS_TABLE_NOT_FOUND;
    }
    *slot = record->dtsAliases[table];
    return OTL_OK;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlGetDTSMemberAlias(OtlOutline *outline, const char *dtsName,
                                                       const char *aliasTableName, char **alias)
{
    *alias = nullptr;
    char *slot = nullptr;
    if (OtlStatus refused = findSlot(outline, dtsName, aliasTableName, false, nullptr, &slot))
        return refused;
    char *copy = nullptr;
    const OtlStatus status = otlDupString(outline->host, slot, &copy);
    if (status == OTL_OK)
        *alias = copy;
    return status;
}

extern "C" OTL_API OtlStatus adShrOtlSetDTSMemberAlias(OtlOutline *outline, const char *dtsName,
                                                       const char *alias,
                                                       const char *aliasTableName)
{
    char *slot = nullptr;
    if (OtlStatus refused = findSlot(outline, dtsName, aliasTableName, true, alias, &slot))
        return refused;
    strncpy(slot, alias, OTL_TABLE_NAME_SIZE);
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlDeleteDTSMemberAlias(OtlOutline *outline,
                                                          const char *dtsName,
                                                          const char *aliasTableName)
{
    char *slot = nullptr;
    if (OtlStatus refused = findSlot(outline, dtsName, aliasTableName, false, nullptr, &slot))
        return refused;
    memset(slot, 0, OTL_TABLE_NAME_SIZE);
    return OTL_OK;
}
