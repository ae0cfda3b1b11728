#include "app/ImageControl.h"

#include <QMouseEvent>
#include <QPixmap>

namespace nummerix {

TImage::TImage(QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TImage::SetPicture(const QImage& picture) {
    setPixmap(QPixmap::fromImage(picture));
    resize(picture.size());
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) {
        OnClick(this);
    }
}

}  // namespace nummerix
