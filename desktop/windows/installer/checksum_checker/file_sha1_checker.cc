#include "desktop/windows/installer/checksum_checker/file_sha1_checker.h"

#include <cstdint>
#include <vector>

#include "base/base64.h"
#include "base/files/file.h"
#include "base/strings/utf_string_conversions.h"
#include "crypto/sha1.h"
#include "desktop/windows/installer/checksum_checker/cng_sha1.h"

namespace {

constexpr int kBlockSize = 65536;

enum class HashOutcome { kDone, kReadFailed, kHashFailed };

// Feeds the whole file, from its start, to `update` in blocks.
template <typename Update>
HashOutcome HashBlocks(base::File& file, Update update) {
  if (file.Seek(base::File::FROM_BEGIN, 0) != 0)
    return HashOutcome::kReadFailed;
  std::vector<char> block(kBlockSize);
  for (;;) {
    const int read = file.ReadAtCurrentPos(block.data(), kBlockSize);
    if (read < 0)
      return HashOutcome::kReadFailed;
    if (read == 0)
      return HashOutcome::kDone;
    if (!update(block.data(), static_cast<size_t>(read)))
      return HashOutcome::kHashFailed;
  }
}

HashOutcome HashWithCng(base::File& file, uint8_t digest[crypto::kSHA1Length]) {
  CngSha1 sha1;
  if (!sha1.Init())
    return HashOutcome::kHashFailed;
  const HashOutcome outcome =
      HashBlocks(file, [&sha1](const char* data, size_t size) { return sha1.Update(data, size); });
  if (outcome != HashOutcome::kDone)
    return outcome;
  return sha1.Finish(digest) ? HashOutcome::kDone : HashOutcome::kHashFailed;
}

HashOutcome HashWithLibrary(base::File& file, uint8_t digest[crypto::kSHA1Length]) {
  crypto::Sha1 sha1;
  const HashOutcome outcome = HashBlocks(file, [&sha1](const char* data, size_t size) {
    sha1.Update(data, size);
    return true;
  });
  if (outcome == HashOutcome::kDone)
    sha1.Final(digest);
  return outcome;
}

HashOutcome HashFile(base::File& file, uint8_t digest[crypto::kSHA1Length]) {
  if (CngSha1::IsUsable()) {
    const HashOutcome outcome = HashWithCng(file, digest);
    if (outcome != HashOutcome::kHashFailed)
      return outcome;
  }
  return HashWithLibrary(file, digest);
}

}  // namespace

bool VerifyFileSha1(const base::FilePath& path,
                    std::string_view expected_base64,
                    std::string* error) {
  const std::string utf8_path = base::WideToUTF8(path.value());
  base::File file(path, base::File::FLAG_OPEN | base::File::FLAG_READ |
                            base::File::FLAG_SEQUENTIAL_SCAN);
  uint8_t digest[crypto::kSHA1Length];
  // A read error midway is reported like an unreadable file: a digest of
  // part of the file would only pretend to be a mismatch.
  if (!file.IsValid() || HashFile(file, digest) != HashOutcome::kDone) {
    *error = "Failed to read " + utf8_path;
    return false;
  }
  std::string actual;
  base::Base64Encode(std::string_view(reinterpret_cast<const char*>(digest), sizeof(digest)),
                     &actual);
  if (actual == expected_base64)
    return true;
  *error = utf8_path + " hash doesn't match: " + std::string(expected_base64) + " vs. " + actual;
  return false;
}
