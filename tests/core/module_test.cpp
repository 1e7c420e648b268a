// Module start-up: the entry routine's answers and the registration the
// shared library makes of itself while it is loaded.
#include "module/module.h"
#include "qvlutl.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

TEST(ModuleEntry, AnswersTheFourReasonsAndRefusesOthers)
{
    const uintptr_t instance = 0xABC0;
    EXPECT_TRUE(otlModuleEntry(instance, OTL_PROCESS_ATTACH));
    const void *record = nullptr;
    ASSERT_EQ(adFindModule(instance, &record), AD_OK);
    ASSERT_EQ(record, otlModuleRecord());
    const OtlModuleRecord *r = otlModuleRecord();
    EXPECT_EQ(+r->kind, 1);
    EXPECT_STREQ(r->version, OTL_MODULE_VERSION);
    ASSERT_NE(r->callback, nullptr);
    EXPECT_EQ(r->callback(), 0);
    for (uint32_t reason : {OTL_THREAD_ATTACH, OTL_THREAD_DETACH, OTL_PROCESS_DETACH})
        EXPECT_TRUE(otlModuleEntry(instance, reason)) << reason;
    EXPECT_EQ(adFindModule(instance, &record), AD_ERR_NOT_REGISTERED);
    EXPECT_FALSE(otlModuleEntry(instance, 4));
    EXPECT_FALSE(otlModuleEntry(instance, 0xFFFFFFFFu));
}

TEST(ModuleEntry, SharedLibraryRegistersWhileLoaded)
{
    const uint32_t before = adCountModules();
    void *lib = dlopen(SHROTL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    EXPECT_EQ(adCountModules(), before + 1);
    dlclose(lib);
    EXPECT_EQ(adCountModules(), before);
}
