#include "tools/CsvWriter.h"

namespace kartei::tools {

void WriteCsvRecord(std::ostream& out, std::span<const std::string> fields) {
    bool first = true;
    for (const std::string& field : fields) {
        if (!first) {
            out << ',';
        }
        first = false;
        if (field.find_first_of(",\"\r\n") == std::string::npos) {
            out << field;
            continue;
        }
        out << '"';
        for (const char c : field) {
            if (c == '"') {
                out << '"';
            }
            out << c;
        }
        out << '"';
    }
    out << "\r\n";
}

}  // namespace kartei::tools
