// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog. Every change is written to the settings file at once and the matching
// setting is read back, so the next message already follows it. The window is rebuilt at
// every opening and filled from the file; the object itself, with its Filling flag and the
// highlight preview state, lives for the whole run.
#pragma once

#include "options/AppearanceCommands.h"

#include "ui/FormInstance.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class VScrollBar;

class frmOptions : public QDialog, public FormInstance<frmOptions> {
    Q_OBJECT
public:
    // Loads the window (filling its controls) and shows it modally until it is closed.
    void Show();

    // True from creation until the window is first activated: the change handlers ignore
    // what the fill does.
    bool Filling = true;

    std::array<QPushButton*, 7> cmdOptions{};
    QComboBox* cboAtcComs = nullptr;
    QComboBox* cboOwnComs = nullptr;
    QLabel* lblMsgDelay = nullptr;
    VScrollBar* vsDelay = nullptr;
    QCheckBox* chkLastMsg = nullptr;
    QCheckBox* chkHighlight = nullptr;
    QCheckBox* chkOnTop = nullptr;
    QCheckBox* chkShowATIS = nullptr;
    QPushButton* cmdClose = nullptr;

    AppearanceCommands Appearance{*this};

    void cboAtcComs_Click();
    void cboOwnComs_Click();
    void chkLastMsg_Click();
    void chkHighlight_Click();
    void chkOnTop_Click();
    void chkShowATIS_Click();
    void vsDelay_Change();
    void cmdClose_Click();

protected:
    bool event(QEvent* event) override;
    void reject() override; // Esc and the window manager's close: the Close button

private:
    friend class FormInstance<frmOptions>;
    frmOptions();
    void BuildControls();
    void Form_Load();

    QWidget* controls_ = nullptr;
};
