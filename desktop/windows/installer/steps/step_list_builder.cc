#include "desktop/windows/installer/steps/step_list_builder.h"

#include <utility>

#include "base/files/file_util.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/steps/installer_step_context.h"
#include "desktop/windows/installer/steps/installer_step_factory.h"
#include "desktop/windows/installer/steps/package_files_list.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_session.h"

namespace {

constexpr wchar_t kFilesList[] = L"files_list";
constexpr wchar_t kRootFilesList[] = L"root_files_list";
constexpr wchar_t kLauncherExe[] = L"launcher.exe";

}  // namespace

StepListBuilder::StepListBuilder(InstallerStepContext* context, InstallerStepFactory* factory,
                                 std::wstring* app_id, PackageFileLists* lists)
    : context_(context), factory_(factory), app_id_(app_id), lists_(lists) {}

bool StepListBuilder::Build(InstallOperation operation, Steps* steps) {
  Steps built;
  bool ok = true;
  switch (operation) {
    case INSTALL_OPERATION_INSTALL:
      ok = BuildInstall(&built);
      break;
    case INSTALL_OPERATION_UPGRADE:
      ok = BuildUpgrade(&built);
      break;
    case INSTALL_OPERATION_UNINSTALL:
      BuildUninstall(&built);
      break;
    case INSTALL_OPERATION_REGISTER_PROTOCOL_HANDLER:
      BuildRegisterProtocolHandler(&built);
      break;
    case INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES:
      ok = BuildFixDownloadableResources(&built);
      break;
    default:
      break;
  }
  if (!ok)
    return false;
  for (auto& step : built)
    steps->push_back(std::move(step));
  return true;
}

bool StepListBuilder::ReadStandardList(const base::FilePath& folder) {
  lists_->standard.clear();
  if (!ReadPackageFilesList(folder.Append(kFilesList), &lists_->standard))
    return AppendInstallerError("Normal files list");
  if (lists_->standard.empty())
    return SetInstallerError(RESULT_GENERAL_FAILURE, "No files in normal files list",
                             std::wstring());
  return true;
}

bool StepListBuilder::ReadExtraList() {
  lists_->extra.clear();
  const base::FilePath extra = context_->GetPackageFolder().Append(kFilesList);
  if (!InstallerSession::GetInstance()->IsOutsidePackage() || !context_->HasPackageDir() ||
      !base::PathExists(extra)) {
    return true;
  }
  return ReadPackageFilesList(extra, &lists_->extra);
}

bool StepListBuilder::ReadLists(const std::string& list_failure) {
  const base::FilePath folder =
      context_->HasPackageDir() ? context_->GetInstallFolder() : context_->GetPackageFolder();
  if (!ReadStandardList(folder))
    return AppendInstallerError(list_failure.empty() ? "Cannot read standard files list"
                                                     : list_failure);
  lists_->root.clear();
  if (!ReadPackageFilesList(folder.Append(kRootFilesList), &lists_->root)) {
    AppendInstallerError("Root files list");
    return AppendInstallerError(list_failure.empty() ? "Cannot read root files list"
                                                     : list_failure);
  }
  if (!ReadExtraList())
    return AppendInstallerError("Cannot read extra files list");
  return true;
}

void StepListBuilder::Add(Steps* steps, StepKind kind, StepArguments arguments) {
  steps->push_back(factory_->CreateStep(kind, arguments, context_));
}

void StepListBuilder::AddCopySteps(Steps* steps, const std::list<std::string>& entries) {
  for (const std::string& entry : entries) {
    StepArguments arguments;
    arguments.relative_path = entry;
    Add(steps, StepKind::kCopyPackageFile, arguments);
  }
}

void StepListBuilder::AddListDeletions(Steps* steps) {
  for (const wchar_t* name : {kFilesList, kRootFilesList}) {
    StepArguments arguments;
    arguments.path = context_->GetInstallFolder().Append(name);
    Add(steps, StepKind::kDeleteFile, arguments);
  }
}

void StepListBuilder::AddRootMoves(Steps* steps) {
  for (const std::string& entry : lists_->root) {
    StepArguments arguments;
    arguments.relative_path = entry;
    Add(steps, StepKind::kMoveFile, arguments);
  }
}

PeMachineKind StepListBuilder::GetLauncherMachine() {
  return GetPeMachineKind(context_->GetSettingsInstallFolder().Append(kLauncherExe));
}

bool StepListBuilder::BuildInstall(Steps* steps) {
  if (!ReadLists(std::string()))
    return false;
  const std::list<std::string>& copies =
      context_->IsRunningFromInstallFolder() ? lists_->extra : lists_->standard;
  Add(steps, StepKind::kVerifyDownloadableResources);
  StepArguments verify;
  verify.lists = lists_;
  Add(steps, StepKind::kVerifyPackageContents, verify);
  AddCopySteps(steps, copies);
  AddListDeletions(steps);
  AddRootMoves(steps);
  Add(steps, StepKind::kCopyLauncher);
  Add(steps, StepKind::kInstallTrackingData);
  Add(steps, StepKind::kCopyPrefDefaultOverrides);
  Add(steps, StepKind::kInstallHelper);
  StepArguments registry;
  registry.app_id = app_id_;
  Add(steps, StepKind::kSetupRegistry, registry);
  for (StepKind kind : {StepKind::kInstallShortcuts, StepKind::kWriteInstallerPrefs,
                        StepKind::kInstallComponents, StepKind::kWriteInstallationStatus,
                        StepKind::kSetupFileAndProtocolHandlers, StepKind::kFinalize}) {
    Add(steps, kind);
  }
  return true;
}

bool StepListBuilder::BuildUpgrade(Steps* steps) {
  if (!ReadLists("Schedule upgrade steps"))
    return false;
  const bool from_install_folder = context_->IsRunningFromInstallFolder();
  Add(steps, StepKind::kVerifyDownloadableResources);
  StepArguments verify;
  verify.lists = lists_;
  Add(steps, StepKind::kVerifyPackageContents, verify);
  Add(steps, StepKind::kRemoveOldFiles);
  AddCopySteps(steps, from_install_folder ? lists_->extra : lists_->standard);
  if (from_install_folder)
    AddListDeletions(steps);
  Add(steps, StepKind::kRemoveOldRootFiles);
  AddRootMoves(steps);
  Add(steps, StepKind::kCopyLauncher);
  Add(steps, StepKind::kInstallTrackingData);
  Add(steps, StepKind::kCopyPrefDefaultOverrides);
  Add(steps, StepKind::kInstallHelper);
  StepArguments clean;
  clean.launcher_machine = GetLauncherMachine();
  Add(steps, StepKind::kCleanRegistry, clean);
  StepArguments registry;
  registry.app_id = app_id_;
  Add(steps, StepKind::kSetupRegistry, registry);
  for (StepKind kind : {StepKind::kUpdateShortcuts, StepKind::kWriteInstallerPrefs,
                        StepKind::kMoveOldStatus, StepKind::kInstallComponents,
                        StepKind::kWriteInstallationStatus,
                        StepKind::kSetupFileAndProtocolHandlers, StepKind::kFinalize}) {
    Add(steps, kind);
  }
  return true;
}

void StepListBuilder::BuildUninstall(Steps* steps) {
  StepArguments clean;
  clean.launcher_machine = GetLauncherMachine();
  Add(steps, StepKind::kCleanRegistry, clean);
  for (StepKind kind : {StepKind::kRemoveShortcuts, StepKind::kUninstallFinalize,
                        StepKind::kRemoveOldFiles, StepKind::kUninstallComponents,
                        StepKind::kUninstallCleanup}) {
    Add(steps, kind);
  }
}

void StepListBuilder::BuildRegisterProtocolHandler(Steps* steps) {
  Add(steps, StepKind::kRegisterProtocolHandlers);
  Add(steps, StepKind::kWriteInstallerPrefs);
}

// A repair copies what its fetch brought: the package folder's list. The
// versioned folder keeps no list once installed (the install deletes it).
// Without a package folder, or without its list, nothing was fetched and
// nothing is to be copied.
bool StepListBuilder::ReadRepairList() {
  lists_->standard.clear();
  if (!context_->HasPackageDir())
    return true;
  const base::FilePath list = context_->GetPackageFolder().Append(kFilesList);
  if (!base::PathExists(list))
    return true;
  if (!ReadPackageFilesList(list, &lists_->standard))
    return AppendInstallerError("Normal files list");
  return true;
}

bool StepListBuilder::BuildFixDownloadableResources(Steps* steps) {
  if (!ReadRepairList())
    return AppendInstallerError("Schedule fix downloadable resources failed");
  Add(steps, StepKind::kVerifyDownloadableResources);
  AddCopySteps(steps, lists_->standard);
  Add(steps, StepKind::kUpdateInstallationStatus);
  Add(steps, StepKind::kRemoveMinimalInstallFile);
  return true;
}
