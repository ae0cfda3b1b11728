#include "tools/CsvReader.h"

#include "tools/ToolError.h"

namespace kartei::tools {

namespace {
constexpr int kEnd = std::char_traits<char>::eof();
}  // namespace

int TCsvReader::Get() {
    return in_.get();
}

void TCsvReader::Fail(const std::string& what) const {
    throw InputError("CSV line " + std::to_string(line_) + ": " + what);
}

// A line break in any of its three forms counts as '\n'.
int TCsvReader::EndOfLine(int c) {
    if (c == '\r' && Peek() == '\n') {
        Get();
    }
    if (c == '\r' || c == '\n') {
        ++line_;
        return '\n';
    }
    return c;
}

int TCsvReader::ReadField(std::string& field) {
    field.clear();
    int c = Get();
    if (c != '"') {
        for (; c != kEnd && c != ',' && c != '\r' && c != '\n'; c = Get()) {
            if (c == '"') {
                Fail("a quote inside an unquoted field (enclose the field in quotes and double the quote)");
            }
            field += static_cast<char>(c);
        }
        return EndOfLine(c);
    }
    const int64_t openedOn = line_;
    for (;;) {
        c = Get();
        if (c == kEnd) {
            line_ = openedOn;
            Fail("quoted field not closed");
        }
        if (c == '"') {
            if (Peek() != '"') {
                break;
            }
            Get();
        } else if (c == '\n' || (c == '\r' && Peek() != '\n')) {
            ++line_;
        }
        field += static_cast<char>(c);
    }
    c = EndOfLine(Get());
    if (c != kEnd && c != ',' && c != '\n') {
        Fail("text after the closing quote of a field");
    }
    return c;
}

bool TCsvReader::Next(std::vector<std::string>& fields) {
    if (!started_) {
        started_ = true;
        // A byte-order mark. Any other text starting with its first byte is a character no table can hold.
        if (Peek() == 0xEF) {
            for (const int expected : {0xEF, 0xBB, 0xBF}) {
                if (Get() != expected) {
                    Fail("a character that Windows-1252 cannot hold");
                }
            }
        }
    }
    fields.clear();
    if (Peek() == kEnd) {
        return false;
    }
    recordLine_ = line_;
    std::string field;
    int end = ',';
    while (end == ',') {
        end = ReadField(field);
        fields.push_back(field);
    }
    return true;
}

}  // namespace kartei::tools
