#pragma once

#include <QByteArray>
#include <QImage>

namespace nummerix {

// Decodes a JPEG image with libjpeg; raises std::runtime_error with libjpeg's message for data it cannot
// decode.
QImage DecodeJpeg(const QByteArray& data);

}  // namespace nummerix
