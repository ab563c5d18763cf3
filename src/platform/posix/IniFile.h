// SPDX-License-Identifier: GPL-3.0-or-later
// Changing the settings file while people may edit it by hand.
//
// A change is a function of the file's content. It is redone on the new content whenever the
// file changed between the read and the replace (see FileReplace). A file that has lost keys
// since this process last read or wrote that very file (the same file, not a new one saved
// in its place) may be caught half-way through an editor's save in place: it is read again
// until it holds still, and only a file that holds still counts as the new content, so a
// half-saved file never becomes the settings file.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace IniFile {

// Replaces the content of the file at `path` with change(content); a missing file reads as
// empty. Returns false when nothing could be written (errno tells why).
bool Update(const std::string& path, const std::function<std::string(std::string_view)>& change);

// Points where a test may edit the file as a person would, at the worst moment.
enum class Moment {
    AfterRead,    // the content was read, the change not yet written
    WhileWaiting, // a file that lost keys is being watched until it holds still
    BeforeSwap,   // the last check passed, the replacement is about to take the file's place
};
void SetRaceHookForTesting(std::function<void(Moment)> hook);

} // namespace IniFile
