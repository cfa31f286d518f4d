#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_RELATIVE_PATH_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_RELATIVE_PATH_H_

#include <string_view>

// Entries read from status records, package lists and archives are
// untrusted: before anything is written or deleted with one, it must name a
// place strictly below the folder it is joined to. Accepted: a non-empty
// relative path whose components ("/" and "\" both separate) are ordinary
// names. Refused: a drive or any ":" (also alternate streams), a leading
// separator (rooted, UNC, "\\?\"), empty components, "." and ".." and any
// component ending in "." or " " (Windows strips those, so "a. " would alias
// "a" and ". ." would alias "."), control characters and the characters
// < > " | ? *, and reserved device names.
bool IsSafeRelativePath(std::wstring_view entry);
// The same for UTF-8 text; invalid UTF-8 is refused.
bool IsSafeRelativePath(std::string_view utf8_entry);

// Whether `name` is one plain file or folder name: a path IsSafeRelativePath
// accepts that has no separator.
bool IsSafeFileName(std::wstring_view name);
bool IsSafeFileName(std::string_view utf8_name);

// Whether `text` holds a control character (U+0000 to U+001F or U+007F).
// Windows ends a file or registry name at an embedded NUL, so a name read
// from a file that holds one would reach something other than what every
// check on the whole text saw.
bool HasControlCharacter(std::wstring_view text);
// The same for UTF-8 text (checked byte by byte: no control character is
// part of a longer UTF-8 sequence).
bool HasControlCharacter(std::string_view text);

// Whether Windows opens a device for a file named `component`: CON, PRN,
// AUX, NUL, CONIN$, CONOUT$, COM0-9 and LPT0-9 (also with the superscript
// digits 1-3), in any case, alone or followed by blanks or an extension
// ("nul.txt", "Com1 .log").
bool IsReservedDeviceName(std::wstring_view component);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_RELATIVE_PATH_H_
