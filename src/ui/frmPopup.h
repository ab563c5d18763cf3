// SPDX-License-Identifier: GPL-3.0-or-later
// The choice window: a strip of four buttons that a right click on the caption text opens.
// It leads to the options dialog or the setup dialog, closes itself, or ends the program.
#pragma once

#include "ui/FormInstance.h"

#include <QDialog>
#include <array>

class QPushButton;
class frmMain;

class frmPopup : public QDialog, public FormInstance<frmPopup> {
    Q_OBJECT
public:
    enum Choice : int { GoToOptions = 0, CloseThisWindow = 1, EndWingscribe = 2, GoToSetup = 3 };

    // The right-click handling: drops the caption window's top-most state, shows the choice
    // window over it until the whole chain of dialogs has closed, then re-applies the
    // top-most setting.
    static void OpenOver(frmMain& caption);

    std::array<QPushButton*, 4> cmdChoose;
    void cmdChoose_Click(int index);

protected:
    void reject() override; // Esc presses "Close this Window"

private:
    friend class FormInstance<frmPopup>;
    frmPopup();
};
