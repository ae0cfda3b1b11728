#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include "app/data/VorwahlData.h"
#include "lookup/WindowFont.h"
#include "lookup/support/ListFixture.h"

using namespace kartei;
using namespace kartei::lookuptest;

namespace {

// Both lists of the window over the shipped tables in city mode: the codes follow the chosen city.
class TShippedWindow : public nummerix::TVorwahlData {
public:
    TShippedWindow() : TVorwahlData(NUMMERIX_SHIPPED_DB) {
        SetTickSource(&Clock);
        SwitchTo(nummerix::TVorwahlMode::City);

        Window.setFont(WindowFont());
        Window.resize(440, 300);
        lbCity = MakeList(5, dsCity, "id", "City");
        lbAreaCode = MakeList(225, dsAreaCode, "city_id", "areacode");
        lbCity->OnClick = [this](QObject*) { ++Clicks; };
        Window.show();
        Window.activateWindow();
        if (!QTest::qWaitForWindowActive(&Window)) {
            qWarning("the test window did not become active");
        }
        lbCity->setFocus();
    }
    ~TShippedWindow() override {
        delete lbCity;
        delete lbAreaCode;
        SetTickSource(nullptr);
    }

    std::string City() const { return tblCity->FieldByName("City").AsString(); }
    void Key(QWidget* target, Qt::Key key, const QString& text = {}) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &event);
    }

    TFakeTicks Clock;
    QWidget Window;
    TTestListBox* lbCity = nullptr;
    TTestListBox* lbAreaCode = nullptr;
    int Clicks = 0;

private:
    TTestListBox* MakeList(int left, TDataSource* source, const char* key, const char* field) {
        auto* list = new TTestListBox(&Window);
        list->SetBounds(left, 19, 216, 225);
        list->SetListSource(source);
        list->SetKeyField(key);
        list->SetListField(field);
        return list;
    }
};

}  // namespace

class ShippedListsTest : public QObject {
    Q_OBJECT

private slots:
    void aListOfTheShippedCitiesShowsSeventeenRows() {
        TShippedWindow w;
        QCOMPARE(w.lbCity->RowCount(), 17);
        QCOMPARE(w.lbCity->height(), 225);
        QCOMPARE(w.lbCity->FilledRows(), 17);
        QCOMPARE(w.City(), std::string("Aachen"));
    }

    void pageDownMovesSixteenRecordsAndSelects() {
        TShippedWindow w;
        w.Key(w.lbCity, Qt::Key_Down);  // the first arrow selects where the list stands
        QCOMPARE(w.lbCity->SelectedKey(), TVariant(1));
        w.Key(w.lbCity, Qt::Key_PageDown);
        QCOMPARE(w.lbCity->SelectedKey(), TVariant(17));
        w.Key(w.lbCity, Qt::Key_End);
        QCOMPARE(w.lbCity->SelectedKey(), TVariant(5202));
        w.Key(w.lbCity, Qt::Key_Home);
        QCOMPARE(w.lbCity->SelectedKey(), TVariant(1));
    }

    void typingSelectsTheFirstCityWithThePrefix() {
        TShippedWindow w;
        const QString letters = QStringLiteral("Ber");
        for (const QChar letter : letters) {
            w.Key(w.lbCity, Qt::Key_unknown, QString(letter));
            w.Clock.Now += 500;
        }
        QCOMPARE(w.City(), std::string("Beratzhausen"));
        QCOMPARE(w.Clicks, 3);
        w.Clock.Now += 2500;  // a pause starts a new prefix
        w.Key(w.lbCity, Qt::Key_unknown, QStringLiteral("m"));
        QVERIFY(w.City().starts_with("M"));
    }

    void theCodeListHighlightsEveryCodeOfTheChosenCity() {
        TShippedWindow w;
        w.Key(w.lbCity, Qt::Key_unknown, QStringLiteral("A"));
        w.Key(w.lbCity, Qt::Key_unknown, QStringLiteral("a"));
        w.Key(w.lbCity, Qt::Key_unknown, QStringLiteral("l"));
        w.Key(w.lbCity, Qt::Key_unknown, QStringLiteral("e"));
        QCOMPARE(w.City(), std::string("Aalen"));
        const int32_t city = w.tblCity->FieldByName("id").AsInteger();
        QVERIFY(w.tblAreaCode->RecordCount() >= 1);
        w.lbAreaCode->SetSelectedKey(TVariant(city));
        QVERIFY(w.lbAreaCode->ShowsSelection());
        // Every filled row shares the key: each is painted highlighted.
        const QImage image = w.lbAreaCode->viewport()->grab().toImage();
        const QColor highlight = w.lbAreaCode->palette().color(QPalette::Highlight);
        for (int row = 0; row < w.lbAreaCode->FilledRows(); ++row) {
            QCOMPARE(image.pixelColor(image.width() - 4, row * 13 + 6), highlight);
        }
    }
};

QTEST_MAIN(ShippedListsTest)
#include "ShippedListsTest.moc"
