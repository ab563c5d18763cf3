// Clears a shown message when the caption window's display timer runs out, and puts the
// normal colours back. Each switching-on of the timer gives at most one tick.
#pragma once

class frmMain;

class DisplayTiming {
public:
    explicit DisplayTiming(frmMain& form) : form_(form) {}

    // One tick of the display timer.
    void Tick();

private:
    frmMain& form_;
};
