#include "desktop/windows/installer/steps/held_installer.h"

#include <utility>

#include "desktop/windows/installer/signature_checker/signature_checker.h"
#include "desktop/windows/installer/utils/installer_constants.h"
#include "desktop/windows/installer/utils/process_launcher.h"

namespace {

constexpr wchar_t kInstallerExe[] = L"installer.exe";

// `path` held as OpenProgramForLaunch holds a program, and checked when
// `signature_required`.
bool OpenChecked(const base::FilePath& path, bool signature_required, base::File* file) {
  base::File opened(OpenProgramForLaunch(path).Take());
  if (!opened.IsValid() ||
      (signature_required && !VerifyOpenFileSignature(opened, path, /*error=*/nullptr))) {
    return false;
  }
  *file = std::move(opened);
  return true;
}

}  // namespace

HeldInstaller::HeldInstaller() = default;

HeldInstaller::~HeldInstaller() = default;

bool HeldInstaller::Open(const base::FilePath& folder, bool signature_required) {
  const base::FilePath program = folder.Append(kInstallerExe);
  // Only a program named by a full path: never one a search would find.
  base::File held_program;
  base::File held_engine;
  if (!program.IsAbsolute() || !OpenChecked(program, signature_required, &held_program) ||
      !OpenChecked(folder.Append(kEngineDllName), signature_required, &held_engine)) {
    return false;
  }
  program_path_ = program;
  program_ = std::move(held_program);
  engine_ = std::move(held_engine);
  return true;
}
