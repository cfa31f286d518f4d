#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_COMPONENT_INSTALLER_RUNNER_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_COMPONENT_INSTALLER_RUNNER_H_

#include <string>

#include "base/files/file_path.h"
#include "base/process/process.h"
#include "base/time/time.h"

namespace base {
class CommandLine;
}

// How long an install waits for a component installer before it ends it
// and goes on without the component.
inline constexpr base::TimeDelta kComponentInstallerTimeout = base::TimeDelta::FromMinutes(10);

// What the component steps ask of the system: the running installer, the
// signer check, starting a component installer and how long to wait for it.
class ComponentInstallerRunner {
 public:
  virtual ~ComponentInstallerRunner() = default;

  // The running installer executable; false when it cannot be found.
  virtual bool GetRunningInstaller(base::FilePath* path) = 0;
  // Whether the running installer is a signed build, as its loaded image
  // says (never the file at its path, which may have been replaced since).
  virtual bool IsSignedBuild() = 0;
  // Whether `path` carries the product's trusted signer.
  virtual bool VerifySignature(const base::FilePath& path, std::string* error) = 0;
  // Starts `command_line`; an invalid Process when it does not start.
  virtual base::Process Launch(const base::CommandLine& command_line) = 0;
  virtual base::TimeDelta GetWaitLimit() { return kComponentInstallerTimeout; }
};

class ComponentInstallerRunnerImpl : public ComponentInstallerRunner {
 public:
  bool GetRunningInstaller(base::FilePath* path) override;
  bool IsSignedBuild() override;
  bool VerifySignature(const base::FilePath& path, std::string* error) override;
  base::Process Launch(const base::CommandLine& command_line) override;
};

// The process-wide runner (an Impl unless a test replaced it).
ComponentInstallerRunner* GetComponentInstallerRunner();

class ScopedComponentInstallerRunnerForTesting {
 public:
  // `runner` is not owned and outlives this object.
  explicit ScopedComponentInstallerRunnerForTesting(ComponentInstallerRunner* runner);
  ~ScopedComponentInstallerRunnerForTesting();
  ScopedComponentInstallerRunnerForTesting(const ScopedComponentInstallerRunnerForTesting&) =
      delete;
  ScopedComponentInstallerRunnerForTesting& operator=(
      const ScopedComponentInstallerRunnerForTesting&) = delete;

 private:
  ComponentInstallerRunner* previous_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_COMPONENT_INSTALLER_RUNNER_H_
