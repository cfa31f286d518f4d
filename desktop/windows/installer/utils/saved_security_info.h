#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_SAVED_SECURITY_INFO_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_SAVED_SECURITY_INFO_H_

#include <windows.h>
#include <accctrl.h>

#include <string>

// What a temporary access grant keeps so that it can be taken back: the
// object and its access list from before the grant. Owns the old security
// descriptor (freed with LocalFree); `old_dacl` points into it.
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
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_SAVED_SECURITY_INFO_H_
