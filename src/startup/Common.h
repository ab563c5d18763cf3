// SPDX-License-Identifier: GPL-3.0-or-later
// Small window and text helpers shared by the windows.
#pragma once

#include "platform/WindowApi.h"

#include <cstdint>
#include <string>

class QWidget;

namespace COMMON {

// Places the window in the middle of the whole screen; its size stays.
void CentreForm(QWidget* form);

// Sets or clears style bits of a window and has the window system redraw its frame.
void SetWindowStyle(User32::HWND window, bool extended, std::int32_t bits, bool set,
                    bool hideWhileChanging);

// Every occurrence of `find` in `text` replaced. With an empty replacement, removals that
// bring a new occurrence together remove that too. An empty `find` changes nothing.
std::string ReplaceAll(std::string text, const std::string& find, const std::string& replacement);

// A single-precision number as the shortest decimal text that reads back the same
// ("6645", "7387.5", "-75").
std::string FormatSingle(float value);

} // namespace COMMON
