// Transactions larger than their memory budget: what they spill, and that they still commit or roll back
// whole, also when the spill file fails.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/ScopeGuard.h"
#include "engine/faults/FailingFileSystem.h"
#include "engine/table/TableTestSupport.h"

namespace kartei::testing {
namespace {

constexpr int kRecords = 600;

class TableSpill : public TableTest {
protected:
    TableSpill() { session_.SetCacheSettings(TinyBudget()); }

    // A few records and index pages kept in memory, and a transaction budget of a few records.
    static TCacheSettings TinyBudget() {
        TCacheSettings settings;
        settings.RecordCacheBytes = 1024;
        settings.PagesPerIndex = 2;
        settings.TransactionCacheBytes = 4096;
        return settings;
    }

    // Every live record (number and text), then the texts in the order of the areacode index.
    static std::vector<std::string> Contents(TDataTableImpl& table) {
        std::vector<std::string> lines;
        std::vector<uint8_t> image = BlankRecord(table);
        for (int32_t number = 1; number <= table.Header().RecordSlotCount(); ++number) {
            table.ReadRecord(number, image);
            if (RecordStatus(image) == kRecordLive) {
                lines.push_back(std::to_string(GetIntegerField(image, table.Fields()[0])) + " " +
                                std::string(GetStringField(image, table.Fields()[1])));
            }
        }
        for (const std::string& text : TextsInOrder(table, "areacode")) {
            lines.push_back(text);
        }
        return lines;
    }

    // Inserts many records, then changes and deletes some of the first ones (read back from the spill).
    static void Change(TDataTableImpl& table) {
        for (int32_t k = 0; k < kRecords; ++k) {
            table.InsertRecord(PairRecord(table, k, "0" + std::to_string(k * 7919 % 100003)));
        }
        for (int32_t record = 1; record <= 40; ++record) {
            table.ModifyRecord(record, PairRecord(table, -record, "9" + std::to_string(record)));
        }
        for (int32_t record = 41; record <= 60; ++record) {
            table.DeleteRecord(record);
        }
    }

    // Closes the table and opens it again: it verifies, its indexes are sound, and it holds `expected`.
    TDataTableImpl* ReopenSound(TDataTableImpl* table, const std::vector<std::string>& expected) {
        Close(table);
        table = Open("Codes");
        table->VerifyFiles();
        ExpectIndexesSound(*table);
        EXPECT_EQ(Contents(*table), expected);
        return table;
    }

    bool SpillFilesExist() const {
        return std::filesystem::exists(File("Codes.DAT.SPL")) ||
               std::filesystem::exists(File("Codes.IDX.SPL"));
    }
};

TEST_F(TableSpill, ATransactionBeyondItsBudgetSpillsAndCommitsWhole) {
    TDataTableImpl* table = Create("Codes", AreaCodeDefinition(0, 0));
    directory_->StartTransaction();
    Change(*table);
    EXPECT_TRUE(std::filesystem::exists(File("Codes.DAT.SPL")));
    EXPECT_TRUE(std::filesystem::exists(File("Codes.IDX.SPL")));
    EXPECT_LE(table->DataFile().RecordBufferCount(), 300u);
    EXPECT_LE(table->IndexFile().Cache(Slot(*table, "areacode")).Size(), 100u);
    const std::vector<std::string> inside = Contents(*table);
    directory_->EndTransaction(true);
    EXPECT_FALSE(SpillFilesExist());
    EXPECT_EQ(Contents(*table), inside);

    table = ReopenSound(table, inside);
    EXPECT_EQ(table->RecordCount(), kRecords - 20);
    EXPECT_EQ(Text(*table, 1), "91");
}

TEST_F(TableSpill, ATransactionBeyondItsBudgetRollsBackWhole) {
    TDataTableImpl* table = Create("Codes", AreaCodeDefinition(0, 0));
    for (int32_t k = 0; k < 100; ++k) {
        table->InsertRecord(PairRecord(*table, k, "1" + std::to_string(k)));
    }
    const std::vector<std::string> before = Contents(*table);
    directory_->StartTransaction();
    Change(*table);
    EXPECT_TRUE(SpillFilesExist());
    directory_->EndTransaction(false);
    EXPECT_FALSE(SpillFilesExist());
    EXPECT_EQ(Contents(*table), before);
    ReopenSound(table, before);
}

// Whichever write or read fails, of the spill file or of the commit, and whether the disk comes back or
// not: the transaction ends rolled back or committed, whole, and leaves no spill file.
TEST_F(TableSpill, AFailingSpillFileLeavesTheTransactionWhole) {
    const std::string clean = File("clean");
    std::filesystem::create_directories(clean);
    std::vector<std::string> before;
    {
        TDataSession session;
        TDataDirectoryImpl& directory = Inside(session.OpenDirectory(clean));
        TTableOpenRequest request;
        request.Name = "Codes";
        TDataTableImpl* table = nullptr;
        ASSERT_EQ(directory.CreateTable(request, AreaCodeDefinition(0, 0), table), 0);
        for (int32_t k = 0; k < 100; ++k) {
            table->InsertRecord(PairRecord(*table, k, "1" + std::to_string(k)));
        }
        before = Contents(*table);
    }
    const auto run = [&](const std::string& folder, TOsFileSystem& disk) {
        const TScopedOsFileSystem scoped(disk);
        TDataSession session;
        session.SetCacheSettings(TinyBudget());
        TDataDirectoryImpl& directory = Inside(session.OpenDirectory(folder));
        TTableOpenRequest request;
        request.Name = "Codes";
        TDataTableImpl* table = nullptr;
        try {
            if (directory.OpenTable(request, table) != 0) {
                return;
            }
            directory.StartTransaction();
            Change(*table);
            directory.EndTransaction(true);
        } catch (const EKarteiEngineError&) {
            if (directory.TransactionActive()) {
                RunQuietly([&directory] { directory.EndTransaction(false); });
            }
        }
        if (table != nullptr) {
            RunQuietly([&directory, table] { directory.CloseTable(table); });
        }
    };
    const auto contents = [](const std::string& folder) {
        TDataSession session;
        TDataDirectoryImpl& directory = Inside(session.OpenDirectory(folder));
        TTableOpenRequest request;
        request.Name = "Codes";
        TDataTableImpl* table = nullptr;
        EXPECT_EQ(directory.OpenTable(request, table), 0);
        table->VerifyFiles();
        ExpectIndexesSound(*table);
        return Contents(*table);
    };
    const std::string folder = File("run");
    const auto copyClean = [&] {
        std::filesystem::remove_all(folder);
        std::filesystem::copy(clean, folder);
    };
    for (const TFaultKind kind : {TFaultKind::Write, TFaultKind::Read}) {
        TFailingFileSystem counting(kind, 0);
        copyClean();
        run(folder, counting);
        const std::vector<std::string> after = contents(folder);
        ASSERT_NE(after, before);
        for (const bool sticky : {false, true}) {
            for (int64_t failAt = 1; failAt <= counting.Calls(); failAt += 1 + failAt / 16) {
                SCOPED_TRACE(std::string(FaultKindName(kind)) + (sticky ? " from " : " ") +
                             std::to_string(failAt));
                TFailingFileSystem disk(kind, failAt, sticky);
                copyClean();
                run(folder, disk);
                EXPECT_TRUE(disk.Failed());
                EXPECT_EQ(disk.OpenHandles(), 0u);
                const std::vector<std::string> seen = contents(folder);
                EXPECT_TRUE(seen == before || seen == after);
                EXPECT_FALSE(std::filesystem::exists(folder + "/Codes.DAT.SPL"));
                EXPECT_FALSE(std::filesystem::exists(folder + "/Codes.IDX.SPL"));
            }
        }
    }
}

}  // namespace
}  // namespace kartei::testing
