#include "desktop/windows/installer/work_directory.h"

#include <windows.h>
#include <knownfolders.h>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/utils/executable_image.h"
#include "desktop/windows/installer/utils/installer_constants.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/private_folder.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

// A probe that has not ended by then has still proven that it can run.
constexpr int kProbeWaitSeconds = 30;
// Downloads has no CSIDL: without SHGetKnownFolderPath it is skipped.
constexpr int kNoCsidl = -1;

// A copy that failed half way (a full drive) leaves nothing behind.
bool CopyWhole(const base::FilePath& from, const base::FilePath& to) {
  if (base::CopyFile(from, to))
    return true;
  base::DeleteFile(to, /*recursive=*/false);
  return false;
}

// The program and, beside it, the engine library it cannot start without.
// Of the program only what the loader maps: the package appended to an
// installer is no part of the probe, and copying it cost as much as the
// package is large.
bool CopyProgram(const base::FilePath& program, const base::FilePath& folder,
                 base::FilePath* copy, base::FilePath* engine_copy) {
  *copy = folder.Append(program.BaseName());
  if (!CopyExecutableImage(program, *copy))
    return false;
  base::FilePath engine = program.DirName().Append(kEngineDllName);
  if (base::PathExists(engine)) {
    *engine_copy = folder.Append(kEngineDllName);
    if (!CopyWhole(engine, *engine_copy)) {
      base::DeleteFile(*copy, /*recursive=*/false);
      return false;
    }
  }
  return true;
}

// Whether the copy ran: "--version" ends with 0. Starting is not enough: a
// host that cannot load its engine there (missing, or refused by a policy
// on libraries) starts and ends with a failure code of its own.
bool ProbeProgram(const base::FilePath& program) {
  // A switch, not an argument: an argument that looks like a switch is
  // written after "--", and the copy would then run as a whole installer.
  base::CommandLine command_line(program);
  command_line.AppendSwitch(switches::kVersion);
  // The version it prints is nobody's business: a silent run's output is
  // read by scripts. Without handles of its own the copy would write into
  // this process's.
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  base::win::ScopedHandle nul(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                          OPEN_EXISTING, 0, nullptr));
  base::LaunchOptions options;
  options.start_hidden = true;
  if (nul.IsValid())
    options.stdin_handle = options.stdout_handle = options.stderr_handle = nul.Get();
  base::Process process = base::LaunchProcess(command_line, options);
  if (!process.IsValid())
    return false;
  int exit_code = 0;
  if (!process.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(kProbeWaitSeconds),
                                      &exit_code)) {
    process.Terminate(1, /*wait=*/true);
    return true;
  }
  if (exit_code != 0) {
    LOG(WARNING) << "The probe " << program.value() << " ended with " << exit_code;
    return false;
  }
  return true;
}

}  // namespace

bool CanRunProgramInDirectory(const std::wstring& name,
                              const base::FilePath& program,
                              base::FilePath* folder,
                              ExistingWorkFolder existing) {
  DCHECK(folder);
  const base::FilePath wanted = folder->Append(name);
  *folder = wanted;
  bool made = !base::DirectoryExists(*folder);
  if (existing == ExistingWorkFolder::kMakeOwnBeside) {
    base::FilePath own;
    made = CreateFreshPrivateFolder(wanted, &own);
    if (!made)
      return false;
    *folder = own;
  } else if (made && !base::CreateDirectory(*folder)) {
    return false;
  }
  if (program.empty())
    return true;
  // The copies go into a new folder of this run's own: installers started
  // at the same time never run, replace or remove each other's copies.
  base::FilePath probe_folder;
  bool ran = false;
  if (CreateFreshPrivateFolder(folder->Append(L"probe_" + RandomNameToken()), &probe_folder)) {
    base::FilePath copy;
    base::FilePath engine_copy;
    if (CopyProgram(program, probe_folder, &copy, &engine_copy))
      ran = ProbeProgram(copy);
    base::DeleteFile(probe_folder, /*recursive=*/true);
  }
  if (!ran) {
    if (made)
      RemoveDirectoryW(folder->value().c_str());  // Only when empty.
    return false;
  }
  return true;
}

bool TryWorkDirectoryFromPathKey(const std::wstring& name,
                                 const base::FilePath& program,
                                 base::FilePath* folder,
                                 int key,
                                 ExistingWorkFolder existing) {
  DCHECK(folder);
  base::FilePath path;
  if (!base::PathService::Get(key, &path))
    return false;
  *folder = path;
  return CanRunProgramInDirectory(name, program, folder, existing);
}

bool FindUsableWorkDirectory(const std::wstring& name,
                             const base::FilePath& program,
                             base::FilePath* folder) {
  DCHECK(folder);
  if (TryWorkDirectoryFromPathKey(name, program, folder, base::DIR_TEMP))
    return true;
  base::FilePath downloads;
  if (GetKnownFolderPath(FOLDERID_Downloads, kNoCsidl, &downloads, /*create=*/true)) {
    *folder = downloads;
    if (CanRunProgramInDirectory(name, program, folder))
      return true;
  }
  return TryWorkDirectoryFromPathKey(name, program, folder, base::DIR_HOME) ||
         TryWorkDirectoryFromPathKey(name, program, folder, base::DIR_EXE,
                                     ExistingWorkFolder::kMakeOwnBeside);
}
