#include "desktop/windows/installer/steps/recorded_files.h"

#include <algorithm>
#include <set>
#include <string>

namespace {

// What names a file in a list: "/" as "\\", no trailing separator; two keys
// name the same file when they are equal ignoring case, as Windows compares.
std::wstring Key(const base::FilePath& file) {
  return file.NormalizePathSeparators().StripTrailingSeparators().value();
}

struct IgnoreCaseLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return base::FilePath::CompareIgnoreCase(a, b) < 0;
  }
};

}  // namespace

void RecordFileOnce(std::vector<base::FilePath>* files, const base::FilePath& file) {
  const std::wstring key = Key(file);
  const bool known = std::any_of(files->begin(), files->end(), [&](const base::FilePath& entry) {
    return base::FilePath::CompareEqualIgnoreCase(Key(entry), key);
  });
  if (!known)
    files->push_back(file.NormalizePathSeparators());
}

void RecordFilesOnce(std::vector<base::FilePath>* files,
                     const std::vector<base::FilePath>& new_files) {
  std::set<std::wstring, IgnoreCaseLess> known;
  for (const base::FilePath& entry : *files)
    known.insert(Key(entry));
  for (const base::FilePath& file : new_files) {
    if (known.insert(Key(file)).second)
      files->push_back(file.NormalizePathSeparators());
  }
}

void ForgetFile(std::vector<base::FilePath>* files, const base::FilePath& file) {
  const std::wstring key = Key(file);
  std::erase_if(*files, [&](const base::FilePath& entry) {
    return base::FilePath::CompareEqualIgnoreCase(Key(entry), key);
  });
}
