#ifndef BASE_GUID_H_
#define BASE_GUID_H_

#include <string>
#include <string_view>

namespace base {

// A random (version 4) GUID in lower case: "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx".
std::string GenerateGUID();

// 8-4-4-4-12 hexadecimal digits, either case, no braces.
bool IsValidGUID(std::string_view guid);
bool IsValidGUID(std::wstring_view guid);

// As IsValidGUID, but lower case only (what GenerateGUID produces).
bool IsValidGUIDOutputString(std::string_view guid);

}  // namespace base

#endif  // BASE_GUID_H_
