// What the program knows about its own executable: where it lives, its name, its product
// name, and whether another copy of it is already running.
#pragma once

#include <QIcon>
#include <string>

namespace App {

// The executable's directory, without a trailing separator.
std::string Path();
// The executable's file name without its extension.
std::string EXEName();
// The product name from the program's version information.
inline constexpr const char* ProductName = "Wingscribe";

// The program's 32 x 32 icon, which its caption, choice and options windows carry.
QIcon Icon();

// True when another running process holds this executable's instance lock. The first call
// takes the lock for this process (held until it ends); a crashed copy leaves a stale lock
// that the next start takes over. One copy per executable path.
bool PrevInstance();
// Gives up the lock that PrevInstance took, as the end of the process would.
void ReleaseInstance();

// Lets tests pose as an executable stored elsewhere or under another name.
void SetLocationForTesting(const std::string& path, const std::string& exeName);
// The lock file that PrevInstance uses for the current location.
std::string InstanceLockPath();

} // namespace App
