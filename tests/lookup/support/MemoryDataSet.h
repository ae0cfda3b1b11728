#pragma once

#include <memory>

#include "support/MemoryDataSet.h"

namespace kartei::lookuptest {

using testsupport::TColumn;
using testsupport::TMemoryDataSet;

// The places of CityData: "id" (integer) and "City" (string of 200, cp1252), in phone-book order.
std::unique_ptr<TMemoryDataSet> MakeCities(TComponent* owner = nullptr);
// The codes of CityData: "city_id" (integer) and "areacode" (string of 20), ordered by city_id.
std::unique_ptr<TMemoryDataSet> MakeAreaCodes(TComponent* owner = nullptr);

}  // namespace kartei::lookuptest
