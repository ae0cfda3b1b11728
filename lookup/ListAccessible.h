#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <vector>

namespace kartei {

class TDBLookupListBox;

// A lookup list box as assistive technology sees it: a list whose items are its filled rows, with their
// text, the highlighted rows selected and the current row active (and focused while the list has the
// focus). The items are the rows' places, not records: as the list scrolls, an item's text changes.
class TLookupListAccessible : public QAccessibleWidget {
public:
    explicit TLookupListAccessible(TDBLookupListBox* list);
    ~TLookupListAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    // The current row while the list has the focus.
    QAccessibleInterface* focusChild() const override;

    // The item of a row, also one no longer filled (for the event that says it went); null outside
    // 0 .. RowCount - 1.
    QAccessibleInterface* Row(int row) const;

private:
    TDBLookupListBox* List() const;

    // Registered item interfaces by row, made when first asked for.
    mutable std::vector<QAccessible::Id> rows_;
};

// One row of a lookup list box.
class TLookupRowAccessible : public QAccessibleInterface {
public:
    TLookupRowAccessible(TDBLookupListBox* list, int row) : list_(list), row_(row) {}

    bool isValid() const override { return !list_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text type) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;

    int Row() const { return row_; }

private:
    bool Filled() const;

    QPointer<TDBLookupListBox> list_;
    int row_;
};

}  // namespace kartei
