// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MsgBox.h"

#include "platform/App.h"
#include "platform/Text8.h"

#include <QApplication>
#include <QMessageBox>

namespace {

std::function<int(const MsgBox::Call&)>& answerer() {
    static std::function<int(const MsgBox::Call&)> instance;
    return instance;
}

QMessageBox::Icon iconFor(int buttons) {
    switch (buttons & 0x70) {
    case MsgBox::vbCritical:
        return QMessageBox::Critical;
    case MsgBox::vbQuestion:
        return QMessageBox::Question;
    case MsgBox::vbExclamation:
        return QMessageBox::Warning;
    case MsgBox::vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

namespace MsgBox {

int Show(const std::string& prompt, int buttons, const std::string& title) {
    if (answerer())
        return answerer()(Call{prompt, buttons, title});

    const bool yesNo = (buttons & 0x7) == vbYesNo;
    QMessageBox box(iconFor(buttons), toQt(title.empty() ? App::ProductName : title), toQt(prompt),
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeModalWidget());
    box.setTextFormat(Qt::PlainText);
    box.setWindowFlag(Qt::WindowStaysOnTopHint); // never lost behind a top-most caption
    const int pressed = box.exec();
    if (!yesNo)
        return vbOK;
    return pressed == QMessageBox::Yes ? vbYes : vbNo;
}

void SetAnswererForTesting(std::function<int(const Call&)> replacement) {
    answerer() = std::move(replacement);
}

} // namespace MsgBox
