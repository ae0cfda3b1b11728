#pragma once

#include <QBasicTimer>
#include <string>

#include "lookup/DBLookupControl.h"
#include "lookup/ListAccessibility.h"

class QPainter;

namespace kartei {

enum class TBorderStyle { bsNone, bsSingle };

// The list presentation of the lookup control: a bordered window of RowCount rows, one record of the
// list dataset per row, always the list link's window of consecutive records around the dataset's
// current record. Rows whose key equals the selected key are highlighted. Keys, mouse and scroll bar
// move the list dataset's current record.
//
// The height always holds whole rows: SetBounds (and any resize) snaps it to BorderSize() plus a
// multiple of RowHeight(), and the row count follows it.
class TDBLookupListBox : public TDBLookupControl {
    Q_OBJECT

public:
    explicit TDBLookupListBox(QWidget* parent = nullptr);
    ~TDBLookupListBox() override;

    int RowCount() const { return rowCount_; }
    // 0 or less is taken as 1, more than 100 as 100.
    void SetRowCount(int count);
    // The display text of the displayed field at the current record, as of the last key change.
    const std::string& SelectedText() const { return selectedText_; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    // The sunken 3-D edge (on by default) instead of a plain one-pixel line, with the single border.
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool ctl3D);
    void SetBounds(int left, int top, int width, int height);

    int CurrentRow() const { return currentRow_; }
    int FilledRows() const { return filledRows_; }
    bool ShowsSelection() const { return showsSelection_; }

    // ---- The rows as painted, for assistive technology; row 0 .. FilledRows() - 1 ----
    // The displayed fields' texts, separated by blanks.
    QString RowText(int row) const;
    // Whether the row's key is the selected key, so that the row is highlighted.
    bool RowHighlighted(int row) const;
    // The row's rectangle in the viewport.
    QRect RowRect(int row) const;

    TNotifyEvent OnDblClick;

    static constexpr int kMaxRowCount = 100;
    // A notch of the mouse wheel scrolls as three clicks on the scroll bar's arrows do.
    static constexpr int kWheelLinesPerNotch = 3;

protected:
    void KeyChanged() override;
    void ListDataChanged() override;
    void BindListFields() override;

    // Auto-scroll state, for tests of the timer.
    bool MouseTracking() const { return mouseTracking_; }
    bool ScrollTimerOn() const { return scrollTimerOn_; }
    int ScrollTimerId() const { return scrollTimer_.timerId(); }
    int ScrollInterval() const { return scrollInterval_; }
    // The platform took the mouse away (the window lost activation, the list was hidden).
    void CancelMode() { StopMouseTracking(); }

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Rows are painted from the dataset; the scroll bar never shifts pixels.
    void scrollContentsBy(int dx, int dy) override;

private:
    enum class TScrollRequest { LineUp, LineDown, PageUp, PageDown, Top, Bottom, ThumbReleased, None };

    void ApplyFrame();
    void RefreshScrollBar();
    int ScrollBarPosition() const;
    int RowOfKey();
    // Reads from the list link pointed at the row, and points it back at the current row.
    template <typename TRead>
    auto ReadRow(int row, TRead read) const;
    void ChooseCurrent();
    void ChooseRowAt(int y);
    void StepByKey(int key);
    void LeftButtonDown(int y, bool doubleClick);
    void AutoScrollStep();
    void StopAutoScroll();
    void StopMouseTracking();
    void ScrollBarAction(int action);
    void Scroll(TScrollRequest request, int thumbPosition = 0);
    void MoveForScroll(TScrollRequest request, int thumbPosition);
    void PaintRow(QPainter& painter, int row, int charWidth, int rowHeight);

    int rowCount_ = 7;
    std::string selectedText_;
    TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
    bool ctl3D_ = true;
    int currentRow_ = 0;
    int filledRows_ = 0;
    bool showsSelection_ = false;
    bool holdPosition_ = false;
    bool mouseTracking_ = false;
    bool scrollTimerOn_ = false;
    int lastMouseY_ = 0;
    QBasicTimer scrollTimer_;  // the window timer number 1 of the auto-scroll
    int scrollInterval_ = 0;
    int thumbPosition_ = 0;  // where the scroll-bar thumb is being dragged
    int wheelDelta_ = 0;     // the part of a wheel notch not yet scrolled
    TListAccessibility accessibility_;
};

}  // namespace kartei
