#include "crypto/secure_hash.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <vector>

namespace crypto {
namespace {

class CngHash : public SecureHash {
 public:
  ~CngHash() override {
    if (hash_)
      BCryptDestroyHash(hash_);
    if (algorithm_)
      BCryptCloseAlgorithmProvider(algorithm_, 0);
  }

  bool Init(const wchar_t* algorithm_id) {
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm_, algorithm_id, nullptr, 0)))
      return false;
    DWORD size = 0;
    ULONG written = 0;
    if (!BCRYPT_SUCCESS(BCryptGetProperty(algorithm_, BCRYPT_HASH_LENGTH,
                                          reinterpret_cast<PUCHAR>(&size), sizeof(size),
                                          &written, 0))) {
      return false;
    }
    length_ = size;
    return BCRYPT_SUCCESS(BCryptCreateHash(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0));
  }

  void Update(const void* input, size_t length) override {
    const auto* bytes = static_cast<const UCHAR*>(input);
    // BCryptHashData takes 32-bit lengths.
    while (ok_ && length > 0) {
      ULONG chunk = length > 0x40000000 ? 0x40000000 : static_cast<ULONG>(length);
      ok_ = BCRYPT_SUCCESS(BCryptHashData(hash_, const_cast<PUCHAR>(bytes), chunk, 0));
      bytes += chunk;
      length -= chunk;
    }
  }

  bool Finish(void* output, size_t length) override {
    std::vector<UCHAR> digest(length_);
    if (!ok_ || !BCRYPT_SUCCESS(BCryptFinishHash(hash_, digest.data(), length_, 0)))
      return false;
    memcpy(output, digest.data(), length < length_ ? length : length_);
    return true;
  }

  size_t GetHashLength() const override { return length_; }

 private:
  BCRYPT_ALG_HANDLE algorithm_ = nullptr;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
  ULONG length_ = 0;
  bool ok_ = true;
};

}  // namespace

std::unique_ptr<SecureHash> SecureHash::Create(Algorithm algorithm) {
  auto hash = std::make_unique<CngHash>();
  if (!hash->Init(algorithm == SHA1 ? BCRYPT_SHA1_ALGORITHM : BCRYPT_SHA256_ALGORITHM))
    return nullptr;
  return hash;
}

}  // namespace crypto
