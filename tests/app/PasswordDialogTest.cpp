#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "app/PasswordDialog.h"
#include "app/support/AppTest.h"
#include "dataset/session/KarteiSession.h"
#include "dataset/session/KarteiSessionList.h"
#include "dataset/session/PasswordPrompt.h"
#include "kartei/Session.h"

using namespace nummerix;

namespace {

kartei::TKarteiSession& Session() {
    return kartei::DefaultSession();
}

std::vector<std::string> Passwords() {
    return Session().EngineSession().Passwords();
}

// Shows the prompt through the session's password callback and runs `drive` on the open dialog.
bool Prompt(const std::function<void(TKarteiPasswordDialog&)>& drive) {
    QTimer::singleShot(0, [drive] {
        auto* dialog = qobject_cast<TKarteiPasswordDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QVERIFY(dialog->Edit->hasFocus());  // the active control
        drive(*dialog);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
    return Session().PasswordCallback();
}

}  // namespace

class PasswordDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallPasswordPrompt(); }
    void init() { Session().RemoveAllPasswords(); }

    void hasItsDeclaredForm() {
        kartei::TKarteiSession& session = Session();
        TKarteiPasswordDialog dialog(session);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Enter password"));
        QCOMPARE(dialog.size(), QSize(273, 132));
        QCOMPARE(dialog.GroupBox1->title(), QStringLiteral("Password"));
        QCOMPARE(dialog.GroupBox1->geometry(), QRect(8, 8, 257, 81));
        QCOMPARE(dialog.Edit->geometry(), QRect(16, 18, 225, 21));
        QCOMPARE(dialog.Edit->echoMode(), QLineEdit::Password);
        QCOMPARE(dialog.AddButton->text(), QStringLiteral("&Add"));
        QCOMPARE(dialog.AddButton->geometry(), QRect(16, 46, 65, 25));
        QCOMPARE(dialog.RemoveButton->text(), QStringLiteral("&Remove"));
        QCOMPARE(dialog.RemoveAllButton->text(), QStringLiteral("Re&move all"));
        QCOMPARE(dialog.RemoveAllButton->geometry(), QRect(160, 46, 81, 25));
        QCOMPARE(dialog.OKButton->text(), QStringLiteral("&OK"));
        QCOMPARE(dialog.OKButton->geometry(), QRect(109, 98, 75, 25));
        QVERIFY(dialog.OKButton->isDefault());
        QCOMPARE(dialog.CancelButton->text(), QStringLiteral("Cancel"));
        QCOMPARE(dialog.CancelButton->geometry(), QRect(190, 98, 75, 25));
        QVERIFY(!dialog.AddButton->isEnabled());
        QVERIFY(!dialog.RemoveButton->isEnabled());
        QVERIFY(dialog.RemoveAllButton->isEnabled());
        QVERIFY(!dialog.OKButton->isEnabled());
    }

    void okAddsTheTypedPassword() {
        const bool ok = Prompt([](TKarteiPasswordDialog& dialog) {
            QTest::keyClicks(dialog.Edit, "geheim");
            QVERIFY(dialog.AddButton->isEnabled());
            QVERIFY(dialog.OKButton->isEnabled());
            QTest::keyClick(dialog.Edit, Qt::Key_Return);  // the default button
        });
        QVERIFY(ok);
        QCOMPARE(Passwords(), std::vector<std::string>{"geheim"});
    }

    void okNeedsATextOrAPasswordAddedInThisShowing() {
        const bool ok = Prompt([](TKarteiPasswordDialog& dialog) {
            QTest::keyClicks(dialog.Edit, "eins");
            QTest::mouseClick(dialog.AddButton, Qt::LeftButton);
            QVERIFY(dialog.Edit->text().isEmpty());
            QVERIFY(!dialog.AddButton->isEnabled());
            QVERIFY(!dialog.RemoveButton->isEnabled());
            QVERIFY(dialog.OKButton->isEnabled());  // a password was added
            QVERIFY(dialog.Edit->hasFocus());
            QTest::mouseClick(dialog.RemoveAllButton, Qt::LeftButton);
            QVERIFY(dialog.Added());  // the flag stays
            QVERIFY(dialog.OKButton->isEnabled());
            QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        });
        QVERIFY(ok);
        QVERIFY(Passwords().empty());
    }

    void addingTwiceKeepsOneAndRemoveTakesItAway() {
        const bool ok = Prompt([](TKarteiPasswordDialog& dialog) {
            for (int i = 0; i < 2; ++i) {
                QTest::keyClicks(dialog.Edit, "zwei");
                QTest::mouseClick(dialog.AddButton, Qt::LeftButton);
            }
            QCOMPARE(Passwords(), std::vector<std::string>{"zwei"});
            QTest::keyClicks(dialog.Edit, "zwei");
            QTest::mouseClick(dialog.RemoveButton, Qt::LeftButton);
            QVERIFY(Passwords().empty());
            QVERIFY(dialog.Edit->text().isEmpty());
            QTest::keyClicks(dialog.Edit, "drei");
            QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
        });
        QVERIFY(!ok);
        QVERIFY(Passwords().empty());  // Cancel adds nothing
    }

    void escapeCancels() {
        const bool ok = Prompt([](TKarteiPasswordDialog& dialog) {
            QTest::keyClicks(dialog.Edit, "vier");
            QTest::keyClick(dialog.Edit, Qt::Key_Escape);
        });
        QVERIFY(!ok);
        QVERIFY(Passwords().empty());
    }

    void anOnPasswordHandlerTakesThePromptsPlace() {
        int calls = 0;
        Session().OnPassword = [&calls](kartei::TKarteiSession&, bool& continueOpen) {
            ++calls;
            continueOpen = false;
        };
        bool shown = false;
        QTimer::singleShot(0, [&shown] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                shown = true;
                dialog->reject();
            }
        });
        QVERIFY(!Session().PasswordCallback());
        QCoreApplication::processEvents();
        Session().OnPassword = nullptr;
        QCOMPARE(calls, 1);
        QVERIFY(!shown);
    }
};

NUMMERIX_APP_TEST_MAIN(PasswordDialogTest)
#include "PasswordDialogTest.moc"
