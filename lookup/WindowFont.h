#pragma once

#include <QFont>

namespace kartei {

// The font of the window and its lists: "MS Sans Serif" at 11 pixels (8 points at 96 dpi). On Linux it
// stands for DejaVu Sans, whose 13-pixel text height gives the lists their declared row height; the
// substitution is made explicit so that the choice does not hang on fontconfig's defaults.
QFont WindowFont();

}  // namespace kartei
