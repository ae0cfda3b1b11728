#include <gtest/gtest.h>

#include <memory>

#include "app/data/VorwahlData.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/support/VorwahlTables.h"
#include "engine/files/FileTestSupport.h"
#include "support/RaisedMessage.h"

namespace kartei::testing {
namespace {

using nummerix::TVorwahlData;
using nummerix::TVorwahlMode;

class MasterLink : public ::testing::Test {
protected:
    void SetUp() override {
        rows_ = VorwahlRows({"030", "033"});
        WriteVorwahlTables(temp_.Path(), rows_);
        form_ = std::make_unique<TVorwahlData>(temp_.Path());
        form_->SwitchTo(TVorwahlMode::City);
    }

    TTempDir temp_;
    std::vector<TVorwahlRow> rows_;
    std::unique_ptr<TVorwahlData> form_;
};

TEST_F(MasterLink, AMasterChainLeadingBackIsRefused) {
    // The codes follow the cities; making the cities follow the codes would close the circle.
    EXPECT_EQ(RaisedMessage([&] { form_->tblCity->SetMasterSource(form_->dsAreaCode); }),
              "Zirkul\xE4re Datenverbindungen sind nicht erlaubt");
    EXPECT_EQ(form_->tblCity->MasterSource(), nullptr);
    EXPECT_EQ(RaisedMessage([&] { form_->tblCity->SetMasterSource(form_->dsCity); }),
              "Zirkul\xE4re Datenverbindungen sind nicht erlaubt");
}

TEST_F(MasterLink, AnUnknownMasterFieldIsNamedAndSetsNoRange) {
    ASSERT_EQ(form_->tblAreaCode->RecordCount(), 1);
    const std::string code = form_->tblAreaCode->FieldByName("areacode").AsString();
    EXPECT_EQ(RaisedMessage([&] { form_->tblAreaCode->SetMasterFields("nowhere"); }),
              "tblCity: Das Feld 'nowhere' wurde nicht gefunden");
    // With no master fields, master moves set no new range: the detail stays where it was.
    form_->tblCity->Next();
    EXPECT_EQ(form_->tblAreaCode->RecordCount(), 1);
    EXPECT_EQ(form_->tblAreaCode->FieldByName("areacode").AsString(), code);
}

TEST_F(MasterLink, IndexFieldNamesPickTheIndexOverThoseFields) {
    form_->tblAreaCode->SetMasterSource(nullptr);
    form_->tblAreaCode->SetIndexFieldNames("areacode");
    EXPECT_EQ(form_->tblAreaCode->IndexName(), "");
    EXPECT_EQ(form_->tblAreaCode->IndexFieldNames(), "areacode");
    form_->tblAreaCode->First();
    std::string previous;
    for (; !form_->tblAreaCode->Eof(); form_->tblAreaCode->Next()) {
        const std::string code = form_->tblAreaCode->FieldByName("areacode").AsString();
        EXPECT_LT(previous, code);
        previous = code;
    }
    EXPECT_EQ(RaisedMessage([&] { form_->tblAreaCode->SetIndexFieldNames("areacode;city_id"); }),
              "tblAreaCode: Kein Index f\xFCr die Felder 'areacode;city_id' vorhanden");
}

}  // namespace
}  // namespace kartei::testing
