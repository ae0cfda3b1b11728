#include "app/support/WindowFixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include "dataset/framework/DataSet.h"
#include "lookup/UiText.h"

namespace nummerix::apptest {

TWorkFolder::TWorkFolder() : previous_(QDir::currentPath()) {
    const QDir shipped(QStringLiteral(NUMMERIX_SHIPPED_DB));
    QDir(dir_.path()).mkdir(QStringLiteral("db"));
    for (const QString& name : shipped.entryList(QDir::Files)) {
        if (!QFile::copy(shipped.filePath(name), dir_.filePath(QStringLiteral("db/") + name))) {
            qFatal("cannot copy %s", qPrintable(name));
        }
    }
    QDir::setCurrent(dir_.path());
}

TWorkFolder::~TWorkFolder() {
    QDir::setCurrent(previous_);
}

TWindowFixture::TWindowFixture() {
    SettingsHome();
    kartei::SetTickSource(&Clock);
    Window = std::make_unique<TfrmVorwahl>();
    Window->show();
    Window->activateWindow();
    if (!QTest::qWaitForWindowActive(Window.get())) {
        qWarning("the main window did not become active");
    }
}

TWindowFixture::~TWindowFixture() {
    Window.reset();
    kartei::SetTickSource(nullptr);
}

QString TWindowFixture::Text(kartei::TKarteiTable* table, const char* field) {
    return kartei::ToQString(table->FieldByName(field).AsString());
}

int TWindowFixture::Integer(kartei::TKarteiTable* table, const char* field) {
    return table->FieldByName(field).AsInteger();
}

QStringList TWindowFixture::Column(kartei::TKarteiTable* table, const char* field) {
    QStringList values;
    for (table->First(); !table->Eof(); table->Next()) {
        values << Text(table, field);
    }
    return values;
}

void TWindowFixture::Tab(bool backwards) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus, backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                    backwards ? Qt::ShiftModifier : Qt::NoModifier);
}

void TWindowFixture::Type(QWidget* target, const QString& text) {
    for (const QChar character : text) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(target, &event);
        ++Clock.Now;
    }
}

QString SettingsHome() {
    static QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    return home.path();
}

QString StoredSettings() {
    QFile file(SettingsHome() + QStringLiteral("/quolt/registry.reg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace nummerix::apptest
