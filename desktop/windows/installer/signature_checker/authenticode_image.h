#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_AUTHENTICODE_IMAGE_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_AUTHENTICODE_IMAGE_H_

#include <map>
#include <string>
#include <string_view>

#include "base/files/file.h"
#include "base/files/memory_mapped_file.h"
#include "desktop/windows/installer/utils/pe_image_layout.h"

// A signed PE file, held open so that nobody can change it while it is
// checked, and its Authenticode digest: the hash of every byte but the
// header checksum, the security directory entry and the certificate table.
class AuthenticodeImage {
 public:
  AuthenticodeImage();
  AuthenticodeImage(const AuthenticodeImage&) = delete;
  AuthenticodeImage& operator=(const AuthenticodeImage&) = delete;
  ~AuthenticodeImage();

  // Maps `file`, which is open for reading and shared for reading only.
  // False when it cannot be mapped or is not a PE image with a certificate
  // table.
  bool Open(base::File file);

  // The digest with the hash algorithm `algorithm_oid` (SHA-1 or SHA-256;
  // others are refused); empty on failure. Computed once per algorithm.
  std::string GetDigest(std::string_view algorithm_oid);

  // The signature: the PKCS #7 signed data of the certificate table's first
  // entry, without the entry's padding; empty when that entry is not an
  // Authenticode signature.
  std::string_view GetSignedData() const;

  // Whether the certificate table holds the signature and nothing else, as
  // Windows' padding check demands: the table starts 8-aligned and ends at
  // the end of the file, and holds one PKCS#7 signature entry whose
  // signature fills the table but for up to 7 zero bytes of alignment. The
  // digest leaves the table out, so anything else there (or after it) would
  // ride along unsigned. On refusal `reason` says why.
  bool HasOnlySignatureInTable(std::string* reason) const;

 private:
  base::MemoryMappedFile file_;
  PeImageLayout layout_;
  std::map<std::string, std::string, std::less<>> digests_;
};

// SHA-1 or SHA-256 of `data` by the algorithm's object identifier; empty
// for other algorithms or when hashing fails.
std::string HashByAlgorithmOid(std::string_view algorithm_oid, std::string_view data);

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_AUTHENTICODE_IMAGE_H_
