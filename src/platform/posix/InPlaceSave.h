// SPDX-License-Identifier: GPL-3.0-or-later
// Changing a settings file in place, where it cannot be replaced whole (a read-only folder, a
// full disk, other hard links), so that a writer killed after any byte leaves a file that
// reads as the old text or as the new one, and the next access makes it exactly one of them.
//
// It rests on two rules of the reader: only the first section of a name counts, and lines
// before the first section header count for nothing.
//  1. A copy of the old text is added at the end, behind a comment line that records the
//     change. Its sections come second and count for nothing.
//  2. The old text in front is overwritten with ';'. With its headers gone its keys count for
//     nothing, and the copy's sections, now the first, read exactly as the old ones did.
//  3. The new text is written over the front with every line that starts with '[' turned
//     into a comment (';'): still no header in front, still the old meaning.
//  4. The '[' go back one at a time, last first: each brings in one whole section as the new
//     text has it, in place of the copy's.
//  5. The file is cut to the new text's length, which drops the record and the copy.
// Every state reads as the old or the new text as long as the change touches one section and
// no section name occurs twice; where that does not hold, no plan is made.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace InPlaceSave {

struct Step {
    std::size_t at = 0; // where `bytes` go, or for a cut the length that the file keeps
    std::string bytes;
    bool cut = false;
};
using Steps = std::vector<Step>;

// The steps that turn the file's `before` into `after`, or nothing when that cannot be done
// so that every state in between reads as one of them.
std::optional<Steps> Plan(std::string_view before, std::string_view after);

// The steps that finish or undo the change that a killed writer left unfinished in `content`,
// to the text whose meaning it has now. None when `content` holds no unfinished change, or
// one that was edited since in a way that reads as neither text (it is then left as it is).
Steps Recovery(std::string_view content);

// `text` after `steps`, as the file would hold it.
std::string Apply(std::string text, const Steps& steps);

// Carries out `steps` on the open file `fd`, each on the disk before the next begins. Returns
// false with errno set when one fails.
bool Run(int fd, const Steps& steps);

} // namespace InPlaceSave
