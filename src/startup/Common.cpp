// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/Common.h"

#include "platform/Twips.h"

#include <charconv>

using namespace User32;

namespace COMMON {

void CentreForm(QWidget* form) {
    Twips::SetTop(form, (Twips::ScreenHeight() - Twips::Height(form)) / 2);
    Twips::SetLeft(form, (Twips::ScreenWidth() - Twips::Width(form)) / 2);
}

void SetWindowStyle(User32::HWND window, bool extended, std::int32_t bits, bool set,
                    bool hideWhileChanging) {
    const int index = extended ? GWL_EXSTYLE : GWL_STYLE;
    const std::int32_t current = GetWindowLongA(window, index);
    const std::int32_t updated = set ? (current | bits) : (current & ~bits);
    if (hideWhileChanging)
        ShowWindow(window, SW_HIDE);
    SetWindowLongA(window, index, updated);
    if (hideWhileChanging)
        ShowWindow(window, SW_SHOW);
    SetWindowPos(window, 0, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

std::string ReplaceAll(std::string text, const std::string& find, const std::string& replacement) {
    if (find.empty())
        return text;
    std::size_t at = text.find(find);
    while (at != std::string::npos) {
        text.replace(at, find.size(), replacement);
        // Inserted text is never searched again. A removal may join a new occurrence, which
        // can start at most find.size() - 1 characters before the join.
        const std::size_t back = find.size() - 1;
        at = text.find(find,
                       replacement.empty() ? (at > back ? at - back : 0) : at + replacement.size());
    }
    return text;
}

std::string FormatSingle(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace COMMON
