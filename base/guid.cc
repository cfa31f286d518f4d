#include "base/guid.h"

#include <stdint.h>
#include <stdio.h>

#include "base/rand_util.h"

namespace base {

namespace {

template <typename CharT>
bool IsValidGUIDInternal(std::basic_string_view<CharT> guid, bool strict_lower_case) {
  constexpr size_t kGUIDLength = 36;
  if (guid.size() != kGUIDLength)
    return false;
  for (size_t i = 0; i < guid.size(); ++i) {
    CharT c = guid[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != '-')
        return false;
      continue;
    }
    bool digit = c >= '0' && c <= '9';
    bool lower = c >= 'a' && c <= 'f';
    bool upper = c >= 'A' && c <= 'F';
    if (!digit && !lower && !(upper && !strict_lower_case))
      return false;
  }
  return true;
}

}  // namespace

std::string GenerateGUID() {
  uint64_t bytes[2] = {RandUint64(), RandUint64()};
  // Version 4 (random) and the RFC 4122 variant.
  bytes[0] = (bytes[0] & 0xFFFFFFFFFFFF0FFFULL) | 0x0000000000004000ULL;
  bytes[1] = (bytes[1] & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;
  char text[37];
  snprintf(text, sizeof(text), "%08x-%04x-%04x-%04x-%012llx",
           static_cast<unsigned>(bytes[0] >> 32), static_cast<unsigned>((bytes[0] >> 16) & 0xFFFF),
           static_cast<unsigned>(bytes[0] & 0xFFFF), static_cast<unsigned>(bytes[1] >> 48),
           static_cast<unsigned long long>(bytes[1] & 0x0000FFFFFFFFFFFFULL));
  return std::string(text, 36);
}

bool IsValidGUID(std::string_view guid) {
  return IsValidGUIDInternal(guid, false);
}

bool IsValidGUID(std::wstring_view guid) {
  return IsValidGUIDInternal(guid, false);
}

bool IsValidGUIDOutputString(std::string_view guid) {
  return IsValidGUIDInternal(guid, true);
}

}  // namespace base
