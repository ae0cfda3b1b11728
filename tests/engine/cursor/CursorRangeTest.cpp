#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <random>

#include "engine/cursor/CursorTestSupport.h"

namespace kartei::testing {
namespace {

using CursorRange = CursorTest;

// Codes for cities 1..60: city c has c % 4 + 1 codes, inserted interleaved so record order is not key order.
std::vector<std::pair<int32_t, std::string>> Codes() {
    std::vector<std::pair<int32_t, std::string>> rows;
    for (int round = 0; round < 4; ++round) {
        for (int32_t city = 1; city <= 60; ++city) {
            if (round <= city % 4) {
                rows.emplace_back(city, std::to_string(city) + "-" + std::to_string(round));
            }
        }
    }
    return rows;
}

TEST_F(CursorRange, ARangeOnOneValueHoldsExactlyItsRecords) {
    MakeCodes(Codes());
    auto cursor = OpenCursor("AreaCode", "city_id");
    const std::vector<uint8_t> key = PairRecord(cursor->Table(), 43, "");
    cursor->SetRange(TKeyForm::Record, key.data(), 1, key.data(), 1);
    EXPECT_EQ(cursor->RecordCount(), 4);  // 43 % 4 + 1
    std::vector<uint8_t> buffer(cursor->RecordSize());
    cursor->First();
    std::vector<std::string> seen;
    for (int32_t ordinal = 1; cursor->GetNext(buffer) == ErrorCode::Success; ++ordinal) {
        EXPECT_EQ(cursor->Ordinal(), ordinal);
        seen.push_back(CityOf(cursor->Table(), buffer));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"43-0", "43-1", "43-2", "43-3"}));
    EXPECT_EQ(WalkBackward(*cursor), (std::vector<std::string>{"43-3", "43-2", "43-1", "43-0"}));
    cursor->GoToOrdinal(5);
    EXPECT_TRUE(cursor->Eof());
}

TEST_F(CursorRange, RangeSizesAgreeWithAModelWithinAndAcrossLeaves) {
    // About 7,500 entries of city_id over some 25 leaves: ranges inside one leaf, across leaf edges, on
    // one value and around values nobody has.
    std::vector<std::pair<int32_t, std::string>> rows;
    std::map<int32_t, int> perCity;
    for (int32_t city = 1; city <= 3000; ++city) {
        if (city % 97 == 0) {
            continue;  // gaps
        }
        for (int k = 0; k <= city % 4; ++k) {
            rows.emplace_back(city, std::to_string(city) + "-" + std::to_string(k));
            ++perCity[city];
        }
    }
    MakeCodes(rows);
    auto cursor = OpenCursor("AreaCode", "city_id");
    std::mt19937 random(11);
    std::vector<uint8_t> buffer(cursor->RecordSize());
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t from = static_cast<int32_t>(random() % 3100);
        const int32_t to =
            trial % 3 == 0 ? from : from + static_cast<int32_t>(random() % (trial % 2 ? 400 : 5));
        int expected = 0;
        for (auto it = perCity.lower_bound(from); it != perCity.end() && it->first <= to; ++it) {
            expected += it->second;
        }
        const std::vector<uint8_t> low = PairRecord(cursor->Table(), from, "");
        const std::vector<uint8_t> high = PairRecord(cursor->Table(), to, "");
        cursor->SetRange(TKeyForm::Record, low.data(), 1, high.data(), 1);
        ASSERT_EQ(cursor->RecordCount(), expected) << from << ".." << to;
        cursor->First();
        if (expected == 0) {
            EXPECT_EQ(cursor->GetNext(buffer), ErrorCode::EndOfFile);
            continue;
        }
        ASSERT_EQ(cursor->GetNext(buffer), ErrorCode::Success);
        EXPECT_EQ(GetIntegerField(buffer, cursor->Table().Fields()[0]), perCity.lower_bound(from)->first);
        cursor->Last();
        ASSERT_EQ(cursor->GetPrior(buffer), ErrorCode::Success);
        EXPECT_EQ(GetIntegerField(buffer, cursor->Table().Fields()[0]),
                  std::prev(perCity.upper_bound(to))->first);
    }
}

TEST_F(CursorRange, TheRangeKeysArePaddedAsTheIndexNeeds) {
    MakeCodes(Codes());
    auto cursor = OpenCursor("AreaCode", "city_id");
    ASSERT_EQ(cursor->KeyLayout().KeyLength, 9);
    const std::vector<uint8_t> key = PairRecord(cursor->Table(), 42, "");
    cursor->SetRange(TKeyForm::Record, key.data(), 1, key.data(), 1);
    // Keys given ready: the padded ones of the example, as bytes.
    const std::vector<uint8_t> low{0x01, 0x80, 0x00, 0x00, 0x2A, 0x00, 0x00, 0x00, 0x00};
    const std::vector<uint8_t> high{0x01, 0x80, 0x00, 0x00, 0x2A, 0xFF, 0xFF, 0xFF, 0xFF};
    const int32_t count = cursor->RecordCount();
    cursor->CancelRange();
    cursor->SetRange(TKeyForm::Key, low.data(), 0, high.data(), 0);
    EXPECT_EQ(cursor->RecordCount(), count);
    EXPECT_EQ(count, 3);
}

TEST_F(CursorRange, EmptyRangesAndCancelling) {
    MakeCodes(Codes());
    auto cursor = OpenCursor("AreaCode", "city_id");
    std::vector<uint8_t> buffer(cursor->RecordSize());
    const std::vector<uint8_t> ten = PairRecord(cursor->Table(), 10, "");
    const std::vector<uint8_t> five = PairRecord(cursor->Table(), 5, "");
    cursor->SetRange(TKeyForm::Record, ten.data(), 1, five.data(), 1);
    EXPECT_EQ(cursor->RecordCount(), 0);
    cursor->First();
    EXPECT_EQ(cursor->GetNext(buffer), ErrorCode::EndOfFile);
    const std::vector<uint8_t> absent = PairRecord(cursor->Table(), 99, "");
    cursor->SetRange(TKeyForm::Record, absent.data(), 1, absent.data(), 1);
    EXPECT_EQ(cursor->RecordCount(), 0);
    EXPECT_EQ(cursor->GetCurrent(buffer, false), ErrorCode::NoCurrentRecord);
    cursor->CancelRange();
    EXPECT_EQ(cursor->RecordCount(), static_cast<int32_t>(Codes().size()));
    // An open end: everything from city 58 on.
    const std::vector<uint8_t> from = PairRecord(cursor->Table(), 58, "");
    cursor->SetRange(TKeyForm::Record, from.data(), 1, nullptr, 0);
    EXPECT_EQ(cursor->RecordCount(), 3 + 4 + 1);  // 58, 59, 60
}

TEST_F(CursorRange, AFullKeyOfAUniqueIndexGivesAtMostOneRecord) {
    MakeCities({"Aachen", "Berlin", "Celle"});
    auto cursor = OpenCursor("City", "PrimaryKey");
    std::vector<uint8_t> key = CityRecord(cursor->Table(), "");
    WriteI32(key.data() + kRecordAutoIncAt, 2);
    cursor->SetRange(TKeyForm::Record, key.data(), 0, key.data(), 0);
    EXPECT_EQ(cursor->RecordCount(), 1);
    EXPECT_EQ(WalkForward(*cursor), std::vector<std::string>{"Berlin"});
    WriteI32(key.data() + kRecordAutoIncAt, 7);
    cursor->SetRange(TKeyForm::Record, key.data(), 0, key.data(), 0);
    EXPECT_EQ(cursor->RecordCount(), 0);
}

TEST_F(CursorRange, FindKeyOnAUniqueIndex) {
    MakeCities({"Aachen", "Berlin", "Celle", "Dresden"});
    auto cursor = OpenCursor("City", "City");
    cursor->GoToOrdinal(2);
    std::vector<uint8_t> out(cursor->RecordSize());
    const std::vector<uint8_t> missing = CityRecord(cursor->Table(), "Bremen");
    EXPECT_FALSE(cursor->FindKey(TKeyForm::Record, missing.data(), out, 0, false, 0));
    EXPECT_EQ(CityOf(*cursor), "Berlin");  // exact: did not move
    EXPECT_TRUE(
        cursor->FindKey(TKeyForm::Record, CityRecord(cursor->Table(), "Celle").data(), out, 0, false, 0));
    EXPECT_EQ(CityOf(cursor->Table(), out), "Celle");
    EXPECT_FALSE(cursor->FindKey(TKeyForm::Record, missing.data(), out, 0, true, 0));
    EXPECT_EQ(CityOf(cursor->Table(), out), "Celle");  // nearest: the next key
    EXPECT_FALSE(
        cursor->FindKey(TKeyForm::Record, CityRecord(cursor->Table(), "Zwickau").data(), out, 0, true, 0));
    EXPECT_EQ(CityOf(*cursor), "Dresden");
    EXPECT_FALSE(cursor->Eof());
}

TEST_F(CursorRange, FindKeyWithAPartialString) {
    MakeCities({"Bernau", "Aachen", "Berlin", "Bergen", "Celle", "Bexbach"});
    auto cursor = OpenCursor("City", "City");
    std::vector<uint8_t> out(cursor->RecordSize());
    EXPECT_TRUE(
        cursor->FindKey(TKeyForm::Record, CityRecord(cursor->Table(), "Ber").data(), out, 3, true, 0));
    EXPECT_EQ(CityOf(cursor->Table(), out), "Bergen");
    EXPECT_FALSE(
        cursor->FindKey(TKeyForm::Record, CityRecord(cursor->Table(), "Bey").data(), out, 3, true, 0));
    EXPECT_EQ(CityOf(cursor->Table(), out), "Celle");
}

TEST_F(CursorRange, FindKeyOnOneFieldOfANonUniqueIndexFindsTheLowestIdentifier) {
    MakeCodes(Codes());
    auto cursor = OpenCursor("AreaCode", "city_id");
    std::vector<uint8_t> out(cursor->RecordSize());
    EXPECT_TRUE(
        cursor->FindKey(TKeyForm::Record, PairRecord(cursor->Table(), 31, "").data(), out, 0, false, 1));
    EXPECT_EQ(CityOf(cursor->Table(), out), "31-0");
    EXPECT_FALSE(
        cursor->FindKey(TKeyForm::Record, PairRecord(cursor->Table(), 0, "").data(), out, 0, false, 1));
    EXPECT_EQ(CityOf(cursor->Table(), out), "1-0");
}

TEST_F(CursorRange, SelectingAnIndexCancelsTheRange) {
    MakeCodes(Codes());
    auto cursor = OpenCursor("AreaCode", "city_id");
    const std::vector<uint8_t> key = PairRecord(cursor->Table(), 7, "");
    cursor->SetRange(TKeyForm::Record, key.data(), 1, key.data(), 1);
    ASSERT_TRUE(cursor->RangeActive());
    cursor->SelectIndex("areacode");
    EXPECT_FALSE(cursor->RangeActive());
    EXPECT_EQ(cursor->RecordCount(), static_cast<int32_t>(Codes().size()));
}

}  // namespace
}  // namespace kartei::testing
