#include <QScrollBar>
#include <QTest>

#include "lookup/support/ListFixture.h"

using namespace kartei;
using namespace kartei::lookuptest;

namespace {

// The first `count` places, as a list dataset.
std::unique_ptr<TMemoryDataSet> FewCities(int count) {
    auto dataSet = std::make_unique<TMemoryDataSet>(
        nullptr, std::vector<TColumn>{{"id", TFieldType::ftInteger}, {"City", TFieldType::ftString, 200}});
    for (int id = 1; id <= count; ++id) {
        dataSet->AddRow({id, "Ort " + std::to_string(id)});
    }
    return dataSet;
}

// The colour of the list's client area at the right end of a row, where no text reaches.
QColor RowColour(TTestListBox& list, int row) {
    const QImage image = list.viewport()->grab().toImage();
    return image.pixelColor(image.width() - 4, row * 13 + 6);
}

void SendMouse(QWidget* target, QEvent::Type type, int y, Qt::MouseButton button, Qt::MouseButtons buttons) {
    const QPointF at(20, y);
    QMouseEvent event(type, at, target->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// One turn of the wheel by `delta` eighths of a degree (120: one notch away from the user).
bool SendWheel(QWidget* target, int delta) {
    const QPointF at(5, 20);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

}  // namespace

class DBLookupListBoxTest : public QObject {
    Q_OBJECT

private slots:
    void windowFontGivesSeventeenRowsIn225Pixels() {
        TListWindow w;
        QCOMPARE(w.List->RowHeight(), 13);
        QCOMPARE(w.List->BorderSize(), 4);
        QCOMPARE(w.List->RowCount(), 17);
        QCOMPARE(w.List->height(), 225);
        QCOMPARE(w.List->viewport()->height(), 17 * 13);
        QCOMPARE(w.List->FilledRows(), 17);
    }

    void heightSnapsToWholeRowsAndRowCountIsBounded() {
        TListWindow w;
        w.List->SetBounds(5, 19, 216, 230);  // (230 - 4) div 13 = 17 rows
        QCOMPARE(w.List->RowCount(), 17);
        QCOMPARE(w.List->height(), 225);
        w.List->SetRowCount(0);
        QCOMPARE(w.List->RowCount(), 1);
        QCOMPARE(w.List->height(), 13 + 4);
        QCOMPARE(w.List->FilledRows(), 1);
        w.List->SetRowCount(500);
        QCOMPARE(w.List->RowCount(), 100);
        QCOMPARE(w.List->height(), 100 * 13 + 4);
        w.List->SetBorderStyle(TBorderStyle::bsNone);
        QCOMPARE(w.List->height(), 100 * 13);
    }

    void opensOnFirstRecordWithoutSelection() {
        TListWindow w;
        QCOMPARE(w.CurrentKey(), 1);
        QCOMPARE(w.List->CurrentRow(), 0);
        QVERIFY(w.List->SelectedKey().IsNull());
        QVERIFY(!w.List->ShowsSelection());
        QCOMPARE(w.List->SelectedText(), std::string("Aachen"));
    }

    void firstArrowSelectsWhereTheKeyLeads() {
        TListWindow w;
        w.Key(Qt::Key_Down);  // no selection: the first record, no step
        QCOMPARE(w.List->SelectedKey(), TVariant(1));
        QCOMPARE(w.Clicks, 1);
        w.List->SetSelectedKey(TVariant(100));
        w.DataSet->First();  // the selection leaves the visible rows
        w.Key(Qt::Key_Down);
        QCOMPARE(w.CurrentKey(), 100);
        QCOMPARE(w.List->SelectedKey(), TVariant(100));
        w.Key(Qt::Key_Down);
        QCOMPARE(w.List->SelectedKey(), TVariant(101));
        w.Key(Qt::Key_Left);
        w.Key(Qt::Key_Up);
        QCOMPARE(w.List->SelectedKey(), TVariant(99));
    }

    void pageDownMovesSixteenRowsAndSelects() {
        TListWindow w;
        w.Key(Qt::Key_Down);
        w.Key(Qt::Key_PageDown);
        QCOMPARE(w.CurrentKey(), 17);
        QCOMPARE(w.List->SelectedKey(), TVariant(17));
        QCOMPARE(w.List->CurrentRow(), 16);
        w.Key(Qt::Key_PageDown);
        QCOMPARE(w.List->SelectedKey(), TVariant(33));
        w.Key(Qt::Key_PageUp);
        QCOMPARE(w.List->SelectedKey(), TVariant(17));
        QCOMPARE(w.List->CurrentRow(), 0);
    }

    void homeAndEndGoToTheEnds() {
        TListWindow w;
        const int last = w.DataSet->StoredCount();
        w.Key(Qt::Key_End);
        QCOMPARE(w.List->SelectedKey(), TVariant(last));
        QCOMPARE(w.List->CurrentRow(), 16);
        QCOMPARE(w.List->verticalScrollBar()->value(), 4);
        w.Key(Qt::Key_Home);
        QCOMPARE(w.List->SelectedKey(), TVariant(1));
        QCOMPARE(w.List->CurrentRow(), 0);
        QCOMPARE(w.List->verticalScrollBar()->value(), 0);
    }

    void readOnlyListDoesNotMove() {
        TListWindow w;
        w.List->SetReadOnly(true);
        w.Key(Qt::Key_End);
        QCOMPARE(w.CurrentKey(), 1);
        QVERIFY(w.List->SelectedKey().IsNull());
    }

    void clickBelowLastFilledRowSelectsLastRecord() {
        TListWindow w(FewCities(5));
        w.Click(200);
        QCOMPARE(w.List->SelectedKey(), TVariant(5));
        QCOMPARE(w.Clicks, 2);  // button down and button up each choose the row
        w.Click(13 + 6);        // row 1
        QCOMPARE(w.List->SelectedKey(), TVariant(2));
        QVERIFY(!w.List->MouseTracking());
    }

    void doubleClickOnCurrentRowRaisesEvent() {
        TListWindow w;
        int doubleClicks = 0;
        w.List->OnDblClick = [&](QObject*) { ++doubleClicks; };
        QWidget* client = w.List->viewport();
        const int y = 2 * 13 + 3;
        SendMouse(client, QEvent::MouseButtonPress, y, Qt::LeftButton, Qt::LeftButton);
        SendMouse(client, QEvent::MouseButtonRelease, y, Qt::LeftButton, Qt::NoButton);
        SendMouse(client, QEvent::MouseButtonDblClick, y, Qt::LeftButton, Qt::LeftButton);
        SendMouse(client, QEvent::MouseButtonRelease, y, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(w.List->SelectedKey(), TVariant(3));
        QCOMPARE(doubleClicks, 1);
        // On another row than the current one the double click does nothing.
        SendMouse(client, QEvent::MouseButtonDblClick, 5 * 13, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(doubleClicks, 1);
    }

    void dragAboveListScrollsOneRecordPerTick() {
        TListWindow w;
        w.List->SetSelectedKey(TVariant(1000));  // refilled with 1000 in the middle row
        QCOMPARE(w.List->CurrentRow(), 8);
        QWidget* client = w.List->viewport();
        SendMouse(client, QEvent::MouseButtonPress, 8 * 13 + 5, Qt::LeftButton, Qt::LeftButton);
        QVERIFY(w.List->MouseTracking());
        QCOMPARE(w.List->SelectedKey(), TVariant(1000));
        // 10 pixels above: onto the top row (992), then one record further up.
        SendMouse(client, QEvent::MouseMove, -10, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w.List->SelectedKey(), TVariant(991));
        QVERIFY(w.List->ScrollTimerOn());
        QCOMPARE(w.List->ScrollInterval(), 200 - 15 * 10);
        for (int tick = 1; tick <= 3; ++tick) {
            QTimerEvent timer(w.List->ScrollTimerId());
            QApplication::sendEvent(w.List, &timer);
            QCOMPARE(w.List->SelectedKey(), TVariant(991 - tick));
            QCOMPARE(w.List->CurrentRow(), 0);
        }
        SendMouse(client, QEvent::MouseMove, -20, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w.List->ScrollInterval(), 0);
        // Back inside: the timer stops.
        SendMouse(client, QEvent::MouseMove, 5 * 13, Qt::NoButton, Qt::LeftButton);
        QVERIFY(!w.List->ScrollTimerOn());
        SendMouse(client, QEvent::MouseButtonRelease, 5 * 13, Qt::LeftButton, Qt::NoButton);
        QVERIFY(!w.List->MouseTracking());
    }

    void dragBelowScrollsDownAndCancelModeStops() {
        TListWindow w;
        QWidget* client = w.List->viewport();
        SendMouse(client, QEvent::MouseButtonPress, 5, Qt::LeftButton, Qt::LeftButton);
        SendMouse(client, QEvent::MouseMove, 17 * 13 + 2, Qt::NoButton, Qt::LeftButton);  // distance 3
        QCOMPARE(w.List->SelectedKey(), TVariant(18));
        QCOMPARE(w.List->ScrollInterval(), 200 - 15 * 3);
        w.List->CancelMode();
        QVERIFY(!w.List->MouseTracking());
        QVERIFY(!w.List->ScrollTimerOn());
    }

    void scrollBarMovesRecordNotSelection() {
        TListWindow w;
        w.List->SetSelectedKey(TVariant(1000));
        QScrollBar* bar = w.List->verticalScrollBar();
        QCOMPARE(bar->maximum(), 4);
        QCOMPARE(bar->value(), 2);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // one below the last row (1008)
        QCOMPARE(w.CurrentKey(), 1009);
        QCOMPARE(w.List->CurrentRow(), 16);
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);  // one above the first row (993)
        QCOMPARE(w.CurrentKey(), 992);
        QCOMPARE(w.List->CurrentRow(), 0);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(w.CurrentKey(), 992 + 32);
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(w.CurrentKey(), 992);
        QCOMPARE(bar->value(), 2);
        QCOMPARE(w.List->SelectedKey(), TVariant(1000));
        QCOMPARE(w.Clicks, 0);
        QCOMPARE(RowColour(*w.List, 8), w.List->palette().color(QPalette::Active, QPalette::Highlight));
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(w.CurrentKey(), w.DataSet->StoredCount());
        QCOMPARE(bar->value(), 4);
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(w.CurrentKey(), 1);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(w.List->SelectedKey(), TVariant(1000));
    }

    void wheelNotchScrollsThreeLinesAsTheArrowsDo() {
        TListWindow w;
        w.Type('B');
        QCOMPARE(w.List->SearchPrefix(), std::string("B"));
        w.List->SetSelectedKey(TVariant(1000));  // rows 992 to 1008, the current record on row 8
        QVERIFY(SendWheel(w.List->viewport(), -120));
        // Three lines down: one below the last row (1009), then one further each time.
        QCOMPARE(w.CurrentKey(), 1011);
        QCOMPARE(w.List->CurrentRow(), 16);
        QVERIFY(w.List->SearchPrefix().empty());
        QVERIFY(SendWheel(w.List->viewport(), 120));
        // Three lines up: one above the first row (995 - 1), then one further each time.
        QCOMPARE(w.CurrentKey(), 992);
        QCOMPARE(w.List->CurrentRow(), 0);
        QCOMPARE(w.List->SelectedKey(), TVariant(1000));
        QCOMPARE(w.Clicks, 1);  // the typed "B" only
        QCOMPARE(w.List->verticalScrollBar()->value(), 2);
    }

    void partsOfANotchAddUpAndTheBarTakesTheWheelToo() {
        TListWindow w;
        w.List->SetSelectedKey(TVariant(1000));
        w.DataSet->MoveBy(-8);  // 992 on row 0
        QVERIFY(SendWheel(w.List->viewport(), 40));
        QVERIFY(SendWheel(w.List->viewport(), 40));
        QCOMPARE(w.CurrentKey(), 992);
        QVERIFY(SendWheel(w.List->viewport(), 50));  // a whole notch and 10 over
        QCOMPARE(w.CurrentKey(), 989);
        QVERIFY(SendWheel(w.List->viewport(), -10));  // back to no remainder: nothing moves
        QVERIFY(SendWheel(w.List->viewport(), -110));
        QCOMPARE(w.CurrentKey(), 989);
        QVERIFY(SendWheel(w.List->viewport(), -10));  // a notch down: 989 + 17, then two more
        QCOMPARE(w.CurrentKey(), 1008);
        QScrollBar* bar = w.List->verticalScrollBar();
        QVERIFY(SendWheel(bar, 120));  // one above the first row (991), then two further
        QCOMPARE(w.CurrentKey(), 989);
        QCOMPARE(bar->value(), 2);
        QCOMPARE(w.List->SelectedKey(), TVariant(1000));
    }

    void wheelWithEveryRecordShownIsLeftToTheParent() {
        TListWindow w(FewCities(5));
        QVERIFY(!SendWheel(w.List->viewport(), -120));
        QCOMPARE(w.CurrentKey(), 1);
        QCOMPARE(w.List->CurrentRow(), 0);
    }

    void thumbReleasedAtEndGoesToLast() {
        TListWindow w;
        QScrollBar* bar = w.List->verticalScrollBar();
        bar->setSliderDown(true);
        bar->setSliderPosition(4);
        bar->setSliderDown(false);
        QCOMPARE(w.CurrentKey(), w.DataSet->StoredCount());
        QCOMPARE(bar->value(), 4);
        bar->setSliderDown(true);
        bar->setSliderPosition(2);  // the middle: no move
        bar->setSliderDown(false);
        QCOMPARE(w.CurrentKey(), w.DataSet->StoredCount());
        QCOMPARE(bar->value(), 4);
    }

    void fewRecordsHideBarAndPaintEmptyRowsInBackground() {
        TListWindow w(FewCities(5));
        QPalette colours = w.List->palette();
        colours.setColor(QPalette::Base, QColor(10, 200, 30));
        w.List->setPalette(colours);
        w.List->SetSelectedKey(TVariant(2));
        QCOMPARE(w.List->FilledRows(), 5);
        QCOMPARE(w.List->verticalScrollBar()->maximum(), 0);
        QVERIFY(!w.List->verticalScrollBar()->isVisible());
        for (int row = 5; row < 17; ++row) {
            QCOMPARE(RowColour(*w.List, row), QColor(10, 200, 30));
        }
        QCOMPARE(RowColour(*w.List, 0), QColor(10, 200, 30));
        QCOMPARE(RowColour(*w.List, 1), colours.color(QPalette::Active, QPalette::Highlight));
    }

    void fullListShowsBar() {
        TListWindow w;
        QVERIFY(w.List->verticalScrollBar()->isVisible());
        QCOMPARE(w.List->verticalScrollBar()->maximum(), 4);
    }

    void detailListHighlightsEveryRowOfTheKey() {
        TListWindow w(MakeAreaCodes(), "city_id", "areacode");
        // Codes of place 1 (two), place 3 (two), then place 5: the window starts at the first record.
        w.List->SetSelectedKey(TVariant(3));
        QCOMPARE(w.CurrentKey(), 3);
        QCOMPARE(w.List->CurrentRow(), 2);
        const QColor highlight = w.List->palette().color(QPalette::Active, QPalette::Highlight);
        QVERIFY(RowColour(*w.List, 1) != highlight);
        QCOMPARE(RowColour(*w.List, 2), highlight);
        QCOMPARE(RowColour(*w.List, 3), highlight);
        QVERIFY(RowColour(*w.List, 4) != highlight);
    }

    void closingEmptiesAndReopeningReturnsToSelection() {
        TListWindow w;
        w.List->SetSelectedKey(TVariant(2500));
        w.DataSet->Close();
        QVERIFY(!w.List->ListReady());
        QCOMPARE(w.List->FilledRows(), 0);
        QCOMPARE(w.List->verticalScrollBar()->maximum(), 0);
        w.DataSet->Open();
        QCOMPARE(w.CurrentKey(), 2500);
        QCOMPARE(w.List->SelectedKey(), TVariant(2500));
    }
};

QTEST_MAIN(DBLookupListBoxTest)
#include "DBLookupListBoxTest.moc"
