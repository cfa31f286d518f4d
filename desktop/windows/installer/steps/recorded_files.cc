#include "desktop/windows/installer/steps/recorded_files.h"

#include <algorithm>
#include <set>
#include <string>

#include "desktop/windows/installer/service/transactions/file_operation_util.h"

namespace {

bool SameFile(const base::FilePath& entry, const base::FilePath& normalized) {
  return PathsEqualIgnoreCase(entry.NormalizePathSeparators(), normalized);
}

// Orders as PathsEqualIgnoreCase compares: keys equal under it are the same.
struct IgnoreCaseLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return base::FilePath::CompareIgnoreCase(a, b) < 0;
  }
};

std::wstring Key(const base::FilePath& file) {
  return file.NormalizePathSeparators().StripTrailingSeparators().value();
}

}  // namespace

void RecordFileOnce(std::vector<base::FilePath>* files, const base::FilePath& file) {
  const base::FilePath normalized = file.NormalizePathSeparators();
  const bool known = std::any_of(files->begin(), files->end(), [&](const base::FilePath& entry) {
    return SameFile(entry, normalized);
  });
  if (!known)
    files->push_back(normalized);
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
  const base::FilePath normalized = file.NormalizePathSeparators();
  std::erase_if(*files,
                [&](const base::FilePath& entry) { return SameFile(entry, normalized); });
}
