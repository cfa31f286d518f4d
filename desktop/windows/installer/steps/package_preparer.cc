#include "desktop/windows/installer/steps/package_preparer.h"

#include <list>
#include <utility>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/version.h"
#include "desktop/windows/installer/common/file_version_utils.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/service/transactions/copy_file_operation.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/service/transactions/unpack_archive_operation.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/installer_step_context.h"
#include "desktop/windows/installer/steps/package_verifier.h"
#include "desktop/windows/installer/steps/package_files_list.h"
#include "desktop/windows/installer/steps/step_names.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/relative_path.h"
#include "desktop/windows/installer/utils/test_stop_point.h"

namespace {

constexpr wchar_t kPackageArchive[] = L"tarvo_package";
constexpr wchar_t kPackageVersionFile[] = L"package_version";
// A bound on "_n" candidates: past it something else is wrong.
constexpr int kMaxSubfolderSuffix = 1000;

}  // namespace

PackagePreparer::PackagePreparer(std::unique_ptr<FileVersionUtils> version_utils,
                                 std::unique_ptr<LzmaUtil> lzma_util,
                                 std::unique_ptr<PackageVerifier> verifier,
                                 InstallerStepContext* context, Delegate* delegate)
    : version_utils_(std::move(version_utils)),
      lzma_util_(std::move(lzma_util)),
      verifier_(std::move(verifier)),
      context_(context),
      delegate_(delegate) {
  DCHECK(verifier_);
  DCHECK(context_);
  DCHECK(delegate_);
}

PackagePreparer::~PackagePreparer() = default;

bool PackagePreparer::Prepare(base::CommandLine* command_line) {
  if (!CreateInstallSubfolder(command_line))
    return AppendInstallerError("Cannot create subfolder for package.");
  // A repair works on the installation as it is: unpacking the package over
  // it would replace files in use, and rolling that back would take the
  // installation's own files away. The installation's installer copies what
  // the fetch brought.
  if (context_->GetSettings()->GetOperation() == INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES)
    return true;
  if (InstallerSession::GetInstance()->IsInsidePackage()) {
    if (!CopyUnpackedFiles())
      return AppendInstallerError("Cannot copy unpacked files to subfolder.");
  } else if (!UnpackArchive(GetInstallFolder())) {
    return AppendInstallerError("Cannot unpack the installer");
  }
  return true;
}

base::FilePath PackagePreparer::GetInstallFolder() {
  return created_folder_.empty() ? context_->GetInstallFolder() : created_folder_;
}

bool PackagePreparer::GetSubfolderName(std::wstring* name) {
  const base::FilePath package_folder = context_->GetPackageFolder();
  base::Version full;
  base::Version internal;
  bool from_resource = false;
  {
    // A failed resource read is no failure here.
    ScopedInstallerErrorKeeper keeper;
    from_resource = version_utils_->GetVersionFromResources(
        package_folder.Append(kPackageArchive), &full, &internal, nullptr);
  }
  if (from_resource) {
    *name = base::UTF8ToWide(full.GetString());
    return true;
  }
  const base::FilePath version_file = package_folder.Append(kPackageVersionFile);
  if (!base::PathExists(version_file)) {
    *name = base::UTF8ToWide(product_info::GetVersion());
    return true;
  }
  std::string text;
  if (!base::ReadFileToString(version_file, &text)) {
    return SetInstallerError(RESULT_FOLDER_CREATION_FAILED, "Cannot read the package version file",
                             std::wstring());
  }
  base::Version version(text);
  if (!version.IsValid()) {
    return SetInstallerError(RESULT_FOLDER_CREATION_FAILED,
                             "Invalid package version found in package folder " + text,
                             std::wstring());
  }
  *name = base::UTF8ToWide(version.GetString());
  return true;
}

bool PackagePreparer::CreateInstallSubfolder(base::CommandLine* command_line) {
  const InstallOperation operation = context_->GetSettings()->GetOperation();
  if (operation == INSTALL_OPERATION_UNINSTALL ||
      operation == INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES) {
    return true;
  }
  if (command_line->HasSwitch(switches::kInstallSubfolder)) {
    // Given by another process: one plain folder name, or nothing is done.
    const std::wstring given = command_line->GetSwitchValueNative(switches::kInstallSubfolder);
    if (!IsSafeFileName(given)) {
      return SetInstallerError(RESULT_GENERAL_FAILURE,
                               "Invalid install subfolder: " + base::WideToUTF8(given),
                               std::wstring());
    }
    return true;
  }
  std::wstring name;
  if (!GetSubfolderName(&name))
    return false;
  const base::FilePath base_folder = context_->GetBaseInstallFolder();
  std::wstring candidate = name;
  for (int n = 0; base::PathExists(base_folder.Append(candidate)); ++n) {
    if (n == kMaxSubfolderSuffix)
      break;
    candidate = base::StringPrintf(L"%ls_%d", name.c_str(), n);
  }
  const base::FilePath folder = base_folder.Append(candidate);
  std::string error;
  if (base::PathExists(folder) ||
      !context_->GetTransaction()->Execute(std::make_unique<CreateFolderOperation>(folder),
                                           &error)) {
    return SetInstallerError(RESULT_FOLDER_CREATION_FAILED,
                             "Cannot create the installation subfolder.", candidate);
  }
  created_folder_ = folder;
  command_line->AppendSwitchNative(switches::kInstallSubfolder, candidate);
  return true;
}

bool PackagePreparer::CopyUnpackedFiles() {
  const base::FilePath package_folder = context_->GetPackageFolder();
  std::list<std::string> entries;
  if (!ReadPackageFilesList(package_folder.Append(L"files_list"), &entries))
    return AppendInstallerError("Cannot read debug files list");
  if (!ReadPackageFilesList(package_folder.Append(L"root_files_list"), &entries))
    return AppendInstallerError("Cannot read debug root files list");
  entries.insert(entries.end(), {"files_list", "root_files_list", "launcher.exe"});
  delegate_->OnFilesToUnpackCounted(entries.size());
  const base::FilePath install_folder = GetInstallFolder();
  size_t copied = 0;
  for (const std::string& entry : entries) {
    const std::wstring relative = base::UTF8ToWide(entry);
    const base::FilePath target = install_folder.Append(relative);
    std::string error;
    if (!context_->GetTransaction()->Execute(
            std::make_unique<CopyFileOperation>(package_folder.Append(relative), target),
            &error)) {
      return SetInstallerError(RESULT_FILE_COPY_FAILED,
                               "Cannot copy package file '" + entry + "'\n" + error,
                               target.value());
    }
    delegate_->OnUnpackProgressChanged(kDirectUnpackingEventName, copied++);
  }
  return true;
}

bool PackagePreparer::UnpackArchive(const base::FilePath& destination) {
  const base::FilePath archive = context_->GetPackageFolder().Append(kPackageArchive);
  base::File file;
  if (!verifier_->OpenVerified(archive, &file))
    return false;
  std::string error;
  if (!context_->GetTransaction()->Execute(
          std::make_unique<UnpackArchiveOperation>(std::move(file), archive, destination,
                                                   lzma_util_.get(), this),
          &error)) {
    return SetInstallerError(RESULT_GENERAL_FAILURE, "Unpack archive operation failed\n" + error,
                             archive.value());
  }
  return verifier_->VerifyUnpacked(destination);
}

void PackagePreparer::OnFilesToUnpackCounted(size_t count) {
  delegate_->OnFilesToUnpackCounted(count);
}

void PackagePreparer::OnUnpackProgressChanged(size_t count) {
  delegate_->OnUnpackProgressChanged(kDirectUnpackingEventName, count);
  // Half way through a package of a few files.
  if (count == 3)
    StopHereIfTestAsks("unpacking");
}
