#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "app/Vorwahl.h"
#include "app/support/FakeDesktop.h"
#include "lookup/TickSource.h"

namespace nummerix::apptest {

// A clock the tests move by hand.
class TFakeTicks : public kartei::TTickSource {
public:
    uint32_t Ticks() const override { return Now; }
    uint32_t Now = 100000;
};

// The working folder of one test: a temporary folder holding a copy of the shipped tables in db/, made
// the current directory while the fixture lives.
class TWorkFolder {
public:
    TWorkFolder();
    ~TWorkFolder();
    QString Path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// The main window over the shipped tables, shown and active, with the desktop and the search clock
// replaced.
class TWindowFixture {
public:
    TWindowFixture();
    ~TWindowFixture();

    TWorkFolder Folder;
    TFakeDesktop Desktop;
    TFakeTicks Clock;
    std::unique_ptr<TfrmVorwahl> Window;

    // The text of a field of a table's current record, in Unicode.
    static QString Text(kartei::TKarteiTable* table, const char* field);
    static int Integer(kartei::TKarteiTable* table, const char* field);
    // Every value of the field, from the first record to the last (the table ends on its last record).
    static QStringList Column(kartei::TKarteiTable* table, const char* field);

    // Moves the focus as the Tab key does (backwards with Shift).
    void Tab(bool backwards = false);
    void Type(QWidget* target, const QString& text);
};

// The folder the settings store of this test program lives in (XDG_CONFIG_HOME), set before first use.
QString SettingsHome();
// The text of the store's file; empty when it does not exist.
QString StoredSettings();

}  // namespace nummerix::apptest
