#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>
#include <iostream>
#include <sstream>

#include "app/HintSwitch.h"
#include "app/ImageControl.h"
#include "app/Timer.h"
#include "app/support/AppTest.h"
#include "app/support/CodeRows.h"
#include "app/support/WindowFixture.h"
#include "dataset/framework/DataSet.h"

using namespace nummerix;
using namespace nummerix::apptest;

namespace {

QString ClipboardText() {
    return QGuiApplication::clipboard()->text();
}

// Answers the next modal message box with the button of that caption (or Escape for an empty one) and
// keeps what the box showed.
struct TBoxAnswer {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QStringList Buttons;
    QString DefaultButton;

    void Answer(const QString& caption) {
        QTimer::singleShot(0, [this, caption] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            Title = box->windowTitle();
            Text = box->text();
            Icon = box->icon();
            for (QAbstractButton* button : box->buttons()) {
                Buttons << button->text();
            }
            DefaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
            if (caption.isEmpty()) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == caption) {
                    button->click();
                }
            }
        });
    }
};

// What goes to standard error while it lives.
class TStandardErrorCapture {
public:
    TStandardErrorCapture() : previous_(std::cerr.rdbuf(captured_.rdbuf())) {}
    ~TStandardErrorCapture() { std::cerr.rdbuf(previous_); }
    std::string Text() const { return captured_.str(); }

private:
    std::ostringstream captured_;
    std::streambuf* previous_;
};

// Keeps a picture of the window, as the user sees it once pending layout work is done, in the build tree.
void SaveScreenshot(QWidget& window, const QString& name) {
    QApplication::processEvents();
    const QString folder = QStringLiteral(NUMMERIX_SHIPPED_DB "/../artifacts");
    QDir().mkpath(folder);
    QVERIFY(window.grab().save(QDir(folder).absoluteFilePath(name)));
}

}  // namespace

class VorwahlWindowTest : public QObject {
    Q_OBJECT

private slots:
    void declaresTheWindowAndItsControls() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Stadt/Vorwahl - Zuordnung Deutschland"));
        QCOMPARE(QApplication::applicationDisplayName(), QStringLiteral("Nummerix"));
        QCOMPARE(w.centralWidget()->size(), QSize(314, 294));
        QCOMPARE(w.lbCity->geometry(), QRect(5, 19, 216, 225));
        QCOMPARE(w.lbAreaCode->geometry(), QRect(222, 19, 85, 225));
        QCOMPARE(w.lbCity->RowCount(), 17);
        QCOMPARE(w.btnEnd->geometry(), QRect(5, 254, 25, 25));
        QCOMPARE(w.Image1->geometry(), QRect(103, 245, 120, 49));
        QCOMPARE(w.Image1->pixmap().size(), QSize(120, 49));
        QCOMPARE(w.Image1->toolTip(), QStringLiteral("https://quolt.example/"));
        QCOMPARE(w.Image1->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(w.lbCity->toolTip(), QStringLiteral("zum Suchen anklicken und tippen"));
        QCOMPARE(w.lbAreaCode->toolTip(), QStringLiteral("zum Suchen anklicken und tippen"));
        QCOMPARE(w.btnEnd->toolTip(), QStringLiteral("Anwendung beenden"));
        QVERIFY(w.btnEnd->text().isEmpty());
        QCOMPARE(w.btnEnd->iconSize(), QSize(18, 18));
        QVERIFY(!w.btnEnd->icon().pixmap(18, 18, QIcon::Normal).isNull());
        QVERIFY(!w.btnEnd->icon().pixmap(18, 18, QIcon::Disabled).isNull());
        QCOMPARE(w.edFilter->geometry(), QRect(5, 0, 216, 19));  // moved over the entered city list
        QVERIFY(!w.edFilter->isVisible());
        QVERIFY(w.edFilter->isReadOnly());
        QVERIFY(!w.edFilter->hasFrame());
        QCOMPARE(w.edFilter->focusPolicy(), Qt::NoFocus);
        QVERIFY(!w.tmKey->Enabled());
        QCOMPARE(w.tmKey->Interval(), 2000);
    }

    void carriesTheInstalledIconAndNamesItsDesktopEntry() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        const QDir desktop(QStringLiteral(NUMMERIX_SOURCE_DIR "/app/desktop"));
        const QString id = QGuiApplication::desktopFileName();
        QVERIFY2(desktop.exists(id + QStringLiteral(".desktop.in")), qPrintable(id));
        const QImage installed =
            QIcon(desktop.filePath(id + QStringLiteral(".svg"))).pixmap(48, 48).toImage();
        QVERIFY(!installed.isNull());
        QCOMPARE(w.windowIcon().pixmap(48, 48).toImage(), installed);
        // The boxes and dialogs carry it too.
        QCOMPARE(QApplication::windowIcon().pixmap(48, 48).toImage(), installed);
        // The window class (the application name) is the one the entry names.
        QFile entry(desktop.filePath(id + QStringLiteral(".desktop.in")));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(entry.readAll())
                    .contains(QStringLiteral("\nStartupWMClass=") + QApplication::applicationName() + "\n"));
    }

    void controlsHaveAccessibleNamesAndDescriptions() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        const auto text = [](QWidget* widget, QAccessible::Text which) {
            return QAccessible::queryAccessibleInterface(widget)->text(which);
        };
        QCOMPARE(text(w.edFilter, QAccessible::Name), QStringLiteral("Suchtext"));
        QCOMPARE(text(w.edFilter, QAccessible::Description),
                 QStringLiteral("die in die Liste getippten Zeichen"));
        QCOMPARE(text(w.btnEnd, QAccessible::Name), QStringLiteral("Beenden"));
        QCOMPARE(text(w.btnEnd, QAccessible::Description), QStringLiteral("Anwendung beenden"));
        QCOMPARE(QAccessible::queryAccessibleInterface(w.btnEnd)->role(), QAccessible::Button);
        QCOMPARE(text(w.Image1, QAccessible::Name), QStringLiteral("Quolt-Logo"));
        QCOMPARE(text(w.Image1, QAccessible::Description),
                 QStringLiteral("Anklicken, um die Quolt-Website aufzurufen"));
        QCOMPARE(text(w.lbCity, QAccessible::Name), QStringLiteral("Stadt"));
        QCOMPARE(text(w.lbAreaCode, QAccessible::Name), QStringLiteral("Vorwahl"));
        QCOMPARE(text(w.lbCity, QAccessible::Description), QStringLiteral("zum Suchen anklicken und tippen"));

        // The lists read as lists of their rows.
        f.Type(w.lbCity, QStringLiteral("Berlin"));
        QAccessibleInterface* cities = QAccessible::queryAccessibleInterface(w.lbCity);
        QCOMPARE(cities->role(), QAccessible::List);
        QCOMPARE(cities->childCount(), 17);
        QAccessibleInterface* current = cities->child(w.lbCity->CurrentRow());
        QCOMPARE(current->text(QAccessible::Name), QStringLiteral("Berlin"));
        QVERIFY(current->state().selected);
        QCOMPARE(cities->focusChild(), current);
        QAccessibleInterface* codes = QAccessible::queryAccessibleInterface(w.lbAreaCode);
        QCOMPARE(codes->childCount(), CodesOf(QStringLiteral("Berlin")).size());
        QCOMPARE(codes->child(0)->text(QAccessible::Name), CodesOf(QStringLiteral("Berlin")).first());
    }

    void menusCarryTheirCaptionsAndStates() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        QStringList menus;
        for (QAction* action : w.MainMenu1->actions()) {
            menus << action->text();
        }
        QCOMPARE(menus, (QStringList{"&Datei", "Bearbeiten", "&Optionen"}));
        QCOMPARE(w.Datei1->actions(), (QList<QAction*>{w.Exportieren1, w.N1, w.Beenden1}));
        QCOMPARE(w.Exportieren1->text(), QStringLiteral("&Exportieren"));
        QVERIFY(w.Exportieren1->isVisible() && !w.Exportieren1->isEnabled());
        QVERIFY(w.N1->isSeparator());
        QCOMPARE(w.Beenden1->text(), QStringLiteral("&Beenden"));
        QCOMPARE(w.Kopieren1->text(), QStringLiteral("&Kopieren"));
        QCOMPARE(w.Hilfetexte1->text(), QStringLiteral("&Hinweise"));
        QCOMPARE(w.EintragindieZwischenablage1->text(), QStringLiteral("Eintrag in die Zwischenablage"));
        QCOMPARE(w.lbCity->contextMenuPolicy(), Qt::CustomContextMenu);
    }

    void cannotBeResizedOrMaximised() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(w.minimumSize(), w.maximumSize());
        const QSize before = w.size();
        w.resize(before + QSize(100, 100));
        QCOMPARE(w.size(), before);
    }

    void startsInCityModeOnTheFirstCity() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        QCOMPARE(QApplication::focusWidget(), w.lbCity);
        QCOMPARE(w.tblAreaCode->MasterSource(), w.dsCity);
        QCOMPARE(w.tblAreaCode->IndexName(), std::string("city_id"));
        QCOMPARE(w.tblCity->MasterSource(), nullptr);
        QCOMPARE(w.tblCity->IndexName(), std::string());  // natural record order until the first switch
        QCOMPARE(TWindowFixture::Integer(w.tblCity, "id"), 1);
        QCOMPARE(w.lbCity->CurrentRow(), 0);
        QCOMPARE(w.lbCity->FilledRows(), 17);
        const QString city = TWindowFixture::Text(w.tblCity, "City");
        const QStringList codes = CodesOf(city);
        QVERIFY(!codes.isEmpty());
        QCOMPARE(w.lbAreaCode->FilledRows(), codes.size());
        QCOMPARE(TWindowFixture::Integer(w.tblAreaCode, "city_id"), 1);
        QCOMPARE(TWindowFixture::Text(w.tblAreaCode, "areacode"), codes.first());
    }

    void tabbingToTheCodesShowsAllCodesAscendingAndTheOwningCity() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        f.Tab();
        QCOMPARE(QApplication::focusWidget(), w.lbAreaCode);
        QCOMPARE(w.tblAreaCode->MasterSource(), nullptr);
        QCOMPARE(w.tblAreaCode->IndexName(), std::string("areacode"));
        QCOMPARE(w.tblCity->MasterSource(), w.dsAreaCode);
        QCOMPARE(w.tblCity->MasterFields(), std::string("city_id"));
        QCOMPARE(w.tblCity->IndexName(), std::string("id"));
        QCOMPARE(w.edFilter->geometry(), QRect(222, 0, 85, 19));

        QStringList expected;
        for (const TCodeRow& row : CodeRows()) {
            expected << row.AreaCode;
        }
        expected.sort();
        QCOMPARE(TWindowFixture::Text(w.tblAreaCode, "areacode"), expected.first());
        QCOMPARE(w.lbCity->FilledRows(), 1);
        QCOMPARE(TWindowFixture::Text(w.tblCity, "City"), CityOf(expected.first()));

        w.tblAreaCode->DisableControls();
        const QStringList shown = TWindowFixture::Column(w.tblAreaCode, "areacode");
        w.tblAreaCode->EnableControls();
        QCOMPARE(shown, expected);
        // Standing on the last code, the city list shows exactly its city.
        QCOMPARE(w.lbCity->FilledRows(), 1);
        QCOMPARE(TWindowFixture::Text(w.tblCity, "City"), CityOf(expected.last()));
    }

    void tabbingBackReturnsToTheCityLastChosen() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        f.Type(w.lbCity, QStringLiteral("Ber"));
        const int chosen = TWindowFixture::Integer(w.tblCity, "id");
        QVERIFY(TWindowFixture::Text(w.tblCity, "City").startsWith(QStringLiteral("Ber")));
        QCOMPARE(w.lbCity->SelectedKey(), kartei::TVariant(chosen));

        f.Tab();
        f.Type(w.lbAreaCode, QStringLiteral("030"));
        QCOMPARE(TWindowFixture::Text(w.tblCity, "City"), CityOf(QStringLiteral("030")));
        f.Tab(true);
        QCOMPARE(QApplication::focusWidget(), w.lbCity);
        QCOMPARE(w.tblAreaCode->MasterSource(), w.dsCity);
        QCOMPARE(w.tblCity->IndexName(), std::string("id"));  // "id" order after the first switch
        QCOMPARE(TWindowFixture::Integer(w.tblCity, "id"), chosen);
        QCOMPARE(w.lbCity->FilledRows(), 17);
        QCOMPARE(TWindowFixture::Integer(w.tblAreaCode, "city_id"), chosen);
    }

    void tabbingThroughTheButtonKeepsTheMode() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        f.Tab();
        f.Type(w.lbAreaCode, QStringLiteral("0212"));
        f.Tab();
        QCOMPARE(QApplication::focusWidget(), w.btnEnd);
        QCOMPARE(w.tblAreaCode->MasterSource(), nullptr);  // still area-code mode
        f.Tab(true);
        QCOMPARE(QApplication::focusWidget(), w.lbAreaCode);
        QCOMPARE(w.tblAreaCode->MasterSource(), nullptr);
        // The code list returns to a code of the city chosen in it.
        QCOMPARE(TWindowFixture::Text(w.tblCity, "City"), CityOf(QStringLiteral("0212")));
        f.Tab();
        f.Tab();
        QCOMPARE(QApplication::focusWidget(), w.lbCity);  // the tab order wraps round
        QCOMPARE(w.tblAreaCode->MasterSource(), w.dsCity);
    }

    void typingEchoesInBlueAboveTheListUntilTheTimerTicks() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        f.Type(w.lbCity, QStringLiteral("Ber"));
        QVERIFY(w.edFilter->isVisible());
        QCOMPARE(w.edFilter->text(), QStringLiteral("Ber"));
        QCOMPARE(w.edFilter->geometry(), QRect(5, 0, 216, 19));
        QCOMPARE(w.edFilter->palette().color(QPalette::Text), QColor(Qt::blue));
        QVERIFY(w.tmKey->Enabled());
        QVERIFY(w.tmKey->RemainingTime() > 1500);
        QVERIFY(TWindowFixture::Text(w.tblCity, "City").startsWith(QStringLiteral("Ber")));
        SaveScreenshot(w, QStringLiteral("window-city-mode.png"));

        w.tmKey->Timer();
        QVERIFY(!w.edFilter->isVisible());
        QVERIFY(w.edFilter->text().isEmpty());
        QVERIFY(!w.tmKey->Enabled());
    }

    void eachKeyRestartsTheTwoSeconds() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        f.Type(w.lbCity, QStringLiteral("B"));
        QTest::qWait(600);
        f.Type(w.lbCity, QStringLiteral("e"));
        QVERIFY(w.tmKey->RemainingTime() > 1600);
        QTest::qWait(1200);
        QVERIFY(w.edFilter->isVisible());  // 1.8 s after the first key, 1.2 s after the last
        QTRY_VERIFY_WITH_TIMEOUT(!w.edFilter->isVisible(), 1500);
        QVERIFY(w.edFilter->text().isEmpty());
    }

    void backspaceShortensTheEchoAndAnEmptyEchoStaysVisible() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        f.Type(w.lbCity, QStringLiteral("Bx"));
        f.Type(w.lbCity, QString(QChar(8)));
        QCOMPARE(w.edFilter->text(), QStringLiteral("B"));
        f.Type(w.lbCity, QString(QChar(8)) + QChar(8));
        QCOMPARE(w.edFilter->text(), QString());
        QVERIFY(w.edFilter->isVisible());
    }

    void leavingTheListHidesTheEchoAndEnteringClearsIt() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        f.Type(w.lbCity, QStringLiteral("Qz"));  // no city matches "Qz": still echoed
        QCOMPARE(w.edFilter->text(), QStringLiteral("Qz"));
        f.Tab();
        QVERIFY(!w.edFilter->isVisible());
        QVERIFY(w.edFilter->text().isEmpty());  // cleared by entering the code list
        f.Tab();
        QCOMPARE(QApplication::focusWidget(), w.btnEnd);
        QVERIFY(!w.edFilter->isVisible());
    }

    void typingANumberSelectsTheLongestMatchingCode() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        f.Tab();
        f.Type(w.lbAreaCode, QStringLiteral("0212912345"));
        QCOMPARE(TWindowFixture::Text(w.tblAreaCode, "areacode"), QStringLiteral("02129"));
        QCOMPARE(w.lbAreaCode->SelectedText(), std::string("02129"));
        QCOMPARE(w.lbCity->FilledRows(), 1);
        QCOMPARE(TWindowFixture::Text(w.tblCity, "City"), CityOf(QStringLiteral("02129")));
        QCOMPARE(w.edFilter->text(), QStringLiteral("0212912345"));
        SaveScreenshot(w, QStringLiteral("window-area-code-mode.png"));
    }

    void copyPutsTheLeadingEntryFirst() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        f.Type(w.lbCity, QStringLiteral("Berlin"));
        w.Kopieren1->trigger();
        QCOMPARE(ClipboardText(), QStringLiteral("Berlin: ") + CodesOf(QStringLiteral("Berlin")).first());

        f.Tab();
        f.Type(w.lbAreaCode, QStringLiteral("02129"));
        w.EintragindieZwischenablage1->trigger();
        QCOMPARE(ClipboardText(), QStringLiteral("02129: ") + CityOf(QStringLiteral("02129")));
        QVERIFY(f.Desktop.Errors.isEmpty());
    }

    void copyWithoutACodeGivesTheCityAndAnEmptyCode() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        f.Type(w.lbCity, QStringLiteral("Berlin"));
        // The declared start-up link: the city id against the code index, a range that holds nothing.
        w.tblAreaCode->SetIndexName("areacode");
        QVERIFY(w.tblAreaCode->IsEmpty());
        w.Kopieren1->trigger();
        QCOMPARE(ClipboardText(), TWindowFixture::Text(w.tblCity, "City") + QStringLiteral(": "));
    }

    void aClipboardFailureIsReportedAndTheProgramGoesOn() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        QGuiApplication::clipboard()->setText(QStringLiteral("vorher"));
        f.Desktop.ClipboardFails = true;
        TStandardErrorCapture errors;
        QMetaObject::invokeMethod(w.Kopieren1, &QAction::trigger, Qt::QueuedConnection);
        QTRY_COMPARE(f.Desktop.Errors.size(), 1);
        QCOMPARE(f.Desktop.ErrorCaptions.first(), QStringLiteral("Nummerix"));
        QCOMPARE(f.Desktop.Errors.first(), QStringLiteral("Zwischenablage kann nicht geöffnet werden."));
        // Also on standard error, where a headless run leaves its trace.
        QCOMPARE(errors.Text(), std::string("Nummerix: Zwischenablage kann nicht geöffnet werden.\n"));
        QCOMPARE(ClipboardText(), QStringLiteral("vorher"));
        QVERIFY(w.isVisible());
    }

    void aTableThatFailsToReopenIsReportedAndStaysClosed() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        QVERIFY(QFile::remove(QStringLiteral("db/AreaCode.DAT")));
        f.Tab();
        QCOMPARE(f.Desktop.Errors.size(), 1);
        QCOMPARE(f.Desktop.ErrorCaptions.first(), QStringLiteral("Nummerix"));
        // The message ends in "'", which sorts before ".": no full stop is added.
        QCOMPARE(f.Desktop.Errors.first(),
                 QStringLiteral(
                     "Kartei Engine Error # 11010 Invalid path or file name for table './db/AreaCode.DAT'"));
        QVERIFY(w.tblCity->Active());
        QVERIFY(!w.tblAreaCode->Active());
        QCOMPARE(w.lbAreaCode->FilledRows(), 0);
        QCOMPARE(QApplication::focusWidget(), w.lbAreaCode);
    }

    void togglingHintsTwiceStoresTrueOnClose() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        QVERIFY(w.Hilfetexte1->isChecked());
        w.Hilfetexte1->trigger();
        QVERIFY(!w.Hilfetexte1->isChecked());
        QVERIFY(!ShowHints());
        w.Hilfetexte1->trigger();
        QVERIFY(w.Hilfetexte1->isChecked());
        QVERIFY(ShowHints());
        QVERIFY(w.close());
        QVERIFY(StoredSettings().contains(
            QStringLiteral("[Software\\Quolt\\AreaCode]\n\"ShowHint\"=\"TRUE\"\n")));
    }

    void hintsSwitchedOffStayOffAtTheNextStart() {
        {
            TWindowFixture f;
            f.Window->Hilfetexte1->trigger();
            QTest::mouseClick(f.Window->btnEnd, Qt::LeftButton);
            QVERIFY(!f.Window->isVisible());
        }
        QVERIFY(StoredSettings().contains(QStringLiteral("\"ShowHint\"=\"FALSE\"")));
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        QVERIFY(!w.Hilfetexte1->isChecked());
        QVERIFY(!ShowHints());
        QHelpEvent help(QEvent::ToolTip, QPoint(10, 10), w.lbCity->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(w.lbCity, &help);
        QVERIFY(!QToolTip::isVisible());
        w.Hilfetexte1->trigger();
        QApplication::sendEvent(w.lbCity, &help);
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("zum Suchen anklicken und tippen"));
        QToolTip::hideText();
        w.Beenden1->trigger();
        QVERIFY(!w.isVisible());
        QVERIFY(StoredSettings().contains(QStringLiteral("\"ShowHint\"=\"TRUE\"")));
    }

    void theWebPromptOpensNothingOnNein() {
        TWindowFixture f;
        TfrmVorwahl& w = *f.Window;
        TBoxAnswer answer;
        answer.Answer(QStringLiteral("&Nein"));
        QTest::mouseClick(w.Image1, Qt::LeftButton);
        QCOMPARE(answer.Title, QStringLiteral("Bestätigung"));
        QCOMPARE(answer.Text, QStringLiteral("Möchten Sie die Quolt-Website aufrufen?"));
        QCOMPARE(answer.Icon, QMessageBox::Question);
        QCOMPARE(answer.Buttons, (QStringList{"&Ja", "&Nein"}));
        QCOMPARE(answer.DefaultButton, QStringLiteral("&Ja"));
        QVERIFY(f.Desktop.Opened.isEmpty());

        TBoxAnswer escape;
        escape.Answer(QString());
        QTest::mouseClick(w.Image1, Qt::LeftButton);
        QVERIFY(f.Desktop.Opened.isEmpty());
    }

    void theWebPromptOpensTheHomePageOnJa() {
        TWindowFixture f;
        TBoxAnswer answer;
        answer.Answer(QStringLiteral("&Ja"));
        QTest::mouseClick(f.Window->Image1, Qt::LeftButton);
        QCOMPARE(f.Desktop.Opened, QStringList{"https://quolt.example/"});
    }
};

NUMMERIX_APP_TEST_MAIN(VorwahlWindowTest)
#include "VorwahlWindowTest.moc"
