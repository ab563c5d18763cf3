// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmSetup.h"

#include "platform/Guarded.h"
#include "platform/MsgBox.h"
#include "platform/Text8.h"
#include "platform/Twips.h"
#include "platform/VbColour.h"
#include "platform/WindowPlacement.h"
#include "startup/Common.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

bool blank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

} // namespace

frmSetup::frmSetup()
    : QDialog(frmMain::Exists() ? &frmMain::Get() : nullptr, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("Setup"));
    setWindowIcon(QIcon()); // none of its own, and not the caption window's either
    setModal(true);
    WindowPlacement::KeepWhereAsked(this); // also partly off the screen
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, FromVbColour(0x000080));
    setPalette(palette);
    Twips::SetClientSize(this, 5295, 2280);

    auto* Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setAutoFillBackground(true);
    QPalette face = Frame1->palette(); // the system's face colour inside the red band
    face.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    Frame1->setPalette(face);
    Frame1->setFrameShape(QFrame::StyledPanel);
    Twips::SetControlRect(Frame1, 120, 120, 5055, 2055);

    auto* Label1 = new QLabel(
        QStringLiteral("Enter the Name or IP Address of the PC where you will be running KVE "
                       "/ KV3, then click Confirm. This does not have to be on the same PC as "
                       "Wingscribe."),
        Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setFont(DesignFont(9.75));
    Twips::SetControlRect(Label1, 120, 120, 4815, 735);

    txtHost = new QLineEdit(Frame1);
    txtHost->setObjectName(QStringLiteral("txtHost"));
    txtHost->setFont(DesignFont(9.75));
    Twips::SetControlRect(txtHost, 120, 960, 4815, 375);

    cmdConfirm = new QPushButton(QStringLiteral("&Confirm"), Frame1);
    cmdConfirm->setObjectName(QStringLiteral("cmdConfirm"));
    cmdConfirm->setFont(DesignFont(8.25));
    cmdConfirm->setDefault(true);
    Twips::SetControlRect(cmdConfirm, 600, 1440, 1815, 375);

    cmdCancel = new QPushButton(QStringLiteral("C&ancel"), Frame1);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setFont(DesignFont(8.25));
    Twips::SetControlRect(cmdCancel, 2640, 1440, 1815, 375);

    setTabOrder(txtHost, cmdConfirm);
    setTabOrder(cmdConfirm, cmdCancel);
    txtHost->setFocus();

    connect(cmdConfirm, &QPushButton::clicked, this,
            [this] { Guarded([&] { cmdConfirm_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guarded([&] { cmdCancel_Click(); }); });
}

void frmSetup::cmdConfirm_Click() {
    const std::string entered = fromQt(txtHost->text());
    if (blank(entered)) {
        MsgBox::Show("You need to enter the Name or IP Address of the PC running KVE / KV3!",
                     MsgBox::vbExclamation, "Setup");
        return;
    }
    MainMod::WriteIniKey("Config", "KVEServer", COMMON::ReplaceAll(entered, " ", ""));
    Unload(*this);
    MsgBox::Show("Now you can Move and Resize me...\r\n\r\nRight-Click me for additional "
                 "options and/or to Exit.",
                 MsgBox::vbInformation, "Setup");
}

void frmSetup::cmdCancel_Click() {
    if (!blank(fromQt(txtHost->text()))) {
        Unload(*this);
        return;
    }
    const int answer =
        MsgBox::Show("Wingscribe will not work without the correct settings! Skip this Setup?",
                     MsgBox::vbYesNo, "Setup");
    if (answer == MsgBox::vbYes) {
        MainMod::WriteIniKey("Config", "KVEServer", "127.0.0.1");
        Unload(*this);
    }
}

void frmSetup::reject() {
    Guarded([&] { cmdCancel_Click(); });
}

void frmSetup::closeEvent(QCloseEvent* event) {
    // Closed from outside (the window manager): the same as Cancel.
    event->ignore();
    reject();
}
