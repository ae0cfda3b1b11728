#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <set>
#include <vector>

#include "engine/files/FileHandler.h"
#include "engine/files/FileLocks.h"
#include "engine/files/FileTestSupport.h"
#include "engine/files/LockLayout.h"

namespace kartei {
namespace {

// Draws the given values in turn.
TReadLockDraw Sequence(std::vector<uint16_t> values) {
    auto next = std::make_shared<size_t>(0);
    return [values = std::move(values), next] { return values[(*next)++ % values.size()]; };
}

class FileLocksTest : public ::testing::Test {
protected:
    FileLocksTest() {
        testing::WriteBytes(path, "");
        file.Open(path, false);
        other = open(path.c_str(), O_RDWR | O_CLOEXEC);
    }
    ~FileLocksTest() override { close(other); }

    testing::TTempDir dir;
    const std::string path = dir.File("T.IDX");
    TFileHandler file;
    int other = -1;  // a description of its own: what another process sees
    testing::TCountingFileSystem os;
};

TEST_F(FileLocksTest, LayoutOffsets) {
    EXPECT_EQ(LockLayout::DataWriteLockOffset, 0x7FFFFFFFu);
    EXPECT_EQ(LockLayout::FileWriteLockOffset, 0x7FFF0000u);
    EXPECT_EQ(LockLayout::RecordLockOffset(1), 2147483645u);
    EXPECT_EQ(LockLayout::RecordLockOffset(100000000), 2047483646u);
    EXPECT_EQ(LockLayout::ReadLockOffset(1), 2147483646u);
    EXPECT_EQ(LockLayout::ReadLockOffset(65534), 2147418113u);
}

TEST_F(FileLocksTest, EachLockSitsAtItsOffset) {
    TScopedOsFileSystem scope(os);
    ASSERT_TRUE(LockDataWrite(file));
    ASSERT_TRUE(LockRecord(file, 5, 15, 100));
    uint16_t r = 0;
    ASSERT_TRUE(LockFileRead(file, Sequence({77}), r));
    EXPECT_EQ(r, 77);
    ASSERT_EQ(os.Locks.size(), 3u);
    EXPECT_EQ(os.Locks[0].Offset, 2147483647u);
    EXPECT_EQ(os.Locks[0].Length, 1u);
    EXPECT_EQ(os.Locks[1].Offset, 2147483641u);
    EXPECT_EQ(os.Locks[1].Length, 1u);
    EXPECT_EQ(os.Locks[2].Offset, 2147483570u);
    EXPECT_EQ(os.Locks[2].Length, 1u);
    for (const auto& call : os.Locks) {
        EXPECT_EQ(call.Kind, TOsLockKind::Write);
    }
    EXPECT_EQ(testing::ProbeLock(other, 2147483641, 1).Type, F_WRLCK);
    EXPECT_EQ(testing::ProbeLock(other, 2147483640, 1).Type, F_UNLCK);
    EXPECT_EQ(testing::ProbeLock(other, 2147483642, 1).Type, F_UNLCK);
    EXPECT_TRUE(os.Sleeps.empty());

    EXPECT_TRUE(UnlockDataWrite(file));
    EXPECT_TRUE(UnlockRecord(file, 5));
    EXPECT_TRUE(UnlockFileRead(file, 77));
    EXPECT_FALSE(UnlockFileRead(file, 77));
    EXPECT_EQ(testing::ProbeLock(other, 2000000000, 147483648).Type, F_UNLCK);

    ASSERT_TRUE(LockFileWrite(file));
    const testing::TProbe probe = testing::ProbeLock(other, 2147483646, 1);
    EXPECT_EQ(probe.Start, 2147418112);
    EXPECT_EQ(probe.Length, 65535);
    EXPECT_EQ(testing::ProbeLock(other, 2147483647, 1).Type, F_UNLCK);
    EXPECT_TRUE(UnlockFileWrite(file));
}

TEST_F(FileLocksTest, WriteLocksRetry8192TimesThreeMillisecondsApart) {
    ASSERT_TRUE(testing::HoldLock(other, LockLayout::DataWriteLockOffset, 1));
    TScopedOsFileSystem scope(os);
    EXPECT_FALSE(LockDataWrite(file));
    EXPECT_EQ(os.Locks.size(), 8193u);
    EXPECT_EQ(os.Sleeps, std::vector<uint32_t>(8192, 3));
    os.Locks.clear();
    os.Sleeps.clear();
    EXPECT_TRUE(LockFileWrite(file));  // its range ends just below the data write byte
    EXPECT_EQ(os.Locks.size(), 1u);
}

TEST_F(FileLocksTest, ALockTakenDuringTheRetriesSucceeds) {
    TScopedOsFileSystem scope(os);
    os.RefuseLocks = 2;
    EXPECT_TRUE(LockFileWrite(file));
    EXPECT_EQ(os.Locks.size(), 3u);
    EXPECT_EQ(os.Sleeps, (std::vector<uint32_t>{3, 3}));
}

TEST_F(FileLocksTest, RecordLocksRetryAsTheSessionSays) {
    ASSERT_TRUE(testing::HoldLock(other, LockLayout::RecordLockOffset(9), 1));
    TScopedOsFileSystem scope(os);
    EXPECT_FALSE(LockRecord(file, 9, 15, 100));
    EXPECT_EQ(os.Locks.size(), 16u);  // tried, then retried 15 times
    EXPECT_EQ(os.Sleeps, std::vector<uint32_t>(15, 100));
    os.Sleeps.clear();
    EXPECT_FALSE(LockRecord(file, 9, 0, 100));
    EXPECT_TRUE(os.Sleeps.empty());
    EXPECT_TRUE(LockRecord(file, 10, 15, 100));
}

TEST_F(FileLocksTest, AReadLockDrawsAnotherByteWhenItsByteIsTaken) {
    ASSERT_TRUE(testing::HoldLock(other, LockLayout::ReadLockOffset(5), 1));
    TScopedOsFileSystem scope(os);
    uint16_t r = 0;
    ASSERT_TRUE(LockFileRead(file, Sequence({5, 5, 9}), r));
    EXPECT_EQ(r, 9);
    ASSERT_EQ(os.Locks.size(), 3u);
    EXPECT_EQ(os.Locks[0].Offset, 2147483642u);
    EXPECT_EQ(os.Locks[1].Offset, 2147483642u);
    EXPECT_EQ(os.Locks[2].Offset, 2147483638u);
    EXPECT_EQ(os.Sleeps, (std::vector<uint32_t>{3, 3}));
    // A writer's range holds every read byte: the reader gives up after the retries.
    ASSERT_TRUE(UnlockFileRead(file, 9));
    ASSERT_TRUE(testing::HoldLock(other, LockLayout::FileWriteLockOffset, LockLayout::FileWriteLockLength));
    os.Locks.clear();
    EXPECT_FALSE(LockFileRead(file, DrawReadLockByte, r));
    EXPECT_EQ(os.Locks.size(), 8193u);
    std::set<uint64_t> offsets;
    for (const auto& call : os.Locks) {
        offsets.insert(call.Offset);
    }
    EXPECT_GT(offsets.size(), 7000u);  // a new byte on every attempt
}

TEST_F(FileLocksTest, DrawsStayInRange) {
    std::set<uint16_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const uint16_t r = DrawReadLockByte();
        ASSERT_GE(r, 1);
        ASSERT_LE(r, 65534);
        seen.insert(r);
    }
    EXPECT_GT(seen.size(), 1900u);
    // A draw outside the range is folded into it.
    TScopedOsFileSystem scope(os);
    uint16_t r = 0;
    ASSERT_TRUE(LockFileRead(file, Sequence({0}), r));
    EXPECT_EQ(r, 65534);
    ASSERT_TRUE(LockFileRead(file, Sequence({65535}), r));
    EXPECT_EQ(r, 1);
}

}  // namespace
}  // namespace kartei
