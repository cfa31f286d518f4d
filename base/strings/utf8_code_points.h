#ifndef BASE_STRINGS_UTF8_CODE_POINTS_H_
#define BASE_STRINGS_UTF8_CODE_POINTS_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>

namespace base {

// Stands in for every sequence that cannot be decoded.
constexpr uint32_t kUnicodeReplacementCharacter = 0xFFFD;

// Decodes the code point at |*index| (which must be inside |utf8|) and moves
// past it. An invalid sequence (bad lead byte, overlong form, surrogate,
// beyond U+10FFFF, or truncated) yields U+FFFD and false, and consumes its
// maximal valid prefix, at least one byte, so that one bad byte never
// swallows the valid text after it.
bool ReadUTF8CodePoint(std::string_view utf8, size_t* index, uint32_t* code_point);

// Appends |code_point| (at most U+10FFFF) encoded as UTF-8.
void AppendUTF8CodePoint(uint32_t code_point, std::string* output);

}  // namespace base

#endif  // BASE_STRINGS_UTF8_CODE_POINTS_H_
