#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kartei::tools {

// Rows of UTF-8 text printed in columns aligned by characters, two blanks apart.
class TTextTable {
public:
    explicit TTextTable(std::vector<std::string> headings) { rows_.push_back(std::move(headings)); }
    void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    void Print(std::ostream& out, const std::string& indent) const;

private:
    std::vector<std::vector<std::string>> rows_;
};

// Characters (code points) of UTF-8 text.
size_t Utf8Length(const std::string& text);

}  // namespace kartei::tools
