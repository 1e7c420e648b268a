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
    {otl::kFaultName, OTL_ERR_RULE_NAME},
    {otl::kFaultDuplicate, OTL_ERR_RULE_DUPLICATE},
    {otl::kFaultCurrency, OTL_ERR_RULE_CURRENCY},
    {otl::kFaultAlias, OTL_ERR_ALIAS},
    {otl::kFaultComboAlias, OTL_ERR_RULE_COMBO_ALIAS},
    {otl::kFaultComboMember, OTL_ERR_RULE_COMBO_MEMBER},
    {otl::kFaultDimTag, OTL_ERR_RULE_DIM_TAG},
    {otl::kFaultNoTimeDim, OTL_ERR_RULE_TIME_BALANCE_DIM},
    {otl::kFaultNameUsed, OTL_ERR_NAME_USED},
    {otl::kFaultAttrFormula, OTL_ERR_RULE_FORMULA},
    {otl::kFaultSharedChildren, OTL_ERR_RULE_SHARED_CHILDREN},
    {otl::kFaultSharedNoSource, OTL_ERR_RULE_SHARED_NO_SOURCE},
    {otl::kFaultLabelOnlyLeaf, OTL_ERR_RULE_LABEL_ONLY},
    {otl::kFaultTimeBalance, OTL_ERR_RULE_TIME_BALANCE},
    {otl::kFaultSkip, OTL_ERR_RULE_SKIP},
    {otl::kFaultShareOption, OTL_ERR_RULE_SHARE_OPTION},
    {otl::kFaultStorage, OTL_ERR_RULE_STORAGE},
    {otl::kFaultDimTagRange, OTL_ERR_RULE_DIM_TAG},
    {otl::kFaultCategory, OTL_ERR_RULE_CATEGORY},
    {otl::kFaultCurrencyDims, OTL_ERR_CURRENCY_DIMS},
    {otl::kFaultFormulaNotStored, OTL_ERR_FORMULA_NOT_STORED},
    {otl::kFaultSharedUda, OTL_ERR_RULE_SHARED_UDA},
    {otl::kFaultGenLevelName, OTL_ERR_RULE_GEN_LEVEL_NAME},
};

// 0x4000 has no status and is not tested.
constexpr FaultCode kWord2Codes[] = {
    {otl::kAttrFaultNonLeaf, OTL_ERR_ATTR_NON_LEAF},
    {otl::kAttrFaultLevels, OTL_ERR_ATTR_LEVELS},
    {otl::kAttrFaultDimOrder, OTL_ERR_ATTR_DIM_ORDER},
    {otl::kAttrFaultValueType, OTL_ERR_ATTR_VALUE_TYPE},
    {otl::kAttrFaultMemberType, OTL_ERR_ATTR_MEMBER_TYPE},
    {otl::kAttrFaultParent, OTL_ERR_ATTR_PARENT},
    {otl::kAttrFaultNotAssociated, OTL_ERR_ATTR_NOT_ASSOCIATED},
    {otl::kAttrFaultUda, OTL_ERR_ATTR_UDA},
    {otl::kAttrFaultChildCount, OTL_ERR_ATTR_CHILD_COUNT},
    {otl::kAttrFaultCalcName, OTL_ERR_ATTR_CALC_NAME},
    {otl::kAttrFaultSecondCalcDim, OTL_ERR_ATTR_SECOND_CALC_DIM},
    {otl::kAttrFaultMemberProps, OTL_ERR_ATTR_MEMBER_PROPS},
    {otl::kAttrFaultReserved1000, OTL_ERR_ATTR_FAULT_1000},
    {otl::kAttrFaultNotAttribute, OTL_ERR_ATTR_NOT_ATTRIBUTE},
    {otl::kAttrFaultEmptyDimName, OTL_ERR_ATTR_EMPTY_DIM_NAME},
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
