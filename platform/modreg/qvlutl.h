/*
 * Module registration: libraries of the product register themselves when
 * they are loaded and deregister when unloaded. The registry is process-wide
 * and guarded, so loads on different threads are safe.
 */
#ifndef SHROTL_QVLUTL_H
#define SHROTL_QVLUTL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define ADU_API __attribute__((visibility("default")))
#else
#define ADU_API
#endif

typedef uintptr_t AdModuleInstance;

#define AD_WORK_AREA_SIZE 124u
#define AD_OK 0u
#define AD_ERR_ARGUMENT 1090001u
#define AD_ERR_FULL 1090002u
#define AD_ERR_NOT_REGISTERED 1090003u

/* Registers a module. record points to the module's registration record
 * (callback, u16 kind, version text), which must stay valid until
 * adTermModLib; workArea is 124 bytes the registry may fill. */
ADU_API uint32_t adInitMod(AdModuleInstance instance, const void *record, void *workArea);
/* Deregisters the module. */
ADU_API uint32_t adTermModLib(AdModuleInstance instance);

/* For inspection: is the instance registered, and with which record. */
ADU_API uint32_t adFindModule(AdModuleInstance instance, const void **record);
ADU_API uint32_t adCountModules(void);

#ifdef __cplusplus
}
#endif

#endif
