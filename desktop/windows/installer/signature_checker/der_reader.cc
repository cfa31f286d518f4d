#include "desktop/windows/installer/signature_checker/der_reader.h"

bool DerReader::ReadAny(uint8_t* tag, std::string_view* contents) {
  if (input_.size() < 2 || (input_[0] & 0x1F) == 0x1F)
    return false;
  *tag = static_cast<uint8_t>(input_[0]);
  size_t length = static_cast<uint8_t>(input_[1]);
  size_t header = 2;
  if (length & 0x80) {
    const size_t count = length & 0x7F;
    // Up to four length bytes; 0x80 alone would be an indefinite length.
    if (count == 0 || count > 4 || input_.size() < 2 + count)
      return false;
    length = 0;
    for (size_t i = 0; i < count; ++i)
      length = (length << 8) | static_cast<uint8_t>(input_[2 + i]);
    header += count;
  }
  if (input_.size() - header < length)
    return false;
  *contents = input_.substr(header, length);
  input_.remove_prefix(header + length);
  return true;
}

bool DerReader::ReadElement(uint8_t tag, std::string_view* contents) {
  DerReader copy = *this;
  uint8_t found = 0;
  if (!copy.ReadAny(&found, contents) || found != tag)
    return false;
  *this = copy;
  return true;
}

bool DerReader::SkipElement() {
  uint8_t tag = 0;
  std::string_view contents;
  return ReadAny(&tag, &contents);
}

bool DerReader::ReadObjectIdentifier(std::string* dotted) {
  std::string_view contents;
  if (!ReadElement(kObjectIdentifier, &contents) || contents.empty())
    return false;
  std::string text;
  uint64_t value = 0;
  bool first = true;
  for (size_t i = 0; i < contents.size(); ++i) {
    const uint8_t byte = static_cast<uint8_t>(contents[i]);
    if (value > (UINT64_MAX >> 7))
      return false;
    value = (value << 7) | (byte & 0x7F);
    if (byte & 0x80) {
      if (i + 1 == contents.size())
        return false;
      continue;
    }
    if (first) {
      const uint64_t arc = value < 80 ? value / 40 : 2;
      text = std::to_string(arc) + "." + std::to_string(value - arc * 40);
      first = false;
    } else {
      text += "." + std::to_string(value);
    }
    value = 0;
  }
  *dotted = std::move(text);
  return true;
}
