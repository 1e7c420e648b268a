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
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "core/tree.h"
#include "edit/changelog.h"
#include "edit/mbrinfo.h"
#include "edit/rules.h"

#include "gcharset.h"

#include <string.h>

namespace {

// The shared members renamed so far, so that a failure can name them back.
struct RenamedCopies {
    OtlItem **items = nullptr;
    uint32_t count = 0;
};

// Gives an item another name: its hash entries leave under the old name and
// come back under the new. Room was reserved, so the re-entry cannot fail.
void renameHashed(OtlOutline *outline, OtlItem *item, const char *name)
{
    otlHashRemoveItem(outline->host, outline, item);
    otl::copyText(item->memberName, name, OTL_NAME_SIZE);
    otlHashAddItem(outline->host, outline, item);
}

// The scratch record the attribute naming works on; a text value copied
// into it is dropped, the naming derives the value from the name again.
OtlStatus prepareScratch(OtlOutline *outline, OtlItem *member, const char *newName,
                         OtlMbrInfo *scratch, char *shortName)
{
    OtlStatus status = otlCopyItemToMbrInfo(outline->host, scratch, member);
    if (scratch->attrValueType == OTL_ATTR_TEXT) {
        char *text = nullptr;
        memcpy(&text, scratch->attrValue, sizeof text);
        otl::hostRelease(outline->host, &text);
        memset(scratch->attrValue, 0, sizeof scratch->attrValue);
    }
    if (status != OTL_OK)
        return status;
    otl::copyText(scratch->memberName, newName, OTL_NAME_SIZE);
    return otlAttrNameMember(outline, scratch, member->parent, shortName);
}

void releaseScratchText(const OtlHostContext *host, OtlMbrInfo *scratch)
{
    if (scratch->attrValueType != OTL_ATTR_TEXT)
        return;
    char *text = nullptr;
    memcpy(&text, scratch->attrValue, sizeof text);
    otl::hostRelease(host, &text);
    memset(scratch->attrValue, 0, sizeof scratch->attrValue);
}

bool nameTooLong(const OtlHostContext *host, const char *name)
{
    return strlen(name) > otl::kMaxNameChars ||
           GCNumChars(host->localeHandle, name, -1, 0) > otl::kMaxNameChars;
}

} // namespace

extern "C" OTL_API OtlStatus adShrOtlRenameMember(OtlOutline *outline, OtlItem *member,
                                                  const char *newName)
{
    if (outline->fieldAccessMode)
        return OTL_ERR_ACCESS_MODE;
    if (member->dimensionTag == OTL_TAG_ATTR_CALC)
        return OTL_ERR_ATTR_CALC_MEMBER;
    const OtlHostContext *host = outline->host;
    if (!newName || nameTooLong(host, newName))
        return OTL_ERR_MEMBER_NAME;

    OtlMbrInfo scratch{};
    char shortName[OTL_NAME_SIZE] = {0};
    char oldName[OTL_NAME_SIZE];
    otl::copyText(oldName, member->memberName, OTL_NAME_SIZE);
    OtlStatus status = prepareScratch(outline, member, newName, &scratch, shortName);
    if (status == OTL_OK && !otlValidateName(scratch.memberName, host))
        status = OTL_ERR_MEMBER_NAME;

    // Everything that needs memory is settled before the first name changes.
    const bool followers = member->dimensionTag != OTL_TAG_ATTRIBUTE &&
                           member->shareOption != OTL_SHARE_SHARED;
    RenamedCopies copies;
    const uint32_t copyCount = followers ? otlHashCountShared(outline, oldName) : 0;
    if (status == OTL_OK && copyCount)
        status = otl::hostNewArray(host, copyCount, &copies.items);
    if (status == OTL_OK)
        status = otlHashReserve(host, outline, scratch.memberName, copyCount + 1);
    OtlChangeRecord *logTail = outline->changeLogTail;
    if (status != OTL_OK) {
        releaseScratchText(host, &scratch);
        otl::hostRelease(host, &copies.items);
        return status;
    }

    // The copies are collected before any is renamed: a new name that
    // differs only in case would still match the old one, and a scan that
    // restarts after each rename would find the same copy again.
    OtlItem *copy = nullptr;
    for (int32_t at = otlHashFindShared(outline, oldName, -1, &copy);
         at >= 0 && copies.count < copyCount; at = otlHashFindShared(outline, oldName, at + 1, &copy))
        copies.items[copies.count++] = copy;
    for (uint32_t i = 0; i < copies.count; ++i)
        renameHashed(outline, copies.items[i], scratch.memberName);
    renameHashed(outline, member, scratch.memberName);
    // The value follows the name; a text value passes to the member.
    uint8_t oldValue[8];
    memcpy(oldValue, member->attrValue, sizeof oldValue);
    memcpy(member->attrValue, scratch.attrValue, sizeof member->attrValue);

    // The short name leaves the hash before its text may move, and comes
    // back (under its new text) when it was entered or is new.
    bool hadEntry = false;
    if (member->generation >= 2 && member->dimensionTag == OTL_TAG_ATTRIBUTE &&
        member->attrLink.attrMember.attrShortName)
        hadEntry = otlHashRemove(host, outline, member, member->attrLink.attrMember.attrShortName,
                                 0) == OTL_OK;
    bool stored = false;
    status = otlAttrStoreShortName(host, shortName, member, &stored);
    if ((stored || hadEntry) && member->attrLink.attrMember.attrShortName) {
        const OtlStatus entered =
            otlHashInsert(host, outline, member, member->attrLink.attrMember.attrShortName, 0);
        status = status == OTL_OK ? entered : status;
    }
    const OtlItem *dimension = otlGetDim(member);
    if (status == OTL_OK && dimension && dimension->dimensionTag == OTL_TAG_ATTRIBUTE &&
        member->firstChild && outline->attrSpecs.nameFormat != 0)
        status = otlAttrRenameSubtree(outline, member, dimension->memberName);
    if (status == OTL_OK)
        status = otlLogMemberRenamed(host, outline, member, oldName);

    if (status != OTL_OK) {
        otlChangeLogTruncate(outline, logTail);
        memcpy(member->attrValue, oldValue, sizeof oldValue);
        releaseScratchText(host, &scratch);
        renameHashed(outline, member, oldName);
        for (uint32_t i = 0; i < copies.count; ++i)
            renameHashed(outline, copies.items[i], oldName);
    } else if (scratch.attrValueType == OTL_ATTR_TEXT) {
        char *oldText = nullptr;
        memcpy(&oldText, oldValue, sizeof oldText);
        otl::hostRelease(host, &oldText);
        outline->verified = 0;
    } else {
        outline->verified = 0;
    }
    otl::hostRelease(host, &copies.items);
    return status;
}
