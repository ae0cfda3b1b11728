#pragma once

#include <QObject>
#include <QTimer>

#include "lookup/LookupEvents.h"

namespace nummerix {

// A window timer: while enabled it ticks every Interval milliseconds and runs OnTimer. Enabling it again
// (or changing the interval) starts the interval anew.
class TTimer : public QObject {
    Q_OBJECT

public:
    explicit TTimer(QObject* parent = nullptr);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    int Interval() const { return interval_; }
    void SetInterval(int interval);
    // Milliseconds to the next tick; -1 while disabled.
    int RemainingTime() const { return timer_.remainingTime(); }

    // One tick: runs OnTimer.
    void Timer();

    kartei::TNotifyEvent OnTimer;

private:
    void Update();

    QTimer timer_;
    bool enabled_ = true;
    int interval_ = 1000;
};

}  // namespace nummerix
