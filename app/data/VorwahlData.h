#pragma once

#include <string>

#include "dataset/framework/Component.h"
#include "dataset/framework/DataSource.h"
#include "dataset/session/KarteiDatabase.h"
#include "dataset/table/KarteiTable.h"

namespace nummerix {

// Which of the window's lists leads. In city mode the places are read whole and the codes follow the current
// place; in area-code mode the codes are read whole and the place follows the current code.
enum class TVorwahlMode { City, AreaCode };

// The main window's data components: the database "vw" over the tables' folder, the read-only tables
// `City.DAT` and `AreaCode.DAT` and a data source over each; and the switch between the two modes. It has
// no Qt, so that the tests of the layers below the window drive the tables through this very switch. The
// mode is not stored anywhere: it is read back from the tables' links.
class TVorwahlData : public kartei::TComponent {
public:
    // The components over the tables in `directory`, loaded: the database connects and both tables open,
    // the codes still in their declared link ("areacode" against the place's "id") until the first switch.
    explicit TVorwahlData(const std::string& directory);

    kartei::TKarteiDatabase* db = nullptr;
    kartei::TKarteiTable* tblCity = nullptr;
    kartei::TKarteiTable* tblAreaCode = nullptr;
    kartei::TDataSource* dsCity = nullptr;
    kartei::TDataSource* dsAreaCode = nullptr;

    // Closes both tables, links them for the mode and reopens them, the places first: a list over them
    // finds its record again while the codes are still closed, and the codes then open under the new link.
    void SwitchTo(TVorwahlMode mode);
    // Only in city mode do the codes have a master source.
    bool CityMode() const { return tblAreaCode->MasterSource() != nullptr; }

protected:
    // For the window, which declares the components itself, between its own BeginLoading and EndLoading.
    TVorwahlData() = default;
    void DeclareDataComponents(const std::string& directory);
};

}  // namespace nummerix
