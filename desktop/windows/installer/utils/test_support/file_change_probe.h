#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_FILE_CHANGE_PROBE_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_FILE_CHANGE_PROBE_H_

#include "base/files/file_path.h"

// Whether `path` can be opened for writing, or renamed, right now: false
// while somebody holds it open without write and delete sharing. A rename
// that succeeds is undone.
bool CanBeChanged(const base::FilePath& path);

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_FILE_CHANGE_PROBE_H_
