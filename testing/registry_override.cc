#include "testing/registry_override.h"

#include <objbase.h>
#include <stdint.h>
#include <stdio.h>
#include <wchar.h>

#include <mutex>

namespace registry_util {

namespace {

constexpr wchar_t kTempTestKeyPath[] = L"Software\\TarvoTest";
// Scratch keys older than this belong to a run that did not clean up.
constexpr int64_t kStaleKeyAge100ns = 24LL * 60 * 60 * 10000000;

std::mutex& OverrideMutex() {
  static std::mutex* const mutex = new std::mutex();
  return *mutex;
}

// The real HKCU\Software\TarvoTest, opened before this process overrode
// anything and kept open: once HKCU is redirected its name would lead into
// the scratch key instead.
HKEY RealTempTestKey() {
  static HKEY const key = [] {
    HKEY result = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kTempTestKeyPath, 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &result,
                        nullptr) != ERROR_SUCCESS) {
      return static_cast<HKEY>(nullptr);
    }
    return result;
  }();
  return key;
}

int64_t Now100ns() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// Names start with the creation time, so stale keys can be found.
std::wstring MakeScratchKeyName() {
  GUID guid;
  wchar_t guid_text[40] = L"";
  if (SUCCEEDED(CoCreateGuid(&guid)))
    StringFromGUID2(guid, guid_text, 40);
  wchar_t name[96];
  swprintf(name, 96, L"%lld$%ls", static_cast<long long>(Now100ns()), guid_text);
  return name;
}

void DeleteStaleScratchKeys(HKEY parent) {
  int64_t now = Now100ns();
  std::vector<std::wstring> stale;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD size = 256;
    if (RegEnumKeyExW(parent, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    long long created = wcstoll(name, nullptr, 10);
    if (created > 0 && now - created > kStaleKeyAge100ns)
      stale.emplace_back(name, size);
  }
  // With a subkey name, RegDeleteTreeW removes that key itself as well.
  for (const std::wstring& name : stale)
    RegDeleteTreeW(parent, name.c_str());
}

// The process-wide stack of active overrides, so that ending an inner
// override brings back the outer one rather than the real hive.
struct ActiveOverride {
  HKEY root;
  HKEY target;
};

std::vector<ActiveOverride>& ActiveOverrides() {
  static std::vector<ActiveOverride>* const overrides = new std::vector<ActiveOverride>();
  return *overrides;
}

}  // namespace

class RegistryOverrideManager::ScopedRegistryKeyOverride {
 public:
  ScopedRegistryKeyOverride(HKEY root, std::wstring name, HKEY scratch)
      : root_(root), name_(std::move(name)), scratch_(scratch) {}

  ~ScopedRegistryKeyOverride() {
    {
      std::lock_guard<std::mutex> lock(OverrideMutex());
      std::vector<ActiveOverride>& active = ActiveOverrides();
      for (size_t i = active.size(); i-- > 0;) {
        if (active[i].root == root_ && active[i].target == scratch_) {
          active.erase(active.begin() + static_cast<ptrdiff_t>(i));
          break;
        }
      }
      HKEY previous = nullptr;
      for (const ActiveOverride& entry : active) {
        if (entry.root == root_)
          previous = entry.target;
      }
      RegOverridePredefKey(root_, previous);
    }
    RegCloseKey(scratch_);
    HKEY parent = RealTempTestKey();
    if (parent)
      RegDeleteTreeW(parent, name_.c_str());
  }

 private:
  HKEY root_;
  std::wstring name_;
  HKEY scratch_;
};

RegistryOverrideManager::RegistryOverrideManager() {
  if (HKEY parent = RealTempTestKey())
    DeleteStaleScratchKeys(parent);
}

RegistryOverrideManager::~RegistryOverrideManager() {
  // Newest first, so nested overrides of one root unwind in order.
  while (!overrides_.empty())
    overrides_.pop_back();
}

bool RegistryOverrideManager::OverrideRegistry(HKEY root) {
  return OverrideRegistry(root, nullptr);
}

bool RegistryOverrideManager::OverrideRegistry(HKEY root, std::wstring* override_path) {
  if (root != HKEY_CURRENT_USER && root != HKEY_LOCAL_MACHINE)
    return false;
  HKEY parent = RealTempTestKey();
  if (!parent)
    return false;
  std::wstring name = MakeScratchKeyName();
  HKEY scratch = nullptr;
  if (RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &scratch, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(OverrideMutex());
    if (RegOverridePredefKey(root, scratch) != ERROR_SUCCESS) {
      RegCloseKey(scratch);
      RegDeleteKeyW(parent, name.c_str());
      return false;
    }
    ActiveOverrides().push_back({root, scratch});
  }
  overrides_.push_back(std::make_unique<ScopedRegistryKeyOverride>(root, name, scratch));
  if (override_path)
    *override_path = std::wstring(kTempTestKeyPath) + L"\\" + name;
  return true;
}

}  // namespace registry_util
