#include "base/strings/utf_string_conversions.h"

#include <cstdint>

#include "base/strings/utf8_code_points.h"

namespace base {

namespace {

bool IsSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

void AppendUTF16(uint32_t cp, std::wstring* out) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out->push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
    out->push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out->push_back(static_cast<wchar_t>(cp));
  }
}

}  // namespace

bool UTF8ToWide(const char* src, size_t src_len, std::wstring* output) {
  output->clear();
  output->reserve(src_len);
  std::string_view s(src, src_len);
  bool valid = true;
  size_t i = 0;
  while (i < s.size()) {
    uint32_t cp;
    valid &= ReadUTF8CodePoint(s, &i, &cp);
    AppendUTF16(cp, output);
  }
  return valid;
}

bool WideToUTF8(const wchar_t* src, size_t src_len, std::string* output) {
  output->clear();
  output->reserve(src_len);
  bool valid = true;
  for (size_t i = 0; i < src_len; ++i) {
    uint32_t c = static_cast<uint16_t>(src[i]);
    if (IsSurrogate(c)) {
      const uint32_t next = i + 1 < src_len ? static_cast<uint16_t>(src[i + 1]) : 0;
      if (c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
        ++i;
      } else {
        c = kUnicodeReplacementCharacter;
        valid = false;
      }
    }
    AppendUTF8CodePoint(c, output);
  }
  return valid;
}

std::wstring UTF8ToWide(std::string_view utf8) {
  std::wstring out;
  UTF8ToWide(utf8.data(), utf8.size(), &out);
  return out;
}

std::string WideToUTF8(std::wstring_view wide) {
  std::string out;
  WideToUTF8(wide.data(), wide.size(), &out);
  return out;
}

std::wstring ASCIIToWide(std::string_view ascii) {
  std::wstring out;
  out.reserve(ascii.size());
  for (char c : ascii) {
    const unsigned char u = static_cast<unsigned char>(c);
    out.push_back(u < 0x80 ? static_cast<wchar_t>(u) : static_cast<wchar_t>(kUnicodeReplacementCharacter));
  }
  return out;
}

std::string UTF16ToASCII(std::wstring_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (wchar_t c : utf16)
    out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

}  // namespace base
