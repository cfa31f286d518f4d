#include "desktop/windows/installer/utils/test_support/file_change_probe.h"

#include <windows.h>

bool CanBeChanged(const base::FilePath& path) {
  HANDLE file = ::CreateFileW(path.value().c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    ::CloseHandle(file);
    return true;
  }
  const base::FilePath moved(path.value() + L".moved");
  if (::MoveFileW(path.value().c_str(), moved.value().c_str())) {
    ::MoveFileW(moved.value().c_str(), path.value().c_str());
    return true;
  }
  return false;
}
