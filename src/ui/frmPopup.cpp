// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmPopup.h"

#include "options/frmOptions.h"
#include "platform/ActiveResize.h"
#include "platform/App.h"
#include "platform/Guarded.h"
#include "platform/Text8.h"
#include "platform/Twips.h"
#include "platform/WindowApi.h"
#include "platform/WindowPlacement.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"
#include "ui/frmSetup.h"

#include <QLineEdit>
#include <QPushButton>

using namespace User32;

frmPopup::frmPopup()
    : QDialog(frmMain::Exists() ? &frmMain::Get() : nullptr, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmPopup"));
    setWindowTitle(QStringLiteral("Wingscribe"));
    setWindowIcon(App::Icon());
    setModal(true);
    WindowPlacement::KeepWhereAsked(this); // also partly off the screen
    Twips::SetClientSize(this, 6915, 585);

    struct Design {
        const char* caption;
        float left;
    };
    const Design designs[4] = {{"&Go to Options", 120},
                               {"&Close this Window", 3480},
                               {"&End Wingscribe", 5160},
                               {"&Go to Setup", 1800}};
    for (int index = 0; index < 4; ++index) {
        auto* button = new QPushButton(QString::fromLatin1(designs[index].caption), this);
        button->setObjectName(QStringLiteral("cmdChoose%1").arg(index));
        button->setFont(DesignFont(8.25));
        Twips::SetControlRect(button, designs[index].left, 120, 1575, 375);
        connect(button, &QPushButton::clicked, this,
                [this, index] { Guarded([&] { cmdChoose_Click(index); }); });
        cmdChoose[index] = button;
    }
    cmdChoose[GoToSetup]->setDefault(true);
    for (int index = 0; index < 3; ++index)
        setTabOrder(cmdChoose[index], cmdChoose[index + 1]);
    cmdChoose[GoToOptions]->setFocus();
}

void frmPopup::OpenOver(frmMain& caption) {
    SetWindowPos(HandleOf(&caption), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    frmPopup& popup = Get();
    Twips::SetLeft(&popup,
                   Twips::Left(&caption) + Twips::Width(&caption) / 2 - Twips::Width(&popup) / 2);
    Twips::SetTop(&popup, Twips::Top(&caption));
    popup.exec();
    if (frmMain::Exists())
        caption.CheckOnTopSetting();
}

void frmPopup::cmdChoose_Click(int index) {
    frmMain& caption = frmMain::Get();
    switch (index) {
    case GoToOptions: {
        Unload(*this);
        frmOptions& options = frmOptions::Get();
        Twips::SetLeft(&options, Twips::Left(&caption) + Twips::Width(&caption) / 2 -
                                     Twips::Width(&options) / 2);
        Twips::SetTop(&options, Twips::Top(&caption));
        const float bottom = Twips::Top(&options) + Twips::Height(&options);
        if (bottom > Twips::ScreenHeight())
            Twips::SetTop(&options, Twips::ScreenHeight() - Twips::Height(&options));
        options.Show();
        break;
    }
    case CloseThisWindow:
        Unload(*this);
        break;
    case EndWingscribe:
        caption.ActiveResize1->SaveFormLayout(&caption, true, App::ProductName);
        Unload(*this);
        frmMain::Unload();
        break;
    case GoToSetup: {
        MainMod::Settings.KVEServer = MainMod::ReadSetting("KVEServer");
        frmSetup& setup = frmSetup::Get();
        setup.txtHost->setText(toQt(MainMod::Settings.KVEServer));
        Twips::SetLeft(&setup, Twips::Left(&caption));
        Twips::SetTop(&setup, Twips::Top(&caption));
        setup.exec();
        break;
    }
    default:
        break;
    }
}

void frmPopup::reject() {
    cmdChoose[CloseThisWindow]->click();
}
