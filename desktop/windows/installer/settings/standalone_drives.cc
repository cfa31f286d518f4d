#include "desktop/windows/installer/settings/standalone_drives.h"

#include <winioctl.h>

#include <string>
#include <utility>

#include "base/win/scoped_handle.h"

namespace {

const std::vector<StandaloneDrive>* g_drives_for_testing = nullptr;

// A removable drive without a medium is no place for a copy; one whose
// medium was just changed is.
bool IsMediaPresent(wchar_t letter) {
  const std::wstring volume = std::wstring(L"\\\\.\\") + letter + L":";
  base::win::ScopedHandle handle(CreateFileW(volume.c_str(), FILE_READ_ATTRIBUTES,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
  if (!handle.IsValid())
    return false;
  DWORD returned = 0;
  if (DeviceIoControl(handle.Get(), IOCTL_STORAGE_CHECK_VERIFY2, nullptr, 0, nullptr, 0,
                      &returned, nullptr)) {
    return true;
  }
  return GetLastError() == ERROR_MEDIA_CHANGED;
}

}  // namespace

std::vector<StandaloneDrive> ListDrivesWithMedia() {
  if (g_drives_for_testing)
    return *g_drives_for_testing;
  std::vector<StandaloneDrive> drives;
  const DWORD mask = GetLogicalDrives();
  for (int index = 0; index < 26; ++index) {
    if (!(mask & (1u << index)))
      continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + index);
    if (!IsMediaPresent(letter))
      continue;
    const std::wstring root = std::wstring(1, letter) + L":\\";
    drives.push_back({base::FilePath(root), GetDriveTypeW(root.c_str())});
  }
  return drives;
}

ScopedStandaloneDrivesForTesting::ScopedStandaloneDrivesForTesting(
    std::vector<StandaloneDrive> drives)
    : previous_(g_drives_for_testing), drives_(std::move(drives)) {
  g_drives_for_testing = &drives_;
}

ScopedStandaloneDrivesForTesting::~ScopedStandaloneDrivesForTesting() {
  g_drives_for_testing = previous_;
}
