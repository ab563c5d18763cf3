// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ConnectionSupervisor.h"

#include "link/CaptionLink.h"
#include "platform/VbConvert.h"
#include "platform/VbError.h"
#include "platform/VbTimer.h"
#include "platform/Winsock.h"
#include "startup/MainMod.h"

using MainMod::Settings;

namespace {

// Runs one step of a tick; a client that refuses it in its present state is closed and
// the step is tried once more.
template <typename Step> void withRecovery(Winsock& client, Step&& step) {
    try {
        step();
    } catch (const VbError& error) {
        if (error.Number() != VbError::WinsockNotAllowed)
            throw;
        client.Close();
        step();
    }
}

} // namespace

void ConnectionSupervisor::Tick() {
    Winsock& client = caption_.Client();
    if (client.State() == Winsock::sckConnected)
        return;

    if (++waitDotCount_ > 10)
        waitDotCount_ = 1;

    if (Settings.KVEServer != "0.0.0.0" && !Settings.KVEServer.empty()) {
        caption_.SetCaptionText("Waiting for connection" + std::string(waitDotCount_, '.'));
        withRecovery(client, [&] { client.SetRemoteHost(Settings.KVEServer); });
        withRecovery(client, [&] { client.SetRemotePort(Settings.KVEPort); });
        withRecovery(client, [&] { client.Connect(); });
    } else {
        AskForServer();
    }
}

// While the setup dialog is already open (from an earlier tick, or from the choice window)
// showing it fails, and the tick ends there.
void ConnectionSupervisor::AskForServer() {
    caption_.ShowSetupDialog();
    Settings.KVEServer = MainMod::ReadSetting("KVEServer");
    Settings.KVEPort = CLngOrRaise(MainMod::ReadSetting("KVEPort"));
    caption_.SetSetupHost(Settings.KVEServer);
}

void ConnectionSupervisor::WinsockError() {
    caption_.Client().Close();
}

void ConnectionSupervisor::WinsockClose() {
    caption_.SetCaptionText("Lost Connection!");
    caption_.DisplayTimer().SetEnabled(false);
}
