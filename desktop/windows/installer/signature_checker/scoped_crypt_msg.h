#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SCOPED_CRYPT_MSG_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SCOPED_CRYPT_MSG_H_

#include <windows.h>

#include <wincrypt.h>

#include "base/win/scoped_handle.h"

// Closing keeps the thread's last error, which the caller may still report.
class CryptMsgTraits {
 public:
  using Handle = HCRYPTMSG;
  static bool CloseHandle(HCRYPTMSG message) {
    const DWORD error = GetLastError();
    const bool closed = CryptMsgClose(message) != FALSE;
    SetLastError(error);
    return closed;
  }
  static bool IsHandleValid(HCRYPTMSG message) { return message != nullptr; }
  static HCRYPTMSG NullHandle() { return nullptr; }
};

using ScopedCryptMsg = base::win::GenericScopedHandle<CryptMsgTraits>;

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SCOPED_CRYPT_MSG_H_
