#include "app/data/VorwahlData.h"

namespace nummerix {
namespace {

kartei::TKarteiTable* DeclareTable(kartei::TComponent* owner, const char* name, const char* tableName) {
    auto* table = new kartei::TKarteiTable(owner);
    table->SetName(name);
    table->SetDatabaseName("vw");
    table->SetTableName(tableName);
    table->SetReadOnly(true);
    table->SetStoreDefs(true);
    table->SetAutoDisplayLabels(false);
    table->SetActive(true);
    return table;
}

kartei::TDataSource* DeclareSource(kartei::TComponent* owner, const char* name, kartei::TDataSet* dataSet) {
    auto* source = new kartei::TDataSource(owner);
    source->SetName(name);
    source->SetDataSet(dataSet);
    return source;
}

}  // namespace

TVorwahlData::TVorwahlData(const std::string& directory) {
    BeginLoading();
    DeclareDataComponents(directory);
    EndLoading();
}

void TVorwahlData::DeclareDataComponents(const std::string& directory) {
    db = new kartei::TKarteiDatabase(this);
    db->SetName("db");
    db->SetEngineVersion("2.11");
    db->SetDatabaseName("vw");
    db->SetDirectory(directory);
    db->SetSessionName("Default");
    db->SetConnected(true);

    tblCity = DeclareTable(this, "tblCity", "City.DAT");
    tblAreaCode = DeclareTable(this, "tblAreaCode", "AreaCode.DAT");
    tblAreaCode->SetIndexName("areacode");
    tblAreaCode->SetMasterFields("id");

    dsCity = DeclareSource(this, "dsCity", tblCity);
    dsAreaCode = DeclareSource(this, "dsAreaCode", tblAreaCode);
    tblAreaCode->SetMasterSource(dsCity);
}

void TVorwahlData::SwitchTo(TVorwahlMode mode) {
    tblCity->Close();
    tblAreaCode->Close();
    if (mode == TVorwahlMode::City) {
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

}  // namespace nummerix
