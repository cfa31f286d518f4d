#include "desktop/windows/installer/steps/recorded_files.h"

#include <algorithm>

#include "desktop/windows/installer/service/transactions/file_operation_util.h"

void RecordFileOnce(std::vector<base::FilePath>* files, const base::FilePath& file) {
  const base::FilePath normalized = file.NormalizePathSeparators();
  const bool known = std::any_of(files->begin(), files->end(), [&](const base::FilePath& entry) {
    return PathsEqualIgnoreCase(entry.NormalizePathSeparators(), normalized);
  });
  if (!known)
    files->push_back(normalized);
}
