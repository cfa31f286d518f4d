#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNED_MESSAGE_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNED_MESSAGE_H_

#include <windows.h>

#include <wincrypt.h>

#include <string_view>
#include <vector>

// Reading a signed (PKCS#7) message as CryptoAPI decodes it.

// A message parameter's bytes; empty when it cannot be read.
std::vector<BYTE> GetMessageParam(HCRYPTMSG message, DWORD type, DWORD index);

std::string_view AsView(const std::vector<BYTE>& bytes);

// Whether signer `index`'s signature over its attributes verifies with
// `certificate`.
bool VerifiesWithCertificate(HCRYPTMSG message, DWORD index, PCCERT_CONTEXT certificate);

// The signer's message-digest attribute; empty when it is missing or
// appears more than once.
std::string_view FindMessageDigest(const CMSG_SIGNER_INFO& info);

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNED_MESSAGE_H_
