#include "desktop/windows/installer/steps/recorded_files.h"

#include <algorithm>

#include "desktop/windows/installer/service/transactions/file_operation_util.h"

namespace {

bool SameFile(const base::FilePath& entry, const base::FilePath& normalized) {
  return PathsEqualIgnoreCase(entry.NormalizePathSeparators(), normalized);
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

void ForgetFile(std::vector<base::FilePath>* files, const base::FilePath& file) {
  const base::FilePath normalized = file.NormalizePathSeparators();
  std::erase_if(*files,
                [&](const base::FilePath& entry) { return SameFile(entry, normalized); });
}
