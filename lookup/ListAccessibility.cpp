#include "lookup/ListAccessibility.h"

#include <QAccessible>

#include "lookup/DBLookupListBox.h"
#include "lookup/ListAccessible.h"

namespace kartei {
namespace {

QAccessibleInterface* ListFactory(const QString& className, QObject* object) {
    static_cast<void>(className);
    if (auto* list = qobject_cast<TDBLookupListBox*>(object)) {
        return new TLookupListAccessible(list);
    }
    return nullptr;
}

void Send(TDBLookupListBox& list, QAccessible::Event type, int row) {
    QAccessibleEvent event(&list, type);
    event.setChild(row);
    QAccessible::updateAccessibility(&event);
}

void SendState(TDBLookupListBox& list, int row) {
    QAccessible::State changed;
    changed.active = true;
    changed.focused = true;
    QAccessibleStateChangeEvent event(&list, changed);
    event.setChild(row);
    QAccessible::updateAccessibility(&event);
}

}  // namespace

void InstallLookupAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ListFactory);
        return true;
    }();
    static_cast<void>(installed);
}

TListAccessibility::TRows TListAccessibility::Read(const TDBLookupListBox& list) {
    TRows rows;
    for (int row = 0; row < list.FilledRows(); ++row) {
        rows.Texts << list.RowText(row);
        rows.Highlighted.push_back(list.RowHighlighted(row));
    }
    rows.Current = list.FilledRows() > 0 ? list.CurrentRow() : -1;
    rows.Focused = list.HasInputFocus();
    return rows;
}

void TListAccessibility::Changed(TDBLookupListBox& list) {
    if (!QAccessible::isActive()) {
        announced_ = TRows();
        return;
    }
    if (!pending_) {
        pending_ = true;
        QMetaObject::invokeMethod(
            &list,
            [this, &list] {
                pending_ = false;
                Update(list);
            },
            Qt::QueuedConnection);
    }
}

void TListAccessibility::Update(TDBLookupListBox& list) {
    if (!QAccessible::isActive() || !list.isVisible()) {
        announced_ = TRows();
        return;
    }
    const TRows now = Read(list);
    ReportRows(list, now);
    ReportCurrent(list, now);
    announced_ = now;
}

void TListAccessibility::ReportRows(TDBLookupListBox& list, const TRows& now) const {
    const int before = static_cast<int>(announced_.Texts.size());
    const int after = static_cast<int>(now.Texts.size());
    if (after < before) {
        // The rows' items are no longer the list's children: the events name the items themselves.
        if (const auto* accessible =
                dynamic_cast<const TLookupListAccessible*>(QAccessible::queryAccessibleInterface(&list))) {
            for (int row = after; row < before; ++row) {
                QAccessibleEvent event(accessible->Row(row), QAccessible::ObjectDestroyed);
                QAccessible::updateAccessibility(&event);
            }
        }
    }
    for (int row = 0; row < after; ++row) {
        if (row >= before) {
            Send(list, QAccessible::ObjectCreated, row);
        } else if (now.Texts[row] != announced_.Texts[row]) {
            Send(list, QAccessible::NameChanged, row);
        }
        const bool was = row < before && announced_.Highlighted[static_cast<size_t>(row)];
        if (now.Highlighted[static_cast<size_t>(row)] != was) {
            Send(list, was ? QAccessible::SelectionRemove : QAccessible::SelectionAdd, row);
        }
    }
}

// The current record changes when another row becomes current and when the list scrolls under the current
// row; the focus when the list gains or loses it.
void TListAccessibility::ReportCurrent(TDBLookupListBox& list, const TRows& now) const {
    const bool otherRow = now.Current != announced_.Current;
    const bool otherRecord =
        otherRow || (now.Current >= 0 && now.Texts[now.Current] != announced_.Texts[now.Current]);
    if (!otherRecord && now.Focused == announced_.Focused) {
        return;
    }
    if (otherRow && announced_.Current >= 0 && announced_.Current < static_cast<int>(now.Texts.size())) {
        SendState(list, announced_.Current);
    }
    if (now.Current >= 0) {
        SendState(list, now.Current);
        if (now.Focused) {
            Send(list, QAccessible::Focus, now.Current);
        }
    }
}

}  // namespace kartei
