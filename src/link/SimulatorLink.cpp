// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/SimulatorLink.h"

#include "link/CaptionLink.h"
#include "platform/Guarded.h"
#include "platform/VbTimer.h"
#include "platform/Winsock.h"

SimulatorLink::SimulatorLink(CaptionLink& caption, VbTimer& monitor, QObject* parent)
    : QObject(parent), Supervisor(caption), Intake(caption), Timing(caption) {
    connect(&monitor, &VbTimer::Timer, this, [this] { Guarded([&] { Supervisor.Tick(); }); });
    connect(&caption.DisplayTimer(), &VbTimer::Timer, this,
            [this] { Guarded([&] { Timing.Tick(); }); });
    Winsock* client = &caption.Client();
    connect(client, &Winsock::DataArrival, this,
            [this] { Guarded([&] { Intake.DataArrival(); }); });
    connect(client, &Winsock::Error, this, [this] { Guarded([&] { Supervisor.WinsockError(); }); });
    connect(client, &Winsock::Closed, this,
            [this] { Guarded([&] { Supervisor.WinsockClose(); }); });
}
