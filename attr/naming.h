/*
 * Names of attribute members: the long name composed from a member's short
 * name (its value text) and some ancestor names, the short name stored and
 * hashed beside it, and the renaming of subtrees.
 */
#ifndef SHROTL_ATTR_NAMING_H
#define SHROTL_ATTR_NAMING_H

#include "core/journal.h"
#include "edit/inplace.h"
#include "shrotl.h"

// Names a member that is added or renamed; may rewrite info->memberName and
// set its value. shortName holds OTL_NAME_SIZE bytes.
OtlStatus otlAttrNameMember(OtlOutline *outline, OtlMbrInfo *info, OtlItem *parent,
                            char *shortName);
// Stores the short name on an attribute member; *stored tells the caller to
// enter it into the hash.
OtlStatus otlAttrStoreShortName(const OtlHostContext *host, const char *shortName, OtlItem *item,
                                bool *stored);
OtlStatus otlAttrComposeName(char *name, const OtlItem *parent, const char *dimensionName,
                             uint16_t generation, char separator, const OtlAttrSpecs *specs);
OtlStatus otlAttrRebuildName(OtlOutline *outline, OtlItem *member, OtlItem *parent,
                             const OtlAttrSpecs *specs, uint8_t changeFlags, bool rename,
                             char separator, otl::Journal &journal);
// Renames the value members below `root` whose composed names carry its
// name; each rename is a journal entry. A clash with another member's name
// gives OTL_ERR_ATTR_REBUILT_NAME.
OtlStatus otlAttrRenameSubtree(OtlOutline *outline, OtlItem *root, const char *dimensionName,
                               otl::Journal &journal);
// Rebuilds the name of every attribute member without children of an
// attribute dimension under new specifications; the renames go into one
// list, whatever the number of members.
OtlStatus otlAttrRebuildDimension(OtlOutline *outline, OtlItem *dimension,
                                  const OtlAttrSpecs *specs, uint8_t changeFlags,
                                  otl::RenamedItems &renamed);
// After those renames: the stored short names of the value members in the
// dimensions `walked` accepts follow the texts the new specifications give
// their values; one journal entry.
OtlStatus otlAttrRenewShortNames(OtlOutline *outline, const OtlAttrSpecs *specs,
                                 uint8_t changeFlags, bool (*walked)(const OtlItem *, uint8_t),
                                 otl::Journal &journal);

#endif
