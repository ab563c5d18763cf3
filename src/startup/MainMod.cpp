// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/MainMod.h"

#include "platform/ActiveResize.h"
#include "platform/App.h"
#include "platform/MsgBox.h"
#include "platform/Twips.h"
#include "platform/VbConvert.h"
#include "platform/VbError.h"
#include "platform/profile.h"
#include "startup/Common.h"
#include "ui/frmMain.h"

#include <functional>
#include <vector>

namespace MainMod {

SettingsRecord Settings;

namespace {

std::string trimSpaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Failures the start sequence steps over: the setting stays as it was.
bool isSkippable(const VbError& error) {
    return error.Number() == VbError::TypeMismatch;
}

} // namespace

std::string ReadIniKey(const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    char buffer[255];
    const std::string fallback = defaultValue.empty() ? " " : defaultValue;
    const unsigned long copied =
        Kernel32::GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer,
                                           sizeof buffer, Settings.IniPath.c_str());
    return std::string(buffer, copied);
}

void WriteIniKey(const std::string& section, const std::string& key, const std::string& value) {
    Kernel32::WritePrivateProfileStringA(section.c_str(), key.c_str(), trimSpaces(value).c_str(),
                                         Settings.IniPath.c_str());
}

std::string CutAtMarker(const std::string& value, const std::string& marker) {
    const std::size_t at = value.find(marker);
    return trimSpaces(at == std::string::npos ? value : value.substr(0, at));
}

std::string ReadSetting(const std::string& key) {
    return CutAtMarker(ReadIniKey("Config", key, ""), "/");
}

std::string SettingsFilePath() {
    return App::Path() + App::PathSeparator() + App::EXEName() + ".ini";
}

void CreateDefaultIni() {
    const std::string left = COMMON::FormatSingle((Twips::ScreenWidth() - 15510) / 2);
    const std::string top = COMMON::FormatSingle((Twips::ScreenHeight() - 1425) / 2);
    const std::vector<std::string> lines = {
        "[Config]",      "FirstRun=0",   "LeftPos=" + left, "TopPos=" + top,     "BackCol=0",
        "TextCol=65280", "HBackCol=0",   "HTextCol=65280",  "Font=Arial",        "FontSize=12",
        "FontBold=0",    "FontItalic=0", "Border=1",        "KVEServer=0.0.0.0", "KVEPort=1008",
        "AtcComs=1",     "OwnComs=1",    "MsgDelay=30",     "LastMsg=1",         "HighlightTX2U=0",
        "AlwaysOnTop=0", "ShowATIS=0"};
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    Kernel32::WriteWholeFile(SettingsFilePath().c_str(), text);
}

bool Main() {
    // 1. Only one copy runs. When the instance lock cannot be made at all there is no telling
    // whether another copy writes the same settings file, so the program says so and ends
    // rather than run unguarded.
    try {
        if (App::PrevInstance())
            return false;
    } catch (const VbError& error) {
        MsgBox::Show("Wingscribe cannot start, because it cannot make sure that no other copy "
                     "of it is running.\r\n\r\n" +
                         error.Description(),
                     MsgBox::vbCritical);
        return false;
    }

    // 2. The settings file must exist; a missing one is created with the defaults. What a
    // copy killed while writing it left behind is put right first.
    Kernel32::FinishInterruptedWrites(SettingsFilePath().c_str());
    try {
        Kernel32::FileLen(SettingsFilePath().c_str());
    } catch (const VbError&) {
        try {
            CreateDefaultIni();
        } catch (const VbError& error) {
            MsgBox::Show("Wingscribe cannot start, because its settings file cannot be "
                         "created.\r\n\r\n" +
                             error.Description(),
                         MsgBox::vbCritical);
            return false;
        }
    }

    // 3. Every later read and write goes to that file.
    Settings.IniPath = SettingsFilePath();

    // Steps 4 to 20 each read one setting and apply it. A setting that cannot be converted
    // is skipped; any other failure stops applying settings, and the window still comes up
    // with what was applied so far.
    const auto toLong = [](const std::string& key) { return CLngOrRaise(ReadSetting(key)); };
    const auto toBool = [](const std::string& key) { return CBoolOrRaise(ReadSetting(key)); };
    const std::vector<std::function<void()>> steps = {
        [] {
            const std::string firstRun = ReadSetting("FirstRun");
            if (firstRun.empty() || firstRun == "0")
                WriteIniKey("Config", "FirstRun", "0");
        },
        [] {
            if (ReadIniKey("Config", "ShowATIS", "").empty())
                WriteIniKey("Config", "ShowATIS", "0");
        },
        [] { Settings.KVEServer = ReadSetting("KVEServer"); },
        [&] { Settings.KVEPort = toLong("KVEPort"); },
        [&] { frmMain::Get().SetBackColor(toLong("BackCol")); },
        [&] { frmMain::Get().SetCaptionForeColor(toLong("TextCol")); },
        [&] { Settings.MsgDelay = toLong("MsgDelay"); },
        [&] { Settings.AtcComs = toBool("AtcComs"); },
        [&] { Settings.OwnComs = toBool("OwnComs"); },
        [&] { Settings.LastMsg = toBool("LastMsg"); },
        [&] { Settings.HighlightTX2U = toBool("HighlightTX2U"); },
        [&] { Settings.ShowATIS = toBool("ShowATIS"); },
        [] { frmMain::Get().SetCaptionFontName(ReadSetting("Font")); },
        [] { frmMain::Get().SetCaptionFontSize(CIntOrRaise(ReadSetting("FontSize"))); },
        [&] { frmMain::Get().SetCaptionFontBold(toBool("FontBold")); },
        [&] { frmMain::Get().SetCaptionFontItalic(toBool("FontItalic")); },
        [] {
            const std::int64_t period = std::int64_t(Settings.MsgDelay) * 1000;
            if (period != static_cast<std::int32_t>(period))
                throw VbError(VbError::Overflow, "Overflow");
            frmMain::Get().timMsgDelay.SetInterval(static_cast<std::int32_t>(period));
        },
    };
    bool completed = true;
    for (const auto& step : steps) {
        try {
            step();
        } catch (const VbError& error) {
            if (isSkippable(error))
                continue;
            completed = false;
            break;
        } catch (const std::exception&) {
            completed = false;
            break;
        }
    }

    // 21. Show the caption window, 22. put it back where the user left it.
    frmMain& caption = frmMain::Get();
    caption.show();
    try {
        caption.ActiveResize1->RestoreFormLayout(&caption, true, App::EXEName());
    } catch (const std::exception&) {
        return true;
    }

    // 23. The start ran to its end.
    if (completed)
        WriteIniKey("Config", "FirstRun", "1");
    return true;
}

} // namespace MainMod
