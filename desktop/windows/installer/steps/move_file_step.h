#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_MOVE_FILE_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_MOVE_FILE_STEP_H_

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step.h"

// Moves one root file from the versioned folder up into the root folder
// and records it among the root files.
class MoveFileStep : public InstallerStep {
 public:
  // `relative_path` is UTF-8 and already known to be a safe relative path.
  MoveFileStep(const std::string& relative_path, InstallerStepContext* context);
  ~MoveFileStep() override;

  StepResult Run(int attempt) override;

 private:
  const base::FilePath relative_path_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_MOVE_FILE_STEP_H_
