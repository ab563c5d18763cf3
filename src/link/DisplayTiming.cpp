#include "link/DisplayTiming.h"

#include "platform/VbConvert.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

void DisplayTiming::Tick() {
    form_.SetCaptionText("");
    // The timer goes off whatever the colour settings hold, so a hand-edited colour that
    // cannot be read never makes it tick again and again.
    form_.timMsgDelay.SetEnabled(false);
    form_.SetBackColor(CLngOrRaise(MainMod::ReadSetting("BackCol")));
    form_.SetCaptionForeColor(CLngOrRaise(MainMod::ReadSetting("TextCol")));
}
