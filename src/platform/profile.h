// Private profile (INI) file access. On Windows these are the system's own functions;
// elsewhere an INI engine with the same semantics stands in for them, over plain files.
// They live in a namespace of their own so that they never meet the system's declarations.
//
// Text is byte-exact 8-bit. Section and key names match without regard to case, blanks
// around names and values are ignored, a value wholly inside double quotes comes back
// without them, ';' comment lines and lines without '=' are skipped, and the first of
// duplicate keys wins. Files may use CR LF or LF line ends.
//
// A backslash in a file path is a directory separator, as on the system these settings
// files come from; several separators in a row count as one.
#pragma once

namespace Kernel32 {

// Copies the value of `key` in `section` of `fileName` into `returnedString` (at most
// size - 1 characters, always NUL-terminated when size > 0) and returns the count copied.
// When the file, the section or the key is missing, copies `defaultValue` instead, with
// its trailing blanks removed. `section` and `key` must not be null.
unsigned long GetPrivateProfileStringA(const char* section, const char* key,
                                       const char* defaultValue, char* returnedString,
                                       unsigned long size, const char* fileName);

// Sets `key` in `section` of `fileName` to `value`, keeping every other line, its order and
// its line end. A new key goes at the end of its section; a missing section or file is
// created. A null `value` deletes the key; a null `key` deletes the whole section.
// The file is replaced atomically: a crash never leaves a half-written file.
// Returns nonzero on success.
int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                               const char* fileName);

// Length in bytes of the file at `fileName` (backslashes as above).
// Throws VbError(VbError::FileNotFound) when the file does not exist.
long FileLen(const char* fileName);

} // namespace Kernel32
