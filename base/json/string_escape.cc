#include "base/json/string_escape.h"

#include <stdint.h>
#include <stdio.h>

namespace base {

namespace {

constexpr uint32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point at |*index| and moves past it. An invalid sequence
// (bad lead byte, overlong form, surrogate, beyond U+10FFFF, or truncated)
// yields U+FFFD and consumes its maximal valid prefix, at least one byte.
bool ReadCodePoint(std::string_view str, size_t* index, uint32_t* code_point) {
  size_t i = *index;
  uint8_t lead = static_cast<uint8_t>(str[i]);
  if (lead < 0x80) {
    *code_point = lead;
    *index = i + 1;
    return true;
  }
  size_t length;
  uint32_t value;
  uint8_t second_min = 0x80;
  uint8_t second_max = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    if (lead == 0xE0)
      second_min = 0xA0;  // Overlong.
    else if (lead == 0xED)
      second_max = 0x9F;  // Surrogates.
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    if (lead == 0xF0)
      second_min = 0x90;  // Overlong.
    else if (lead == 0xF4)
      second_max = 0x8F;  // Beyond U+10FFFF.
  } else {
    *code_point = kReplacementCharacter;
    *index = i + 1;
    return false;
  }
  size_t consumed = 1;
  for (; consumed < length; ++consumed) {
    if (i + consumed >= str.size())
      break;
    uint8_t byte = static_cast<uint8_t>(str[i + consumed]);
    uint8_t min = consumed == 1 ? second_min : 0x80;
    uint8_t max = consumed == 1 ? second_max : 0xBF;
    if (byte < min || byte > max)
      break;
    value = (value << 6) | (byte & 0x3F);
  }
  *index = i + consumed;
  if (consumed < length) {
    *code_point = kReplacementCharacter;
    return false;
  }
  *code_point = value;
  return true;
}

void AppendUTF8(uint32_t code_point, std::string* dest) {
  if (code_point < 0x80) {
    dest->push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    dest->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    dest->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    dest->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    dest->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    dest->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    dest->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    dest->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    dest->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    dest->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

}  // namespace

bool EscapeJSONString(std::string_view str, bool put_in_quotes, std::string* dest) {
  bool valid = true;
  dest->reserve(dest->size() + str.size() + 2);
  if (put_in_quotes)
    dest->push_back('"');
  size_t i = 0;
  while (i < str.size()) {
    uint32_t c;
    if (!ReadCodePoint(str, &i, &c))
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
          AppendUTF8(c, dest);
        }
        break;
    }
  }
  if (put_in_quotes)
    dest->push_back('"');
  return valid;
}

}  // namespace base
