#include "crypto/sha2.h"

#include "crypto/secure_hash.h"

namespace crypto {

std::string SHA256HashString(std::string_view data) {
  std::unique_ptr<SecureHash> hash = SecureHash::Create(SecureHash::SHA256);
  if (!hash)
    return std::string();
  hash->Update(data.data(), data.size());
  std::string digest(kSHA256Length, '\0');
  if (!hash->Finish(digest.data(), digest.size()))
    return std::string();
  return digest;
}

}  // namespace crypto
