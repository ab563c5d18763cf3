// SPDX-License-Identifier: GPL-3.0-or-later
// Private profile (INI) file access. On Windows these are the system's own functions;
// elsewhere an INI engine with the same semantics stands in for them, over plain files.
// They live in a namespace of their own so that they never meet the system's declarations.
//
// Text is byte-exact 8-bit and read as Windows reads it: section and key names match without
// regard to case, blanks around names and values are ignored, a value wholly inside double
// or single quotes comes back without them, ';' comment lines and lines without '=' are
// skipped, only the first section of a name counts and in it the first of duplicate keys.
// A section header needs its ']' (the name runs to the last one); lines end with CR LF, LF
// or a lone CR. A file that starts with the UTF-8 byte-order mark (Notepad's "UTF-8") holds
// UTF-8 text: the mark is skipped and kept, and values are converted to and from 8-bit text.
//
// File paths are the system's own: elsewhere than on Windows a backslash is an ordinary
// character of a name, not a separator.
#pragma once

#include <string>

namespace Kernel32 {

// Copies the value of `key` in `section` of `fileName` into `returnedString` (at most
// size - 1 characters, always NUL-terminated when size > 0) and returns the count copied.
// When the file, the section or the key is missing, copies `defaultValue` instead, with
// its trailing blanks removed. `section` and `key` must not be null.
unsigned long GetPrivateProfileStringA(const char* section, const char* key,
                                       const char* defaultValue, char* returnedString,
                                       unsigned long size, const char* fileName);

// Sets `key` in `section` of `fileName` to `value`, keeping every other line byte for byte;
// an existing key keeps its own spelling and only its value changes. A new key goes at the
// end of its section; a missing section or file is created. A null `value` deletes the key;
// a null `key` deletes the whole section. The stand-in never leaves a half-written file,
// keeps the file's owner, group, mode and symbolic link, and keeps edits that someone saves
// by hand meanwhile. A read-only file (one without any write permission) is not written.
// Returns nonzero on success.
int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                               const char* fileName);

// Length in bytes of the file at `fileName`.
// Throws VbError(VbError::FileNotFound) when the file does not exist.
long FileLen(const char* fileName);

// Puts right what a writer killed half-way left of the file at `fileName`: the stand-in
// finishes or undoes a change it made in place and removes its temporary files beside the
// file; the system's own functions leave nothing to do.
void FinishInterruptedWrites(const char* fileName);

// Writes `content` as the whole file at `fileName`, creating it or
// replacing what is there. The file counts as written only when every byte reached the
// disk; a file that could not be written completely is not left behind. Throws
// VbError(VbError::PathFileAccess) with a description that names the path and the reason.
void WriteWholeFile(const char* fileName, const std::string& content);

} // namespace Kernel32
