/*
 * Renaming items in place, journaled. A list grows by a fixed step while
 * an attribute subtree is renamed; the names it records are the items' own
 * before the edit.
 */
#include "edit/inplace.h"

#include "core/alloc.h"
#include "core/hash.h"
#include "core/host.h"
#include "edit/rules.h"

#include <string.h>

namespace {

constexpr uint32_t kGrowth = 50;

} // namespace

void otl::RenamedItems::rename(OtlItem *item, const char *name)
{
    Entry &e = entries[count++];
    e.item = item;
    e.log = PendingChange{outline, nullptr, 0, nullptr, false};
    otl::copyText(e.oldName, item->memberName, OTL_NAME_SIZE);
    e.position = otlHashTakeOut(outline, item, item->memberName, 0);
    otl::copyText(item->memberName, name, OTL_NAME_SIZE);
    otlHashInsert(outline->host, outline, item, item->memberName, 0); // room was made
}

OtlStatus otl::RenamedItems::renameLogged(OtlItem *item, const char *name)
{
    const OtlHostContext *host = outline->host;
    if (strlen(name) >= OTL_NAME_SIZE || !otlValidateName(name, host))
        return OTL_ERR_MEMBER_NAME;
    if (count == capacity) {
        OtlStatus status = otl::hostResizeArray(host, &entries, capacity, capacity + kGrowth);
        if (status != OTL_OK)
            return status;
        capacity += kGrowth;
    }
    OtlStatus status = otlHashReserve(host, outline, name, 1);
    PendingChange log{outline, nullptr, 0, nullptr, false};
    if (status == OTL_OK)
        status = otlBuildMemberRenamed(outline, item, item->memberName, name, &log);
    if (status != OTL_OK)
        return status;
    rename(item, name);
    entries[count - 1].log = log;
    entries[count - 1].log.apply();
    return OTL_OK;
}

void otl::RenamedItems::undo()
{
    while (count > 0) {
        Entry &e = entries[--count];
        e.log.undo();
        otlHashRemove(outline->host, outline, e.item, e.item->memberName, 0);
        otl::copyText(e.item->memberName, e.oldName, OTL_NAME_SIZE);
        if (e.position >= 0)
            otlHashPutBack(outline, e.item, e.item->memberName, 0,
                           static_cast<uint32_t>(e.position));
    }
    commit();
}

void otl::RenamedItems::commit()
{
    for (uint32_t i = 0; i < count; ++i)
        entries[i].log.commit();
    otl::hostRelease(outline->host, &entries);
    count = 0;
}

OtlStatus otl::newRenamedItems(OtlOutline *outline, uint32_t capacity, Journal &journal,
                               RenamedItems **list)
{
    RenamedItems renamed{outline, nullptr, 0, capacity};
    if (capacity > 0) {
        OtlStatus status = otl::hostNewArray(outline->host, capacity, &renamed.entries);
        if (status != OTL_OK)
            return status;
    }
    *list = journal.step(renamed);
    return OTL_OK;
}

OtlStatus otlRenameItemInPlace(OtlOutline *outline, OtlItem *item, const char *newName,
                               otl::Journal &journal)
{
    otl::RenamedItems *list = nullptr;
    OtlStatus status = otl::newRenamedItems(outline, 1, journal, &list);
    return status == OTL_OK ? list->renameLogged(item, newName) : status;
}
