#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace nummerix {

// The maker's logo, 120 × 49 pixels, decoded from the JPEG built into the program.
QImage MakerLogo();
// The maker's home page, which the logo opens and shows as its hint.
QString MakerAddress();

// The glyph of the close button: one 36 × 18 bitmap holding the normal and the disabled image side by side.
QImage EndGlyphBitmap();
// The two halves of the glyph bitmap as the button's icon.
QIcon EndGlyph();

}  // namespace nummerix
