#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "engine/files/FileHandler.h"
#include "engine/files/FileLocks.h"
#include "engine/files/FileTestSupport.h"
#include "engine/files/LockLayout.h"
#include "engine/files/TableLocks.h"

namespace kartei {
namespace {

using testing::Raised;
using testing::TChildProcess;

// Each child is forked before the parent opens anything, so that it has its own file objects and
// descriptors, as another process would. A child reports the first check that failed as its exit status.
class ProcessLockTest : public ::testing::Test {
protected:
    ProcessLockTest() {
        testing::WriteBytes(data, "data");
        testing::WriteBytes(index, "index");
    }

    testing::TTempDir dir;
    const std::string data = dir.File("City.DAT");
    const std::string index = dir.File("City.IDX");
};

TEST_F(ProcessLockTest, LocksExcludeTheOtherProcessAtTheirExactBytes) {
    TChildProcess child([&](TChildProcess& parent) {
        TFileHandler dataFile;
        TFileHandler indexFile;
        dataFile.Open(data, false);
        indexFile.Open(index, false);
        const int probeData = open(data.c_str(), O_RDONLY | O_CLOEXEC);
        const int probeIndex = open(index.c_str(), O_RDONLY | O_CLOEXEC);
        if (!parent.Await()) {
            return 1;
        }
        // The parent holds the data write lock, record 7 and the index write lock.
        if (LockWithRetries(dataFile, LockLayout::DataWriteLockOffset, 1, 0, 0)) {
            return 2;
        }
        if (LockWithRetries(dataFile, LockLayout::RecordLockOffset(7), 1, 0, 0)) {
            return 3;
        }
        if (!LockRecord(dataFile, 8, 0, 0)) {
            return 4;
        }
        uint16_t r = 0;
        if (LockWithRetries(indexFile, LockLayout::ReadLockOffset(1234), 1, 0, 0)) {
            return 5;
        }
        const testing::TProbe dataLock = testing::ProbeLock(probeData, 2147483647, 1);
        if (dataLock.Type != F_WRLCK || dataLock.Start != 2147483647 || dataLock.Length != 1) {
            return 6;
        }
        const testing::TProbe recordLock = testing::ProbeLock(probeData, 2147483639, 1);
        if (recordLock.Type != F_WRLCK || recordLock.Start != 2147483639 || recordLock.Length != 1) {
            return 7;
        }
        if (testing::ProbeLock(probeData, 2147483640, 1).Type != F_UNLCK) {
            return 8;
        }
        const testing::TProbe indexLock = testing::ProbeLock(probeIndex, 2000000000, 147483648);
        if (indexLock.Type != F_WRLCK || indexLock.Start != 2147418112 || indexLock.Length != 65535) {
            return 9;
        }
        parent.Signal();
        if (!parent.Await()) {
            return 10;
        }
        // Released: the bytes are free now.
        if (!LockDataWrite(dataFile) || !LockFileRead(indexFile, DrawReadLockByte, r)) {
            return 11;
        }
        return 0;
    });
    ASSERT_TRUE(child.Started());
    TFileHandler dataFile;
    TFileHandler indexFile;
    dataFile.Open(data, false);
    indexFile.Open(index, false);
    ASSERT_TRUE(LockDataWrite(dataFile));
    ASSERT_TRUE(LockRecord(dataFile, 7, 0, 0));
    ASSERT_TRUE(LockFileWrite(indexFile));
    child.Signal();
    ASSERT_TRUE(child.Await());
    // The child's record lock 8 keeps this process out in turn.
    EXPECT_FALSE(LockRecord(dataFile, 8, 0, 0));
    ASSERT_TRUE(UnlockDataWrite(dataFile));
    ASSERT_TRUE(UnlockFileWrite(indexFile));
    child.Signal();
    EXPECT_EQ(child.Join(), 0);
}

TEST_F(ProcessLockTest, SharedAndExclusiveOpensExcludeEachOtherBetweenProcesses) {
    TChildProcess child([&](TChildProcess& parent) {
        TFileHandler file;
        if (!parent.Await()) {
            return 1;
        }
        // The parent has the file exclusively.
        if (Raised([&] { file.Open(data, false); }).Code != 11013) {
            return 2;
        }
        if (Raised([&] { file.Open(data, true); }).Code != 11013) {
            return 3;
        }
        if (Raised([&] { file.Create(data); }).Code != 11013) {
            return 4;
        }
        parent.Signal();
        if (!parent.Await()) {
            return 5;
        }
        // The parent has it shared now.
        file.Open(data, false);
        parent.Signal();
        if (!parent.Await()) {
            return 7;
        }
        return 0;
    });
    ASSERT_TRUE(child.Started());
    TFileHandler file;
    file.Open(data, true);
    child.Signal();
    ASSERT_TRUE(child.Await());
    file.Close();
    file.Open(data, false);
    child.Signal();
    ASSERT_TRUE(child.Await());
    // Two shared openers in two processes; an exclusive open fails in either.
    TFileHandler exclusive;
    const testing::TRaised raised = Raised([&] { exclusive.Open(data, true); });
    EXPECT_EQ(raised.Message, "Kartei Engine Error # 11013 Access denied to table '" + data + "'");
    file.Close();
    EXPECT_EQ(Raised([&] { exclusive.Open(data, true); }).Code, 11013);  // the child still has it
    child.Signal();
    EXPECT_EQ(child.Join(), 0);
    exclusive.Open(data, true);
    EXPECT_TRUE(exclusive.IsOpen());
}

TEST_F(ProcessLockTest, ReadLocksOfTwoProcessesCoexistAndACollisionDrawsAgain) {
    TChildProcess child([&](TChildProcess& parent) {
        TFileHandler indexFile;
        indexFile.Open(index, false);
        if (!parent.Await()) {
            return 1;
        }
        testing::TCountingFileSystem os;
        TScopedOsFileSystem scope(os);
        // A random byte beside the parent's (at once, unless it happened to draw 42).
        uint16_t r = 0;
        if (!LockFileRead(indexFile, DrawReadLockByte, r) || r == 42) {
            return 2;
        }
        os.Sleeps.clear();
        // Drawing the parent's byte: the attempt fails and the next draw succeeds.
        uint16_t second = 0;
        int draws = 0;
        const TReadLockDraw sameFirst = [&draws] { return static_cast<uint16_t>(draws++ == 0 ? 42 : 43); };
        if (!LockFileRead(indexFile, sameFirst, second) || second != 43 || draws != 2) {
            return 3;
        }
        if (os.Sleeps != std::vector<uint32_t>{3}) {
            return 4;
        }
        return 0;
    });
    ASSERT_TRUE(child.Started());
    TFileHandler indexFile;
    indexFile.Open(index, false);
    uint16_t r = 0;
    ASSERT_TRUE(LockFileRead(
        indexFile, [] { return uint16_t{42}; }, r));
    child.Signal();
    EXPECT_EQ(child.Join(), 0);
}

TEST_F(ProcessLockTest, ARecordLockOfAnotherProcessGives10258) {
    TChildProcess child([&](TChildProcess& parent) {
        TFileHandler dataFile;
        dataFile.Open(data, false);
        if (!LockRecord(dataFile, 1, 0, 0)) {
            return 1;
        }
        parent.Signal();
        return parent.Await() ? 0 : 2;
    });
    ASSERT_TRUE(child.Started());
    TFileHandler dataFile;
    TFileHandler indexFile;
    dataFile.Open(data, false);
    indexFile.Open(index, false);
    ASSERT_TRUE(child.Await());
    TLockSettings settings;
    settings.LockRetryCount = 2;
    settings.LockWaitTime = 1;
    const std::string name = "City";
    TTableLocks locks(name, dataFile, indexFile, settings, [] {});
    EXPECT_EQ(Raised([&] { locks.LockRecord(1); }).Message,
              "Kartei Engine Error # 10258 Record in table 'City' is in use by another user");
    locks.LockRecord(2);
    EXPECT_TRUE(locks.IsRecordLocked(2));
    locks.ReleaseAll();
    child.Signal();
    EXPECT_EQ(child.Join(), 0);
}

TEST_F(ProcessLockTest, AUserWithoutWriteAccessOpensReadOnly) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs the superuser to switch to another user";
    }
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(data.c_str(), 0644), 0);  // writable for its owner only
    TChildProcess child([&](TChildProcess&) {
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            return 1;
        }
        TFileHandler file;
        file.Open(data, true);
        if (!file.OpenedReadOnly()) {
            return 2;
        }
        char buffer[4];
        file.Read(buffer, 4);
        if (std::string(buffer, 4) != "data") {
            return 3;
        }
        if (Raised([&] { file.Write("x", 1); }).Code != 9218) {
            return 4;
        }
        // Range locks fall back to read locks on a read-only descriptor.
        if (!file.LockRange(LockLayout::ReadLockOffset(9), 1)) {
            return 5;
        }
        return 0;
    });
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.Join(), 0);
    EXPECT_EQ(testing::ReadBytes(data), "data");
}

// Known fault, left for the file layer: the registry deletes and renames a disk file that another process
// has open, as the system lets it, without looking at that process's sharing lock. (The directory's table
// operations look first; TFileHandler::Delete and Rename do not.) Enable once the registry refuses them.
TEST_F(ProcessLockTest, AFileAnotherProcessHasOpenIsNeitherDeletedNorRenamed) {
    TChildProcess child([&](TChildProcess& parent) {
        TFileHandler file;
        file.Open(data, false);
        parent.Signal();
        return parent.Await() ? 0 : 1;
    });
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(child.Await());
    TFileHandler handler;
    EXPECT_EQ(Raised([&] { handler.Rename(data, dir.File("Orte.DAT")); }).Code, 11013);
    EXPECT_EQ(Raised([&] { handler.Delete(data); }).Code, 11013);
    EXPECT_EQ(testing::ReadBytes(data), "data");
    child.Signal();
    EXPECT_EQ(child.Join(), 0);
}

}  // namespace
}  // namespace kartei
