#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_ACCESS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_ACCESS_H_

#include <windows.h>

#include <accctrl.h>

#include <functional>
#include <memory>
#include <string>

struct SavedSecurityInfo;

// The rights an operation needs on one file, folder or registry key before
// it changes it.
struct AccessNeed {
  std::wstring object_name;
  SE_OBJECT_TYPE object_type = SE_UNKNOWN_OBJECT_TYPE;
  // What the process must hold ...
  ACCESS_MASK required = 0;
  // ... and what the current user is granted when it does not.
  ACCESS_MASK granted = 0;
};

// What an operation logs on the way: at verbose level 1 when the rights are
// missing, as errors when they cannot be had. Empty texts are not logged.
struct AccessLogTexts {
  std::string missing;
  std::string grant_failed;
  std::string open_failed;
};

// Makes sure the process holds `need.required` on the object. `open_result`
// tells how opening the object went (ERROR_SUCCESS when the caller opens
// nothing). Opened and with access: done. Another error than
// ERROR_ACCESS_DENIED: fails. Otherwise the current user is granted
// `need.granted` temporarily, the old access list goes into `saved` (which
// must be empty; the operation gives it back when it is rolled back or
// committed), and `reopen`, when given, opens the object again and must
// return ERROR_SUCCESS. False when the rights cannot be had; `saved` then
// still holds a grant that was made.
bool EnsureAccess(const AccessNeed& need,
                  LONG open_result,
                  const AccessLogTexts& texts,
                  const std::function<LONG()>& reopen,
                  std::unique_ptr<SavedSecurityInfo>* saved);

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_ACCESS_H_
