#include "crypto/keyed_hash.h"

#include <windows.h>
#include <bcrypt.h>

#include <limits>

namespace crypto {
namespace {

// Owns an algorithm provider handle.
class ScopedAlgorithm {
 public:
  ScopedAlgorithm(const wchar_t* algorithm_id, ULONG flags) {
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle_, algorithm_id, nullptr, flags)))
      handle_ = nullptr;
  }
  ScopedAlgorithm(const ScopedAlgorithm&) = delete;
  ScopedAlgorithm& operator=(const ScopedAlgorithm&) = delete;
  ~ScopedAlgorithm() {
    if (handle_)
      BCryptCloseAlgorithmProvider(handle_, 0);
  }
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

// CNG wants non-null buffers even for zero lengths.
PUCHAR Bytes(std::string_view data) {
  static UCHAR empty = 0;
  return data.empty() ? &empty : reinterpret_cast<PUCHAR>(const_cast<char*>(data.data()));
}

bool FitsInUlong(size_t size) {
  return size <= std::numeric_limits<ULONG>::max();
}

}  // namespace

bool HmacSha256(std::string_view key, std::string_view message, std::string* output) {
  output->clear();
  if (!FitsInUlong(key.size()) || !FitsInUlong(message.size()))
    return false;
  ScopedAlgorithm algorithm(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  if (!algorithm.get())
    return false;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm.get(), &hash, nullptr, 0, Bytes(key),
                                       static_cast<ULONG>(key.size()), 0))) {
    return false;
  }
  std::string digest(32, '\0');
  bool ok = BCRYPT_SUCCESS(BCryptHashData(hash, Bytes(message),
                                          static_cast<ULONG>(message.size()), 0)) &&
            BCRYPT_SUCCESS(BCryptFinishHash(hash, reinterpret_cast<PUCHAR>(digest.data()),
                                            static_cast<ULONG>(digest.size()), 0));
  BCryptDestroyHash(hash);
  if (ok)
    output->swap(digest);
  return ok;
}

bool Pbkdf2HmacSha1(std::string_view password,
                    std::string_view salt,
                    uint64_t iterations,
                    size_t key_length,
                    std::string* output) {
  output->clear();
  if (iterations == 0 || key_length == 0 || !FitsInUlong(password.size()) ||
      !FitsInUlong(salt.size()) || !FitsInUlong(key_length)) {
    return false;
  }
  ScopedAlgorithm algorithm(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  if (!algorithm.get())
    return false;
  std::string key(key_length, '\0');
  if (!BCRYPT_SUCCESS(BCryptDeriveKeyPBKDF2(
          algorithm.get(), Bytes(password), static_cast<ULONG>(password.size()), Bytes(salt),
          static_cast<ULONG>(salt.size()), iterations, reinterpret_cast<PUCHAR>(key.data()),
          static_cast<ULONG>(key.size()), 0))) {
    return false;
  }
  output->swap(key);
  return true;
}

}  // namespace crypto
