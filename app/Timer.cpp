#include "app/Timer.h"

namespace nummerix {

TTimer::TTimer(QObject* parent) : QObject(parent) {
    connect(&timer_, &QTimer::timeout, this, &TTimer::Timer);
    Update();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled != enabled_) {
        enabled_ = enabled;
        Update();
    }
}

void TTimer::SetInterval(int interval) {
    if (interval != interval_) {
        interval_ = interval;
        Update();
    }
}

void TTimer::Timer() {
    if (OnTimer) {
        OnTimer(this);
    }
}

void TTimer::Update() {
    timer_.stop();
    if (enabled_ && interval_ > 0) {
        timer_.start(interval_);
    }
}

}  // namespace nummerix
