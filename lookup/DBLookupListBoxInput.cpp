#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimerEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "dataset/framework/DataSet.h"
#include "lookup/DBLookupListBox.h"
#include "lookup/UiText.h"

namespace kartei {
namespace {

constexpr int kSlowestScrollInterval = 200;
constexpr int kIntervalPerPixel = 15;

int ClientY(const QMouseEvent* event) {
    return static_cast<int>(std::floor(event->position().y()));
}

}  // namespace

// ---- Keyboard ----

void TDBLookupListBox::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    if (OnKeyDown) {
        OnKeyDown(this, key, event->modifiers());
    }
    if (key != 0 && CanChangeSelection()) {
        StepByKey(key);
    }
    const QString text = event->text();
    if (!text.isEmpty()) {
        const int code = ToCp1252Char(text.front());
        if (code >= 0) {
            char character = static_cast<char>(code);
            if (OnKeyPress) {
                OnKeyPress(this, character);
            }
            HandleSearchChar(static_cast<unsigned char>(character));
        }
    }
    event->accept();
}

void TDBLookupListBox::StepByKey(int key) {
    int step = 0;
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Left:
            step = -1;
            break;
        case Qt::Key_Down:
        case Qt::Key_Right:
            step = 1;
            break;
        case Qt::Key_PageUp:
            step = 1 - rowCount_;
            break;
        case Qt::Key_PageDown:
            step = rowCount_ - 1;
            break;
        case Qt::Key_Home:
        case Qt::Key_End:
            break;
        default:
            return;
    }
    const bool home = key == Qt::Key_Home;
    const bool end = key == Qt::Key_End;
    if (step == 0 && !home && !end) {
        return;
    }
    ClearSearchPrefix();
    TDataSet& dataSet = ListDataSet();
    if (home) {
        dataSet.First();
    } else if (end) {
        dataSet.Last();
    } else {
        const int row = RowOfKey();
        if (row >= 0) {
            dataSet.MoveBy(row - currentRow_);
        } else {
            // No visible selection: the first step only selects where the key leads.
            KeyChanged();
            step = 0;
        }
        dataSet.MoveBy(step);
    }
    ChooseCurrent();
}

// ---- Mouse ----

void TDBLookupListBox::LeftButtonDown(int y, bool doubleClick) {
    ClearSearchPrefix();
    setFocus(Qt::MouseFocusReason);
    if (!hasFocus()) {
        return;
    }
    if (!CanChangeSelection()) {
        return;
    }
    if (doubleClick) {
        if (y / RowHeight() == currentRow_ && OnDblClick) {
            OnDblClick(this);
        }
        return;
    }
    viewport()->grabMouse();
    mouseTracking_ = true;
    ChooseRowAt(y);
}

void TDBLookupListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        TDBLookupControl::mousePressEvent(event);
        return;
    }
    LeftButtonDown(ClientY(event), false);
}

void TDBLookupListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        TDBLookupControl::mouseDoubleClickEvent(event);
        return;
    }
    LeftButtonDown(ClientY(event), true);
}

void TDBLookupListBox::mouseMoveEvent(QMouseEvent* event) {
    if (!mouseTracking_) {
        TDBLookupControl::mouseMoveEvent(event);
        return;
    }
    const int y = ClientY(event);
    ChooseRowAt(y);
    lastMouseY_ = y;
    AutoScrollStep();
}

void TDBLookupListBox::mouseReleaseEvent(QMouseEvent* event) {
    if (!mouseTracking_ || event->button() != Qt::LeftButton) {
        TDBLookupControl::mouseReleaseEvent(event);
        return;
    }
    StopMouseTracking();
    ChooseRowAt(ClientY(event));
}

// The wheel scrolls as the scroll bar's arrows do: the list dataset moves, the selection stays. Touchpads
// send parts of a notch, which add up. Without a scroll bar (every record shown) there is nothing to
// scroll, and the wheel is left to the parent.
void TDBLookupListBox::wheelEvent(QWheelEvent* event) {
    if (verticalScrollBar()->maximum() == 0) {
        wheelDelta_ = 0;
        event->ignore();
        return;
    }
    wheelDelta_ += event->angleDelta().y();
    const int notches = wheelDelta_ / QWheelEvent::DefaultDeltasPerStep;
    wheelDelta_ -= notches * QWheelEvent::DefaultDeltasPerStep;
    const TScrollRequest request = notches > 0 ? TScrollRequest::LineUp : TScrollRequest::LineDown;
    for (int step = 0; step < std::abs(notches) * kWheelLinesPerNotch; ++step) {
        Scroll(request);
    }
    event->accept();
}

bool TDBLookupListBox::eventFilter(QObject* watched, QEvent* event) {
    // Over the scroll bar the wheel scrolls the list too, instead of dragging the bar's thumb.
    if (watched == verticalScrollBar() && event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return TDBLookupControl::eventFilter(watched, event);
}

void TDBLookupListBox::AutoScrollStep() {
    int step = 0;
    int distance = 0;
    const int clientHeight = viewport()->height();
    if (lastMouseY_ < 0) {
        step = -1;
        distance = -lastMouseY_;
    } else if (lastMouseY_ >= clientHeight) {
        step = 1;
        distance = lastMouseY_ - clientHeight + 1;
    } else {
        StopAutoScroll();
        return;
    }
    if (ListDataSet().MoveBy(step) != 0) {
        ChooseCurrent();
    }
    scrollInterval_ = std::max(0, kSlowestScrollInterval - kIntervalPerPixel * distance);
    scrollTimer_.start(scrollInterval_, this);
    scrollTimerOn_ = true;
}

void TDBLookupListBox::StopAutoScroll() {
    if (scrollTimerOn_) {
        scrollTimer_.stop();
        scrollTimerOn_ = false;
    }
}

void TDBLookupListBox::StopMouseTracking() {
    if (mouseTracking_) {
        StopAutoScroll();
        mouseTracking_ = false;
        viewport()->releaseMouse();
    }
}

void TDBLookupListBox::timerEvent(QTimerEvent* event) {
    if (event->timerId() == scrollTimer_.timerId()) {
        AutoScrollStep();
        return;
    }
    TDBLookupControl::timerEvent(event);
}

// ---- Scroll bar ----

void TDBLookupListBox::ScrollBarAction(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            Scroll(TScrollRequest::LineUp);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            Scroll(TScrollRequest::LineDown);
            break;
        case QAbstractSlider::SliderPageStepSub:
            Scroll(TScrollRequest::PageUp);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            Scroll(TScrollRequest::PageDown);
            break;
        case QAbstractSlider::SliderToMinimum:
            Scroll(TScrollRequest::Top);
            break;
        case QAbstractSlider::SliderToMaximum:
            Scroll(TScrollRequest::Bottom);
            break;
        default:
            Scroll(TScrollRequest::None);
            break;
    }
}

void TDBLookupListBox::Scroll(TScrollRequest request, int thumbPosition) {
    ClearSearchPrefix();
    if (ListLink().Active()) {
        MoveForScroll(request, thumbPosition);
    }
    // The bar shows where the window stands, never where the slider computed it would go.
    RefreshScrollBar();
}

void TDBLookupListBox::MoveForScroll(TScrollRequest request, int thumbPosition) {
    TDataSet& dataSet = ListDataSet();
    if (request == TScrollRequest::ThumbReleased) {
        constexpr TScrollRequest kThumbRequests[] = {TScrollRequest::Top, TScrollRequest::PageUp,
                                                     TScrollRequest::None, TScrollRequest::PageDown,
                                                     TScrollRequest::Bottom};
        request = kThumbRequests[std::clamp(thumbPosition, 0, 4)];
    }
    switch (request) {
        case TScrollRequest::LineUp:
            dataSet.MoveBy(-currentRow_ - 1);
            break;
        case TScrollRequest::LineDown:
            dataSet.MoveBy(filledRows_ - currentRow_);
            break;
        case TScrollRequest::PageUp:
            dataSet.MoveBy(1 - currentRow_ - filledRows_);
            break;
        case TScrollRequest::PageDown:
            dataSet.MoveBy(2 * filledRows_ - currentRow_ - 2);
            break;
        case TScrollRequest::Top:
            dataSet.First();
            break;
        case TScrollRequest::Bottom:
            dataSet.Last();
            break;
        case TScrollRequest::ThumbReleased:
        case TScrollRequest::None:
            break;
    }
}

}  // namespace kartei
