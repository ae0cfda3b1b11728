#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace kartei {

// Table text is cp1252 bytes; the widgets speak Unicode. These convert at that edge.
QString ToQString(std::string_view text);

// The cp1252 byte of a character, or -1 when the code page has none.
int ToCp1252Char(QChar character);

}  // namespace kartei
