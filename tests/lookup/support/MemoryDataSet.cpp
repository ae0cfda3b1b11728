#include "lookup/support/MemoryDataSet.h"

#include "base/Cp1252.h"
#include "lookup/support/CityData.h"

namespace kartei::lookuptest {

std::unique_ptr<TMemoryDataSet> MakeCities(TComponent* owner) {
    auto dataSet = std::make_unique<TMemoryDataSet>(
        owner, std::vector<TColumn>{{"id", TFieldType::ftInteger}, {"City", TFieldType::ftString, 200}});
    int id = 0;
    for (const std::string_view name : CityNames()) {
        dataSet->AddRow({++id, Utf8ToCp1252(name)});
    }
    return dataSet;
}

std::unique_ptr<TMemoryDataSet> MakeAreaCodes(TComponent* owner) {
    auto dataSet = std::make_unique<TMemoryDataSet>(
        owner,
        std::vector<TColumn>{{"city_id", TFieldType::ftInteger}, {"areacode", TFieldType::ftString, 20}});
    for (const TCodeOfCity& code : CodesOfCities()) {
        dataSet->AddRow({code.CityId, code.AreaCode});
    }
    return dataSet;
}

}  // namespace kartei::lookuptest
