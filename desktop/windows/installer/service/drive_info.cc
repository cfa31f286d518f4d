#include "desktop/windows/installer/service/drive_info.h"

#include <winioctl.h>

#include "base/strings/stringprintf.h"
#include "base/win/scoped_handle.h"

DriveInfo::DriveInfo(wchar_t letter) : letter_(letter) {}

DriveInfo::~DriveInfo() = default;

bool DriveInfo::IsMediaPresent() const {
  const std::wstring volume = base::StringPrintf(L"\\\\.\\%lc:", letter_);
  base::win::ScopedHandle handle(::CreateFileW(volume.c_str(), FILE_READ_ATTRIBUTES,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
  if (!handle.IsValid()) return false;
  DWORD returned = 0;
  if (::DeviceIoControl(handle.Get(), IOCTL_STORAGE_CHECK_VERIFY2, nullptr, 0, nullptr, 0,
                        &returned, nullptr)) {
    return true;
  }
  return ::GetLastError() == ERROR_MEDIA_CHANGED;
}

UINT DriveInfo::GetDriveType() const {
  return ::GetDriveTypeW(GetRootPath().value().c_str());
}

base::FilePath DriveInfo::GetRootPath() const {
  return base::FilePath(base::StringPrintf(L"%lc:\\", letter_));
}
