#ifndef BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_
#define BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// Number to text, decimal. Doubles use the shortest text that reads back
// to the same value.
std::string NumberToString(int value);
std::string NumberToString(unsigned value);
std::string NumberToString(long value);
std::string NumberToString(unsigned long value);
std::string NumberToString(long long value);
std::string NumberToString(unsigned long long value);
std::string NumberToString(double value);
std::wstring NumberToString16(int value);
std::wstring NumberToString16(unsigned value);
std::wstring NumberToString16(long value);
std::wstring NumberToString16(unsigned long value);
std::wstring NumberToString16(long long value);
std::wstring NumberToString16(unsigned long long value);
std::wstring NumberToString16(double value);
template <typename T>
std::wstring NumberToWString(T value) {
  return NumberToString16(value);
}
inline std::string IntToString(int value) { return NumberToString(value); }
inline std::wstring IntToString16(int value) { return NumberToString16(value); }
inline std::string UintToString(unsigned value) { return NumberToString(value); }
inline std::string Int64ToString(int64_t value) { return NumberToString(static_cast<long long>(value)); }
inline std::string Uint64ToString(uint64_t value) {
  return NumberToString(static_cast<unsigned long long>(value));
}
inline std::string SizeTToString(size_t value) {
  return NumberToString(static_cast<unsigned long long>(value));
}

// Text to number. The whole text must be the number: an optional '+' (or
// '-' for signed types) and decimal digits, nothing else — no blanks, no
// trailing characters, no empty text. A value out of range fails. On
// failure `*output` is left unchanged.
bool StringToInt(std::string_view input, int* output);
bool StringToInt(std::wstring_view input, int* output);
bool StringToUint(std::string_view input, unsigned* output);
bool StringToUint(std::wstring_view input, unsigned* output);
bool StringToInt64(std::string_view input, int64_t* output);
bool StringToInt64(std::wstring_view input, int64_t* output);
bool StringToUint64(std::string_view input, uint64_t* output);
bool StringToUint64(std::wstring_view input, uint64_t* output);
bool StringToSizeT(std::string_view input, size_t* output);
bool StringToSizeT(std::wstring_view input, size_t* output);
// Decimal or exponent form, same whole-text rule; inf and nan are refused.
bool StringToDouble(std::string_view input, double* output);

// Hexadecimal with an optional "0x"/"0X" (and '-' for the signed ones).
bool HexStringToInt(std::string_view input, int* output);
bool HexStringToUInt(std::string_view input, uint32_t* output);
bool HexStringToInt64(std::string_view input, int64_t* output);
bool HexStringToUInt64(std::string_view input, uint64_t* output);

// Upper-case hexadecimal of the bytes.
std::string HexEncode(const void* bytes, size_t size);
inline std::string HexEncode(std::string_view bytes) { return HexEncode(bytes.data(), bytes.size()); }
// Two hex digits (either case) per byte, no prefix; odd length or any other
// character fails and leaves `output` unchanged. Appends on success.
bool HexStringToBytes(std::string_view input, std::vector<uint8_t>* output);

}  // namespace base

#endif  // BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_
