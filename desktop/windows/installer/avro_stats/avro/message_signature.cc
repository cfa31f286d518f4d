#include "desktop/windows/installer/avro_stats/avro/message_signature.h"

#include "base/base64.h"
#include "base/no_destructor.h"
#include "crypto/keyed_hash.h"

namespace {

constexpr char kSigningSalt[] = "q7Rk2Vx9LmT4pZc8Hs3N";
constexpr uint64_t kKeyIterations = 5;
constexpr size_t kKeyLength = 16;  // 128 bits.

}  // namespace

const std::string& GetSigningPassword() {
  static const base::NoDestructor<std::string> password;
  return *password;
}

std::string_view GetSigningSalt() {
  return kSigningSalt;
}

std::string ComputeMessageSignature(std::string_view password,
                                    std::string_view message,
                                    std::string_view salt) {
  std::string key;
  std::string mac;
  if (!crypto::Pbkdf2HmacSha1(password, salt, kKeyIterations, kKeyLength, &key) ||
      !crypto::HmacSha256(key, message, &mac)) {
    return std::string();
  }
  std::string signature;
  base::Base64Encode(mac, &signature);
  return signature;
}
