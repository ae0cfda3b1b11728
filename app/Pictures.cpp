#include "app/Pictures.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <stdexcept>

#include "app/JpegImage.h"

// The resources of a static library are registered by hand.
static void InitResources() {
    Q_INIT_RESOURCE(resources);
}

namespace nummerix {
namespace {

constexpr int kGlyphSize = 18;

// An open door with an arrow leaving through it, in the given colours.
void PaintExit(QPainter& painter, int left, const QColor& frame, const QColor& door, const QColor& arrow) {
    painter.save();
    painter.translate(left, 0);
    painter.setPen(frame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(2, 1, 9, 15);
    painter.setPen(Qt::NoPen);
    painter.setBrush(door);
    painter.drawPolygon(QPolygon({QPoint(3, 2), QPoint(8, 4), QPoint(8, 17), QPoint(3, 16)}));
    painter.setBrush(arrow);
    painter.drawPolygon(QPolygon({QPoint(9, 7), QPoint(13, 7), QPoint(13, 4), QPoint(17, 9), QPoint(13, 14),
                                  QPoint(13, 11), QPoint(9, 11)}));
    painter.restore();
}

}  // namespace

QImage MakerLogo() {
    InitResources();
    QFile file(QStringLiteral(":/nummerix/logo.jpg"));
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("the logo is missing from the program");
    }
    return DecodeJpeg(file.readAll());
}

QString MakerAddress() {
    return QStringLiteral("https://quolt.example/");
}

QImage EndGlyphBitmap() {
    QImage bitmap(2 * kGlyphSize, kGlyphSize, QImage::Format_ARGB32);
    bitmap.fill(Qt::transparent);
    QPainter painter(&bitmap);
    PaintExit(painter, 0, QColor(64, 40, 16), QColor(150, 90, 40), QColor(200, 24, 24));
    // The disabled image: the same shapes, etched in grey.
    PaintExit(painter, kGlyphSize + 1, Qt::white, Qt::white, Qt::white);
    PaintExit(painter, kGlyphSize, QColor(128, 128, 128), QColor(160, 160, 160), QColor(128, 128, 128));
    return bitmap;
}

QIcon EndGlyph() {
    const QImage bitmap = EndGlyphBitmap();
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(bitmap.copy(0, 0, kGlyphSize, kGlyphSize)), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(bitmap.copy(kGlyphSize, 0, kGlyphSize, kGlyphSize)), QIcon::Disabled);
    return icon;
}

}  // namespace nummerix
