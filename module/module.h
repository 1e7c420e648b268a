/*
 * The module's load entry point: registration with the module registry at
 * load, deregistration at unload.
 */
#ifndef SHROTL_MODULE_MODULE_H
#define SHROTL_MODULE_MODULE_H

#include "shrotl.h"

enum OtlLoadReason : uint32_t {
    OTL_PROCESS_DETACH = 0,
    OTL_PROCESS_ATTACH = 1,
    OTL_THREAD_ATTACH = 2,
    OTL_THREAD_DETACH = 3,
};

// Answers the loader: true for the four known reasons, false otherwise.
bool otlModuleEntry(uintptr_t moduleInstance, uint32_t reason);
// The record registered at load (for inspection).
const OtlModuleRecord *otlModuleRecord(void);

#endif
