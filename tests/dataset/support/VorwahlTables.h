#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kartei::testing {

// One row of data/vorwahlen.csv, as cp1252 text, with the city's id in the tables made from the rows.
struct TVorwahlRow {
    int32_t Id = 0;
    std::string City;
    std::string AreaCode;
};

// The rows whose code begins with one of the prefixes, in file order, numbered from 1.
std::vector<TVorwahlRow> VorwahlRows(std::initializer_list<std::string_view> prefixes);

// Writes City.DAT and AreaCode.DAT with their indexes into `directory` through the engine's write path:
// German locale, phone book order; cities in row order, so ids and record order follow the rows. A
// password makes both tables encrypted.
void WriteVorwahlTables(const std::string& directory, const std::vector<TVorwahlRow>& rows,
                        const std::string& password = {});

}  // namespace kartei::testing
