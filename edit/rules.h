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
constexpr uint32_t kFaultName = 0x1;
constexpr uint32_t kFaultDuplicate = 0x2;
constexpr uint32_t kFaultCurrency = 0x4;
constexpr uint32_t kFaultAlias = 0x8;
constexpr uint32_t kFaultComboAlias = 0x10;
constexpr uint32_t kFaultComboMember = 0x20;
constexpr uint32_t kFaultDimTag = 0x40;
constexpr uint32_t kFaultNoTimeDim = 0x80;
constexpr uint32_t kFaultNameUsed = 0x100;
constexpr uint32_t kFaultAttrFormula = 0x200;
constexpr uint32_t kFaultSharedChildren = 0x400;
constexpr uint32_t kFaultSharedNoSource = 0x800;
constexpr uint32_t kFaultReserved1000 = 0x1000; // never set, no status
constexpr uint32_t kFaultLabelOnlyLeaf = 0x2000;
constexpr uint32_t kFaultLastNotCalcDim = 0x4000; // no status
constexpr uint32_t kFaultTimeBalance = 0x8000;
constexpr uint32_t kFaultSkip = 0x10000;
constexpr uint32_t kFaultShareOption = 0x20000;
constexpr uint32_t kFaultStorage = 0x40000;
constexpr uint32_t kFaultDimTagRange = 0x80000;
constexpr uint32_t kFaultCategory = 0x100000;
constexpr uint32_t kFaultCurrencyDims = 0x200000;
constexpr uint32_t kFaultFormulaNotStored = 0x400000;
constexpr uint32_t kFaultSharedUda = 0x800000;
constexpr uint32_t kFaultGenLevelName = 0x1000000;
constexpr uint32_t kFaultWarningChildren = 0x2000000; // a warning: status 0
constexpr uint32_t kFaultAttrMarker = 0x80000000u;

// Word 2 bits.
constexpr uint32_t kAttrFaultNonLeaf = 0x1;
constexpr uint32_t kAttrFaultLevels = 0x2;
constexpr uint32_t kAttrFaultDimOrder = 0x4;
constexpr uint32_t kAttrFaultValueType = 0x8;
constexpr uint32_t kAttrFaultMemberType = 0x10;
constexpr uint32_t kAttrFaultParent = 0x20;
constexpr uint32_t kAttrFaultNotAssociated = 0x40;
constexpr uint32_t kAttrFaultUda = 0x80;
constexpr uint32_t kAttrFaultChildCount = 0x100;
constexpr uint32_t kAttrFaultCalcName = 0x200;
constexpr uint32_t kAttrFaultSecondCalcDim = 0x400;
constexpr uint32_t kAttrFaultMemberProps = 0x800;
constexpr uint32_t kAttrFaultReserved1000 = 0x1000; // set by no check, keeps its code
constexpr uint32_t kAttrFaultNotAttribute = 0x2000;
constexpr uint32_t kAttrFaultReserved4000 = 0x4000; // no status
constexpr uint32_t kAttrFaultEmptyDimName = 0x8000;

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
