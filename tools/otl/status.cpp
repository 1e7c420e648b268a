// The meanings of the status codes. The table lists the codes through their
// names in shrotl.h, so a renumbered code stays right. Each meaning is also
// the comment beside its #define in the header, word for word, and a code
// added there must be added here too (tests/tools/status.cmake compares).
#include "status.h"

#include "host.h"

#include <algorithm>

namespace otltool {
namespace {

constexpr StatusText kTexts[] = {
    {OTL_OK, "success"},
    {OTL_ERR_GENERIC, "missing argument, missing entry or full work stack"},
    {kHostOutOfMemory, "out of memory (the tool's allocator failed)"},
    {OTL_ERR_NO_OUTPUT_ARG, "a required output argument is missing"},
    {OTL_ERR_OUTLINE_TYPE, "outline type is neither normal (0) nor currency (1)"},
    {OTL_ERR_SORT_ORDER, "invalid sort order"},
    {OTL_ERR_SORT_NO_COMPARE, "custom sort order given without a comparison function"},
    {OTL_ERR_ALREADY_CURRENCY, "the outline is already a currency outline"},
    {OTL_ERR_NO_TAG1_DIM, "the outline has no accounts dimension (tag 1)"},
    {OTL_ERR_NO_TIME_DIM, "the outline has no time dimension (tag 2)"},
    {OTL_ERR_NO_TAG3_DIM, "the outline has no dimension carrying currency names (tag 3)"},
    {OTL_ERR_MEMBER_NAME, "invalid member name"},
    {OTL_ERR_CONSOLIDATION, "consolidation operator above 5"},
    {OTL_ERR_INVALID_MOVE, "invalid move (into its own subtree, shared member to dimension "
                           "level, or shared links across dimensions)"},
    {OTL_ERR_NO_DIMENSION, "the member belongs to no dimension"},
    {OTL_ERR_RULE_NAME, "rule fault: invalid member name"},
    {OTL_ERR_RULE_DUPLICATE, "rule fault: duplicate member name, or a shared member made "
                             "non-shared"},
    {OTL_ERR_RULE_CURRENCY, "rule fault: invalid currency name or currency mode"},
    {OTL_ERR_ALIAS, "invalid alias (absent, empty or breaking the name rules)"},
    {OTL_ERR_RULE_COMBO_ALIAS, "rule fault: invalid alias in an alias combination"},
    {OTL_ERR_RULE_COMBO_MEMBER, "rule fault: an alias combination names a missing member"},
    {OTL_ERR_RULE_DIM_TAG, "rule fault: dimension tag repeated or not allowed here"},
    {OTL_ERR_RULE_TIME_BALANCE_DIM, "rule fault: time balance needs a time dimension"},
    {OTL_ERR_NAME_USED, "name or alias already used"},
    {OTL_ERR_RULE_FORMULA, "rule fault: formula on an attribute member, or empty formula"},
    {OTL_ERR_RULE_SHARED_CHILDREN, "rule fault: shared member with children"},
    {OTL_ERR_RULE_SHARED_NO_SOURCE, "rule fault: shared member without a member of its name"},
    {OTL_ERR_RULE_LABEL_ONLY, "rule fault: label-only member without children"},
    {OTL_ERR_RULE_TIME_BALANCE, "rule fault: time balance above 3"},
    {OTL_ERR_RULE_SKIP, "rule fault: skip option above 3"},
    {OTL_ERR_RULE_SHARE_OPTION, "rule fault: share option not valid for the member"},
    {OTL_ERR_RULE_STORAGE, "rule fault: storage type not valid for the dimension"},
    {OTL_ERR_RULE_CATEGORY, "rule fault: invalid dimension category"},
    {OTL_ERR_ALIAS_TABLE_NOT_FOUND, "alias table not found"},
    {OTL_ERR_UDA_NAME, "user-defined attribute breaks the name rules"},
    {OTL_ERR_UDA_NOT_FOUND, "the member has no such user-defined attribute"},
    {OTL_ERR_ALIAS_TABLE_LIMIT, "more than 10 alias tables"},
    {OTL_ERR_ALIAS_TABLE_NAME_LONG, "alias table name longer than 30 bytes"},
    {OTL_ERR_ALIAS_TABLE_NAME_USED, "alias table name empty or already used"},
    {OTL_ERR_ALIAS_TABLE0_RENAME, "the default alias table cannot be renamed"},
    {OTL_ERR_ALIAS_TABLE0_DELETE, "the default alias table cannot be deleted"},
    {OTL_ERR_CHANGE_KIND, "change record of an unknown kind"},
    {OTL_ERR_FILE, "reading or writing the outline file failed"},
    {OTL_ERR_CURRENCY_DIMS, "a currency outline has at most 4 dimensions"},
    {OTL_ERR_ATTR_CALC_NAME_USED, "attribute calculation member name already used"},
    {OTL_ERR_MEMBER_NAME_USED, "member name already used by a member or an alias"},
    {OTL_ERR_AUTOCONFIG_DIMS, "automatic storage configuration refused: over 25 dimensions"},
    {OTL_ERR_NOT_VERIFIED, "save refused: the outline failed verification"},
    {OTL_ERR_NO_GEN_LEVEL_NAME, "no generation or level name for that number"},
    {OTL_ERR_GEN_LEVEL_NAME, "generation or level name breaks the name rules"},
    {OTL_ERR_GEN_LEVEL_NAME_USED, "generation or level name already used"},
    {OTL_ERR_DIM_NOT_FOUND, "dimension not found, or the member is not a dimension"},
    {OTL_ERR_FORMULA_NOT_STORED, "formula on a label-only or shared member"},
    {OTL_ERR_COMBO_NOT_FOUND, "no alias combination with that alias"},
    {OTL_ERR_GEN_LEVEL_EXISTS, "the dimension already names that generation or level"},
    {OTL_ERR_GENERATION_ZERO, "generation number 0"},
    {OTL_ERR_NO_ALIAS, "no alias to delete"},
    {OTL_ERR_NO_FORMULA, "no formula to delete"},
    {OTL_ERR_RULE_SHARED_UDA, "rule fault: user-defined attribute on a shared member"},
    {OTL_ERR_GEN_LEVEL_IS_MEMBER, "generation or level name equals a member name or alias"},
    {OTL_ERR_RULE_GEN_LEVEL_NAME, "rule fault: name or alias equals a generation or level "
                                  "name"},
    {OTL_ERR_ALIAS_TABLE_SELF_COPY, "alias table copied onto itself"},
    {OTL_ERR_ACCESS_MODE, "not available in the outline's field-access mode"},
    {OTL_ERR_LIST_SELECTOR, "listing selector above 3"},
    {OTL_ERR_NOT_DTS_NAME, "not a dynamic time series name"},
    {OTL_ERR_DIM_CHANGE_TEXT, "change text of a deleted dimension names a shared or computed "
                              "member"},
    {OTL_ERR_DTS_NOT_ENABLED, "time series not enabled at that generation"},
    {OTL_ERR_COMMENT_LONG, "extended comment longer than 8192 bytes"},
    {OTL_ERR_ATTR_NOT_ASSOCIATED, "attribute fault: attribute dimension not associated with "
                                  "the base dimension"},
    {OTL_ERR_ATTR_LEVELS, "attribute fault: base members of one attribute dimension at "
                          "different levels"},
    {OTL_ERR_ATTR_NOT_ATTRIBUTE, "attribute fault: not an attribute dimension or member"},
    {OTL_ERR_ATTR_IN_ATTR_DIM, "base dimension or member lies in an attribute dimension"},
    {OTL_ERR_ATTR_NON_LEAF, "attribute fault: non-leaf attribute member, or two-valued "
                            "member not 0 or 1"},
    {OTL_ERR_ATTR_ALREADY, "already associated"},
    {OTL_ERR_ATTR_STORAGE, "dimension to associate is not sparse (storage type 1)"},
    {OTL_ERR_ATTR_NO_ASSOCIATION, "no such attribute association on the base member"},
    {OTL_ERR_ATTR_DIM_ORDER_ADD, "an attribute dimension cannot precede a base dimension"},
    {OTL_ERR_ATTR_SHARED_BASE, "base member is shared or label only"},
    {OTL_ERR_ATTR_NAME_LONG, "composed attribute member name longer than 80 bytes"},
    {OTL_ERR_ATTR_CALC_NAME_MISSING, "attribute calculation member name missing"},
    {OTL_ERR_SPEC_AFFIX, "attribute naming: affix position above 1"},
    {OTL_ERR_SPEC_NAME_FORMAT, "attribute naming: name format above 4"},
    {OTL_ERR_SPEC_SEPARATOR, "attribute naming: separator not 0, 1 or 2"},
    {OTL_ERR_SPEC_DATE_FORMAT, "attribute naming: date format above 1"},
    {OTL_ERR_SPEC_EXTRA, "attribute naming: fifth choice above 1"},
    {OTL_ERR_ATTR_NOT_NUMBER, "member of a numeric attribute dimension is not a number"},
    {OTL_ERR_ATTR_NOT_BOOLEAN, "member of a boolean attribute dimension is not the true or "
                               "false text"},
    {OTL_ERR_ATTR_NOT_DATE, "member of a date attribute dimension is not a valid date"},
    {OTL_ERR_ATTR_DIM_ORDER, "attribute fault: dimensions in the wrong order"},
    {OTL_ERR_ATTR_VALUE_TYPE, "attribute fault: value type out of range or unlike its "
                              "dimension's"},
    {OTL_ERR_ATTR_MEMBER_TYPE, "attribute fault: associated member of another value type"},
    {OTL_ERR_ATTR_PARENT, "attribute fault: attribute member under a non-attribute parent"},
    {OTL_ERR_ATTR_UDA, "attribute fault: attribute member with user-defined attributes"},
    {OTL_ERR_ATTR_MARKER, "attribute fault marker without a known attribute fault"},
    {OTL_ERR_ATTR_CALC_MEMBER, "attribute calculation members cannot be changed this way"},
    {OTL_ERR_ATTR_EMPTY_DIM_NAME, "attribute fault: empty attribute dimension whose name is no "
                                  "valid value"},
    {OTL_ERR_ATTR_CHILD_COUNT, "attribute fault: wrong number of children"},
    {OTL_ERR_ATTR_CALC_NAME, "attribute fault: attribute calculation member name differs from "
                             "the settings"},
    {OTL_ERR_ATTR_SECOND_CALC_DIM, "attribute fault: second attribute calculations dimension"},
    {OTL_ERR_ATTR_MEMBER_PROPS, "attribute fault: attribute member with currency or accounts "
                                "properties"},
    {OTL_ERR_ATTR_FAULT_1000, "attribute fault 0x1000 (set by no check)"},
    {OTL_ERR_ATTR_CALC_CREATE, "creating the attribute calculations dimension failed"},
    {OTL_ERR_ATTR_CALC_NAME_CLASH, "attribute calculations name already used"},
    {OTL_ERR_ATTR_DISASSOCIATE, "a dimension has no attribute members to associate or disassociate"},
    {OTL_ERR_ATTR_RENAME_UNDO, "undoing a partial renaming of attribute members failed"},
    {OTL_ERR_ATTR_REBUILT_NAME, "rebuilt attribute member name belongs to another member"},
    {OTL_ERR_FIELD_MASK, "field not available in the member's field mask, or bad field "
                         "selector"},
    {OTL_ERR_UNKNOWN_TAG, "the outline file holds an element tag the reader does not know"},
};

constexpr bool ascending()
{
    for (size_t i = 1; i < std::size(kTexts); ++i)
        if (kTexts[i - 1].code >= kTexts[i].code)
            return false;
    return true;
}
// The lookup below is a binary search.
static_assert(ascending(), "status table must be sorted by code, without repeats");

} // namespace

std::span<const StatusText> statusTable()
{
    return kTexts;
}

const char *statusMeaning(OtlStatus code)
{
    auto found = std::lower_bound(std::begin(kTexts), std::end(kTexts), code,
                                  [](const StatusText &t, OtlStatus c) { return t.code < c; });
    return found != std::end(kTexts) && found->code == code ? found->meaning : nullptr;
}

std::string describeStatus(OtlStatus code)
{
    const char *meaning = statusMeaning(code);
    return std::to_string(code) + " " + (meaning ? meaning : "unknown status");
}

CallFailed::CallFailed(OtlStatus status, const std::string &doing)
    : std::runtime_error(doing + ": " + describeStatus(status)), status_(status)
{
}

void check(OtlStatus status, std::string_view doing)
{
    if (status != OTL_OK)
        throw CallFailed(status, std::string(doing));
}

} // namespace otltool
