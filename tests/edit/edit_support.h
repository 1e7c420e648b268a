// Shared helpers of the member-editing tests: a fixture that owns one
// outline, short ways to build members and dimensions, and the checks every
// editing test repeats (whole-outline dumps, change records, live blocks
// that are not hash bucket arrays). Fields of the byte-packed records are
// compared as `+item->field`: the unary plus passes a copy, as gtest would
// otherwise bind a reference to a possibly misaligned field.
#ifndef SHROTL_TEST_EDIT_SUPPORT_H
#define SHROTL_TEST_EDIT_SUPPORT_H

#include "core/records.h"
#include "support/fixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace edit {

inline OtlMbrInfo info(const char *name, uint16_t share = 0)
{
    OtlMbrInfo i{};
    std::strncpy(i.memberName, name, OTL_NAME_SIZE - 1);
    i.shareOption = share;
    return i;
}

// The texts of one change record, null slots as "-".
inline std::vector<std::string> texts(const OtlChangeRecord *r)
{
    const int slots = r->kind == OTL_CHANGE_ADDED ? 4 : r->kind == OTL_CHANGE_MOVED ? 6 : 2;
    std::vector<std::string> out;
    for (int t = 0; t < slots; ++t)
        out.push_back(r->text[t] ? r->text[t] : "-");
    return out;
}

inline size_t logLength(const OtlOutline *o)
{
    size_t n = 0;
    for (const OtlChangeRecord *r = o->changeLogHead; r; r = r->next)
        ++n;
    return n;
}

// A dump with the dimChanged marks left out: a refused move may leave the
// marks it set.
inline std::string withoutMarks(std::string dump)
{
    for (size_t at = dump.find(" dimch="); at != std::string::npos; at = dump.find(" dimch=", at))
        dump.erase(at, 8);
    return dump;
}

// The first line in which two dumps differ, both versions, or "" when they
// are equal; keeps failure messages readable.
inline std::string dumpDiff(const std::string &before, const std::string &after)
{
    if (before == after)
        return "";
    size_t a = 0, b = 0;
    while (true) {
        const size_t ea = before.find('\n', a), eb = after.find('\n', b);
        const std::string la = before.substr(a, ea == std::string::npos ? ea : ea - a);
        const std::string lb = after.substr(b, eb == std::string::npos ? eb : eb - b);
        if (la != lb || ea == std::string::npos || eb == std::string::npos)
            return "before: " + la + "\nafter:  " + lb;
        a = ea + 1;
        b = eb + 1;
    }
}

// Bucket arrays are the outline's to keep (a reservation may grow one), so
// leak checks inside an operation count every other block.
inline size_t bucketArrays(const OtlOutline *o)
{
    size_t n = 0;
    for (const OtlHashBucket &b : o->nameHash->buckets)
        n += b.entries != nullptr;
    return n;
}

class EditTest : public test::HostTest {
protected:
    void SetUp() override
    {
        o = newOutline();
        ASSERT_NE(o, nullptr);
    }

    void TearDown() override
    {
        if (o) {
            EXPECT_EQ(adShrOtlCloseOutline(o), OTL_OK);
        }
        o = nullptr;
        test::HostTest::TearDown();
    }

    size_t ownedBlocks() const { return host.liveBlocks() - bucketArrays(o); }

    // Adds a member and fails the test when the add fails.
    OtlItem *add(const char *name, OtlItem *parent, OtlItem *prev = nullptr, uint16_t share = 0,
                 uint16_t mode = OTL_CHECK_ALL)
    {
        OtlMbrInfo i = info(name, share);
        OtlItem *item = nullptr;
        const OtlStatus status = adShrOtlAddMember(o, &i, parent, prev, &item, mode);
        EXPECT_EQ(status, OTL_OK) << "adding " << name;
        return item;
    }

    OtlItem *dim(const char *name, OtlItem *prevDimension = nullptr)
    {
        OtlMbrInfo i = info(name);
        OtlItem *item = nullptr;
        EXPECT_EQ(adShrOtlAddDimension(o, &i, prevDimension, nullptr, &item), OTL_OK)
            << "adding dimension " << name;
        return item;
    }

    OtlStatus tryAdd(const char *name, OtlItem *parent, OtlItem *prev = nullptr,
                     uint16_t share = 0, uint16_t mode = OTL_CHECK_ALL)
    {
        OtlMbrInfo i = info(name, share);
        OtlItem *item = reinterpret_cast<OtlItem *>(&sentinel);
        const OtlStatus status = adShrOtlAddMember(o, &i, parent, prev, &item, mode);
        if (status != OTL_OK) {
            EXPECT_EQ(item, reinterpret_cast<OtlItem *>(&sentinel)) << "outMember written";
        }
        return status;
    }

    OtlItem *find(const char *name)
    {
        OtlItem *item = nullptr;
        EXPECT_EQ(adShrOtlFindMember(o, name, &item), OTL_OK);
        return item;
    }

    std::vector<OtlItem *> sharedCopies(const OtlItem *member)
    {
        std::vector<OtlItem *> out;
        OtlItem *next = nullptr;
        for (int32_t at = -1;; ++at) {
            if (adShrOtlGetNextSharedMemberUsingHash(o, const_cast<OtlItem *>(member), &next,
                                                     &at) != OTL_OK ||
                !next)
                break;
            out.push_back(next);
        }
        return out;
    }

    std::string dump() const { return test::dumpOutline(o); }

    OtlOutline *o = nullptr;
    int sentinel = 0;
};

} // namespace edit

#endif
