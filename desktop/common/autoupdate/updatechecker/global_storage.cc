#include "desktop/common/autoupdate/updatechecker/global_storage.h"

#include <windows.h>

#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/win/kernel_object_security.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

// Read and write (KEY_READ | KEY_WRITE).
constexpr REGSAM kReadWriteAccess = 0x2001F;

GlobalStorage::Result SetRegistryValue(const std::string& name, const std::string& value) {
  HKEY key = nullptr;
  LSTATUS result = RegCreateKeyExW(HKEY_CURRENT_USER, GetCompanyRegistryKey().c_str(), 0,
                                   nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "[AU] GS: Creating reg key failed with: " << result;
    return GlobalStorage::kFailure;
  }
  // The text's bytes without a terminating zero, as the client writes them.
  result = RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.data()),
                          static_cast<DWORD>(value.size()));
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "[AU] GS: Setting reg value failed with: " << result;
    return GlobalStorage::kFailure;
  }
  return GlobalStorage::kSuccess;
}

GlobalStorage::Result DeleteRegistryValue(const std::string& name) {
  HKEY key = nullptr;
  const LSTATUS result =
      RegOpenKeyExW(HKEY_CURRENT_USER, GetCompanyRegistryKey().c_str(), 0, KEY_WRITE, &key);
  if (result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND)
    return GlobalStorage::kSuccess;
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "[AU] GS: Deleting reg value failed with: " << result;
    return GlobalStorage::kFailure;
  }
  RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
  return GlobalStorage::kSuccess;
}

GlobalStorage::Result GetRegistryValue(const std::string& name, std::string* value) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, GetCompanyRegistryKey().c_str(), 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS) {
    return GlobalStorage::kSuccess;  // no key, no entry
  }
  GlobalStorage::Result outcome = GlobalStorage::kSuccess;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    // One byte more, so that the text always ends in a zero.
    std::vector<char> buffer(size + 1, '\0');
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) == ERROR_SUCCESS) {
      value->assign(buffer.data());
    } else {
      outcome = GlobalStorage::kFailure;
    }
  }
  RegCloseKey(key);
  return outcome;
}

}  // namespace

class GlobalStorage::ScopedHold {
 public:
  explicit ScopedHold(HANDLE mutex) : mutex_(mutex) {
    const DWORD wait = WaitForSingleObject(mutex_, 0);
    // An abandoned mutex is ours now; its holder died.
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  }
  ~ScopedHold() {
    if (held_)
      ReleaseMutex(mutex_);
  }
  bool held() const { return held_; }

 private:
  const HANDLE mutex_;
  bool held_ = false;
};

// static
GlobalStorage* GlobalStorage::GetInstance() {
  // Destroyed at exit, which closes the mutex.
  static GlobalStorage instance;
  return &instance;
}

GlobalStorage::GlobalStorage(const wchar_t* mutex_name) : mutex_name_(mutex_name) {}

GlobalStorage::~GlobalStorage() = default;

bool GlobalStorage::UseFallback() {
  if (checked_)
    return use_fallback_;
  checked_ = true;
  if (Installation::GetInstance()->IsCopyOnly()) {
    use_fallback_ = true;
    return use_fallback_;
  }
  HKEY key = nullptr;
  const LSTATUS result = RegOpenKeyExW(HKEY_CURRENT_USER, GetCompanyRegistryKey().c_str(), 0,
                                       kReadWriteAccess, &key);
  if (result == ERROR_SUCCESS)
    RegCloseKey(key);
  // A missing key is made on the first write.
  use_fallback_ = result == ERROR_ACCESS_DENIED;
  return use_fallback_;
}

bool GlobalStorage::EnsureMutex() {
  if (mutex_.IsValid())
    return true;
  mutex_.Set(KernelObjectSecurity::CreateOwnMutex(mutex_name_));
  // Another user's process made it; we may still wait on it.
  if (!mutex_.IsValid() && GetLastError() == ERROR_ACCESS_DENIED)
    mutex_.Set(OpenMutexW(SYNCHRONIZE, FALSE, mutex_name_.c_str()));
  return mutex_.IsValid();
}

bool GlobalStorage::FileBesideTheRegistry() {
  return fallback_file_ && !migrating_ && base::PathExists(fallback_file_->path());
}

GlobalStorage::Result GlobalStorage::SetFileValue(const std::string& name,
                                                  const std::string& value) {
  if (!fallback_file_ || !fallback_file_->SetEntry(name, value)) {
    LOG(ERROR) << "[AU] GS: Writing to a fallback storage failed";
    return kFailure;
  }
  return kSuccess;
}

GlobalStorage::Result GlobalStorage::SetValue(const std::string& name, const std::string& value) {
  if (name.empty())
    return kEmptyName;
  if (!EnsureMutex()) {
    LOG(ERROR) << "[AU] GS: Couldn't create an access mutex";
    return kFailure;
  }
  ScopedHold hold(mutex_.Get());
  if (!hold.held()) {
    LOG(ERROR) << "[AU] GS: Couldn't get hold on an access mutex";
    return kBusy;
  }
  if (UseFallback())
    return SetFileValue(name, value);
  // A fallback file beside a usable registry gets the value as well: its
  // entries are moved into the registry again by the next Initialize (of
  // this process or the autoupdate client), which must not bring back an
  // older value, while reads come from the registry.
  if (FileBesideTheRegistry()) {
    const Result file_result = SetFileValue(name, value);
    if (file_result != kSuccess)
      return file_result;
  }
  return value.empty() ? DeleteRegistryValue(name) : SetRegistryValue(name, value);
}

GlobalStorage::Result GlobalStorage::GetValue(const std::string& name, std::string* value) {
  if (!value)
    return kEmptyName;
  value->clear();
  if (name.empty() || !EnsureMutex())
    return kFailure;
  ScopedHold hold(mutex_.Get());
  if (!hold.held())
    return kBusy;
  // An existing fallback file alone redirects writes, not reads.
  if (UseFallback()) {
    if (!fallback_file_)
      return kFailure;
    *value = fallback_file_->GetEntry(name);
    return kSuccess;
  }
  return GetRegistryValue(name, value);
}

void GlobalStorage::Initialize(const base::FilePath& profile_folder) {
  fallback_file_.emplace(profile_folder.Append(kGlobalStorageFileName));
  if (!base::PathExists(fallback_file_->path()) || UseFallback())
    return;
  FallbackStorageFile::Entries entries;
  if (!fallback_file_->GetStringEntries(&entries))
    return;
  migrating_ = true;
  for (const auto& [name, value] : entries)
    SetValue(name, value);
  migrating_ = false;
}
