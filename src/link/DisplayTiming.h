// SPDX-License-Identifier: GPL-3.0-or-later
// Clears a shown message when the caption window's display timer runs out, and puts the
// normal colours back. Each switching-on of the timer gives at most one tick.
#pragma once

class CaptionLink;

class DisplayTiming {
public:
    explicit DisplayTiming(CaptionLink& caption) : caption_(caption) {}

    // One tick of the display timer.
    void Tick();

private:
    CaptionLink& caption_;
};
