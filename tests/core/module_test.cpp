// Module start-up: the entry routine's answers and the registration the
// shared library makes of itself when it is loaded.
#include "module/module.h"
#include "qvlutl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>

TEST(ModuleEntry, AnswersTheFourReasonsAndRefusesOthers)
{
    const uintptr_t instance = 0xABC0;
    EXPECT_TRUE(otlModuleEntry(instance, OTL_PROCESS_ATTACH));
    const void *record = nullptr;
    ASSERT_EQ(adFindModule(instance, &record), AD_OK);
    const OtlModuleRecord *r = static_cast<const OtlModuleRecord *>(record);
    EXPECT_EQ(r->kind, 1);
    EXPECT_STREQ(r->version, "6.0.0 Patch3(01/09/2001)");
    ASSERT_NE(r->callback, nullptr);
    EXPECT_EQ(r->callback(), 0);
    EXPECT_TRUE(otlModuleEntry(instance, OTL_THREAD_ATTACH));
    EXPECT_TRUE(otlModuleEntry(instance, OTL_THREAD_DETACH));
    EXPECT_TRUE(otlModuleEntry(instance, OTL_PROCESS_DETACH));
    EXPECT_EQ(adFindModule(instance, &record), AD_ERR_NOT_REGISTERED);
    EXPECT_FALSE(otlModuleEntry(instance, 4));
    EXPECT_FALSE(otlModuleEntry(instance, 0xFFFFFFFFu));
}

// Loading the shared library registers it; unloading deregisters it.
TEST(ModuleEntry, SharedLibraryRegistersWhileLoaded)
{
    const std::string path = SHROTL_LIBRARY_PATH;
    const uint32_t before = adCountModules();
    void *lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    EXPECT_EQ(adCountModules(), before + 1);
    dlclose(lib);
    EXPECT_EQ(adCountModules(), before);
}
