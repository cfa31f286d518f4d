#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_SAVED_SECURITY_INFO_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_SAVED_SECURITY_INFO_H_

#include <windows.h>
#include <accctrl.h>

#include <string>

// What a temporary access grant keeps so that it can be taken back: the
// object, its access list and, for a file or folder, its attributes from
// before the grant (some systems clear "read-only" when the list changes).
// Owns the old security descriptor (freed with LocalFree); `old_dacl`
// points into it.
struct SavedSecurityInfo {
  SavedSecurityInfo(const std::wstring& object_name, SE_OBJECT_TYPE object_type, PACL old_dacl,
                    PSECURITY_DESCRIPTOR old_descriptor);
  ~SavedSecurityInfo();
  SavedSecurityInfo(const SavedSecurityInfo&) = delete;
  SavedSecurityInfo& operator=(const SavedSecurityInfo&) = delete;

  std::wstring object_name;
  SE_OBJECT_TYPE object_type = SE_UNKNOWN_OBJECT_TYPE;
  PACL old_dacl = nullptr;
  PSECURITY_DESCRIPTOR old_descriptor = nullptr;
  // INVALID_FILE_ATTRIBUTES when not a file object or not known.
  DWORD old_file_attributes = INVALID_FILE_ATTRIBUTES;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_SAVED_SECURITY_INFO_H_
