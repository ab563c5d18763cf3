// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/MessageIntake.h"

#include "link/CaptionLink.h"

#include "platform/VbConvert.h"
#include "platform/VbError.h"
#include "platform/VbTimer.h"
#include "platform/Winsock.h"
#include "startup/MainMod.h"

using MainMod::Settings;

namespace {

std::int32_t colourSetting(const char* key) {
    return CLngOrRaise(MainMod::ReadSetting(key));
}

bool blank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

} // namespace

void MessageIntake::DataArrival() {
    std::string message;
    try {
        message = caption_.Client().GetData();
    } catch (const VbError& error) {
        if (error.Number() == VbError::WinsockWrongState)
            caption_.SetCaptionText("NO Data Receieved!");
        return;
    }

    if (message.empty() || message[0] < '0' || message[0] > '9')
        return;
    const int type = message[0] - '0';
    const std::string text = message.size() > 2 ? message.substr(2) : std::string();

    if ((type == 0 && !Settings.AtcComs) || (type == 2 && !Settings.OwnComs) ||
        (type == 8 && !Settings.ShowATIS))
        return;

    const bool toUser = type == 1;
    if (toUser && Settings.LastMsg && blank(text)) {
        caption_.DisplayTimer().SetEnabled(false);
        return;
    }

    caption_.SetBackColor(colourSetting("BackCol"));
    caption_.SetCaptionForeColor(colourSetting("TextCol"));
    if (toUser && Settings.HighlightTX2U) {
        caption_.SetBackColor(colourSetting("HBackCol"));
        caption_.SetCaptionForeColor(colourSetting("HTextCol"));
    }

    caption_.SetCaptionText(text);
    caption_.DisplayTimer().SetEnabled(!(toUser && Settings.LastMsg));
}
