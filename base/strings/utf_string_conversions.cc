#include "base/strings/utf_string_conversions.h"

#include <cstdint>

namespace base {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Decodes one code point at `*i`, advancing past it. An invalid sequence
// consumes its maximal invalid prefix (at least one byte) and yields
// U+FFFD, so one bad byte never swallows following valid text.
bool DecodeUTF8(std::string_view s, size_t* i, uint32_t* out) {
  const unsigned char lead = static_cast<unsigned char>(s[*i]);
  if (lead < 0x80) {
    *out = lead;
    ++*i;
    return true;
  }
  int extra;
  uint32_t cp;
  uint32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1; cp = lead & 0x1F; min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2; cp = lead & 0x0F; min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3; cp = lead & 0x07; min = 0x10000;
  } else {
    *out = kReplacement;
    ++*i;
    return false;
  }
  size_t pos = *i + 1;
  for (int k = 0; k < extra; ++k, ++pos) {
    if (pos >= s.size()) {
      *i = pos;
      *out = kReplacement;
      return false;
    }
    const unsigned char c = static_cast<unsigned char>(s[pos]);
    if ((c & 0xC0) != 0x80) {
      *i = pos;
      *out = kReplacement;
      return false;
    }
    cp = (cp << 6) | (c & 0x3F);
    // Reject overlong forms, surrogates and values past U+10FFFF as soon as
    // the second byte shows them.
    if (k == 0) {
      const uint32_t partial_min = min >> (6 * (extra - 1));
      const uint32_t partial_max = 0x10FFFF >> (6 * (extra - 1));
      if (cp < partial_min || cp > partial_max ||
          (extra == 2 && cp >= (0xD800 >> 6) && cp <= (0xDFFF >> 6))) {
        *i = pos;
        *out = kReplacement;
        return false;
      }
    }
  }
  *i = pos;
  *out = cp;
  return true;
}

void AppendUTF16(uint32_t cp, std::wstring* out) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out->push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
    out->push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out->push_back(static_cast<wchar_t>(cp));
  }
}

void AppendUTF8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
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
    valid &= DecodeUTF8(s, &i, &cp);
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
        c = kReplacement;
        valid = false;
      }
    }
    AppendUTF8(c, output);
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
    out.push_back(u < 0x80 ? static_cast<wchar_t>(u) : static_cast<wchar_t>(kReplacement));
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
