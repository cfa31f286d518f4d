#include "testing/lower_hex.h"

#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"

namespace testing_support {

std::string LowerHex(const void* bytes, size_t size) {
  return base::ToLowerASCII(base::HexEncode(bytes, size));
}

std::string LowerHex(std::string_view bytes) {
  return LowerHex(bytes.data(), bytes.size());
}

}  // namespace testing_support
