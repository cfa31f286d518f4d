#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_DRIVE_ENUMERATOR_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_DRIVE_ENUMERATOR_H_

#include <windows.h>

#include <memory>

class DriveInfo;

// The logical drives, A to Z.
class DriveEnumerator {
 public:
  // The drives present now (GetLogicalDrives).
  DriveEnumerator();
  // The drives of `drive_mask` (bit 0 = A).
  explicit DriveEnumerator(DWORD drive_mask);
  DriveEnumerator(const DriveEnumerator&) = delete;
  DriveEnumerator& operator=(const DriveEnumerator&) = delete;
  virtual ~DriveEnumerator();

  // The next drive in letter order, or null after the last.
  virtual std::unique_ptr<DriveInfo> Next();

 protected:
  // Makes the object for one drive letter.
  virtual std::unique_ptr<DriveInfo> CreateDriveInfo(wchar_t letter);

 private:
  DWORD drive_mask_;
  // The last letter given out; starts just before "A".
  wchar_t letter_ = L'A' - 1;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_DRIVE_ENUMERATOR_H_
