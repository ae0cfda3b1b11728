#pragma once

#include <string>

#include "dataset/database/KarteiDatabase.h"
#include "dataset/framework/DataSource.h"
#include "dataset/table/KarteiTable.h"

namespace kartei::testing {

// The main window's data components, declared as the window declares them (two-phase loading), and the
// list-enter handler's switching of the two tables.
class TVorwahlForm : public TComponent {
public:
    explicit TVorwahlForm(const std::string& directory);

    // Enter into the city list (city mode) or the code list (area-code mode).
    void lbEnter(bool cityList);
    bool CityMode() const { return tblAreaCode->MasterSource() != nullptr; }

    TKarteiDatabase* db = nullptr;
    TKarteiTable* tblCity = nullptr;
    TKarteiTable* tblAreaCode = nullptr;
    TDataSource* dsCity = nullptr;
    TDataSource* dsAreaCode = nullptr;
};

}  // namespace kartei::testing
