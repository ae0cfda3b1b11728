#pragma once

#include <QObject>
#include <functional>

namespace kartei {

// The events a lookup control raises; each handler gets the control first.
using TNotifyEvent = std::function<void(QObject* sender)>;
// A key going down: the key (Qt::Key), which the handler may set to 0 to stop its processing.
using TKeyEvent = std::function<void(QObject* sender, int& key, Qt::KeyboardModifiers shift)>;
// A typed character (cp1252), which the handler may change or set to 0 to drop it.
using TKeyPressEvent = std::function<void(QObject* sender, char& key)>;

}  // namespace kartei
