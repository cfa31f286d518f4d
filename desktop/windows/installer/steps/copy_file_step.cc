#include "desktop/windows/installer/steps/copy_file_step.h"

#include <windows.h>

#include <memory>

#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/logging.h"
#include "base/values.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/transactions/copy_file_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/steps/recorded_files.h"
#include "desktop/windows/installer/steps/step_names.h"

namespace {

constexpr char kLauncherName[] = "launcher.exe";
constexpr char kPrefDefaultOverridesName[] = "pref_default_overrides";
// Preference overrides are small; anything bigger is not what we expect.
constexpr size_t kMaxOverridesSize = 16 * 1024 * 1024;

bool GetFileIdentity(const base::FilePath& path, BY_HANDLE_FILE_INFORMATION* info) {
  // No data access: a running program's image opens this way too.
  HANDLE file = ::CreateFileW(path.value().c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  const bool ok = ::GetFileInformationByHandle(file, info) != FALSE;
  ::CloseHandle(file);
  return ok;
}

std::wstring FullPath(const base::FilePath& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD length = ::GetFullPathNameW(path.value().c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH)
    return path.value();
  return std::wstring(buffer, length);
}

// The same path, or two names of one file (a different spelling, a link).
bool IsSameFile(const base::FilePath& a, const base::FilePath& b) {
  if (base::FilePath::CompareEqualIgnoreCase(FullPath(a), FullPath(b)))
    return true;
  BY_HANDLE_FILE_INFORMATION first = {};
  BY_HANDLE_FILE_INFORMATION second = {};
  if (!GetFileIdentity(a, &first) || !GetFileIdentity(b, &second))
    return false;
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace

CopyFileStep::CopyFileStep(const std::string& relative_path, InstallerStepContext* context)
    : InstallerStep(GetCopyFileStepName(relative_path), context),
      relative_path_(base::FilePath::FromUTF8Unsafe(relative_path)) {}

CopyFileStep::~CopyFileStep() = default;

StepResult CopyFileStep::Run(int attempt) {
  if (attempt > 0)
    GetContext()->ReportImportantEvent("file_copy_retry");
  const base::FilePath relative = GetRelativePath();
  VLOG(1) << "Copying file " << relative;
  const base::FilePath source = GetSourceFolder().Append(relative);
  const base::FilePath target = GetTargetFolder().Append(relative);
  if (ShouldSkip(source))
    return StepResult(STEP_OK);
  // A package folder that is the target folder (an installation repaired by
  // its own installer): the file is in place, and replacing it would move
  // aside the very file it is copied from, or the running installer.
  if (base::PathExists(target) && IsSameFile(source, target)) {
    VLOG(1) << "Already in place: " << target;
    OnFileCopied();
    return StepResult(STEP_OK);
  }

  last_error_.clear();
  if (!GetContext()->GetTransaction()->Execute(
          std::make_unique<CopyFileOperation>(source, target), &last_error_)) {
    return StepResult(IsRequired() ? STEP_RETRY_THEN_FAIL : STEP_RETRY_THEN_IGNORE,
                      RESULT_FILE_COPY_FAILED, target.value(),
                      "Failed copying " + relative.AsUTF8Unsafe() + " to " +
                          target.AsUTF8Unsafe() + " because of error: " + last_error_);
  }
  OnFileCopied();
  return StepResult(STEP_OK);
}

void CopyPackageFileStep::OnFileCopied() {
  RecordFileOnce(&GetInstallationStatus()->files, GetRelativePath());
}

base::FilePath CopyPackageFileStep::GetTargetFolder() const {
  return GetInstallFolder();
}

CopyLauncherStep::CopyLauncherStep(InstallerStepContext* context)
    : CopyFileStep(kLauncherName, context) {}

void CopyLauncherStep::OnFileCopied() {
  if (!GetContext()->HasPackageDir())
    return;
  // Only the root folder's launcher is used; the outcome does not matter.
  GetContext()->GetTransaction()->Execute(
      std::make_unique<DeleteFileOperation>(
          GetInstallFolder().Append(base::FilePath::FromUTF8Unsafe(kLauncherName)),
          /*check_in_use=*/false, /*remove_empty_parents=*/false),
      nullptr);
}

base::FilePath CopyLauncherStep::GetSourceFolder() const {
  return GetContext()->HasPackageDir() ? GetInstallFolder() : GetPackageFolder();
}

base::FilePath CopyLauncherStep::GetTargetFolder() const {
  return GetContext()->GetSettingsInstallFolder();
}

CopyPrefDefaultOverridesStep::CopyPrefDefaultOverridesStep(InstallerStepContext* context)
    : CopyFileStep(kPrefDefaultOverridesName, context) {}

bool CopyPrefDefaultOverridesStep::ShouldSkip(const base::FilePath& source) const {
  std::string contents;
  if (!base::ReadFileToStringWithMaxSize(source, &contents, kMaxOverridesSize))
    return true;
  return base::JSONReader::Read(contents) == nullptr;
}

base::FilePath CopyPrefDefaultOverridesStep::GetTargetFolder() const {
  return GetContext()->GetSettingsInstallFolder();
}
