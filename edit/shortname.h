/*
 * An attribute value member's short name replaced by an edit (a rename, a
 * member-information change): one journal step, so that the member, its
 * text and its hash entry are taken back together.
 */
#ifndef SHROTL_EDIT_SHORTNAME_H
#define SHROTL_EDIT_SHORTNAME_H

#include "attr/values.h"
#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"

#include <string.h>

namespace otl {

// An attribute member's new short name, copied as a prepare. It replaces
// the old one, and is hashed as the add hashes it: while the
// specifications give attribute members formatted names.
struct ShortName {
    OtlOutline *outline;
    OtlItem *item;
    char *newText;
    char *oldText;
    int32_t position; // of the old entry, -1 when it had none
    bool applied;
    bool entered;

    void apply()
    {
        if (!newText)
            return;
        oldText = item->attrLink.attrMember.attrShortName;
        position = oldText ? otlHashTakeOut(outline, item, oldText, 0) : -1;
        item->attrLink.attrMember.attrShortName = newText;
        entered = outline->attrSpecs.nameFormat != OTL_NAME_FORMAT_NONE;
        if (entered)
            otlHashInsert(outline->host, outline, item, newText, 0); // room was reserved
        applied = true;
    }
    void undo()
    {
        if (applied) {
            if (entered)
                otlHashRemove(outline->host, outline, item, newText, 0);
            item->attrLink.attrMember.attrShortName = oldText;
            if (position >= 0)
                otlHashPutBack(outline, item, oldText, 0, static_cast<uint32_t>(position));
        }
        otl::hostRelease(outline->host, &newText);
    }
    void commit()
    {
        if (applied)
            otl::hostRelease(outline->host, &oldText);
    }
};

} // namespace otl

// Whether the member's short name changes: only an attribute member whose
// value is a number, boolean or date has one.
inline bool otlShortNameChanges(const OtlItem *member, const char *shortName)
{
    if (!otlAttrHasShortName(member))
        return false;
    const char *current = member->attrLink.attrMember.attrShortName;
    return !current || strcmp(current, shortName) != 0;
}

#endif
