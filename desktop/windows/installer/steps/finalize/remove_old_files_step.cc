#include "desktop/windows/installer/steps/finalize/remove_old_files_step.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "base/base_paths.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/installation_status_keys.h"
#include "desktop/windows/installer/service/installation_status_reader.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/firewall/firewall_manager.h"
#include "desktop/windows/installer/utils/folder_boundary.h"
#include "desktop/windows/installer/utils/relative_path.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kMessageCenterPattern[] = L"Tarvo*Message Center.lnk";

InstallationStatusSource KindOf(const base::FilePath& file) {
  const std::wstring name = file.BaseName().value();
  if (name.find(L".json.") != std::wstring::npos)
    return INSTALLATION_STATUS_SOURCE_RECOVERED_FROM_OLD_FILES;
  if (name.find(L".xml.") != std::wstring::npos)
    return INSTALLATION_STATUS_SOURCE_LEGACY_XML_RECOVERED_FROM_OLD_FILES;
  return INSTALLATION_STATUS_SOURCE_INVALID;
}

bool SameName(const base::FilePath& a, const base::FilePath& b) {
  return base::FilePath::CompareEqualIgnoreCase(a.value(), b.value());
}

// Once the record's transaction commits, the folders its deletions emptied
// (the old version's folder, made by the install that recorded it) go too,
// never the installation folder or anything above it.
bool Delete(Transaction* transaction, const base::FilePath& path, const base::FilePath& stop_at) {
  return transaction->Execute(
      std::make_unique<DeleteFileOperation>(path, /*check_in_use=*/true,
                                            /*remove_empty_parents=*/true, stop_at),
      nullptr);
}

}  // namespace

RemoveOldFilesStep::RemoveOldFilesStep(InstallerStepContext* context)
    : InstallerStep("remove_old_files", context) {}

RemoveOldFilesStep::~RemoveOldFilesStep() = default;

StepResult RemoveOldFilesStep::Run(int /*attempt*/) {
  LOG(INFO) << "Removing installed files.";
  const base::FilePath old_status =
      GetContext()->GetBaseInstallFolder().Append(kOldStatusFolderName);
  if (!base::DirectoryExists(old_status)) {
    VLOG(1) << "No old status files found.";
    return StepResult(STEP_OK);
  }
  base::FileEnumerator files(old_status, /*recursive=*/false, base::FileEnumerator::FILES);
  std::vector<base::FilePath> status_files;
  for (base::FilePath file = files.Next(); !file.empty(); file = files.Next())
    status_files.push_back(file);
  for (const base::FilePath& file : status_files)
    RemoveRecord(file);
  RemoveDirectoryW(old_status.value().c_str());  // Only when empty.
  RemoveMessageCenterShortcuts();
  return StepResult(STEP_OK);
}

void RemoveOldFilesStep::RemoveRecord(const base::FilePath& status_file) {
  const InstallationStatusSource kind = KindOf(status_file);
  if (kind == INSTALLATION_STATUS_SOURCE_INVALID)
    return;
  const std::string path_text = base::WideToUTF8(status_file.value());
  std::string text;
  if (!base::ReadFileToString(status_file, &text)) {
    VLOG(1) << "Cannot load an old file to string: " << path_text;
    return;
  }
  std::unique_ptr<InstallationStatus> record;
  CreateInstallationStatusReader(kind)->Read(&record, text, kind);
  if (!record || record->subfolder.empty() || !IsRecordedSubfolderSafe(record->subfolder) ||
      IsProtectedSubfolder(record->subfolder)) {
    LOG(WARNING) << "Found invalid old status file: " << path_text;
    return;
  }
  LOG(INFO) << "Found old status file: " << path_text;
  const base::FilePath folder = GetContext()->GetBaseInstallFolder().Append(record->subfolder);
  const bool uninstall = GetSettings()->GetOperation() == INSTALL_OPERATION_UNINSTALL;
  // Anyone who can write the folder can plant a record, and a link on the
  // way to the files it names.
  const FolderBoundary boundary(GetContext()->GetBaseInstallFolder());
  Transaction transaction;
  transaction.SetFolderBoundary(&boundary);
  const bool all_deleted = DeleteRecordFiles(*record, folder, uninstall, &transaction);
  if (!all_deleted && !uninstall) {
    transaction.Rollback();
    return;
  }
  if (GetSecurityUtil()->IsUserAdmin(/*consider_linked_token=*/false))
    AddFirewallRule(folder.Append(GetBrowserExeName()), FirewallRuleChange::kRemove);
  // A record whose files could not all go stays, so that the files left
  // behind are still known to a later run.
  if (all_deleted) {
    LOG(INFO) << "Deleting " << path_text;
    Delete(&transaction, status_file, GetContext()->GetBaseInstallFolder());
  }
}  // The record's transaction commits here.

bool RemoveOldFilesStep::DeleteRecordFiles(const InstallationStatus& record,
                                           const base::FilePath& folder, bool uninstall,
                                           Transaction* transaction) {
  const base::FilePath& root = GetContext()->GetBaseInstallFolder();
  bool all_deleted = true;
  for (const base::FilePath& file : record.files) {
    if (!IsSafeRelativePath(file.value()))
      continue;
    const base::FilePath path = folder.Append(file);
    if (!base::PathExists(path) || Delete(transaction, path, root))
      continue;
    all_deleted = false;
    if (!uninstall)
      return false;
  }
  return all_deleted;
}

bool RemoveOldFilesStep::IsProtectedSubfolder(const base::FilePath& subfolder) {
  const base::FilePath base_folder = GetContext()->GetBaseInstallFolder();
  const base::FilePath install_folder = GetInstallFolder();
  if (SameName(install_folder.DirName(), base_folder) &&
      SameName(install_folder.BaseName(), subfolder)) {
    return true;
  }
  if (const InstallationStatus* fresh = GetInstallationStatus()) {
    if (!fresh->subfolder.empty() && SameName(fresh->subfolder, subfolder))
      return true;
  }
  base::FilePath exe_folder;
  return base::PathService::Get(base::DIR_EXE, &exe_folder) &&
         SameName(exe_folder.DirName(), base_folder) &&
         SameName(exe_folder.BaseName(), subfolder);
}

void RemoveOldFilesStep::RemoveMessageCenterShortcuts() {
  base::FilePath programs;
  if (!GetKnownFolderPath(FOLDERID_Programs, CSIDL_PROGRAMS, &programs, /*create=*/false))
    return;
  base::FileEnumerator links(programs, /*recursive=*/false, base::FileEnumerator::FILES,
                             kMessageCenterPattern);
  for (base::FilePath link = links.Next(); !link.empty(); link = links.Next())
    base::DeleteFile(link, /*recursive=*/false);
}
