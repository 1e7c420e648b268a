/*
 * shrotl: the shared outline library.
 *
 * Keeps the outline of a multidimensional database in memory and lets its
 * callers create, load, edit, verify and save it. Plain C interface: every
 * operation returns an OtlStatus (0 = success); every byte the library holds
 * is obtained through the caller's OtlHostContext callbacks.
 *
 * Records that cross this boundary are byte-packed. On a 32-bit build each
 * has exactly its documented size; on a 64-bit build every pointer field and
 * opaque handle is pointer-wide and nothing else changes.
 */
#ifndef SHROTL_H
#define SHROTL_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define OTL_API __declspec(dllexport)
#elif defined(__GNUC__)
#define OTL_API __attribute__((visibility("default")))
#else
#define OTL_API
#endif

typedef uint32_t OtlStatus;
/* An opaque value chosen by the host: 32 bits on a 32-bit build, wide enough
 * for a pointer on a 64-bit one. */
typedef uintptr_t OtlHandle;
typedef uint8_t OtlBool;

/* ------------------------------------------------------------------------
 * Status codes
 * ---------------------------------------------------------------------- */
#define OTL_OK 0u
/* Generic internal result: missing argument, missing entry, full work stack. */
#define OTL_ERR_GENERIC 1u
/* The reader met an element tag it does not know. */
#define OTL_ERR_UNKNOWN_TAG 2097152u

#define OTL_ERR_NO_OUTPUT_ARG 1060001u
#define OTL_ERR_OUTLINE_TYPE 1060002u
#define OTL_ERR_SORT_ORDER 1060003u
#define OTL_ERR_SORT_NO_COMPARE 1060004u
#define OTL_ERR_ALREADY_CURRENCY 1060006u
#define OTL_ERR_NO_TAG1_DIM 1060007u
#define OTL_ERR_NO_TIME_DIM 1060008u
#define OTL_ERR_NO_TAG3_DIM 1060009u
#define OTL_ERR_MEMBER_NAME 1060010u
#define OTL_ERR_CONSOLIDATION 1060011u
#define OTL_ERR_INVALID_MOVE 1060013u
#define OTL_ERR_NO_DIMENSION 1060014u
#define OTL_ERR_RULE_NAME 1060015u
#define OTL_ERR_RULE_DUPLICATE 1060016u
#define OTL_ERR_RULE_CURRENCY 1060017u
#define OTL_ERR_ALIAS 1060018u
#define OTL_ERR_RULE_COMBO_ALIAS 1060019u
#define OTL_ERR_RULE_COMBO_MEMBER 1060020u
#define OTL_ERR_RULE_DIM_TAG 1060021u
#define OTL_ERR_RULE_TIME_BALANCE_DIM 1060022u
#define OTL_ERR_NAME_USED 1060023u
#define OTL_ERR_RULE_FORMULA 1060024u
#define OTL_ERR_RULE_SHARED_CHILDREN 1060025u
#define OTL_ERR_RULE_SHARED_NO_SOURCE 1060026u
#define OTL_ERR_RULE_LABEL_ONLY 1060028u
#define OTL_ERR_RULE_TIME_BALANCE 1060030u
#define OTL_ERR_RULE_SKIP 1060031u
#define OTL_ERR_RULE_SHARE_OPTION 1060032u
#define OTL_ERR_RULE_STORAGE 1060033u
#define OTL_ERR_RULE_CATEGORY 1060034u
#define OTL_ERR_ALIAS_TABLE_NOT_FOUND 1060035u
#define OTL_ERR_UDA_NAME 1060036u
#define OTL_ERR_UDA_NOT_FOUND 1060037u
#define OTL_ERR_ALIAS_TABLE_LIMIT 1060038u
#define OTL_ERR_ALIAS_TABLE_NAME_LONG 1060039u
#define OTL_ERR_ALIAS_TABLE_NAME_USED 1060040u
#define OTL_ERR_ALIAS_TABLE0_RENAME 1060041u
#define OTL_ERR_ALIAS_TABLE0_DELETE 1060042u
#define OTL_ERR_CHANGE_KIND 1060045u
#define OTL_ERR_FILE 1060047u
#define OTL_ERR_CURRENCY_DIMS 1060049u
#define OTL_ERR_ATTR_CALC_NAME_USED 1060050u
#define OTL_ERR_MEMBER_NAME_USED 1060051u
#define OTL_ERR_AUTOCONFIG_DIMS 1060052u
#define OTL_ERR_NOT_VERIFIED 1060053u
#define OTL_ERR_NO_GEN_LEVEL_NAME 1060054u
#define OTL_ERR_GEN_LEVEL_NAME 1060055u
#define OTL_ERR_GEN_LEVEL_NAME_USED 1060056u
#define OTL_ERR_DIM_NOT_FOUND 1060057u
#define OTL_ERR_FORMULA_NOT_STORED 1060058u
#define OTL_ERR_COMBO_NOT_FOUND 1060059u
#define OTL_ERR_GEN_LEVEL_EXISTS 1060060u
#define OTL_ERR_GENERATION_ZERO 1060061u
#define OTL_ERR_NO_ALIAS 1060062u
#define OTL_ERR_NO_FORMULA 1060063u
#define OTL_ERR_RULE_SHARED_UDA 1060064u
#define OTL_ERR_GEN_LEVEL_IS_MEMBER 1060065u
#define OTL_ERR_RULE_GEN_LEVEL_NAME 1060066u
#define OTL_ERR_ALIAS_TABLE_SELF_COPY 1060067u
#define OTL_ERR_ACCESS_MODE 1060068u
#define OTL_ERR_LIST_SELECTOR 1060069u
#define OTL_ERR_NOT_DTS_NAME 1060075u
#define OTL_ERR_DIM_CHANGE_TEXT 1060076u
#define OTL_ERR_DTS_NOT_ENABLED 1060077u
#define OTL_ERR_COMMENT_LONG 1060079u
#define OTL_ERR_ATTR_NOT_ASSOCIATED 1060081u
#define OTL_ERR_ATTR_LEVELS 1060082u
#define OTL_ERR_ATTR_NOT_ATTRIBUTE 1060083u
#define OTL_ERR_ATTR_IN_ATTR_DIM 1060084u
#define OTL_ERR_ATTR_NON_LEAF 1060085u
#define OTL_ERR_ATTR_ALREADY 1060086u
#define OTL_ERR_ATTR_STORAGE 1060087u
#define OTL_ERR_ATTR_NO_ASSOCIATION 1060088u
#define OTL_ERR_ATTR_DIM_ORDER_ADD 1060089u
#define OTL_ERR_ATTR_SHARED_BASE 1060090u
#define OTL_ERR_ATTR_NAME_LONG 1060091u
#define OTL_ERR_ATTR_CALC_NAME_MISSING 1060092u
#define OTL_ERR_SPEC_AFFIX 1060093u
#define OTL_ERR_SPEC_NAME_FORMAT 1060094u
#define OTL_ERR_SPEC_SEPARATOR 1060095u
#define OTL_ERR_SPEC_DATE_FORMAT 1060096u
#define OTL_ERR_SPEC_EXTRA 1060097u
#define OTL_ERR_ATTR_NOT_NUMBER 1060098u
#define OTL_ERR_ATTR_NOT_BOOLEAN 1060099u
#define OTL_ERR_ATTR_NOT_DATE 1060100u
#define OTL_ERR_ATTR_DIM_ORDER 1060101u
#define OTL_ERR_ATTR_VALUE_TYPE 1060102u
#define OTL_ERR_ATTR_MEMBER_TYPE 1060103u
#define OTL_ERR_ATTR_PARENT 1060104u
#define OTL_ERR_ATTR_UDA 1060105u
#define OTL_ERR_ATTR_MARKER 1060106u
#define OTL_ERR_ATTR_CALC_MEMBER 1060107u
#define OTL_ERR_ATTR_EMPTY_DIM_NAME 1060108u
#define OTL_ERR_ATTR_CHILD_COUNT 1060109u
#define OTL_ERR_ATTR_CALC_NAME 1060110u
#define OTL_ERR_ATTR_SECOND_CALC_DIM 1060111u
#define OTL_ERR_ATTR_MEMBER_PROPS 1060112u
#define OTL_ERR_ATTR_FAULT_1000 1060113u
#define OTL_ERR_ATTR_CALC_CREATE 1060114u
#define OTL_ERR_ATTR_CALC_NAME_CLASH 1060115u
#define OTL_ERR_ATTR_DISASSOCIATE 1060116u
#define OTL_ERR_ATTR_RENAME_UNDO 1060118u
#define OTL_ERR_ATTR_REBUILT_NAME 1060119u
#define OTL_ERR_FIELD_MASK 1060120u

/* ------------------------------------------------------------------------
 * Limits and fixed texts
 * ---------------------------------------------------------------------- */
#define OTL_NAME_SIZE 81           /* member names: 80 characters + NUL */
#define OTL_TABLE_NAME_SIZE 31     /* alias table names, time series aliases */
#define OTL_MAX_ALIAS_TABLES 10
#define OTL_DTS_COUNT 8
#define OTL_FILE_HEADER_SIZE 300
#define OTL_HASH_BUCKETS 3313
#define OTL_UNIVERSE_NAME "Quorvel Universe Member"
#define OTL_ROOT_NAME "Database (undefined)"
#define OTL_DEFAULT_ALIAS_TABLE "Default"
#define OTL_MODULE_VERSION "6.0.0 Patch3(01/09/2001)"

/* clientVersion thresholds */
#define OTL_CLIENT_LONG_MBRINFO 0x50000u
#define OTL_CLIENT_ATTR_RULES 0x50500u
#define OTL_CLIENT_ATTR_MBRINFO 0x50700u

#pragma pack(push, 1)

/* ------------------------------------------------------------------------
 * Host context
 *
 * Each memory callback is called in one of two forms, chosen by its own
 * mode byte: mode 1 passes memoryHandle first, any other mode uses the
 * short form.
 * ---------------------------------------------------------------------- */
typedef OtlStatus (*OtlAllocateShortFn)(uint32_t size, void **block);
typedef OtlStatus (*OtlAllocateHandleFn)(OtlHandle memoryHandle, uint32_t zero,
                                         uint32_t size, void **block);
/* Short form: *block holds the old block on entry. */
typedef OtlStatus (*OtlReallocateShortFn)(uint32_t newSize, void **block);
typedef OtlStatus (*OtlReallocateHandleFn)(OtlHandle memoryHandle, uint32_t newSize,
                                           void *oldBlock, void **block);
typedef OtlStatus (*OtlFreeShortFn)(void *block);
typedef OtlStatus (*OtlFreeHandleFn)(OtlHandle memoryHandle, void *block);

typedef union OtlAllocateCallback {
    OtlAllocateShortFn shortForm;
    OtlAllocateHandleFn handleForm;
} OtlAllocateCallback;

typedef union OtlReallocateCallback {
    OtlReallocateShortFn shortForm;
    OtlReallocateHandleFn handleForm;
} OtlReallocateCallback;

typedef union OtlFreeCallback {
    OtlFreeShortFn shortForm;
    OtlFreeHandleFn handleForm;
} OtlFreeCallback;

#define OTL_CALL_HANDLE_FIRST 1

typedef struct OtlHostContext {
    uint8_t allocMode;
    uint8_t reallocMode;
    uint8_t freeMode;
    uint32_t clientVersion;
    OtlAllocateCallback allocate;
    OtlReallocateCallback reallocate;
    OtlFreeCallback freeMemory;
    OtlHandle memoryHandle;
    OtlHandle localeHandle; /* passed first to every character-set call */
} OtlHostContext;

/* ------------------------------------------------------------------------
 * Attribute values and specifications
 * ---------------------------------------------------------------------- */
#define OTL_ATTR_NONE 0
#define OTL_ATTR_NUMERIC 8
#define OTL_ATTR_BOOLEAN 9
#define OTL_ATTR_TEXT 10
#define OTL_ATTR_DATE 11
#define OTL_ATTR_DIM_TYPE 255

typedef struct OtlAttribute {
    uint16_t type;
    union {
        double number;
        uint8_t boolean;
        char *text;       /* owned by the record */
        int32_t date;     /* seconds since 1970-01-01, whole days */
        uint8_t raw[8];
    } value;
} OtlAttribute;

typedef struct OtlAttrSpecs {
    uint16_t affixPosition;
    uint16_t nameFormat;
    uint8_t separator;
    uint16_t dateFormat;
    uint16_t extraChoice;
    char *trueName;
    char *falseName;
    char *calcDimName;
    char *sumName;
    char *countName;
    char *averageName;
    char *minName;
    char *maxName;
} OtlAttrSpecs;

/* ------------------------------------------------------------------------
 * Member item
 * ---------------------------------------------------------------------- */
struct OtlAliasCombo;
struct OtlUserAttr;
struct OtlGenLevelName;
typedef struct OtlItem OtlItem;

typedef struct OtlAliasSlot {
    char *alias;
    struct OtlAliasCombo *combos;
} OtlAliasSlot;

/* One link slot of a base dimension. */
typedef struct OtlAttrLink {
    uint32_t readerDimNumber;
    OtlItem *attrDim;
} OtlAttrLink;

/* The role-dependent part of the attribute link area; which variant an item
 * uses follows from its attrRole and generation. */
typedef union OtlAttrLinkVariant {
    struct {
        uint16_t attrLinkCount;
        OtlAttrLink *attrLinks;
        uint16_t *attrLinkLevels;
        uint8_t reserved;
    } baseDim;
    struct {
        uint16_t attrLinkLevel;
        uint8_t reserved;
        OtlItem *attrBaseDim;
        OtlItem **attrCell;
    } attrDim;
    struct {
        uint16_t attrMemberCount;
        OtlItem ***attrMemberLinks;
        uint8_t reserved[5];
    } baseMember;
    struct {
        OtlItem **attrCell;
        char *attrShortName;
        uint8_t reserved[3];
    } attrMember;
} OtlAttrLinkVariant;

/* The first 184 bytes of an item and of a member information record: the
 * legacy member record, copied between the two as one block. */
#define OTL_MEMBER_BLOCK_FIELDS          \
    char memberName[OTL_NAME_SIZE];      \
    uint16_t level;                      \
    uint16_t generation;                 \
    uint16_t consolidation;              \
    uint8_t memberOption;                \
    uint8_t tag1Option;                  \
    uint16_t currencyMode;               \
    char currencyName[OTL_NAME_SIZE];    \
    uint16_t timeBalance;                \
    uint16_t skipOption;                 \
    uint16_t shareOption;                \
    uint16_t storageType;                \
    uint16_t dimensionTag;               \
    uint16_t dimensionCategory;

struct OtlItem {
    OTL_MEMBER_BLOCK_FIELDS

    char *comment;
    uint32_t childCountOrValue;
    char *infoDimName;
    uint8_t hasAttrValue;
    uint16_t attrValueType;
    uint8_t attrValue[8];
    char *formula;
    char *lastFormula;
    char *commentEx;
    OtlAliasSlot aliases[OTL_MAX_ALIAS_TABLES];
    struct OtlUserAttr *userAttributes;
    struct OtlGenLevelName *genLevelNames;
    uint32_t faultFlags;
    uint32_t attrFaultFlags;
    uint32_t recordOffset;
    uint16_t marked;
    uint32_t dimensionNumber;
    uint32_t memberNumber;
    uint32_t storedNumber;
    OtlItem *nextSibling;
    OtlItem *prevSibling;
    OtlItem *parent;
    OtlItem *firstChild;
    uint8_t pooled;
    uint16_t attrRole;
    uint8_t *associationMatrix;
    OtlAttrLinkVariant attrLink;
    uint8_t dimChanged;
    uint32_t fieldMask[2];
    uint32_t fieldAccessWord;
    uint8_t fieldAccessFlag;
    uint16_t fieldMaskActive;
    uint32_t hostAttrCount;
    char **hostAttrTexts1;
    char **hostAttrTexts2;
    OtlAttribute *hostAttrValues;
};

/* Share options */
#define OTL_SHARE_LABEL_ONLY 2
#define OTL_SHARE_SHARED 3
/* Dimension tags */
#define OTL_TAG_ATTRIBUTE 6
#define OTL_TAG_ATTR_CALC 7

/* ------------------------------------------------------------------------
 * Outline handle
 * ---------------------------------------------------------------------- */
typedef struct OtlDimStats {
    uint32_t storedMemberCount;
    uint32_t memberCount;
    uint32_t dimensionKind;
    uint32_t recordOffset;
} OtlDimStats;

/* The statistics block; in the file the last three words are reserved, in
 * memory they hold the alias-table counter arrays and the per-dimension
 * statistics. */
typedef struct OtlFileStats {
    uint32_t dimCount;
    uint32_t baseDimCount;
    uint32_t memberCount;
    uint32_t storedMemberCount;
    uint32_t nonSharedMemberCount;
    uint32_t reserved20;
    uint32_t reserved24;
    uint32_t maxRecordLength;
    uint32_t reserved32;
    uint32_t aliasTableCount;
    uint32_t *aliasCountersFirst;
    uint32_t *aliasCountersSecond;
    OtlDimStats *dimStats;
} OtlFileStats;

struct OtlNameHash;
struct OtlMatchSlot;
struct OtlChangeRecord;
struct OtlDtsMember;
struct OtlPoolBlock;

typedef struct OtlOutline {
    OtlHandle fileServiceHandle; /* written by the host */
    const OtlHostContext *host;
    OtlItem *root;
    struct OtlNameHash *nameHash;
    uint8_t caseSensitive;
    uint16_t outlineType;
    uint8_t autoConfigure;
    uint8_t fileOptionFlag;
    struct OtlMatchSlot *matchTable;
    uint16_t matchCount;
    uint8_t fileHeader[OTL_FILE_HEADER_SIZE];
    uint8_t fieldAccessMode; /* written by the host */
    uint16_t aliasTableCount;
    char **aliasTableNames;
    uint8_t changeLogEnabled;
    struct OtlChangeRecord *changeLogHead;
    struct OtlChangeRecord *changeLogTail;
    uint16_t sortDirection;
    uint8_t verified;
    uint16_t dtsEnabledCount;
    struct OtlDtsMember *dtsMembers[OTL_DTS_COUNT];
    struct OtlPoolBlock *itemPool;
    uint32_t itemPoolGrowth;
    OtlFileStats stats;
    OtlAttrSpecs attrSpecs;
    uint32_t attrCellCapacity;
    uint32_t attrCellCount;
    void *attrCellBlocks;
    uint32_t dimTableSize;
    OtlItem **dimTable;
} OtlOutline;

/* Outline settings exchanged with the caller: a 6-byte head followed by
 * aliasTableCount slots of 31 bytes. Use OTL_OUTLINE_INFO_SIZE for the size
 * and OTL_OUTLINE_INFO_TABLE for a slot. */
typedef struct OtlOutlineInfo {
    uint8_t caseSensitive;
    uint16_t outlineType;
    uint8_t autoConfigure;
    uint16_t aliasTableCount;
    char aliasTableNames[1][OTL_TABLE_NAME_SIZE];
} OtlOutlineInfo;

#define OTL_OUTLINE_INFO_HEAD 6u
#define OTL_OUTLINE_INFO_SIZE(tables) (OTL_OUTLINE_INFO_HEAD + (uint32_t)(tables) * OTL_TABLE_NAME_SIZE)
#define OTL_OUTLINE_INFO_TABLE(info, index) \
    ((char *)(info) + OTL_OUTLINE_INFO_HEAD + (size_t)(index) * OTL_TABLE_NAME_SIZE)

/* The record the module hands to the utility library when it is loaded. */
typedef int32_t (*OtlModuleCallback)(void);
typedef struct OtlModuleRecord {
    OtlModuleCallback callback;
    uint16_t kind;
    char version[101];
} OtlModuleRecord;

/* Member information, exchanged with the caller. Clients below
 * OTL_CLIENT_LONG_MBRINFO use the legacy form: the first 184 bytes only,
 * laid out like the first 184 bytes of OtlItem. */
typedef struct OtlMbrInfo {
    OTL_MEMBER_BLOCK_FIELDS
    /* full form only */
    char comment[256];
    uint32_t childCount;
    char infoDimName[OTL_NAME_SIZE];
    uint8_t hasAttrValue;
    uint16_t attrValueType;
    uint8_t attrValue[8];
} OtlMbrInfo;

#define OTL_MBRINFO_LEGACY_SIZE 184u
#define OTL_MBRINFO_FULL_SIZE 536u

/* Check modes of the member rule checks: all checks, the names group (names
 * and value ranges), the structure group; any other value runs no check. */
typedef uint16_t OtlCheckMode;
#define OTL_CHECK_ALL 0
#define OTL_CHECK_NAMES 1
#define OTL_CHECK_STRUCTURE 2

#pragma pack(pop)

/* ------------------------------------------------------------------------
 * Exported operations
 * ---------------------------------------------------------------------- */

/* Memory */
OTL_API OtlStatus adShrOtlFree(const OtlHostContext *host, void *block);

/* Outline handle */
OTL_API OtlStatus otlCreateOutlineData(const OtlHostContext *host, OtlOutline **outline);
OTL_API OtlStatus otlFreeOutlineData(const OtlHostContext *host, OtlOutline *outline);
OTL_API OtlStatus adShrOtlNewOutline(const OtlHostContext *host, const OtlOutlineInfo *info,
                                     OtlOutline **outline);
OTL_API OtlStatus adShrOtlCloseOutline(OtlOutline *outline);
OTL_API OtlStatus adShrOtlGetOutlineInfo(OtlOutline *outline, OtlOutlineInfo **info);
OTL_API OtlStatus adShrOtlSetOutlineInfo(OtlOutline *outline, const OtlOutlineInfo *info);

/* Items and tree walks */
OTL_API OtlStatus otlNewItem(const OtlHostContext *host, OtlItem **item);
OTL_API void otlFreeItem(OtlOutline *outline, OtlItem *item, uint16_t aliasTableCount);
OTL_API void otlAddChildItem(OtlItem *parent, OtlItem *item, uint8_t updateLevels);
OTL_API void otlAddSiblingItem(OtlItem *sibling, OtlItem *item, uint8_t updateLevels);
OTL_API OtlItem *otlGetDim(OtlItem *item);
OTL_API OtlStatus adShrOtlGetFirstMember(OtlOutline *outline, OtlItem **result);
OTL_API OtlStatus adShrOtlGetChild(OtlOutline *outline, OtlItem *item, OtlItem **result);
OTL_API OtlStatus adShrOtlGetParent(OtlOutline *outline, OtlItem *item, OtlItem **result);
OTL_API OtlStatus adShrOtlGetNextSibling(OtlOutline *outline, OtlItem *item, OtlItem **result);
OTL_API OtlStatus adShrOtlGetPrevSibling(OtlOutline *outline, OtlItem *item, OtlItem **result);

/* Lookup */
OTL_API OtlStatus otlHashAddItem(const OtlHostContext *host, OtlOutline *outline, OtlItem *item);
OTL_API OtlStatus adShrOtlFindMember(OtlOutline *outline, const char *name, OtlItem **member);
OTL_API OtlStatus adShrOtlGetNextSharedMember(OtlOutline *outline, OtlItem *member, OtlItem **next);
OTL_API OtlStatus adShrOtlGetNextSharedMemberUsingHash(OtlOutline *outline, OtlItem *member,
                                                       OtlItem **next, int32_t *position);

/* Attribute specifications and values */
/* Change-flag mask of adShrOtlCopyAttrSpecs: the scalar fields are always
 * copied, the strings only under their bit. */
#define OTL_SPEC_AFFIX 0x01u
#define OTL_SPEC_NAME_FORMAT 0x02u
#define OTL_SPEC_SEPARATOR 0x04u
#define OTL_SPEC_NAMES 0x08u      /* any of the three above */
#define OTL_SPEC_FALSE_NAME 0x10u
#define OTL_SPEC_TRUE_NAME 0x20u
#define OTL_SPEC_DATE_FORMAT 0x40u
#define OTL_SPEC_CALC_NAMES 0x80u /* calcDimName and the five member names */
#define OTL_SPEC_ALL 0xFFu
/* otlAttrGetShortName: the item's value type has no short name. */
#define OTL_NO_SHORT_NAME 0xFFFFFFFFu

OTL_API OtlStatus otlInitDefaultAttrSpecs(OtlOutline *outline);
OTL_API OtlStatus adShrOtlGetAttributeSpecifications(OtlOutline *outline, OtlAttrSpecs **specs);
OTL_API OtlStatus adShrOtlCopyAttrSpecs(const OtlHostContext *host, OtlAttrSpecs *destination,
                                        const OtlAttrSpecs *source, uint8_t changeFlags);
OTL_API void adShrOtlFreeAttrSpecsMembers(const OtlHostContext *host, OtlAttrSpecs *specs);
OTL_API OtlStatus adShrOtlFreeAttrSpecs(const OtlHostContext *host, OtlAttrSpecs *specs);
OTL_API OtlStatus adShrOtlFreeAttribute(const OtlHostContext *host, OtlAttribute *attribute);
/* shortName holds at least OTL_NAME_SIZE bytes. */
OTL_API OtlStatus otlAttrGetShortName(OtlOutline *outline, const OtlItem *item, char *shortName);

/* Editing: adding, deleting, renaming and moving members */
OTL_API OtlStatus adShrOtlAddMember(OtlOutline *outline, OtlMbrInfo *info, OtlItem *parent,
                                    OtlItem *prevSibling, OtlItem **outMember,
                                    uint16_t checkMode);
OTL_API OtlStatus adShrOtlAddDimension(OtlOutline *outline, OtlMbrInfo *info,
                                       OtlItem *prevDimension, const char *changeText,
                                       OtlItem **outMember);
OTL_API OtlStatus adShrOtlDeleteMember(OtlOutline *outline, OtlItem *member, uint16_t checkMode);
OTL_API OtlStatus adShrOtlDeleteDimension(OtlOutline *outline, OtlItem *dimension,
                                          const char *changeText);
OTL_API OtlStatus adShrOtlRenameMember(OtlOutline *outline, OtlItem *member, const char *newName);
OTL_API OtlStatus adShrOtlMoveMember(OtlOutline *outline, OtlItem *member, OtlItem *newParent,
                                     OtlItem *newPrevSibling);

/* Member information, comments and formulas. Records and texts handed out
 * belong to the caller. */
OTL_API OtlStatus adShrOtlGetMemberInfo(OtlOutline *outline, OtlItem *member,
                                        OtlMbrInfo **outInfo);
OTL_API OtlStatus adShrOtlSetMemberInfo(OtlOutline *outline, OtlItem *member,
                                        const OtlMbrInfo *info, uint16_t checkMode);
OTL_API OtlStatus adShrOtlFreeMbrInfo(const OtlHostContext *host, uint32_t count,
                                      OtlMbrInfo *infos);
OTL_API OtlStatus adShrOtlGetMemberCommentEx(OtlOutline *outline, OtlItem *member,
                                             char **outText);
OTL_API OtlStatus adShrOtlSetMemberCommentEx(OtlOutline *outline, OtlItem *member,
                                             const char *text);
OTL_API OtlStatus adShrOtlGetMemberFormula(OtlOutline *outline, OtlItem *member, char **outText);
OTL_API OtlStatus adShrOtlGetMemberLastFormula(OtlOutline *outline, OtlItem *member,
                                               char **outText);
OTL_API OtlStatus adShrOtlSetMemberFormula(OtlOutline *outline, OtlItem *member,
                                           const char *text);
OTL_API OtlStatus adShrOtlDeleteMemberFormula(OtlOutline *outline, OtlItem *member);

/* Match list */
OTL_API void adShrOtlCleanMatch(OtlOutline *outline);

#ifdef __cplusplus
}
#endif

#endif /* SHROTL_H */
