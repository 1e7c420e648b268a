/*
 * The fault report handed to the caller: one packed entry per member whose
 * word 1 is nonzero, in the form the client's version asks for, in an array
 * that grows by a fixed step.
 */
#include "verify/verify.h"

#include "core/alloc.h"
#include "core/tree.h"

OtlStatus otlBuildFaultReport(const OtlHostContext *host, OtlItem *first,
                              OtlFaultEntry **ioReport, uint32_t *ioCount, uint8_t *ioVerified)
{
    const uint32_t version = host->clientVersion;
    const size_t entrySize = OTL_FAULT_ENTRY_SIZE(version);
    const bool full = version >= OTL_CLIENT_ATTR_RULES;
    const OtlItem *top = first ? first->parent : nullptr;
    for (OtlItem *item = first; item; item = otl::nextInChain(item, top)) {
        if (!item->faultFlags)
            continue;
        const uint32_t n = *ioCount;
        if (n % otl::kReportStep == 0) {
            uint8_t *bytes = reinterpret_cast<uint8_t *>(otl::loadPointer(ioReport));
            const OtlStatus status = otl::hostResizeArray(
                host, &bytes, uint64_t{n} * entrySize, uint64_t{n + otl::kReportStep} * entrySize);
            if (status != OTL_OK) {
                otl::hostRelease(host, ioReport);
                *ioCount = 0;
                return status;
            }
            otl::storePointer(ioReport, reinterpret_cast<OtlFaultEntry *>(bytes));
        }
        OtlFaultEntry *entry = OTL_FAULT_ENTRY_AT(otl::loadPointer(ioReport), version, n);
        entry->member = item;
        entry->faultFlags = item->faultFlags | (item->attrFaultFlags ? otl::kFaultAttrMarker : 0);
        if (full)
            entry->attrFaultFlags = item->attrFaultFlags;
        *ioCount = n + 1;
        if (entry->faultFlags & otl::kSeriousFaults)
            *ioVerified = 0;
    }
    return OTL_OK;
}
