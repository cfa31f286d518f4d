#ifndef BASE_JSON_STRING_ESCAPE_H_
#define BASE_JSON_STRING_ESCAPE_H_

#include <string>
#include <string_view>

namespace base {

// Appends |str| to |dest| escaped for a JSON string literal, in double quotes
// when |put_in_quotes|. Control characters, '"', '\\', '<' (so the text is
// safe inside an HTML script block) and U+2028/U+2029 are escaped. Every
// invalid UTF-8 sequence is written as U+FFFD; the result is false when that
// happened.
bool EscapeJSONString(std::string_view str, bool put_in_quotes, std::string* dest);

}  // namespace base

#endif  // BASE_JSON_STRING_ESCAPE_H_
