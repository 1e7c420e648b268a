/*
 * The load entry point. The shared library's constructor and destructor play
 * the operating system loader's process attach and detach; the entry routine
 * is an ordinary function so that it can be tested. The registration record
 * is the only process-wide state of the library.
 */
#include "module/module.h"

#include "qvlutl.h"

#include <string.h>

namespace {

OtlModuleRecord moduleRecord;

int32_t moduleCallback(void)
{
    return 0;
}

// The instance that identifies this module in the registry: the address of
// its record, unique per loaded copy of the library.
uintptr_t thisInstance()
{
    return reinterpret_cast<uintptr_t>(&moduleRecord);
}

} // namespace

bool otlModuleEntry(uintptr_t moduleInstance, uint32_t reason)
{
    switch (reason) {
    case OTL_PROCESS_ATTACH: {
        moduleRecord.callback = moduleCallback;
        moduleRecord.kind = 1;
        strncpy(moduleRecord.version, OTL_MODULE_VERSION, 100);
        moduleRecord.version[100] = '\0';
        unsigned char workArea[AD_WORK_AREA_SIZE]; // the registry may fill it
        (void)adInitMod(moduleInstance, &moduleRecord, workArea);
        return true;
    }
    case OTL_PROCESS_DETACH:
        adTermModLib(moduleInstance);
        return true;
    case OTL_THREAD_ATTACH:
    case OTL_THREAD_DETACH:
        return true;
    default:
        return false;
    }
}

const OtlModuleRecord *otlModuleRecord(void)
{
    return &moduleRecord;
}

__attribute__((constructor)) static void moduleLoad()
{
    otlModuleEntry(thisInstance(), OTL_PROCESS_ATTACH);
}

__attribute__((destructor)) static void moduleUnload()
{
    otlModuleEntry(thisInstance(), OTL_PROCESS_DETACH);
}
