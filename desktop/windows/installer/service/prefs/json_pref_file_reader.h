#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_JSON_PREF_FILE_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_JSON_PREF_FILE_READER_H_

#include <cstddef>
#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/prefs/json_pref_store.h"

namespace base {
class DictionaryValue;
}

// The product feature that switches the ".backup" copies on.
extern const char kBackupPreferenceFilesFeature[];

// Preference files are small; a larger one is not read whole.
inline constexpr size_t kMaxPreferenceFileSize = 16 * 1024 * 1024;

// Reads a preference file for JsonPrefStore. A corrupt file is moved aside
// to the same name with the extension "bad". With the feature on, every
// file but "Local State" keeps a ".backup" copy of its last good contents,
// and a corrupt file is restored from that copy (the restored contents are
// written back to |path|, so the next read finds them there too).
std::unique_ptr<JsonPrefStore::ReadResult> ReadPrefsFromDisk(const base::FilePath& path);

// Only reads `path` as a preference dictionary: nothing on disk changes (a
// damaged file stays where it is, no backup is made or restored). Null when
// the file is missing, unreadable, larger than kMaxPreferenceFileSize, not
// JSON or not a dictionary.
std::unique_ptr<base::DictionaryValue> ReadPreferenceFileOnly(const base::FilePath& path);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_JSON_PREF_FILE_READER_H_
