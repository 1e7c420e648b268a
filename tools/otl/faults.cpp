// Each fault bit names the status the library maps it to, so the status table
// gives its words; the few bits without a status carry their own text.
#include "faults.h"

#include "shrotl.h"
#include "status.h"

#include <cstdio>

namespace otltool {
namespace {

struct FaultText {
    uint32_t bit;
    OtlStatus status;   // 0: the text below says it
    const char *text;
};

constexpr FaultText kWord1[] = {
    {OTL_FAULT_NAME, OTL_ERR_RULE_NAME, nullptr},
    {OTL_FAULT_DUPLICATE, OTL_ERR_RULE_DUPLICATE, nullptr},
    {OTL_FAULT_CURRENCY, OTL_ERR_RULE_CURRENCY, nullptr},
    {OTL_FAULT_ALIAS, OTL_ERR_ALIAS, nullptr},
    {OTL_FAULT_COMBO_ALIAS, OTL_ERR_RULE_COMBO_ALIAS, nullptr},
    {OTL_FAULT_COMBO_MEMBER, OTL_ERR_RULE_COMBO_MEMBER, nullptr},
    {OTL_FAULT_DIM_TAG, OTL_ERR_RULE_DIM_TAG, nullptr},
    {OTL_FAULT_NO_TIME_DIM, OTL_ERR_RULE_TIME_BALANCE_DIM, nullptr},
    {OTL_FAULT_NAME_USED, OTL_ERR_NAME_USED, nullptr},
    {OTL_FAULT_ATTR_FORMULA, OTL_ERR_RULE_FORMULA, nullptr},
    {OTL_FAULT_SHARED_CHILDREN, OTL_ERR_RULE_SHARED_CHILDREN, nullptr},
    {OTL_FAULT_SHARED_NO_SOURCE, OTL_ERR_RULE_SHARED_NO_SOURCE, nullptr},
    {OTL_FAULT_LABEL_ONLY_LEAF, OTL_ERR_RULE_LABEL_ONLY, nullptr},
    {OTL_FAULT_TIME_BALANCE, OTL_ERR_RULE_TIME_BALANCE, nullptr},
    {OTL_FAULT_SKIP, OTL_ERR_RULE_SKIP, nullptr},
    {OTL_FAULT_SHARE_OPTION, OTL_ERR_RULE_SHARE_OPTION, nullptr},
    {OTL_FAULT_STORAGE, OTL_ERR_RULE_STORAGE, nullptr},
    {OTL_FAULT_DIM_TAG_RANGE, OTL_ERR_RULE_DIM_TAG, nullptr},
    {OTL_FAULT_CATEGORY, OTL_ERR_RULE_CATEGORY, nullptr},
    {OTL_FAULT_CURRENCY_DIMS, OTL_ERR_CURRENCY_DIMS, nullptr},
    {OTL_FAULT_FORMULA_NOT_STORED, OTL_ERR_FORMULA_NOT_STORED, nullptr},
    {OTL_FAULT_SHARED_UDA, OTL_ERR_RULE_SHARED_UDA, nullptr},
    {OTL_FAULT_GEN_LEVEL_NAME, OTL_ERR_RULE_GEN_LEVEL_NAME, nullptr},
    {OTL_FAULT_WARNING_CHILDREN, 0, "warning: a computed member with very many children"},
};

constexpr FaultText kWord2[] = {
    {OTL_ATTR_FAULT_NON_LEAF, OTL_ERR_ATTR_NON_LEAF, nullptr},
    {OTL_ATTR_FAULT_LEVELS, OTL_ERR_ATTR_LEVELS, nullptr},
    {OTL_ATTR_FAULT_DIM_ORDER, OTL_ERR_ATTR_DIM_ORDER, nullptr},
    {OTL_ATTR_FAULT_VALUE_TYPE, OTL_ERR_ATTR_VALUE_TYPE, nullptr},
    {OTL_ATTR_FAULT_MEMBER_TYPE, OTL_ERR_ATTR_MEMBER_TYPE, nullptr},
    {OTL_ATTR_FAULT_PARENT, OTL_ERR_ATTR_PARENT, nullptr},
    {OTL_ATTR_FAULT_NOT_ASSOCIATED, OTL_ERR_ATTR_NOT_ASSOCIATED, nullptr},
    {OTL_ATTR_FAULT_UDA, OTL_ERR_ATTR_UDA, nullptr},
    {OTL_ATTR_FAULT_CHILD_COUNT, OTL_ERR_ATTR_CHILD_COUNT, nullptr},
    {OTL_ATTR_FAULT_CALC_NAME, OTL_ERR_ATTR_CALC_NAME, nullptr},
    {OTL_ATTR_FAULT_SECOND_CALC_DIM, OTL_ERR_ATTR_SECOND_CALC_DIM, nullptr},
    {OTL_ATTR_FAULT_MEMBER_PROPS, OTL_ERR_ATTR_MEMBER_PROPS, nullptr},
    {OTL_ATTR_FAULT_RESERVED_1000, OTL_ERR_ATTR_FAULT_1000, nullptr},
    {OTL_ATTR_FAULT_NOT_ATTRIBUTE, OTL_ERR_ATTR_NOT_ATTRIBUTE, nullptr},
    {OTL_ATTR_FAULT_EMPTY_DIM_NAME, OTL_ERR_ATTR_EMPTY_DIM_NAME, nullptr},
};

constexpr FaultText kOutline[] = {
    {OTL_FAULT_CURRENCY_DIMS, OTL_ERR_CURRENCY_DIMS, nullptr},
    {OTL_FAULT_LAST_NOT_CALC_DIM, 0,
     "attribute dimensions exist, but the last dimension is not the attribute calculations "
     "dimension"},
};

std::string hex(uint32_t bit)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(bit));
    return text;
}

template <size_t N>
void describe(const FaultText (&table)[N], uint32_t word, const char *prefix,
              std::vector<std::string> &lines)
{
    uint32_t named = 0;
    for (const FaultText &entry : table) {
        if (!(word & entry.bit))
            continue;
        named |= entry.bit;
        const char *meaning = entry.status ? statusMeaning(entry.status) : entry.text;
        lines.push_back(prefix + hex(entry.bit) + " " + (meaning ? meaning : "?"));
    }
    for (uint32_t bit = 1; bit; bit <<= 1)
        if ((word & ~named) & bit)
            lines.push_back(prefix + hex(bit) + " (no meaning known to this tool)");
}

} // namespace

std::vector<std::string> describeFaults(uint32_t word1, uint32_t word2)
{
    std::vector<std::string> lines;
    describe(kWord1, word1 & ~OTL_FAULT_ATTR_MARKER, "", lines);
    describe(kWord2, word2, "attribute ", lines);
    return lines;
}

std::vector<std::string> describeOutlineFaults(uint32_t word)
{
    std::vector<std::string> lines;
    describe(kOutline, word, "", lines);
    return lines;
}

} // namespace otltool
