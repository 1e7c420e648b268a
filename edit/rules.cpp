/*
 * The member rule check, the attribute-member rule check and the generation
 * and level name clash test. The checks only read the tree and report fault
 * bits, all found bits ORed; the one exception is that the check of a base
 * dimension with attribute associations marks it as carrying attribute
 * values, so that flag is right whenever the dimension has passed a check.
 */
#include "edit/rules.h"

#include "core/hash.h"
#include "core/host.h"
#include "core/records.h"
#include "core/share.h"
#include "core/tree.h"

namespace {

constexpr uint16_t kMaxTag = OTL_TAG_ATTR_CALC;
constexpr uint16_t kMaxCategory = OTL_CATEGORY_ATTR_CALC;
constexpr uint16_t kMaxShareOption = OTL_SHARE_COMPUTED;
constexpr uint16_t kMaxCurrencyMode = 2;
constexpr uint16_t kMaxTimeBalance = 3;
constexpr uint16_t kMaxSkipOption = 3;

bool isComputed(const OtlItem *item)
{
    return item->shareOption == OTL_SHARE_COMPUTED_STORED ||
           item->shareOption == OTL_SHARE_COMPUTED;
}

uint16_t usedAliasSlots(const OtlOutline *outline)
{
    return outline->aliasTableCount < OTL_MAX_ALIAS_TABLES ? outline->aliasTableCount
                                                           : OTL_MAX_ALIAS_TABLES;
}

// Names and value ranges of the member itself.
uint32_t checkValueRanges(const OtlOutline *outline, OtlItem *item, const OtlItem *dim)
{
    uint32_t faults = 0;
    if (!otlValidateName(item->memberName, outline->host))
        faults |= otl::kFaultName;

    if (item == dim) {
        if (item->storageType > 1)
            faults |= otl::kFaultStorage;
        if (!otl::isAttrTag(item->dimensionTag) &&
            item->attrRole == OTL_ATTR_ROLE_LINKED_BASE &&
            item->attrLink.baseDim.attrLinkCount > 0) {
            item->hasAttrValue = 1;
            if (item->storageType != 1)
                faults |= otl::kFaultStorage;
        }
        if (item->dimensionTag > kMaxTag ||
            (item->dimensionTag == OTL_TAG_CURRENCY_TYPE &&
             outline->outlineType == OTL_OUTLINE_NORMAL) ||
            (item->dimensionTag == OTL_TAG_CURRENCY_PARTITION &&
             outline->outlineType == OTL_OUTLINE_CURRENCY))
            faults |= otl::kFaultDimTagRange;
        if (item->dimensionCategory > kMaxCategory)
            faults |= otl::kFaultCategory;
    }

    // The attribute dimension counts among its members here: an only child
    // of it must be computed like its parent (structure group), so the
    // dimension itself has to carry OTL_SHARE_COMPUTED too.
    if (item->dimensionTag == OTL_TAG_ATTRIBUTE) {
        if (item == dim) {
            if (item->storageType != 1)
                faults |= otl::kFaultStorage;
            if (item->dimensionCategory != OTL_CATEGORY_ATTRIBUTE)
                faults |= otl::kFaultCategory;
        }
        if (item->shareOption != OTL_SHARE_COMPUTED)
            faults |= otl::kFaultShareOption;
        if (item->formula)
            faults |= otl::kFaultAttrFormula;
    }

    if (item->shareOption > kMaxShareOption ||
        (item->shareOption == OTL_SHARE_SHARED && item == dim))
        faults |= otl::kFaultShareOption;

    if (dim->dimensionTag == OTL_TAG_ACCOUNTS) {
        if (item->currencyMode > kMaxCurrencyMode)
            faults |= otl::kFaultCurrency;
        if (item->timeBalance > kMaxTimeBalance)
            faults |= otl::kFaultTimeBalance;
        else if (item->skipOption > kMaxSkipOption)
            faults |= otl::kFaultSkip;
    }
    return faults;
}

// Whether the member takes its value from a single child while its first
// child is a shared member.
bool valueFromSharedChild(const OtlItem *item)
{
    return otlImpliedShareTest(item) && item->firstChild->shareOption == OTL_SHARE_SHARED;
}

uint32_t checkStructure(const OtlOutline *outline, const OtlItem *item, const OtlItem *dim)
{
    uint32_t faults = 0;
    const bool nonEmptyCurrency = item->currencyName[0] != '\0';
    if (nonEmptyCurrency &&
        ((dim->dimensionTag == OTL_TAG_ACCOUNTS && item->currencyMode == 1) ||
         dim->dimensionTag == OTL_TAG_COUNTRY) &&
        !otlValidateName(item->currencyName, outline->host))
        faults |= otl::kFaultCurrency;

    if (item == dim && item->dimensionTag != OTL_TAG_NONE &&
        !otl::isAttrTag(item->dimensionTag)) {
        for (const OtlItem *d = outline->root->firstChild; d; d = d->nextSibling) {
            if (d != item && d->dimensionTag == item->dimensionTag) {
                faults |= otl::kFaultDimTag;
                break;
            }
        }
    }

    if (item->shareOption == OTL_SHARE_LABEL_ONLY && !item->firstChild &&
        item->dimensionTag != OTL_TAG_ATTR_CALC)
        faults |= otl::kFaultLabelOnlyLeaf;

    if (item->hasAttrValue == 1) {
        if (item->shareOption == OTL_SHARE_LABEL_ONLY && item != dim)
            faults |= otl::kFaultDimTag;
        if (valueFromSharedChild(item))
            faults |= otl::kFaultDimTag;
    }

    if (dim->dimensionTag == OTL_TAG_ACCOUNTS && item->timeBalance >= 1 &&
        item->timeBalance <= kMaxTimeBalance && !otlFindDimByTag(outline, OTL_TAG_TIME))
        faults |= otl::kFaultNoTimeDim;
    return faults;
}

uint32_t checkAliases(const OtlHostContext *host, OtlOutline *outline, const OtlItem *item)
{
    uint32_t faults = 0;
    const uint16_t slots = usedAliasSlots(outline);
    for (uint16_t t = 0; t < slots; ++t) {
        const char *alias = item->aliases[t].alias;
        if (alias && !otlValidateName(alias, host)) {
            faults |= otl::kFaultAlias;
            break;
        }
    }

    bool comboAliasFault = false;
    for (uint16_t t = 0; t < slots && !comboAliasFault; ++t) {
        for (const OtlAliasCombo *c = item->aliases[t].combos; c; c = c->next) {
            if (item->dimensionTag == OTL_TAG_ATTRIBUTE || !c->aliasText ||
                !otlValidateName(c->aliasText, host)) {
                comboAliasFault = true;
                break;
            }
        }
    }
    if (comboAliasFault)
        faults |= otl::kFaultComboAlias;

    bool comboMemberFault = false;
    for (uint16_t t = 0; t < slots && !comboMemberFault; ++t) {
        for (const OtlAliasCombo *c = item->aliases[t].combos; c; c = c->next) {
            if (!c->memberList || otlCheckAliasCombo(host, outline, outline->root, c->memberList)) {
                comboMemberFault = true;
                break;
            }
        }
    }
    if (comboMemberFault)
        faults |= otl::kFaultComboMember;

    if (item->shareOption == OTL_SHARE_SHARED && item->userAttributes)
        faults |= otl::kFaultSharedUda;
    if (!otl::isStored(item->shareOption) && item->formula)
        faults |= otl::kFaultFormulaNotStored;
    return faults;
}

uint32_t checkShared(const OtlHostContext *host, OtlOutline *outline, const OtlItem *item,
                     const OtlItem *dim)
{
    if (item->shareOption != OTL_SHARE_SHARED)
        return 0;
    uint32_t faults = 0;
    if (item->firstChild)
        faults |= otl::kFaultSharedChildren;
    OtlItem *source = nullptr;
    otlHashLookup(host, outline, item->memberName, nullptr, true, false, 0, dim, &source);
    if (!source)
        faults |= otl::kFaultSharedNoSource;
    return faults;
}

uint32_t checkComputed(const OtlItem *item)
{
    if (!isComputed(item))
        return 0;
    uint32_t faults = 0;
    const bool attrItem = otl::isAttrTag(item->dimensionTag);
    if (!item->formula && !item->firstChild && !attrItem)
        faults |= otl::kFaultShareOption;
    if (!item->nextSibling && !item->prevSibling && item->parent && !isComputed(item->parent))
        faults |= otl::kFaultStorage;
    if (!attrItem && otlCountChildren(item) > otl::kComputedChildWarning)
        faults |= otl::kFaultWarningChildren;
    if (item->level == 2 && !item->firstChild)
        faults |= otl::kFaultCategory;
    return faults;
}

bool equalsAnyName(const OtlOutline *outline, const char *text, const OtlItem *item)
{
    if (otl::namesEqual(outline, text, item->memberName))
        return true;
    const uint16_t slots = usedAliasSlots(outline);
    for (uint16_t t = 0; t < slots; ++t) {
        const char *alias = item->aliases[t].alias;
        if (alias && otl::namesEqual(outline, text, alias))
            return true;
    }
    for (uint16_t t = 0; t < slots; ++t)
        for (const OtlAliasCombo *c = item->aliases[t].combos; c; c = c->next)
            if (c->aliasText && otl::namesEqual(outline, text, c->aliasText))
                return true;
    return false;
}

} // namespace

uint32_t otlCheckMember(const OtlHostContext *host, OtlOutline *outline, OtlItem *item,
                        OtlCheckMode mode)
{
    if (!item || item->generation == 0)
        return 0;
    const bool names = mode == otl::kCheckAll || mode == otl::kCheckNames;
    const bool structure = mode == otl::kCheckAll || mode == otl::kCheckStructure;
    if (!names && !structure)
        return 0;
    const OtlItem *dim = otlGetDim(item);
    if (!dim)
        return 0;

    uint32_t faults = 0;
    if (names)
        faults |= checkValueRanges(outline, item, dim);
    if (structure)
        faults |= checkStructure(outline, item, dim);
    if (names)
        faults |= checkAliases(host, outline, item);
    if (structure)
        faults |= checkShared(host, outline, item, dim);
    if (names && otlNameIsGenLevelName(item, outline))
        faults |= otl::kFaultGenLevelName;
    if (structure)
        faults |= checkComputed(item);
    return faults;
}

uint32_t otlCheckAttrMember(const OtlHostContext * /*host*/, OtlOutline * /*outline*/,
                            const OtlItem *item)
{
    if (!item || item->generation < 2 || item->dimensionTag != OTL_TAG_ATTRIBUTE)
        return 0;
    uint32_t faults = 0;
    if (item->userAttributes)
        faults |= otl::kAttrFaultUda;
    const OtlItem *parent = item->parent;
    if (parent && parent->generation != 0 && parent->dimensionTag != OTL_TAG_ATTRIBUTE)
        faults |= otl::kAttrFaultParent;
    if (item->currencyMode || item->memberOption || item->timeBalance || item->skipOption)
        faults |= otl::kAttrFaultMemberProps;
    return faults;
}

bool otlNameIsGenLevelName(const OtlItem *item, const OtlOutline *outline)
{
    if (!item || !outline->root)
        return false;
    for (const OtlItem *d = outline->root->firstChild; d; d = d->nextSibling)
        for (const OtlGenLevelName *g = d->genLevelNames; g; g = g->nextName)
            if (g->nameText && g->nameText[0] && equalsAnyName(outline, g->nameText, item))
                return true;
    return false;
}
