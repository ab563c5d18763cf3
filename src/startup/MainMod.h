// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up module: the process-wide settings record, the settings file's access
// operations, and the start sequence.
#pragma once

#include <cstdint>
#include <string>

namespace MainMod {

// The settings that message handling consults for every message. Everything else is read
// from the settings file at the moment it is used.
struct SettingsRecord {
    std::string IniPath;
    std::string KVEServer;
    std::int32_t KVEPort = 0;
    std::int32_t MsgDelay = 0;
    bool AtcComs = false;
    bool OwnComs = false;
    bool LastMsg = false;
    bool HighlightTX2U = false;
    bool ShowATIS = false;
};

extern SettingsRecord Settings;

// The value of `key`, as the file holds it now; a missing key reads as the empty text.
std::string ReadIniKey(const std::string& section, const std::string& key,
                       const std::string& defaultValue);
// Stores `value` with blanks at both ends removed. A failed write goes unnoticed.
void WriteIniKey(const std::string& section, const std::string& key, const std::string& value);
// The value up to the first `marker`, with spaces at both ends removed.
std::string CutAtMarker(const std::string& value, const std::string& marker);

// Shorthand for the program's one section: ReadIniKey("Config", key, "") cut at "/".
std::string ReadSetting(const std::string& key);

// The settings file's path: the executable's directory, the separator (a backslash on
// Windows), its name and ".ini". The separator goes in even after a root directory's own.
std::string SettingsFilePath();
// Writes the complete default settings file. Throws VbError when it cannot be written
// completely; nothing of it is then left behind.
void CreateDefaultIni();

// The start sequence. Returns false when the program should end at once (another copy is
// running, or no instance lock or no settings file can be made: the last two say so in a
// message box); otherwise the caption window is up.
bool Main();

} // namespace MainMod
