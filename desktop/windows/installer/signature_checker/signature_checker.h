#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNATURE_CHECKER_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNATURE_CHECKER_H_

#include <windows.h>

#include <wincrypt.h>

#include <cstdint>
#include <string>

#include "base/files/file.h"
#include "base/files/file_path.h"
// RunningImageHasCertificateTable, the answer to "is this a signed build".
#include "desktop/windows/installer/utils/pe_image_layout.h"

class AuthenticodeImage;
class SignatureLog;

// Whether the file at `path` is a PE image: false when it cannot be mapped
// or lacks the "MZ" and "PE\0\0" signatures (or carries an optional header
// of unknown kind). When true, `has_table` tells whether its security
// directory names a certificate table (a non-zero size).
bool HasCertificateTable(const base::FilePath& path, bool* has_table);

// Whether Windows trusts the Authenticode signature of the file at `path`
// and one of its signers, or a signer of a nested signature, is the
// expected signer of the product information and vouches for this very
// file (see IsSignerTrusted), and its certificate table ends the file and
// holds nothing but the signature (see
// AuthenticodeImage::HasOnlySignatureInTable). Fails closed. `error`, when
// not null, receives the explanation of the decision.
bool VerifyFileSignature(const base::FilePath& path, std::string* error);

// The same for a file already open for reading and shared for reading only
// (`path` names it): the bytes whose digest is checked and Windows' verdict
// are those behind `file`, whatever the path names meanwhile. A caller
// that goes on to use the file through `file` uses the very bytes checked.
bool VerifyOpenFileSignature(const base::File& file, const base::FilePath& path,
                             std::string* error);

// What VerifySigners compares each signer with.
struct SignerCheckContext {
  std::wstring expected_signer;
  // Built for this check, so that it sees the machine's roots as they are.
  HCERTCHAINENGINE engine = nullptr;
  AuthenticodeImage* image = nullptr;
};

// Whether a signer of `message` (certificates in `store`), or of one of
// its nested signatures, is the expected signer and is trusted; explains
// every signer tried into `log` at nesting `level`.
bool VerifySigners(const SignerCheckContext& context,
                   HCRYPTMSG message,
                   HCERTSTORE store,
                   DWORD encoding,
                   SignatureLog* log,
                   uint32_t level);

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_SIGNATURE_CHECKER_H_
