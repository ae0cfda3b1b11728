#pragma once

#include <QApplication>

namespace nummerix {

// The application object: its title captions its own message boxes, and an exception that escapes an
// event handler is shown in such a box (error icon) and written to standard error while the program goes
// on. Every window carries the program's icon, and the desktop learns which entry the windows belong to.
class TApplication : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    static QString Title() { return QStringLiteral("Nummerix"); }
    // The name of the installed desktop entry, without ".desktop"; also the icon's name.
    static QString DesktopId() { return QStringLiteral(NUMMERIX_APP_ID); }

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace nummerix
