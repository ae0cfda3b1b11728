#include "dataset/support/VorwahlForm.h"

namespace kartei::testing {
namespace {

TKarteiTable* DeclareTable(TComponent* owner, const char* name, const char* tableName) {
    auto* table = new TKarteiTable(owner);
    table->SetName(name);
    table->SetDatabaseName("vw");
    table->SetTableName(tableName);
    table->SetReadOnly(true);
    table->SetStoreDefs(true);
    table->SetActive(true);
    return table;
}

TDataSource* DeclareSource(TComponent* owner, const char* name, TDataSet* dataSet) {
    auto* source = new TDataSource(owner);
    source->SetName(name);
    source->SetDataSet(dataSet);
    return source;
}

}  // namespace

TVorwahlForm::TVorwahlForm(const std::string& directory) {
    BeginLoading();
    db = new TKarteiDatabase(this);
    db->SetName("db");
    db->SetEngineVersion("2.11");
    db->SetDatabaseName("vw");
    db->SetDirectory(directory);
    db->SetSessionName("Default");
    db->SetConnected(true);
    tblCity = DeclareTable(this, "tblCity", "City.DAT");
    tblAreaCode = DeclareTable(this, "tblAreaCode", "AreaCode.DAT");
    tblAreaCode->SetIndexName("areacode");
    dsCity = DeclareSource(this, "dsCity", tblCity);
    dsAreaCode = DeclareSource(this, "dsAreaCode", tblAreaCode);
    tblAreaCode->SetMasterSource(dsCity);
    tblAreaCode->SetMasterFields("id");
    EndLoading();
}

void TVorwahlForm::lbEnter(bool cityList) {
    tblCity->Close();
    tblAreaCode->Close();
    if (cityList) {
        tblCity->SetMasterSource(nullptr);
        tblAreaCode->SetMasterSource(dsCity);
        tblAreaCode->SetMasterFields("id");
        tblAreaCode->SetIndexName("city_id");
    } else {
        tblAreaCode->SetMasterSource(nullptr);
        tblAreaCode->SetIndexName("areacode");
        tblCity->SetMasterSource(dsAreaCode);
        tblCity->SetMasterFields("city_id");
        tblCity->SetIndexName("id");
    }
    tblCity->Open();
    tblAreaCode->Open();
}

}  // namespace kartei::testing
