// SPDX-License-Identifier: GPL-3.0-or-later
// The link to the simulator: routes the TCP client's events and the two timers' ticks to the
// connection supervisor, message intake and display timing. Each event is handled to its
// end; a failure ends that handler silently and never reaches the event loop.
#pragma once

#include "link/ConnectionSupervisor.h"
#include "link/DisplayTiming.h"
#include "link/MessageIntake.h"

#include <QObject>

class CaptionLink;
class VbTimer;

class SimulatorLink : public QObject {
public:
    // `monitor` is the once-a-second timer that drives the supervisor.
    SimulatorLink(CaptionLink& caption, VbTimer& monitor, QObject* parent = nullptr);

    ConnectionSupervisor Supervisor;
    MessageIntake Intake;
    DisplayTiming Timing;
};
