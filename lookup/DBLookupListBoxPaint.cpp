#include <QPaintEvent>
#include <QPainter>

#include "lookup/DBLookupListBox.h"
#include "lookup/UiText.h"

namespace kartei {
namespace {

constexpr int kColumnPadding = 4;  // added to a column's width in characters
constexpr int kTextIndent = 2;     // left-aligned text from the column's left edge
constexpr int kRightIndent = 3;    // right-aligned text from the column's right edge

TAlignment Mirrored(TAlignment alignment) {
    switch (alignment) {
        case TAlignment::taLeftJustify:
            return TAlignment::taRightJustify;
        case TAlignment::taRightJustify:
            return TAlignment::taLeftJustify;
        case TAlignment::taCenter:
            break;
    }
    return alignment;
}

int TextOffset(TAlignment alignment, int columnWidth, int textWidth) {
    switch (alignment) {
        case TAlignment::taRightJustify:
            return columnWidth - textWidth - kRightIndent;
        case TAlignment::taCenter:
            return (columnWidth - textWidth) / 2;
        case TAlignment::taLeftJustify:
            break;
    }
    return kTextIndent;
}

void DrawFocusFrame(QPainter& painter, const QRect& rect, const QColor& color) {
    painter.setPen(QPen(color, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

}  // namespace

void TDBLookupListBox::paintEvent(QPaintEvent* event) {
    static_cast<void>(event);
    QPainter painter(viewport());
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int charWidth = metrics.horizontalAdvance(QLatin1Char('0'));
    const int rowHeight = metrics.height();
    for (int row = 0; row < rowCount_; ++row) {
        PaintRow(painter, row, charWidth, rowHeight);
    }
    if (filledRows_ > 0) {
        ListLink().SetActiveRecord(currentRow_);
    }
}

void TDBLookupListBox::PaintRow(QPainter& painter, int row, int charWidth, int rowHeight) {
    const QPalette& colors = palette();
    const QColor controlColor = colors.color(QPalette::Active, QPalette::Base);
    const QColor buttonFace = colors.color(QPalette::Active, QPalette::Button);
    const QColor separatorColor =
        controlColor == buttonFace ? colors.color(QPalette::Active, QPalette::Dark) : buttonFace;
    QColor textColor = colors.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text);
    QColor background = controlColor;
    bool focusFrame = !showsSelection_ && row == 0;

    const int clientWidth = viewport()->width();
    const QRect rect(0, row * rowHeight, clientWidth, rowHeight);
    if (row < filledRows_) {
        ListLink().SetActiveRecord(row);
        if (!SelectedKey().IsNull() && KeysEqual(KeyFieldRef()->Value(), SelectedKey())) {
            textColor = colors.color(QPalette::Active, QPalette::HighlightedText);
            background = colors.color(QPalette::Active, QPalette::Highlight);
            focusFrame = true;
        }
        const QFontMetrics metrics(painter.font());
        const std::vector<TField*>& fields = ListFieldRefs();
        const size_t last = fields.size() - 1;
        int left = 0;
        for (size_t k = 0; k <= last; ++k) {
            const TField& field = *fields[k];
            const int width =
                k < last ? field.DisplayWidth() * charWidth + kColumnPadding : clientWidth - left;
            const QString text = ToQString(field.DisplayText());
            const TAlignment alignment = isRightToLeft() ? Mirrored(field.Alignment()) : field.Alignment();
            const QRect column(left, rect.top(), width, rowHeight);
            painter.fillRect(column, background);
            painter.setClipRect(column);
            painter.setPen(textColor);
            painter.drawText(left + TextOffset(alignment, width, metrics.horizontalAdvance(text)),
                             rect.top() + metrics.ascent(), text);
            painter.setClipping(false);
            if (k == last) {
                break;
            }
            const int right = left + width;
            painter.setPen(separatorColor);
            painter.drawLine(right, rect.top(), right, rect.bottom());
            left = right + 1;
            if (left >= clientWidth) {
                break;
            }
        }
    } else {
        painter.fillRect(rect, background);
    }
    if (focusFrame && HasInputFocus()) {
        DrawFocusFrame(painter, rect, textColor);
    }
}

}  // namespace kartei
