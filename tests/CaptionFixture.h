// SPDX-License-Identifier: GPL-3.0-or-later
// What the tests of the caption window, its dialogs and the start share.
#pragma once

#include "platform/ActiveResize.h"
#include "platform/App.h"
#include "platform/MsgBox.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QtTest>
#include <QtWidgets>

struct CaptionFixture {
    static frmMain& caption() { return frmMain::Get(); }
    static QString key(const char* k) { return MainMod::ReadIniKey("Config", k, "").c_str(); }
    static void put(const char* k, const std::string& v) { MainMod::WriteIniKey("Config", k, v); }
    static QByteArray file() {
        QFile f(QString::fromStdString(MainMod::Settings.IniPath));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    // The default settings file and the layout store in `dir`, and the caption window shown;
    // the tests give the supervisor's ticks.
    static void showCaption(const QTemporaryDir& dir) {
        ActiveResize::SetStoreFileForTesting(dir.filePath("layouts.ini"));
        App::SetLocationForTesting(dir.path().toStdString(), "Wingscribe");
        MainMod::Settings.IniPath = MainMod::SettingsFilePath();
        MainMod::CreateDefaultIni();
        caption().timMonitorConnection.SetEnabled(false);
        caption().show();
        QVERIFY(QTest::qWaitForWindowExposed(&caption()));
    }

    // Calls `open`, which shows a modal dialog, plays the user in it with `user` once it is
    // active, and rejects whatever modal dialog the user left open, so `open` returns.
    template <class Window, class Open, class User> static void whileModal(Open open, User user) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            QPointer<QWidget> modal = QApplication::activeModalWidget();
            if (auto* window = qobject_cast<Window*>(modal.data())) {
                shown = QTest::qWaitFor([&] { return window->isActiveWindow(); }, 5000);
                user(*window);
            }
            if (auto* dialog = qobject_cast<QDialog*>(modal.data()); dialog && dialog->isVisible())
                dialog->reject(); // as Esc does, also while the dialog is disabled
        });
        open();
        QVERIFY2(shown, Window::staticMetaObject.className());
    }
};
