#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/faults/FailingFileSystem.h"
#include "engine/os/OsFileSystem.h"
#include "engine/table/TableTestSupport.h"
#include "tools/ToolTestSupport.h"

namespace kartei::tools::testing {
namespace {

namespace fs = std::filesystem;
using kartei::testing::CityDefinition;
using kartei::testing::CityRecord;
using kartei::testing::TFailingFileSystem;
using kartei::testing::TFaultKind;

// A change on a failing disk that is all or nothing: a transaction, emptying the table. Afterwards the table
// holds what it held before the change or what the whole change made of it, soundly or once `kartei repair`
// has mended it. Found by the model-checked workload's failing-disk variant (tests/tools/model).
class FailingChange : public ::testing::Test {
protected:
    void SetUp() override {
        TDataSession session;
        TDataDirectoryImpl& directory = Inside(session.OpenDirectory(Folder("clean")));
        TTableOpenRequest request;
        request.Name = "City";
        TDataTableImpl* table = nullptr;
        ASSERT_EQ(directory.CreateTable(request, CityDefinition(), table), 0);
        for (int k = 0; k < 20; ++k) {
            table->InsertRecord(CityRecord(*table, "Ort " + std::to_string(k)));
        }
        directory.CloseTable(table);
        before_ = Kartei({"dump", Folder("clean") + "/City.DAT"}).Out;
    }

    std::string Folder(const std::string& name) {
        fs::create_directories(temp_.File(name));
        return temp_.File(name);
    }

    // A copy of the clean table, opened over the disk for the length of the change.
    template <typename Change>
    void OnCopy(const std::string& name, TFailingFileSystem& disk, bool exclusive, Change change) {
        fs::copy(Folder("clean"), Folder(name),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        const kartei::TScopedOsFileSystem scoped(disk);
        TDataSession session;
        TDataDirectoryImpl& directory = Inside(session.OpenDirectory(Folder(name)));
        TTableOpenRequest request;
        request.Name = "City";
        request.Exclusive = exclusive;
        TDataTableImpl* table = nullptr;
        ASSERT_EQ(directory.OpenTable(request, table), 0);
        try {
            change(directory, *table);
        } catch (const EKarteiEngineError& error) {
            raised_ = error.Message();
        }
    }

    // A transaction that inserts and deletes records, then ends as asked. Returns the calls of the disk's
    // kind made before the transaction ends.
    int64_t RunTransaction(const std::string& name, TFailingFileSystem& disk, bool commit) {
        int64_t calls = 0;
        OnCopy(name, disk, false, [&](TDataDirectoryImpl& directory, TDataTableImpl& table) {
            directory.StartTransaction();
            for (int k = 20; k < 30; ++k) {
                table.InsertRecord(CityRecord(table, "Neu " + std::to_string(k)));
            }
            table.DeleteRecord(3);
            table.DeleteRecord(12);
            calls = disk.Calls();
            directory.EndTransaction(commit);
        });
        return calls;
    }

    // The table's records after verifying and, when that fails, repairing it.
    std::string Mended(const std::string& name) {
        const std::string table = Folder(name) + "/City.DAT";
        TRun verify = Kartei({"verify", table});
        if (verify.Status != 0) {
            const TRun repair = Kartei({"repair", table});
            EXPECT_EQ(repair.Status, 0) << verify.Out << repair.Out << repair.Err;
            verify = Kartei({"verify", table});
        }
        EXPECT_EQ(verify.Status, 0) << verify.Out;
        return Kartei({"dump", table}).Out;
    }

    TTempDir temp_;
    // The records before the change, as `kartei dump` lists them.
    std::string before_;
    std::string raised_;
};

TEST_F(FailingChange, AReadFailingInTheRollbackLeavesTheTableAsBeforeTheTransaction) {
    TFailingFileSystem counting(TFaultKind::Read, 0);
    const int64_t reads = RunTransaction("count", counting, false);
    ASSERT_GT(counting.Calls(), reads) << "the rollback reads nothing";

    TFailingFileSystem disk(TFaultKind::Read, reads + 1);
    RunTransaction("failed", disk, false);
    ASSERT_TRUE(disk.Failed());
    EXPECT_NE(raised_.find("9217"), std::string::npos) << raised_;
    EXPECT_EQ(Mended("failed"), before_);
}

// The disk goes away while the transaction is written: a commit is all or nothing.
TEST_F(FailingChange, ADiskGoneDuringTheCommitLeavesTheTableBeforeOrAfterTheWholeTransaction) {
    TFailingFileSystem counting(TFaultKind::Write, 0);
    const int64_t writes = RunTransaction("count", counting, true);
    const std::string after = Mended("count");
    ASSERT_NE(after, before_);
    ASSERT_GT(counting.Calls(), writes + 1) << "the commit writes in one call";

    for (int64_t n = writes + 1; n <= counting.Calls(); ++n) {
        SCOPED_TRACE("write call " + std::to_string(n) + " and later");
        const std::string name = "failed" + std::to_string(n);
        TFailingFileSystem disk(TFaultKind::Write, n, true);
        RunTransaction(name, disk, true);
        const std::string contents = Mended(name);
        EXPECT_TRUE(contents == before_ || contents == after) << contents;
    }
}

// The disk stops reading while the transaction is written: a commit is all or nothing.
TEST_F(FailingChange, ADiskThatStopsReadingDuringTheCommitLeavesTheTableBeforeOrAfterTheWholeTransaction) {
    TFailingFileSystem counting(TFaultKind::Read, 0);
    const int64_t reads = RunTransaction("count", counting, true);
    const std::string after = Mended("count");
    ASSERT_GT(counting.Calls(), reads) << "the commit reads nothing";

    for (int64_t n = reads + 1; n <= counting.Calls(); ++n) {
        SCOPED_TRACE("read call " + std::to_string(n) + " and later");
        const std::string name = "failed" + std::to_string(n);
        TFailingFileSystem disk(TFaultKind::Read, n, true);
        RunTransaction(name, disk, true);
        const std::string contents = Mended(name);
        EXPECT_TRUE(contents == before_ || contents == after) << contents;
    }
}

// The disk goes away while the table is emptied: it is emptied or left whole.
TEST_F(FailingChange, ADiskGoneWhileEmptyingLeavesTheTableWholeOrEmpty) {
    const auto empty = [](TDataDirectoryImpl&, TDataTableImpl& table) { table.EmptyTable(); };
    TFailingFileSystem counting(TFaultKind::Write, 0);
    OnCopy("count", counting, true, empty);
    const std::string emptied = Mended("count");
    ASSERT_EQ(Lines(emptied).size(), 1u) << emptied;

    for (int64_t n = 1; n <= counting.Calls(); ++n) {
        SCOPED_TRACE("write call " + std::to_string(n) + " and later");
        const std::string name = "failed" + std::to_string(n);
        TFailingFileSystem disk(TFaultKind::Write, n, true);
        OnCopy(name, disk, true, empty);
        const std::string contents = Mended(name);
        EXPECT_TRUE(contents == before_ || contents == emptied) << contents;
    }
}

}  // namespace
}  // namespace kartei::tools::testing
