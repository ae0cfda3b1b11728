#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/data/VorwahlData.h"
#include "dataset/framework/DataLink.h"
#include "dataset/support/VorwahlTables.h"
#include "engine/files/FileTestSupport.h"

namespace kartei::testing {
namespace {

using nummerix::TVorwahlData;
using nummerix::TVorwahlMode;

class WindowUse : public ::testing::Test {
protected:
    void SetUp() override {
        rows_ = VorwahlRows({"030", "033", "092"});
        WriteVorwahlTables(temp_.Path(), rows_);
        form_ = std::make_unique<TVorwahlData>(temp_.Path());
    }

    std::string City() const { return form_->tblCity->FieldByName("City").AsString(); }
    int32_t Id() const { return form_->tblCity->FieldByName("id").AsInteger(); }
    std::string Code() const { return form_->tblAreaCode->FieldByName("areacode").AsString(); }
    const TVorwahlRow& Row(int32_t id) const { return rows_.at(static_cast<size_t>(id - 1)); }
    const TVorwahlRow& Named(std::string_view city) const {
        return *std::find_if(rows_.begin(), rows_.end(),
                             [&](const TVorwahlRow& row) { return row.City == city; });
    }
    // The detail shows exactly the code of the master's current city.
    void ExpectCodeFollowsCity() {
        EXPECT_EQ(form_->tblAreaCode->RecordCount(), 1);
        EXPECT_EQ(Code(), Row(Id()).AreaCode) << City();
    }

    TTempDir temp_;
    std::vector<TVorwahlRow> rows_;
    std::unique_ptr<TVorwahlData> form_;
};

TEST_F(WindowUse, LoadingConnectsAndOpensReadOnly) {
    EXPECT_TRUE(form_->db->Connected());
    ASSERT_TRUE(form_->tblCity->Active());
    ASSERT_TRUE(form_->tblAreaCode->Active());
    EXPECT_TRUE(form_->tblCity->ReadOnly());
    EXPECT_FALSE(form_->tblCity->CanModify());
    EXPECT_EQ(form_->tblCity->RecordCount(), static_cast<int>(rows_.size()));
    EXPECT_EQ(City(), rows_.front().City);
    // "areacode" ranged on the city's id as text: no code is "1".
    EXPECT_TRUE(form_->tblAreaCode->IsEmpty());
    EXPECT_EQ(form_->tblAreaCode->IndexName(), "areacode");
    EXPECT_EQ(form_->tblCity->EngineVersion(), "2.11");
    EXPECT_EQ(form_->tblCity->FieldDefs().Count(), 2);
    EXPECT_EQ(form_->tblCity->FieldDefs()[0].DataType, TFieldType::ftAutoInc);
    EXPECT_EQ(form_->tblCity->FieldDefs()[1].Size, 200);
}

TEST_F(WindowUse, ReadOnlyTablesRefuseEditing) {
    try {
        form_->tblCity->Edit();
        FAIL();
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(),
                  "tblCity: Eine Datenmenge, die nur zum Lesen ist, kann nicht ge\xE4ndert werden");
    }
}

TEST_F(WindowUse, CityModeDetailFollowsEveryMove) {
    form_->SwitchTo(TVorwahlMode::City);
    EXPECT_TRUE(form_->CityMode());
    EXPECT_EQ(City(), rows_.front().City);
    ExpectCodeFollowsCity();
    form_->tblCity->Next();
    ExpectCodeFollowsCity();
    form_->tblCity->MoveBy(40);
    ExpectCodeFollowsCity();
    form_->tblCity->Last();
    EXPECT_EQ(City(), rows_.back().City);
    ExpectCodeFollowsCity();
    form_->tblCity->Prior();
    ExpectCodeFollowsCity();
    form_->tblCity->First();
    ExpectCodeFollowsCity();
}

TEST_F(WindowUse, AreaCodeModeAndBack) {
    form_->SwitchTo(TVorwahlMode::City);
    form_->tblCity->MoveBy(5);
    const int32_t chosen = Id();
    form_->SwitchTo(TVorwahlMode::AreaCode);
    EXPECT_FALSE(form_->CityMode());
    std::vector<std::string> codes;
    for (const TVorwahlRow& row : rows_) {
        codes.push_back(row.AreaCode);
    }
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(form_->tblAreaCode->RecordCount(), static_cast<int>(rows_.size()));
    std::vector<std::string> shown;
    for (form_->tblAreaCode->First(); !form_->tblAreaCode->Eof(); form_->tblAreaCode->Next()) {
        shown.push_back(Code());
        // The city list holds exactly the owning city.
        ASSERT_EQ(form_->tblCity->RecordCount(), 1);
        ASSERT_EQ(City(), Row(form_->tblAreaCode->FieldByName("city_id").AsInteger()).City);
    }
    EXPECT_EQ(shown, codes);

    form_->SwitchTo(TVorwahlMode::City);
    EXPECT_EQ(form_->tblCity->IndexName(), "id");
    EXPECT_EQ(form_->tblCity->RecordCount(), static_cast<int>(rows_.size()));
    EXPECT_EQ(City(), rows_.front().City);
    EXPECT_TRUE(form_->tblCity->Locate("id", chosen, {}));
    EXPECT_EQ(Id(), chosen);
    ExpectCodeFollowsCity();
}

TEST_F(WindowUse, LocateTypedPrefixInAnyCase) {
    form_->SwitchTo(TVorwahlMode::City);
    const TLocateOptions typing{TLocateOption::loCaseInsensitive, TLocateOption::loPartialKey};
    form_->tblCity->Last();
    ASSERT_TRUE(form_->tblCity->Locate("City", "ber", typing));
    // The first in record order, not the first in name order ("Berg Oberfranken").
    EXPECT_EQ(City(), "Berlin");
    ExpectCodeFollowsCity();
    ASSERT_TRUE(form_->tblCity->Locate("City", "BERN", typing));
    EXPECT_EQ(City(), "Bernau Brandenburg");
    ExpectCodeFollowsCity();
    const int32_t before = Id();
    EXPECT_FALSE(form_->tblCity->Locate("City", "xyz", typing));
    EXPECT_EQ(Id(), before);
    // Case-sensitive and whole: through the unique index "City".
    EXPECT_FALSE(form_->tblCity->Locate("City", "berlin", {}));
    ASSERT_TRUE(form_->tblCity->Locate("City", "Berg Oberfranken", {}));
    EXPECT_EQ(Id(), Named("Berg Oberfranken").Id);
    ExpectCodeFollowsCity();
}

TEST_F(WindowUse, LocateComparesUmlautsThroughTheLocale) {
    form_.reset();
    const std::vector<TVorwahlRow> rows = VorwahlRows({"092"});
    TTempDir other;
    WriteVorwahlTables(other.Path(), rows);
    TVorwahlData form(other.Path());
    form.SwitchTo(TVorwahlMode::City);
    const TLocateOptions typing{TLocateOption::loCaseInsensitive, TLocateOption::loPartialKey};
    ASSERT_TRUE(form.tblCity->Locate("City", "m\xFCn", typing));
    EXPECT_EQ(form.tblCity->FieldByName("City").AsString(), "M\xFCnchberg");
    ASSERT_TRUE(form.tblCity->Locate("City", "M\xDCNCHB", typing));
    EXPECT_EQ(form.tblCity->FieldByName("City").AsString(), "M\xFCnchberg");
    EXPECT_EQ(form.tblAreaCode->FieldByName("areacode").AsString(), "09251");
}

TEST_F(WindowUse, DetailUnderRangeFindsOnlyInsideIt) {
    form_->SwitchTo(TVorwahlMode::City);
    ASSERT_TRUE(form_->tblCity->Locate("City", "Berlin", {}));
    EXPECT_TRUE(form_->tblAreaCode->Locate("areacode", "030", {}));
    EXPECT_FALSE(form_->tblAreaCode->Locate("areacode", Named("Bernau Brandenburg").AreaCode, {}));
    EXPECT_EQ(Code(), "030");
}

TEST_F(WindowUse, LookupLeavesThePosition) {
    form_->SwitchTo(TVorwahlMode::City);
    form_->tblCity->MoveBy(3);
    const int32_t before = Id();
    EXPECT_EQ(form_->tblCity->Lookup("id", Named("Berlin").Id, "City"), TVariant("Berlin"));
    EXPECT_EQ(Id(), before);
    EXPECT_EQ(form_->tblCity->Lookup("City", "Nowhere", "id"), TVariant());
    EXPECT_EQ(Id(), before);
}

TEST_F(WindowUse, SwitchingTheDetailIndexWhileOpenKeepsTheRange) {
    form_->SwitchTo(TVorwahlMode::City);
    form_->tblCity->MoveBy(7);
    form_->tblAreaCode->SetIndexName("areacode");  // the city's id goes to the code field now
    EXPECT_TRUE(form_->tblAreaCode->IsEmpty());
    form_->tblAreaCode->SetIndexName("city_id");
    ExpectCodeFollowsCity();
}

// A list of 17 rows over the city table.
class WindowOf17 : public WindowUse {
protected:
    void SetUp() override {
        WindowUse::SetUp();
        form_->SwitchTo(TVorwahlMode::City);
        link_.SetBufferCount(17);
        link_.SetDataSource(form_->dsCity);
    }
    void TearDown() override { link_.SetDataSource(nullptr); }
    std::string RowCity(int row) {
        const int active = link_.ActiveRecord();
        link_.SetActiveRecord(row);
        std::string city = City();
        link_.SetActiveRecord(active);
        return city;
    }
    TDataLink link_;
};

TEST_F(WindowOf17, FirstLastAndMovesPastTheEdges) {
    TKarteiTable& table = *form_->tblCity;
    const int count = static_cast<int>(rows_.size());
    table.First();
    EXPECT_EQ(link_.RecordCount(), 17);
    EXPECT_EQ(link_.ActiveRecord(), 0);
    EXPECT_EQ(table.MoveBy(16), 16);
    EXPECT_EQ(link_.ActiveRecord(), 16);
    EXPECT_EQ(RowCity(0), rows_[0].City);
    EXPECT_EQ(table.MoveBy(2), 2);
    EXPECT_EQ(link_.ActiveRecord(), 16);
    EXPECT_EQ(RowCity(0), rows_[2].City);
    EXPECT_EQ(City(), rows_[18].City);
    EXPECT_EQ(table.MoveBy(-1000), -18);
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(link_.ActiveRecord(), 0);
    EXPECT_EQ(City(), rows_[0].City);

    table.Last();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(link_.ActiveRecord(), 16);
    EXPECT_EQ(RowCity(0), rows_[static_cast<size_t>(count - 17)].City);
    EXPECT_EQ(table.MoveBy(5), 0);
    EXPECT_EQ(table.MoveBy(-20), -20);
    EXPECT_EQ(link_.ActiveRecord(), 0);
    EXPECT_EQ(City(), rows_[static_cast<size_t>(count - 21)].City);
    EXPECT_EQ(table.MoveBy(count), 20);
    EXPECT_TRUE(table.Eof());
}

TEST_F(WindowOf17, LocateCentresTheFoundRecord) {
    TKarteiTable& table = *form_->tblCity;
    ASSERT_TRUE(table.Locate("City", rows_[100].City, {}));
    EXPECT_EQ(link_.ActiveRecord(), 8);
    EXPECT_EQ(RowCity(0), rows_[92].City);
    EXPECT_EQ(RowCity(16), rows_[108].City);
    ASSERT_TRUE(table.Locate("City", rows_[rows_.size() - 3].City, {}));
    EXPECT_EQ(link_.ActiveRecord(), 14);
    EXPECT_EQ(RowCity(16), rows_.back().City);
    ASSERT_TRUE(table.Locate("City", rows_[2].City, {}));
    EXPECT_EQ(link_.ActiveRecord(), 2);
    EXPECT_EQ(RowCity(0), rows_[0].City);
}

}  // namespace
}  // namespace kartei::testing
