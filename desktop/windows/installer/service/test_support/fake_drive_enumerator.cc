#include "desktop/windows/installer/service/test_support/fake_drive_enumerator.h"

FakeDriveInfo::FakeDriveInfo(const FakeDrive& drive) : DriveInfo(drive.letter), drive_(drive) {}

FakeDriveInfo::~FakeDriveInfo() = default;

bool FakeDriveInfo::IsMediaPresent() const {
  return drive_.media_present;
}

UINT FakeDriveInfo::GetDriveType() const {
  return drive_.type;
}

FakeDriveEnumerator::FakeDriveEnumerator(const std::vector<FakeDrive>& drives)
    : DriveEnumerator(MaskOf(drives)), drives_(drives) {}

FakeDriveEnumerator::~FakeDriveEnumerator() = default;

std::unique_ptr<DriveInfo> FakeDriveEnumerator::CreateDriveInfo(wchar_t letter) {
  for (const FakeDrive& drive : drives_) {
    if (drive.letter == letter) return std::make_unique<FakeDriveInfo>(drive);
  }
  return DriveEnumerator::CreateDriveInfo(letter);
}

// static
DWORD FakeDriveEnumerator::MaskOf(const std::vector<FakeDrive>& drives) {
  DWORD mask = 0;
  for (const FakeDrive& drive : drives) {
    if (drive.letter >= L'A' && drive.letter <= L'Z') mask |= 1u << (drive.letter - L'A');
  }
  return mask;
}
