#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_COPY_FILE_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_COPY_FILE_STEP_H_

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step.h"

// Copies one file, named by a relative path, from a source folder to a
// target folder through the transaction. Each retry reports
// "file_copy_retry" to the UI.
class CopyFileStep : public InstallerStep {
 public:
  // `relative_path` is UTF-8 and already known to be a safe relative path.
  CopyFileStep(const std::string& relative_path, InstallerStepContext* context);
  ~CopyFileStep() override;

  StepResult Run(int attempt) override;

 protected:
  // After a successful copy.
  virtual void OnFileCopied() {}
  // A required file that cannot be copied fails the operation; another is
  // given up after its retries.
  virtual bool IsRequired() const { return true; }
  virtual bool ShouldSkip(const base::FilePath& /*source*/) const { return false; }
  virtual base::FilePath GetRelativePath() const { return relative_path_; }
  virtual base::FilePath GetSourceFolder() const { return GetPackageFolder(); }
  virtual base::FilePath GetTargetFolder() const = 0;

 private:
  const base::FilePath relative_path_;
  std::string last_error_;
};

// One entry of the package's copy list, into the versioned folder; it is
// recorded among the installed files.
class CopyPackageFileStep : public CopyFileStep {
 public:
  using CopyFileStep::CopyFileStep;

 protected:
  void OnFileCopied() override;
  base::FilePath GetTargetFolder() const override;
};

// "launcher.exe" into the root folder. A package prepared into the
// versioned folder leaves no launcher there.
class CopyLauncherStep : public CopyFileStep {
 public:
  explicit CopyLauncherStep(InstallerStepContext* context);

 protected:
  void OnFileCopied() override;
  base::FilePath GetSourceFolder() const override;
  base::FilePath GetTargetFolder() const override;
};

// "pref_default_overrides" into the root folder, when the package has one
// that holds JSON; never fails the operation.
class CopyPrefDefaultOverridesStep : public CopyFileStep {
 public:
  explicit CopyPrefDefaultOverridesStep(InstallerStepContext* context);

 protected:
  bool IsRequired() const override { return false; }
  bool ShouldSkip(const base::FilePath& source) const override;
  base::FilePath GetTargetFolder() const override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_COPY_FILE_STEP_H_
