/*
 * Record layouts. Every record that crosses the library boundary (and the
 * internal records they point to) has its 32-bit size, and on a wider build
 * that size plus the growth of its pointer fields and handles: nothing but
 * pointers changes width. The offsets other libraries and the host read are
 * fixed the same way.
 */
#include "records.h"

#include <stddef.h>

namespace {

constexpr size_t kPointerGrowth = sizeof(void *) - 4;

constexpr size_t layoutSize(size_t size32, size_t pointers)
{
    return size32 + pointers * kPointerGrowth;
}

} // namespace

#define OTL_CHECK_SIZE(type, size32, pointers)                       \
    static_assert(sizeof(type) == layoutSize(size32, pointers),     \
                  #type " must be " #size32 " bytes on a 32-bit build")
#define OTL_CHECK_OFFSET(type, field, offset32, pointersBefore)                   \
    static_assert(offsetof(type, field) == layoutSize(offset32, pointersBefore), \
                  #type "." #field " must lie at " #offset32 " on a 32-bit build")

static_assert(sizeof(OtlHandle) == sizeof(void *), "handles are pointer-wide");

OTL_CHECK_SIZE(OtlHostContext, 27, 5);
OTL_CHECK_OFFSET(OtlHostContext, clientVersion, 3, 0);
OTL_CHECK_OFFSET(OtlHostContext, allocate, 7, 0);
OTL_CHECK_OFFSET(OtlHostContext, memoryHandle, 19, 3);
OTL_CHECK_OFFSET(OtlHostContext, localeHandle, 23, 4);

OTL_CHECK_SIZE(OtlAttribute, 10, 0);
OTL_CHECK_SIZE(OtlAttrSpecs, 41, 8);
OTL_CHECK_OFFSET(OtlAttrSpecs, separator, 4, 0);
OTL_CHECK_OFFSET(OtlAttrSpecs, trueName, 9, 0);
OTL_CHECK_SIZE(OtlOutlineInfo, 37, 0);
OTL_CHECK_OFFSET(OtlOutlineInfo, aliasTableNames, 6, 0);
OTL_CHECK_SIZE(OtlModuleRecord, 107, 1);
OTL_CHECK_SIZE(OtlDimStats, 16, 0);
OTL_CHECK_SIZE(OtlFileStats, 52, 3);
OTL_CHECK_SIZE(OtlAttrLink, 8, 1);
OTL_CHECK_SIZE(OtlAliasSlot, 8, 2);
OTL_CHECK_SIZE(OtlAliasCombo, 12, 3);
OTL_CHECK_OFFSET(OtlAliasCombo, memberList, 4, 1);
OTL_CHECK_OFFSET(OtlAliasCombo, next, 8, 2);

// The item: 399 bytes, of which the first 184 are the legacy member record.
OTL_CHECK_SIZE(OtlAttrLinkVariant, 11, 2);
OTL_CHECK_SIZE(OtlItem, 399, 37);
OTL_CHECK_OFFSET(OtlItem, level, 81, 0);
OTL_CHECK_OFFSET(OtlItem, currencyName, 91, 0);
OTL_CHECK_OFFSET(OtlItem, dimensionCategory, 182, 0);
OTL_CHECK_OFFSET(OtlItem, comment, 184, 0);
OTL_CHECK_OFFSET(OtlItem, childCountOrValue, 188, 1);
OTL_CHECK_OFFSET(OtlItem, attrValueType, 197, 2);
OTL_CHECK_OFFSET(OtlItem, attrValue, 199, 2);
OTL_CHECK_OFFSET(OtlItem, aliases, 219, 5);
OTL_CHECK_OFFSET(OtlItem, userAttributes, 299, 25);
OTL_CHECK_OFFSET(OtlItem, faultFlags, 307, 27);
OTL_CHECK_OFFSET(OtlItem, marked, 319, 27);
OTL_CHECK_OFFSET(OtlItem, dimensionNumber, 321, 27);
OTL_CHECK_OFFSET(OtlItem, nextSibling, 333, 27);
OTL_CHECK_OFFSET(OtlItem, firstChild, 345, 30);
OTL_CHECK_OFFSET(OtlItem, pooled, 349, 31);
OTL_CHECK_OFFSET(OtlItem, attrRole, 350, 31);
OTL_CHECK_OFFSET(OtlItem, associationMatrix, 352, 31);
OTL_CHECK_OFFSET(OtlItem, attrLink, 356, 32);
OTL_CHECK_OFFSET(OtlItem, dimChanged, 367, 34);
OTL_CHECK_OFFSET(OtlItem, fieldMask, 368, 34);
OTL_CHECK_OFFSET(OtlItem, fieldAccessWord, 376, 34);
OTL_CHECK_OFFSET(OtlItem, fieldMaskActive, 381, 34);
OTL_CHECK_OFFSET(OtlItem, hostAttrCount, 383, 34);

// The change record: hosts read its text slots from the offset of `text`.
OTL_CHECK_SIZE(OtlChangeRecord, 18, 3);
OTL_CHECK_OFFSET(OtlChangeRecord, next, 6, 0);
OTL_CHECK_OFFSET(OtlChangeRecord, prev, 10, 1);
OTL_CHECK_OFFSET(OtlChangeRecord, text, 14, 2);

OTL_CHECK_SIZE(OtlOutline, 501, 30);
OTL_CHECK_OFFSET(OtlOutline, host, 4, 1);
OTL_CHECK_OFFSET(OtlOutline, fileHeader, 27, 5);
OTL_CHECK_OFFSET(OtlOutline, fieldAccessMode, 327, 5);
OTL_CHECK_OFFSET(OtlOutline, stats, 388, 17);
OTL_CHECK_OFFSET(OtlOutline, attrSpecs, 440, 20);
OTL_CHECK_OFFSET(OtlOutline, dimTable, 497, 29);

// Internal records.
OTL_CHECK_SIZE(OtlHashEntry, 27, 2);
OTL_CHECK_SIZE(OtlHashBucket, 12, 1);
OTL_CHECK_SIZE(OtlPoolBlock, 16, 2);
OTL_CHECK_SIZE(OtlAliasCombo, 12, 3);
OTL_CHECK_SIZE(OtlUserAttr, 8, 2);
OTL_CHECK_SIZE(OtlGenLevelName, 11, 2);
OTL_CHECK_SIZE(OtlDtsMember, 475, 0);
OTL_CHECK_SIZE(OtlMatchSlot, 12, 2);

OTL_CHECK_SIZE(OtlMbrInfo, 536, 0);
OTL_CHECK_OFFSET(OtlMbrInfo, comment, 184, 0);
OTL_CHECK_OFFSET(OtlMbrInfo, childCount, 440, 0);
OTL_CHECK_OFFSET(OtlMbrInfo, attrValue, 528, 0);
static_assert(offsetof(OtlMbrInfo, comment) == OTL_MBRINFO_LEGACY_SIZE &&
                  sizeof(OtlMbrInfo) == OTL_MBRINFO_FULL_SIZE,
              "member information forms");
static_assert(offsetof(OtlItem, comment) == OTL_MBRINFO_LEGACY_SIZE,
              "the item's first block is the legacy member record");

// One associated attribute handed out in field-access mode.
OTL_CHECK_SIZE(OtlAttrInfo, 172, 0);
OTL_CHECK_OFFSET(OtlAttrInfo, infoText1, 81, 0);
OTL_CHECK_OFFSET(OtlAttrInfo, infoValue, 162, 0);

// Generation and level names, user-defined attributes and time series: the
// list records a host walks and the records handed to it.
OTL_CHECK_SIZE(OtlUserAttr, 8, 2);
OTL_CHECK_OFFSET(OtlUserAttr, next, 4, 1);
OTL_CHECK_SIZE(OtlGenLevelName, 11, 2);
OTL_CHECK_OFFSET(OtlGenLevelName, nameKind, 4, 1);
OTL_CHECK_OFFSET(OtlGenLevelName, nameNumber, 5, 1);
OTL_CHECK_OFFSET(OtlGenLevelName, nextName, 7, 1);
OTL_CHECK_SIZE(OtlGenLevelEntry, 83, 0);
OTL_CHECK_OFFSET(OtlGenLevelEntry, name, 2, 0);
static_assert(sizeof(OtlNameSlot) == OTL_NAME_SIZE, "a name slot is 81 bytes");
OTL_CHECK_SIZE(OtlDimUdaRequest, 12, 1);
OTL_CHECK_OFFSET(OtlDimUdaRequest, dimensionName, 8, 0);
OTL_CHECK_SIZE(OtlDimUdaInfo, 16, 0);
OTL_CHECK_OFFSET(OtlDimUdaInfo, count, 12, 0);
OTL_CHECK_SIZE(OtlDtsEntry, 83, 0);
OTL_CHECK_OFFSET(OtlDtsEntry, generation, 81, 0);

// A verification report entry: the legacy form is the full one without its
// last word.
OTL_CHECK_SIZE(OtlFaultEntry, 12, 1);
OTL_CHECK_OFFSET(OtlFaultEntry, faultFlags, 4, 1);
OTL_CHECK_OFFSET(OtlFaultEntry, attrFaultFlags, 8, 1);
static_assert(OTL_FAULT_ENTRY_LEGACY_SIZE == layoutSize(8, 1) &&
                  OTL_FAULT_ENTRY_SIZE(OTL_CLIENT_ATTR_RULES) == sizeof(OtlFaultEntry) &&
                  OTL_FAULT_ENTRY_SIZE(OTL_CLIENT_ATTR_RULES - 1) == OTL_FAULT_ENTRY_LEGACY_SIZE,
              "fault entry forms");
