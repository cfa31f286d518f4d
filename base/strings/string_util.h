#ifndef BASE_STRINGS_STRING_UTIL_H_
#define BASE_STRINGS_STRING_UTIL_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/strings/string16.h"

namespace base {

// ASCII-only case mapping: bytes and characters outside A-Z/a-z are kept.
std::string ToLowerASCII(std::string_view str);
std::wstring ToLowerASCII(std::wstring_view str);
std::string ToUpperASCII(std::string_view str);
std::wstring ToUpperASCII(std::wstring_view str);

inline char ToLowerASCII(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
inline wchar_t ToLowerASCII(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
}
inline char ToUpperASCII(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline wchar_t ToUpperASCII(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
}

// Negative, zero or positive like strcmp, ignoring ASCII case.
int CompareCaseInsensitiveASCII(std::string_view a, std::string_view b);
int CompareCaseInsensitiveASCII(std::wstring_view a, std::wstring_view b);
bool EqualsCaseInsensitiveASCII(std::string_view a, std::string_view b);
bool EqualsCaseInsensitiveASCII(std::wstring_view a, std::wstring_view b);
// `ascii` must be ASCII.
bool LowerCaseEqualsASCII(std::wstring_view str, std::string_view lowercase_ascii);
bool EqualsASCII(std::wstring_view str, std::string_view ascii);

enum class CompareCase {
  SENSITIVE,
  INSENSITIVE_ASCII,
};

bool StartsWith(std::string_view str, std::string_view prefix, CompareCase case_sensitivity);
bool StartsWith(std::wstring_view str, std::wstring_view prefix, CompareCase case_sensitivity);
bool EndsWith(std::string_view str, std::string_view suffix, CompareCase case_sensitivity);
bool EndsWith(std::wstring_view str, std::wstring_view suffix, CompareCase case_sensitivity);

enum TrimPositions {
  TRIM_NONE = 0,
  TRIM_LEADING = 1 << 0,
  TRIM_TRAILING = 1 << 1,
  TRIM_ALL = TRIM_LEADING | TRIM_TRAILING,
};

extern const char kWhitespaceASCII[];
extern const wchar_t kWhitespaceWide[];     // ASCII and Unicode white space
extern const wchar_t kWhitespaceASCIIAs16[];

// Removes the characters of `trim_chars` from the given ends of `input`.
// Returns whether anything was removed. `output` may alias `input`.
bool TrimString(std::string_view input, std::string_view trim_chars, std::string* output);
bool TrimString(std::wstring_view input, std::wstring_view trim_chars, std::wstring* output);
std::string_view TrimString(std::string_view input, std::string_view trim_chars,
                            TrimPositions positions);
std::wstring_view TrimString(std::wstring_view input, std::wstring_view trim_chars,
                             TrimPositions positions);

// Returns which ends had white space removed.
TrimPositions TrimWhitespace(std::wstring_view input, TrimPositions positions,
                             std::wstring* output);
std::wstring_view TrimWhitespace(std::wstring_view input, TrimPositions positions);
TrimPositions TrimWhitespaceASCII(std::string_view input, TrimPositions positions,
                                  std::string* output);
TrimPositions TrimWhitespaceASCII(std::wstring_view input, TrimPositions positions,
                                  std::wstring* output);
std::string_view TrimWhitespaceASCII(std::string_view input, TrimPositions positions);
std::wstring_view TrimWhitespaceASCII(std::wstring_view input, TrimPositions positions);

// Trims both ends and turns every inner run of white space into one blank;
// with `trim_sequences_with_line_breaks`, runs holding a line break are
// removed entirely.
std::wstring CollapseWhitespace(std::wstring_view text, bool trim_sequences_with_line_breaks);
std::string CollapseWhitespaceASCII(std::string_view text, bool trim_sequences_with_line_breaks);

bool ContainsOnlyChars(std::string_view input, std::string_view characters);
bool ContainsOnlyChars(std::wstring_view input, std::wstring_view characters);

bool IsStringASCII(std::string_view str);
bool IsStringASCII(std::wstring_view str);
// Strict: no overlong forms, surrogates or values past U+10FFFF.
bool IsStringUTF8(std::string_view str);

// Replaces every `find_this` found at or after `start_offset`. An empty
// `find_this` changes nothing.
void ReplaceSubstringsAfterOffset(std::string* str, size_t start_offset,
                                  std::string_view find_this, std::string_view replace_with);
void ReplaceSubstringsAfterOffset(std::wstring* str, size_t start_offset,
                                  std::wstring_view find_this, std::wstring_view replace_with);
void ReplaceFirstSubstringAfterOffset(std::string* str, size_t start_offset,
                                      std::string_view find_this, std::string_view replace_with);
void ReplaceFirstSubstringAfterOffset(std::wstring* str, size_t start_offset,
                                      std::wstring_view find_this, std::wstring_view replace_with);
// Replaces each character of `replace_chars` by `replace_with`; returns
// whether anything changed.
bool ReplaceChars(std::string_view input, std::string_view replace_chars,
                  std::string_view replace_with, std::string* output);
bool ReplaceChars(std::wstring_view input, std::wstring_view replace_chars,
                  std::wstring_view replace_with, std::wstring* output);

// "$1".."$9" are replaced by the matching substitution, "$$" by "$".
// A placeholder without a substitution and a "$" followed by anything else
// are kept as written, so nothing of the text is silently lost. `offsets`
// (optional) receives where each substitution was put, in the order of the
// placeholder numbers.
std::wstring ReplaceStringPlaceholders(std::wstring_view format_string,
                                       const std::vector<std::wstring>& subst,
                                       std::vector<size_t>* offsets);
std::string ReplaceStringPlaceholders(std::string_view format_string,
                                      const std::vector<std::string>& subst,
                                      std::vector<size_t>* offsets);
// Single "$1" form.
std::wstring ReplaceStringPlaceholders(std::wstring_view format_string, std::wstring_view a,
                                       size_t* offset);

std::string JoinString(const std::vector<std::string>& parts, std::string_view separator);
std::wstring JoinString(const std::vector<std::wstring>& parts, std::wstring_view separator);

// Lets a C API write straight into a string: resizes to `length_with_null`
// - 1 characters and returns the buffer (with room for the terminator).
char* WriteInto(std::string* str, size_t length_with_null);
wchar_t* WriteInto(std::wstring* str, size_t length_with_null);

}  // namespace base

#endif  // BASE_STRINGS_STRING_UTIL_H_
