#include "desktop/windows/installer/steps/verify_package_contents_step.h"

#include <windows.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/steps/recorded_files.h"

namespace {

// Without backup semantics a folder does not open: it is not a file.
bool CanOpenForReading(const base::FilePath& path) {
  HANDLE file = ::CreateFileW(path.value().c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  ::CloseHandle(file);
  return true;
}

void CollectUnreadable(const base::FilePath& folder, const std::list<std::string>& entries,
                       std::vector<std::string>* unreadable) {
  for (const std::string& entry : entries) {
    if (!CanOpenForReading(folder.Append(base::FilePath::FromUTF8Unsafe(entry))))
      unreadable->push_back(entry);
  }
}

}  // namespace

VerifyPackageContentsStep::VerifyPackageContentsStep(const PackageFileLists& lists,
                                                     InstallerStepContext* context)
    : InstallerStep("verify_package_contents", context), lists_(lists) {}

VerifyPackageContentsStep::~VerifyPackageContentsStep() = default;

StepResult VerifyPackageContentsStep::Run(int /*attempt*/) {
  const bool has_package_dir = GetContext()->HasPackageDir();
  const base::FilePath list_folder = has_package_dir ? GetInstallFolder() : GetPackageFolder();
  std::vector<std::string> unreadable;
  CollectUnreadable(list_folder, lists_.standard, &unreadable);
  CollectUnreadable(list_folder, lists_.root, &unreadable);
  CollectUnreadable(GetPackageFolder(), lists_.extra, &unreadable);
  if (!unreadable.empty()) {
    std::string names;
    for (const std::string& entry : unreadable)
      names += (names.empty() ? "" : " ") + entry;
    return StepResult(STEP_FAILED, RESULT_GENERAL_FAILURE, std::wstring(),
                      "Package verification failed, files '" + names + "' cannot be opened.");
  }
  if (has_package_dir) {
    std::vector<base::FilePath> files;
    for (const std::string& entry : lists_.standard)
      files.push_back(base::FilePath::FromUTF8Unsafe(entry));
    RecordFilesOnce(&GetInstallationStatus()->files, files);
  }
  return StepResult(STEP_OK);
}
