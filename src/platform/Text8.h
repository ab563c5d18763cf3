// SPDX-License-Identifier: GPL-3.0-or-later
// The one place where the program's 8-bit text meets Qt's Unicode strings. The 8-bit text is
// in the Windows ANSI code page: the system's own on Windows, Windows-1252 elsewhere (what a
// simulator on a Western Windows PC sends). One byte is one character, both ways; a
// character the code page cannot hold becomes "?".
#pragma once

#include <QString>
#include <string>

QString toQt(const std::string& text);
std::string fromQt(const QString& text);
