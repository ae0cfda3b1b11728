#include "lookup/WindowFont.h"

namespace kartei {

QFont WindowFont() {
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
        return true;
    }();
    static_cast<void>(substituted);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}

}  // namespace kartei
