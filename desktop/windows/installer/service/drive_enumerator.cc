#include "desktop/windows/installer/service/drive_enumerator.h"

#include "desktop/windows/installer/service/drive_info.h"

DriveEnumerator::DriveEnumerator() : DriveEnumerator(::GetLogicalDrives()) {}

DriveEnumerator::DriveEnumerator(DWORD drive_mask) : drive_mask_(drive_mask) {}

DriveEnumerator::~DriveEnumerator() = default;

std::unique_ptr<DriveInfo> DriveEnumerator::Next() {
  while (letter_ < L'Z') {
    ++letter_;
    if (drive_mask_ & (1u << (letter_ - L'A'))) return CreateDriveInfo(letter_);
  }
  return nullptr;
}

std::unique_ptr<DriveInfo> DriveEnumerator::CreateDriveInfo(wchar_t letter) {
  return std::make_unique<DriveInfo>(letter);
}
