#include "base/json/string_escape.h"

#include <stdint.h>
#include <stdio.h>

#include "base/strings/utf8_code_points.h"

namespace base {

bool EscapeJSONString(std::string_view str, bool put_in_quotes, std::string* dest) {
  bool valid = true;
  dest->reserve(dest->size() + str.size() + 2);
  if (put_in_quotes)
    dest->push_back('"');
  size_t i = 0;
  while (i < str.size()) {
    uint32_t c;
    if (!ReadUTF8CodePoint(str, &i, &c))
      valid = false;
    switch (c) {
      case '\b':
        dest->append("\\b");
        break;
      case '\f':
        dest->append("\\f");
        break;
      case '\n':
        dest->append("\\n");
        break;
      case '\r':
        dest->append("\\r");
        break;
      case '\t':
        dest->append("\\t");
        break;
      case '\\':
        dest->append("\\\\");
        break;
      case '"':
        dest->append("\\\"");
        break;
      // Keeps "</script>" out of JSON embedded in HTML.
      case '<':
        dest->append("\\u003C");
        break;
      // Line terminators in JavaScript though not in JSON.
      case 0x2028:
        dest->append("\\u2028");
        break;
      case 0x2029:
        dest->append("\\u2029");
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          snprintf(escaped, sizeof(escaped), "\\u%04X", static_cast<unsigned>(c));
          dest->append(escaped);
        } else {
          AppendUTF8CodePoint(c, dest);
        }
        break;
    }
  }
  if (put_in_quotes)
    dest->push_back('"');
  return valid;
}

}  // namespace base
