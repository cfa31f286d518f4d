#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_STEP_LIST_BUILDER_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_STEP_LIST_BUILDER_H_

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/step_kind.h"

class InstallerStep;
class InstallerStepContext;
class InstallerStepFactory;

// Reads the package lists an operation needs and makes its steps, in the
// order they run.
class StepListBuilder {
 public:
  // Nothing is owned; `lists` receives what is read and must outlive the
  // steps.
  StepListBuilder(InstallerStepContext* context, InstallerStepFactory* factory,
                  std::wstring* app_id, PackageFileLists* lists);
  StepListBuilder(const StepListBuilder&) = delete;
  StepListBuilder& operator=(const StepListBuilder&) = delete;

  // Appends the steps of `operation` to `steps`. False, with lines appended
  // to the error record and nothing appended, when a list cannot be read.
  bool Build(InstallOperation operation, std::vector<std::unique_ptr<InstallerStep>>* steps);

 private:
  using Steps = std::vector<std::unique_ptr<InstallerStep>>;

  bool BuildInstall(Steps* steps);
  bool BuildUpgrade(Steps* steps);
  void BuildUninstall(Steps* steps);
  void BuildRegisterProtocolHandler(Steps* steps);
  bool BuildFixDownloadableResources(Steps* steps);

  // The three lists of an install or upgrade; `list_failure` is the line
  // for a failure of the standard or root list (empty: one line each).
  bool ReadLists(const std::string& list_failure);
  bool ReadStandardList(const base::FilePath& folder);
  bool ReadExtraList();
  bool ReadRepairList();

  void Add(Steps* steps, StepKind kind, StepArguments arguments = StepArguments());
  void AddCopySteps(Steps* steps, const std::list<std::string>& entries);
  void AddListDeletions(Steps* steps);
  void AddRootMoves(Steps* steps);
  PeMachineKind GetLauncherMachine();

  InstallerStepContext* const context_;
  InstallerStepFactory* const factory_;
  std::wstring* const app_id_;
  PackageFileLists* const lists_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_STEP_LIST_BUILDER_H_
