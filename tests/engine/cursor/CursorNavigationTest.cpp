#include <gtest/gtest.h>

#include <algorithm>

#include "engine/cursor/CursorTestSupport.h"
#include "engine/format/ExpectKarteiError.h"
#include "engine/keys/KeyBuilder.h"

namespace kartei::testing {
namespace {

using CursorNavigation = CursorTest;

TEST_F(CursorNavigation, AnEmptyTableHasNoRecords) {
    MakeCities({});
    auto cursor = OpenCursor("City", "City");
    std::vector<uint8_t> buffer(cursor->RecordSize(), 0xAA);
    cursor->First();
    EXPECT_EQ(cursor->GetNext(buffer), ErrorCode::EndOfFile);
    EXPECT_EQ(cursor->GetCurrent(buffer, false), ErrorCode::NoCurrentRecord);
    EXPECT_EQ(cursor->RecordCount(), 0);
    EXPECT_EQ(cursor->Ordinal(), 0);
    EXPECT_EQ(cursor->CurrentRecordNumber(), 0);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(CursorNavigation, OneRecordIsFoundOnceInEachDirection) {
    MakeCities({"Berlin"});
    auto cursor = OpenCursor("City", "City");
    std::vector<uint8_t> buffer(cursor->RecordSize());
    cursor->First();
    EXPECT_EQ(cursor->GetCurrent(buffer, false), ErrorCode::BeginOfFile);
    ASSERT_EQ(cursor->GetNext(buffer), ErrorCode::Success);
    EXPECT_EQ(CityOf(cursor->Table(), buffer), "Berlin");
    EXPECT_EQ(cursor->GetNext(buffer), ErrorCode::EndOfFile);
    EXPECT_EQ(cursor->GetCurrent(buffer, false), ErrorCode::EndOfFile);
    ASSERT_EQ(cursor->GetPrior(buffer), ErrorCode::Success);
    EXPECT_EQ(CityOf(cursor->Table(), buffer), "Berlin");
    EXPECT_EQ(cursor->GetPrior(buffer), ErrorCode::BeginOfFile);
}

TEST_F(CursorNavigation, WalksAcrossLeavesInIndexOrderBothWays) {
    TDataTableImpl* table = MakeCities(ManyNames(3000));
    const std::vector<std::string> expected = TextsInOrder(*table, "City");
    ASSERT_TRUE(std::is_sorted(expected.begin(), expected.end()));
    auto cursor = OpenCursor("City", "City");
    EXPECT_EQ(WalkForward(*cursor), expected);
    std::vector<std::string> backward = WalkBackward(*cursor);
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(backward, expected);
    EXPECT_EQ(cursor->RecordCount(), 3000);
}

TEST_F(CursorNavigation, WalkersWhoseLeavesLeaveTheCacheReadThemAgain) {
    TDataTableImpl* table = MakeCities(ManyNames(3000));
    const std::vector<std::string> expected = TextsInOrder(*table, "City");
    Close(table);
    // One page per index: each step of one walker pushes the other's leaf out of the cache.
    TCacheSettings small;
    small.PagesPerIndex = 1;
    session_.SetCacheSettings(small);
    auto forward = OpenCursor("City", "City");
    auto backward = OpenCursor("City", "City");
    std::vector<uint8_t> buffer(forward->RecordSize());
    std::vector<std::string> ahead;
    std::vector<std::string> behind;
    forward->First();
    backward->Last();
    while (forward->GetNext(buffer) == ErrorCode::Success) {
        ahead.push_back(CityOf(forward->Table(), buffer));
        ASSERT_EQ(backward->GetPrior(buffer), ErrorCode::Success);
        behind.push_back(CityOf(backward->Table(), buffer));
    }
    std::reverse(behind.begin(), behind.end());
    EXPECT_EQ(ahead, expected);
    EXPECT_EQ(behind, expected);
}

TEST_F(CursorNavigation, RecordsReadInBatchesAreTheWalksRecords) {
    TDataTableImpl* table = MakeCities(ManyNames(3000));
    const std::vector<std::string> expected = TextsInOrder(*table, "City");
    auto cursor = OpenCursor("City", "City");
    const size_t size = cursor->RecordSize();
    std::vector<uint8_t> batch(7 * size);
    std::vector<std::string> seen;
    cursor->First();
    int32_t got = 0;
    do {
        got = cursor->GetNextRecords(batch, 7);
        for (int32_t k = 0; k < got; ++k) {
            const auto from = batch.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(k) * size);
            seen.push_back(
                CityOf(*table, std::vector<uint8_t>(from, from + static_cast<std::ptrdiff_t>(size))));
        }
    } while (got == 7);
    EXPECT_EQ(got, 3000 % 7);  // the last batch is short and leaves the cursor at the end
    EXPECT_TRUE(cursor->Eof());
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(cursor->GetNextRecords(batch, 7), 0);

    // A batch goes on from the current record and the cursor stands on the last one read.
    cursor->GoToOrdinal(100);
    ASSERT_EQ(cursor->GetNextRecords(batch, 3), 3);
    EXPECT_EQ(cursor->Ordinal(), 103);
    EXPECT_EQ(CityOf(*cursor), expected[102]);

    // A buffer too small for the count is refused before anything moves.
    try {
        cursor->GetNextRecords(batch, 8);
        ADD_FAILURE() << "no error";
    } catch (const EKarteiEngineError& error) {
        EXPECT_EQ(error.ErrorCode(), 8962);
    }
    EXPECT_EQ(cursor->Ordinal(), 103);
}

// Names in identifier order, so that City order and natural order both follow the records on disk.
std::vector<std::string> NamesInIdentifierOrder(int count) {
    std::vector<std::string> names;
    for (int k = 0; k < count; ++k) {
        names.push_back("Ort " + std::to_string(100000 + k));
    }
    return names;
}

TEST_F(CursorNavigation, AScreenAfterPositioningReadsASmallBlockAndALongWalkLargerOnes) {
    MakeCities(NamesInIdentifierOrder(3000));
    for (const bool natural : {true, false}) {
        SCOPED_TRACE(natural ? "natural order" : "City order");
        auto cursor = OpenCursor("City", natural ? "" : "City", natural);
        TDataFile& file = cursor->Table().DataFile();
        file.DiscardCache();
        const int64_t blocksBefore = file.Statistics().BlockReadsStarted;
        std::vector<uint8_t> screen(17 * cursor->RecordSize());
        cursor->First();
        ASSERT_EQ(cursor->GetNextRecords(screen, 17), 17);
        EXPECT_EQ(file.Statistics().BlockReadsStarted - blocksBefore, 1);
        EXPECT_LE(file.CachedRecordCount(), 32u);  // not the 310 records of a whole block
        // The rest of the table: blocks double up to the read-ahead size, so few reads in all.
        std::vector<uint8_t> rest(3000 * cursor->RecordSize());
        ASSERT_EQ(cursor->GetNextRecords(rest, 3000), 3000 - 17);
        EXPECT_LE(file.Statistics().BlockReadsStarted - blocksBefore, 16);
        cursor->Close();
    }
}

TEST_F(CursorNavigation, AWalkLongerThanTheCacheLeavesItToWhatWasReadBefore) {
    MakeCities(NamesInIdentifierOrder(700));
    for (const bool natural : {true, false}) {
        SCOPED_TRACE(natural ? "natural order" : "City order");
        auto cursor = OpenCursor("City", natural ? "" : "City", natural);
        TDataFile& file = cursor->Table().DataFile();
        // A few more records than the cache holds (621 records of 211 bytes).
        ASSERT_EQ(file.CacheCapacity(), 621);
        file.DiscardCache();
        std::vector<uint8_t> all(700 * cursor->RecordSize());
        const auto walk = [&] {
            const int64_t before = file.Statistics().BlockReadsStarted;
            cursor->First();
            EXPECT_EQ(cursor->GetNextRecords(all, 700), 700);
            return file.Statistics().BlockReadsStarted - before;
        };
        // Past half the cache a walk passes through its old end: the records read before stay, and the
        // next walk reads again only what did not fit. Were each read the newest, every walk would push
        // out the records it needs next and read the whole table again.
        const int64_t first = walk();
        const int64_t second = walk();
        const int64_t third = walk();
        EXPECT_LT(second, first);
        EXPECT_LT(third, first);
        cursor->Close();
    }
}

TEST_F(CursorNavigation, MoveByStopsAtBothEnds) {
    MakeCities({"Aachen", "Berlin", "Celle", "Dresden"});
    auto cursor = OpenCursor("City", "City");
    cursor->First();
    cursor->MoveBy(2);
    EXPECT_EQ(CityOf(*cursor), "Celle");
    EXPECT_EQ(cursor->Ordinal(), 3);
    cursor->MoveBy(10);
    EXPECT_TRUE(cursor->Eof());
    EXPECT_EQ(CityOf(*cursor), "Dresden");
    cursor->MoveBy(-1);
    EXPECT_FALSE(cursor->Eof());
    EXPECT_EQ(CityOf(*cursor), "Celle");
    cursor->MoveBy(-10);
    EXPECT_TRUE(cursor->Bof());
    EXPECT_EQ(CityOf(*cursor), "Aachen");
}

TEST_F(CursorNavigation, GoToOrdinalAndOrdinalAgree) {
    TDataTableImpl* table = MakeCities(ManyNames(1500));
    const std::vector<std::string> expected = TextsInOrder(*table, "City");
    auto cursor = OpenCursor("City", "City");
    for (const int32_t k : {1, 2, 377, 1000, 1499, 1500}) {
        cursor->GoToOrdinal(k);
        EXPECT_EQ(cursor->Ordinal(), k);
        EXPECT_EQ(CityOf(*cursor), expected[static_cast<size_t>(k - 1)]);
        EXPECT_FALSE(cursor->Bof() || cursor->Eof());
    }
    cursor->GoToOrdinal(0);
    EXPECT_TRUE(cursor->Bof());
    EXPECT_FALSE(cursor->Eof());
    cursor->GoToOrdinal(1501);
    EXPECT_TRUE(cursor->Eof());
    EXPECT_FALSE(cursor->Bof());
}

TEST_F(CursorNavigation, SelectingAnotherIndexKeepsTheRecord) {
    MakeCities({"Celle", "Aachen", "Berlin"});
    auto cursor = OpenCursor("City", "City");
    cursor->GoToOrdinal(2);  // Berlin, id 3
    ASSERT_EQ(CityOf(*cursor), "Berlin");
    cursor->SelectIndex("primarykey");
    EXPECT_EQ(cursor->CurrentIndexName(), "PrimaryKey");
    EXPECT_EQ(CityOf(*cursor), "Berlin");
    EXPECT_EQ(cursor->Ordinal(), 3);
    cursor->SelectIndex(std::string_view("City"));
    EXPECT_EQ(cursor->Ordinal(), 2);
}

TEST_F(CursorNavigation, AnUnknownIndexNameFailsAndDropsTheRange) {
    MakeCodes({{1, "030"}, {2, "040"}, {2, "041"}});
    auto cursor = OpenCursor("AreaCode", "city_id");
    TDataTableImpl& table = cursor->Table();
    const std::vector<uint8_t> two = PairRecord(table, 2, "");
    cursor->SetRange(TKeyForm::Record, two.data(), 1, two.data(), 1);
    ASSERT_EQ(cursor->RecordCount(), 2);
    try {
        cursor->SelectIndex("nowhere");
        FAIL() << "no error";
    } catch (const EKarteiEngineError& error) {
        EXPECT_EQ(error.ErrorCode(), 10022);
        EXPECT_EQ(std::string(error.what()),
                  EngineMessage(10022,
                                "Invalid secondary index name 'nowhere' specified for table 'AreaCode.DAT'"));
    }
    EXPECT_EQ(cursor->CurrentIndexName(), "city_id");
    EXPECT_FALSE(cursor->RangeActive());
    EXPECT_EQ(cursor->RecordCount(), 3);
}

TEST_F(CursorNavigation, EqualValuesOfANonUniqueIndexComeInIdentifierOrder) {
    MakeCodes({{5, "0501"}, {3, "0301"}, {5, "0502"}, {5, "0503"}, {3, "0302"}});
    auto cursor = OpenCursor("AreaCode", "city_id");
    EXPECT_EQ(WalkForward(*cursor), (std::vector<std::string>{"0301", "0302", "0501", "0502", "0503"}));
}

TEST_F(CursorNavigation, ABookmarkOfADeletedRecordLandsOnItsSuccessor) {
    TDataTableImpl* table = MakeCities({"Aachen", "Berlin", "Celle"});
    auto cursor = OpenCursor("City", "City");
    cursor->GoToOrdinal(2);
    std::vector<uint8_t> mark(cursor->BookmarkSize());
    cursor->GetBookmark(mark);
    cursor->First();
    EXPECT_TRUE(cursor->GoToBookmark(mark));
    EXPECT_EQ(CityOf(*cursor), "Berlin");

    auto other = OpenCursor("City", "City");
    table->DeleteRecord(other->CurrentRecordNumber() + 1);  // Berlin is record 2
    EXPECT_FALSE(cursor->GoToBookmark(mark));
    EXPECT_EQ(CityOf(*cursor), "Celle");
    std::vector<uint8_t> now(cursor->BookmarkSize());
    cursor->GetBookmark(now);
    EXPECT_EQ(cursor->CompareBookmarks(mark, now), -1);
}

TEST_F(CursorNavigation, ChangesThroughTheTableKeepTheCursorOnItsRecord) {
    TDataTableImpl* table = MakeCities({"Aachen", "Celle", "Essen"});
    auto cursor = OpenCursor("City", "City");
    cursor->GoToOrdinal(2);
    ASSERT_EQ(CityOf(*cursor), "Celle");
    table->InsertRecord(CityRecord(*table, "Bonn"));
    std::vector<uint8_t> buffer(cursor->RecordSize());
    EXPECT_EQ(cursor->Ordinal(), 3);
    ASSERT_EQ(cursor->GetNext(buffer), ErrorCode::Success);
    EXPECT_EQ(CityOf(*table, buffer), "Essen");
    cursor->MoveBy(-1);
    table->DeleteRecord(2);  // Celle
    EXPECT_EQ(cursor->GetCurrent(buffer, false), ErrorCode::Success);
    EXPECT_EQ(CityOf(*table, buffer), "Essen");
}

TEST_F(CursorNavigation, RecheckReportsAnotherUsersChange) {
    TDataTableImpl* table = MakeCities({"Aachen", "Berlin"});
    auto cursor = OpenCursor("City", "City");
    std::vector<uint8_t> buffer(cursor->RecordSize());
    cursor->First();
    ASSERT_EQ(cursor->GetNext(buffer), ErrorCode::Success);
    EXPECT_EQ(cursor->GetCurrent(buffer, true), ErrorCode::Success);
    table->ModifyRecord(1, CityRecord(*table, "Abtsgmünd"));
    try {
        cursor->GetCurrent(buffer, true);
        FAIL() << "no error";
    } catch (const EKarteiEngineError& error) {
        EXPECT_EQ(error.ErrorCode(), 8708);
    }
}

TEST_F(CursorNavigation, NaturalOrderWalksLiveRecordsByNumber) {
    TDataTableImpl* table = MakeCities({"Celle", "Aachen", "Essen", "Berlin"});
    table->DeleteRecord(3);
    auto cursor = OpenCursor("City");
    EXPECT_TRUE(cursor->NaturalOrder());
    EXPECT_EQ(cursor->BookmarkSize(), 4u);
    EXPECT_EQ(WalkForward(*cursor), (std::vector<std::string>{"Celle", "Aachen", "Berlin"}));
    EXPECT_EQ(WalkBackward(*cursor), (std::vector<std::string>{"Berlin", "Aachen", "Celle"}));
    EXPECT_EQ(cursor->RecordCount(), 3);
    cursor->GoToOrdinal(3);
    EXPECT_EQ(cursor->CurrentRecordNumber(), 4);
    EXPECT_EQ(cursor->Ordinal(), 3);
    EXPECT_FALSE(cursor->FindKey(TKeyForm::Record, cursor->CurrentRecord().data(), {}, 0, true, 0));
    // Ranks follow later changes.
    table->DeleteRecord(1);
    EXPECT_EQ(cursor->Ordinal(), 2);
    cursor->GoToOrdinal(1);
    EXPECT_EQ(CityOf(*cursor), "Aachen");
}

TEST_F(CursorNavigation, AMissingIndexFileIsRebuiltWhenTheTableOpens) {
    TDataTableImpl* table = MakeCities({"Celle", "Aachen", "Berlin"});
    table->DeleteRecord(2);
    Close(table);
    std::filesystem::remove(File("City.IDX"));
    auto cursor = OpenCursor("City");
    EXPECT_FALSE(cursor->Table().IndexMissing());
    EXPECT_EQ(cursor->RecordCount(), 2);
    EXPECT_EQ(WalkForward(*cursor), (std::vector<std::string>{"Celle", "Berlin"}));
    ExpectIndexesSound(cursor->Table());
}

TEST_F(CursorNavigation, AnIndexEntryNamingASlotTheDataFileLacksIsDamageAndChangesNothing) {
    TDataTableImpl* table = MakeCities({"Aachen", "Celle"});
    {
        // An entry for a record 3 that was never written.
        const TKeyLayout layout = table->KeyLayout(Slot(*table, "City"));
        std::vector<uint8_t> key(layout.KeyLength);
        BuildKey(layout, CityRecord(*table, "Berlin").data(), key.data());
        TIndexTree tree(table->IndexFile(), Slot(*table, "City"), layout);
        ASSERT_TRUE(tree.Insert(key.data(), 3));
        table->IndexFile().Flush();
    }
    auto cursor = OpenCursor("City", "City");
    std::vector<uint8_t> buffer(cursor->RecordSize());
    cursor->First();
    ASSERT_EQ(cursor->GetNext(buffer), ErrorCode::Success);
    ExpectKarteiError([&] { cursor->GetNext(buffer); }, 8965,
                      EngineMessage(8965, "Index page buffers corrupt in table 'City.DAT'"));
    EXPECT_EQ(table->Header().RecordSlotCount(), 2);
    EXPECT_FALSE(table->DataFile().HeaderPending());
    cursor.reset();
    Close(table);
    // Nothing was appended: the data file still verifies.
    auto again = OpenCursor("City");
    EXPECT_EQ(again->Table().Header().RecordSlotCount(), 2);
}

}  // namespace
}  // namespace kartei::testing
