#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>

#include "engine/files/FileTestSupport.h"
#include "engine/os/OsFileSystem.h"
#include "engine/os/PosixFileSystem.h"

namespace kartei {
namespace {

using testing::TTempDir;

TEST(PosixFileSystem, AttributesTellExistenceKindAndReadOnly) {
    TTempDir dir;
    TOsFileSystem& os = PosixFileSystem();
    TOsFileAttributes attributes;
    EXPECT_EQ(os.Attributes(dir.File("missing"), attributes), ENOENT);
    EXPECT_FALSE(attributes.Exists);

    testing::WriteBytes(dir.File("t"), "x");
    ASSERT_EQ(os.Attributes(dir.File("t"), attributes), 0);
    EXPECT_TRUE(attributes.Exists);
    EXPECT_FALSE(attributes.IsDirectory);
    EXPECT_FALSE(attributes.ReadOnly);

    // Without write bits the file is read-only even for the superuser.
    ASSERT_EQ(chmod(dir.File("t").c_str(), 0444), 0);
    ASSERT_EQ(os.Attributes(dir.File("t"), attributes), 0);
    EXPECT_TRUE(attributes.ReadOnly);

    ASSERT_EQ(os.Attributes(dir.Path(), attributes), 0);
    EXPECT_TRUE(attributes.IsDirectory);
}

TEST(PosixFileSystem, LocksOfTwoDescriptionsExcludeEachOther) {
    TTempDir dir;
    testing::WriteBytes(dir.File("t"), "");
    TOsFileSystem& os = PosixFileSystem();
    TOsHandle first = InvalidOsHandle;
    TOsHandle second = InvalidOsHandle;
    ASSERT_EQ(os.Open(dir.File("t"), TOsOpenMode::Existing, TOsAccess::ReadWrite, first), 0);
    ASSERT_EQ(os.Open(dir.File("t"), TOsOpenMode::Existing, TOsAccess::ReadWrite, second), 0);

    ASSERT_EQ(os.LockRange(first, 100, 10, TOsLockKind::Write), 0);
    EXPECT_EQ(os.LockRange(second, 109, 1, TOsLockKind::Write), EAGAIN);
    EXPECT_EQ(os.LockRange(second, 109, 1, TOsLockKind::Read), EAGAIN);
    EXPECT_EQ(os.LockRange(second, 110, 1, TOsLockKind::Write), 0);
    // Read locks share.
    ASSERT_EQ(os.LockRange(first, 500, 1, TOsLockKind::Read), 0);
    EXPECT_EQ(os.LockRange(second, 500, 1, TOsLockKind::Read), 0);
    EXPECT_EQ(os.LockRange(second, 501, 1, TOsLockKind::Read), 0);
    // Locks stay with their description when another descriptor of the file closes.
    TOsHandle third = InvalidOsHandle;
    ASSERT_EQ(os.Open(dir.File("t"), TOsOpenMode::Existing, TOsAccess::ReadWrite, third), 0);
    os.Close(third);
    EXPECT_EQ(os.LockRange(second, 100, 1, TOsLockKind::Write), EAGAIN);

    ASSERT_EQ(os.UnlockRange(first, 100, 10), 0);
    EXPECT_EQ(os.LockRange(second, 100, 1, TOsLockKind::Write), 0);
    os.Close(first);
    os.Close(second);
}

TEST(PosixFileSystem, RenameNeverReplacesAndUnlinkRemoves) {
    TTempDir dir;
    TOsFileSystem& os = PosixFileSystem();
    testing::WriteBytes(dir.File("a"), "A");
    testing::WriteBytes(dir.File("b"), "B");
    EXPECT_EQ(os.Rename(dir.File("a"), dir.File("b")), EEXIST);
    EXPECT_EQ(testing::ReadBytes(dir.File("b")), "B");
    EXPECT_EQ(os.Rename(dir.File("a"), dir.File("c")), 0);
    EXPECT_EQ(testing::ReadBytes(dir.File("c")), "A");
    EXPECT_EQ(os.Unlink(dir.File("c")), 0);
    EXPECT_EQ(os.Unlink(dir.File("c")), ENOENT);
}

TEST(OsFileSystem, AReplacementServesUntilItsScopeEnds) {
    testing::TCountingFileSystem counting;
    EXPECT_EQ(&OsFileSystem(), &PosixFileSystem());
    {
        TScopedOsFileSystem scope(counting);
        EXPECT_EQ(&OsFileSystem(), &counting);
        OsFileSystem().SleepMs(7);
    }
    EXPECT_EQ(&OsFileSystem(), &PosixFileSystem());
    EXPECT_EQ(counting.Sleeps, std::vector<uint32_t>{7});
    EXPECT_EQ(SetOsFileSystem(&counting), &PosixFileSystem());
    EXPECT_EQ(SetOsFileSystem(nullptr), &counting);
    EXPECT_EQ(&OsFileSystem(), &PosixFileSystem());
}

}  // namespace
}  // namespace kartei
