// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the caption window's TCP client connected to the simulator PC: once a second while
// not connected it shows a waiting text and starts a new attempt, and while no PC is set
// it asks for one in the setup dialog. Also handles the client's error and close events.
#pragma once

#include <cstdint>

class CaptionLink;

class ConnectionSupervisor {
public:
    explicit ConnectionSupervisor(CaptionLink& caption) : caption_(caption) {}

    // One tick of the caption window's monitor timer.
    void Tick();
    void WinsockError();
    void WinsockClose();

    std::uint8_t WaitDotCount() const { return waitDotCount_; }

private:
    void AskForServer();

    CaptionLink& caption_;
    std::uint8_t waitDotCount_ = 0;
};
