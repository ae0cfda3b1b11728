#include "app/HintSwitch.h"

#include <QApplication>
#include <QEvent>

namespace nummerix {
namespace {

// Swallows tool-tip requests while hints are off.
class THintFilter : public QObject {
public:
    using QObject::QObject;
    bool Show = true;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!Show && event->type() == QEvent::ToolTip) {
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

THintFilter& Filter() {
    static THintFilter* filter = [] {
        auto* created = new THintFilter(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(created);
        return created;
    }();
    return *filter;
}

}  // namespace

bool ShowHints() {
    return Filter().Show;
}

void SetShowHints(bool show) {
    Filter().Show = show;
}

}  // namespace nummerix
