#ifndef BASE_STRINGS_STRING_SPLIT_H_
#define BASE_STRINGS_STRING_SPLIT_H_

#include <string>
#include <string_view>
#include <vector>

namespace base {

enum WhitespaceHandling {
  KEEP_WHITESPACE,
  TRIM_WHITESPACE,
};

enum SplitResult {
  // Every piece, empty ones included: "a,,b" gives "a", "", "b" and ""
  // gives one empty piece.
  SPLIT_WANT_ALL,
  // Empty pieces (after trimming) are dropped.
  SPLIT_WANT_NONEMPTY,
};

// Splits at any one of the characters in `separators`.
std::vector<std::string> SplitString(std::string_view input, std::string_view separators,
                                     WhitespaceHandling whitespace, SplitResult result_type);
std::vector<std::wstring> SplitString(std::wstring_view input, std::wstring_view separators,
                                      WhitespaceHandling whitespace, SplitResult result_type);
std::vector<std::string_view> SplitStringPiece(std::string_view input,
                                               std::string_view separators,
                                               WhitespaceHandling whitespace,
                                               SplitResult result_type);
std::vector<std::wstring_view> SplitStringPiece(std::wstring_view input,
                                                std::wstring_view separators,
                                                WhitespaceHandling whitespace,
                                                SplitResult result_type);

// Splits at every occurrence of the whole `delimiter`.
std::vector<std::string> SplitStringUsingSubstr(std::string_view input,
                                                std::string_view delimiter,
                                                WhitespaceHandling whitespace,
                                                SplitResult result_type);
std::vector<std::wstring> SplitStringUsingSubstr(std::wstring_view input,
                                                 std::wstring_view delimiter,
                                                 WhitespaceHandling whitespace,
                                                 SplitResult result_type);

}  // namespace base

#endif  // BASE_STRINGS_STRING_SPLIT_H_
