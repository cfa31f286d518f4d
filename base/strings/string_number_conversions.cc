#include "base/strings/string_number_conversions.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>

namespace base {

namespace {

template <typename T>
std::string ToText(T value) {
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof(buf), value);
  return std::string(buf, result.ptr);
}

template <typename T>
std::wstring ToText16(T value) {
  const std::string narrow = ToText(value);
  return std::wstring(narrow.begin(), narrow.end());
}

int DigitValue(wchar_t c, int base) {
  int v;
  if (c >= '0' && c <= '9')
    v = c - '0';
  else if (c >= 'a' && c <= 'f')
    v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F')
    v = c - 'A' + 10;
  else
    return -1;
  return v < base ? v : -1;
}

// Parses the whole of `input` in `base`; any stray character, missing digit
// or overflow fails without touching `output`.
template <typename T, typename Char>
bool ParseInteger(std::basic_string_view<Char> input, int base, T* output) {
  size_t i = 0;
  bool negative = false;
  if (i < input.size() && (input[i] == '+' || input[i] == '-')) {
    negative = input[i] == '-';
    if (negative && !std::is_signed_v<T>) return false;
    ++i;
  }
  if (base == 16 && i + 1 < input.size() && input[i] == '0' &&
      (input[i + 1] == 'x' || input[i + 1] == 'X'))
    i += 2;
  if (i == input.size()) return false;
  T value = 0;
  for (; i < input.size(); ++i) {
    const int digit = DigitValue(static_cast<wchar_t>(input[i]), base);
    if (digit < 0) return false;
    if (negative) {
      if (value < (std::numeric_limits<T>::min() + digit) / base) return false;
      value = static_cast<T>(value * base - digit);
    } else {
      if (value > (std::numeric_limits<T>::max() - digit) / base) return false;
      value = static_cast<T>(value * base + digit);
    }
  }
  *output = value;
  return true;
}

}  // namespace

std::string NumberToString(int v) { return ToText(v); }
std::string NumberToString(unsigned v) { return ToText(v); }
std::string NumberToString(long v) { return ToText(v); }
std::string NumberToString(unsigned long v) { return ToText(v); }
std::string NumberToString(long long v) { return ToText(v); }
std::string NumberToString(unsigned long long v) { return ToText(v); }
std::string NumberToString(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
  return ToText(v);
}
std::wstring NumberToString16(int v) { return ToText16(v); }
std::wstring NumberToString16(unsigned v) { return ToText16(v); }
std::wstring NumberToString16(long v) { return ToText16(v); }
std::wstring NumberToString16(unsigned long v) { return ToText16(v); }
std::wstring NumberToString16(long long v) { return ToText16(v); }
std::wstring NumberToString16(unsigned long long v) { return ToText16(v); }
std::wstring NumberToString16(double v) {
  const std::string narrow = NumberToString(v);
  return std::wstring(narrow.begin(), narrow.end());
}

bool StringToInt(std::string_view in, int* out) { return ParseInteger(in, 10, out); }
bool StringToInt(std::wstring_view in, int* out) { return ParseInteger(in, 10, out); }
bool StringToUint(std::string_view in, unsigned* out) { return ParseInteger(in, 10, out); }
bool StringToUint(std::wstring_view in, unsigned* out) { return ParseInteger(in, 10, out); }
bool StringToInt64(std::string_view in, int64_t* out) { return ParseInteger(in, 10, out); }
bool StringToInt64(std::wstring_view in, int64_t* out) { return ParseInteger(in, 10, out); }
bool StringToUint64(std::string_view in, uint64_t* out) { return ParseInteger(in, 10, out); }
bool StringToUint64(std::wstring_view in, uint64_t* out) { return ParseInteger(in, 10, out); }
bool StringToSizeT(std::string_view in, size_t* out) { return ParseInteger(in, 10, out); }
bool StringToSizeT(std::wstring_view in, size_t* out) { return ParseInteger(in, 10, out); }

bool StringToDouble(std::string_view input, double* output) {
  if (input.empty()) return false;
  for (char c : input) {
    // strtod would skip leading blanks and accept "inf", "nan" and hex.
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-'))
      return false;
  }
  const std::string text(input);
  char* end = nullptr;
  const double value = strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value)) return false;
  *output = value;
  return true;
}

bool HexStringToInt(std::string_view in, int* out) { return ParseInteger(in, 16, out); }
bool HexStringToUInt(std::string_view in, uint32_t* out) { return ParseInteger(in, 16, out); }
bool HexStringToInt64(std::string_view in, int64_t* out) { return ParseInteger(in, 16, out); }
bool HexStringToUInt64(std::string_view in, uint64_t* out) { return ParseInteger(in, 16, out); }

std::string HexEncode(const void* bytes, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out.push_back(kDigits[p[i] >> 4]);
    out.push_back(kDigits[p[i] & 15]);
  }
  return out;
}

bool HexStringToBytes(std::string_view input, std::vector<uint8_t>* output) {
  if (input.size() % 2 != 0) return false;
  std::vector<uint8_t> bytes;
  bytes.reserve(input.size() / 2);
  for (size_t i = 0; i < input.size(); i += 2) {
    const int hi = DigitValue(static_cast<unsigned char>(input[i]), 16);
    const int lo = DigitValue(static_cast<unsigned char>(input[i + 1]), 16);
    if (hi < 0 || lo < 0) return false;
    bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  output->insert(output->end(), bytes.begin(), bytes.end());
  return true;
}

}  // namespace base
