#ifndef DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_INDIRECT_DATA_CONTENT_H_
#define DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_INDIRECT_DATA_CONTENT_H_

#include <string>
#include <string_view>

// The signed content of an Authenticode signature (SpcIndirectDataContent):
// the digest of the file it was made for.
struct IndirectDataContent {
  // What the signer's message-digest attribute covers: the contents of the
  // outer SEQUENCE, without its tag and length.
  std::string_view signed_bytes;
  std::string digest_algorithm_oid;
  std::string digest;

  // Parses the DER-encoded content; false when it is not well formed.
  bool Parse(std::string_view der);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SIGNATURE_CHECKER_INDIRECT_DATA_CONTENT_H_
