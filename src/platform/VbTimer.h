// SPDX-License-Identifier: GPL-3.0-or-later
// A form timer: ticks every Interval milliseconds while Enabled. An interval of 0 never
// ticks (the timer is idle until given a period). Switching it on, or changing its period,
// starts a full period from that moment.
//
// Each period counts from the moment the handlers of the last tick returned. A handler that
// waits (a modal dialog runs its own event loop inside it) gets no further tick meanwhile,
// and after it returns a full period passes before the next tick, never only the rest of a
// period that ran out while it waited.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>

class VbTimer : public QObject {
    Q_OBJECT
public:
    VbTimer(std::int32_t intervalMs, bool enabled, QObject* parent = nullptr);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    std::int32_t Interval() const { return interval_; }
    // Throws VbError(InvalidPropertyValue) for a negative period.
    void SetInterval(std::int32_t intervalMs);

    // Whether a tick is actually scheduled.
    bool IsTicking() const { return timer_.isActive(); }

Q_SIGNALS:
    void Timer();

private:
    void Fire();
    void Reschedule();

    QTimer timer_;
    std::int32_t interval_;
    bool enabled_;
};
