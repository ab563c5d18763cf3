// What the tests of the caption window and its dialogs share.
#pragma once

#include "platform/ActiveResize.h"
#include "platform/App.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace fixture {

inline frmMain& caption() {
    return frmMain::Get();
}
inline QString key(const char* name) {
    return MainMod::ReadIniKey("Config", name, "").c_str();
}
inline void put(const char* name, const std::string& value) {
    MainMod::WriteIniKey("Config", name, value);
}
inline QByteArray file() {
    QFile f(QString::fromStdString(MainMod::Settings.IniPath).replace('\\', '/'));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The default settings file and the layout store in `dir`, and the caption window shown; the
// tests give the supervisor's ticks.
inline void showCaption(const QTemporaryDir& dir) {
    ActiveResize::SetStoreFileForTesting(dir.filePath("layouts.ini"));
    App::SetLocationForTesting(dir.path().toStdString(), "Wingscribe");
    MainMod::Settings.IniPath = MainMod::SettingsFilePath();
    MainMod::CreateDefaultIni();
    caption().timMonitorConnection.SetEnabled(false);
    caption().show();
    QVERIFY(QTest::qWaitForWindowExposed(&caption()));
}

// Calls `open`, which shows a modal window, plays the user in it with `user` once it is active,
// and presses Esc in whatever modal window the user left open, so that `open` returns.
template <class Window, class Open, class User> void whileModal(Open open, User user) {
    bool shown = false;
    QTimer::singleShot(0, [&] {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        if (auto* window = qobject_cast<Window*>(modal.data())) {
            shown = QTest::qWaitFor([&] { return window->isActiveWindow(); }, 5000);
            user(*window);
        }
        if (modal && modal->isVisible())
            QTest::keyClick(modal, Qt::Key_Escape);
    });
    open();
    QVERIFY2(shown, Window::staticMetaObject.className());
}

} // namespace fixture
