#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>

#include "engine/errors/ErrorContext.h"
#include "engine/files/FileHandler.h"
#include "engine/files/FileList.h"
#include "engine/files/FileTestSupport.h"
#include "engine/files/LockLayout.h"

namespace kartei {
namespace {

using testing::Raised;
using testing::ReadBytes;
using testing::WriteBytes;

class PhysicalFileTest : public ::testing::Test {
protected:
    std::string ReadAll(TFileHandler& handler) {
        std::string bytes(static_cast<size_t>(handler.Size()), '\0');
        handler.Seek(0, TSeekOrigin::Start);
        handler.Read(bytes.data(), bytes.size());
        return bytes;
    }

    testing::TTempDir dir;
    const std::string table = dir.File("City.DAT");
    TFileHandler first;
    TFileHandler second;
    TFileHandler third;
};

TEST_F(PhysicalFileTest, OpeningAMissingFileRaises11010WithItsName) {
    const testing::TRaised raised = Raised([&] { first.Open(table, false); });
    EXPECT_EQ(raised.Code, 11010);
    EXPECT_EQ(raised.Message,
              "Kartei Engine Error # 11010 Invalid path or file name for table '" + table + "'");
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(Raised([&] { first.Read(nullptr, 0); }).Message,
              "Kartei Engine Error # 11014 Invalid file handle for table '" + table + "'");
    EXPECT_EQ(Raised([&] { first.Open(dir.Path(), false); }).Code, 11010);  // a folder is no table file
}

TEST_F(PhysicalFileTest, TwoSharedOpensShareOneObjectAndExclusiveWaitsForBothToClose) {
    WriteBytes(table, "data");
    first.Open(table, false);
    second.Open(dir.File("city.dat"), false);  // one object per name, whatever its case
    EXPECT_EQ(first.File(), second.File());
    EXPECT_NE(first.Handle(), second.Handle());
    EXPECT_EQ(first.File()->OpenCount(), 2);

    const testing::TRaised raised = Raised([&] { third.Open(table, true); });
    EXPECT_EQ(raised.Code, 11013);
    EXPECT_EQ(raised.Message, "Kartei Engine Error # 11013 Access denied to table '" + table + "'");
    first.Close();
    EXPECT_EQ(Raised([&] { third.Open(table, true); }).Code, 11013);
    second.Close();
    EXPECT_EQ(FileList().Find(table, false), nullptr);  // the last close frees a disk file object
    third.Open(table, true);
    EXPECT_TRUE(third.Exclusive());
    EXPECT_EQ(Raised([&] { first.Open(table, false); }).Code, 11013);
}

TEST_F(PhysicalFileTest, AFileWithoutWritePermissionOpensReadOnly) {
    WriteBytes(table, "abc");
    ASSERT_EQ(chmod(table.c_str(), 0444), 0);
    first.Open(table, false);
    EXPECT_TRUE(first.OpenedReadOnly());
    EXPECT_TRUE(first.File()->ReadOnly());
    char buffer[3];
    first.Read(buffer, 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    // Shared for reading and writing: a second shared open joins it.
    second.Open(table, false);
    EXPECT_TRUE(second.OpenedReadOnly());
    first.Seek(0, TSeekOrigin::Start);
    EXPECT_EQ(Raised([&] { first.Write("x", 1); }).Message,
              "Kartei Engine Error # 9218 Error writing to table '" + table + "'");
    EXPECT_EQ(Raised([&] { first.Write(nullptr, 0); }).Code, 9218);  // nor truncated
    EXPECT_EQ(ReadBytes(table), "abc");
    first.Close();
    second.Close();
    // Nor replaced by a new file.
    EXPECT_EQ(Raised([&] { first.Create(table); }).Code, 11013);
    EXPECT_EQ(ReadBytes(table), "abc");
}

TEST_F(PhysicalFileTest, HandlesShareOnePosition) {
    first.Create(table);
    first.Write("0123456789", 10);
    first.Close();
    first.Open(table, false);
    second.Open(table, false);
    first.Seek(4, TSeekOrigin::Start);
    char buffer[3] = {};
    second.Read(buffer, 3);  // reads where the first handle left the position
    EXPECT_EQ(std::string(buffer, 3), "456");
    EXPECT_EQ(first.Seek(0, TSeekOrigin::Current), 7);
    EXPECT_EQ(first.Seek(-2, TSeekOrigin::End), 8);
    EXPECT_EQ(first.Size(), 10);
    EXPECT_EQ(first.Seek(0, TSeekOrigin::Current), 8);  // Size keeps the position
    EXPECT_EQ(Raised([&] { first.Seek(-11, TSeekOrigin::End); }).Code, 11047);
    EXPECT_EQ(ErrorContextOsError(), EINVAL);
}

TEST_F(PhysicalFileTest, GuardedSeekAndTransferPairsOfThreadsDoNotInterleave) {
    first.Create(table);
    first.Write(std::string(8000, '.').data(), 8000);
    first.Close();
    first.Open(table, false);
    second.Open(table, false);
    // Both handles move the one shared position; the guard keeps each seek with its transfer.
    auto fill = [](TFileHandler& handler, char mark, int64_t base) {
        for (int64_t i = 0; i < 4000; ++i) {
            TFileGuard guard(handler);
            handler.Seek(base + i, TSeekOrigin::Start);
            handler.Write(&mark, 1);
        }
    };
    std::thread a(fill, std::ref(first), 'a', 0);
    std::thread b(fill, std::ref(second), 'b', 4000);
    a.join();
    b.join();
    EXPECT_EQ(ReadBytes(table), std::string(4000, 'a') + std::string(4000, 'b'));
}

TEST_F(PhysicalFileTest, WritesExtendAndAZeroByteWriteTruncates) {
    first.Create(table);
    first.Seek(5, TSeekOrigin::Start);
    first.Write("abc", 3);
    EXPECT_EQ(ReadBytes(table), std::string(5, '\0') + "abc");
    first.Seek(6, TSeekOrigin::Start);
    first.Write(nullptr, 0);
    EXPECT_EQ(first.Size(), 6);
    first.Flush();
    EXPECT_EQ(ReadBytes(table), std::string(5, '\0') + "a");
}

TEST_F(PhysicalFileTest, ShortReadsRaise9217UnlessAllowed) {
    WriteBytes(table, "abcde");
    first.Open(table, false);
    first.Seek(3, TSeekOrigin::Start);
    char buffer[8] = {};
    EXPECT_EQ(first.Read(buffer, 8, true), 2u);
    EXPECT_EQ(std::string(buffer, 2), "de");
    first.Seek(3, TSeekOrigin::Start);
    EXPECT_EQ(Raised([&] { first.Read(buffer, 8); }).Message,
              "Kartei Engine Error # 9217 Error reading from table '" + table + "'");
}

TEST_F(PhysicalFileTest, SystemFailuresRaiseWithTheirErrorNumber) {
    WriteBytes(table, "abcde");
    first.Open(table, false);
    testing::TCountingFileSystem os;
    TScopedOsFileSystem scope(os);
    char buffer[4];
    os.ReadFailure = EIO;
    EXPECT_EQ(Raised([&] { first.Read(buffer, 4, true); }).Code, 9217);  // a failure is no short read
    EXPECT_EQ(ErrorContextOsError(), EIO);
    os.ReadFailure = 0;
    os.WriteFailure = ENOSPC;
    EXPECT_EQ(Raised([&] { first.Write("x", 1); }).Code, 9218);
    EXPECT_EQ(ErrorContextOsError(), ENOSPC);
    os.FlushFailure = EIO;
    EXPECT_EQ(Raised([&] { first.Flush(); }).Message,
              "Kartei Engine Error # 9218 Error writing to table '" + table + "'");
    os.FlushFailure = EACCES;  // a mapped error carries no number
    EXPECT_EQ(Raised([&] { first.Flush(); }).Code, 9218);
    EXPECT_EQ(ErrorContextOsError(), 0);
}

TEST_F(PhysicalFileTest, CreateReplacesAFileUnlessItsNameIsBlankOrItIsOpen) {
    WriteBytes(table, "old contents");
    first.Create(table);
    EXPECT_TRUE(first.Exclusive());
    EXPECT_EQ(first.Size(), 0);
    EXPECT_EQ(Raised([&] { second.Open(table, false); }).Code, 11013);
    EXPECT_EQ(Raised([&] { second.Create(table); }).Code, 11013);
    first.Close();
    EXPECT_EQ(ReadBytes(table), "");

    const std::string blank = dir.File("  .DAT");
    EXPECT_EQ(Raised([&] { first.Create(blank); }).Message,
              "Kartei Engine Error # 11010 Invalid path or file name for table '" + blank + "'");
    EXPECT_EQ(Raised([&] { first.Create(dir.File("")); }).Code, 11010);
    EXPECT_EQ(Raised([&] { first.Create(dir.File("no-such-dir/T.DAT")); }).Code, 11010);
    // A name that is only an extension has a blank file part.
    EXPECT_EQ(Raised([&] { first.Create(dir.File(".hidden")); }).Code, 11010);
    EXPECT_FALSE(first.Exists(dir.File(".hidden")));
}

TEST_F(PhysicalFileTest, DeleteAndRenameRefuseOpenFiles) {
    WriteBytes(table, "abc");
    first.Open(table, false);
    EXPECT_EQ(Raised([&] { second.Delete(table); }).Code, 11013);
    EXPECT_EQ(Raised([&] { second.Rename(table, dir.File("Town.DAT")); }).Code, 11013);
    first.Close();
    WriteBytes(dir.File("Town.DAT"), "other");
    const testing::TRaised raised = Raised([&] { second.Rename(table, dir.File("Town.DAT")); });
    EXPECT_EQ(
        raised.Message,
        "Kartei Engine Error # 11047 An unknown operating system error occurred with table '" + table + "'");
    EXPECT_EQ(ErrorContextOsError(), EEXIST);
    second.Delete(dir.File("Town.DAT"));
    second.Rename(table, dir.File("Town.DAT"));
    EXPECT_FALSE(second.Exists(table));
    EXPECT_EQ(ReadBytes(dir.File("Town.DAT")), "abc");
    EXPECT_EQ(Raised([&] { second.Delete(table); }).Code, 11010);
}

TEST_F(PhysicalFileTest, ATemporaryFileIsDeletedWhenItsLastHandleCloses) {
    first.Create(table, true);
    first.Write("abc", 3);
    first.Close();
    EXPECT_TRUE(first.Exists(table));  // creating does not mark it for deletion
    first.Open(table, false, true);
    second.Open(table, false);
    first.Close();
    EXPECT_TRUE(second.Exists(table));
    second.Close();
    EXPECT_FALSE(second.Exists(table));
}

TEST_F(PhysicalFileTest, RangeLocksRefuseOverlapsBetweenHandlesOfTheProcess) {
    WriteBytes(table, "");
    first.Open(table, false);
    second.Open(table, false);
    EXPECT_TRUE(first.LockRange(LockLayout::DataWriteLockOffset, 1));
    EXPECT_FALSE(second.LockRange(LockLayout::DataWriteLockOffset, 1));
    EXPECT_FALSE(second.LockRange(LockLayout::FileWriteLockOffset, 0x7FFFFFFF));
    EXPECT_FALSE(second.UnlockRange(LockLayout::DataWriteLockOffset, 2));
    EXPECT_TRUE(second.UnlockRange(LockLayout::DataWriteLockOffset, 1));  // the object's lock, any handle
    EXPECT_TRUE(second.LockRange(LockLayout::DataWriteLockOffset, 1));
    EXPECT_FALSE(second.LockRange(0xFFFFFFFF, 2));  // would reach the sharing byte
    EXPECT_TRUE(second.LockRange(0xFFFFFFFF, 1));

    // Another description of the file (as another process would have) sees the system lock.
    const int fd = open(table.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const testing::TProbe probe = testing::ProbeLock(fd, LockLayout::DataWriteLockOffset, 1);
    EXPECT_EQ(probe.Type, F_WRLCK);
    EXPECT_EQ(probe.Start, LockLayout::DataWriteLockOffset);
    EXPECT_EQ(probe.Length, 1);
    // Closing our last handle drops the locks with the descriptor.
    first.Close();
    second.Close();
    EXPECT_EQ(testing::ProbeLock(fd, LockLayout::DataWriteLockOffset, 1).Type, F_UNLCK);
    close(fd);
}

TEST_F(PhysicalFileTest, SavingACopyMovesChunksOf65535Bytes) {
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    WriteBytes(table, bytes);
    first.Open(table, false);
    testing::TCountingFileSystem os;
    {
        TScopedOsFileSystem scope(os);
        first.SaveCopy(dir.File("City.DBK"));
    }
    EXPECT_EQ(os.Writes, (std::vector<size_t>{65535, 65535, 65535, 3395}));
    EXPECT_EQ(os.ReadsAsked, (std::vector<size_t>{65535, 65535, 65535, 65535}));
    EXPECT_EQ(os.ReadsDone, (std::vector<size_t>{65535, 65535, 65535, 3395}));
    EXPECT_EQ(ReadBytes(dir.File("City.DBK")), bytes);
    EXPECT_EQ(FileList().Find(dir.File("City.DBK"), false), nullptr);  // the copy is closed again
}

TEST_F(PhysicalFileTest, AFailedCopyLeavesNoTarget) {
    WriteBytes(table, std::string(100000, 'a'));
    first.Open(table, false);
    testing::TCountingFileSystem os;
    TScopedOsFileSystem scope(os);
    os.WriteFailure = ENOSPC;
    EXPECT_EQ(Raised([&] { first.SaveCopy(dir.File("City.DBK")); }).Code, 11047);
    EXPECT_FALSE(first.Exists(dir.File("City.DBK")));
    // A target that is open elsewhere cannot be created.
    os.WriteFailure = 0;
    WriteBytes(dir.File("City.DBK"), "keep");
    second.Open(dir.File("City.DBK"), false);
    EXPECT_EQ(Raised([&] { first.SaveCopy(dir.File("City.DBK")); }).Message,
              "Kartei Engine Error # 11013 Access denied to table '" + table + "'");
    second.Close();
    EXPECT_EQ(ReadBytes(dir.File("City.DBK")), "keep");
}

TEST_F(PhysicalFileTest, LoadingACopyReplacesTheWholeContents) {
    WriteBytes(dir.File("City.IBK"), std::string(70000, 'n'));
    WriteBytes(table, std::string(150000, 'o'));
    first.Open(table, false);
    first.LoadCopy(dir.File("City.IBK"));
    EXPECT_EQ(first.Size(), 70000);
    EXPECT_EQ(ReadBytes(table), std::string(70000, 'n'));
    // The source is opened exclusively: not while anyone else has it open.
    second.Open(dir.File("City.IBK"), false);
    EXPECT_EQ(Raised([&] { first.LoadCopy(dir.File("City.IBK")); }).Code, 11013);
}

}  // namespace
}  // namespace kartei
