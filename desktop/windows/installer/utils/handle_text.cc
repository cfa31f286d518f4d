#include "desktop/windows/installer/utils/handle_text.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/strings/string_number_conversions.h"

bool DecodeHandleText(const std::string& text, HANDLE* handle) {
  std::vector<uint8_t> bytes;
  if (!base::HexStringToBytes(text, &bytes))
    return false;
  uint64_t value = 0;
  if (bytes.size() == 8) {
    for (int i = 7; i >= 0; --i)
      value = (value << 8) | bytes[i];
  } else if (bytes.size() == 4) {
    int32_t narrow = 0;
    std::memcpy(&narrow, bytes.data(), sizeof(narrow));  // little-endian
    value = static_cast<uint64_t>(static_cast<int64_t>(narrow));
  } else {
    return false;
  }
  *handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
  return true;
}

std::string EncodeHandleText(HANDLE handle) {
  uint64_t value = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle));
  uint8_t bytes[8];
  for (int i = 0; i < 8; ++i)
    bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  return base::HexEncode(bytes, sizeof(bytes));
}
