#ifndef BASE_BASE64_H_
#define BASE_BASE64_H_

#include <string>
#include <string_view>

namespace base {

// Standard alphabet with "=" padding.
void Base64Encode(std::string_view input, std::string* output);

// Strict: the length must be a multiple of 4, only the standard alphabet, and
// "=" only as one or two final padding characters; no white space. On failure
// |output| is left as it was. |input| and |output| may be the same string.
bool Base64Decode(std::string_view input, std::string* output);

}  // namespace base

#endif  // BASE_BASE64_H_
