#ifndef CRYPTO_SHA1_H_
#define CRYPTO_SHA1_H_

#include <cstddef>
#include <cstdint>

namespace crypto {

inline constexpr size_t kSHA1Length = 20;

// SHA-1 in plain C++, for when the system's hash provider cannot be used.
// Only for checking digests that others chose; never for new signatures.
class Sha1 {
 public:
  Sha1();

  void Update(const void* input, size_t length);
  // Writes kSHA1Length bytes; the object is spent afterwards.
  void Final(uint8_t digest[kSHA1Length]);

 private:
  void ProcessBlock(const uint8_t* block);

  uint32_t state_[5];
  uint64_t total_length_ = 0;
  uint8_t buffer_[64];
  size_t buffered_ = 0;
};

}  // namespace crypto

#endif  // CRYPTO_SHA1_H_
