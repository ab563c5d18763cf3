// SPDX-License-Identifier: GPL-3.0-or-later
// What the program knows about its own executable: where it lives, its name, its product
// name, and whether another copy of it is already running.
#pragma once

#include <QIcon>
#include <string>

namespace App {

// The executable's directory, without a trailing separator.
std::string Path();
// What joins a directory and a name in a path: a backslash on Windows, a slash elsewhere,
// where a backslash is an ordinary character of a file or folder name.
char PathSeparator();
// The executable's file name without its extension.
std::string EXEName();
// The product name from the program's version information.
inline constexpr const char* ProductName = "Wingscribe";

// The program's 32 x 32 icon, which its caption, choice and options windows carry.
QIcon Icon();

// True when another running process holds this executable's instance lock: one copy per
// user and executable path. The first call takes the lock for this process; the system
// releases it when the process ends, however it ends, so no crash can leave a stale lock.
// The lock lives in a folder of the user's own, found through the user database and never
// through environment variables: on Windows an exclusively opened file in the local
// application data folder, elsewhere one byte (chosen by the executable's path) of
// ~/.cache/wingscribe/instances.lock, ~ from the user database, under an fcntl lock. Throws
// VbError(VbError::PathFileAccess), naming the path and the reason, when no lock can be made at
// all.
bool PrevInstance();
// Gives up the lock that PrevInstance took, as the end of the process would.
void ReleaseInstance();

// Lets tests pose as an executable stored elsewhere or under another name.
void SetLocationForTesting(const std::string& path, const std::string& exeName);
// Lets tests put the lock into another folder; empty: the user's own, as above.
void SetInstanceLockFolderForTesting(const std::string& folder);
// The lock file that PrevInstance uses for the current location.
std::string InstanceLockPath();

} // namespace App
