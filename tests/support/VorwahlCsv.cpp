#include "support/VorwahlCsv.h"

#include <fstream>
#include <stdexcept>

namespace kartei::testsupport {

std::string VorwahlCsvPath() {
    return NUMMERIX_SOURCE_DIR "/data/vorwahlen.csv";
}

// The file has no quoted fields and no comma in a place's name: each row splits at its first comma.
const std::vector<TVorwahlCsvRow>& VorwahlCsvRows() {
    static const std::vector<TVorwahlCsvRow> rows = [] {
        std::ifstream in(VorwahlCsvPath());
        if (!in) {
            throw std::runtime_error("cannot read " + VorwahlCsvPath());
        }
        std::vector<TVorwahlCsvRow> read;
        std::string line;
        std::getline(in, line);  // heading
        while (std::getline(in, line)) {
            const size_t comma = line.find(',');
            read.push_back({line.substr(0, comma), line.substr(comma + 1)});
        }
        return read;
    }();
    return rows;
}

}  // namespace kartei::testsupport
