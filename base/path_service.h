#ifndef BASE_PATH_SERVICE_H_
#define BASE_PATH_SERVICE_H_

#include "base/base_paths.h"
#include "base/files/file_path.h"

namespace base {

class ScopedPathOverride;

// Well-known paths by key (base/base_paths.h). Overrides (tests, or a
// product moving a folder) win over the providers. Thread-safe.
class PathService {
 public:
  // False (and `*path` unchanged) when the path cannot be found.
  static bool Get(int key, FilePath* path);

  // Replaces the path of `key`: made absolute, and for folders created
  // when missing. False if that fails.
  static bool Override(int key, const FilePath& path);
  // `is_absolute`: the path is already absolute (kept as given);
  // `create`: make the folder when missing.
  static bool OverrideAndCreateIfNeeded(int key, const FilePath& path, bool is_absolute,
                                        bool create);
  static bool RemoveOverride(int key);

  // Adds a provider for the keys [key_start, key_end).
  using ProviderFunc = bool (*)(int key, FilePath* result);
  static void RegisterProvider(ProviderFunc provider, int key_start, int key_end);

 private:
  friend class ScopedPathOverride;
  static bool GetOverride(int key, FilePath* path);
};

}  // namespace base

#endif  // BASE_PATH_SERVICE_H_
