#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_EXECUTABLE_IMAGE_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_EXECUTABLE_IMAGE_H_

#include <cstdint>

namespace base {
class File;
class FilePath;
}  // namespace base

// Where the part of a PE file that the loader maps ends: after its headers
// and the raw data of every section. What follows (an appended payload, the
// certificate table, a symbol table) is never loaded. 0 when `file` is not
// a PE image whose headers and sections lie inside it.
uint64_t GetExecutableImageEnd(base::File* file);

// Copies the loadable part of the executable `from` to the new file `to`,
// with the security directory entry cleared when the certificate table is
// left behind: a runnable copy whose cost does not grow with a payload.
// Any other file is copied whole. A copy that fails half way is deleted.
bool CopyExecutableImage(const base::FilePath& from, const base::FilePath& to);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_EXECUTABLE_IMAGE_H_
