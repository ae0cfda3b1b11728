#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "settings/registry/RegValue.h"

namespace settings {

// Values in the file's text form, one per line:
//   "name"="text"            a string (escapes \\ \" \n \r \0)
//   "name"=dword:0000002a    a 32-bit number
//   "name"=hex:01,02         binary data
//   "name"=hex(N):..         any other type N (hexadecimal), its bytes as they are; the two string types
//                            hold UTF-16LE bytes here, as in the registry
// The name "@" stands for the key's default value, whose name is empty.

// A text the parser does not accept; the reason is shown with the file and line.
class ERegSyntax : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TRegNamedValue {
    std::string Name;
    TRegValue Value;
};

std::string FormatRegValueLine(std::string_view name, const TRegValue& value);

// One value line, its continuation lines already joined to it. Throws ERegSyntax.
TRegNamedValue ParseRegValueLine(std::string_view line);

}  // namespace settings
