#include "desktop/windows/installer/steps/component_installer_runner.h"

#include <windows.h>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "desktop/windows/installer/signature_checker/signature_checker.h"

namespace {

ComponentInstallerRunner* g_runner_for_testing = nullptr;

}  // namespace

bool ComponentInstallerRunnerImpl::GetRunningInstaller(base::FilePath* path) {
  return base::PathService::Get(base::FILE_EXE, path) && !path->empty();
}

bool ComponentInstallerRunnerImpl::IsSignedBuild() {
  return RunningImageHasCertificateTable();
}

bool ComponentInstallerRunnerImpl::VerifySignature(const base::FilePath& path,
                                                   std::string* error) {
  return VerifyFileSignature(path, error);
}

base::Process ComponentInstallerRunnerImpl::Launch(const base::CommandLine& command_line) {
  return base::LaunchProcess(command_line, base::LaunchOptions());
}

ComponentInstallerRunner* GetComponentInstallerRunner() {
  static ComponentInstallerRunnerImpl runner;
  return g_runner_for_testing ? g_runner_for_testing : &runner;
}

ScopedComponentInstallerRunnerForTesting::ScopedComponentInstallerRunnerForTesting(
    ComponentInstallerRunner* runner)
    : previous_(g_runner_for_testing) {
  g_runner_for_testing = runner;
}

ScopedComponentInstallerRunnerForTesting::~ScopedComponentInstallerRunnerForTesting() {
  g_runner_for_testing = previous_;
}
