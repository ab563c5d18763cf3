// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/VbTimer.h"

#include "platform/VbError.h"

#include <QPointer>

VbTimer::VbTimer(std::int32_t intervalMs, bool enabled, QObject* parent)
    : QObject(parent), interval_(intervalMs), enabled_(enabled) {
    timer_.setTimerType(Qt::PreciseTimer); // the supervisor's second must stay a second
    timer_.setSingleShot(true);            // the next period starts when the handlers are done
    connect(&timer_, &QTimer::timeout, this, &VbTimer::Fire);
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

void VbTimer::Fire() {
    const QPointer<VbTimer> alive(this); // a handler may end the window that owns the timer
    Q_EMIT Timer();
    if (alive)
        Reschedule();
}

void VbTimer::Reschedule() {
    if (enabled_ && interval_ > 0) {
        timer_.start(interval_);
    } else {
        timer_.stop();
    }
}
