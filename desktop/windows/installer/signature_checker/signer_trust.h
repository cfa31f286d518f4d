#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNER_TRUST_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNER_TRUST_H_

#include <windows.h>

#include <wincrypt.h>

#include <string>

#include "desktop/windows/installer/signature_checker/scoped_cert_context.h"

class AuthenticodeImage;

// The chain of `certificate` built by `engine` at `time` (now when null),
// with `store` (the message's certificates) as additional store, asking for
// the extended key usage `usage_oid`.
ScopedCertChainContext BuildChain(HCERTCHAINENGINE engine,
                                  PCCERT_CONTEXT certificate,
                                  HCERTSTORE store,
                                  const char* usage_oid,
                                  const FILETIME* time);

// Whether signer `index` of `message` vouches for `image`. Windows' own
// verdict covers only the outer signature (and under Wine not even its
// chain), so each signer that would be accepted is checked on its own:
// its signature over its attributes verifies with `certificate`, its
// message-digest attribute matches the signed content, that content names
// the file's own Authenticode digest, and the certificate's chain ends at a
// trusted root without error and passes the Authenticode chain policy, at
// the time a valid timestamp of the signer vouches for (see
// GetTimestampedSigningTime), else now. On refusal `reason` says why.
bool IsSignerTrusted(HCRYPTMSG message,
                     DWORD index,
                     const CMSG_SIGNER_INFO& info,
                     PCCERT_CONTEXT certificate,
                     HCERTSTORE store,
                     HCERTCHAINENGINE engine,
                     AuthenticodeImage* image,
                     std::string* reason);

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNER_TRUST_H_
