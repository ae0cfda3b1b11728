#include "lookup/DBLookupListBox.h"

#include <QEvent>
#include <QScrollBar>
#include <algorithm>

#include "base/ScopeGuard.h"
#include "dataset/framework/DataSet.h"
#include "lookup/UiText.h"

namespace kartei {
namespace {

constexpr int kDefaultWidth = 121;
constexpr int kDefaultRowCount = 7;
// The scroll bar tells only where the window stands: at the beginning, in between, or at the end.
constexpr int kScrollMaximum = 4;
constexpr int kScrollMiddle = 2;

}  // namespace

TDBLookupListBox::TDBLookupListBox(QWidget* parent) : TDBLookupControl(parent) {
    InstallLookupAccessibility();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QScrollBar* bar = verticalScrollBar();
    bar->setTracking(false);
    bar->setRange(0, 0);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    connect(bar, &QAbstractSlider::actionTriggered, this, &TDBLookupListBox::ScrollBarAction);
    connect(bar, &QAbstractSlider::sliderPressed, this,
            [this, bar] { thumbPosition_ = bar->sliderPosition(); });
    connect(bar, &QAbstractSlider::sliderMoved, this, [this](int position) { thumbPosition_ = position; });
    connect(bar, &QAbstractSlider::sliderReleased, this,
            [this] { Scroll(TScrollRequest::ThumbReleased, thumbPosition_); });
    bar->installEventFilter(this);
    ApplyFrame();
    resize(kDefaultWidth, height());
    SetRowCount(kDefaultRowCount);
    RefreshScrollBar();
}

TDBLookupListBox::~TDBLookupListBox() = default;

// ---- Row geometry ----

void TDBLookupListBox::SetRowCount(int count) {
    const int rows = std::min(std::max(count, 1), kMaxRowCount);
    SetBounds(x(), y(), width(), rows * RowHeight() + BorderSize());
}

void TDBLookupListBox::SetBounds(int left, int top, int width, int height) {
    const int rowHeight = RowHeight();
    const int border = BorderSize();
    const int rows = std::max((height - border) / rowHeight, 1);
    rowCount_ = rows;
    if (rows != ListLink().BufferCount()) {
        ListLink().SetBufferCount(rows);
        ListDataChanged();
    }
    setGeometry(left, top, width, border + rowHeight * rows);
}

void TDBLookupListBox::SetBorderStyle(TBorderStyle style) {
    if (style != borderStyle_) {
        borderStyle_ = style;
        ApplyFrame();
        SetRowCount(rowCount_);
    }
}

void TDBLookupListBox::SetCtl3D(bool ctl3D) {
    if (ctl3D != ctl3D_) {
        ctl3D_ = ctl3D;
        if (borderStyle_ == TBorderStyle::bsSingle) {
            ApplyFrame();
            SetRowCount(rowCount_);
        }
    }
}

void TDBLookupListBox::ApplyFrame() {
    if (borderStyle_ == TBorderStyle::bsNone) {
        setFrameStyle(QFrame::NoFrame);
    } else if (ctl3D_) {
        setFrameStyle(QFrame::WinPanel | QFrame::Sunken);  // the 2-pixel sunken edge
    } else {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    }
}

void TDBLookupListBox::resizeEvent(QResizeEvent* event) {
    TDBLookupControl::resizeEvent(event);
    if (height() != BorderSize() + RowHeight() * rowCount_) {
        SetBounds(x(), y(), width(), height());
    }
}

void TDBLookupListBox::changeEvent(QEvent* event) {
    TDBLookupControl::changeEvent(event);
    switch (event->type()) {
        case QEvent::FontChange:
            SetBounds(x(), y(), width(), height());
            break;
        case QEvent::ActivationChange:
            if (!isActiveWindow()) {
                CancelMode();
            }
            break;
        case QEvent::EnabledChange:
            if (!isEnabled()) {
                CancelMode();
            }
            break;
        default:
            break;
    }
}

void TDBLookupListBox::hideEvent(QHideEvent* event) {
    CancelMode();
    TDBLookupControl::hideEvent(event);
}

void TDBLookupListBox::showEvent(QShowEvent* event) {
    TDBLookupControl::showEvent(event);
    accessibility_.Changed(*this);
}

void TDBLookupListBox::focusInEvent(QFocusEvent* event) {
    TDBLookupControl::focusInEvent(event);
    accessibility_.Changed(*this);
}

void TDBLookupListBox::focusOutEvent(QFocusEvent* event) {
    TDBLookupControl::focusOutEvent(event);
    accessibility_.Changed(*this);
}

// ---- Following the list dataset ----

void TDBLookupListBox::BindListFields() {
    RunThenFinish([this] { TDBLookupControl::BindListFields(); },
                  [this] {
                      if (ListReady()) {
                          KeyChanged();
                      } else {
                          ListDataChanged();
                      }
                  });
}

void TDBLookupListBox::KeyChanged() {
    if (ListReady() && !holdPosition_ && !SyncToKey()) {
        ListDataSet().First();
    }
    selectedText_ = DisplayField() ? DisplayField()->DisplayText() : std::string();
    accessibility_.Changed(*this);
}

void TDBLookupListBox::ListDataChanged() {
    if (ListReady()) {
        currentRow_ = ListLink().ActiveRecord();
        filledRows_ = ListLink().RecordCount();
        showsSelection_ = !SelectedKey().IsNull() || !ListDataSet().Bof();
    } else {
        currentRow_ = 0;
        filledRows_ = 0;
        showsSelection_ = false;
        // Without a bound list a drag has nothing left to move.
        StopMouseTracking();
    }
    RefreshScrollBar();
    viewport()->update();
    accessibility_.Changed(*this);
}

int TDBLookupListBox::ScrollBarPosition() const {
    if (filledRows_ != rowCount_) {
        return 0;
    }
    const TDataSet& dataSet = ListDataSet();
    return dataSet.Bof() ? 0 : dataSet.Eof() ? kScrollMaximum : kScrollMiddle;
}

void TDBLookupListBox::RefreshScrollBar() {
    QScrollBar* bar = verticalScrollBar();
    const int maximum = filledRows_ == rowCount_ ? kScrollMaximum : 0;
    if (bar->maximum() != maximum) {
        bar->setRange(0, maximum);
    }
    const int position = ScrollBarPosition();
    if (bar->value() != position || bar->sliderPosition() != position) {
        bar->setValue(position);
    }
}

void TDBLookupListBox::scrollContentsBy(int dx, int dy) {
    static_cast<void>(dx);
    static_cast<void>(dy);
}

// ---- Choosing rows ----

template <typename TRead>
auto TDBLookupListBox::ReadRow(int row, TRead read) const {
    ListLink().SetActiveRecord(row);
    struct TBack {
        const TDBLookupListBox& List;
        ~TBack() { List.ListLink().SetActiveRecord(List.currentRow_); }
    } back{*this};
    return read();
}

QString TDBLookupListBox::RowText(int row) const {
    return ReadRow(row, [this] {
        QStringList texts;
        for (const TField* field : ListFieldRefs()) {
            texts << ToQString(field->DisplayText());
        }
        return texts.join(QLatin1Char(' '));
    });
}

bool TDBLookupListBox::RowHighlighted(int row) const {
    return !SelectedKey().IsNull() &&
           ReadRow(row, [this] { return KeysEqual(KeyFieldRef()->Value(), SelectedKey()); });
}

QRect TDBLookupListBox::RowRect(int row) const {
    return QRect(0, row * RowHeight(), viewport()->width(), RowHeight());
}

int TDBLookupListBox::RowOfKey() {
    for (int row = 0; row < filledRows_; ++row) {
        if (RowHighlighted(row)) {
            return row;
        }
    }
    return -1;
}

void TDBLookupListBox::ChooseCurrent() {
    holdPosition_ = true;
    const TUndoGuard release([this] { holdPosition_ = false; });
    ChooseKey(KeyFieldRef()->Value());
}

void TDBLookupListBox::ChooseRowAt(int y) {
    y = std::clamp(y, 0, viewport()->height() - 1);
    ListLink().MoveBy(y / RowHeight() - currentRow_);
    ChooseCurrent();
}

}  // namespace kartei
