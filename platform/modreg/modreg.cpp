/*
 * Module registration. A fixed table of registered modules, guarded by one
 * mutex; each entry keeps the instance and the caller's record pointer.
 * Registering an instance twice replaces its record; the table never
 * allocates.
 */
#include "qvlutl.h"

#include <mutex>
#include <string.h>

namespace {

constexpr unsigned kMaxModules = 64;

struct Entry {
    AdModuleInstance instance;
    const void *record;
    bool used;
};

std::mutex registryLock;
Entry registry[kMaxModules];

Entry *findEntry(AdModuleInstance instance)
{
    for (Entry &e : registry)
        if (e.used && e.instance == instance)
            return &e;
    return nullptr;
}

Entry *freeEntry()
{
    for (Entry &e : registry)
        if (!e.used)
            return &e;
    return nullptr;
}

} // namespace

extern "C" uint32_t adInitMod(AdModuleInstance instance, const void *record, void *workArea)
{
    if (!record)
        return AD_ERR_ARGUMENT;
    std::lock_guard<std::mutex> guard(registryLock);
    Entry *e = findEntry(instance);
    if (!e)
        e = freeEntry();
    if (!e)
        return AD_ERR_FULL;
    *e = Entry{instance, record, true};
    if (workArea)
        memset(workArea, 0, AD_WORK_AREA_SIZE);
    return AD_OK;
}

extern "C" uint32_t adTermModLib(AdModuleInstance instance)
{
    std::lock_guard<std::mutex> guard(registryLock);
    Entry *e = findEntry(instance);
    if (!e)
        return AD_ERR_NOT_REGISTERED;
    *e = Entry{};
    return AD_OK;
}

extern "C" uint32_t adFindModule(AdModuleInstance instance, const void **record)
{
    std::lock_guard<std::mutex> guard(registryLock);
    Entry *e = findEntry(instance);
    if (record)
        *record = e ? e->record : nullptr;
    return e ? AD_OK : AD_ERR_NOT_REGISTERED;
}

extern "C" uint32_t adCountModules(void)
{
    std::lock_guard<std::mutex> guard(registryLock);
    uint32_t n = 0;
    for (const Entry &e : registry)
        n += e.used ? 1 : 0;
    return n;
}
