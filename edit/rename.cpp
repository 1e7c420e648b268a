/*
 * Renaming a member, together with its shared members. The name is not
 * looked up first: renaming onto an existing name is allowed and
 * verification reports the duplicate.
 *
 * Invariant: on failure the member and its shared members carry their old
 * names and are entered in the hash under them, as before the call. Room in
 * the hash buckets is reserved before the first name changes, so that the
 * renaming itself cannot run out of memory half-way.
 */
#include "attr/naming.h"
#include "attr/values.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"
#include "edit/changelog.h"
#include "edit/inplace.h"
#include "edit/mbrinfo.h"
#include "edit/shortname.h"
#include "edit/rules.h"

#include "gcharset.h"

#include <string.h>

namespace {

// The scratch record the attribute naming works on; a text value copied
// into it is dropped, the naming derives the value from the name again.
OtlStatus prepareScratch(OtlOutline *outline, OtlItem *member, const char *newName,
                         OtlMbrInfo *scratch, char *shortName)
{
    OtlStatus status = otlCopyItemToMbrInfo(outline->host, scratch, member);
    if (scratch->attrValueType == OTL_ATTR_TEXT) {
        char *text = otl::textValue(scratch->attrValue);
        otl::hostRelease(outline->host, &text);
        memset(scratch->attrValue, 0, sizeof scratch->attrValue);
    }
    if (status != OTL_OK)
        return status;
    otl::copyText(scratch->memberName, newName, OTL_NAME_SIZE);
    return otlAttrNameMember(outline, scratch, member->parent, shortName);
}

bool nameTooLong(const OtlHostContext *host, const char *name)
{
    return strlen(name) > otl::kMaxNameChars ||
           GCNumChars(host->localeHandle, name, -1, 0) > otl::kMaxNameChars;
}

// Room for `count` more names in the bucket of `name` and one in the bucket
// of `shortName` (when given), counted together when they share a bucket.
OtlStatus reserveNames(OtlOutline *outline, const char *name, uint32_t count,
                       const char *shortName)
{
    const OtlHostContext *host = outline->host;
    if (shortName && otlHashBucketOf(shortName) == otlHashBucketOf(name))
        return otlHashReserve(host, outline, name, count + 1);
    OtlStatus status = otlHashReserve(host, outline, name, count);
    if (status == OTL_OK && shortName)
        status = otlHashReserve(host, outline, shortName, 1);
    return status;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlRenameMember(OtlOutline *outline, OtlItem *member,
                                                  const char *newName)
{
    // Refusals.
    if (OtlStatus refused = otl::editRefusal(outline, member))
        return refused;
    const OtlHostContext *host = outline->host;
    if (!newName || nameTooLong(host, newName))
        return OTL_ERR_MEMBER_NAME;
    otl::Journal journal;
    OtlMbrInfo scratch{};
    char shortName[OTL_NAME_SIZE] = {0};
    OtlStatus status = prepareScratch(outline, member, newName, &scratch, shortName);
    // The member's value follows its name: a text value from the naming
    // replaces the member's.
    otl::ReplacedText *texts = journal.step(
        otl::ReplacedText{host, otl::textValueOf(scratch.attrValueType, scratch.attrValue), nullptr});
    if (status != OTL_OK)
        return status;
    if (!otlValidateName(scratch.memberName, host))
        return OTL_ERR_MEMBER_NAME;

    // Prepares: the list of items to rename, room in the hash buckets, the
    // new short name and the change to the log.
    const char *oldName = member->memberName;
    const bool followers = member->dimensionTag != OTL_TAG_ATTRIBUTE &&
                           member->shareOption != OTL_SHARE_SHARED;
    const uint32_t copyCount = followers ? otlHashCountShared(outline, oldName) : 0;
    otl::RenamedItems *names = nullptr;
    status = otl::newRenamedItems(outline, copyCount + 1, journal, &names);
    if (status != OTL_OK)
        return status;
    otl::ShortName shortStep{outline, member, nullptr, nullptr, -1, false, false};
    const bool newShort = otlShortNameChanges(member, shortName);
    status = reserveNames(outline, scratch.memberName, copyCount + 1,
                          newShort ? shortName : nullptr);
    if (status == OTL_OK && newShort)
        status = otlDupString(host, shortName, &shortStep.newText);
    if (status != OTL_OK)
        return status;
    otl::ShortName *shortNameStep = journal.step(shortStep);
    otl::PendingChange *logChange = nullptr;
    status = otlPrepareMemberRenamed(outline, member, oldName, scratch.memberName, journal,
                                     &logChange);
    if (status != OTL_OK)
        return status;

    // Applies. The copies are collected before any is renamed: a new name
    // that differs only in case would still match the old one, and a scan
    // that restarts after each rename would find the same copy again.
    char oldNameCopy[OTL_NAME_SIZE];
    otl::copyText(oldNameCopy, oldName, OTL_NAME_SIZE);
    OtlItem *copy = nullptr;
    uint32_t found = 0;
    for (int32_t at = otlHashFindShared(outline, oldNameCopy, -1, &copy);
         at >= 0 && found < copyCount; at = otlHashFindShared(outline, oldNameCopy, at + 1, &copy))
        names->entries[found++].item = copy;
    // The list's own entries hold the copies until each is renamed: entry i
    // is rewritten by the i-th rename with the same item.
    for (uint32_t i = 0; i < found; ++i)
        names->rename(names->entries[i].item, scratch.memberName);
    names->rename(member, scratch.memberName);
    journal.keep(&member->attrValue);
    texts->oldText = otl::textValueOf(member->attrValueType, member->attrValue);
    memcpy(member->attrValue, scratch.attrValue, sizeof member->attrValue);
    shortNameStep->apply();

    // The one step that can still fail: the names of an attribute subtree
    // that carry this member's name, renamed as journal entries.
    const OtlItem *dimension = otlGetDim(member);
    if (dimension && dimension->dimensionTag == OTL_TAG_ATTRIBUTE && member->firstChild &&
        outline->attrSpecs.nameFormat != OTL_NAME_FORMAT_NONE) {
        status = otlAttrRenameSubtree(outline, member, dimension->memberName, journal);
        if (status != OTL_OK)
            return status;
    }
    otlFinishEdit(outline, journal, logChange);
    return OTL_OK;
}
