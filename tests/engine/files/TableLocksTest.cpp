#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

#include "engine/files/FileHandler.h"
#include "engine/files/FileTestSupport.h"
#include "engine/files/LockLayout.h"
#include "engine/files/TableLocks.h"

namespace kartei {
namespace {

using testing::ProbeLock;
using testing::Raised;

class TableLocksTest : public ::testing::Test {
protected:
    TableLocksTest() {
        for (const char* name : {"City.DAT", "City.IDX", "City.BLB"}) {
            testing::WriteBytes(dir.File(name), "");
        }
        data.Open(dir.File("City.DAT"), false);
        index.Open(dir.File("City.IDX"), false);
        blob.Open(dir.File("City.BLB"), false);
        otherData = open(dir.File("City.DAT").c_str(), O_RDWR | O_CLOEXEC);
        otherIndex = open(dir.File("City.IDX").c_str(), O_RDWR | O_CLOEXEC);
        otherBlob = open(dir.File("City.BLB").c_str(), O_RDWR | O_CLOEXEC);
        locks.SetBlobFile(&blob);
    }
    ~TableLocksTest() override {
        close(otherData);
        close(otherIndex);
        close(otherBlob);
    }
    static bool Held(int fd, uint64_t offset, uint64_t length = 1) {
        return ProbeLock(fd, offset, length).Type == F_WRLCK;
    }
    // Nothing of the table is locked in the system.
    bool NothingHeld() const {
        return !Held(otherData, 2000000000, 147483648) && !Held(otherIndex, 2000000000, 147483648) &&
               !Held(otherBlob, 2000000000, 147483648);
    }

    testing::TTempDir dir;
    TFileHandler data;
    TFileHandler index;
    TFileHandler blob;
    int otherData = -1;
    int otherIndex = -1;
    int otherBlob = -1;
    const std::string tableName = "City";
    TLockSettings settings;
    int changeChecks = 0;
    std::vector<uint16_t> draws{11, 22, 33, 44, 55, 66};
    size_t nextDraw = 0;
    TTableLocks locks{tableName,
                      data,
                      index,
                      settings,
                      [this] { ++changeChecks; },
                      [this] { return draws[nextDraw++ % draws.size()]; }};
    testing::TCountingFileSystem os;
};

TEST_F(TableLocksTest, AReadLockTakesTheIndexThenTheBlobByteAndChecksForChanges) {
    locks.LockRead(0);
    EXPECT_TRUE(locks.HoldsReadLock(0));
    EXPECT_EQ(changeChecks, 1);
    EXPECT_TRUE(Held(otherIndex, LockLayout::ReadLockOffset(11)));
    EXPECT_TRUE(Held(otherBlob, LockLayout::ReadLockOffset(22)));
    locks.LockRead(0);  // held: nothing more
    EXPECT_EQ(changeChecks, 1);

    locks.LockRead(1);  // a second one, independent of the first
    EXPECT_TRUE(Held(otherIndex, LockLayout::ReadLockOffset(33)));
    EXPECT_TRUE(Held(otherBlob, LockLayout::ReadLockOffset(44)));
    locks.UnlockRead(0);
    EXPECT_FALSE(locks.HoldsReadLock(0));
    EXPECT_FALSE(Held(otherIndex, LockLayout::ReadLockOffset(11)));
    EXPECT_FALSE(Held(otherBlob, LockLayout::ReadLockOffset(22)));
    EXPECT_TRUE(Held(otherIndex, LockLayout::ReadLockOffset(33)));
    locks.UnlockRead(1);
    locks.UnlockRead(1);  // free: nothing to do
    EXPECT_TRUE(NothingHeld());
}

TEST_F(TableLocksTest, WithoutABlobFileOnlyTheIndexIsReadLocked) {
    locks.SetBlobFile(nullptr);
    locks.LockRead(0);
    EXPECT_TRUE(Held(otherIndex, LockLayout::ReadLockOffset(11)));
    EXPECT_FALSE(Held(otherBlob, 2000000000, 147483648));
    locks.UnlockRead(0);
    EXPECT_TRUE(NothingHeld());
}

TEST_F(TableLocksTest, AFailedReadLockRaises10249AndKeepsNothing) {
    ASSERT_TRUE(
        testing::HoldLock(otherBlob, LockLayout::FileWriteLockOffset, LockLayout::FileWriteLockLength));
    TScopedOsFileSystem scope(os);
    const testing::TRaised raised = Raised([&] { locks.LockRead(0); });
    EXPECT_EQ(raised.Message, "Kartei Engine Error # 10249 General lock failure with table 'City'");
    EXPECT_FALSE(locks.HoldsReadLock(0));
    EXPECT_EQ(changeChecks, 0);
    EXPECT_FALSE(Held(otherIndex, LockLayout::ReadLockOffset(11)));  // the index byte was given back
    EXPECT_EQ(os.Sleeps.size(), 8192u);
}

TEST_F(TableLocksTest, AFailingChangeCheckGivesTheLockBack) {
    TTableLocks failing{tableName,
                        data,
                        index,
                        settings,
                        [] { throw std::runtime_error("check"); },
                        [] { return uint16_t{7}; }};
    EXPECT_THROW(failing.LockRead(0), std::runtime_error);
    EXPECT_FALSE(failing.HoldsReadLock(0));
    EXPECT_THROW(failing.LockWrite(), std::runtime_error);
    EXPECT_FALSE(failing.HoldsWriteLock());
    EXPECT_TRUE(NothingHeld());
}

TEST_F(TableLocksTest, AWriteLockTakesAllThreeFilesAndReleasesThemBlobFirst) {
    locks.LockWrite();
    EXPECT_TRUE(locks.HoldsWriteLock());
    EXPECT_EQ(changeChecks, 1);
    EXPECT_TRUE(Held(otherData, LockLayout::DataWriteLockOffset));
    EXPECT_TRUE(Held(otherIndex, LockLayout::FileWriteLockOffset, LockLayout::FileWriteLockLength));
    EXPECT_TRUE(Held(otherBlob, LockLayout::ReadLockOffset(65534)));
    TScopedOsFileSystem scope(os);
    locks.UnlockWrite();
    ASSERT_EQ(os.Unlocks.size(), 3u);
    EXPECT_EQ(os.Unlocks[0].Length, 65535u);  // blob
    EXPECT_EQ(os.Unlocks[1].Length, 65535u);  // index
    EXPECT_EQ(os.Unlocks[2].Offset, LockLayout::DataWriteLockOffset);
    EXPECT_TRUE(NothingHeld());
}

TEST_F(TableLocksTest, AFailedWriteLockRaises10249AndGivesBackWhatItTook) {
    ASSERT_TRUE(testing::HoldLock(otherIndex, LockLayout::ReadLockOffset(500), 1));  // a reader elsewhere
    TScopedOsFileSystem scope(os);
    EXPECT_EQ(Raised([&] { locks.LockWrite(); }).Code, 10249);
    EXPECT_FALSE(locks.HoldsWriteLock());
    EXPECT_FALSE(Held(otherData, LockLayout::DataWriteLockOffset));
}

TEST_F(TableLocksTest, TheTransactionHoldsTheDataByteAcrossWrites) {
    locks.LockTransaction();
    EXPECT_TRUE(locks.InTransaction());
    EXPECT_TRUE(Held(otherData, LockLayout::DataWriteLockOffset));
    locks.LockWrite();  // does not take the data byte a second time
    locks.UnlockWrite();
    EXPECT_TRUE(Held(otherData, LockLayout::DataWriteLockOffset));
    EXPECT_FALSE(Held(otherIndex, LockLayout::FileWriteLockOffset, LockLayout::FileWriteLockLength));
    locks.UnlockTransaction();
    EXPECT_FALSE(locks.InTransaction());
    EXPECT_TRUE(NothingHeld());

    // A transaction started during a write takes the byte over and keeps it past the write.
    locks.LockWrite();
    locks.LockTransaction();
    locks.UnlockWrite();
    EXPECT_TRUE(Held(otherData, LockLayout::DataWriteLockOffset));
    locks.UnlockTransaction();
    EXPECT_TRUE(NothingHeld());

    ASSERT_TRUE(testing::HoldLock(otherData, LockLayout::DataWriteLockOffset, 1));
    TScopedOsFileSystem scope(os);
    EXPECT_EQ(Raised([&] { locks.LockTransaction(); }).Code, 10249);
    EXPECT_FALSE(locks.InTransaction());
}

// The transaction's data lock keeps every other writer out, so one look for changes after taking it serves
// every lock until it ends; outside a transaction each lock looks again.
TEST_F(TableLocksTest, InsideATransactionOnlyTheFirstLockLooksForChanges) {
    locks.LockTransaction();
    EXPECT_EQ(changeChecks, 0);
    for (int k = 0; k < 3; ++k) {
        locks.LockWrite();
        locks.UnlockWrite();
        locks.LockRead(0);
        locks.UnlockRead(0);
    }
    EXPECT_EQ(changeChecks, 1);
    locks.UnlockTransaction();

    locks.LockRead(0);
    locks.UnlockRead(0);
    locks.LockWrite();
    locks.UnlockWrite();
    EXPECT_EQ(changeChecks, 3);

    locks.LockTransaction();  // a new transaction looks once again
    locks.LockRead(0);
    locks.UnlockRead(0);
    locks.LockWrite();
    locks.UnlockWrite();
    EXPECT_EQ(changeChecks, 4);
    locks.UnlockTransaction();
    EXPECT_TRUE(NothingHeld());
}

// A change a transaction keeps in memory writes nothing before the commit: once the transaction has looked
// for changes, another process's reader must not wait for it, and only the commit's write lock waits for
// the reader.
TEST_F(TableLocksTest, InsideATransactionOnlyTheFirstChangeAndTheCommitTakeTheWriteLock) {
    locks.LockTransaction();
    locks.LockChange();  // the first look for changes, under the write lock
    EXPECT_TRUE(locks.HoldsWriteLock());
    EXPECT_TRUE(Held(otherIndex, LockLayout::FileWriteLockOffset, LockLayout::FileWriteLockLength));
    EXPECT_TRUE(Held(otherBlob, LockLayout::FileWriteLockOffset, LockLayout::FileWriteLockLength));
    EXPECT_EQ(changeChecks, 1);
    locks.UnlockWrite();

    ASSERT_TRUE(testing::HoldLock(otherIndex, LockLayout::ReadLockOffset(500), 1));  // a reader elsewhere
    {
        TScopedOsFileSystem scope(os);
        for (int k = 0; k < 3; ++k) {
            locks.LockChange();
            EXPECT_FALSE(locks.HoldsWriteLock());
            locks.UnlockWrite();
        }
        locks.LockRecord(9);  // the record lock alone: the read lock would serve a look not taken
        EXPECT_FALSE(locks.HoldsReadLock(TTableLocks::RecordReadLockSlot));
        EXPECT_EQ(os.Locks.size(), 1u);
        EXPECT_EQ(os.Locks[0].Offset, LockLayout::RecordLockOffset(9));
        EXPECT_TRUE(os.Sleeps.empty());
        EXPECT_EQ(changeChecks, 1);

        // The commit's write lock waits for the reader, and gives up after the retries.
        EXPECT_EQ(Raised([&] { locks.LockWrite(); }).Code, 10249);
        EXPECT_EQ(os.Sleeps.size(), LockLayout::FileLockRetries);
    }
    ASSERT_TRUE(testing::ReleaseLock(otherIndex, LockLayout::ReadLockOffset(500), 1));
    locks.UnlockRecord(9);
    locks.UnlockTransaction();
    EXPECT_TRUE(NothingHeld());

    // Outside a transaction every change takes the write lock and looks.
    locks.LockChange();
    EXPECT_TRUE(Held(otherData, LockLayout::DataWriteLockOffset));
    EXPECT_EQ(changeChecks, 2);
    locks.UnlockWrite();
}

TEST_F(TableLocksTest, ARecordLockFirstTakesAReadLockAndChecksForChanges) {
    locks.LockRecord(42);
    EXPECT_TRUE(locks.IsRecordLocked(42));
    EXPECT_TRUE(locks.HoldsReadLock(TTableLocks::RecordReadLockSlot));
    EXPECT_EQ(changeChecks, 1);
    EXPECT_TRUE(Held(otherData, LockLayout::RecordLockOffset(42)));
    EXPECT_TRUE(Held(otherData, 2147483604));
    locks.LockRecord(43);  // the read lock is held: only the change check
    EXPECT_EQ(changeChecks, 2);
    EXPECT_FALSE(locks.HoldsReadLock(0));
    locks.UnlockRecord(42);
    EXPECT_FALSE(locks.IsRecordLocked(42));
    EXPECT_FALSE(Held(otherData, LockLayout::RecordLockOffset(42)));
    EXPECT_EQ(Raised([&] { locks.UnlockRecord(42); }).Message,
              "Kartei Engine Error # 10242 Cannot unlock table or record in table 'City'");
    locks.UnlockRead(TTableLocks::RecordReadLockSlot);  // the caller's to release
    locks.UnlockRecord(43);
    EXPECT_TRUE(NothingHeld());
}

TEST_F(TableLocksTest, ARecordInUseElsewhereRaises10258AfterTheSessionsRetries) {
    ASSERT_TRUE(testing::HoldLock(otherData, LockLayout::RecordLockOffset(7), 1));
    settings.StrictChangeDetection = true;  // no read lock first
    settings.LockRetryCount = 3;
    settings.LockWaitTime = 250;
    TScopedOsFileSystem scope(os);
    const testing::TRaised raised = Raised([&] { locks.LockRecord(7); });
    EXPECT_EQ(raised.Message, "Kartei Engine Error # 10258 Record in table 'City' is in use by another user");
    EXPECT_EQ(os.Sleeps, (std::vector<uint32_t>{250, 250, 250}));
    EXPECT_FALSE(locks.IsRecordLocked(7));
    EXPECT_FALSE(locks.HoldsReadLock(TTableLocks::RecordReadLockSlot));
    EXPECT_EQ(changeChecks, 0);
}

TEST_F(TableLocksTest, InsideATransactionRecordsStayLockedUntilItEnds) {
    locks.LockTransaction();
    locks.LockRecord(3);
    locks.LockRecord(4);
    locks.UnlockRecord(3);
    EXPECT_TRUE(Held(otherData, LockLayout::RecordLockOffset(3)));  // only marked
    const size_t lockCalls = os.Locks.size();
    {
        TScopedOsFileSystem scope(os);
        locks.LockRecord(4);  // already locked in this transaction
    }
    EXPECT_EQ(os.Locks.size(), lockCalls);
    locks.UnlockTransaction();
    EXPECT_FALSE(locks.IsRecordLocked(3));
    EXPECT_FALSE(Held(otherData, LockLayout::RecordLockOffset(3)));
    EXPECT_TRUE(locks.IsRecordLocked(4));  // still being edited
    EXPECT_TRUE(Held(otherData, LockLayout::RecordLockOffset(4)));
    locks.UnlockRecord(4);
    locks.UnlockRead(TTableLocks::RecordReadLockSlot);
    EXPECT_TRUE(NothingHeld());
}

TEST_F(TableLocksTest, AReadOnlyTableTakesNoLocksAtAll) {
    locks.SetReadOnly(true);
    TScopedOsFileSystem scope(os);
    locks.LockRead(0);
    locks.LockWrite();
    locks.LockTransaction();
    locks.LockRecord(1);
    locks.UnlockRecord(1);
    locks.UnlockTransaction();
    locks.UnlockWrite();
    locks.UnlockRead(0);
    EXPECT_TRUE(os.Locks.empty());
    EXPECT_TRUE(os.Unlocks.empty());
    EXPECT_EQ(changeChecks, 0);
}

TEST_F(TableLocksTest, AnExclusiveTableLocksOnlyForATransaction) {
    locks.SetExclusive(true);
    locks.LockRead(0);
    locks.LockWrite();
    locks.LockRecord(1);
    locks.UnlockRecord(1);
    EXPECT_TRUE(NothingHeld());
    EXPECT_EQ(changeChecks, 0);
    locks.LockTransaction();
    locks.LockRecord(2);
    EXPECT_TRUE(Held(otherData, LockLayout::DataWriteLockOffset));
    EXPECT_TRUE(Held(otherData, LockLayout::RecordLockOffset(2)));
    EXPECT_FALSE(locks.HoldsReadLock(TTableLocks::RecordReadLockSlot));
    locks.UnlockRecord(2);
    locks.UnlockTransaction();
    EXPECT_TRUE(NothingHeld());
}

TEST_F(TableLocksTest, ReleasingAllAtCloseDropsEveryLock) {
    locks.LockRead(0);
    locks.LockRecord(5);
    locks.LockRecord(6);
    locks.ReleaseAll();
    EXPECT_FALSE(locks.HoldsReadLock(0));
    EXPECT_FALSE(locks.HoldsReadLock(TTableLocks::RecordReadLockSlot));
    EXPECT_FALSE(locks.IsRecordLocked(5));
    EXPECT_TRUE(NothingHeld());

    settings.StrictChangeDetection = true;
    locks.LockTransaction();
    locks.LockWrite();
    locks.LockRecord(5);
    locks.LockRecord(6);
    locks.UnlockRecord(6);
    locks.ReleaseAll();
    EXPECT_FALSE(locks.HoldsWriteLock());
    EXPECT_FALSE(locks.InTransaction());
    EXPECT_FALSE(locks.IsRecordLocked(5));
    EXPECT_FALSE(locks.IsRecordLocked(6));
    EXPECT_TRUE(NothingHeld());
}

TEST_F(TableLocksTest, AHeldReadLockKeepsTheTablesOwnWriteLockOut) {
    // The write range covers every read byte, the table's own too: a writer gives up its read lock first.
    locks.LockRead(0);
    TScopedOsFileSystem scope(os);
    EXPECT_EQ(Raised([&] { locks.LockWrite(); }).Code, 10249);
    EXPECT_FALSE(Held(otherData, LockLayout::DataWriteLockOffset));
    locks.UnlockRead(0);
    locks.LockWrite();
    EXPECT_TRUE(locks.HoldsWriteLock());
    locks.UnlockWrite();
}

}  // namespace
}  // namespace kartei
