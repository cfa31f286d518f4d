#include "base/files/file_path.h"

#include <windows.h>

#include <algorithm>
#include <ostream>

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace base {

namespace {

using StringType = FilePath::StringType;
using StringViewType = FilePath::StringViewType;
constexpr size_t kNpos = StringType::npos;

// Index of the ':' of a leading drive letter ("C:"), or npos.
size_t FindDriveLetter(StringViewType path) {
  if (path.size() >= 2 && path[1] == L':' &&
      ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')))
    return 1;
  return kNpos;
}

bool EqualDriveLetterCaseInsensitive(StringViewType a, StringViewType b) {
  const size_t a_letter = FindDriveLetter(a);
  const size_t b_letter = FindDriveLetter(b);
  if (a_letter == kNpos || b_letter == kNpos) return a == b;
  return EqualsCaseInsensitiveASCII(a.substr(0, a_letter + 1), b.substr(0, b_letter + 1)) &&
         a.substr(a_letter + 1) == b.substr(b_letter + 1);
}

bool AreAllSeparators(StringViewType s) {
  return std::all_of(s.begin(), s.end(), [](wchar_t c) { return FilePath::IsSeparator(c); });
}

// Position of the final extension's dot in the last component, or npos.
size_t FinalExtensionSeparatorPosition(const StringType& path) {
  if (path == FilePath::kCurrentDirectory || path == FilePath::kParentDirectory) return kNpos;
  return path.rfind(FilePath::kExtensionSeparator);
}

// Like the above but also takes a short first part of common two-part
// extensions (".tar.gz").
size_t ExtensionSeparatorPosition(const StringType& path) {
  const size_t last_dot = FinalExtensionSeparatorPosition(path);
  if (last_dot == kNpos || last_dot == 0) return last_dot;
  static const wchar_t* const kCompressed[] = {L"gz", L"z", L"bz", L"bz2", L"xz"};
  const StringViewType last = StringViewType(path).substr(last_dot + 1);
  const bool compressed = std::any_of(std::begin(kCompressed), std::end(kCompressed),
                                      [&](const wchar_t* e) { return EqualsCaseInsensitiveASCII(last, e); });
  if (!compressed) return last_dot;
  const size_t penultimate = path.rfind(FilePath::kExtensionSeparator, last_dot - 1);
  if (penultimate == kNpos) return last_dot;
  const size_t length = last_dot - penultimate - 1;
  return length >= 1 && length <= 4 ? penultimate : last_dot;
}

bool IsEmptyOrSpecialCase(const StringType& path) {
  return path.empty() || path == FilePath::kCurrentDirectory ||
         path == FilePath::kParentDirectory;
}

}  // namespace

FilePath::FilePath() = default;

FilePath::FilePath(StringViewType path) : path_(path) {
  const size_t nul = path_.find(L'\0');
  if (nul != kNpos) path_.erase(nul);
}

FilePath::FilePath(const FilePath&) = default;
FilePath::FilePath(FilePath&&) noexcept = default;
FilePath& FilePath::operator=(const FilePath&) = default;
FilePath& FilePath::operator=(FilePath&&) noexcept = default;
FilePath::~FilePath() = default;

bool FilePath::IsSeparator(CharType c) { return c == L'\\' || c == L'/'; }

void FilePath::GetComponents(std::vector<StringType>* components) const {
  components->clear();
  if (path_.empty()) return;
  std::vector<StringType> reversed;
  FilePath current = *this;
  while (current != current.DirName()) {
    const FilePath base = current.BaseName();
    if (!AreAllSeparators(base.value())) reversed.push_back(base.value());
    current = current.DirName();
  }
  const FilePath root = current.BaseName();
  if (!root.empty() && root.value() != kCurrentDirectory) reversed.push_back(root.value());
  const FilePath dir = current.DirName();
  const size_t letter = FindDriveLetter(dir.value());
  if (letter != kNpos) reversed.push_back(dir.value().substr(0, letter + 1));
  components->assign(reversed.rbegin(), reversed.rend());
}

std::vector<FilePath::StringType> FilePath::GetComponents() const {
  std::vector<StringType> components;
  GetComponents(&components);
  return components;
}

bool FilePath::IsParent(const FilePath& child) const { return AppendRelativePath(child, nullptr); }

bool FilePath::AppendRelativePath(const FilePath& child, FilePath* path) const {
  const std::vector<StringType> parent_components = GetComponents();
  const std::vector<StringType> child_components = child.GetComponents();
  if (parent_components.empty() || parent_components.size() >= child_components.size())
    return false;
  size_t i = 0;
  // Drive letters match whatever their case.
  if (FindDriveLetter(parent_components[0]) != kNpos) {
    if (!EqualDriveLetterCaseInsensitive(parent_components[0], child_components[0])) return false;
    ++i;
  }
  for (; i < parent_components.size(); ++i)
    if (parent_components[i] != child_components[i]) return false;
  if (path) {
    for (; i < child_components.size(); ++i) *path = path->Append(child_components[i]);
  }
  return true;
}

FilePath FilePath::DirName() const {
  FilePath new_path(*this);
  new_path.StripTrailingSeparatorsInternal();
  const size_t letter = FindDriveLetter(new_path.path_);
  const size_t last_separator =
      new_path.path_.find_last_of(kSeparators, kNpos, kSeparatorsLength - 1);
  // letter + 1 (and + 2) wrap to 0 (and 1) when there is no drive letter.
  if (last_separator == kNpos) {
    new_path.path_.resize(letter + 1);  // "C:x" -> "C:", "x" -> ""
  } else if (last_separator == letter + 1) {
    new_path.path_.resize(letter + 2);  // in the root folder
  } else if (last_separator == letter + 2 && IsSeparator(new_path.path_[letter + 1])) {
    new_path.path_.resize(letter + 3);  // in "\\": keep both separators
  } else if (last_separator != 0) {
    new_path.path_.resize(last_separator);
  }
  new_path.StripTrailingSeparatorsInternal();
  if (new_path.path_.empty()) new_path.path_ = kCurrentDirectory;
  return new_path;
}

FilePath FilePath::BaseName() const {
  FilePath new_path(*this);
  new_path.StripTrailingSeparatorsInternal();
  const size_t letter = FindDriveLetter(new_path.path_);
  if (letter != kNpos) new_path.path_.erase(0, letter + 1);
  const size_t last_separator =
      new_path.path_.find_last_of(kSeparators, kNpos, kSeparatorsLength - 1);
  if (last_separator != kNpos && last_separator < new_path.path_.size() - 1)
    new_path.path_.erase(0, last_separator + 1);
  return new_path;
}

FilePath::StringType FilePath::Extension() const {
  const FilePath base(BaseName());
  const size_t dot = ExtensionSeparatorPosition(base.path_);
  return dot == kNpos ? StringType() : base.path_.substr(dot);
}

FilePath::StringType FilePath::FinalExtension() const {
  const FilePath base(BaseName());
  const size_t dot = FinalExtensionSeparatorPosition(base.path_);
  return dot == kNpos ? StringType() : base.path_.substr(dot);
}

FilePath FilePath::RemoveExtension() const {
  const StringType extension = Extension();
  if (extension.empty()) return *this;
  return FilePath(StringViewType(path_).substr(0, path_.size() - extension.size()));
}

FilePath FilePath::RemoveFinalExtension() const {
  const StringType extension = FinalExtension();
  if (extension.empty()) return *this;
  return FilePath(StringViewType(path_).substr(0, path_.size() - extension.size()));
}

FilePath FilePath::InsertBeforeExtension(StringViewType suffix) const {
  if (suffix.empty()) return *this;
  if (IsEmptyOrSpecialCase(BaseName().value())) return FilePath();
  const StringType extension = Extension();
  StringType result = RemoveExtension().value();
  result.append(suffix);
  result.append(extension);
  return FilePath(result);
}

FilePath FilePath::InsertBeforeExtensionASCII(std::string_view suffix) const {
  return InsertBeforeExtension(ASCIIToWide(suffix));
}

FilePath FilePath::AddExtension(StringViewType extension) const {
  if (IsEmptyOrSpecialCase(BaseName().value())) return FilePath();
  if (extension.empty() || extension == StringViewType(L".")) return *this;
  StringType str = path_;
  if (extension[0] != kExtensionSeparator && !str.empty() && str.back() != kExtensionSeparator)
    str.push_back(kExtensionSeparator);
  str.append(extension);
  return FilePath(str);
}

FilePath FilePath::ReplaceExtension(StringViewType extension) const {
  if (IsEmptyOrSpecialCase(BaseName().value())) return FilePath();
  const FilePath no_ext = RemoveExtension();
  if (extension.empty() || extension == StringViewType(L".")) return no_ext;
  StringType str = no_ext.value();
  if (extension[0] != kExtensionSeparator) str.push_back(kExtensionSeparator);
  str.append(extension);
  return FilePath(str);
}

bool FilePath::MatchesExtension(StringViewType extension) const {
  return CompareEqualIgnoreCase(Extension(), extension);
}

FilePath FilePath::Append(StringViewType component) const {
  StringViewType appended = component;
  const size_t nul = appended.find(L'\0');
  if (nul != kNpos) appended = appended.substr(0, nul);
  if (path_ == kCurrentDirectory && !appended.empty()) return FilePath(appended);
  FilePath new_path(*this);
  new_path.StripTrailingSeparatorsInternal();
  // No separator after an empty path, before an empty component, after a
  // root that still ends in one, or after a bare drive letter ("C:" + "x"
  // stays relative to that drive's current folder as written).
  if (!appended.empty() && !new_path.path_.empty() && !IsSeparator(new_path.path_.back()) &&
      FindDriveLetter(new_path.path_) + 1 != new_path.path_.size()) {
    new_path.path_.push_back(kSeparators[0]);
  }
  new_path.path_.append(appended);
  return new_path;
}

FilePath FilePath::Append(const FilePath& component) const { return Append(component.value()); }

FilePath FilePath::AppendASCII(std::string_view component) const {
  return Append(ASCIIToWide(component));
}

bool FilePath::IsAbsolute() const {
  const size_t letter = FindDriveLetter(path_);
  if (letter != kNpos) return path_.size() > letter + 1 && IsSeparator(path_[letter + 1]);
  return path_.size() > 1 && IsSeparator(path_[0]) && IsSeparator(path_[1]);
}

bool FilePath::EndsWithSeparator() const { return !path_.empty() && IsSeparator(path_.back()); }

FilePath FilePath::AsEndingWithSeparator() const {
  if (path_.empty() || EndsWithSeparator()) return *this;
  return FilePath(path_ + kSeparators[0]);
}

FilePath FilePath::StripTrailingSeparators() const {
  FilePath new_path(*this);
  new_path.StripTrailingSeparatorsInternal();
  return new_path;
}

void FilePath::StripTrailingSeparatorsInternal() {
  // start is 1 without a drive letter (npos + 2 wraps), so a lone leading
  // separator stays; with one, the separator after "C:" stays.
  const size_t start = FindDriveLetter(path_) + 2;
  size_t last_stripped = kNpos;
  for (size_t pos = path_.size(); pos > start && IsSeparator(path_[pos - 1]); --pos) {
    // Two leading separators ("\\") stay unless there were more of them.
    if (pos != start + 1 || last_stripped == start + 2 || !IsSeparator(path_[start - 1])) {
      path_.resize(pos - 1);
      last_stripped = pos;
    }
  }
}

bool FilePath::ReferencesParent() const {
  size_t start = 0;
  while (start <= path_.size()) {
    size_t end = path_.find_first_of(L"\\/", start);
    if (end == kNpos) end = path_.size();
    const StringViewType component = StringViewType(path_).substr(start, end - start);
    // Windows drops trailing dots and blanks of a name, so any name made
    // only of dots and white space that holds ".." (".. ", "...", ". ..")
    // may lead to the parent.
    if (component.find(L"..") != kNpos && component.find_first_not_of(L". \t\r\n") == kNpos)
      return true;
    start = end + 1;
  }
  return false;
}

std::string FilePath::AsUTF8Unsafe() const { return WideToUTF8(path_); }

FilePath FilePath::FromUTF8Unsafe(std::string_view utf8) { return FilePath(UTF8ToWide(utf8)); }

std::string FilePath::MaybeAsASCII() const {
  return IsStringASCII(path_) ? WideToUTF8(path_) : std::string();
}

FilePath FilePath::NormalizePathSeparators() const { return NormalizePathSeparatorsTo(L'\\'); }

FilePath FilePath::NormalizePathSeparatorsTo(CharType separator) const {
  StringType copy = path_;
  for (wchar_t& c : copy)
    if (IsSeparator(c)) c = separator;
  return FilePath(copy);
}

int FilePath::CompareIgnoreCase(StringViewType a, StringViewType b) {
  const int result = CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                          static_cast<int>(b.size()), TRUE);
  return result == CSTR_LESS_THAN ? -1 : (result == CSTR_GREATER_THAN ? 1 : 0);
}

std::ostream& operator<<(std::ostream& out, const FilePath& path) {
  return out << path.AsUTF8Unsafe();
}

}  // namespace base
