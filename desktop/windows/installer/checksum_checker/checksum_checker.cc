#include "desktop/windows/installer/checksum_checker/checksum_checker.h"

#include <climits>
#include <memory>

#include "base/files/memory_mapped_file.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "crypto/secure_hash.h"
#include "crypto/sha2.h"

namespace {

// How many bytes of each end of a mismatching file are reported.
constexpr size_t kReportedEdgeBytes = 50;

base::Value LengthValue(uint64_t length) {
  // Value has no 64-bit integer; a huge length stays exact up to 2^53.
  if (length <= static_cast<uint64_t>(INT_MAX))
    return base::Value(static_cast<int>(length));
  return base::Value(static_cast<double>(length));
}

void FillMismatchDetails(std::string_view expected,
                         const std::string& actual,
                         const uint8_t* data,
                         size_t length,
                         ChecksumDetails* details) {
  const size_t edge = length < kReportedEdgeBytes ? length : kReportedEdgeBytes;
  details->clear();
  details->emplace_back("detail", base::Value("Checksum mismatch"));
  details->emplace_back("expected_checksum", base::Value(expected));
  details->emplace_back("actual_checksum", base::Value(actual));
  details->emplace_back("file_length", LengthValue(length));
  details->emplace_back("file_start", base::Value(base::HexEncode(data, edge)));
  details->emplace_back("file_end", base::Value(base::HexEncode(data + length - edge, edge)));
}

}  // namespace

std::string ComputeSha256Hex(const void* data, size_t length) {
  std::unique_ptr<crypto::SecureHash> hash =
      crypto::SecureHash::Create(crypto::SecureHash::SHA256);
  if (!hash)
    return std::string();
  hash->Update(data, length);
  uint8_t digest[crypto::kSHA256Length];
  if (!hash->Finish(digest, sizeof(digest)))
    return std::string();
  return base::ToLowerASCII(base::HexEncode(digest, sizeof(digest)));
}

bool VerifyChecksum(const base::FilePath& path,
                    std::string_view expected,
                    ChecksumDetails* details,
                    std::string* actual,
                    uint64_t* length) {
  actual->clear();
  *length = 0;
  // The whole file in one view: CNG then hashes it in a few large calls.
  // An empty file maps as zero bytes and hashes like any other.
  base::MemoryMappedFile file;
  if (!file.Initialize(path)) {
    LOG(ERROR) << "Unable to read " << path;
    if (details) {
      details->clear();
      details->emplace_back("detail", base::Value("Unable to read the file"));
    }
    return false;
  }
  *actual = ComputeSha256Hex(file.data(), file.length());
  *length = file.length();
  // A failed hash leaves `actual` empty, which no expectation equals.
  if (!actual->empty() && *actual == expected)
    return true;
  if (details)
    FillMismatchDetails(expected, *actual, file.data(), file.length(), details);
  return false;
}
