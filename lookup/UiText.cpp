#include "lookup/UiText.h"

#include "base/Cp1252.h"

namespace kartei {

QString ToQString(std::string_view text) {
    QString result(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    Cp1252ToUtf16(text.data(), text.size(), reinterpret_cast<char16_t*>(result.data()));
    return result;
}

int ToCp1252Char(QChar character) {
    return UnicodeToCp1252(character.unicode());
}

}  // namespace kartei
