#include "base/strings/utf8_code_points.h"

namespace base {

bool ReadUTF8CodePoint(std::string_view utf8, size_t* index, uint32_t* code_point) {
  size_t i = *index;
  uint8_t lead = static_cast<uint8_t>(utf8[i]);
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
    *code_point = kUnicodeReplacementCharacter;
    *index = i + 1;
    return false;
  }
  size_t consumed = 1;
  for (; consumed < length; ++consumed) {
    if (i + consumed >= utf8.size())
      break;
    uint8_t byte = static_cast<uint8_t>(utf8[i + consumed]);
    uint8_t min = consumed == 1 ? second_min : 0x80;
    uint8_t max = consumed == 1 ? second_max : 0xBF;
    if (byte < min || byte > max)
      break;
    value = (value << 6) | (byte & 0x3F);
  }
  *index = i + consumed;
  if (consumed < length) {
    *code_point = kUnicodeReplacementCharacter;
    return false;
  }
  *code_point = value;
  return true;
}

void AppendUTF8CodePoint(uint32_t code_point, std::string* output) {
  if (code_point < 0x80) {
    output->push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    output->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    output->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    output->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    output->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    output->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    output->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    output->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    output->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    output->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

}  // namespace base
