#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "engine/cursor/DataCursor.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/DataTable.h"
#include "kartei/Record.h"
#include "kartei/Session.h"
#include "support/VorwahlCsv.h"
#include "tools/ToolError.h"
#include "tools/ToolTestSupport.h"

namespace kartei::tools::testing {
namespace {

// Rows of a CSV text the tool wrote, without its header, split at the first comma.
std::vector<std::pair<std::string, std::string>> Pairs(const std::string& csv) {
    std::vector<std::pair<std::string, std::string>> pairs;
    const std::vector<std::string> lines = Lines(csv);
    for (size_t k = 1; k < lines.size(); ++k) {
        const size_t comma = lines[k].find(',');
        pairs.emplace_back(lines[k].substr(0, comma), lines[k].substr(comma + 1));
    }
    return pairs;
}

TEST(ShippedTables, PlacesAreNumberedInPhoneBookOrder) {
    TTempDir temp;
    // Phone-book order reads ü as ue: Mueden, Muenster, Munster; no two of them are equal.
    WriteBytes(temp.File("codes.csv"),
               "areacode,city\n05192,Munster\n0251,M\xC3\xBCnster\n0241,Aachen\n"
               "05053,M\xC3\xBC"
               "den\n02501,M\xC3\xBCnster\n");
    const TRun run = Kartei({"shipped", temp.File("codes.csv"), temp.File("db")});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(FilesIn(temp.File("db")),
              (std::vector<std::string>{"AreaCode.DAT", "AreaCode.IDX", "City.DAT", "City.IDX"}));
    EXPECT_EQ(Kartei({"dump", temp.File("db/City.DAT")}).Out, CsvLines({"id,City", "1,Aachen",
                                                                        "2,M\xC3\xBC"
                                                                        "den",
                                                                        "3,M\xC3\xBCnster", "4,Munster"}));
    EXPECT_EQ(Kartei({"dump", temp.File("db/AreaCode.DAT")}).Out,
              CsvLines({"city_id,areacode", "4,05192", "3,0251", "1,0241", "2,05053", "3,02501"}));
}

TEST(ShippedTables, AFailedBuildLeavesTheOldTablesAlone) {
    TTempDir temp;
    WriteBytes(temp.File("good.csv"), "areacode,city\n0241,Aachen\n");
    ASSERT_EQ(Kartei({"shipped", temp.File("good.csv"), temp.File("db")}).Status, 0);
    const std::string before = ReadBytes(temp.File("db/City.DAT"));
    WriteBytes(temp.File("bad.csv"), "areacode,city\n0251,M\xC3\xBCnster\n030,\n");
    const TRun run = Kartei({"shipped", temp.File("bad.csv"), temp.File("db")});
    EXPECT_EQ(run.Status, ExitStatus::BadInput);
    EXPECT_EQ(run.Err, "kartei shipped: CSV line 3: no City\n");
    EXPECT_EQ(ReadBytes(temp.File("db/City.DAT")), before);
    EXPECT_EQ(FilesIn(temp.File("db")),
              (std::vector<std::string>{"AreaCode.DAT", "AreaCode.IDX", "City.DAT", "City.IDX"}));
    // A directory made for the tables goes again when they cannot be built.
    EXPECT_EQ(Kartei({"shipped", temp.File("bad.csv"), temp.File("new")}).Status, ExitStatus::BadInput);
    EXPECT_FALSE(std::filesystem::exists(temp.File("new")));
}

class ShippedData : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        temp_ = new TTempDir;
        const TRun run = Kartei({"shipped", testsupport::VorwahlCsvPath(), temp_->File("db")});
        ASSERT_EQ(run.Status, 0) << run.Err;
    }
    static void TearDownTestSuite() { delete temp_; }
    static std::string Db(const std::string& name) { return temp_->File("db/" + name); }

    static TTempDir* temp_;
};

TTempDir* ShippedData::temp_ = nullptr;

TEST_F(ShippedData, EveryPlaceAndCodeOfTheListIsThere) {
    const auto& rows = testsupport::VorwahlCsvRows();
    std::set<std::string> places;
    for (const auto& row : rows) {
        places.insert(row.City);
    }
    const auto cities = Pairs(Kartei({"dump", Db("City.DAT")}).Out);
    const auto codes = Pairs(Kartei({"dump", Db("AreaCode.DAT")}).Out);
    ASSERT_EQ(cities.size(), places.size());
    EXPECT_EQ(codes.size(), rows.size());
    // Ids count up in record order, and each code belongs to its own place.
    std::map<std::string, std::string> placeOf;
    for (size_t k = 0; k < cities.size(); ++k) {
        EXPECT_EQ(cities[k].first, std::to_string(k + 1));
        placeOf[cities[k].first] = cities[k].second;
    }
    for (size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(codes[k].second, rows[k].AreaCode);
        EXPECT_EQ(placeOf[codes[k].first], rows[k].City);
    }
    EXPECT_EQ(placeOf.size(), places.size());
}

TEST_F(ShippedData, RecordOrderIsTheOrderOfTheCityIndex) {
    const TRun natural = Kartei({"dump", Db("City.DAT")});
    EXPECT_EQ(Kartei({"dump", Db("City.DAT"), "--index", "City"}).Out, natural.Out);
    EXPECT_EQ(Kartei({"dump", Db("City.DAT"), "--index", "PrimaryKey"}).Out, natural.Out);
    // Both of each pair that only an accent tells apart are there.
    const std::vector<std::string> lines = Lines(natural.Out);
    const std::set<std::string> names = [&] {
        std::set<std::string> set;
        for (const auto& pair : Pairs(natural.Out)) {
            set.insert(pair.second);
        }
        return set;
    }();
    EXPECT_TRUE(names.contains("M\xC3\xBCnster") && names.contains("Munster"));
    EXPECT_TRUE(names.contains("B\xC3\xBCnde") && names.contains("Bunde"));
}

TEST_F(ShippedData, BothTablesVerify) {
    EXPECT_EQ(Kartei({"verify", Db("City.DAT")}).Out, Db("City.DAT") + ": OK\n");
    EXPECT_EQ(Kartei({"verify", Db("AreaCode.DAT")}).Out, Db("AreaCode.DAT") + ": OK\n");
}

TEST_F(ShippedData, ARangeOnCityIdListsExactlyThatPlacesCodes) {
    const auto codes = Pairs(Kartei({"dump", Db("AreaCode.DAT")}).Out);
    const std::string id = codes[100].first;
    std::multiset<std::string> expected;
    for (const auto& code : codes) {
        if (code.first == id) {
            expected.insert(code.second);
        }
    }
    const auto ranged = Pairs(Kartei({"dump", Db("AreaCode.DAT"), "--index", "city_id", "--range", id}).Out);
    std::multiset<std::string> listed;
    for (const auto& code : ranged) {
        EXPECT_EQ(code.first, id);
        listed.insert(code.second);
    }
    EXPECT_EQ(listed, expected);
}

TEST_F(ShippedData, APartialKeySearchFindsTheFirstPlaceWithThosePrefix) {
    std::string first;
    for (const auto& city : Pairs(Kartei({"dump", Db("City.DAT"), "--index", "City"}).Out)) {
        if (city.second.rfind("Ber", 0) == 0) {
            first = city.second;
            break;
        }
    }
    ASSERT_FALSE(first.empty());
    TDataSession session;
    TDataCursorImpl cursor(Inside(session.OpenDirectory(temp_->File("db"))));
    TTableOpenRequest request;
    request.Name = "City";
    cursor.Open(request);
    cursor.SelectIndex("City");
    std::vector<uint8_t> key(cursor.RecordSize(), 0);
    const TFieldDescriptor& city = cursor.Table().Fields()[1];
    SetStringField(key, city, "Ber", 0x0407, 1);
    std::vector<uint8_t> found(cursor.RecordSize());
    ASSERT_TRUE(cursor.FindKey(TKeyForm::Record, key.data(), found, 3, false, 0));
    EXPECT_EQ(GetStringField(found, city), first);
}

}  // namespace
}  // namespace kartei::tools::testing
