#include "app/StartUp.h"

#include <QApplication>
#include <QFileInfo>
#include <iostream>

#include "app/Desktop.h"
#include "app/ErrorText.h"
#include "app/PasswordDialog.h"
#include "app/Vorwahl.h"

namespace nummerix {

int RunProgram() {
    InstallPasswordPrompt();
    try {
        TfrmVorwahl window;
        window.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        const QString text =
            StartupErrorText(error, QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        std::cerr << text.toStdString() << std::endl;
        Desktop().ShowError(QStringLiteral("Anwendungsfehler"), text);
        return 1;
    }
}

}  // namespace nummerix
