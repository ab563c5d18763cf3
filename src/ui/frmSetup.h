// SPDX-License-Identifier: GPL-3.0-or-later
// The setup dialog: asks for the name or address of the PC that runs the simulator and
// stores it as KVEServer. It writes only the settings file; its opener decides whether to
// re-read it. Unloading discards it; the next use builds it afresh with an empty box.
#pragma once

#include "ui/FormInstance.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

class frmSetup : public QDialog, public FormInstance<frmSetup> {
    Q_OBJECT
public:
    QLineEdit* txtHost;
    QPushButton* cmdConfirm;
    QPushButton* cmdCancel;

    void cmdConfirm_Click();
    void cmdCancel_Click();

protected:
    void reject() override; // Esc
    void closeEvent(QCloseEvent* event) override;

private:
    friend class FormInstance<frmSetup>;
    frmSetup();
};
