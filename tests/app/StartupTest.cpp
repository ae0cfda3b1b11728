#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <stdexcept>

#include "app/ErrorText.h"
#include "app/StartUp.h"
#include "app/support/AppTest.h"
#include "app/support/FakeDesktop.h"
#include "base/DatabaseError.h"

using namespace nummerix;
using namespace nummerix::apptest;

namespace {

// The program next to the shipped tables in the build tree.
QString ProgramPath() {
    return QFileInfo(QStringLiteral(NUMMERIX_SHIPPED_DB "/../app/nummerix")).absoluteFilePath();
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void handlerErrorsGainAFullStopOnlyAfterCharactersSortingAfterIt() {
        QCOMPARE(HandlerErrorText(std::runtime_error("Fehler")), QStringLiteral("Fehler."));
        QCOMPARE(HandlerErrorText(std::runtime_error("Fehler.")), QStringLiteral("Fehler."));
        QCOMPARE(HandlerErrorText(std::runtime_error("Fehler!")), QStringLiteral("Fehler!"));
        QCOMPARE(HandlerErrorText(std::runtime_error("Tabelle 'x'")), QStringLiteral("Tabelle 'x'"));
        QCOMPARE(HandlerErrorText(std::runtime_error("Version 2")), QStringLiteral("Version 2."));
        QCOMPARE(HandlerErrorText(std::runtime_error("")), QString());
        // Dataset messages are cp1252.
        QCOMPARE(HandlerErrorText(kartei::EDatabaseError("Zirkul\xE4r")), QStringLiteral("Zirkulär."));
    }

    void startupErrorsNameClassModuleAndAddress() {
        const kartei::EDatabaseError error("Tabelle fehlt");
        const QString text = StartupErrorText(error, QStringLiteral("nummerix"));
        const QRegularExpression pattern(QStringLiteral(
            "^Exception EDatabaseError in Modul nummerix bei [0-9A-F]{16}\\.\\nTabelle fehlt\\.$"));
        QVERIFY2(pattern.match(text).hasMatch(), qPrintable(text));
        QVERIFY(StartupErrorText(std::runtime_error("Ende."), QStringLiteral("m")).endsWith("\nEnde."));
        QVERIFY(StartupErrorText(std::runtime_error(""), QStringLiteral("m")).endsWith(".\n"));
    }

    void aMissingDatabaseFolderFailsTheStartInProcess() {
        QTemporaryDir empty;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(empty.path());
        TFakeDesktop desktop;
        const int status = RunProgram();
        QDir::setCurrent(previous);
        QCOMPARE(status, 1);
        QCOMPARE(desktop.ErrorCaptions, QStringList{"Anwendungsfehler"});
        QVERIFY(desktop.Errors.first().startsWith(QStringLiteral("Exception EKarteiEngineError in Modul ")));
        QVERIFY(desktop.Errors.first().contains(QStringLiteral("City.DAT")));
    }

    // The program itself, headless: no box can be answered there, so it only reports on standard error.
    void aMissingDatabaseFolderEndsTheProgramWithStatusOne() {
        QVERIFY2(QFileInfo::exists(ProgramPath()), "build the nummerix target first");
        QTemporaryDir empty;
        QProcess program;
        program.setWorkingDirectory(empty.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), empty.path());
        program.setProcessEnvironment(environment);
        program.start(ProgramPath(), {});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        const QRegularExpression pattern(QStringLiteral(
            "Exception EKarteiEngineError in Modul nummerix bei [0-9A-F]{16}\\.\\nKartei Engine Error # \\d+ "
            "[^\\n]*City\\.DAT[^\\n]*\\.\\n"));
        QVERIFY2(pattern.match(errors).hasMatch(), qPrintable(errors));
        QVERIFY(!QDir(empty.path()).exists(QStringLiteral("quolt")));  // no settings written
    }
};

NUMMERIX_APP_TEST_MAIN(StartupTest)
#include "StartupTest.moc"
