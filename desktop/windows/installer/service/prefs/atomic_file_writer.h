#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_ATOMIC_FILE_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_ATOMIC_FILE_WRITER_H_

#include <string_view>

#include "base/files/file_path.h"

// Writes |data| to a temporary file in |path|'s folder, flushes it to disk
// and renames it over |path|. A failure or a crash at any point leaves the
// old file as it was (and no temporary file behind after a failure).
bool WriteFileAtomically(const base::FilePath& path, std::string_view data);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_ATOMIC_FILE_WRITER_H_
