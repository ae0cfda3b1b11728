#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#include <QAccessible>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include "lookup/ListAccessible.h"
#include "lookup/support/CityData.h"
#include "lookup/support/ListFixture.h"

using namespace kartei;
using namespace kartei::lookuptest;

namespace {

QString City(int id) {
    const std::string_view name = CityNames()[static_cast<size_t>(id - 1)];
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

// Switches Qt's accessibility on or off, as a screen reader coming or going does.
void SetAccessibilityActive(bool active) {
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(active);
}

// Lets the list report what its last action changed.
void Settle() {
    QCoreApplication::processEvents();
}

// What assistive technology hears of one list: each event's type and row (-1: the list itself), and for
// state changes, which states changed.
class TEventLog {
public:
    struct TEntry {
        QAccessible::Event Type;
        int Row;
        QAccessible::State Changed;
    };

    // Listens from now on, so that a list made afterwards tells what it shows when it is shown.
    TEventLog() {
        current_ = this;
        previous_ = QAccessible::installUpdateHandler(&Record);
        SetAccessibilityActive(true);
    }
    ~TEventLog() {
        SetAccessibilityActive(false);
        QAccessible::installUpdateHandler(previous_);
        current_ = nullptr;
    }

    // The rows of the events of a type, in the order they came.
    QList<int> Rows(QAccessible::Event type) const {
        QList<int> rows;
        for (const TEntry& entry : Entries) {
            if (entry.Type == type) {
                rows << entry.Row;
            }
        }
        return rows;
    }
    void Clear() { Entries.clear(); }
    // From now on, records the events of this list only (what it told before is dropped).
    void Watch(const QWidget* list) {
        Settle();
        list_ = list;
        Clear();
    }
    // The states a state change of the row changed (none when there was none).
    QAccessible::State ChangedStates(int row) const {
        for (const TEntry& entry : Entries) {
            if (entry.Type == QAccessible::StateChanged && entry.Row == row) {
                return entry.Changed;
            }
        }
        return {};
    }

    QList<TEntry> Entries;

private:
    static void Record(QAccessibleEvent* event) {
        TEventLog& log = *current_;
        if (log.list_ == nullptr) {
            return;
        }
        if (event->object() == log.list_) {
            QAccessible::State changed;
            if (event->type() == QAccessible::StateChanged) {
                changed = static_cast<QAccessibleStateChangeEvent*>(event)->changedStates();
            }
            log.Entries.push_back({event->type(), event->child(), changed});
        } else if (const auto* row = dynamic_cast<TLookupRowAccessible*>(event->accessibleInterface())) {
            if (row->parent() == QAccessible::queryAccessibleInterface(const_cast<QWidget*>(log.list_))) {
                log.Entries.push_back({event->type(), row->Row(), {}});
            }
        }
    }

    static inline TEventLog* current_ = nullptr;
    const QWidget* list_ = nullptr;
    QAccessible::UpdateHandler previous_ = nullptr;
};

QList<int> Range(int from, int to) {
    QList<int> rows;
    for (int row = from; row <= to; ++row) {
        rows << row;
    }
    return rows;
}

}  // namespace

class ListAccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void theListShowsItsVisibleRowsAsItems() {
        TListWindow w;
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w.List);
        QVERIFY(list != nullptr);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->childCount(), 17);
        for (int row = 0; row < 17; ++row) {
            QAccessibleInterface* item = list->child(row);
            QCOMPARE(item->role(), QAccessible::ListItem);
            QCOMPARE(item->text(QAccessible::Name), City(row + 1));
            QCOMPARE(item->parent(), list);
            QCOMPARE(list->indexOfChild(item), row);
        }
        QCOMPARE(list->child(17), nullptr);

        // The rows move with the list: after End the items are the last places.
        w.Key(Qt::Key_End);
        const int count = static_cast<int>(CityNames().size());
        QCOMPARE(list->child(16)->text(QAccessible::Name), City(count));
        QCOMPARE(list->child(0)->text(QAccessible::Name), City(count - 16));

        const QRect second = list->child(1)->rect();
        QCOMPARE(second, QRect(w.List->viewport()->mapToGlobal(QPoint(0, 13)),
                               QSize(w.List->viewport()->width(), 13)));
        QCOMPARE(list->childAt(second.center().x(), second.center().y()), list->child(1));
    }

    void itemsTellTheCurrentAndTheHighlightedRows() {
        TListWindow w(MakeAreaCodes(), "city_id", "areacode");
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w.List);
        // No selection yet: the current row (the first) is active and, as the list has the focus, focused.
        QVERIFY(list->child(0)->state().active);
        QVERIFY(list->child(0)->state().focused);
        QVERIFY(!list->child(0)->state().selected);
        QCOMPARE(list->focusChild(), list->child(0));

        w.List->SetSelectedKey(TVariant(3));  // place 3 owns the codes on rows 2 and 3
        QCOMPARE(w.List->CurrentRow(), 2);
        for (int row = 0; row < 6; ++row) {
            QCOMPARE(list->child(row)->state().selected, row == 2 || row == 3);
            QCOMPARE(list->child(row)->state().active, row == 2);
        }
        QCOMPARE(list->focusChild(), list->child(2));

        auto* other = new QLineEdit(&w.Window);
        other->show();
        other->setFocus();
        QVERIFY(!list->child(2)->state().focused);
        QVERIFY(list->child(2)->state().active);
        QCOMPARE(list->focusChild(), nullptr);
    }

    void eventsFollowFocusCurrentRowAndSelection() {
        TEventLog events;
        TListWindow w;
        events.Watch(w.List);
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w.List);

        w.Key(Qt::Key_Down);  // no selection yet: selects the first record without a step
        Settle();
        QCOMPARE(events.Rows(QAccessible::SelectionAdd), QList<int>{0});
        QVERIFY(events.Rows(QAccessible::Focus).isEmpty());

        events.Clear();
        w.Key(Qt::Key_Down);
        Settle();
        QCOMPARE(events.Rows(QAccessible::SelectionRemove), QList<int>{0});
        QCOMPARE(events.Rows(QAccessible::SelectionAdd), QList<int>{1});
        QCOMPARE(events.Rows(QAccessible::StateChanged), (QList<int>{0, 1}));
        QVERIFY(events.Entries.last().Type == QAccessible::Focus);  // told once the row is selected
        QCOMPARE(events.Rows(QAccessible::Focus), QList<int>{1});

        // The scroll-bar arrow moves the current record one below the last row: every row shows the next
        // place, the highlight moves up with its record, and the focus goes to the new current record.
        events.Clear();
        w.List->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        Settle();
        QCOMPARE(w.CurrentKey(), 18);
        QCOMPARE(events.Rows(QAccessible::NameChanged), Range(0, 16));
        QCOMPARE(events.Rows(QAccessible::SelectionRemove), QList<int>{1});
        QCOMPARE(events.Rows(QAccessible::SelectionAdd), QList<int>{0});
        QCOMPARE(events.Rows(QAccessible::Focus), QList<int>{16});
        QCOMPARE(list->child(16)->text(QAccessible::Name), City(18));

        // Losing the focus: the current row is no longer focused, and nothing takes the focus in the list.
        events.Clear();
        auto* other = new QLineEdit(&w.Window);
        other->show();
        other->setFocus();
        Settle();
        QCOMPARE(events.Rows(QAccessible::StateChanged), QList<int>{16});
        QVERIFY(events.ChangedStates(16).focused);
        QVERIFY(events.Rows(QAccessible::Focus).isEmpty());
        events.Clear();
        w.List->setFocus();
        Settle();
        QCOMPARE(events.Rows(QAccessible::Focus).last(), 16);

        // Closing the list's dataset takes every row away; opening it brings them back.
        events.Clear();
        w.DataSet->Close();
        Settle();
        QCOMPARE(events.Rows(QAccessible::ObjectDestroyed), Range(0, 16));
        QCOMPARE(list->childCount(), 0);
        events.Clear();
        w.DataSet->Open();
        Settle();
        QCOMPARE(events.Rows(QAccessible::ObjectCreated), Range(0, 16));
        QCOMPARE(events.Rows(QAccessible::SelectionAdd), QList<int>{w.List->CurrentRow()});
    }
};

QTEST_MAIN(ListAccessibilityTest)
#include "ListAccessibilityTest.moc"
