#ifndef BASE_FILES_FILE_PATH_H_
#define BASE_FILES_FILE_PATH_H_

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// FILE_PATH_LITERAL("x") is a literal of the native (wide) path type.
#define FILE_PATH_LITERAL(x) L##x
#define PRFilePath "ls"

namespace base {

// A Windows path held as text. Operations are purely textual: nothing
// touches the disk. Both "\" and "/" are separators; new separators are
// written as "\". Equality is exact (case-sensitive); use
// CompareEqualIgnoreCase for Windows' own matching.
class FilePath {
 public:
  using StringType = std::wstring;
  using CharType = wchar_t;
  using StringViewType = std::wstring_view;

  static constexpr CharType kSeparators[] = L"\\/";
  static constexpr size_t kSeparatorsLength = 3;  // with the terminator
  static constexpr CharType kCurrentDirectory[] = L".";
  static constexpr CharType kParentDirectory[] = L"..";
  static constexpr CharType kExtensionSeparator = L'.';

  FilePath();
  // Text after an embedded NUL is dropped.
  explicit FilePath(StringViewType path);
  FilePath(const FilePath&);
  FilePath(FilePath&&) noexcept;
  FilePath& operator=(const FilePath&);
  FilePath& operator=(FilePath&&) noexcept;
  ~FilePath();

  bool operator==(const FilePath& that) const { return path_ == that.path_; }
  bool operator!=(const FilePath& that) const { return path_ != that.path_; }
  bool operator<(const FilePath& that) const { return path_ < that.path_; }

  const StringType& value() const { return path_; }
  bool empty() const { return path_.empty(); }
  void clear() { path_.clear(); }

  static bool IsSeparator(CharType character);

  // "C:\a\b" gives "C:", "\", "a", "b"; "\\server\share\x" gives "\\",
  // "server", "share", "x".
  void GetComponents(std::vector<StringType>* components) const;
  std::vector<StringType> GetComponents() const;

  // True when `child` lies strictly inside this path.
  bool IsParent(const FilePath& child) const;
  // When `child` lies inside this path, appends the rest of it to `*path`
  // (if given) and returns true.
  bool AppendRelativePath(const FilePath& child, FilePath* path) const;

  // The folder part: "C:\a\b" -> "C:\a", "C:\a" -> "C:\", "C:\" -> "C:\",
  // "C:" -> "C:", "a" -> ".", "\\server\share" -> "\\server".
  FilePath DirName() const;
  // The last component: "C:\a\b\" -> "b", "C:\" -> "\", "C:" -> "".
  FilePath BaseName() const;

  // ".txt" of "a.txt"; also two-part ones like ".tar.gz". Empty when none.
  StringType Extension() const;
  // Only the last: ".gz" of "a.tar.gz".
  StringType FinalExtension() const;
  FilePath RemoveExtension() const;
  FilePath RemoveFinalExtension() const;
  // "a.txt" + " (1)" -> "a (1).txt".
  FilePath InsertBeforeExtension(StringViewType suffix) const;
  FilePath InsertBeforeExtensionASCII(std::string_view suffix) const;
  // Adds ".ext" (the dot is optional); empty result for "." and "..".
  FilePath AddExtension(StringViewType extension) const;
  FilePath ReplaceExtension(StringViewType extension) const;
  // Compared ignoring case; `extension` includes the dot.
  bool MatchesExtension(StringViewType extension) const;

  // Joins with one separator. Appending to "." gives the component alone.
  // The component should be relative.
  FilePath Append(StringViewType component) const;
  FilePath Append(const FilePath& component) const;
  FilePath AppendASCII(std::string_view component) const;

  // "C:\x", "\\server\x" (and "//server/x") are absolute; "\x" and "C:x"
  // are not (they depend on the current drive or folder).
  bool IsAbsolute() const;
  bool EndsWithSeparator() const;
  FilePath AsEndingWithSeparator() const;
  // Removes trailing separators, keeping the root ones ("C:\", "\", "\\").
  FilePath StripTrailingSeparators() const;

  // True when any component is ".." — or may be read as ".." by Windows:
  // made only of dots and white space and holding ".." ("...", ". ..").
  bool ReferencesParent() const;

  std::string AsUTF8Unsafe() const;
  std::wstring AsUTF16Unsafe() const { return path_; }
  static FilePath FromUTF8Unsafe(std::string_view utf8);
  static FilePath FromUTF16Unsafe(std::wstring_view utf16) { return FilePath(utf16); }
  // Empty when the path is not pure ASCII.
  std::string MaybeAsASCII() const;
  std::wstring LossyDisplayName() const { return path_; }

  // Every "/" becomes "\".
  FilePath NormalizePathSeparators() const;
  FilePath NormalizePathSeparatorsTo(CharType separator) const;

  // Windows' ordinal case-insensitive comparison.
  static int CompareIgnoreCase(StringViewType a, StringViewType b);
  static bool CompareEqualIgnoreCase(StringViewType a, StringViewType b) {
    return CompareIgnoreCase(a, b) == 0;
  }
  static bool CompareLessIgnoreCase(StringViewType a, StringViewType b) {
    return CompareIgnoreCase(a, b) < 0;
  }

 private:
  void StripTrailingSeparatorsInternal();

  StringType path_;
};

std::ostream& operator<<(std::ostream& out, const FilePath& path);

}  // namespace base

template <>
struct std::hash<base::FilePath> {
  size_t operator()(const base::FilePath& path) const noexcept {
    return std::hash<std::wstring>()(path.value());
  }
};

#endif  // BASE_FILES_FILE_PATH_H_
