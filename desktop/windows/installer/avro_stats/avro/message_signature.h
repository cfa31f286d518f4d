#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_MESSAGE_SIGNATURE_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_MESSAGE_SIGNATURE_H_

#include <string>
#include <string_view>

// The process-wide signing password: empty, never assigned.
const std::string& GetSigningPassword();

// The salt of the signed message layout (20 ASCII letters and digits).
std::string_view GetSigningSalt();

// Base64 (standard alphabet, padded) of HMAC-SHA256(key, message), where the
// key is PBKDF2-HMAC-SHA1(password, salt, 5 iterations, 16 bytes). Empty when
// the key cannot be derived or the MAC fails.
std::string ComputeMessageSignature(std::string_view password,
                                    std::string_view message,
                                    std::string_view salt);

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_MESSAGE_SIGNATURE_H_
