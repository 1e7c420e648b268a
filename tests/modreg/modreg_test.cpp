// The module registry: one entry per instance, in a table of fixed size.
#include "qvlutl.h"

#include <gtest/gtest.h>

TEST(ModuleRegistry, RegisterReplaceFindDeregister)
{
    static const char record[] = "record";
    unsigned char work[AD_WORK_AREA_SIZE];
    const uint32_t before = adCountModules();
    ASSERT_EQ(adInitMod(0x1234, record, work), AD_OK);
    EXPECT_EQ(adCountModules(), before + 1);
    ASSERT_EQ(adInitMod(0x1234, record + 1, nullptr), AD_OK);
    EXPECT_EQ(adCountModules(), before + 1);
    const void *found = nullptr;
    EXPECT_EQ(adFindModule(0x1234, &found), AD_OK);
    EXPECT_EQ(found, record + 1);
    EXPECT_EQ(adTermModLib(0x1234), AD_OK);
    EXPECT_EQ(adFindModule(0x1234, &found), AD_ERR_NOT_REGISTERED);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(adTermModLib(0x1234), AD_ERR_NOT_REGISTERED);
}

TEST(ModuleRegistry, RefusesNullRecordAndFillsUpCleanly)
{
    EXPECT_EQ(adInitMod(1, nullptr, nullptr), AD_ERR_ARGUMENT);
    static const char record = 0;
    uint32_t status = AD_OK;
    uintptr_t added = 0;
    for (; added < 1000 && (status = adInitMod(0x10000 + added, &record, nullptr)) == AD_OK;)
        ++added;
    EXPECT_EQ(status, AD_ERR_FULL);
    for (uintptr_t i = 0; i < added; ++i)
        EXPECT_EQ(adTermModLib(0x10000 + i), AD_OK);
}
