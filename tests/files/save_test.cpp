/*
 * Crash-safe saving and the dimension-attribute hook. A save replaces the
 * target only once the stream is complete; otherwise the previous file and
 * the directory listing must look exactly as before the save began.
 */
#include "qvlapin.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using Names = std::vector<std::string>;

// Saves a header and one section filled with `mark`, ending the stream or not.
uint32_t save(const std::string &path, unsigned char mark, bool complete)
{
    const Bytes header(QVL_HEADER_SIZE, mark);
    QvlFile f = 0;
    uint32_t section = 0;
    if (const uint32_t st = qVLCreateFile(0, &f, path.c_str()))
        return st;
    EXPECT_EQ(qVLWriteHeader(0, f, QVL_HEADER_SIZE, header.data()), QVL_OK);
    EXPECT_EQ(qVLBeginOpcode(0, f, 5, 1, &section), QVL_OK);
    EXPECT_EQ(qVLWrite(0, f, &mark, 1), QVL_OK);
    EXPECT_EQ(qVLEndOpcode(0, f, section), QVL_OK);
    if (complete) {
        EXPECT_EQ(qVLWriteOpcode(0, f, QVL_OP_END, 0), QVL_OK);
    }
    return qVLCloseFile(0, f);
}

TEST(Save, IncompleteStreamKeepsThePreviousFileAndRemovesTheTemporary)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string target = dir.path("o.otl");
    ASSERT_EQ(save(target, 'A', true), QVL_OK);
    const Bytes before = dir.read("o.otl");

    QvlFile f = 0;
    ASSERT_EQ(qVLCreateFile(0, &f, target.c_str()), QVL_OK);
    const Names during = dir.entries();
    ASSERT_EQ(during.size(), 2u);
    EXPECT_EQ(during[1].rfind("o.otl.tmp", 0), 0u) << during[1];
    ASSERT_EQ(qVLWrite(0, f, "partial", 7), QVL_OK);
    EXPECT_EQ(qVLCloseFile(0, f), QVL_ERR_INCOMPLETE);
    EXPECT_EQ(dir.entries(), Names{"o.otl"});
    EXPECT_EQ(dir.read("o.otl"), before);

    EXPECT_EQ(save(target, 'C', false), QVL_ERR_INCOMPLETE);
    EXPECT_EQ(dir.entries(), Names{"o.otl"});
    EXPECT_EQ(dir.read("o.otl"), before);
    EXPECT_EQ(save(dir.path("new.otl"), 'D', false), QVL_ERR_INCOMPLETE);
    EXPECT_EQ(dir.entries(), Names{"o.otl"});
}

TEST(Save, CompleteSaveReplacesTheTargetAndKeepsItsPermissions)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string target = dir.path("o.otl");
    ASSERT_EQ(save(target, 'A', true), QVL_OK);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(save(target, 'B', true), QVL_OK);
    EXPECT_EQ(dir.entries(), Names{"o.otl"});
    const Bytes raw = dir.read("o.otl");
    ASSERT_EQ(raw.size(), QVL_FIRST_SECTION + 8 + 1 + 8);
    EXPECT_EQ(raw[QVL_PREFIX_SIZE], 'B');
    EXPECT_EQ(raw[QVL_FIRST_SECTION + 8], 'B');
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(Save, UncreatableTargetGivesAZeroHandle)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    QvlFile f = 99;
    EXPECT_EQ(qVLCreateFile(0, &f, dir.path("no/such/dir.otl").c_str()), QVL_ERR_OPEN);
    EXPECT_EQ(f, 0u);
    EXPECT_EQ(qVLCreateFile(0, &f, dir.path("o.otl/").c_str()), QVL_ERR_OPEN);
    EXPECT_EQ(qVLWriteOpcode(0, f, QVL_OP_END, 0), QVL_ERR_ARGUMENT);
    EXPECT_EQ(qVLCloseFile(0, f), QVL_ERR_ARGUMENT);
    EXPECT_TRUE(dir.entries().empty());
}

struct Seen {
    QvlEnv env;
    void *request, *information, *out;
} seen;

uint32_t recordingServer(QvlEnv env, void *request, void *information, void *out)
{
    seen = Seen{env, request, information, out};
    return 4242u;
}

TEST(DimAttributesHook, CallsTheInstalledServerOrReportsNoHook)
{
    int request = 0, information = 0, out = 7;
    qVLSetDimAttributesServer(nullptr);
    EXPECT_EQ(otlGetSrvDimAttributes(1, &request, &information, &out), QVL_ERR_NO_HOOK);
    EXPECT_EQ(out, 7);
    qVLSetDimAttributesServer(recordingServer);
    EXPECT_EQ(otlGetSrvDimAttributes(77, &request, &information, &out), 4242u);
    EXPECT_EQ(seen.env, 77u);
    EXPECT_EQ(seen.request, &request);
    EXPECT_EQ(seen.information, &information);
    EXPECT_EQ(seen.out, &out);
    qVLSetDimAttributesServer(nullptr);
    EXPECT_EQ(otlGetSrvDimAttributes(77, &request, &information, &out), QVL_ERR_NO_HOOK);
}

} // namespace
