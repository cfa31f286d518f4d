#include "base/strings/string_split.h"

#include "base/strings/string_util.h"

namespace base {

namespace {

std::string_view Trim(std::string_view s) { return TrimWhitespaceASCII(s, TRIM_ALL); }
std::wstring_view Trim(std::wstring_view s) { return TrimWhitespace(s, TRIM_ALL); }

template <typename Char>
void AddPiece(std::basic_string_view<Char> piece, WhitespaceHandling whitespace,
              SplitResult result_type, std::vector<std::basic_string_view<Char>>* out) {
  if (whitespace == TRIM_WHITESPACE) piece = Trim(piece);
  if (result_type == SPLIT_WANT_ALL || !piece.empty()) out->push_back(piece);
}

template <typename Char>
std::vector<std::basic_string_view<Char>> SplitT(std::basic_string_view<Char> input,
                                                 std::basic_string_view<Char> delimiter,
                                                 bool any_char, WhitespaceHandling whitespace,
                                                 SplitResult result_type) {
  std::vector<std::basic_string_view<Char>> out;
  if (input.empty()) {
    if (result_type == SPLIT_WANT_ALL) out.push_back(input);
    return out;
  }
  size_t start = 0;
  while (true) {
    size_t end;
    if (delimiter.empty())
      end = std::basic_string_view<Char>::npos;
    else
      end = any_char ? input.find_first_of(delimiter, start) : input.find(delimiter, start);
    if (end == std::basic_string_view<Char>::npos) {
      AddPiece(input.substr(start), whitespace, result_type, &out);
      break;
    }
    AddPiece(input.substr(start, end - start), whitespace, result_type, &out);
    start = end + (any_char ? 1 : delimiter.size());
  }
  return out;
}

template <typename Char>
std::vector<std::basic_string<Char>> ToStrings(
    const std::vector<std::basic_string_view<Char>>& pieces) {
  return std::vector<std::basic_string<Char>>(pieces.begin(), pieces.end());
}

}  // namespace

std::vector<std::string> SplitString(std::string_view input, std::string_view separators,
                                     WhitespaceHandling w, SplitResult r) {
  return ToStrings(SplitT(input, separators, true, w, r));
}
std::vector<std::wstring> SplitString(std::wstring_view input, std::wstring_view separators,
                                      WhitespaceHandling w, SplitResult r) {
  return ToStrings(SplitT(input, separators, true, w, r));
}
std::vector<std::string_view> SplitStringPiece(std::string_view input,
                                               std::string_view separators,
                                               WhitespaceHandling w, SplitResult r) {
  return SplitT(input, separators, true, w, r);
}
std::vector<std::wstring_view> SplitStringPiece(std::wstring_view input,
                                                std::wstring_view separators,
                                                WhitespaceHandling w, SplitResult r) {
  return SplitT(input, separators, true, w, r);
}
std::vector<std::string> SplitStringUsingSubstr(std::string_view input,
                                                std::string_view delimiter,
                                                WhitespaceHandling w, SplitResult r) {
  return ToStrings(SplitT(input, delimiter, false, w, r));
}
std::vector<std::wstring> SplitStringUsingSubstr(std::wstring_view input,
                                                 std::wstring_view delimiter,
                                                 WhitespaceHandling w, SplitResult r) {
  return ToStrings(SplitT(input, delimiter, false, w, r));
}

}  // namespace base
