#ifndef BASE_STRINGS_STRING16_H_
#define BASE_STRINGS_STRING16_H_

#include <string>
#include <string_view>

namespace base {

// On Windows wchar_t is UTF-16, so the wide standard string is our UTF-16
// string type.
using char16 = wchar_t;
using string16 = std::wstring;
using StringPiece = std::string_view;
using StringPiece16 = std::wstring_view;

}  // namespace base

#endif  // BASE_STRINGS_STRING16_H_
