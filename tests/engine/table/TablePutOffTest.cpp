// A new table filled in a transaction puts its index entries off and builds the indexes at once: every
// answer must be the one the same inserts give one by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "base/ScopeGuard.h"
#include "engine/cursor/DataCursor.h"
#include "engine/faults/FailingFileSystem.h"
#include "engine/table/TableTestSupport.h"

namespace kartei::testing {
namespace {

// Names (cp1252) of which some collate alike in the key order: accents do not count there, case does.
const std::vector<std::string> kNames = {"M\xFCller",  "Bonn",    "Muller",   "m\xFCller", "K\xF6ln",
                                         "Koln",       "Berlin",  "Aalen",    "Mueller",   "Bonn",
                                         "G\xF6rlitz", "Gorlitz", "M\xDCLLER"};

class TablePutOff : public TableTest {
protected:
    // Inserts each name in turn, the id given as `identifiers` say (0: the next one); the code each insert
    // raised, 0 for none.
    static std::vector<int> InsertAll(TDataTableImpl& table, const std::vector<std::string>& names,
                                      const std::vector<int32_t>& identifiers = {}) {
        std::vector<int> codes;
        for (size_t k = 0; k < names.size(); ++k) {
            std::vector<uint8_t> image = CityRecord(table, names[k]);
            const int32_t identifier = k < identifiers.size() ? identifiers[k] : 0;
            SetRecordAutoIncValue(image, identifier);
            codes.push_back(Raised([&] { table.InsertRecord(image, identifier != 0); }).Code);
        }
        return codes;
    }

    // The names in City order, read through a cursor as a user of the table would.
    std::vector<std::string> NamesThroughACursor() {
        TDataCursorImpl cursor(*directory_);
        cursor.Open(CityRequest());
        cursor.SelectIndex("City");
        cursor.First();
        std::vector<uint8_t> images(512u * cursor.RecordSize());
        const int32_t count = cursor.GetNextRecords(images, 512);
        std::vector<std::string> names;
        for (int32_t k = 0; k < count; ++k) {
            const std::span<const uint8_t> image(images.data() + static_cast<size_t>(k) * cursor.RecordSize(),
                                                 cursor.RecordSize());
            names.emplace_back(GetStringField(image, cursor.Table().Fields()[1]));
        }
        cursor.Close();
        return names;
    }

    static TTableOpenRequest CityRequest() {
        TTableOpenRequest request;
        request.Name = "City";
        return request;
    }
    static void CreateIn(TDataDirectoryImpl& directory, const TTableDefinition& definition) {
        TDataTableImpl* table = nullptr;
        ASSERT_EQ(directory.CreateTable(CityRequest(), definition, table), 0);
    }

    bool EntriesPutOff(TDataTableImpl& table) { return table.IndexFile().Root(Slot(table, "City")) == 0; }
};

TEST_F(TablePutOff, RepeatedKeysAreRefusedByTheInsertThatRepeatsThem) {
    // German dictionary and phone-book order; the second puts "ue" where "\xFC" stands.
    for (const uint16_t sortId : {0, 1}) {
        SCOPED_TRACE(sortId);
        const std::string suffix = std::to_string(sortId);
        TDataTableImpl* oneByOne = Create("One" + suffix, CityDefinition(0x0407, sortId));
        const std::vector<int> expected = InsertAll(*oneByOne, kNames);
        if (sortId == 0) {
            // Keys the collator finds equal though their bytes differ, not only equal bytes.
            ASSERT_EQ(expected, (std::vector<int>{0, 0, 9729, 0, 0, 9729, 0, 0, 0, 9729, 0, 9729, 0}));
        }

        TDataTableImpl* table = Create("PutOff" + suffix, CityDefinition(0x0407, sortId));
        directory_->StartTransaction();
        EXPECT_EQ(InsertAll(*table, kNames), expected);
        EXPECT_TRUE(EntriesPutOff(*table));
        EXPECT_EQ(table->RecordCount(), oneByOne->RecordCount());
        directory_->EndTransaction(true);
        EXPECT_EQ(TextsInOrder(*table, "City"), TextsInOrder(*oneByOne, "City"));
        ExpectIndexesSound(*table);
        table->VerifyFiles();
    }
}

// Identifiers handed out in turn cannot repeat; one given by the caller may, so the indexes are built
// before it goes in, and it is checked against them.
TEST_F(TablePutOff, AnIdentifierOfTheCallersOwnBuildsTheIndexesFirst) {
    TDataTableImpl* table = Create("City", CityDefinition());
    directory_->StartTransaction();
    EXPECT_EQ(InsertAll(*table, {"Aalen", "Bonn", "Celle"}), (std::vector<int>{0, 0, 0}));
    EXPECT_TRUE(EntriesPutOff(*table));
    EXPECT_EQ(InsertAll(*table, {"Dresden", "Essen", "Fulda"}, {2, 9, 0}), (std::vector<int>{9729, 0, 0}));
    EXPECT_FALSE(EntriesPutOff(*table));
    directory_->EndTransaction(true);
    EXPECT_EQ(IndexOrder(*table, "PrimaryKey"), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(RecordAutoIncValue(Read(*table, 5)), 10);
    ExpectIndexesSound(*table);

    // A new table whose first record brings its own identifier puts nothing off.
    TDataTableImpl* other = Create("Other", CityDefinition());
    directory_->StartTransaction();
    EXPECT_EQ(InsertAll(*other, {"Aalen", "Bonn"}, {7, 0}), (std::vector<int>{0, 0}));
    EXPECT_FALSE(EntriesPutOff(*other));
    directory_->EndTransaction(true);
    ExpectIndexesSound(*other);
}

TEST_F(TablePutOff, AnythingButAnInsertSeesEveryRecordInTheIndexes) {
    TDataTableImpl* table = Create("City", CityDefinition());
    directory_->StartTransaction();
    InsertAll(*table, {"Essen", "Aalen", "Celle"});
    // Reading a record by number needs no index.
    EXPECT_EQ(Text(*table, 2), "Aalen");
    EXPECT_TRUE(EntriesPutOff(*table));
    EXPECT_EQ(NamesThroughACursor(), (std::vector<std::string>{"Aalen", "Celle", "Essen"}));
    EXPECT_FALSE(EntriesPutOff(*table));
    // From here on one by one, refusals included.
    EXPECT_EQ(InsertAll(*table, {"Bonn", "Aalen"}), (std::vector<int>{0, 9729}));
    table->ModifyRecord(1, CityRecord(*table, "Zwickau"));
    EXPECT_EQ(NamesThroughACursor(), (std::vector<std::string>{"Aalen", "Bonn", "Celle", "Zwickau"}));
    directory_->EndTransaction(true);
    ExpectIndexesSound(*table);
}

TEST_F(TablePutOff, ARollbackLeavesTheTableEmptyAndTheNextTransactionPutsOffAgain) {
    TDataTableImpl* table = Create("City", CityDefinition());
    directory_->StartTransaction();
    InsertAll(*table, kNames);
    directory_->EndTransaction(false);
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_EQ(NamesThroughACursor(), std::vector<std::string>{});

    directory_->StartTransaction();
    EXPECT_EQ(InsertAll(*table, {"Bonn", "Aalen", "Bonn"}), (std::vector<int>{0, 0, 9729}));
    EXPECT_TRUE(EntriesPutOff(*table));
    directory_->EndTransaction(true);
    EXPECT_EQ(TextsInOrder(*table, "City"), (std::vector<std::string>{"Aalen", "Bonn"}));
    ExpectIndexesSound(*table);
}

TEST_F(TablePutOff, KeysBeyondTheBudgetBuildTheIndexesAndTheRestGoInOneByOne) {
    TCacheSettings settings;
    settings.PutOffKeyBytes = 1;
    session_.SetCacheSettings(settings);
    TDataTableImpl* table = Create("City", CityDefinition());
    directory_->StartTransaction();
    InsertAll(*table, {"Essen"});
    EXPECT_TRUE(EntriesPutOff(*table));
    EXPECT_EQ(InsertAll(*table, {"Aalen", "Essen", "Celle"}), (std::vector<int>{0, 9729, 0}));
    EXPECT_FALSE(EntriesPutOff(*table));
    directory_->EndTransaction(true);
    EXPECT_EQ(TextsInOrder(*table, "City"), (std::vector<std::string>{"Aalen", "Celle", "Essen"}));
    ExpectIndexesSound(*table);
}

// A build that fails halfway leaves the indexes half built, so the transaction cannot commit them: whichever
// read or write fails, once or from then on, the table ends with all the records or none, sound.
TEST_F(TablePutOff, AFailedBuildFailsTheTransactionWhole) {
    std::vector<std::string> names;
    std::mt19937 random(7);
    for (int k = 0; k < 400; ++k) {
        names.push_back("Ort " + std::to_string(random() % 100000) + " " + std::to_string(k));
    }
    // An empty table, made once and copied for every run.
    {
        std::filesystem::create_directories(File("clean"));
        TDataSession session;
        TDataDirectoryImpl& directory = Inside(session.OpenDirectory(File("clean")));
        CreateIn(directory, CityDefinition());
    }
    // Returns how many inserts went in.
    const auto run = [&](TOsFileSystem& disk) {
        int64_t inserted = 0;
        std::filesystem::remove_all(File("run"));
        std::filesystem::copy(File("clean"), File("run"));
        const TScopedOsFileSystem scoped(disk);
        TDataSession session;
        TCacheSettings small;
        small.RecordCacheBytes = 2048;
        small.TransactionCacheBytes = 4096;
        session.SetCacheSettings(small);
        TDataDirectoryImpl& directory = Inside(session.OpenDirectory(File("run")));
        TDataTableImpl* table = nullptr;
        try {
            if (directory.OpenTable(CityRequest(), table) != 0) {
                return inserted;
            }
            directory.StartTransaction();
            const std::vector<int> codes = InsertAll(*table, names);
            inserted = std::count(codes.begin(), codes.end(), 0);
            // A use that builds the indexes, then the commit. Whatever failed, a cursor shows every record
            // or raises, and never what a build that failed halfway left.
            for (int attempt = 0; attempt < 2; ++attempt) {
                try {
                    TDataCursorImpl cursor(directory);
                    cursor.Open(CityRequest());
                    cursor.SelectIndex("City");
                    cursor.First();
                    std::vector<uint8_t> images(512u * cursor.RecordSize());
                    EXPECT_EQ(cursor.GetNextRecords(images, 512), inserted);
                } catch (const EKarteiEngineError&) {
                }
            }
            directory.EndTransaction(true);
        } catch (const EKarteiEngineError&) {
            RunQuietly([&directory] { directory.EndTransaction(false); });
        }
        if (table != nullptr) {
            RunQuietly([&directory, table] { directory.CloseTable(table); });
        }
        return inserted;
    };
    // The table on disk holds no record or all that went in, and its indexes every one it holds.
    const auto check = [&](int64_t inserted) {
        TDataSession session;
        TDataDirectoryImpl& directory = Inside(session.OpenDirectory(File("run")));
        TDataTableImpl* table = nullptr;
        ASSERT_EQ(directory.OpenTable(CityRequest(), table), 0);
        table->VerifyFiles();
        ExpectIndexesSound(*table);
        EXPECT_TRUE(table->RecordCount() == 0 || table->RecordCount() == inserted);
        EXPECT_EQ(static_cast<int64_t>(IndexOrder(*table, "City").size()), table->RecordCount());
    };
    for (const TFaultKind kind : {TFaultKind::Write, TFaultKind::Read}) {
        TFailingFileSystem counting(kind, 0);
        run(counting);
        for (const bool sticky : {false, true}) {
            for (int64_t failAt = 1; failAt <= counting.Calls(); failAt += 1 + failAt / 8) {
                SCOPED_TRACE(std::string(FaultKindName(kind)) + (sticky ? " from " : " ") +
                             std::to_string(failAt));
                TFailingFileSystem disk(kind, failAt, sticky);
                const int64_t inserted = run(disk);
                EXPECT_TRUE(disk.Failed());
                EXPECT_EQ(disk.OpenHandles(), 0u);
                check(inserted);
            }
        }
    }
}

}  // namespace
}  // namespace kartei::testing
