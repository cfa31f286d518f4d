#ifndef CRYPTO_SHA2_H_
#define CRYPTO_SHA2_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace crypto {

inline constexpr size_t kSHA256Length = 32;

// The SHA-256 digest of `data` as 32 raw bytes; empty when the system's
// hash provider fails.
std::string SHA256HashString(std::string_view data);

}  // namespace crypto

#endif  // CRYPTO_SHA2_H_
