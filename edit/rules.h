/*
 * Name rules and member rule checks with their fault words. Word 1 holds the
 * member faults, word 2 the attribute faults; bit 0x80000000 of word 1 marks
 * a nonzero word 2. One mapping turns the two words into one status. The
 * checks only report: apart from the attribute flag of a base dimension,
 * they change nothing.
 */
#ifndef SHROTL_EDIT_RULES_H
#define SHROTL_EDIT_RULES_H

#include "shrotl.h"

namespace otl {

constexpr OtlCheckMode kCheckAll = OTL_CHECK_ALL;
constexpr OtlCheckMode kCheckNames = OTL_CHECK_NAMES;         // names and value ranges
constexpr OtlCheckMode kCheckStructure = OTL_CHECK_STRUCTURE; // the tree's shape and sharing

// Word 1 bits.
constexpr uint32_t kFaultName = OTL_FAULT_NAME;
constexpr uint32_t kFaultDuplicate = OTL_FAULT_DUPLICATE;
constexpr uint32_t kFaultCurrency = OTL_FAULT_CURRENCY;
constexpr uint32_t kFaultAlias = OTL_FAULT_ALIAS;
constexpr uint32_t kFaultComboAlias = OTL_FAULT_COMBO_ALIAS;
constexpr uint32_t kFaultComboMember = OTL_FAULT_COMBO_MEMBER;
constexpr uint32_t kFaultDimTag = OTL_FAULT_DIM_TAG;
constexpr uint32_t kFaultNoTimeDim = OTL_FAULT_NO_TIME_DIM;
constexpr uint32_t kFaultNameUsed = OTL_FAULT_NAME_USED;
constexpr uint32_t kFaultAttrFormula = OTL_FAULT_ATTR_FORMULA;
constexpr uint32_t kFaultSharedChildren = OTL_FAULT_SHARED_CHILDREN;
constexpr uint32_t kFaultSharedNoSource = OTL_FAULT_SHARED_NO_SOURCE;
constexpr uint32_t kFaultReserved1000 = OTL_FAULT_RESERVED_1000;
constexpr uint32_t kFaultLabelOnlyLeaf = OTL_FAULT_LABEL_ONLY_LEAF;
constexpr uint32_t kFaultLastNotCalcDim = OTL_FAULT_LAST_NOT_CALC_DIM;
constexpr uint32_t kFaultTimeBalance = OTL_FAULT_TIME_BALANCE;
constexpr uint32_t kFaultSkip = OTL_FAULT_SKIP;
constexpr uint32_t kFaultShareOption = OTL_FAULT_SHARE_OPTION;
constexpr uint32_t kFaultStorage = OTL_FAULT_STORAGE;
constexpr uint32_t kFaultDimTagRange = OTL_FAULT_DIM_TAG_RANGE;
constexpr uint32_t kFaultCategory = OTL_FAULT_CATEGORY;
constexpr uint32_t kFaultCurrencyDims = OTL_FAULT_CURRENCY_DIMS;
constexpr uint32_t kFaultFormulaNotStored = OTL_FAULT_FORMULA_NOT_STORED;
constexpr uint32_t kFaultSharedUda = OTL_FAULT_SHARED_UDA;
constexpr uint32_t kFaultGenLevelName = OTL_FAULT_GEN_LEVEL_NAME;
constexpr uint32_t kFaultWarningChildren = OTL_FAULT_WARNING_CHILDREN;
constexpr uint32_t kFaultAttrMarker = OTL_FAULT_ATTR_MARKER;

// Word 2 bits.
constexpr uint32_t kAttrFaultNonLeaf = OTL_ATTR_FAULT_NON_LEAF;
constexpr uint32_t kAttrFaultLevels = OTL_ATTR_FAULT_LEVELS;
constexpr uint32_t kAttrFaultDimOrder = OTL_ATTR_FAULT_DIM_ORDER;
constexpr uint32_t kAttrFaultValueType = OTL_ATTR_FAULT_VALUE_TYPE;
constexpr uint32_t kAttrFaultMemberType = OTL_ATTR_FAULT_MEMBER_TYPE;
constexpr uint32_t kAttrFaultParent = OTL_ATTR_FAULT_PARENT;
constexpr uint32_t kAttrFaultNotAssociated = OTL_ATTR_FAULT_NOT_ASSOCIATED;
constexpr uint32_t kAttrFaultUda = OTL_ATTR_FAULT_UDA;
constexpr uint32_t kAttrFaultChildCount = OTL_ATTR_FAULT_CHILD_COUNT;
constexpr uint32_t kAttrFaultCalcName = OTL_ATTR_FAULT_CALC_NAME;
constexpr uint32_t kAttrFaultSecondCalcDim = OTL_ATTR_FAULT_SECOND_CALC_DIM;
constexpr uint32_t kAttrFaultMemberProps = OTL_ATTR_FAULT_MEMBER_PROPS;
constexpr uint32_t kAttrFaultReserved1000 = OTL_ATTR_FAULT_RESERVED_1000;
constexpr uint32_t kAttrFaultNotAttribute = OTL_ATTR_FAULT_NOT_ATTRIBUTE;
constexpr uint32_t kAttrFaultReserved4000 = OTL_ATTR_FAULT_RESERVED_4000;
constexpr uint32_t kAttrFaultEmptyDimName = OTL_ATTR_FAULT_EMPTY_DIM_NAME;

// Longest member name, in characters.
constexpr uint32_t kMaxNameChars = 80;
// Children of a computed member above which a warning is given.
constexpr uint32_t kComputedChildWarning = 100;

} // namespace otl

// True when `name` may be used as a member name, alias, currency name,
// generation or level name or user-defined attribute. Reads the host's
// locale only.
bool otlValidateName(const char *name, const OtlHostContext *host);
// Trims blank characters at both ends in place. Returns the allocator's
// status on failure, leaving the text untouched; an empty text allocates
// nothing.
OtlStatus otlTrimBlanks(const OtlHostContext *host, char *text);
// 0 when every member named in a combination's member list ("," or "->"
// separated, quotes allowed) exists as a member name or alias, else 1.
uint32_t otlCheckAliasCombo(const OtlHostContext *host, OtlOutline *outline, OtlItem *root,
                            const char *comboString);

// Word 1 for one linked member; 0 for a null item or the universe member.
uint32_t otlCheckMember(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                        OtlCheckMode mode);
// The word-2 bits that apply to one member of an attribute dimension.
uint32_t otlCheckAttrMember(const OtlHostContext *host, OtlOutline *outline, const OtlItem *item);
// True when the member's name, an alias or an alias-combination text equals
// a generation or level name of any dimension.
bool otlNameIsGenLevelName(const OtlItem *item, const OtlOutline *outline);

OtlStatus otlFaultsToStatus(uint32_t word1, uint32_t word2);

#endif
