#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNED_MESSAGE_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNED_MESSAGE_H_

#include <windows.h>

#include <wincrypt.h>

#include <string_view>
#include <vector>

#include "desktop/windows/installer/signature_checker/scoped_cert_store.h"
#include "desktop/windows/installer/signature_checker/scoped_crypt_msg.h"

// Reading a signed (PKCS#7) message as CryptoAPI decodes it.

// A signed message with the certificates it carries.
struct SignedMessage {
  DWORD encoding = 0;
  ScopedCertStore store;
  ScopedCryptMsg message;
};

// Decodes `blob` (DER) into `decoded`; false, with the thread's last error
// set, when it is no PKCS#7 signed message.
bool DecodeSignedMessage(CERT_BLOB blob, SignedMessage* decoded);

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
