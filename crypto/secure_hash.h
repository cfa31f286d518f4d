#ifndef CRYPTO_SECURE_HASH_H_
#define CRYPTO_SECURE_HASH_H_

#include <cstddef>
#include <memory>

namespace crypto {

// An incremental digest over Windows CNG.
class SecureHash {
 public:
  enum Algorithm { SHA1, SHA256 };

  virtual ~SecureHash() = default;

  // nullptr when the provider cannot be opened.
  static std::unique_ptr<SecureHash> Create(Algorithm algorithm);

  virtual void Update(const void* input, size_t length) = 0;
  // Writes min(length, digest size) bytes; false when hashing failed.
  virtual bool Finish(void* output, size_t length) = 0;
  virtual size_t GetHashLength() const = 0;
};

}  // namespace crypto

#endif  // CRYPTO_SECURE_HASH_H_
