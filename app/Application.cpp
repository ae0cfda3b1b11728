#include "app/Application.h"

#include <QIcon>
#include <iostream>

#include "app/Desktop.h"
#include "app/ErrorText.h"

namespace nummerix {

// The title is the application name, not a display name: Qt appends a display name to every window's
// caption, and the captions stand alone. The name is also the class of the windows (WM_CLASS) that the
// desktop entry names as its StartupWMClass.
TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(Title());
    setDesktopFileName(DesktopId());
    setWindowIcon(QIcon(QStringLiteral(":/nummerix/icon.svg")));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        const QString text = HandlerErrorText(error);
        // Also where no box can be seen (the headless platforms), and for the logs of a desktop session.
        std::cerr << (Title() + QStringLiteral(": ") + text).toStdString() << std::endl;
        Desktop().ShowError(Title(), text);
        return false;
    }
}

}  // namespace nummerix
