/*
 * The one mapping from fault words to a status. Word 1 bits are tested in
 * ascending order and the first set bit decides; the warning bit 0x2000000
 * then means success; only after that is word 2 consulted.
 */
#include "edit/rules.h"

namespace {

struct FaultCode {
    uint32_t bit;
    OtlStatus status;
};

// 0x1000 and 0x4000 have no status of their own and are not tested.
constexpr FaultCode kWord1Codes[] = {
    {0x1, OTL_ERR_RULE_NAME},
    {0x2, OTL_ERR_RULE_DUPLICATE},
    {0x4, OTL_ERR_RULE_CURRENCY},
    {0x8, OTL_ERR_ALIAS},
    {0x10, OTL_ERR_RULE_COMBO_ALIAS},
    {0x20, OTL_ERR_RULE_COMBO_MEMBER},
    {0x40, OTL_ERR_RULE_DIM_TAG},
    {0x80, OTL_ERR_RULE_TIME_BALANCE_DIM},
    {0x100, OTL_ERR_NAME_USED},
    {0x200, OTL_ERR_RULE_FORMULA},
    {0x400, OTL_ERR_RULE_SHARED_CHILDREN},
    {0x800, OTL_ERR_RULE_SHARED_NO_SOURCE},
    {0x2000, OTL_ERR_RULE_LABEL_ONLY},
    {0x8000, OTL_ERR_RULE_TIME_BALANCE},
    {0x10000, OTL_ERR_RULE_SKIP},
    {0x20000, OTL_ERR_RULE_SHARE_OPTION},
    {0x40000, OTL_ERR_RULE_STORAGE},
    {0x80000, OTL_ERR_RULE_DIM_TAG},
    {0x100000, OTL_ERR_RULE_CATEGORY},
    {0x200000, OTL_ERR_CURRENCY_DIMS},
    {0x400000, OTL_ERR_FORMULA_NOT_STORED},
    {0x800000, OTL_ERR_RULE_SHARED_UDA},
    {0x1000000, OTL_ERR_RULE_GEN_LEVEL_NAME},
};

// 0x4000 has no status and is not tested.
constexpr FaultCode kWord2Codes[] = {
    {0x1, OTL_ERR_ATTR_NON_LEAF},
    {0x2, OTL_ERR_ATTR_LEVELS},
    {0x4, OTL_ERR_ATTR_DIM_ORDER},
    {0x8, OTL_ERR_ATTR_VALUE_TYPE},
    {0x10, OTL_ERR_ATTR_MEMBER_TYPE},
    {0x20, OTL_ERR_ATTR_PARENT},
    {0x40, OTL_ERR_ATTR_NOT_ASSOCIATED},
    {0x80, OTL_ERR_ATTR_UDA},
    {0x100, OTL_ERR_ATTR_CHILD_COUNT},
    {0x200, OTL_ERR_ATTR_CALC_NAME},
    {0x400, OTL_ERR_ATTR_SECOND_CALC_DIM},
    {0x800, OTL_ERR_ATTR_MEMBER_PROPS},
    {0x1000, OTL_ERR_ATTR_FAULT_1000},
    {0x2000, OTL_ERR_ATTR_NOT_ATTRIBUTE},
    {0x8000, OTL_ERR_ATTR_EMPTY_DIM_NAME},
};

template <size_t N>
OtlStatus firstCode(const FaultCode (&table)[N], uint32_t word)
{
    for (const FaultCode &entry : table)
        if (word & entry.bit)
            return entry.status;
    return OTL_OK;
}

} // namespace

OtlStatus otlFaultsToStatus(uint32_t word1, uint32_t word2)
{
    if (word1 == 0)
        return OTL_OK;
    OtlStatus status = firstCode(kWord1Codes, word1);
    if (status != OTL_OK)
        return status;
    if (word1 & otl::kFaultWarningChildren)
        return OTL_OK;
    status = firstCode(kWord2Codes, word2);
    if (status != OTL_OK)
        return status;
    if ((word1 & otl::kFaultAttrMarker) && word2 == 0)
        return OTL_ERR_ATTR_MARKER;
    return OTL_OK;
}
