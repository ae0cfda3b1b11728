#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/format/Bytes.h"
#include "engine/table/TableTestSupport.h"

namespace kartei::testing {
namespace {

using TableWrite = TableTest;

int32_t Identifier(TDataTableImpl& table, int32_t recordNumber) {
    return RecordAutoIncValue(Read(table, recordNumber));
}

TEST_F(TableWrite, InsertsAppendWithTheNextIdentifierAndCount) {
    TDataTableImpl* table = Create("City", CityDefinition());
    EXPECT_EQ(table->InsertRecord(CityRecord(*table, "Berlin")), 1);
    EXPECT_EQ(table->InsertRecord(CityRecord(*table, "Aachen")), 2);
    EXPECT_EQ(table->InsertRecord(CityRecord(*table, "Celle")), 3);
    EXPECT_EQ(Identifier(*table, 3), 3);
    EXPECT_EQ(table->Header().NextRecordNumber, 4);
    EXPECT_EQ(table->Header().LastAutoIncValue, 3);
    EXPECT_EQ(table->RecordCount(), 3);
    // A shared table writes each change through: the files already tell the same.
    const TDataHeader onDisk = [&] {
        const std::string bytes = ReadBytes(File("City.DAT"));
        return TDataHeader::Decode(std::span<const uint8_t, kDataHeaderSize>(
            reinterpret_cast<const uint8_t*>(bytes.data()), kDataHeaderSize));
    }();
    EXPECT_EQ(onDisk.NextRecordNumber, 4);
    EXPECT_EQ(onDisk.LastAutoIncValue, 3);
    EXPECT_EQ(std::filesystem::file_size(File("City.DAT")), 127u + 2 * 768 + 3 * 211u);
    EXPECT_EQ(ReadI32(reinterpret_cast<const uint8_t*>(ReadBytes(File("City.IDX")).data()) + 3974), 3);
    ExpectIndexesSound(*table);
    Close(table);
}

TEST_F(TableWrite, StoredImagesCarryStatusNumberAndIdentifier) {
    TDataTableImpl* table = Create("City", CityDefinition());
    std::vector<uint8_t> image = CityRecord(*table, "Berlin");
    image[0] = 7;  // what the caller leaves in the record header is the table's business
    WriteI32(image.data() + 1, 99);
    table->InsertRecord(image);
    const std::vector<uint8_t> stored = Read(*table, 1);
    EXPECT_EQ(RecordStatus(stored), kRecordLive);
    EXPECT_EQ(RecordLink(stored), 1);
    EXPECT_EQ(RecordAutoIncValue(stored), 1);
    EXPECT_EQ(GetStringField(stored, table->Fields()[1]), "Berlin");
    Close(table);
}

TEST_F(TableWrite, ExplicitIdentifiersMoveTheCounterOn) {
    TDataTableImpl* table = Create("City", CityDefinition());
    table->InsertRecord(CityRecord(*table, "Berlin"));
    std::vector<uint8_t> image = CityRecord(*table, "Aachen");
    SetRecordAutoIncValue(image, 10);
    table->InsertRecord(image, true);
    EXPECT_EQ(Identifier(*table, 2), 10);
    EXPECT_EQ(table->Header().LastAutoIncValue, 10);
    table->InsertRecord(CityRecord(*table, "Celle"));
    EXPECT_EQ(Identifier(*table, 3), 11);

    // An identifier another slot carries, live or deleted, is refused.
    table->DeleteRecord(1);
    image = CityRecord(*table, "Dresden");
    SetRecordAutoIncValue(image, 1);
    const TRaised raised = Raised([&] { table->InsertRecord(image, true); });
    EXPECT_EQ(raised.Code, 9729);
    EXPECT_EQ(raised.Message,
              EngineMessage(9729, "Duplicate key found in index 'Sys Deleted' of table 'City.DAT'"));
    SetRecordAutoIncValue(image, 11);
    EXPECT_EQ(Raised([&] { table->InsertRecord(image, true); }).Code, 9729);
    ExpectIndexesSound(*table);
    Close(table);
}

TEST_F(TableWrite, DuplicateKeyChangesNothing) {
    TDataTableImpl* table = Create("City", CityDefinition());
    table->InsertRecord(CityRecord(*table, "Berlin"));
    table->InsertRecord(CityRecord(*table, "Aachen"));
    const std::string data = ReadBytes(File("City.DAT"));
    const std::string index = ReadBytes(File("City.IDX"));

    const TRaised inserted = Raised([&] { table->InsertRecord(CityRecord(*table, "Berlin")); });
    EXPECT_EQ(inserted.Code, 9729);
    EXPECT_EQ(inserted.Message,
              EngineMessage(9729, "Duplicate key found in index 'City' of table 'City.DAT'"));
    const TRaised modified = Raised([&] { table->ModifyRecord(2, CityRecord(*table, "Berlin")); });
    EXPECT_EQ(modified.Code, 9729);

    EXPECT_EQ(ReadBytes(File("City.DAT")), data);
    EXPECT_EQ(ReadBytes(File("City.IDX")), index);
    EXPECT_EQ(table->RecordCount(), 2);
    EXPECT_EQ(table->Header().NextRecordNumber, 3);
    EXPECT_EQ(table->Header().LastAutoIncValue, 2);
    EXPECT_EQ(Text(*table, 2), "Aachen");
    EXPECT_EQ(TextsInOrder(*table, "City"), (std::vector<std::string>{"Aachen", "Berlin"}));
    ExpectIndexesSound(*table);
    // The refused record's identifier was not used up.
    EXPECT_EQ(table->InsertRecord(CityRecord(*table, "Celle")), 3);
    EXPECT_EQ(Identifier(*table, 3), 3);
    Close(table);
}

TEST_F(TableWrite, ModifyMovesOnlyTheKeysThatChange) {
    TDataTableImpl* table = Create("City", CityDefinition());
    for (const char* city : {"Berlin", "Aachen", "Celle"}) {
        table->InsertRecord(CityRecord(*table, city));
    }
    // A record keeps its identifier whatever the new image says.
    std::vector<uint8_t> image = CityRecord(*table, "Zwickau");
    SetRecordAutoIncValue(image, 77);
    table->ModifyRecord(2, image);
    EXPECT_EQ(Text(*table, 2), "Zwickau");
    EXPECT_EQ(Identifier(*table, 2), 2);
    EXPECT_EQ(TextsInOrder(*table, "City"), (std::vector<std::string>{"Berlin", "Celle", "Zwickau"}));
    EXPECT_EQ(IndexOrder(*table, "PrimaryKey"), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(IndexOrder(*table, "id"), (std::vector<int32_t>{1, 2, 3}));
    // The same value again changes no entry.
    table->ModifyRecord(2, CityRecord(*table, "Zwickau"));
    EXPECT_EQ(table->RecordCount(), 3);
    ExpectIndexesSound(*table);
    Close(table);
}

TEST_F(TableWrite, DeleteRemovesEveryEntryAndFreesTheSlot) {
    TDataTableImpl* table = Create("City", CityDefinition());
    for (const char* city : {"Berlin", "Aachen", "Celle"}) {
        table->InsertRecord(CityRecord(*table, city));
    }
    table->DeleteRecord(2);
    EXPECT_EQ(table->RecordCount(), 2);
    EXPECT_EQ(TextsInOrder(*table, "City"), (std::vector<std::string>{"Berlin", "Celle"}));
    EXPECT_EQ(IndexOrder(*table, "id"), (std::vector<int32_t>{1, 3}));
    // Deleted slots sort after the live ones in the deleted-record index.
    EXPECT_EQ(IndexOrder(*table, kDeletedIndexSlot), (std::vector<int32_t>{1, 3, 2}));
    EXPECT_EQ(RecordStatus(Read(*table, 2)), kRecordDeleted);
    EXPECT_EQ(table->Header().FreeListHead, 2);
    ExpectIndexesSound(*table);

    EXPECT_EQ(Raised([&] { table->ModifyRecord(2, CityRecord(*table, "Bonn")); }).Code, 8708);
    EXPECT_EQ(Raised([&] { table->DeleteRecord(2); }).Code, 8708);
    const TRaised missing = Raised([&] { table->DeleteRecord(4); });
    EXPECT_EQ(missing.Code, 8710);
    EXPECT_EQ(missing.Message, EngineMessage(8710, "Record not found in table 'City.DAT'"));
    EXPECT_EQ(Raised([&] { Read(*table, 0); }).Code, 8710);

    // Without primary key fields a deleted slot is never reused.
    EXPECT_EQ(table->InsertRecord(CityRecord(*table, "Aachen")), 4);
    ExpectIndexesSound(*table);
    Close(table);
}

TEST_F(TableWrite, KeyedTablesReuseTheFreeListLastDeletedFirst) {
    TDataTableImpl* table = Create("Keyed", KeyedDefinition());
    for (int32_t code = 1; code <= 8; ++code) {
        EXPECT_EQ(table->InsertRecord(PairRecord(*table, code * 10, "n" + std::to_string(code))), code);
    }
    table->DeleteRecord(3);
    table->DeleteRecord(7);
    EXPECT_EQ(table->Header().FreeListHead, 7);
    EXPECT_EQ(RecordLink(Read(*table, 7)), 3);
    EXPECT_EQ(RecordLink(Read(*table, 3)), 0);
    EXPECT_EQ(table->RecordCount(), 6);
    ExpectIndexesSound(*table);

    EXPECT_EQ(table->InsertRecord(PairRecord(*table, 71, "a")), 7);
    EXPECT_EQ(table->Header().FreeListHead, 3);
    EXPECT_EQ(table->InsertRecord(PairRecord(*table, 31, "b")), 3);
    EXPECT_EQ(table->Header().FreeListHead, 0);
    EXPECT_EQ(table->InsertRecord(PairRecord(*table, 91, "c")), 9);
    EXPECT_EQ(table->Header().NextRecordNumber, 10);
    EXPECT_EQ(table->RecordCount(), 9);
    // The reused slots have new identifiers: the old ones stay with the deleted records that were.
    EXPECT_EQ(Identifier(*table, 7), 9);
    EXPECT_EQ(Identifier(*table, 3), 10);
    EXPECT_EQ(IndexOrder(*table, ""), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    ExpectIndexesSound(*table);

    // The primary index is unique.
    const TRaised raised = Raised([&] { table->InsertRecord(PairRecord(*table, 10, "x")); });
    EXPECT_EQ(raised.Code, 9729);
    EXPECT_EQ(raised.Message, EngineMessage(9729, "Duplicate key found in index '' of table 'Keyed.DAT'"));
    Close(table);
}

TEST_F(TableWrite, BatchesKeepEveryIndexInOrder) {
    TDataTableImpl* table = Create("AreaCode", AreaCodeDefinition(0, 0));
    // Codes in a scrambled order, several records per city: multi-level trees in every index.
    std::vector<std::pair<int32_t, std::string>> rows;
    for (int32_t k = 0; k < 3000; ++k) {
        const int32_t code = (k * 7919) % 3000;
        rows.emplace_back(code % 400, "0" + std::to_string(1000 + code));
    }
    for (const auto& [city, code] : rows) {
        table->InsertRecord(PairRecord(*table, city, code));
    }
    ExpectIndexesSound(*table);
    for (int32_t record = 3; record <= 3000; record += 3) {
        table->DeleteRecord(record);
    }
    ExpectIndexesSound(*table);
    for (int32_t record = 1; record <= 3000; record += 3) {
        const auto& [city, code] = rows[static_cast<size_t>(record - 1)];
        table->ModifyRecord(record, PairRecord(*table, city + 1000, code + "9"));
    }
    ExpectIndexesSound(*table);
    EXPECT_EQ(table->RecordCount(), 2000);

    // The index orders are the orders of the live values, equal values by identifier.
    std::vector<std::pair<std::string, int32_t>> byCode;
    std::vector<std::pair<int32_t, int32_t>> byCity;
    for (int32_t record = 1; record <= 3000; ++record) {
        const std::vector<uint8_t> image = Read(*table, record);
        if (RecordStatus(image) == kRecordLive) {
            byCode.emplace_back(std::string(GetStringField(image, table->Fields()[1])), record);
            byCity.emplace_back(GetIntegerField(image, table->Fields()[0]), record);
        }
    }
    std::sort(byCode.begin(), byCode.end());
    std::sort(byCity.begin(), byCity.end());
    std::vector<int32_t> codeOrder;
    std::vector<int32_t> cityOrder;
    for (const auto& entry : byCode) {
        codeOrder.push_back(entry.second);
    }
    for (const auto& entry : byCity) {
        cityOrder.push_back(entry.second);
    }
    EXPECT_EQ(IndexOrder(*table, "areacode"), codeOrder);
    EXPECT_EQ(IndexOrder(*table, "city_id"), cityOrder);
    Close(table);

    table = Open("AreaCode");
    table->VerifyFiles();
    ExpectIndexesSound(*table);
    Close(table);
}

TEST_F(TableWrite, MainWindowTablesFollowTheGermanPhoneBook) {
    TDataTableImpl* city = Create("City", CityDefinition(0x0407, 1));
    // cp1252: \xC4 is A with diaeresis, \xFC u with diaeresis; the phone book reads them as Ae and ue.
    for (const char* name : {"Ahlen", "\xC4rzen", "Aachen", "M\xFCnchen", "Muenster", "Mainz"}) {
        city->InsertRecord(CityRecord(*city, name));
    }
    EXPECT_EQ(TextsInOrder(*city, "City"),
              (std::vector<std::string>{"Aachen", "\xC4rzen", "Ahlen", "Mainz", "M\xFCnchen", "Muenster"}));
    EXPECT_EQ(IndexOrder(*city, "PrimaryKey"), (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
    ExpectIndexesSound(*city);

    TDataTableImpl* codes = Create("AreaCode", AreaCodeDefinition(0x0407, 1));
    codes->InsertRecord(PairRecord(*codes, 3, "0241"));
    codes->InsertRecord(PairRecord(*codes, 4, "089"));
    codes->InsertRecord(PairRecord(*codes, 3, "02405"));
    codes->InsertRecord(PairRecord(*codes, 1, "02382"));
    EXPECT_EQ(TextsInOrder(*codes, "areacode"), (std::vector<std::string>{"02382", "02405", "0241", "089"}));
    // Equal city ids follow their identifiers.
    EXPECT_EQ(IndexOrder(*codes, "city_id"), (std::vector<int32_t>{4, 1, 3, 2}));
    ExpectIndexesSound(*codes);
    Close(city);
    Close(codes);

    city = Open("City");
    city->VerifyFiles();
    EXPECT_EQ(city->Header().LanguageId, 0x0407);
    EXPECT_EQ(city->Header().SortId, 1);
    EXPECT_EQ(city->IndexFile().SecondaryIndexCount(), 3);
    EXPECT_TRUE(city->IndexFile().NoPrimaryKey());
    Close(city);
}

TEST_F(TableWrite, EmptyingNeedsAnExclusiveTable) {
    TDataTableImpl* table = Create("City", CityDefinition());
    table->InsertRecord(CityRecord(*table, "Berlin"));
    const TRaised raised = Raised([&] { table->EmptyTable(); });
    EXPECT_EQ(raised.Code, 10253);
    EXPECT_EQ(raised.Message, EngineMessage(10253, "table 'City.DAT' must be opened exclusively"));
    Close(table);

    table = Open("City", true);
    for (const char* city : {"Aachen", "Celle", "Dresden"}) {
        table->InsertRecord(CityRecord(*table, city));
    }
    table->DeleteRecord(2);
    table->EmptyTable();
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_EQ(table->Header().NextRecordNumber, 1);
    EXPECT_EQ(table->Header().LastAutoIncValue, 0);
    EXPECT_EQ(table->Header().FreeListHead, 0);
    EXPECT_EQ(std::filesystem::file_size(File("City.DAT")), 127u + 2 * 768);
    EXPECT_EQ(std::filesystem::file_size(File("City.IDX")), 4096u);
    ExpectIndexesSound(*table);
    EXPECT_EQ(table->InsertRecord(CityRecord(*table, "Emden")), 1);
    EXPECT_EQ(Identifier(*table, 1), 1);
    Close(table);

    table = Open("City");
    table->VerifyFiles();
    EXPECT_EQ(TextsInOrder(*table, "City"), std::vector<std::string>{"Emden"});
    EXPECT_EQ(table->IndexFile().SecondaryIndexCount(), 3);
    ExpectIndexesSound(*table);
    Close(table);
}

TEST_F(TableWrite, ChangesRunUnderTheWriteAndRecordLocks) {
    TDataTableImpl* table = Create("City", CityDefinition());
    table->InsertRecord(CityRecord(*table, "Berlin"));
    TCountingFileSystem counting;
    const TScopedOsFileSystem scoped(counting);
    const auto locked = [&](uint64_t offset, uint64_t length) {
        return std::count_if(counting.Locks.begin(), counting.Locks.end(), [&](const auto& call) {
            return call.Offset == offset && call.Length == length && call.Result == 0;
        });
    };
    const auto unlocked = [&](uint64_t offset, uint64_t length) {
        return std::count_if(counting.Unlocks.begin(), counting.Unlocks.end(), [&](const auto& call) {
            return call.Offset == offset && call.Length == length;
        });
    };

    table->InsertRecord(CityRecord(*table, "Aachen"));
    EXPECT_EQ(locked(2147483647, 1), 1);
    EXPECT_EQ(locked(2147418112, 65535), 1);
    EXPECT_EQ(unlocked(2147483647, 1), 1);
    EXPECT_EQ(unlocked(2147418112, 65535), 1);

    // (That the record lock is taken shows where another user holds it: see below.)
    table->ModifyRecord(1, CityRecord(*table, "Bonn"));
    EXPECT_FALSE(table->Locks().IsRecordLocked(1));
    EXPECT_EQ(locked(2147483647, 1), 2);
    EXPECT_EQ(unlocked(2147418112, 65535), 2);
    EXPECT_FALSE(table->Locks().HoldsWriteLock());
    EXPECT_FALSE(table->Locks().HoldsAnyReadLock());

    // A record the caller locked stays locked.
    table->Locks().LockRecord(2);
    table->Locks().UnlockRead(TTableLocks::RecordReadLockSlot);
    table->DeleteRecord(2);
    EXPECT_TRUE(table->Locks().IsRecordLocked(2));
    table->Locks().UnlockRecord(2);
    Close(table);
}

TEST_F(TableWrite, ARecordInUseElsewhereIsNotChanged) {
    TDataTableImpl* table = Create("City", CityDefinition());
    table->InsertRecord(CityRecord(*table, "Berlin"));
    session_.SetLockRetryCount(1);
    session_.SetLockWaitTime(1);
    TDataSession otherSession;
    TDataDirectoryImpl& otherDirectory = Inside(otherSession.OpenDirectory(temp_.Path()));
    TTableOpenRequest request;
    request.Name = "City";
    TDataTableImpl* other = nullptr;
    ASSERT_EQ(otherDirectory.OpenTable(request, other), 0);
    other->Locks().LockRecord(1);
    other->Locks().UnlockRead(TTableLocks::RecordReadLockSlot);

    const TRaised raised = Raised([&] { table->ModifyRecord(1, CityRecord(*table, "Bonn")); });
    EXPECT_EQ(raised.Code, 10258);
    EXPECT_EQ(raised.Message, EngineMessage(10258, "Record in table 'City.DAT' is in use by another user"));
    EXPECT_EQ(Text(*table, 1), "Berlin");
    other->Locks().UnlockRecord(1);
    table->ModifyRecord(1, CityRecord(*table, "Bonn"));
    EXPECT_EQ(Text(*table, 1), "Bonn");
    EXPECT_EQ(otherDirectory.CloseTable(other), 0);
    Close(table);
}

}  // namespace
}  // namespace kartei::testing
