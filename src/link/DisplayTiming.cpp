// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/DisplayTiming.h"

#include "link/CaptionLink.h"

#include "platform/VbConvert.h"
#include "platform/VbTimer.h"
#include "startup/MainMod.h"

void DisplayTiming::Tick() {
    caption_.SetCaptionText("");
    // The timer goes off whatever the colour settings hold, so a hand-edited colour that
    // cannot be read never makes it tick again and again.
    caption_.DisplayTimer().SetEnabled(false);
    caption_.SetBackColor(CLngOrRaise(MainMod::ReadSetting("BackCol")));
    caption_.SetCaptionForeColor(CLngOrRaise(MainMod::ReadSetting("TextCol")));
}
