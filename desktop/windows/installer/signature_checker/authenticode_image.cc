#include "desktop/windows/installer/signature_checker/authenticode_image.h"

#include <windows.h>

#include <wincrypt.h>
#include <wintrust.h>

#include <cstring>
#include <memory>

#include "base/files/file.h"
#include "crypto/secure_hash.h"
#include "desktop/windows/installer/signature_checker/der_reader.h"

namespace {

constexpr size_t kEntryHeaderSize = 8;
// Certificate table entries start 8-aligned.
constexpr size_t kEntryAlignment = 8;

std::unique_ptr<crypto::SecureHash> CreateHash(std::string_view algorithm_oid) {
  if (algorithm_oid == szOID_OIWSEC_sha1)
    return crypto::SecureHash::Create(crypto::SecureHash::SHA1);
  if (algorithm_oid == szOID_NIST_sha256)
    return crypto::SecureHash::Create(crypto::SecureHash::SHA256);
  return nullptr;
}

std::string FinishHash(crypto::SecureHash* hash) {
  std::string digest(hash->GetHashLength(), '\0');
  if (digest.empty() || !hash->Finish(digest.data(), digest.size()))
    return std::string();
  return digest;
}

}  // namespace

std::string HashByAlgorithmOid(std::string_view algorithm_oid, std::string_view data) {
  std::unique_ptr<crypto::SecureHash> hash = CreateHash(algorithm_oid);
  if (!hash)
    return std::string();
  hash->Update(data.data(), data.size());
  return FinishHash(hash.get());
}

AuthenticodeImage::AuthenticodeImage() = default;
AuthenticodeImage::~AuthenticodeImage() = default;

bool AuthenticodeImage::Open(base::File file) {
  return file.IsValid() && file_.Initialize(std::move(file)) &&
         layout_.Parse(file_.data(), file_.length()) && layout_.HasValidCertificateTable();
}

std::string_view AuthenticodeImage::GetSignedData() const {
  if (!file_.IsValid())
    return std::string_view();
  // WIN_CERTIFICATE: length (including these 8 bytes), revision, type.
  const uint8_t* entry = file_.data() + layout_.certificate_table_offset();
  const size_t table_size = layout_.certificate_table_size();
  if (table_size < kEntryHeaderSize)
    return std::string_view();
  uint32_t length;
  uint16_t type;
  memcpy(&length, entry, sizeof(length));
  memcpy(&type, entry + 6, sizeof(type));
  if (type != WIN_CERT_TYPE_PKCS_SIGNED_DATA || length < kEntryHeaderSize || length > table_size)
    return std::string_view();
  const std::string_view data(reinterpret_cast<const char*>(entry + kEntryHeaderSize),
                              length - kEntryHeaderSize);
  DerReader reader(data);
  std::string_view contents;
  if (!reader.ReadElement(DerReader::kSequence, &contents))
    return std::string_view();
  return data.substr(0, static_cast<size_t>(contents.data() + contents.size() - data.data()));
}

bool AuthenticodeImage::HasOnlySignatureInTable(std::string* reason) const {
  const std::string_view signature = GetSignedData();
  if (signature.empty()) {
    *reason = "the certificate table's first entry holds no signature";
    return false;
  }
  const size_t table = layout_.certificate_table_offset();
  const size_t size = layout_.certificate_table_size();
  if (table % kEntryAlignment != 0 || table + size != file_.length()) {
    *reason = "the certificate table is not 8-aligned at the end of the file";
    return false;
  }
  const uint8_t* entry = file_.data() + table;
  if (ReadU16(entry + 4) != WIN_CERT_REVISION_2_0) {
    *reason = "the certificate table's entry is no PKCS#7 signature entry";
    return false;
  }
  // One entry: its length, rounded up to the alignment, is the whole table.
  if ((ReadU32(entry) + kEntryAlignment - 1) / kEntryAlignment * kEntryAlignment != size) {
    *reason = "the certificate table holds more than one entry";
    return false;
  }
  // Signing tools pad the signature to 8 bytes inside the entry (and the
  // entry after it): up to 7 zero bytes, nothing else.
  const size_t end = static_cast<size_t>(signature.data() + signature.size() -
                                         reinterpret_cast<const char*>(entry));
  if (size - end >= kEntryAlignment) {
    *reason = "the certificate table's entry holds more than its signature";
    return false;
  }
  for (size_t i = end; i < size; ++i) {
    if (entry[i] != 0) {
      *reason = "the certificate table's padding is not zero";
      return false;
    }
  }
  return true;
}

std::string AuthenticodeImage::GetDigest(std::string_view algorithm_oid) {
  if (!file_.IsValid())
    return std::string();
  if (auto it = digests_.find(algorithm_oid); it != digests_.end())
    return it->second;
  std::unique_ptr<crypto::SecureHash> hash = CreateHash(algorithm_oid);
  if (!hash)
    return std::string();
  const uint8_t* data = file_.data();
  const size_t size = file_.length();
  const size_t table = layout_.certificate_table_offset();
  const size_t table_end = table + layout_.certificate_table_size();
  // The parts lie in this order; Parse checked every bound.
  hash->Update(data, layout_.checksum_offset());
  hash->Update(data + layout_.checksum_offset() + 4,
               layout_.security_entry_offset() - layout_.checksum_offset() - 4);
  hash->Update(data + layout_.security_entry_offset() + 8,
               table - layout_.security_entry_offset() - 8);
  hash->Update(data + table_end, size - table_end);
  std::string digest = FinishHash(hash.get());
  digests_.emplace(std::string(algorithm_oid), digest);
  return digest;
}
