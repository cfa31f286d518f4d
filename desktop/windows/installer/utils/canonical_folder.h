#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_CANONICAL_FOLDER_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_CANONICAL_FOLDER_H_

#include <cstddef>
#include <string>

#include "base/files/file_path.h"

// One installation folder has many spellings ("C:/Tarvo", "c:\TARVO\",
// "C:\Tarvo\\", "C:\PROGRA~1\Tarvo" for "C:\Program Files\Tarvo"); the
// installer turns each into one before it uses it, and builds every name
// that must be the same in all its processes from that one.

// The canonical form of an absolute folder: full ("." and ".." resolved,
// trailing dots and blanks of a part dropped, as Windows itself does), "\"
// as the only separator, never doubled nor trailing (but a drive root's),
// an upper-case drive letter, and the long name of every part that exists. A folder that is not
// absolute comes back as it is: it is refused as relative.
base::FilePath CanonicalizeFolderPath(const base::FilePath& folder);

// The canonical folder upper-cased as the file system compares names: the
// part of every kernel object name that stands for the folder (mutex names
// compare case-sensitively, mailslot names do not), and what tells whether
// two spellings name one folder.
std::wstring GetFolderKey(const base::FilePath& folder);
bool IsSameFolder(const base::FilePath& a, const base::FilePath& b);

// The deepest path of a file of the package below the versioned folder it
// is unpacked into: the language packs' info files below "localization\".
inline constexpr size_t kLongestPackagedPath = 32;

// The longest installation folder (canonical) whose every name and path
// fits: the mailslot's name (below 260 characters) and the deepest path the
// installation makes below it (below MAX_PATH), that is the versioned
// folder - a version of `version_length` characters and a "_n" suffix of
// up to four - and in it the deepest file of the package, moved aside with
// a ".<seconds>.old" suffix while it is replaced.
size_t GetMaxInstallFolderLength(size_t version_length);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_CANONICAL_FOLDER_H_
