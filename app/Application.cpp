#include "app/Application.h"

#include "app/Desktop.h"
#include "app/ErrorText.h"

namespace nummerix {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("nummerix"));
    setApplicationDisplayName(Title());
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        Desktop().ShowError(Title(), HandlerErrorText(error));
        return false;
    }
}

}  // namespace nummerix
