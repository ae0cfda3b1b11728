#pragma once

#include <string_view>
#include <vector>

namespace kartei::lookuptest {

// German places (UTF-8) in phone-book order; a place's id is its position plus 1.
const std::vector<std::string_view>& CityNames();

struct TCodeOfCity {
    int CityId = 0;
    std::string_view AreaCode;
};

// Dialling codes ordered by the id of the place they belong to; many places own several.
const std::vector<TCodeOfCity>& CodesOfCities();

}  // namespace kartei::lookuptest
