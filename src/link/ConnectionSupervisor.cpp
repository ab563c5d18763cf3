#include "link/ConnectionSupervisor.h"

#include "platform/Text8.h"
#include "platform/Twips.h"
#include "platform/VbConvert.h"
#include "platform/VbError.h"
#include "platform/Winsock.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"
#include "ui/frmSetup.h"

#include <QLineEdit>

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
    if (askingForServer_)
        return; // the setup dialog from an earlier tick is still open
    Winsock& client = *form_.Winsock;
    if (client.State() == Winsock::sckConnected)
        return;

    if (++waitDotCount_ > 10)
        waitDotCount_ = 1;

    if (Settings.KVEServer != "0.0.0.0" && !Settings.KVEServer.empty()) {
        form_.SetCaptionText("Waiting for connection" + std::string(waitDotCount_, '.'));
        withRecovery(client, [&] { client.SetRemoteHost(Settings.KVEServer); });
        withRecovery(client, [&] { client.SetRemotePort(Settings.KVEPort); });
        withRecovery(client, [&] { client.Connect(); });
    } else {
        AskForServer();
    }
}

void ConnectionSupervisor::AskForServer() {
    frmSetup& setup = frmSetup::Get();
    Twips::SetLeft(&setup, Twips::Left(&form_));
    Twips::SetTop(&setup, Twips::Top(&form_));
    if (setup.isVisible()) // the choice window's setup command has it open: the tick fails
        throw VbError(VbError::FormAlreadyShown, "Form already displayed; can't show modally");
    askingForServer_ = true;
    try {
        setup.exec();
    } catch (...) {
        askingForServer_ = false;
        throw;
    }
    askingForServer_ = false;

    Settings.KVEServer = MainMod::ReadSetting("KVEServer");
    Settings.KVEPort = CLngOrRaise(MainMod::ReadSetting("KVEPort"));
    frmSetup::Get().txtHost->setText(toQt(Settings.KVEServer));
}

void ConnectionSupervisor::WinsockError() {
    form_.Winsock->Close();
}

void ConnectionSupervisor::WinsockClose() {
    form_.SetCaptionText("Lost Connection!");
    form_.timMsgDelay.SetEnabled(false);
}
