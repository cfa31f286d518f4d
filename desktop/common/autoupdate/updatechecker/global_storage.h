#ifndef DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBAL_STORAGE_H_
#define DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBAL_STORAGE_H_

#include <cstdint>
#include <optional>
#include <string>

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"
#include "desktop/common/autoupdate/updatechecker/fallback_storage_file.h"

// Named mutex that the browser's autoupdate client takes too.
inline constexpr wchar_t kGlobalStorageMutexName[] = L"tauc_registry_mutex";
// The fallback file's name in the profile folder.
inline constexpr wchar_t kGlobalStorageFileName[] = L"au_global_storage";

// Values shared with the browser's autoupdate client: ANSI REG_SZ values of
// the company key under HKEY_CURRENT_USER or, where that cannot be used (a
// standalone copy, a key the user may not write), the dictionary "GS" of
// the profile's "au_global_storage" file. Calls never wait for the other
// processes: while one holds the mutex they answer kBusy at once. Used from
// one thread.
class GlobalStorage {
 public:
  enum Result : int32_t {
    kSuccess = 0,
    kBusy = 1,
    kFailure = -252,
    kEmptyName = -254,
  };

  // The process-wide instance.
  static GlobalStorage* GetInstance();

  // `mutex_name`: tests use their own, so that parallel test processes do
  // not see each other.
  explicit GlobalStorage(const wchar_t* mutex_name = kGlobalStorageMutexName);
  GlobalStorage(const GlobalStorage&) = delete;
  GlobalStorage& operator=(const GlobalStorage&) = delete;
  ~GlobalStorage();

  // Sets the fallback file in `profile_folder` and, when it exists while
  // the registry is usable, copies its string entries into the registry
  // (the file stays, and later writes of this process go to both).
  void Initialize(const base::FilePath& profile_folder);
  // An empty value removes the entry.
  Result SetValue(const std::string& name, const std::string& value);
  // `value` is emptied first and stays empty for a missing entry.
  Result GetValue(const std::string& name, std::string* value);

 private:
  // Held for the scope of one call; releases the mutex on every return.
  class ScopedHold;

  // The registry test, on first need: whether the fallback file is used.
  bool UseFallback();
  bool EnsureMutex();
  // Whether the fallback file exists although the registry is in use (it
  // is not being moved into the registry right now).
  bool FileBesideTheRegistry();
  Result SetFileValue(const std::string& name, const std::string& value);

  const std::wstring mutex_name_;
  base::win::ScopedHandle mutex_;
  std::optional<FallbackStorageFile> fallback_file_;
  bool checked_ = false;
  bool use_fallback_ = false;
  bool migrating_ = false;
};

#endif  // DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBAL_STORAGE_H_
