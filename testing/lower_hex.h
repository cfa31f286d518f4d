#ifndef TESTING_LOWER_HEX_H_
#define TESTING_LOWER_HEX_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace testing_support {

// `bytes` in lower-case hexadecimal, as digests are published.
std::string LowerHex(const void* bytes, size_t size);
std::string LowerHex(std::string_view bytes);

}  // namespace testing_support

#endif  // TESTING_LOWER_HEX_H_
