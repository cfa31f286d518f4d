#include "desktop/windows/installer/steps/package_files_list.h"

#include "base/strings/string_util.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/installer_utils.h"
#include "desktop/windows/installer/utils/relative_path.h"

bool ReadPackageFilesList(const base::FilePath& path, std::list<std::string>* entries) {
  std::list<std::string> read;
  if (!InstallerUtils::ReadFilesList(path, &read))
    return false;
  for (const std::string& entry : read) {
    if (!IsSafeRelativePath(entry)) {
      return SetInstallerError(RESULT_GENERAL_FAILURE,
                               "Unsafe entry in " + path.BaseName().AsUTF8Unsafe() + ": " +
                                   (base::IsStringUTF8(entry) ? entry : "(not UTF-8)"),
                               std::wstring());
    }
  }
  entries->splice(entries->end(), read);
  return true;
}
