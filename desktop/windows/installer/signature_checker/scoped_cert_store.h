#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SCOPED_CERT_STORE_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SCOPED_CERT_STORE_H_

#include <windows.h>

#include <wincrypt.h>

#include "base/win/scoped_handle.h"

// Closing keeps the thread's last error, which the caller may still report.
class CertStoreTraits {
 public:
  using Handle = HCERTSTORE;
  static bool CloseHandle(HCERTSTORE store) {
    const DWORD error = GetLastError();
    const bool closed = CertCloseStore(store, 0) != FALSE;
    SetLastError(error);
    return closed;
  }
  static bool IsHandleValid(HCERTSTORE store) { return store != nullptr; }
  static HCERTSTORE NullHandle() { return nullptr; }
};

using ScopedCertStore = base::win::GenericScopedHandle<CertStoreTraits>;

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SCOPED_CERT_STORE_H_
