#pragma once

#include <QApplication>

namespace nummerix {

// The application object: its title captions its own message boxes, and an exception that escapes an
// event handler is shown in such a box (error icon) while the program goes on.
class TApplication : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    static QString Title() { return QStringLiteral("Nummerix"); }

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace nummerix
