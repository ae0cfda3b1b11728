#pragma once

#include <string>
#include <vector>

namespace kartei::testsupport {

// One row of data/vorwahlen.csv, the source of the shipped tables, in UTF-8 as the file holds it.
struct TVorwahlCsvRow {
    std::string AreaCode;
    std::string City;
};

// Where the file lies in the source tree.
std::string VorwahlCsvPath();

// Every row, in file order; the file is read on the first call. Throws when it cannot be read.
const std::vector<TVorwahlCsvRow>& VorwahlCsvRows();

}  // namespace kartei::testsupport
