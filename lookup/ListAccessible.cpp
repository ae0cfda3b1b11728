#include "lookup/ListAccessible.h"

#include <QWidget>
#include <QWindow>

#include "lookup/DBLookupListBox.h"

namespace kartei {

TLookupListAccessible::TLookupListAccessible(TDBLookupListBox* list)
    : QAccessibleWidget(list, QAccessible::List) {}

TLookupListAccessible::~TLookupListAccessible() {
    for (const QAccessible::Id id : rows_) {
        QAccessible::deleteAccessibleInterface(id);
    }
}

TDBLookupListBox* TLookupListAccessible::List() const {
    return static_cast<TDBLookupListBox*>(widget());
}

QAccessibleInterface* TLookupListAccessible::Row(int row) const {
    if (row < 0 || row >= TDBLookupListBox::kMaxRowCount) {
        return nullptr;
    }
    while (static_cast<int>(rows_.size()) <= row) {
        rows_.push_back(QAccessible::registerAccessibleInterface(
            new TLookupRowAccessible(List(), static_cast<int>(rows_.size()))));
    }
    return QAccessible::accessibleInterface(rows_[static_cast<size_t>(row)]);
}

int TLookupListAccessible::childCount() const {
    return List()->FilledRows();
}

QAccessibleInterface* TLookupListAccessible::child(int index) const {
    return index >= 0 && index < childCount() ? Row(index) : nullptr;
}

int TLookupListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* row = dynamic_cast<const TLookupRowAccessible*>(child);
    if (row == nullptr || row->parent() != this || row->Row() >= childCount()) {
        return -1;
    }
    return row->Row();
}

QAccessibleInterface* TLookupListAccessible::childAt(int x, int y) const {
    const QPoint at = List()->viewport()->mapFromGlobal(QPoint(x, y));
    for (int row = 0; row < childCount(); ++row) {
        if (List()->RowRect(row).contains(at)) {
            return Row(row);
        }
    }
    return nullptr;
}

QAccessibleInterface* TLookupListAccessible::focusChild() const {
    if (!List()->HasInputFocus()) {
        return nullptr;
    }
    return child(List()->CurrentRow());
}

// ---- Rows ----

bool TLookupRowAccessible::Filled() const {
    return isValid() && row_ < list_->FilledRows();
}

QWindow* TLookupRowAccessible::window() const {
    return isValid() ? list_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* TLookupRowAccessible::parent() const {
    return isValid() ? QAccessible::queryAccessibleInterface(list_.data()) : nullptr;
}

QString TLookupRowAccessible::text(QAccessible::Text type) const {
    return type == QAccessible::Name && Filled() ? list_->RowText(row_) : QString();
}

QRect TLookupRowAccessible::rect() const {
    if (!Filled()) {
        return {};
    }
    const QRect row = list_->RowRect(row_);
    return QRect(list_->viewport()->mapToGlobal(row.topLeft()), row.size());
}

QAccessible::State TLookupRowAccessible::state() const {
    QAccessible::State state;
    if (!Filled()) {
        state.invalid = true;
        return state;
    }
    state.selectable = true;
    state.focusable = true;
    state.selected = list_->RowHighlighted(row_);
    const bool current = row_ == list_->CurrentRow();
    state.active = current;
    state.focused = current && list_->HasInputFocus();
    return state;
}

}  // namespace kartei
