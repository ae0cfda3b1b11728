#include <gtest/gtest.h>

#include <string>

#include "engine/files/FileHandler.h"
#include "engine/files/FileList.h"
#include "engine/files/FileTestSupport.h"
#include "engine/files/MemoryFile.h"

namespace kartei {
namespace {

using testing::Raised;

// Memory files live in the process-wide registry: each test uses its own names and deletes them.
class MemoryFileTest : public ::testing::Test {
protected:
    MemoryFileTest() {
        first.SetInMemory(true);
        second.SetInMemory(true);
    }
    ~MemoryFileTest() override {
        first.Close();
        second.Close();
        for (const char* name : {"mem-a.DAT", "mem-b.DAT", "mem-copy.DAT"}) {
            if (first.Exists(name)) {
                first.Delete(name);
            }
        }
    }
    std::string ReadAll(TFileHandler& handler) {
        std::string bytes(static_cast<size_t>(handler.Size()), '\0');
        handler.Seek(0, TSeekOrigin::Start);
        handler.Read(bytes.data(), bytes.size());
        return bytes;
    }

    TFileHandler first;
    TFileHandler second;
};

TEST_F(MemoryFileTest, ExistsOnlyOnceCreatedAndKeepsItsContentsWhenClosed) {
    const testing::TRaised raised = Raised([&] { first.Open("mem-a.DAT", false); });
    EXPECT_EQ(raised.Code, 11010);
    EXPECT_EQ(raised.Message, "Kartei Engine Error # 11010 Invalid path or file name for table 'mem-a.DAT'");
    EXPECT_FALSE(first.IsOpen());

    first.Create("mem-a.DAT");
    EXPECT_TRUE(first.IsOpen());
    first.Write("hello world", 11);
    first.Close();
    EXPECT_TRUE(first.Exists("MEM-A.dat"));  // names compare without regard to case

    second.Open("  Mem-A.DAT ", false);  // and after trimming blanks
    EXPECT_FALSE(second.OpenedReadOnly());
    EXPECT_EQ(ReadAll(second), "hello world");
}

TEST_F(MemoryFileTest, AZeroByteWriteSetsTheSizeToThePosition) {
    first.Create("mem-a.DAT");
    first.Write(std::string(100, 'x').data(), 100);
    EXPECT_EQ(first.Size(), 100);
    first.Seek(10, TSeekOrigin::Start);
    first.Write(nullptr, 0);
    EXPECT_EQ(first.Size(), 10);
    // The dropped bytes do not come back when the file grows again.
    first.Seek(20, TSeekOrigin::Start);
    first.Write("y", 1);
    EXPECT_EQ(ReadAll(first), std::string(10, 'x') + std::string(10, '\0') + "y");
}

TEST_F(MemoryFileTest, EachHandleHasItsOwnPosition) {
    first.Create("mem-a.DAT");
    first.Write("0123456789", 10);
    first.Close();
    first.Open("mem-a.DAT", false);
    second.Open("mem-a.DAT", false);
    EXPECT_EQ(first.File(), second.File());
    EXPECT_NE(first.Handle(), second.Handle());
    first.Seek(6, TSeekOrigin::Start);
    char a[2] = {};
    char b[2] = {};
    second.Read(b, 2);
    first.Read(a, 2);
    EXPECT_EQ(std::string(a, 2), "67");
    EXPECT_EQ(std::string(b, 2), "01");
    EXPECT_EQ(first.Seek(0, TSeekOrigin::Current), 8);
    EXPECT_EQ(second.Seek(3, TSeekOrigin::Current), 5);
    // From the end the offset counts backwards.
    EXPECT_EQ(first.Seek(4, TSeekOrigin::End), 6);
    EXPECT_EQ(Raised([&] { first.Seek(11, TSeekOrigin::End); }).Code, 11047);
}

TEST_F(MemoryFileTest, ReadsStopAtTheEnd) {
    first.Create("mem-a.DAT");
    first.Write("abc", 3);
    first.Seek(1, TSeekOrigin::Start);
    char buffer[8] = {};
    EXPECT_EQ(first.Read(buffer, 8, true), 2u);
    EXPECT_EQ(std::string(buffer, 2), "bc");
    EXPECT_EQ(first.Read(buffer, 8, true), 0u);
    first.Seek(0, TSeekOrigin::Start);
    const testing::TRaised raised = Raised([&] { first.Read(buffer, 4); });
    EXPECT_EQ(raised.Message, "Kartei Engine Error # 9217 Error reading from table 'mem-a.DAT'");
}

TEST_F(MemoryFileTest, CapacityGrowsInStepsAndNeverShrinks) {
    first.Create("mem-a.DAT");
    auto& file = static_cast<TMemoryFile&>(*first.File());
    first.Write("x", 1);
    EXPECT_EQ(file.Capacity(), 65535u);
    first.Seek(65535, TSeekOrigin::Start);
    first.Write("y", 1);
    EXPECT_EQ(file.Capacity(), 131070u);
    first.Seek(0, TSeekOrigin::Start);
    first.Write(nullptr, 0);
    EXPECT_EQ(file.Size(), 0u);
    EXPECT_EQ(file.Capacity(), 131070u);
}

TEST_F(MemoryFileTest, SharingFollowsTheRegistryRules) {
    first.Create("mem-a.DAT");
    // The creator holds the file exclusively until it closes it.
    EXPECT_EQ(Raised([&] { second.Open("mem-a.DAT", false); }).Code, 11013);
    first.Close();
    first.Open("mem-a.DAT", false);
    EXPECT_EQ(Raised([&] { second.Open("mem-a.DAT", true); }).Code, 11013);
    EXPECT_EQ(Raised([&] { second.Create("mem-a.DAT"); }).Code, 11013);
    EXPECT_EQ(Raised([&] { second.Delete("mem-a.DAT"); }).Code, 11013);
    EXPECT_EQ(Raised([&] { second.Rename("mem-a.DAT", "mem-b.DAT"); }).Code, 11013);
    first.Close();
    second.Open("mem-a.DAT", true);
    EXPECT_EQ(Raised([&] { first.Open("mem-a.DAT", false); }).Code, 11013);
}

TEST_F(MemoryFileTest, RenameAndDeleteActOnTheEntry) {
    first.Create("mem-a.DAT");
    first.Write("abc", 3);
    first.Close();
    first.Create("mem-b.DAT");
    first.Close();
    // An existing file is never replaced.
    EXPECT_EQ(Raised([&] { first.Rename("mem-a.DAT", "MEM-B.DAT"); }).Code, 11047);
    first.Delete("mem-b.DAT");
    EXPECT_FALSE(first.Exists("mem-b.DAT"));
    first.Rename("mem-a.DAT", "mem-b.DAT");
    EXPECT_FALSE(first.Exists("mem-a.DAT"));
    first.Open("mem-b.DAT", false);
    EXPECT_EQ(ReadAll(first), "abc");
    first.Close();
    EXPECT_EQ(Raised([&] { first.Delete("mem-a.DAT"); }).Code, 11010);
    EXPECT_EQ(Raised([&] { first.Rename("mem-a.DAT", "mem-c.DAT"); }).Code, 11010);
}

TEST_F(MemoryFileTest, ATemporaryFileGoesWithItsLastHandle) {
    first.Create("mem-a.DAT", true);
    first.Write("abc", 3);
    EXPECT_TRUE(first.Exists("mem-a.DAT"));
    first.Close();
    EXPECT_FALSE(first.Exists("mem-a.DAT"));
    EXPECT_EQ(FileList().Find("mem-a.DAT", true), nullptr);
}

TEST_F(MemoryFileTest, RecreatingEmptiesTheFile) {
    first.Create("mem-a.DAT");
    first.Write("abcdef", 6);
    first.Close();
    first.Create("mem-a.DAT");
    EXPECT_EQ(first.Size(), 0);
    first.Seek(3, TSeekOrigin::Start);
    first.Write("z", 1);
    EXPECT_EQ(ReadAll(first), std::string(3, '\0') + "z");
}

TEST_F(MemoryFileTest, CopiesStayInMemory) {
    first.Create("mem-a.DAT");
    std::string bytes(70000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7);
    }
    first.Write(bytes.data(), bytes.size());
    first.SaveCopy("mem-copy.DAT");
    first.Close();
    second.Open("mem-copy.DAT", false);
    EXPECT_EQ(ReadAll(second), bytes);
    second.Close();

    first.Create("mem-b.DAT");
    first.Write(std::string(80000, 'q').data(), 80000);
    first.LoadCopy("mem-copy.DAT");
    EXPECT_EQ(ReadAll(first), bytes);  // the target ends where the copy ends
    EXPECT_EQ(Raised([&] { first.LoadCopy("mem-none.DAT"); }).Message,
              "Kartei Engine Error # 11010 Invalid path or file name for table 'mem-b.DAT'");
}

TEST_F(MemoryFileTest, RangeLocksRefuseOverlaps) {
    first.Create("mem-a.DAT");
    EXPECT_TRUE(first.LockRange(100, 10));
    EXPECT_FALSE(first.LockRange(109, 5));  // starts inside
    EXPECT_FALSE(first.LockRange(95, 6));   // covers its start
    EXPECT_FALSE(first.LockRange(100, 10));
    EXPECT_TRUE(first.LockRange(110, 1));
    EXPECT_TRUE(first.LockRange(90, 10));
    EXPECT_FALSE(first.LockRange(200, 0));
    EXPECT_FALSE(first.UnlockRange(100, 5));  // only the exact range
    EXPECT_TRUE(first.UnlockRange(100, 10));
    EXPECT_FALSE(first.UnlockRange(100, 10));
    EXPECT_TRUE(first.LockRange(105, 1));
}

}  // namespace
}  // namespace kartei
