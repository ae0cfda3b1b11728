#include "tools/TextTable.h"

#include <algorithm>

namespace kartei::tools {

size_t Utf8Length(const std::string& text) {
    return static_cast<size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void TTextTable::Print(std::ostream& out, const std::string& indent) const {
    std::vector<size_t> widths;
    for (const std::vector<std::string>& row : rows_) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (size_t k = 0; k < row.size(); ++k) {
            widths[k] = std::max(widths[k], Utf8Length(row[k]));
        }
    }
    for (const std::vector<std::string>& row : rows_) {
        std::string line = indent;
        for (size_t k = 0; k < row.size(); ++k) {
            line += row[k];
            if (k + 1 < row.size()) {
                line += std::string(widths[k] - Utf8Length(row[k]) + 2, ' ');
            }
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << '\n';
    }
}

}  // namespace kartei::tools
