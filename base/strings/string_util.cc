#include "base/strings/string_util.h"

#include <algorithm>
#include <utility>

#include "base/strings/utf8_code_points.h"

namespace base {

const char kWhitespaceASCII[] = "\x09\x0A\x0B\x0C\x0D\x20";
const wchar_t kWhitespaceASCIIAs16[] = L"\x09\x0A\x0B\x0C\x0D\x20";
const wchar_t kWhitespaceWide[] =
    L"\x0009\x000A\x000B\x000C\x000D\x0020\x0085\x00A0\x1680\x2000\x2001\x2002\x2003\x2004"
    L"\x2005\x2006\x2007\x2008\x2009\x200A\x2028\x2029\x202F\x205F\x3000";

namespace {

template <typename Char>
std::basic_string<Char> ToLowerT(std::basic_string_view<Char> s) {
  std::basic_string<Char> out(s);
  for (Char& c : out) c = ToLowerASCII(c);
  return out;
}

template <typename Char>
std::basic_string<Char> ToUpperT(std::basic_string_view<Char> s) {
  std::basic_string<Char> out(s);
  for (Char& c : out) c = ToUpperASCII(c);
  return out;
}

template <typename Char>
int CompareCaseInsensitiveT(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<std::make_unsigned_t<Char>>(ToLowerASCII(a[i]));
    const auto cb = static_cast<std::make_unsigned_t<Char>>(ToLowerASCII(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

template <typename Char>
bool StartsWithT(std::basic_string_view<Char> str, std::basic_string_view<Char> prefix,
                 CompareCase cs) {
  if (prefix.size() > str.size()) return false;
  str = str.substr(0, prefix.size());
  return cs == CompareCase::SENSITIVE ? str == prefix
                                      : CompareCaseInsensitiveT(str, prefix) == 0;
}

template <typename Char>
bool EndsWithT(std::basic_string_view<Char> str, std::basic_string_view<Char> suffix,
               CompareCase cs) {
  if (suffix.size() > str.size()) return false;
  str = str.substr(str.size() - suffix.size());
  return cs == CompareCase::SENSITIVE ? str == suffix
                                      : CompareCaseInsensitiveT(str, suffix) == 0;
}

template <typename Char>
std::basic_string_view<Char> TrimT(std::basic_string_view<Char> input,
                                   std::basic_string_view<Char> chars, TrimPositions positions,
                                   TrimPositions* trimmed) {
  size_t begin = 0;
  size_t end = input.size();
  if (positions & TRIM_LEADING) {
    const size_t first = input.find_first_not_of(chars);
    begin = first == std::basic_string_view<Char>::npos ? input.size() : first;
  }
  if (positions & TRIM_TRAILING) {
    const size_t last = input.find_last_not_of(chars);
    end = last == std::basic_string_view<Char>::npos ? 0 : last + 1;
  }
  if (end < begin) end = begin;
  int result = TRIM_NONE;
  if (begin > 0) result |= TRIM_LEADING;
  if (end < input.size()) result |= TRIM_TRAILING;
  // Text made only of trim characters is removed by whichever end was asked.
  if (begin == input.size() && !input.empty()) result = positions;
  if (trimmed) *trimmed = static_cast<TrimPositions>(result);
  return input.substr(begin, end - begin);
}

template <typename Char>
TrimPositions TrimIntoT(std::basic_string_view<Char> input, std::basic_string_view<Char> chars,
                        TrimPositions positions, std::basic_string<Char>* output) {
  TrimPositions trimmed;
  std::basic_string<Char> result(TrimT(input, chars, positions, &trimmed));
  *output = std::move(result);
  return trimmed;
}

template <typename Char>
std::basic_string<Char> CollapseT(std::basic_string_view<Char> text,
                                  std::basic_string_view<Char> whitespace,
                                  bool trim_with_line_breaks) {
  std::basic_string<Char> out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (whitespace.find(text[i]) == std::basic_string_view<Char>::npos) {
      out.push_back(text[i++]);
      continue;
    }
    const size_t run_start = i;
    bool has_break = false;
    for (; i < text.size() && whitespace.find(text[i]) != std::basic_string_view<Char>::npos; ++i)
      has_break |= text[i] == '\r' || text[i] == '\n';
    // Runs at either end go; inner runs become one blank unless a line
    // break in them is to be removed.
    if (run_start == 0 || i == text.size()) continue;
    if (!(has_break && trim_with_line_breaks)) out.push_back(' ');
  }
  return out;
}

template <typename Char>
bool IsASCIIT(std::basic_string_view<Char> s) {
  for (Char c : s)
    if (static_cast<std::make_unsigned_t<Char>>(c) >= 0x80) return false;
  return true;
}

template <typename Char>
void ReplaceT(std::basic_string<Char>* str, size_t start, std::basic_string_view<Char> find,
              std::basic_string_view<Char> replace, bool all) {
  if (find.empty() || start > str->size()) return;
  size_t pos = start;
  while ((pos = str->find(find.data(), pos, find.size())) != std::basic_string<Char>::npos) {
    str->replace(pos, find.size(), replace.data(), replace.size());
    pos += replace.size();
    if (!all) break;
  }
}

template <typename Char>
bool ReplaceCharsT(std::basic_string_view<Char> input, std::basic_string_view<Char> chars,
                   std::basic_string_view<Char> with, std::basic_string<Char>* output) {
  std::basic_string<Char> out;
  bool changed = false;
  for (Char c : input) {
    if (chars.find(c) != std::basic_string_view<Char>::npos) {
      out.append(with);
      changed = true;
    } else {
      out.push_back(c);
    }
  }
  *output = std::move(out);
  return changed;
}

template <typename Char>
std::basic_string<Char> PlaceholdersT(std::basic_string_view<Char> format,
                                      const std::vector<std::basic_string<Char>>& subst,
                                      std::vector<size_t>* offsets) {
  std::basic_string<Char> out;
  std::vector<std::pair<size_t, size_t>> found;  // (parameter index, offset)
  for (size_t i = 0; i < format.size(); ++i) {
    const Char c = format[i];
    if (c != '$' || i + 1 == format.size()) {
      out.push_back(c);
      continue;
    }
    const Char next = format[i + 1];
    if (next == '$') {
      out.push_back('$');
      ++i;
    } else if (next >= '1' && next <= '9' && static_cast<size_t>(next - '1') < subst.size()) {
      const size_t index = static_cast<size_t>(next - '1');
      found.emplace_back(index, out.size());
      out.append(subst[index]);
      ++i;
    } else {
      out.push_back(c);
    }
  }
  if (offsets) {
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    offsets->clear();
    for (const auto& f : found) offsets->push_back(f.second);
  }
  return out;
}

template <typename Char>
std::basic_string<Char> JoinT(const std::vector<std::basic_string<Char>>& parts,
                              std::basic_string_view<Char> sep) {
  std::basic_string<Char> out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out.append(sep);
    out.append(parts[i]);
  }
  return out;
}

template <typename Char>
Char* WriteIntoT(std::basic_string<Char>* str, size_t length_with_null) {
  if (length_with_null == 0) length_with_null = 1;
  str->reserve(length_with_null);
  str->resize(length_with_null - 1);
  return str->data();
}

}  // namespace

std::string ToLowerASCII(std::string_view s) { return ToLowerT(s); }
std::wstring ToLowerASCII(std::wstring_view s) { return ToLowerT(s); }
std::string ToUpperASCII(std::string_view s) { return ToUpperT(s); }
std::wstring ToUpperASCII(std::wstring_view s) { return ToUpperT(s); }

int CompareCaseInsensitiveASCII(std::string_view a, std::string_view b) {
  return CompareCaseInsensitiveT(a, b);
}
int CompareCaseInsensitiveASCII(std::wstring_view a, std::wstring_view b) {
  return CompareCaseInsensitiveT(a, b);
}
bool EqualsCaseInsensitiveASCII(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareCaseInsensitiveT(a, b) == 0;
}
bool EqualsCaseInsensitiveASCII(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && CompareCaseInsensitiveT(a, b) == 0;
}
bool LowerCaseEqualsASCII(std::wstring_view str, std::string_view lowercase_ascii) {
  if (str.size() != lowercase_ascii.size()) return false;
  for (size_t i = 0; i < str.size(); ++i)
    if (ToLowerASCII(str[i]) != static_cast<unsigned char>(lowercase_ascii[i])) return false;
  return true;
}
bool EqualsASCII(std::wstring_view str, std::string_view ascii) {
  if (str.size() != ascii.size()) return false;
  for (size_t i = 0; i < str.size(); ++i)
    if (str[i] != static_cast<unsigned char>(ascii[i])) return false;
  return true;
}

bool StartsWith(std::string_view s, std::string_view p, CompareCase cs) { return StartsWithT(s, p, cs); }
bool StartsWith(std::wstring_view s, std::wstring_view p, CompareCase cs) { return StartsWithT(s, p, cs); }
bool EndsWith(std::string_view s, std::string_view p, CompareCase cs) { return EndsWithT(s, p, cs); }
bool EndsWith(std::wstring_view s, std::wstring_view p, CompareCase cs) { return EndsWithT(s, p, cs); }

bool TrimString(std::string_view input, std::string_view chars, std::string* output) {
  return TrimIntoT(input, chars, TRIM_ALL, output) != TRIM_NONE;
}
bool TrimString(std::wstring_view input, std::wstring_view chars, std::wstring* output) {
  return TrimIntoT(input, chars, TRIM_ALL, output) != TRIM_NONE;
}
std::string_view TrimString(std::string_view input, std::string_view chars, TrimPositions p) {
  return TrimT(input, chars, p, nullptr);
}
std::wstring_view TrimString(std::wstring_view input, std::wstring_view chars, TrimPositions p) {
  return TrimT(input, chars, p, nullptr);
}

TrimPositions TrimWhitespace(std::wstring_view input, TrimPositions p, std::wstring* output) {
  return TrimIntoT(input, std::wstring_view(kWhitespaceWide), p, output);
}
std::wstring_view TrimWhitespace(std::wstring_view input, TrimPositions p) {
  return TrimT(input, std::wstring_view(kWhitespaceWide), p, nullptr);
}
TrimPositions TrimWhitespaceASCII(std::string_view input, TrimPositions p, std::string* output) {
  return TrimIntoT(input, std::string_view(kWhitespaceASCII), p, output);
}
TrimPositions TrimWhitespaceASCII(std::wstring_view input, TrimPositions p, std::wstring* output) {
  return TrimIntoT(input, std::wstring_view(kWhitespaceASCIIAs16), p, output);
}
std::string_view TrimWhitespaceASCII(std::string_view input, TrimPositions p) {
  return TrimT(input, std::string_view(kWhitespaceASCII), p, nullptr);
}
std::wstring_view TrimWhitespaceASCII(std::wstring_view input, TrimPositions p) {
  return TrimT(input, std::wstring_view(kWhitespaceASCIIAs16), p, nullptr);
}

std::wstring CollapseWhitespace(std::wstring_view text, bool trim_with_line_breaks) {
  return CollapseT(text, std::wstring_view(kWhitespaceWide), trim_with_line_breaks);
}
std::string CollapseWhitespaceASCII(std::string_view text, bool trim_with_line_breaks) {
  return CollapseT(text, std::string_view(kWhitespaceASCII), trim_with_line_breaks);
}

bool ContainsOnlyChars(std::string_view input, std::string_view chars) {
  return input.find_first_not_of(chars) == std::string_view::npos;
}
bool ContainsOnlyChars(std::wstring_view input, std::wstring_view chars) {
  return input.find_first_not_of(chars) == std::wstring_view::npos;
}

bool IsStringASCII(std::string_view s) { return IsASCIIT(s); }
bool IsStringASCII(std::wstring_view s) { return IsASCIIT(s); }
bool IsStringUTF8(std::string_view s) {
  // Decodes in place: no converted copy, and the first bad sequence decides.
  size_t i = 0;
  uint32_t code_point;
  while (i < s.size()) {
    if (!ReadUTF8CodePoint(s, &i, &code_point)) return false;
  }
  return true;
}

void ReplaceSubstringsAfterOffset(std::string* str, size_t start, std::string_view find,
                                  std::string_view with) {
  ReplaceT(str, start, find, with, true);
}
void ReplaceSubstringsAfterOffset(std::wstring* str, size_t start, std::wstring_view find,
                                  std::wstring_view with) {
  ReplaceT(str, start, find, with, true);
}
void ReplaceFirstSubstringAfterOffset(std::string* str, size_t start, std::string_view find,
                                      std::string_view with) {
  ReplaceT(str, start, find, with, false);
}
void ReplaceFirstSubstringAfterOffset(std::wstring* str, size_t start, std::wstring_view find,
                                      std::wstring_view with) {
  ReplaceT(str, start, find, with, false);
}
bool ReplaceChars(std::string_view input, std::string_view chars, std::string_view with,
                  std::string* output) {
  return ReplaceCharsT(input, chars, with, output);
}
bool ReplaceChars(std::wstring_view input, std::wstring_view chars, std::wstring_view with,
                  std::wstring* output) {
  return ReplaceCharsT(input, chars, with, output);
}

std::wstring ReplaceStringPlaceholders(std::wstring_view format,
                                       const std::vector<std::wstring>& subst,
                                       std::vector<size_t>* offsets) {
  return PlaceholdersT(format, subst, offsets);
}
std::string ReplaceStringPlaceholders(std::string_view format,
                                      const std::vector<std::string>& subst,
                                      std::vector<size_t>* offsets) {
  return PlaceholdersT(format, subst, offsets);
}
std::wstring ReplaceStringPlaceholders(std::wstring_view format, std::wstring_view a,
                                       size_t* offset) {
  std::vector<size_t> offsets;
  std::wstring out = PlaceholdersT(format, std::vector<std::wstring>{std::wstring(a)}, &offsets);
  if (offset && !offsets.empty()) *offset = offsets[0];
  return out;
}

std::string JoinString(const std::vector<std::string>& parts, std::string_view sep) {
  return JoinT(parts, sep);
}
std::wstring JoinString(const std::vector<std::wstring>& parts, std::wstring_view sep) {
  return JoinT(parts, sep);
}

char* WriteInto(std::string* str, size_t n) { return WriteIntoT(str, n); }
wchar_t* WriteInto(std::wstring* str, size_t n) { return WriteIntoT(str, n); }

}  // namespace base
