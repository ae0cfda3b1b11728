#pragma once

#include <ostream>
#include <span>
#include <string>

namespace kartei::tools {

// Writes one CSV record as RFC 4180 defines it: commas between the fields, CRLF at the end; a field that
// holds a comma, a quote or a line break is enclosed in quotes, its quotes doubled.
void WriteCsvRecord(std::ostream& out, std::span<const std::string> fields);

}  // namespace kartei::tools
