// A cursor's walk while others change the table: records inserted or deleted elsewhere are found or left out,
// and no record that stayed is skipped or seen twice, in index order and in natural order.
#include <gtest/gtest.h>

#include "CursorTestSupport.h"

namespace kartei::testing {
namespace {

class CursorChange : public CursorTest, public ::testing::WithParamInterface<bool> {
protected:
    // The walker's cursor on the city index, or in natural order (record numbers follow the names here).
    std::unique_ptr<TDataCursor> Walker() {
        return GetParam() ? OpenCursor("City", {}, true) : OpenCursor("City", "City");
    }

    std::string Next(TDataCursor& cursor) {
        std::vector<uint8_t> buffer(cursor.RecordSize());
        return cursor.GetNext(buffer) == CursorStatus::Ok ? CityOf(cursor.Table(), buffer) : "EOF";
    }
    std::string Prior(TDataCursor& cursor) {
        std::vector<uint8_t> buffer(cursor.RecordSize());
        return cursor.GetPrior(buffer) == CursorStatus::Ok ? CityOf(cursor.Table(), buffer) : "BOF";
    }
    std::vector<std::string> Rest(TDataCursor& cursor, bool forward) {
        std::vector<std::string> seen;
        for (std::string city = forward ? Next(cursor) : Prior(cursor); city != "EOF" && city != "BOF";
             city = forward ? Next(cursor) : Prior(cursor)) {
            seen.push_back(city);
        }
        return seen;
    }

    const std::vector<std::string> cities_ = {"Bonn", "Celle", "Dresden", "Essen", "Fulda"};
};

TEST_P(CursorChange, DeletingTheWalkersRecordElsewhereSkipsNothing) {
    TDataTable* table = MakeCities(cities_);
    auto walker = Walker();
    walker->First();
    EXPECT_EQ(Next(*walker), "Bonn");
    EXPECT_EQ(Next(*walker), "Celle");
    table->DeleteRecord(2);  // Celle, by another cursor of the process
    EXPECT_EQ(Rest(*walker, true), (std::vector<std::string>{"Dresden", "Essen", "Fulda"}));

    walker->Last();
    EXPECT_EQ(Prior(*walker), "Fulda");
    EXPECT_EQ(Prior(*walker), "Essen");
    table->DeleteRecord(4);  // Essen
    EXPECT_EQ(Rest(*walker, false), (std::vector<std::string>{"Dresden", "Bonn"}));
}

TEST_P(CursorChange, AfterItsRecordWentAwayTheCursorMovesFromTheGap) {
    TDataTable* table = MakeCities(cities_);
    auto walker = Walker();
    walker->GoToOrdinal(3);
    ASSERT_EQ(CityOf(*walker), "Dresden");
    table->DeleteRecord(3);
    // Standing where Dresden was: one step forward is Essen, one step back is Celle.
    walker->MoveBy(1);
    EXPECT_EQ(CityOf(*walker), "Essen");
    walker->GoToOrdinal(2);
    ASSERT_EQ(CityOf(*walker), "Celle");
    table->DeleteRecord(2);
    EXPECT_EQ(Prior(*walker), "Bonn");
    // The last record going away leaves the cursor after the end.
    walker->GoToOrdinal(3);
    ASSERT_EQ(CityOf(*walker), "Fulda");
    table->DeleteRecord(5);
    EXPECT_EQ(Next(*walker), "EOF");
    EXPECT_EQ(Prior(*walker), "Essen");
}

TEST_P(CursorChange, BeforeFirstAndAfterLastStaySoWhenRecordsArriveAtTheEdge) {
    TDataTable* table = MakeCities(cities_);
    auto walker = Walker();
    walker->First();
    table->InsertRecord(CityRecord(*table, "Aachen"));
    std::vector<std::string> all = Rest(*walker, true);
    if (GetParam()) {
        // In natural order the new record is the last slot.
        EXPECT_EQ(all, (std::vector<std::string>{"Bonn", "Celle", "Dresden", "Essen", "Fulda", "Aachen"}));
    } else {
        EXPECT_EQ(all, (std::vector<std::string>{"Aachen", "Bonn", "Celle", "Dresden", "Essen", "Fulda"}));
    }
    walker->Last();
    table->InsertRecord(CityRecord(*table, "Zwickau"));
    all = Rest(*walker, false);
    ASSERT_EQ(all.size(), 7u);
    EXPECT_EQ(all.front(), "Zwickau");
    // The first record going away while the cursor is before it: the walk starts with the second.
    walker->First();
    table->DeleteRecord(1);  // Bonn
    EXPECT_EQ(Next(*walker), GetParam() ? "Celle" : "Aachen");
}

using CursorRangeChange = CursorTest;

TEST_F(CursorRangeChange, DeletingTheWalkersRecordInsideARangeSkipsNothing) {
    TDataTable* table = MakeCodes({{4, "0401"}, {5, "0501"}, {5, "0502"}, {5, "0503"}, {6, "0601"}});
    auto walker = OpenCursor("AreaCode", "city_id");
    std::vector<uint8_t> key = PairRecord(*table, 5, "");
    walker->SetRange(TKeyForm::Record, key.data(), 1, key.data(), 1);
    std::vector<uint8_t> buffer(walker->RecordSize());
    walker->First();
    ASSERT_EQ(walker->GetNext(buffer), CursorStatus::Ok);
    ASSERT_EQ(CityOf(*table, buffer), "0501");
    table->DeleteRecord(2);
    ASSERT_EQ(walker->GetNext(buffer), CursorStatus::Ok);
    EXPECT_EQ(CityOf(*table, buffer), "0502");
    ASSERT_EQ(walker->GetNext(buffer), CursorStatus::Ok);
    table->DeleteRecord(4);  // the last of the range, where the walker stands
    EXPECT_EQ(walker->GetNext(buffer), CursorStatus::EndOfFile);
    ASSERT_EQ(walker->GetPrior(buffer), CursorStatus::Ok);
    EXPECT_EQ(CityOf(*table, buffer), "0502");
}

INSTANTIATE_TEST_SUITE_P(IndexAndNaturalOrder, CursorChange, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "NaturalOrder" : "IndexOrder";
                         });

}  // namespace
}  // namespace kartei::testing
