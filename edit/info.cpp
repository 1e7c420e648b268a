/*
 * Member information, comments and formulas: reading a member's properties
 * into a record the caller owns, changing them from a record, and the three
 * texts kept beside the record (extended comment, formula, last formula).
 *
 * Invariants: every text and record handed out is a fresh host block owned
 * by the caller; a getter refused by the member's field mask allocates
 * nothing; a failing setter leaves the outline exactly as it was, and a
 * successful one clears `verified` (deleting a formula leaves it).
 */
#include "attr/naming.h"
#include "attr/values.h"
#include "attr/register.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/records.h"
#include "core/tree.h"
#include "core/journal.h"
#include "edit/mbrinfo.h"
#include "edit/shortname.h"
#include "edit/rules.h"

#include <string.h>

namespace {

// The field-mask bits of the basic member information: any one of them
// will do.
constexpr uint32_t kFieldBasicInfo = 0x0000FFFFu;

constexpr size_t kMaxCommentEx = 8192;

// Rule findings that leave a member-information change in place: the
// category fault (reported) and the many-children warning (not reported).
constexpr uint32_t kKeptFindings = otl::kFaultCategory | otl::kFaultWarningChildren;

bool fieldReadable(const OtlItem *member, uint32_t field)
{
    if (member->fieldMaskActive != 1)
        return true;
    return otlTestFieldFlag(field, member->fieldMask);
}

bool basicInfoReadable(const OtlItem *member)
{
    return member->fieldMaskActive != 1 || (member->fieldMask[0] & kFieldBasicInfo) != 0;
}

// Hands out a copy of one text of a member (chosen by `pick`, once the
// arguments are known good), or null when it has none.
template <class Pick>
OtlStatus copyOut(OtlOutline *outline, OtlItem *member, char **outText, uint32_t field, Pick pick)
{
    if (!outText)
        return OTL_ERR_NO_OUTPUT_ARG;
    *outText = nullptr;
    if (!outline || !member)
        return OTL_ERR_GENERIC;
    if (!fieldReadable(member, field))
        return OTL_ERR_FIELD_MASK;
    char *copy = nullptr;
    OtlStatus status = otlDupString(outline->host, pick(member), &copy);
    if (status == OTL_OK)
        *outText = copy;
    return status;
}

// The short name the naming composed, for a value member whose short name
// changes: copied, given room in the hash, then swapped in as one step.
OtlStatus replaceShortName(OtlOutline *outline, OtlItem *member, const char *shortName,
                           otl::Journal &journal)
{
    if (!shortName[0] || !otlShortNameChanges(member, shortName))
        return OTL_OK;
    otl::ShortName step{outline, member, nullptr, nullptr, -1, false, false};
    OtlStatus status = otlDupString(outline->host, shortName, &step.newText);
    if (status != OTL_OK)
        return status;
    otl::ShortName *entered = journal.step(step); // owns the copy from here
    status = otlHashReserve(outline->host, outline, shortName, 1);
    if (status == OTL_OK)
        entered->apply();
    return status;
}

// The member as it was before the change. A rollback puts it back and
// releases the comment the change gave it; a commit releases the comment
// the change replaced.
struct MemberSnapshot {
    const OtlHostContext *host;
    OtlItem *member;
    OtlItem *saved;
    void undo()
    {
        if (member->comment != saved->comment)
            otl::hostRelease(host, &member->comment);
        memcpy(static_cast<void *>(member), saved, sizeof *saved);
    }
    void commit()
    {
        if (member->comment != saved->comment)
            otl::hostRelease(host, &saved->comment);
    }
};

} // namespace

extern "C" OTL_API OtlStatus adShrOtlGetMemberInfo(OtlOutline *outline, OtlItem *member,
                                                   OtlMbrInfo **outInfo)
{
    if (!outInfo)
        return OTL_ERR_NO_OUTPUT_ARG;
    *outInfo = nullptr;
    if (!outline || !member)
        return OTL_ERR_GENERIC;
    if (!basicInfoReadable(member))
        return OTL_ERR_FIELD_MASK;
    const OtlHostContext *host = outline->host;
    // The record is allocated before the flag is recomputed, so that a
    // refused allocation leaves the member untouched.
    void *block = nullptr;
    OtlStatus status = otl::hostAllocZero(host, otlMbrInfoSize(host), &block);
    if (status != OTL_OK)
        return status;
    OtlMbrInfo *info = static_cast<OtlMbrInfo *>(block);
    const uint8_t oldHasAttr = member->hasAttrValue;
    if (!outline->fieldAccessMode)
        otlAttrRecomputeHasAttr(outline, member);
    if (otlMbrInfoSize(host) == OTL_MBRINFO_LEGACY_SIZE) {
        memcpy(static_cast<void *>(info), member, OTL_MBRINFO_LEGACY_SIZE);
    } else {
        status = otlCopyItemToMbrInfo(host, info, member);
        if (status != OTL_OK) {
            member->hasAttrValue = oldHasAttr;
            otl::hostFree(host, info);
            return status;
        }
        // In field-access mode the host's stored count is all there is.
        if (!outline->fieldAccessMode)
            info->childCount = otlCountChildren(member);
    }
    *outInfo = info;
    return OTL_OK;
}

// The member's name never changes here. A differing name in the record is
// still run through the attribute naming: its failure (a value that does
// not read, a long name too long) is the result, and when the long name it
// composes is the member's own name (the caller gave the value text) the
// short name it yields is stored. A short name that would belong to another
// long name is not stored: it would uncouple the member's value, short
// name and name.
//
// The rule checks run before the attribute bookkeeping follows a new tag;
// they read nothing that step changes, and a refusal then has less to take
// back. Findings that map to no status keep the change, as the warning
// does.
extern "C" OTL_API OtlStatus adShrOtlSetMemberInfo(OtlOutline *outline, OtlItem *member,
                                                   const OtlMbrInfo *info, uint16_t checkMode)
{
    if (!outline || !member || !info)
        return OTL_ERR_GENERIC;
    if (OtlStatus refused = otl::editRefusal(outline, member))
        return refused;
    if (!otlGetDim(member))
        return OTL_ERR_NO_DIMENSION;
    if (member->shareOption == OTL_SHARE_SHARED && info->shareOption != OTL_SHARE_SHARED)
        return OTL_ERR_RULE_DUPLICATE;
    const OtlHostContext *host = outline->host;
    const uint32_t version = host->clientVersion;

    // A scratch copy in the caller's form: the naming may rewrite it, the
    // caller's record is read only. Fields the client's version does not
    // carry stay zero.
    OtlMbrInfo record{};
    memcpy(static_cast<void *>(&record), info, otlMbrInfoSize(host));
    if (version < OTL_CLIENT_ATTR_MBRINFO) {
        memset(record.infoDimName, 0, sizeof record.infoDimName);
        record.hasAttrValue = 0;
        record.attrValueType = 0;
        memset(record.attrValue, 0, sizeof record.attrValue);
    }
    char shortName[OTL_NAME_SIZE] = {0};
    const bool nameDiffers = !otl::equalIgnoringAsciiCase(record.memberName, member->memberName);
    if (nameDiffers) {
        OtlStatus status = otlAttrNameMember(outline, &record, member->parent, shortName);
        if (status != OTL_OK)
            return status;
    }
    // The saved state is the member itself, byte for byte, declared before
    // the journal that refers to it. The comment it replaces is kept alive
    // until the change is final, so putting the member back restores every
    // field exactly (an absent infoDimName stays absent, a text value keeps
    // its own string) and needs no allocation.
    OtlItem saved;
    memcpy(static_cast<void *>(&saved), member, sizeof saved);
    otl::Journal journal;
    // For a text value the naming leaves a fresh copy of the name in the
    // scratch record; the member's value does not change here, so it goes.
    if (record.attrValueType == OTL_ATTR_TEXT &&
        otl::textValue(record.attrValue) != otl::textValue(info->attrValue))
        journal.step(otl::ReplacedText{host, otl::textValue(record.attrValue),
                                       otl::textValue(record.attrValue)});
    char *replacedComment = nullptr;
    OtlStatus status = otlSetItemPropertiesKeepingComment(outline, host, member, &record, version,
                                                          &replacedComment);
    if (status != OTL_OK)
        return status; // nothing was changed
    journal.step(MemberSnapshot{host, member, &saved});

    uint32_t word1 = otlCheckMember(host, outline, member, checkMode);
    const uint32_t word2 = otlCheckAttrMember(host, outline, member);
    if (word2)
        word1 |= otl::kFaultAttrMarker;
    const OtlStatus verdict = otlFaultsToStatus(word1, word2);
    if (verdict != OTL_OK && (word1 & ~kKeptFindings) != 0)
        return verdict;

    // The short name follows only a clean change, and only while the tag
    // stays: a new tag resets the member's attribute fields below.
    const bool composedOwnName = strcmp(record.memberName, member->memberName) == 0;
    if (verdict == OTL_OK && nameDiffers && composedOwnName &&
        member->dimensionTag == saved.dimensionTag) {
        status = replaceShortName(outline, member, shortName, journal);
        if (status != OTL_OK)
            return status;
    }
    if (version >= OTL_CLIENT_ATTR_MBRINFO) {
        status = otlAttrAfterTagChange(outline, member, saved.dimensionTag, journal);
        if (status != OTL_OK)
            return status;
    }
    journal.keep(&outline->stats.storedMemberCount);
    otlAttrShareChanged(outline, member, saved.shareOption);
    journal.keep(&outline->verified);
    outline->verified = 0;
    journal.commit();
    return verdict;
}

extern "C" OTL_API OtlStatus adShrOtlFreeMbrInfo(const OtlHostContext *host, uint32_t count,
                                                 OtlMbrInfo *infos)
{
    if (!infos)
        return OTL_OK;
    for (uint32_t i = 0; i < count; ++i) {
        OtlMbrInfo &info = infos[i];
        if (info.attrValueType != OTL_ATTR_TEXT || info.level != 0)
            continue;
        char *text = otl::textValue(info.attrValue);
        otl::hostRelease(host, &text);
    }
    otl::hostFree(host, infos);
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlGetMemberCommentEx(OtlOutline *outline, OtlItem *member,
                                                        char **outText)
{
    return copyOut(outline, member, outText, OTL_FIELD_COMMENT_EX,
                   [](const OtlItem *m) { return m->commentEx; });
}

extern "C" OTL_API OtlStatus adShrOtlSetMemberCommentEx(OtlOutline *outline, OtlItem *member,
                                                        const char *text)
{
    if (!outline || !member)
        return OTL_ERR_GENERIC;
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    if (text && strnlen(text, kMaxCommentEx + 1) > kMaxCommentEx)
        return OTL_ERR_COMMENT_LONG;
    // Copied first: a refused copy keeps the old comment.
    char *copy = nullptr;
    OtlStatus status = otlDupString(outline->host, text, &copy);
    if (status != OTL_OK)
        return status;
    otl::hostRelease(outline->host, &member->commentEx);
    member->commentEx = copy;
    outline->verified = 0;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlGetMemberFormula(OtlOutline *outline, OtlItem *member,
                                                      char **outText)
{
    return copyOut(outline, member, outText, OTL_FIELD_FORMULA,
                   [](const OtlItem *m) { return m->formula; });
}

// Without a last formula kept apart, the formula is the last one.
extern "C" OTL_API OtlStatus adShrOtlGetMemberLastFormula(OtlOutline *outline, OtlItem *member,
                                                          char **outText)
{
    return copyOut(outline, member, outText, OTL_FIELD_LAST_FORMULA,
                   [](const OtlItem *m) { return m->lastFormula ? m->lastFormula : m->formula; });
}

extern "C" OTL_API OtlStatus adShrOtlSetMemberFormula(OtlOutline *outline, OtlItem *member,
                                                      const char *text)
{
    if (!outline || !member)
        return OTL_ERR_GENERIC;
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    if (!text || !text[0])
        return OTL_ERR_RULE_FORMULA;
    // Label-only and shared members store no data to compute.
    if (!otl::isStored(member->shareOption))
        return OTL_ERR_FORMULA_NOT_STORED;
    char *copy = nullptr;
    OtlStatus status = otlDupString(outline->host, text, &copy);
    if (status != OTL_OK)
        return status;
    otl::hostRelease(outline->host, &member->formula);
    member->formula = copy;
    outline->verified = 0;
    return OTL_OK;
}

extern "C" OTL_API OtlStatus adShrOtlDeleteMemberFormula(OtlOutline *outline, OtlItem *member)
{
    if (!outline || !member)
        return OTL_ERR_GENERIC;
    if (OtlStatus refused = otl::editRefusal(outline))
        return refused;
    if (!member->formula)
        return OTL_ERR_NO_FORMULA;
    otl::hostRelease(outline->host, &member->formula);
    return OTL_OK;
}
