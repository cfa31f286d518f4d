#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_DRIVE_ENUMERATOR_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_DRIVE_ENUMERATOR_H_

#include <windows.h>

#include <memory>
#include <vector>

#include "desktop/windows/installer/service/drive_enumerator.h"
#include "desktop/windows/installer/service/drive_info.h"

// A drive as a test describes it. Wine fails the medium check for every
// drive, so drive decisions are tested with these.
struct FakeDrive {
  wchar_t letter;
  UINT type = DRIVE_FIXED;
  bool media_present = true;
};

class FakeDriveInfo : public DriveInfo {
 public:
  explicit FakeDriveInfo(const FakeDrive& drive);
  ~FakeDriveInfo() override;

  bool IsMediaPresent() const override;
  UINT GetDriveType() const override;

 private:
  FakeDrive drive_;
};

// Gives the drives of the list in letter order, as the real one does.
class FakeDriveEnumerator : public DriveEnumerator {
 public:
  explicit FakeDriveEnumerator(const std::vector<FakeDrive>& drives);
  ~FakeDriveEnumerator() override;

 protected:
  std::unique_ptr<DriveInfo> CreateDriveInfo(wchar_t letter) override;

 private:
  static DWORD MaskOf(const std::vector<FakeDrive>& drives);

  std::vector<FakeDrive> drives_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_DRIVE_ENUMERATOR_H_
