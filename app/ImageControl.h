#pragma once

#include <QLabel>

#include "lookup/LookupEvents.h"

namespace nummerix {

// A picture control that sizes itself to its picture and reports a left click.
class TImage : public QLabel {
    Q_OBJECT

public:
    explicit TImage(QWidget* parent = nullptr);

    void SetPicture(const QImage& picture);

    kartei::TNotifyEvent OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace nummerix
