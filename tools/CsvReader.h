#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace kartei::tools {

// Reads CSV as RFC 4180 defines it: fields separated by commas, records ended by CRLF (a bare LF or CR is
// taken too), fields that hold commas, quotes or line breaks enclosed in double quotes with inner quotes
// doubled. A UTF-8 byte-order mark at the start is skipped; the bytes are passed on as they are.
class TCsvReader {
public:
    explicit TCsvReader(std::istream& in) : in_(in) {}

    // The next record into `fields`; false at the end of the input. EToolError (bad input) for a quoted
    // field that is not closed, text after a closing quote, or a quote inside an unquoted field.
    bool Next(std::vector<std::string>& fields);
    // The line on which the record last read begins, 1-based.
    int64_t Line() const { return recordLine_; }

private:
    int Get();
    int Peek() { return in_.peek(); }
    [[noreturn]] void Fail(const std::string& what) const;
    // Reads one field; returns the character that ended it (',', '\n' or EOF).
    int ReadField(std::string& field);
    int EndOfLine(int c);

    std::istream& in_;
    bool started_ = false;
    int64_t line_ = 1;
    int64_t recordLine_ = 0;
};

}  // namespace kartei::tools
