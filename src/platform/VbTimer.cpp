// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/VbTimer.h"

#include "platform/VbError.h"

VbTimer::VbTimer(std::int32_t intervalMs, bool enabled, QObject* parent)
    : QObject(parent), interval_(intervalMs), enabled_(enabled) {
    timer_.setTimerType(Qt::PreciseTimer); // the supervisor's second must stay a second
    connect(&timer_, &QTimer::timeout, this, &VbTimer::Timer);
    Reschedule();
}

void VbTimer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Reschedule();
}

void VbTimer::SetInterval(std::int32_t intervalMs) {
    if (intervalMs < 0)
        throw VbError(VbError::InvalidPropertyValue, "Invalid property value");
    interval_ = intervalMs;
    Reschedule();
}

void VbTimer::Reschedule() {
    if (enabled_ && interval_ > 0) {
        timer_.start(interval_);
    } else {
        timer_.stop();
    }
}
