#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TEST_SUPPORT_SCRATCH_SNAPSHOT_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TEST_SUPPORT_SCRATCH_SNAPSHOT_H_

#include <windows.h>

#include <map>
#include <string>

#include "base/files/file_path.h"

// Everything below a folder: relative path -> "dir", or "file:" followed by
// the attributes' read-only flag and the contents (so sizes and bytes are
// compared too).
std::map<std::wstring, std::string> SnapshotFolder(const base::FilePath& folder);

// Everything below a registry key: "key" entries for every subkey (relative
// path + "\") and one entry per value (path + "\" + ":" + name) holding the
// type and the bytes.
std::map<std::wstring, std::string> SnapshotRegistryKey(HKEY root, const std::wstring& key_path);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TEST_SUPPORT_SCRATCH_SNAPSHOT_H_
