#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "engine/cursor/CursorTestSupport.h"

namespace kartei::testing {
namespace {

constexpr const char* kDirVariable = "KARTEI_CURSOR_CHILD_DIR";
constexpr const char* kActionVariable = "KARTEI_CURSOR_CHILD_ACTION";

// Runs this test program again as another process that changes the table, and waits for it.
void RunChild(const std::string& directory, const std::string& action) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv(kDirVariable, directory.c_str(), 1);
        setenv(kActionVariable, action.c_str(), 1);
        execl("/proc/self/exe", "engine_tests", "--gtest_filter=CursorProcessChild.ChangeTheTable", nullptr);
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
}

// The other process: inserts or deletes one city, then ends.
TEST(CursorProcessChild, ChangeTheTable) {
    const char* directory = std::getenv(kDirVariable);
    const char* action = std::getenv(kActionVariable);
    if (directory == nullptr || action == nullptr) {
        GTEST_SKIP() << "only run as the other process of CursorProcess";
    }
    TDataSession session;
    TDataDirectoryImpl& dir = Inside(session.OpenDirectory(directory));
    TTableOpenRequest request;
    request.Name = "City";
    TDataTableImpl* table = nullptr;
    ASSERT_EQ(dir.OpenTable(request, table), 0);
    const std::string what(action);
    if (what.starts_with("insert ")) {
        table->InsertRecord(CityRecord(*table, what.substr(7)));
    } else if (what.starts_with("rename ")) {
        // "rename N NAME": record N gets another name (and so another key).
        const size_t space = what.find(' ', 7);
        table->ModifyRecord(std::stoi(what.substr(7, space - 7)), CityRecord(*table, what.substr(space + 1)));
    } else {
        table->DeleteRecord(std::stoi(what.substr(7)));
    }
    ASSERT_EQ(dir.CloseTable(table), 0);
}

using CursorProcess = CursorTest;

TEST_F(CursorProcess, AWalkerKeepsItsPlaceWhileAnotherProcessWrites) {
    TDataTableImpl* table = MakeCities({"Aachen", "Celle", "Essen"});
    auto cursor = OpenCursor("City", "City");
    Close(table);
    cursor->GoToOrdinal(2);
    ASSERT_EQ(CityOf(*cursor), "Celle");

    RunChild(temp_.Path(), "insert Bonn");
    EXPECT_EQ(cursor->RecordCount(), 4);
    EXPECT_EQ(cursor->Ordinal(), 3);
    std::vector<uint8_t> buffer(cursor->RecordSize());
    ASSERT_EQ(cursor->GetCurrent(buffer, false), ErrorCode::Success);
    EXPECT_EQ(CityOf(cursor->Table(), buffer), "Celle");

    RunChild(temp_.Path(), "delete 2");
    ASSERT_EQ(cursor->GetCurrent(buffer, false), ErrorCode::Success);
    EXPECT_EQ(CityOf(cursor->Table(), buffer), "Essen");
    EXPECT_EQ(WalkForward(*cursor), (std::vector<std::string>{"Aachen", "Bonn", "Essen"}));
}

TEST_F(CursorProcess, RecordsAnotherProcessChangedAreNotServedFromTheCache) {
    TDataTableImpl* table = MakeCities({"Aachen", "Celle", "Essen"});
    auto cursor = OpenCursor("City", "PrimaryKey");
    Close(table);
    EXPECT_EQ(WalkForward(*cursor), (std::vector<std::string>{"Aachen", "Celle", "Essen"}));
    // The record keeps its place in this index; only its contents change, in the other process.
    RunChild(temp_.Path(), "rename 2 Cottbus");
    EXPECT_EQ(WalkForward(*cursor), (std::vector<std::string>{"Aachen", "Cottbus", "Essen"}));
}

// A search and the screen after it as one operation: the read lock is taken once for both, and the look for
// other users' changes at its start still finds what another process changed.
TEST_F(CursorProcess, StepsAsOneOperationLockOnceAndSeeOtherWriters) {
    TDataTableImpl* table = MakeCities({"Aachen", "Celle", "Essen"});
    auto cursor = OpenCursor("City", "City");
    Close(table);
    const std::vector<uint8_t> key = CityRecord(cursor->Table(), "B");
    std::vector<uint8_t> found(cursor->RecordSize());
    std::vector<uint8_t> screen(2 * cursor->RecordSize());
    const auto search = [&] {
        cursor->FindKey(TKeyForm::Record, key.data(), found, 1, true, 0);
        return cursor->GetNextRecords(screen, 2);
    };
    TCountingFileSystem disk;
    const TScopedOsFileSystem scoped(disk);
    ASSERT_EQ(search(), 1);
    EXPECT_EQ(CityOf(cursor->Table(), found), "Celle");
    const size_t stepByStep = disk.Locks.size();

    RunChild(temp_.Path(), "insert Bonn");
    disk.Locks.clear();
    int32_t read = 0;
    cursor->AsOneOperation([&] { read = search(); });
    EXPECT_EQ(CityOf(cursor->Table(), found), "Bonn");
    ASSERT_EQ(read, 2);
    EXPECT_EQ(
        CityOf(cursor->Table(), std::vector<uint8_t>(screen.begin(), screen.begin() + cursor->RecordSize())),
        "Celle");
    EXPECT_GT(disk.Locks.size(), 0u);
    EXPECT_EQ(disk.Locks.size() * 2, stepByStep);
}

// A process that may only read the files cannot keep writers out with its exclusive open (it can take
// no write lock): it looks for their changes as a shared user does.
TEST_F(CursorProcess, AnExclusiveOpenOfFilesItMayOnlyReadStillSeesOtherWriters) {
    Close(MakeCities({"Aachen", "Celle", "Essen"}));
    // This process may only read (the superuser passes every permission check, so the disk says so).
    TCountingFileSystem disk;
    disk.ReadWriteOpenFailure = EACCES;
    const TScopedOsFileSystem scoped(disk);
    auto cursor = std::make_unique<TDataCursorImpl>(*directory_);
    TTableOpenRequest request;
    request.Name = "City";
    request.Exclusive = true;
    cursor->Open(request);
    cursor->SelectIndex("City");
    ASSERT_TRUE(cursor->Table().ReadOnly());
    EXPECT_EQ(WalkForward(*cursor), (std::vector<std::string>{"Aachen", "Celle", "Essen"}));

    // Another user, who may write the files, changes the table.
    RunChild(temp_.Path(), "insert Bonn");
    RunChild(temp_.Path(), "rename 2 Cottbus");
    EXPECT_EQ(cursor->RecordCount(), 4);
    EXPECT_EQ(WalkForward(*cursor), (std::vector<std::string>{"Aachen", "Bonn", "Cottbus", "Essen"}));
}

}  // namespace
}  // namespace kartei::testing
