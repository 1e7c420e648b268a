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
 *
 * What every exported operation promises, unless its comment below says
 * otherwise:
 * - Out-parameters are written on success only: after a failure *out holds
 *   what the caller put there. Operations that clear *out first, so that it
 *   reads NULL after a failure, say so.
 * - A failed operation leaves the outline as it was: tree, names, hash,
 *   settings, change log and attribute bookkeeping. The few that can leave a
 *   change behind name it.
 * - A pointer argument may be NULL only where the comment says so, and the
 *   comment gives the result. Any other NULL is not checked. Every release
 *   operation accepts NULL for what it releases and does nothing.
 * - The edits (add, delete, rename, move, the setters) refuse with
 *   OTL_ERR_ACCESS_MODE while the host holds the outline in field-access
 *   mode (fieldAccessMode set), and a successful edit clears `verified`.
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
#define OTL_OK 0u /* success */
/* Each code's meaning is the one `otl status` prints (a test compares them).
 * OTL_ERR_GENERIC is also what a step inside the library returns; the file
 * reader's code lies outside the 1060xxx range. */
#define OTL_ERR_GENERIC 1u /* missing argument, missing entry or full work stack */
#define OTL_ERR_UNKNOWN_TAG 2097152u /* the outline file holds an element tag the reader does not know */

#define OTL_ERR_NO_OUTPUT_ARG 1060001u /* a required output argument is missing */
#define OTL_ERR_OUTLINE_TYPE 1060002u /* outline type is neither normal (0) nor currency (1) */
#define OTL_ERR_SORT_ORDER 1060003u /* invalid sort order */
#define OTL_ERR_SORT_NO_COMPARE 1060004u /* custom sort order given without a comparison function */
#define OTL_ERR_ALREADY_CURRENCY 1060006u /* the outline is already a currency outline */
#define OTL_ERR_NO_TAG1_DIM 1060007u /* the outline has no accounts dimension (tag 1) */
#define OTL_ERR_NO_TIME_DIM 1060008u /* the outline has no time dimension (tag 2) */
#define OTL_ERR_NO_TAG3_DIM 1060009u /* the outline has no dimension carrying currency names (tag 3) */
#define OTL_ERR_MEMBER_NAME 1060010u /* invalid member name */
#define OTL_ERR_CONSOLIDATION 1060011u /* consolidation operator above 5 */
#define OTL_ERR_INVALID_MOVE 1060013u /* invalid move (into its own subtree, shared member to dimension level, or shared links across dimensions) */
#define OTL_ERR_NO_DIMENSION 1060014u /* the member belongs to no dimension */
#define OTL_ERR_RULE_NAME 1060015u /* rule fault: invalid member name */
#define OTL_ERR_RULE_DUPLICATE 1060016u /* rule fault: duplicate member name, or a shared member made non-shared */
#define OTL_ERR_RULE_CURRENCY 1060017u /* rule fault: invalid currency name or currency mode */
#define OTL_ERR_ALIAS 1060018u /* invalid alias (absent, empty or breaking the name rules) */
#define OTL_ERR_RULE_COMBO_ALIAS 1060019u /* rule fault: invalid alias in an alias combination */
#define OTL_ERR_RULE_COMBO_MEMBER 1060020u /* rule fault: an alias combination names a missing member */
#define OTL_ERR_RULE_DIM_TAG 1060021u /* rule fault: dimension tag repeated or not allowed here */
#define OTL_ERR_RULE_TIME_BALANCE_DIM 1060022u /* rule fault: time balance needs a time dimension */
#define OTL_ERR_NAME_USED 1060023u /* name or alias already used */
#define OTL_ERR_RULE_FORMULA 1060024u /* rule fault: formula on an attribute member, or empty formula */
#define OTL_ERR_RULE_SHARED_CHILDREN 1060025u /* rule fault: shared member with children */
#define OTL_ERR_RULE_SHARED_NO_SOURCE 1060026u /* rule fault: shared member without a member of its name */
#define OTL_ERR_RULE_LABEL_ONLY 1060028u /* rule fault: label-only member without children */
#define OTL_ERR_RULE_TIME_BALANCE 1060030u /* rule fault: time balance above 3 */
#define OTL_ERR_RULE_SKIP 1060031u /* rule fault: skip option above 3 */
#define OTL_ERR_RULE_SHARE_OPTION 1060032u /* rule fault: share option not valid for the member */
#define OTL_ERR_RULE_STORAGE 1060033u /* rule fault: storage type not valid for the dimension */
#define OTL_ERR_RULE_CATEGORY 1060034u /* rule fault: invalid dimension category */
#define OTL_ERR_ALIAS_TABLE_NOT_FOUND 1060035u /* alias table not found */
#define OTL_ERR_UDA_NAME 1060036u /* user-defined attribute breaks the name rules */
#define OTL_ERR_UDA_NOT_FOUND 1060037u /* the member has no such user-defined attribute */
#define OTL_ERR_ALIAS_TABLE_LIMIT 1060038u /* more than 10 alias tables */
#define OTL_ERR_ALIAS_TABLE_NAME_LONG 1060039u /* alias table name longer than 30 bytes */
#define OTL_ERR_ALIAS_TABLE_NAME_USED 1060040u /* alias table name empty or already used */
#define OTL_ERR_ALIAS_TABLE0_RENAME 1060041u /* the default alias table cannot be renamed */
#define OTL_ERR_ALIAS_TABLE0_DELETE 1060042u /* the default alias table cannot be deleted */
#define OTL_ERR_CHANGE_KIND 1060045u /* change record of an unknown kind */
#define OTL_ERR_FILE 1060047u /* reading or writing the outline file failed */
#define OTL_ERR_CURRENCY_DIMS 1060049u /* a currency outline has at most 4 dimensions */
#define OTL_ERR_ATTR_CALC_NAME_USED 1060050u /* attribute calculation member name already used */
#define OTL_ERR_MEMBER_NAME_USED 1060051u /* member name already used by a member or an alias */
#define OTL_ERR_AUTOCONFIG_DIMS 1060052u /* automatic storage configuration refused: over 25 dimensions */
#define OTL_ERR_NOT_VERIFIED 1060053u /* save refused: the outline failed verification */
#define OTL_ERR_NO_GEN_LEVEL_NAME 1060054u /* no generation or level name for that number */
#define OTL_ERR_GEN_LEVEL_NAME 1060055u /* generation or level name breaks the name rules */
#define OTL_ERR_GEN_LEVEL_NAME_USED 1060056u /* generation or level name already used */
#define OTL_ERR_DIM_NOT_FOUND 1060057u /* dimension not found, or the member is not a dimension */
#define OTL_ERR_FORMULA_NOT_STORED 1060058u /* formula on a label-only or shared member */
#define OTL_ERR_COMBO_NOT_FOUND 1060059u /* no alias combination with that alias */
#define OTL_ERR_GEN_LEVEL_EXISTS 1060060u /* the dimension already names that generation or level */
#define OTL_ERR_GENERATION_ZERO 1060061u /* generation number 0 */
#define OTL_ERR_NO_ALIAS 1060062u /* no alias to delete */
#define OTL_ERR_NO_FORMULA 1060063u /* no formula to delete */
#define OTL_ERR_RULE_SHARED_UDA 1060064u /* rule fault: user-defined attribute on a shared member */
#define OTL_ERR_GEN_LEVEL_IS_MEMBER 1060065u /* generation or level name equals a member name or alias */
#define OTL_ERR_RULE_GEN_LEVEL_NAME 1060066u /* rule fault: name or alias equals a generation or level name */
#define OTL_ERR_ALIAS_TABLE_SELF_COPY 1060067u /* alias table copied onto itself */
#define OTL_ERR_ACCESS_MODE 1060068u /* not available in the outline's field-access mode */
#define OTL_ERR_LIST_SELECTOR 1060069u /* listing selector above 3 */
#define OTL_ERR_NOT_DTS_NAME 1060075u /* not a dynamic time series name */
#define OTL_ERR_DIM_CHANGE_TEXT 1060076u /* change text of a deleted dimension names a shared or computed member */
#define OTL_ERR_DTS_NOT_ENABLED 1060077u /* time series not enabled at that generation */
#define OTL_ERR_COMMENT_LONG 1060079u /* extended comment longer than 8192 bytes */
#define OTL_ERR_ATTR_NOT_ASSOCIATED 1060081u /* attribute fault: attribute dimension not associated with the base dimension */
#define OTL_ERR_ATTR_LEVELS 1060082u /* attribute fault: base members of one attribute dimension at different levels */
#define OTL_ERR_ATTR_NOT_ATTRIBUTE 1060083u /* attribute fault: not an attribute dimension or member */
#define OTL_ERR_ATTR_IN_ATTR_DIM 1060084u /* base dimension or member lies in an attribute dimension */
#define OTL_ERR_ATTR_NON_LEAF 1060085u /* attribute fault: non-leaf attribute member, or two-valued member not 0 or 1 */
#define OTL_ERR_ATTR_ALREADY 1060086u /* already associated */
#define OTL_ERR_ATTR_STORAGE 1060087u /* dimension to associate is not sparse (storage type 1) */
#define OTL_ERR_ATTR_NO_ASSOCIATION 1060088u /* no such attribute association on the base member */
#define OTL_ERR_ATTR_DIM_ORDER_ADD 1060089u /* an attribute dimension cannot precede a base dimension */
#define OTL_ERR_ATTR_SHARED_BASE 1060090u /* base member is shared or label only */
#define OTL_ERR_ATTR_NAME_LONG 1060091u /* composed attribute member name longer than 80 bytes */
#define OTL_ERR_ATTR_CALC_NAME_MISSING 1060092u /* attribute calculation member name missing */
#define OTL_ERR_SPEC_AFFIX 1060093u /* attribute naming: affix position above 1 */
#define OTL_ERR_SPEC_NAME_FORMAT 1060094u /* attribute naming: name format above 4 */
#define OTL_ERR_SPEC_SEPARATOR 1060095u /* attribute naming: separator not 0, 1 or 2 */
#define OTL_ERR_SPEC_DATE_FORMAT 1060096u /* attribute naming: date format above 1 */
#define OTL_ERR_SPEC_EXTRA 1060097u /* attribute naming: fifth choice above 1 */
#define OTL_ERR_ATTR_NOT_NUMBER 1060098u /* member of a numeric attribute dimension is not a number */
#define OTL_ERR_ATTR_NOT_BOOLEAN 1060099u /* member of a boolean attribute dimension is not the true or false text */
#define OTL_ERR_ATTR_NOT_DATE 1060100u /* member of a date attribute dimension is not a valid date */
#define OTL_ERR_ATTR_DIM_ORDER 1060101u /* attribute fault: dimensions in the wrong order */
#define OTL_ERR_ATTR_VALUE_TYPE 1060102u /* attribute fault: value type out of range or unlike its dimension's */
#define OTL_ERR_ATTR_MEMBER_TYPE 1060103u /* attribute fault: associated member of another value type */
#define OTL_ERR_ATTR_PARENT 1060104u /* attribute fault: attribute member under a non-attribute parent */
#define OTL_ERR_ATTR_UDA 1060105u /* attribute fault: attribute member with user-defined attributes */
#define OTL_ERR_ATTR_MARKER 1060106u /* attribute fault marker without a known attribute fault */
#define OTL_ERR_ATTR_CALC_MEMBER 1060107u /* attribute calculation members cannot be changed this way */
#define OTL_ERR_ATTR_EMPTY_DIM_NAME 1060108u /* attribute fault: empty attribute dimension whose name is no valid value */
#define OTL_ERR_ATTR_CHILD_COUNT 1060109u /* attribute fault: wrong number of children */
#define OTL_ERR_ATTR_CALC_NAME 1060110u /* attribute fault: attribute calculation member name differs from the settings */
#define OTL_ERR_ATTR_SECOND_CALC_DIM 1060111u /* attribute fault: second attribute calculations dimension */
#define OTL_ERR_ATTR_MEMBER_PROPS 1060112u /* attribute fault: attribute member with currency or accounts properties */
#define OTL_ERR_ATTR_FAULT_1000 1060113u /* attribute fault 0x1000 (set by no check) */
#define OTL_ERR_ATTR_CALC_CREATE 1060114u /* creating the attribute calculations dimension failed */
#define OTL_ERR_ATTR_CALC_NAME_CLASH 1060115u /* attribute calculations name already used */
#define OTL_ERR_ATTR_DISASSOCIATE 1060116u /* a dimension has no attribute members to associate or disassociate */
#define OTL_ERR_ATTR_RENAME_UNDO 1060118u /* undoing a partial renaming of attribute members failed */
#define OTL_ERR_ATTR_REBUILT_NAME 1060119u /* rebuilt attribute member name belongs to another member */
#define OTL_ERR_FIELD_MASK 1060120u /* field not available in the member's field mask, or bad field selector */

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
/* One alias combination of a member's alias slot: an alternative name that
 * stands for several members. A slot's combinations form a list in the
 * order they were added; the outline owns every node and both texts. */
typedef struct OtlAliasCombo {
    char *aliasText;  /* entered in the name hash under the slot's table */
    char *memberList; /* member names or aliases joined by "," or "->"; a
                         name in double quotes may hold either */
    struct OtlAliasCombo *next;
} OtlAliasCombo;
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

/* Share options (shareOption). Every option but label only and shared
 * holds data of its own. */
#define OTL_SHARE_STORE_DATA 0      /* an ordinary stored member */
#define OTL_SHARE_NEVER_SHARE 1     /* stored, never takes a child's storage */
#define OTL_SHARE_LABEL_ONLY 2      /* a label: holds no data */
#define OTL_SHARE_SHARED 3          /* a shared member: the data of the member of its name */
#define OTL_SHARE_COMPUTED_STORED 4 /* computed and stored */
#define OTL_SHARE_COMPUTED 5        /* computed; every attribute member; the highest option */
/* Storage type (storageType of a dimension) that attribute dimensions and
 * the base dimensions they are associated with need */
#define OTL_STORAGE_SPARSE 1
/* Dimension tags (dimensionTag of a dimension; members repeat an attribute tag) */
#define OTL_TAG_NONE 0               /* a dimension without a tag */
#define OTL_TAG_ACCOUNTS 1           /* accounts: time balance, skip option, currency modes */
#define OTL_TAG_TIME 2               /* time */
#define OTL_TAG_COUNTRY 3            /* country: its members carry currency names */
#define OTL_TAG_CURRENCY_TYPE 4      /* currency type, in currency outlines only */
#define OTL_TAG_CURRENCY_PARTITION 5 /* currency partition, in normal outlines only */
#define OTL_TAG_ATTRIBUTE 6          /* attribute dimension and its members */
#define OTL_TAG_ATTR_CALC 7          /* attribute calculations dimension and members; the highest tag */
/* Dimension categories (dimensionCategory) the library sets or checks */
#define OTL_CATEGORY_ATTRIBUTE 12 /* an attribute dimension */
#define OTL_CATEGORY_ATTR_CALC 13 /* the attribute calculations dimension; the highest category */
/* Attribute roles (attrRole): which link area variant an item uses */
#define OTL_ATTR_ROLE_NONE 0        /* base member, or base dimension without attribute links */
#define OTL_ATTR_ROLE_ATTRIBUTE 1   /* attribute dimension or member */
#define OTL_ATTR_ROLE_LINKED_BASE 2 /* base dimension with attribute links */
#define OTL_ATTR_ROLE_CALC 4        /* attribute calculations dimension or member */
/* Outline types (outlineType) */
#define OTL_OUTLINE_NORMAL 0   /* a normal outline */
#define OTL_OUTLINE_CURRENCY 1 /* a currency outline: at most OTL_MAX_CURRENCY_DIMS dimensions */
#define OTL_MAX_CURRENCY_DIMS 4 /* dimensions a currency outline may have */
/* Attribute name formats (OtlAttrSpecs.nameFormat): what a composed
 * attribute member name adds to the short name */
#define OTL_NAME_FORMAT_NONE 0        /* nothing: the short name alone */
#define OTL_NAME_FORMAT_PARENT 1      /* the parent's name */
#define OTL_NAME_FORMAT_GRANDPARENT 2 /* the parent's and the grandparent's names */
#define OTL_NAME_FORMAT_ANCESTORS 3   /* every ancestor's name up to the dimension */
#define OTL_NAME_FORMAT_DIMENSION 4   /* the dimension's name; the highest format */
/* Field selectors of adShrOtlGetMemberField, each one bit of an item's
 * fieldMask: a selector with the top bit set names a bit of fieldMask[1],
 * any other a bit of fieldMask[0]. The comment gives what the field
 * accessor hands out. */
#define OTL_FIELD_MEMBER_NAME 0x1u          /* memberName: text */
#define OTL_FIELD_LEVEL 0x2u                /* level: uint16_t */
#define OTL_FIELD_GENERATION 0x4u           /* generation: uint16_t */
#define OTL_FIELD_CONSOLIDATION 0x8u        /* consolidation: uint16_t */
#define OTL_FIELD_MEMBER_OPTION 0x10u       /* memberOption: uint8_t */
#define OTL_FIELD_TAG1_OPTION 0x20u         /* tag1Option: uint8_t */
#define OTL_FIELD_CURRENCY_MODE 0x40u       /* currencyMode: uint16_t */
#define OTL_FIELD_CURRENCY_NAME 0x80u       /* currencyName: text */
#define OTL_FIELD_TIME_BALANCE 0x100u       /* timeBalance: uint16_t */
#define OTL_FIELD_SKIP_OPTION 0x200u        /* skipOption: uint16_t */
#define OTL_FIELD_SHARE_OPTION 0x400u       /* shareOption: uint16_t */
#define OTL_FIELD_STORAGE_TYPE 0x800u       /* storageType: uint16_t */
#define OTL_FIELD_DIMENSION_TAG 0x1000u     /* dimensionTag: uint16_t */
#define OTL_FIELD_DIMENSION_CATEGORY 0x2000u /* dimensionCategory: uint16_t */
#define OTL_FIELD_COMMENT 0x4000u           /* comment: text */
#define OTL_FIELD_CHILD_COUNT 0x8001u       /* childCountOrValue: uint32_t (0x8000 alone is no field) */
#define OTL_FIELD_MEMBER_NUMBER 0x10000u    /* memberNumber: uint32_t */
#define OTL_FIELD_INFO_DIM_NAME 0x20000u    /* infoDimName: text */
#define OTL_FIELD_DIMENSION_NUMBER 0x40000u /* dimensionNumber: uint32_t */
#define OTL_FIELD_ALIAS 0x80000u            /* the alias in the first alias table: text */
#define OTL_FIELD_NEXT_SIBLING 0x100000u    /* the next sibling's name: text */
#define OTL_FIELD_PREV_SIBLING 0x200000u    /* the previous sibling's name: text */
#define OTL_FIELD_PARENT 0x400000u          /* the parent's name: text */
#define OTL_FIELD_FIRST_CHILD 0x800000u     /* the first child's name: text */
#define OTL_FIELD_USER_ATTRIBUTE 0x1000000u /* the first user-defined attribute: text */
#define OTL_FIELD_FORMULA 0x2000000u        /* formula: text */
#define OTL_FIELD_LAST_FORMULA 0x4000000u   /* lastFormula: text */
#define OTL_FIELD_COMMENT_EX 0x8000000u     /* commentEx: text */
#define OTL_FIELD_ALIAS_AGAIN 0x10000000u   /* the same alias as OTL_FIELD_ALIAS; also the alias combinations */
#define OTL_FIELD_FAULT_FLAGS 0x20000000u   /* faultFlags: uint32_t */
#define OTL_FIELD_ACCESS_FLAG 0x40000000u   /* fieldAccessFlag: uint8_t */
#define OTL_FIELD_ACCESS_WORD 0x80000001u   /* fieldAccessWord: uint32_t */
#define OTL_FIELD_HAS_ATTR_VALUE 0x80000002u /* hasAttrValue: uint8_t */
#define OTL_FIELD_ATTR_TEXTS1 0x80000004u   /* hostAttrTexts1 is filled (not served) */
#define OTL_FIELD_ATTR_TEXTS2 0x80000008u   /* hostAttrTexts2 is filled (not served) */
#define OTL_FIELD_ATTR_VALUES 0x80000010u   /* hostAttrValues is filled (not served) */
#define OTL_FIELD_ATTR_VALUE 0x80000020u    /* the attribute value: OtlAttribute; the highest selector */

/* ------------------------------------------------------------------------
 * Change log
 *
 * While the host sets changeLogEnabled, each add, delete, move and rename
 * appends a record at changeLogTail; changeLogHead is the oldest. A record
 * is allocated with exactly the text slots of its kind, so text runs past
 * its declared length: read slot i at offsetof(OtlChangeRecord, text) +
 * i * sizeof(char *). A name slot is NULL for the universe member and where
 * there is no such member; every text belongs to the record.
 * ---------------------------------------------------------------------- */
/* Added, 4 slots: the member, its parent, its previous sibling, the change
 * text of an added dimension. generation is the member's. */
#define OTL_CHANGE_ADDED 1
/* Deleted, 2 slots: the member, the change text of a deleted dimension.
 * generation is the member's. */
#define OTL_CHANGE_DELETED 2
/* Moved, 6 slots: the member, its old parent, old previous sibling, new
 * parent, new previous sibling; the sixth stays NULL. generation is the new
 * one, oldGeneration the old. */
#define OTL_CHANGE_MOVED 3
/* Renamed, 2 slots: the new name, the old name. generation is the
 * member's. A rename of a member added or renamed earlier in the log
 * rewrites the name in those records instead. */
#define OTL_CHANGE_RENAMED 4

typedef struct OtlChangeRecord OtlChangeRecord;
struct OtlChangeRecord {
    uint16_t kind; /* OTL_CHANGE_... */
    uint16_t generation;
    uint16_t oldGeneration; /* moves only, else 0 */
    OtlChangeRecord *next;  /* newer */
    OtlChangeRecord *prev;  /* older */
    char *text[1];
};

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
    OtlChangeRecord *changeLogHead;
    OtlChangeRecord *changeLogTail;
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

/* One associated attribute of a member in field-access mode, from the
 * item's three host lists: texts cut to OTL_NAME_SIZE - 1 bytes of whole
 * characters, infoText2 empty for a null entry; a text value is a copy owned
 * by the record. */
typedef struct OtlAttrInfo {
    char infoText2[OTL_NAME_SIZE];
    char infoText1[OTL_NAME_SIZE];
    OtlAttribute infoValue;
} OtlAttrInfo;

/* Check modes of the member rule checks: all checks, the names group (names
 * and value ranges), the structure group; any other value runs no check. */
/* Fault words a rule check or verification leaves on a member. Word 1
 * (faultFlags): member faults; each comment names the status the bit maps to. */
#define OTL_FAULT_NAME                   0x1          /* OTL_ERR_RULE_NAME */
#define OTL_FAULT_DUPLICATE              0x2          /* OTL_ERR_RULE_DUPLICATE */
#define OTL_FAULT_CURRENCY               0x4          /* OTL_ERR_RULE_CURRENCY */
#define OTL_FAULT_ALIAS                  0x8          /* OTL_ERR_ALIAS */
#define OTL_FAULT_COMBO_ALIAS            0x10         /* OTL_ERR_RULE_COMBO_ALIAS */
#define OTL_FAULT_COMBO_MEMBER           0x20         /* OTL_ERR_RULE_COMBO_MEMBER */
#define OTL_FAULT_DIM_TAG                0x40         /* OTL_ERR_RULE_DIM_TAG */
#define OTL_FAULT_NO_TIME_DIM            0x80         /* OTL_ERR_RULE_TIME_BALANCE_DIM */
#define OTL_FAULT_NAME_USED              0x100        /* OTL_ERR_NAME_USED */
#define OTL_FAULT_ATTR_FORMULA           0x200        /* OTL_ERR_RULE_FORMULA */
#define OTL_FAULT_SHARED_CHILDREN        0x400        /* OTL_ERR_RULE_SHARED_CHILDREN */
#define OTL_FAULT_SHARED_NO_SOURCE       0x800        /* OTL_ERR_RULE_SHARED_NO_SOURCE */
#define OTL_FAULT_RESERVED_1000          0x1000       /* never set */
#define OTL_FAULT_LABEL_ONLY_LEAF        0x2000       /* OTL_ERR_RULE_LABEL_ONLY */
#define OTL_FAULT_LAST_NOT_CALC_DIM      0x4000       /* outline word: calculations dimension not last */
#define OTL_FAULT_TIME_BALANCE           0x8000       /* OTL_ERR_RULE_TIME_BALANCE */
#define OTL_FAULT_SKIP                   0x10000      /* OTL_ERR_RULE_SKIP */
#define OTL_FAULT_SHARE_OPTION           0x20000      /* OTL_ERR_RULE_SHARE_OPTION */
#define OTL_FAULT_STORAGE                0x40000      /* OTL_ERR_RULE_STORAGE */
#define OTL_FAULT_DIM_TAG_RANGE          0x80000      /* OTL_ERR_RULE_DIM_TAG */
#define OTL_FAULT_CATEGORY               0x100000     /* OTL_ERR_RULE_CATEGORY */
#define OTL_FAULT_CURRENCY_DIMS          0x200000     /* OTL_ERR_CURRENCY_DIMS */
#define OTL_FAULT_FORMULA_NOT_STORED     0x400000     /* OTL_ERR_FORMULA_NOT_STORED */
#define OTL_FAULT_SHARED_UDA             0x800000     /* OTL_ERR_RULE_SHARED_UDA */
#define OTL_FAULT_GEN_LEVEL_NAME         0x1000000    /* OTL_ERR_RULE_GEN_LEVEL_NAME */
#define OTL_FAULT_WARNING_CHILDREN       0x2000000    /* a warning: computed member, many children */
#define OTL_FAULT_ATTR_MARKER            0x80000000u  /* word 2 is not 0 */
/* Word 2 (attrFaultFlags): attribute faults */
#define OTL_ATTR_FAULT_NON_LEAF          0x1          /* OTL_ERR_ATTR_NON_LEAF */
#define OTL_ATTR_FAULT_LEVELS            0x2          /* OTL_ERR_ATTR_LEVELS */
#define OTL_ATTR_FAULT_DIM_ORDER         0x4          /* OTL_ERR_ATTR_DIM_ORDER */
#define OTL_ATTR_FAULT_VALUE_TYPE        0x8          /* OTL_ERR_ATTR_VALUE_TYPE */
#define OTL_ATTR_FAULT_MEMBER_TYPE       0x10         /* OTL_ERR_ATTR_MEMBER_TYPE */
#define OTL_ATTR_FAULT_PARENT            0x20         /* OTL_ERR_ATTR_PARENT */
#define OTL_ATTR_FAULT_NOT_ASSOCIATED    0x40         /* OTL_ERR_ATTR_NOT_ASSOCIATED */
#define OTL_ATTR_FAULT_UDA               0x80         /* OTL_ERR_ATTR_UDA */
#define OTL_ATTR_FAULT_CHILD_COUNT       0x100        /* OTL_ERR_ATTR_CHILD_COUNT */
#define OTL_ATTR_FAULT_CALC_NAME         0x200        /* OTL_ERR_ATTR_CALC_NAME */
#define OTL_ATTR_FAULT_SECOND_CALC_DIM   0x400        /* OTL_ERR_ATTR_SECOND_CALC_DIM */
#define OTL_ATTR_FAULT_MEMBER_PROPS      0x800        /* OTL_ERR_ATTR_MEMBER_PROPS */
#define OTL_ATTR_FAULT_RESERVED_1000     0x1000       /* OTL_ERR_ATTR_FAULT_1000 */
#define OTL_ATTR_FAULT_NOT_ATTRIBUTE     0x2000       /* OTL_ERR_ATTR_NOT_ATTRIBUTE */
#define OTL_ATTR_FAULT_RESERVED_4000     0x4000       /* no status */
#define OTL_ATTR_FAULT_EMPTY_DIM_NAME    0x8000       /* OTL_ERR_ATTR_EMPTY_DIM_NAME */

typedef uint16_t OtlCheckMode;
#define OTL_CHECK_ALL 0
#define OTL_CHECK_NAMES 1
#define OTL_CHECK_STRUCTURE 2

/* One member with faults in the report of adShrOtlVerifyOutline: the
 * member, its word 1 (faultFlags, with OTL_FAULT_ATTR_MARKER set when word 2
 * is nonzero) and its word 2 (attrFaultFlags). Clients from
 * OTL_CLIENT_ATTR_RULES get whole entries; older clients get entries that
 * end before attrFaultFlags, OTL_FAULT_ENTRY_LEGACY_SIZE bytes each. Step
 * through a report with OTL_FAULT_ENTRY_AT, never by indexing. */
typedef struct OtlFaultEntry {
    OtlItem *member;
    uint32_t faultFlags;
    uint32_t attrFaultFlags; /* full form only */
} OtlFaultEntry;

#define OTL_FAULT_ENTRY_LEGACY_SIZE offsetof(OtlFaultEntry, attrFaultFlags)
#define OTL_FAULT_ENTRY_SIZE(clientVersion) \
    ((clientVersion) >= OTL_CLIENT_ATTR_RULES ? sizeof(OtlFaultEntry) : OTL_FAULT_ENTRY_LEGACY_SIZE)
#define OTL_FAULT_ENTRY_AT(report, clientVersion, index) \
    ((OtlFaultEntry *)((char *)(report) + (size_t)(index) * OTL_FAULT_ENTRY_SIZE(clientVersion)))

/* ------------------------------------------------------------------------
 * Generation and level names, user-defined attributes, time series
 * ---------------------------------------------------------------------- */
/* One user-defined attribute of a member (OtlItem.userAttributes): a list in
 * the order the tags were added. text is NULL for an empty tag. */
typedef struct OtlUserAttr {
    char *text;
    struct OtlUserAttr *next;
} OtlUserAttr;

/* Kinds of a generation or level name (nameKind) */
#define OTL_NAME_KIND_LEVEL 0      /* a level: 0 the leaves, 1 their parents, ... */
#define OTL_NAME_KIND_GENERATION 1 /* a generation: 1 the dimension, 2 its children, ... */

/* One generation or level name of a dimension (OtlItem.genLevelNames): a
 * list in ascending nameNumber order, both kinds mixed. nameText is NULL
 * for an empty name. */
typedef struct OtlGenLevelName {
    char *nameText;
    uint8_t nameKind; /* OTL_NAME_KIND_... */
    uint16_t nameNumber;
    struct OtlGenLevelName *nextName;
} OtlGenLevelName;

/* Selectors of adShrOtlGetGenNames and adShrOtlGetLevelNames. A default
 * name is "Gen<number>,<dimension>" or "Lev<number>,<dimension>"; a stored
 * name of that form counts as no name. */
#define OTL_LIST_ALL 0      /* every number: its name, else its default name */
#define OTL_LIST_NAMED 1    /* the numbers with a name, and the name */
#define OTL_LIST_DEFAULTS 2 /* every number with its default name */
#define OTL_LIST_UNNAMED 3  /* the numbers without a name, with their default name; the highest selector */

/* One entry of a generation or level listing. */
typedef struct OtlGenLevelEntry {
    uint16_t number;
    char name[OTL_NAME_SIZE];
} OtlGenLevelEntry;

/* One 81-byte name slot of a list of user-defined attributes: the text,
 * terminated and zero-filled. */
typedef char OtlNameSlot[OTL_NAME_SIZE];

/* The request and information records of adShrOtlGetDimensionUserAttributes.
 * The library reads dimensionName and writes count; the host words are
 * passed, untouched, to the file services' server in field-access mode. */
typedef struct OtlDimUdaRequest {
    uint32_t hostWord0;
    uint32_t hostWord1;
    const char *dimensionName;
} OtlDimUdaRequest;

typedef struct OtlDimUdaInfo {
    uint32_t hostWord0;
    uint32_t hostWord1;
    uint32_t hostWord2;
    uint32_t count;
} OtlDimUdaInfo;

/* One enabled time series: its name and the generation of the time
 * dimension it is enabled at. */
typedef struct OtlDtsEntry {
    char dtsName[OTL_NAME_SIZE];
    uint16_t generation;
} OtlDtsEntry;

#pragma pack(pop)

/* ------------------------------------------------------------------------
 * Exported operations
 * ---------------------------------------------------------------------- */

/* Memory */
/* Gives a block the library handed out (a record or a text) back to the
 * host. host or block may be NULL: nothing happens. Always OTL_OK, whatever
 * the host's free returns. */
OTL_API OtlStatus adShrOtlFree(const OtlHostContext *host, void *block);

/* Outline handle */
/* An outline record with its alias table names (the default table), name
 * hash and time series members, but no root member. *outline is cleared
 * first: NULL after a failure, and nothing stays allocated. */
OTL_API OtlStatus otlCreateOutlineData(const OtlHostContext *host, OtlOutline **outline);
/* Releases the outline and all it holds through the outline's own host
 * context; host is not used and may be NULL. outline may be NULL. Always
 * OTL_OK. */
OTL_API OtlStatus otlFreeOutlineData(const OtlHostContext *host, OtlOutline *outline);
/* An empty outline (root member only, change log off) with the case rule,
 * outline type and automatic configuration of info; its alias tables are not
 * read. A type above 1 gives OTL_ERR_OUTLINE_TYPE. *outline is cleared
 * first: NULL after a failure. */
OTL_API OtlStatus adShrOtlNewOutline(const OtlHostContext *host, const OtlOutlineInfo *info,
                                     OtlOutline **outline);
/* Releases the outline and all it holds. outline may be NULL. Always OTL_OK. */
OTL_API OtlStatus adShrOtlCloseOutline(OtlOutline *outline);
/* The outline's settings and alias table names in a new block of
 * OTL_OUTLINE_INFO_SIZE(aliasTableCount) bytes, released with adShrOtlFree.
 * *info is cleared first: NULL after a failure. */
OTL_API OtlStatus adShrOtlGetOutlineInfo(OtlOutline *outline, OtlOutlineInfo **info);
/* Changes the case rule, outline type and automatic configuration; alias
 * tables in info are not read. A type above 1 gives OTL_ERR_OUTLINE_TYPE.
 * Refused when turning case sensitivity off
 * would make two names equal, when the outline does not pass as a currency
 * outline, or when a currency outline made normal keeps a dimension tagged
 * 4 (OTL_ERR_RULE_DIM_TAG). */
OTL_API OtlStatus adShrOtlSetOutlineInfo(OtlOutline *outline, const OtlOutlineInfo *info);

/* Outline files (docs/file-format.md). fileName is handed to the file
 * services as it is. */
/* Reads an outline file into a new outline, released with
 * adShrOtlCloseOutline; its change log is on when logChanges is nonzero.
 * A file that cannot be opened or read, is cut short, or holds data that
 * does not fit together: OTL_ERR_FILE; an attribute element the reader does
 * not know: OTL_ERR_UNKNOWN_TAG; a section header the file services cannot
 * read: their status; a failed allocation: the host's status. No count or
 * length in a file is trusted before the bytes it claims are there.
 * *outOutline is cleared first: NULL after a failure, and nothing stays
 * allocated. */
OTL_API OtlStatus adShrOtlOpenOutline(const OtlHostContext *host, const char *fileName,
                                      uint8_t logChanges, OtlOutline **outOutline);
/* Saves the outline. The file services write a new file beside fileName
 * and put it in place only once it is complete, so a failed save leaves the
 * previous file as it was. Refused in field-access mode. With
 * autoConfigure set, the dimensions' storage types are chosen first (more
 * than 25 dimensions: OTL_ERR_AUTOCONFIG_DIMS). Unless skipVerify is
 * nonzero or `verified` is set, the outline is verified as
 * adShrOtlVerifyOutline does, and faults give OTL_ERR_NOT_VERIFIED with no
 * file written. A save leaves on the outline the numbers of every item
 * (dimensionNumber, memberNumber, storedNumber), its record's position
 * (recordOffset), the statistics, the dimension table and the association
 * matrices it wrote; a failed one leaves the outline as it was, those, the
 * storage types and `verified` included, but for the findings its
 * verification left on the items. The file services' status when the file
 * cannot be created; OTL_ERR_FILE when they fail later, or for a text
 * longer than 65534 bytes or a list longer than 65535 entries (more than
 * 65535 dimensions among them); a failed allocation: the host's status. */
OTL_API OtlStatus adShrOtlWriteOutline(OtlOutline *outline, const char *fileName,
                                       uint8_t skipVerify);

/* Items and tree walks. The otl* item operations below are the library's
 * own building blocks: they neither hash, log nor check rules. */
/* A new cleared item, in no outline. */
OTL_API OtlStatus otlNewItem(const OtlHostContext *host, OtlItem **item);
/* Releases an item's texts and lists (alias slots 0 to aliasTableCount - 1),
 * then the item unless it lives in the outline's item pool. It is neither
 * unlinked nor taken out of the name hash. item may be NULL. */
OTL_API void otlFreeItem(OtlOutline *outline, OtlItem *item, uint16_t aliasTableCount);
/* Links an unlinked item as the first child of parent and renumbers the
 * generations below it; with updateLevels, raises the ancestors' levels.
 * parent may be NULL: nothing happens. */
OTL_API void otlAddChildItem(OtlItem *parent, OtlItem *item, uint8_t updateLevels);
/* Links an unlinked item right after sibling, as otlAddChildItem does.
 * sibling may be NULL: nothing happens. */
OTL_API void otlAddSiblingItem(OtlItem *sibling, OtlItem *item, uint8_t updateLevels);
/* The dimension an item lies in (the item itself for a dimension); NULL for
 * NULL and for the universe member. */
OTL_API OtlItem *otlGetDim(OtlItem *item);
/* The first dimension, or NULL. *result is cleared first: NULL also after
 * OTL_ERR_ACCESS_MODE. */
OTL_API OtlStatus adShrOtlGetFirstMember(OtlOutline *outline, OtlItem **result);
/* One step of a walk: first child, parent (NULL for a dimension: the
 * universe member is never handed out), next and previous sibling. item may
 * be NULL: *result becomes NULL. In field-access mode OTL_ERR_ACCESS_MODE. */
OTL_API OtlStatus adShrOtlGetChild(OtlOutline *outline, OtlItem *item, OtlItem **result);
OTL_API OtlStatus adShrOtlGetParent(OtlOutline *outline, OtlItem *item, OtlItem **result);
OTL_API OtlStatus adShrOtlGetNextSibling(OtlOutline *outline, OtlItem *item, OtlItem **result);
OTL_API OtlStatus adShrOtlGetPrevSibling(OtlOutline *outline, OtlItem *item, OtlItem **result);

/* Lookup */
/* Enters an item's member name, short name and aliases in the name hash,
 * without looking for duplicates. On failure the names entered so far are
 * taken out again. */
OTL_API OtlStatus otlHashAddItem(const OtlHostContext *host, OtlOutline *outline, OtlItem *item);
/* The non-shared member of that name under the outline's case rule, by
 * member name only (no alias, no short name); the universe member's name, in
 * any case, gives the root. name may be NULL. *member is cleared first: NULL
 * when none is found. Always OTL_OK. */
OTL_API OtlStatus adShrOtlFindMember(OtlOutline *outline, const char *name, OtlItem **member);
/* The next shared member of member's name in pre-order over all dimensions:
 * after member when it is shared, else the first anywhere. member may be
 * NULL. *next is NULL when there is none. In field-access mode
 * OTL_ERR_ACCESS_MODE. */
OTL_API OtlStatus adShrOtlGetNextSharedMember(OtlOutline *outline, OtlItem *member, OtlItem **next);
/* The same in the name hash's order. *position is where the scan starts: -1
 * for the first, else one past the position last found. On a find *next is
 * the shared member and *position its place; otherwise *next is NULL and
 * *position is kept. member may be NULL: nothing is found. In field-access
 * mode OTL_ERR_ACCESS_MODE. */
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

/* Sets the outline's attribute naming to the defaults: every scalar 0, the
 * texts True, False, Attribute Calculations, Sum, Count, Average, Min, Max.
 * Replacing a calculations dimension name clears `verified`. outline may be
 * NULL: OTL_ERR_GENERIC. */
OTL_API OtlStatus otlInitDefaultAttrSpecs(OtlOutline *outline);
/* A copy of the outline's attribute naming, released with
 * adShrOtlFreeAttrSpecs. outline or specs NULL: OTL_ERR_GENERIC. *specs is
 * cleared first: NULL after a failure. */
OTL_API OtlStatus adShrOtlGetAttributeSpecifications(OtlOutline *outline, OtlAttrSpecs **specs);
/* Checks new attribute naming, gives every numeric, boolean and date member
 * whose name it shapes its new name (logged as renames), renames the
 * calculations dimension and its members, and copies the record in; the
 * caller keeps its record. outline or specs NULL: OTL_ERR_GENERIC. A
 * failure leaves every name and the outline's record as they were. */
OTL_API OtlStatus adShrOtlSetAttributeSpecifications(OtlOutline *outline,
                                                     const OtlAttrSpecs *specs);
/* Copies the scalars and the texts changeFlags selects from source to
 * destination, releasing the texts replaced; source may be destination.
 * host, destination or source NULL: OTL_ERR_GENERIC. */
OTL_API OtlStatus adShrOtlCopyAttrSpecs(const OtlHostContext *host, OtlAttrSpecs *destination,
                                        const OtlAttrSpecs *source, uint8_t changeFlags);
/* Releases a record's texts and sets them to NULL; the record stays. specs
 * may be NULL. */
OTL_API void adShrOtlFreeAttrSpecsMembers(const OtlHostContext *host, OtlAttrSpecs *specs);
/* Releases a record from adShrOtlGetAttributeSpecifications with its texts.
 * specs may be NULL. Always OTL_OK. */
OTL_API OtlStatus adShrOtlFreeAttrSpecs(const OtlHostContext *host, OtlAttrSpecs *specs);
/* Releases a text value and sets it to NULL; the record is the caller's.
 * attribute may be NULL. Always OTL_OK. */
OTL_API OtlStatus adShrOtlFreeAttribute(const OtlHostContext *host, OtlAttribute *attribute);
/* Writes the short name of the item's value (number, boolean text or date,
 * as the outline's attribute naming writes it) to shortName, which holds at
 * least OTL_NAME_SIZE bytes. No value or a text value: OTL_NO_SHORT_NAME,
 * nothing written. A numeric value empties shortName first, so a failure
 * leaves it empty. outline, item or shortName NULL: OTL_ERR_GENERIC. */
OTL_API OtlStatus otlAttrGetShortName(OtlOutline *outline, const OtlItem *item, char *shortName);

/* Attribute queries. Nothing here changes the outline. */
/* The items of attribute dimensions (tag OTL_TAG_ATTRIBUTE, the dimensions
 * themselves included) whose member name or short name equals valueText
 * under the outline's case rule, aliases not counted, in the name hash's
 * order; it reads only the hash, so field-access mode does not refuse it.
 * A text made only of digits, '-' and '.' that reads as a number is looked
 * for in its canonical form (03.50 as 3.5, -7 as 7-). dimensionName may be
 * NULL or empty: any attribute dimension; otherwise the item's dimension
 * must have that name. *count and *members are cleared first: 0 and NULL
 * after a failure and when nothing is found. The array is released with
 * adShrOtlFree. */
OTL_API OtlStatus adShrOtlFindAttributeMembers(OtlOutline *outline, const char *valueText,
                                               const char *dimensionName, uint16_t *count,
                                               OtlItem ***members);
/* For a base dimension, its associated attribute dimensions in link-slot
 * order; for a base member, its associated attribute members in entry order
 * (a shared member answers for the member of its name, a label-only member
 * for its first child). Emptied slots and deleted attribute members are
 * left out. In field-access mode OTL_ERR_ACCESS_MODE; an item of an
 * attribute or attribute calculations dimension OTL_ERR_ATTR_IN_ATTR_DIM.
 * *count and *attributes are cleared first: 0 and NULL after a failure and
 * when there is none. The array is released with adShrOtlFree. */
OTL_API OtlStatus adShrOtlGetAssociatedAttributes(OtlOutline *outline, OtlItem *item,
                                                  uint16_t *count, OtlItem ***attributes);
/* Field-access mode only (else OTL_ERR_ACCESS_MODE): one OtlAttrInfo per
 * entry of the item's host attribute lists. OTL_ERR_FIELD_MASK unless the
 * item's field mask is active (fieldMaskActive 1) with OTL_FIELD_ATTR_TEXTS1,
 * _TEXTS2 and _VALUES set and the lists hold an entry. *count and *infos are
 * cleared first: 0 and NULL after a failure. Release each record's value
 * with adShrOtlFreeAttribute, then the array with adShrOtlFree. */
OTL_API OtlStatus adShrOtlGetAssociatedAttributesInfo(OtlOutline *outline, OtlItem *item,
                                                      uint32_t *count, OtlAttrInfo **infos);
/* Field-access mode only (else OTL_ERR_ACCESS_MODE): a new copy of the
 * field an OTL_FIELD_ selector names, released with adShrOtlFree: a number
 * of the width its selector gives, a text (NULL for an empty or absent
 * one), or for OTL_FIELD_ATTR_VALUE an OtlAttribute (type OTL_ATTR_NONE
 * unless hasAttrValue is set; a text value is cut to OTL_NAME_SIZE - 1
 * bytes and released with adShrOtlFreeAttribute first). A selector that is
 * 0, above OTL_FIELD_ATTR_VALUE or no field, or whose bit an active field
 * mask (fieldMaskActive 1) lacks: OTL_ERR_FIELD_MASK; field NULL:
 * OTL_ERR_NO_OUTPUT_ARG, after the mask test. *field is written on success
 * only. */
OTL_API OtlStatus adShrOtlGetMemberField(OtlOutline *outline, OtlItem *item, uint32_t selector,
                                         void **field);

/* Editing: adding, deleting, renaming and moving members */
/* Adds a member from info after prevSibling, else as the first child of
 * parent, else as the first dimension; parent and prevSibling may be NULL.
 * checkMode selects the rule checks. With the log on, appends an added
 * record. On success *outMember is the new member. For clients from
 * OTL_CLIENT_ATTR_RULES the attribute naming writes to info: memberName may
 * become the composed name, attrValueType and attrValue the value. A text
 * value written there belongs to the new member; after a failure it is
 * released and attrValue holds what the caller gave. The other fields stay
 * written after a failure. */
OTL_API OtlStatus adShrOtlAddMember(OtlOutline *outline, OtlMbrInfo *info, OtlItem *parent,
                                    OtlItem *prevSibling, OtlItem **outMember,
                                    uint16_t checkMode);
/* Adds a dimension after prevDimension (first when NULL), as
 * adShrOtlAddMember does with every check. For clients from
 * OTL_CLIENT_ATTR_RULES, an attribute dimension put before the base
 * dimension that follows prevDimension gives OTL_ERR_ATTR_DIM_ORDER_ADD.
 * changeText may be NULL; with the log on, the added record keeps a copy. */
OTL_API OtlStatus adShrOtlAddDimension(OtlOutline *outline, OtlMbrInfo *info,
                                       OtlItem *prevDimension, const char *changeText,
                                       OtlItem **outMember);
/* Deletes a member with its subtree and every shared member whose source
 * lies in it; the attribute calculations dimension goes with the last
 * attribute dimension. OTL_CHECK_ALL and OTL_CHECK_STRUCTURE refuse the only
 * child of a label-only member and the time dimension while a member is time
 * balanced; under every mode, so is a delete that would take all children
 * of a label-only member as shared copies (OTL_ERR_RULE_LABEL_ONLY). With the
 * log on, one deleted record, for member alone. */
OTL_API OtlStatus adShrOtlDeleteMember(OtlOutline *outline, OtlItem *member, uint16_t checkMode);
/* Deletes a dimension as adShrOtlDeleteMember does with every check; any
 * other member gives OTL_ERR_DIM_NOT_FOUND. changeText may be NULL; for a
 * base dimension it must not name a shared or computed member
 * (OTL_ERR_DIM_CHANGE_TEXT). With the log on, the deleted record keeps a
 * copy. */
OTL_API OtlStatus adShrOtlDeleteDimension(OtlOutline *outline, OtlItem *dimension,
                                          const char *changeText);
/* Renames a member, and its shared members unless it is shared itself or an
 * attribute member. The name is not looked up: verification reports a
 * duplicate. An attribute member's value follows its new name; members of
 * the attribute calculations dimension give OTL_ERR_ATTR_CALC_MEMBER.
 * newName may be NULL: OTL_ERR_MEMBER_NAME. With the log on, logs the rename
 * or rewrites the name in the records that hold it. */
OTL_API OtlStatus adShrOtlRenameMember(OtlOutline *outline, OtlItem *member, const char *newName);
/* Moves a member with its subtree after newPrevSibling, else as the first
 * child of newParent, else to the first dimension; both may be NULL.
 * OTL_ERR_INVALID_MOVE for a move into its own subtree, of a shared member to
 * dimension level, or of shared links across dimensions; the last refusal
 * leaves the old and new dimension's dimChanged marks set. Members of the
 * attribute calculations dimension give OTL_ERR_ATTR_CALC_MEMBER. With the
 * log on, appends a moved record. */
OTL_API OtlStatus adShrOtlMoveMember(OtlOutline *outline, OtlItem *member, OtlItem *newParent,
                                     OtlItem *newPrevSibling);

/* Attribute associations. The refusals come in the order listed; a refusal
 * changes nothing except where it names a dimChanged mark. A successful
 * change marks the attribute dimension it touched with dimChanged. */
/* Links an attribute dimension to a base dimension through a new link slot
 * of level 0. Refused in field-access mode, when either is not sparse
 * (OTL_ERR_ATTR_STORAGE) or not a dimension (OTL_ERR_DIM_NOT_FOUND), when
 * the base dimension is an attribute or calculations dimension
 * (OTL_ERR_ATTR_IN_ATTR_DIM), the other no attribute dimension
 * (OTL_ERR_ATTR_NOT_ATTRIBUTE), or already linked (OTL_ERR_ATTR_ALREADY). */
OTL_API OtlStatus adShrOtlAssociateAttributeDimension(OtlOutline *outline, OtlItem *baseDimension,
                                                      OtlItem *attrDimension);
/* Empties the base dimension's slot of the attribute dimension; base
 * members' associations through it count as empty from then on. Refused as
 * the association is up to the attribute-dimension test, without the
 * storage test; a pair that is not linked gives OTL_ERR_ATTR_NOT_ASSOCIATED
 * and marks the attribute dimension. */
OTL_API OtlStatus adShrOtlDisassociateAttributeDimension(OtlOutline *outline,
                                                         OtlItem *baseDimension,
                                                         OtlItem *attrDimension);
/* Associates a base member with a childless member of an attribute dimension
 * linked to the base member's dimension (or with that attribute dimension
 * when it has no members). Refused in field-access mode, for a shared or
 * label-only base member (OTL_ERR_ATTR_SHARED_BASE), a base member in an
 * attribute or calculations dimension (OTL_ERR_ATTR_IN_ATTR_DIM), no
 * attribute member (OTL_ERR_ATTR_NOT_ATTRIBUTE), a dimension as base member
 * (OTL_ERR_ATTR_DISASSOCIATE), an attribute member with children
 * (OTL_ERR_ATTR_NON_LEAF); then, marking the attribute dimension, for
 * dimensions not linked (OTL_ERR_ATTR_NOT_ASSOCIATED) and, unless replace is
 * nonzero, for a base member already associated with a member of that
 * attribute dimension that still exists (OTL_ERR_ATTR_ALREADY). */
OTL_API OtlStatus adShrOtlAssociateAttributeMember(OtlOutline *outline, OtlItem *baseMember,
                                                   OtlItem *attrMember, uint8_t replace);
/* Ends the base member's association with the attribute member. Refused as
 * the association is up to the dimension test; no such association:
 * OTL_ERR_ATTR_NO_ASSOCIATION. */
OTL_API OtlStatus adShrOtlDisassociateAttributeMember(OtlOutline *outline, OtlItem *baseMember,
                                                      OtlItem *attrMember);
/* 1 for the attribute calculations dimension and its members, else 0;
 * item may be NULL: 0. */
OTL_API OtlBool adShrOtlIsAttrCalc(const OtlItem *item);

/* Member information, comments and formulas. Records and texts handed out
 * belong to the caller. */
/* The member's properties in a new record of the client's form
 * (OTL_MBRINFO_LEGACY_SIZE or OTL_MBRINFO_FULL_SIZE bytes), released with
 * adShrOtlFreeMbrInfo. outInfo NULL: OTL_ERR_NO_OUTPUT_ARG; outline or
 * member NULL: OTL_ERR_GENERIC; OTL_ERR_FIELD_MASK when the member's field
 * mask hides it. *outInfo is cleared first: NULL after a failure. */
OTL_API OtlStatus adShrOtlGetMemberInfo(OtlOutline *outline, OtlItem *member,
                                        OtlMbrInfo **outInfo);
/* Changes the member's properties to info's, the name excepted, and runs the
 * checks of checkMode. outline, member or info NULL: OTL_ERR_GENERIC.
 * OTL_ERR_RULE_CATEGORY keeps the change whole and clears `verified`; any
 * other failure leaves the member and the attribute bookkeeping as they
 * were. */
OTL_API OtlStatus adShrOtlSetMemberInfo(OtlOutline *outline, OtlItem *member,
                                        const OtlMbrInfo *info, uint16_t checkMode);
/* Releases a block of count records from adShrOtlGetMemberInfo with the
 * text values of the level-0 ones. infos may be NULL. Always OTL_OK. */
OTL_API OtlStatus adShrOtlFreeMbrInfo(const OtlHostContext *host, uint32_t count,
                                      OtlMbrInfo *infos);
/* A copy of the member's extended comment, formula or last formula (the
 * formula when none is kept apart), released with adShrOtlFree; NULL when
 * it has none. outText NULL: OTL_ERR_NO_OUTPUT_ARG; outline or member NULL:
 * OTL_ERR_GENERIC; OTL_ERR_FIELD_MASK when the member's field mask hides the
 * text. *outText is cleared first: NULL after a failure. */
OTL_API OtlStatus adShrOtlGetMemberCommentEx(OtlOutline *outline, OtlItem *member,
                                             char **outText);
/* Replaces the extended comment by a copy of text, at most 8192 bytes
 * (OTL_ERR_COMMENT_LONG); text NULL or empty removes it. outline or member
 * NULL: OTL_ERR_GENERIC. */
OTL_API OtlStatus adShrOtlSetMemberCommentEx(OtlOutline *outline, OtlItem *member,
                                             const char *text);
OTL_API OtlStatus adShrOtlGetMemberFormula(OtlOutline *outline, OtlItem *member, char **outText);
OTL_API OtlStatus adShrOtlGetMemberLastFormula(OtlOutline *outline, OtlItem *member,
                                               char **outText);
/* Replaces the formula by a copy of text. text NULL or empty:
 * OTL_ERR_RULE_FORMULA; a label-only or shared member:
 * OTL_ERR_FORMULA_NOT_STORED. outline or member NULL: OTL_ERR_GENERIC. */
OTL_API OtlStatus adShrOtlSetMemberFormula(OtlOutline *outline, OtlItem *member,
                                           const char *text);
/* Removes the formula; none gives OTL_ERR_NO_FORMULA. Leaves `verified` as
 * it was. outline or member NULL: OTL_ERR_GENERIC. */
OTL_API OtlStatus adShrOtlDeleteMemberFormula(OtlOutline *outline, OtlItem *member);

/* Verification. A run leaves its findings on the items (faultFlags word
 * 1, attrFaultFlags word 2, the bits of the member rule checks) and never
 * refuses for a fault: faults are results, not failures. */
/* Checks the whole outline: the outline-level rules, every member, the
 * attribute dimensions and associations, and duplicate names.
 * *outlineFaults receives the outline-level word (0x200000 a currency
 * outline of more than OTL_MAX_CURRENCY_DIMS dimensions, 0x4000 attribute
 * dimensions without the calculations dimension last); when it is nonzero
 * no member is checked, every member's words are cleared, the report is
 * empty and `verified` is cleared. Otherwise every member's words are found
 * anew (no bit survives an earlier run) and *report is a new array of
 * *count entries, one per member whose words are nonzero, in pre-order,
 * released with adShrOtlFree (NULL when *count is 0). `verified` is set
 * unless an entry holds a fault other than a generation or level name
 * clash or a warning (word-1 bits 0x1000000 to 0x40000000 alone). The run
 * also settles what the checks fix: attribute dimensions and their
 * members of tag OTL_TAG_ATTRIBUTE get consolidation 5, and the
 * association level of each attribute dimension follows the first base
 * member met. OTL_OK whenever the checks ran; OTL_ERR_ACCESS_MODE in
 * field-access mode, with nothing written; otherwise an allocation status,
 * after which the members' words hold this run's findings and `verified` is
 * as it was. The three out-parameters are cleared first (after the
 * field-access test): 0, 0 and NULL after a failure. None may be NULL. */
OTL_API OtlStatus adShrOtlVerifyOutline(OtlOutline *outline, uint32_t *outlineFaults,
                                        uint32_t *count, OtlFaultEntry **report);
/* The member checks over first, its following siblings and all their
 * descendants: each member's word 1 is found anew (a dimension or an item
 * of an attribute or calculations dimension keeps the bits
 * otlVerifyAttrDims gave it), word 2 gains the attribute-member checks, a
 * base member's word 2 is found anew with its associations' checks, which
 * also mark the attribute members concerned. 1 when any word it visited or
 * marked is nonzero. first may be NULL: 0. Not refused in field-access
 * mode. */
OTL_API OtlBool otlVerifyItems(const OtlHostContext *host, OtlOutline *outline, OtlItem *first);
/* The dimension-order and attribute-dimension checks: clears and then sets
 * the words of every dimension and of every item of an attribute or
 * calculations dimension. 1 when it found a fault. Not refused in
 * field-access mode. */
OTL_API OtlBool otlVerifyAttrDims(OtlOutline *outline);

/* Generation and level names. A name follows the member name rules and is
 * unique in the outline among the generation and level names of every
 * dimension (without regard to case) and among member names and aliases.
 * Numbers count generations from 1 (the dimension) and levels from 0 (the
 * leaves). dimensionName is looked up among member names; NULL finds
 * nothing. */
/* The reader's way in: links a copy of name (NULL or empty: no text) into
 * the dimension's list in number order, with no check. kind is an
 * OTL_NAME_KIND_. host and dimension must not be NULL. */
OTL_API OtlStatus otlAddName(const OtlHostContext *host, OtlItem *dimension, const char *name,
                             uint16_t number, uint8_t kind);
/* Names a generation (level) of a dimension. Refused, in this order, in
 * field-access mode, for a name breaking the rules or NULL
 * (OTL_ERR_GEN_LEVEL_NAME), a dimensionName that names no dimension
 * (OTL_ERR_DIM_NOT_FOUND), generation 0 (OTL_ERR_GENERATION_ZERO; level 0 is
 * a level), a number already named (OTL_ERR_GEN_LEVEL_EXISTS), a name used by
 * a generation or level name (OTL_ERR_GEN_LEVEL_NAME_USED) or by a member or
 * alias (OTL_ERR_GEN_LEVEL_IS_MEMBER). */
OTL_API OtlStatus adShrOtlSetGenName(OtlOutline *outline, const char *dimensionName,
                                     uint16_t generation, const char *name);
OTL_API OtlStatus adShrOtlSetLevelName(OtlOutline *outline, const char *dimensionName,
                                       uint16_t level, const char *name);
/* A copy of the name, released with adShrOtlFree; NULL for a name stored
 * without text. Any member may be named (only dimensions hold names):
 * OTL_ERR_DIM_NOT_FOUND when none has that name, OTL_ERR_NO_GEN_LEVEL_NAME
 * when the number has no name. *name is cleared first: NULL after a
 * failure. Not refused in field-access mode. */
OTL_API OtlStatus adShrOtlGetGenName(OtlOutline *outline, const char *dimensionName,
                                     uint16_t generation, char **name);
OTL_API OtlStatus adShrOtlGetLevelName(OtlOutline *outline, const char *dimensionName,
                                       uint16_t level, char **name);
/* The member's generations (levels) as the OTL_LIST_ selector chooses, in
 * ascending number order, in a new array of *count entries released with
 * adShrOtlFree. A member of level L has the generations 1 to L + 1 and the
 * levels 0 to L. Names stored for numbers beyond that still count: with
 * OTL_LIST_NAMED the count may then exceed the entries filled, the rest
 * being zero. A selector above OTL_LIST_UNNAMED: OTL_ERR_LIST_SELECTOR; no
 * member of that name: OTL_ERR_DIM_NOT_FOUND. *count and *entries are
 * cleared first: 0 and NULL after a failure and when nothing is listed.
 * Not refused in field-access mode. */
OTL_API OtlStatus adShrOtlGetGenNames(OtlOutline *outline, const char *dimensionName,
                                      uint16_t selector, uint32_t *count,
                                      OtlGenLevelEntry **entries);
OTL_API OtlStatus adShrOtlGetLevelNames(OtlOutline *outline, const char *dimensionName,
                                        uint16_t selector, uint32_t *count,
                                        OtlGenLevelEntry **entries);
/* Removes the name of a generation (level) of a dimension. Refused in
 * field-access mode, for a dimensionName that names no dimension
 * (OTL_ERR_DIM_NOT_FOUND) and for a number without a name
 * (OTL_ERR_NO_GEN_LEVEL_NAME). */
OTL_API OtlStatus adShrOtlDeleteGenName(OtlOutline *outline, const char *dimensionName,
                                        uint16_t generation);
OTL_API OtlStatus adShrOtlDeleteLevelName(OtlOutline *outline, const char *dimensionName,
                                          uint16_t level);

/* User-defined attributes: tags on a member, kept in the order added. */
/* The reader's way in: appends a copy of text (NULL or empty: no text) to
 * the item's tags, with no check. item may be NULL: nothing happens. */
OTL_API OtlStatus otlAddUserAttribute(const OtlHostContext *host, OtlItem *item,
                                      const char *text);
/* Appends a tag unless the member has it already under the outline's case
 * rule; either way `verified` is cleared. Refused in field-access mode, for
 * a text breaking the member name rules or NULL (OTL_ERR_UDA_NAME) and on a
 * shared member (OTL_ERR_RULE_SHARED_UDA). */
OTL_API OtlStatus adShrOtlSetUserAttribute(OtlOutline *outline, OtlItem *item, const char *text);
/* Removes the member's first tag equal to text under the outline's case
 * rule. Refused in field-access mode; no such tag (text NULL included):
 * OTL_ERR_UDA_NOT_FOUND. */
OTL_API OtlStatus adShrOtlDeleteUserAttribute(OtlOutline *outline, OtlItem *item,
                                              const char *text);
/* The member's tags in a new array of *count slots, released with
 * adShrOtlFree; a tag without text leaves its slot empty, at the end. At
 * most 65535 are listed. OTL_ERR_FIELD_MASK when the member's active field
 * mask lacks OTL_FIELD_USER_ATTRIBUTE; not refused in field-access mode.
 * *count and *slots are cleared first: 0 and NULL after a failure and for
 * a member without tags. */
OTL_API OtlStatus adShrOtlGetUserAttributes(OtlOutline *outline, OtlItem *item, uint16_t *count,
                                            OtlNameSlot **slots);
/* The distinct tags (under the outline's case rule) of the member named by
 * request->dimensionName and every member below it, in pre-order, in a new
 * array of info->count slots released with adShrOtlFree; with none, nothing
 * is allocated and info->count is left alone. No member of that name:
 * OTL_ERR_DIM_NOT_FOUND. In field-access mode the file services' server
 * answers instead (otlGetSrvDimAttributes, with the outline's
 * fileServiceHandle and the three arguments as given), and its status is
 * returned. *slots is cleared first: NULL after a failure. */
OTL_API OtlStatus adShrOtlGetDimensionUserAttributes(OtlOutline *outline,
                                                     OtlDimUdaRequest *request,
                                                     OtlDimUdaInfo *info, OtlNameSlot **slots);

/* Dynamic time series: H-T-D, Y-T-D, S-T-D, P-T-D, Q-T-D, M-T-D, W-T-D and
 * D-T-D, whose period names are History, Year, Season, Period, Quarter,
 * Month, Week and Day. */
/* enable nonzero: names the generation of the time dimension (the first
 * tagged OTL_TAG_TIME) with the series' period name, as adShrOtlSetGenName
 * does with its refusals from the number on. enable 0: removes that name;
 * generation must be the one the series was enabled at, still named with
 * the period name exactly (else OTL_ERR_DTS_NOT_ENABLED). A series already
 * as asked: OTL_OK, nothing changes. Refused first in field-access mode,
 * without a time dimension (OTL_ERR_NO_TIME_DIM), for a dtsName that is no
 * series name in any ASCII case, NULL included (OTL_ERR_NOT_DTS_NAME). */
OTL_API OtlStatus adShrOtlEnableDTSMember(OtlOutline *outline, const char *dtsName,
                                          uint16_t generation, uint8_t enable);
/* The enabled series in their fixed order, each with the number of the
 * time dimension's generation named with its period name (without regard
 * to case), in a new array of *count entries released with adShrOtlFree.
 * Without a time dimension: OTL_ERR_NO_TIME_DIM. With none enabled, *count
 * is 0 and *entries is left alone. Not refused in field-access mode. */
OTL_API OtlStatus adShrOtlGetEnabledDTSMembers(OtlOutline *outline, uint16_t *count,
                                               OtlDtsEntry **entries);
/* The series' alias in an alias table: aliasTableName NULL or empty is the
 * default table, any other is compared without regard to case. A dtsName
 * that is no series name without regard to case (NULL or empty included):
 * OTL_ERR_NOT_DTS_NAME; a table that does not exist:
 * OTL_ERR_ALIAS_TABLE_NOT_FOUND. The alias operations neither refuse in
 * field-access mode nor clear `verified`. */
/* A copy of the alias, released with adShrOtlFree; NULL when there is
 * none. *alias is cleared first: NULL after a failure. */
OTL_API OtlStatus adShrOtlGetDTSMemberAlias(OtlOutline *outline, const char *dtsName,
                                            const char *aliasTableName, char **alias);
/* Sets the alias. An alias that is NULL, empty, breaking the name rules or
 * longer than 30 bytes: OTL_ERR_ALIAS (before the table is looked for). It
 * is not compared with member names. */
OTL_API OtlStatus adShrOtlSetDTSMemberAlias(OtlOutline *outline, const char *dtsName,
                                            const char *alias, const char *aliasTableName);
/* Clears the alias of one table; clearing an empty one succeeds. */
OTL_API OtlStatus adShrOtlDeleteDTSMemberAlias(OtlOutline *outline, const char *dtsName,
                                               const char *aliasTableName);

/* Alias tables, aliases and alias combinations. A table is named by its
 * name, compared without regard to case; tableName NULL or empty means
 * table 0 (OTL_DEFAULT_ALIAS_TABLE), a name no table has gives
 * OTL_ERR_ALIAS_TABLE_NOT_FOUND. Refusals come in the order listed, after
 * OTL_ERR_ACCESS_MODE where the operation has it. outline, and member
 * where one is taken, must not be NULL unless said otherwise. */
/* The merge argument of adShrOtlCopyAliasTable. */
#define OTL_ALIAS_COPY_REPLACE 0 /* the target table is cleared first */
#define OTL_ALIAS_COPY_MERGE 1   /* the target keeps what the source does not replace */

/* Adds an empty table at the end. tableName NULL, empty or the name of a
 * table: OTL_ERR_ALIAS_TABLE_NAME_USED; an eleventh table:
 * OTL_ERR_ALIAS_TABLE_LIMIT; more than OTL_TABLE_NAME_SIZE - 1 bytes:
 * OTL_ERR_ALIAS_TABLE_NAME_LONG. */
OTL_API OtlStatus adShrOtlCreateAliasTable(OtlOutline *outline, const char *tableName);
/* Copies every member's alias and alias combinations of sourceTable into
 * targetTable, creating the target (with the refusals of
 * adShrOtlCreateAliasTable) when no table has its name. A source alias
 * replaces the target's; a source combination whose alias text the target
 * has replaces that entry's member list, any other is appended. merge
 * OTL_ALIAS_COPY_REPLACE clears the target first, any other value keeps
 * the rest. The same table: OTL_ERR_ALIAS_TABLE_SELF_COPY. The copy is
 * whole or, after a failure, not made at all: no table is created. Names
 * the target then holds twice are not refused; verification reports them. */
OTL_API OtlStatus adShrOtlCopyAliasTable(OtlOutline *outline, const char *sourceTable,
                                         const char *targetTable, uint8_t merge);
/* Renames a table; table 0 keeps its name (OTL_ERR_ALIAS_TABLE0_RENAME).
 * newName as for adShrOtlCreateAliasTable, the table's own name included. */
OTL_API OtlStatus adShrOtlRenameAliasTable(OtlOutline *outline, const char *oldName,
                                           const char *newName);
/* Removes every member's alias and alias combinations of the table; the
 * table stays. */
OTL_API OtlStatus adShrOtlClearAliasTable(OtlOutline *outline, const char *tableName);
/* Clears the table and removes it; the tables after it move down one
 * place, with the members' alias slots and the time series aliases. Table
 * 0: OTL_ERR_ALIAS_TABLE0_DELETE. */
OTL_API OtlStatus adShrOtlDeleteAliasTable(OtlOutline *outline, const char *tableName);

/* A copy of the member's alias in the table, released with adShrOtlFree;
 * NULL when it has none. outAlias NULL: OTL_ERR_NO_OUTPUT_ARG; a field mask
 * without OTL_FIELD_ALIAS: OTL_ERR_FIELD_MASK. *outAlias is cleared first:
 * NULL after a failure. Not refused in field-access mode. */
OTL_API OtlStatus adShrOtlGetMemberAlias(OtlOutline *outline, OtlItem *member,
                                         const char *tableName, char **outAlias);
/* Gives the member a copy of alias as its alias in the table, replacing
 * the one it had, then runs the checks of checkMode. alias NULL or empty:
 * OTL_ERR_ALIAS; unless alias is the member's own name, one that another
 * member (not named like this one) has as its name, or as an alias or
 * combination alias of the table: OTL_ERR_NAME_USED. A rule fault keeps
 * the old alias. */
OTL_API OtlStatus adShrOtlSetMemberAlias(OtlOutline *outline, OtlItem *member,
                                         const char *tableName, const char *alias,
                                         OtlCheckMode checkMode);
/* Removes the member's alias in the table; none: OTL_ERR_NO_ALIAS. Leaves
 * `verified` as it was. */
OTL_API OtlStatus adShrOtlDeleteMemberAlias(OtlOutline *outline, OtlItem *member,
                                            const char *tableName);
/* The member that has alias as an alias or combination alias in the table,
 * or in any table when tableName is NULL or empty, under the outline's case
 * rule; member names and shared members are never found. alias may be
 * NULL: nothing is found. *outMember is cleared first: NULL after a failure
 * and when none is found. */
OTL_API OtlStatus adShrOtlFindAlias(OtlOutline *outline, const char *alias,
                                    const char *tableName, OtlItem **outMember);
/* Appends a combination of aliasText and memberList to the member's list
 * of the table, then runs every check. member NULL, or aliasText or
 * memberList NULL or empty: OTL_ERR_GENERIC, after the table is found; an
 * aliasText that is a member name, or an alias or combination alias of the
 * table: OTL_ERR_NAME_USED. A rule fault leaves no combination behind: an
 * aliasText breaking the name rules gives OTL_ERR_RULE_COMBO_ALIAS, a
 * member list naming a member that does not exist
 * OTL_ERR_RULE_COMBO_MEMBER. */
OTL_API OtlStatus adShrOtlAddAliasCombination(OtlOutline *outline, OtlItem *member,
                                              const char *tableName, const char *aliasText,
                                              const char *memberList);
/* Removes the member's combination of the table whose alias text equals
 * aliasText under the outline's case rule. member NULL, or aliasText NULL
 * or empty: OTL_ERR_GENERIC; none: OTL_ERR_COMBO_NOT_FOUND. */
OTL_API OtlStatus adShrOtlDeleteAliasCombination(OtlOutline *outline, OtlItem *member,
                                                 const char *tableName, const char *aliasText);
/* One step through the member's combinations of the table: with ioAlias
 * empty the first, else the one after the combination whose alias text
 * equals ioAlias under the outline's case rule. Found: its alias text is
 * copied into ioAlias, which must hold the member's longest one and its
 * NUL (the name rules allow 80 characters), and
 * *outMemberList is a copy of its member list, released with adShrOtlFree.
 * At the end, or when ioAlias names no combination: OTL_OK with
 * *outMemberList NULL and ioAlias unchanged. Start with an empty ioAlias
 * and call until *outMemberList is NULL. ioAlias or outMemberList NULL:
 * OTL_ERR_NO_OUTPUT_ARG; a field mask without OTL_FIELD_ALIAS_AGAIN:
 * OTL_ERR_FIELD_MASK. *outMemberList is cleared first: NULL after a
 * failure, and ioAlias is unchanged. Not refused in field-access mode. */
OTL_API OtlStatus adShrOtlGetNextAliasCombination(OtlOutline *outline, OtlItem *member,
                                                  const char *tableName, char *ioAlias,
                                                  char **outMemberList);
/* Appends a combination to the member's list of table tableIndex (0-based)
 * and enters its alias text in the name hash, without refusals or checks;
 * for readers and copies. outEntry may be NULL; otherwise it is cleared
 * first and holds the new entry on success. member NULL, aliasText or
 * memberList NULL or empty, or a table the outline does not have:
 * OTL_ERR_GENERIC. Leaves `verified` as it was. */
OTL_API OtlStatus otlAddAliasCombo(const OtlHostContext *host, OtlOutline *outline,
                                   OtlItem *member, uint16_t tableIndex, const char *aliasText,
                                   const char *memberList, OtlAliasCombo **outEntry);

/* Dimension queries. None of them changes the outline or is refused in
 * field-access mode; a name is looked up as adShrOtlFindMember does, so
 * the universe member's name finds the universe member. */
/* The number of dimensions. */
OTL_API OtlStatus adShrOtlCountDims(OtlOutline *outline, uint16_t *count);
/* otlGetDim(member): NULL for a NULL member or the universe member. */
OTL_API OtlStatus adShrOtlFindDim(OtlOutline *outline, OtlItem *member, OtlItem **dimension);
/* The greatest generation of a leaf among member, the siblings after it and
 * everything below them; 0 for a NULL member. */
OTL_API OtlStatus adShrOtlCountGens(OtlOutline *outline, OtlItem *member, uint16_t *count);
/* Among the member called name, the siblings after it and everything below
 * them, the first leaf in pre-order of the greatest generation: its parent's
 * name is copied to parentName (OTL_NAME_SIZE bytes), or the leaf's own
 * name when it is a dimension or the universe member, and *generation is
 * its generation. *generation is cleared first; no member of that name:
 * OTL_ERR_GENERIC, parentName untouched. */
OTL_API OtlStatus adShrOtlFindParentLowMbr(OtlOutline *outline, const char *name, char *parentName,
                                           uint16_t *generation);
/* The member or shared member called name whose parent is called
 * parentName (member names only, any dimension); parentName NULL finds as
 * adShrOtlFindMember does. *member is cleared first: NULL when none. */
OTL_API OtlStatus adShrOtlFindMemberParentCombo(OtlOutline *outline, const char *name,
                                               const char *parentName, OtlItem **member);
/* The last child of item (of the universe member when item is NULL), or
 * NULL. */
OTL_API OtlStatus adShrOtlGetLastChild(OtlOutline *outline, OtlItem *item, OtlItem **last);
/* From the first dimension on, the dimension whose next one is an
 * attribute dimension (OTL_TAG_ATTRIBUTE), or for the second operation the
 * attribute calculations dimension (OTL_TAG_ATTR_CALC), else the last
 * dimension; the first dimension whatever its own tag; NULL without
 * dimensions. */
OTL_API OtlStatus adShrOtlGetLastBaseDimension(OtlOutline *outline, OtlItem **dimension);
OTL_API OtlStatus adShrOtlGetLastAttrDimension(OtlOutline *outline, OtlItem **dimension);
/* The base dimension an attribute dimension is linked to; NULL for any
 * other item, NULL included. */
OTL_API OtlItem *otlGetBaseDimension(OtlItem *dimension);

/* Match list: lists of a dimension's members sorted by name, to tell the
 * parent of the nearest name; one slot for each dimension the outline had
 * when the first list was made. A list holds member handles: after deleting
 * members, make the lists that held them again. Not refused in field-access
 * mode; `verified` stays as it was. */
/* Makes the list of the member called dimensionName: the member and every
 * member below it that is not shared, sorted ascending as
 * adShrOtlSortChildren sorts (the outline's sortDirection becomes
 * OTL_SORT_ASCENDING). It replaces the member's earlier list. No member of
 * that name, or no free place in the list: OTL_ERR_GENERIC. On failure the
 * list is as it was. */
OTL_API OtlStatus adShrOtlSetMatchDim(OtlOutline *outline, const char *dimensionName);
/* Looks memberName up in the list of dimensionName by the outline's case
 * rule: the member of that name, else the one sorting last before it, else
 * the first. Its parent's name is copied to parentName (OTL_NAME_SIZE
 * bytes); the dimension's first child stands in for the dimension itself,
 * and the dimension's name for a member without a parent. No member
 * called dimensionName, or no list of it: OTL_ERR_GENERIC, parentName
 * untouched. */
OTL_API OtlStatus adShrOtlFindMatch(OtlOutline *outline, const char *memberName,
                                    const char *dimensionName, char *parentName);
/* Releases the match list. outline may be NULL. */
OTL_API void adShrOtlCleanMatch(OtlOutline *outline);

/* Marks, read by adShrOtlDeleteMarked. A new member is not marked; marking
 * is not an edit: it neither refuses in field-access mode nor clears
 * `verified`. A name that finds nothing marks nothing: OTL_OK. */
/* Marks (with 1) the member called name and everything below it and, unless
 * it is a dimension, each sibling after it with everything below. */
OTL_API OtlStatus adShrOtlMarkDim(OtlOutline *outline, const char *name);
/* Sets the mark of the member called name, or of member (may be NULL:
 * nothing happens); 0 unmarks. */
OTL_API OtlStatus adShrOtlMarkMbr(OtlOutline *outline, const char *name, uint8_t mark);
OTL_API OtlStatus adShrOtlMarkMbrByHandle(OtlOutline *outline, OtlItem *member, uint8_t mark);
/* Walks the member called dimensionName and, unless it is a dimension, the
 * siblings after it, in pre-order: a marked member is deleted as
 * adShrOtlDeleteMember does with OTL_CHECK_ALL (subtree, shared copies and
 * log record included), an unmarked one is walked into. The first failing
 * deletion ends the walk and is returned: the members deleted before it
 * stay deleted, each deletion being whole. A name that finds nothing, or
 * the universe member's, deletes nothing: OTL_OK. Each call writes a begin
 * and an end line to the timing trace. */
OTL_API OtlStatus adShrOtlDeleteMarked(OtlOutline *outline, const char *dimensionName);

/* Sorting */
/* The sort orders of adShrOtlSortChildren. */
#define OTL_SORT_ASCENDING 0  /* by name; members of an attribute dimension by value */
#define OTL_SORT_DESCENDING 1 /* the exact reverse of OTL_SORT_ASCENDING */
#define OTL_SORT_CUSTOM 2     /* by the caller's comparison */
/* The caller's comparison: negative, zero or positive as first sorts
 * before, with or after second; context is the caller's value, passed on. */
typedef int32_t (*OtlCompareFn)(OtlItem *first, OtlItem *second, void *context);
/* Reorders the children of parent (the dimensions when parent is NULL or
 * the universe member) and marks with dimChanged the parent's dimension,
 * or the new first dimension. Ascending: leaf members of an attribute
 * dimension with equal value types OTL_ATTR_NUMERIC or OTL_ATTR_DATE by
 * value; all others by name under the outline's case rule (bytes when case
 * sensitive), a shared member before a member of an equal name. Refused in
 * field-access mode, for an order above OTL_SORT_CUSTOM
 * (OTL_ERR_SORT_ORDER) and for OTL_SORT_CUSTOM without compare
 * (OTL_ERR_SORT_NO_COMPARE). Nothing but the order of siblings changes and
 * nothing is logged; `verified` stays as it was, unless the order sorted is
 * one verification reads: the dimensions', and that of the members of an
 * attribute or attribute calculations dimension. compare must not change
 * the outline. (The sort's work stack cannot run out for any number of
 * children an outline holds; were it to, the children would keep the
 * order reached and OTL_ERR_GENERIC be returned.) */
OTL_API OtlStatus adShrOtlSortChildren(OtlOutline *outline, OtlItem *parent, uint16_t order,
                                       OtlCompareFn compare, void *context);

/* Currency outline */
/* A new currency outline (type OTL_OUTLINE_CURRENCY, automatic
 * configuration on, the source's case rule) with a copy of the time
 * dimension (members, texts, aliases of table 0 with their combinations,
 * user-defined attributes) and the dimensions CurCategory (OTL_TAG_ACCOUNTS)
 * and CurName (OTL_TAG_COUNTRY), holding the distinct currency names of the
 * source's OTL_TAG_ACCOUNTS and OTL_TAG_COUNTRY dimensions in the order
 * first met, and an empty CurType (OTL_TAG_CURRENCY_TYPE, sparse), closed
 * with adShrOtlCloseOutline. Refused in field-access mode, for a currency
 * outline (OTL_ERR_ALREADY_CURRENCY), then without an accounts
 * (OTL_ERR_NO_TAG1_DIM), time (OTL_ERR_NO_TIME_DIM) or country dimension
 * (OTL_ERR_NO_TAG3_DIM); a name the new outline refuses gives the add's
 * status. The source never changes; *currencyOutline is written on success
 * only, and after a failure nothing of the new outline remains. */
OTL_API OtlStatus adShrOtlGenerateCurrencyOutline(OtlOutline *outline,
                                                  OtlOutline **currencyOutline);

#ifdef __cplusplus
}
#endif

#endif /* SHROTL_H */
