#ifndef CRYPTO_KEYED_HASH_H_
#define CRYPTO_KEYED_HASH_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>

namespace crypto {

// Keyed hashes over the system's CNG provider ("bcrypt"). Each returns false
// (leaving |*output| empty) when the provider refuses.
bool HmacSha256(std::string_view key, std::string_view message, std::string* output);
bool Pbkdf2HmacSha1(std::string_view password,
                    std::string_view salt,
                    uint64_t iterations,
                    size_t key_length,
                    std::string* output);

}  // namespace crypto

#endif  // CRYPTO_KEYED_HASH_H_
