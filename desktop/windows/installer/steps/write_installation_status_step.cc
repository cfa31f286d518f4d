#include "desktop/windows/installer/steps/write_installation_status_step.h"

#include <memory>
#include <string>
#include <vector>

#include "base/logging.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/installation_status_keys.h"
#include "desktop/windows/installer/service/json_installation_status_writer.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/service/transactions/write_file_operation.h"
#include "desktop/windows/installer/steps/recorded_files.h"
#include "desktop/windows/installer/utils/relative_path.h"

namespace {

constexpr char kWriteFailure[] = "Failed saving the installation status";

// Entries of a record read from disk that do not name a place inside the
// installation are dropped (and logged) rather than written back.
void DropUnsafeEntries(std::vector<base::FilePath>* files, const char* list_name) {
  std::vector<base::FilePath> kept;
  for (const base::FilePath& file : *files) {
    if (IsSafeRelativePath(file.value()))
      kept.push_back(file);
    else
      LOG(ERROR) << "Skipping unsafe " << list_name << " entry of the status: " << file;
  }
  files->swap(kept);
}

}  // namespace

WriteInstallationStatusStep::WriteInstallationStatusStep(InstallerStepContext* context)
    : WriteInstallationStatusStep("write_installation_status", context) {}

WriteInstallationStatusStep::WriteInstallationStatusStep(std::string name,
                                                         InstallerStepContext* context)
    : InstallerStep(std::move(name), context) {}

WriteInstallationStatusStep::~WriteInstallationStatusStep() = default;

StepResult WriteInstallationStatusStep::Run(int /*attempt*/) {
  return Write(*GetInstallationStatus());
}

StepResult WriteInstallationStatusStep::Write(const InstallationStatus& status) {
  VLOG(1) << "Writing the installation status";
  std::string text = SerializeInstallationStatus(status);
  std::string error;
  if (text.empty() ||
      !GetContext()->GetTransaction()->Execute(
          std::make_unique<WriteFileOperation>(
              GetContext()->GetBaseInstallFolder().Append(kInstallationStatusFileName), std::move(text)),
          &error)) {
    LOG(ERROR) << kWriteFailure << ": " << error;
    return StepResult(STEP_FAILED, RESULT_GENERAL_FAILURE, std::wstring(), kWriteFailure);
  }
  return StepResult(STEP_OK);
}

UpdateInstallationStatusStep::UpdateInstallationStatusStep(InstallerStepContext* context)
    : WriteInstallationStatusStep("update_installation_status", context) {}

UpdateInstallationStatusStep::~UpdateInstallationStatusStep() = default;

StepResult UpdateInstallationStatusStep::Run(int /*attempt*/) {
  const InstallationStatus* existing = GetExistingInstallation();
  if (!existing) {
    LOG(ERROR) << "No installation status to update";
    return StepResult(STEP_FAILED, RESULT_GENERAL_FAILURE, std::wstring(), kWriteFailure);
  }
  InstallationStatus updated(*existing);
  DropUnsafeEntries(&updated.files, "file");
  DropUnsafeEntries(&updated.root_files, "root file");
  RecordFilesOnce(&updated.files, GetInstallationStatus()->files);
  return Write(updated);
}
