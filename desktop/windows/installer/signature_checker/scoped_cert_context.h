#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SCOPED_CERT_CONTEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SCOPED_CERT_CONTEXT_H_

#include <windows.h>

#include <wincrypt.h>

#include "base/win/scoped_handle.h"

class CertContextTraits {
 public:
  using Handle = PCCERT_CONTEXT;
  static bool CloseHandle(PCCERT_CONTEXT context) {
    return CertFreeCertificateContext(context) != FALSE;
  }
  static bool IsHandleValid(PCCERT_CONTEXT context) { return context != nullptr; }
  static PCCERT_CONTEXT NullHandle() { return nullptr; }
};

class CertChainContextTraits {
 public:
  using Handle = PCCERT_CHAIN_CONTEXT;
  static bool CloseHandle(PCCERT_CHAIN_CONTEXT chain) {
    CertFreeCertificateChain(chain);
    return true;
  }
  static bool IsHandleValid(PCCERT_CHAIN_CONTEXT chain) { return chain != nullptr; }
  static PCCERT_CHAIN_CONTEXT NullHandle() { return nullptr; }
};

class CertChainEngineTraits {
 public:
  using Handle = HCERTCHAINENGINE;
  static bool CloseHandle(HCERTCHAINENGINE engine) {
    CertFreeCertificateChainEngine(engine);
    return true;
  }
  static bool IsHandleValid(HCERTCHAINENGINE engine) { return engine != nullptr; }
  static HCERTCHAINENGINE NullHandle() { return nullptr; }
};

using ScopedCertContext = base::win::GenericScopedHandle<CertContextTraits>;
using ScopedCertChainContext = base::win::GenericScopedHandle<CertChainContextTraits>;
using ScopedCertChainEngine = base::win::GenericScopedHandle<CertChainEngineTraits>;

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SCOPED_CERT_CONTEXT_H_
