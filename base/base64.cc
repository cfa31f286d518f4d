#include "base/base64.h"

#include <stdint.h>

namespace base {

namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// -1 for bytes outside the alphabet.
int DecodeChar(unsigned char c) {
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  if (c == '+')
    return 62;
  if (c == '/')
    return 63;
  return -1;
}

}  // namespace

void Base64Encode(std::string_view input, std::string* output) {
  std::string result;
  result.reserve((input.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= input.size(); i += 3) {
    uint32_t n = (static_cast<uint8_t>(input[i]) << 16) |
                 (static_cast<uint8_t>(input[i + 1]) << 8) | static_cast<uint8_t>(input[i + 2]);
    result.push_back(kAlphabet[(n >> 18) & 63]);
    result.push_back(kAlphabet[(n >> 12) & 63]);
    result.push_back(kAlphabet[(n >> 6) & 63]);
    result.push_back(kAlphabet[n & 63]);
  }
  size_t rest = input.size() - i;
  if (rest > 0) {
    uint32_t n = static_cast<uint8_t>(input[i]) << 16;
    if (rest == 2)
      n |= static_cast<uint8_t>(input[i + 1]) << 8;
    result.push_back(kAlphabet[(n >> 18) & 63]);
    result.push_back(kAlphabet[(n >> 12) & 63]);
    result.push_back(rest == 2 ? kAlphabet[(n >> 6) & 63] : '=');
    result.push_back('=');
  }
  output->swap(result);
}

bool Base64Decode(std::string_view input, std::string* output) {
  if (input.size() % 4 != 0)
    return false;
  size_t padding = 0;
  if (!input.empty() && input.back() == '=') {
    padding = input.size() >= 2 && input[input.size() - 2] == '=' ? 2 : 1;
  }
  std::string result;
  result.reserve(input.size() / 4 * 3);
  for (size_t i = 0; i < input.size(); i += 4) {
    bool last_group = i + 4 == input.size();
    size_t data_chars = last_group ? 4 - padding : 4;
    uint32_t n = 0;
    for (size_t j = 0; j < 4; ++j) {
      int value = 0;
      if (j < data_chars) {
        value = DecodeChar(static_cast<unsigned char>(input[i + j]));
        if (value < 0)
          return false;
      }
      n = (n << 6) | static_cast<uint32_t>(value);
    }
    result.push_back(static_cast<char>((n >> 16) & 0xFF));
    if (data_chars > 2)
      result.push_back(static_cast<char>((n >> 8) & 0xFF));
    if (data_chars > 3)
      result.push_back(static_cast<char>(n & 0xFF));
  }
  output->swap(result);
  return true;
}

}  // namespace base
