#include "desktop/windows/installer/service/taskbar_pin.h"

#include <string>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/win/shortcut.h"
#include "base/win/windows_version.h"

namespace {

constexpr wchar_t kHelperCopyName[] = L"explorer.exe";
constexpr wchar_t kHelper32[] = L"installer_helper.exe";
constexpr wchar_t kHelper64[] = L"installer_helper_64.exe";
// How long an ended helper may take to go before its copy is deleted.
constexpr base::TimeDelta kHelperExitTimeout = base::TimeDelta::FromSeconds(5);

bool DefaultPinToTaskbar(const base::FilePath& helper_folder, const base::FilePath& shortcut) {
  if (base::win::CanPinShortcutToTaskbar() && base::win::TaskbarPinShortcutLink(shortcut))
    return true;
  if (base::win::GetVersion() < base::win::VERSION_WIN10)
    return false;
  base::FilePath temp;
  if (!base::PathService::Get(base::DIR_TEMP, &temp))
    return false;
  const bool x64 =
      base::win::OSInfo::GetInstance()->architecture() == base::win::OSInfo::X64_ARCHITECTURE;
  return RunPinHelper(helper_folder.Append(x64 ? kHelper64 : kHelper32),
                      temp.Append(kHelperCopyName), shortcut, kPinHelperTimeout);
}

bool DefaultUnpinFromTaskbar(const base::FilePath& shortcut) {
  return base::win::TaskbarUnpinShortcutLink(shortcut);
}

ScopedTaskbarPinningForTesting::PinFunction g_pin = &DefaultPinToTaskbar;
ScopedTaskbarPinningForTesting::UnpinFunction g_unpin = &DefaultUnpinFromTaskbar;

// Runs the copy and waits for its answer; a helper that does not answer in
// time is ended, so that its file can be deleted.
bool LaunchAndWait(const base::FilePath& helper_copy,
                   const base::FilePath& shortcut,
                   base::TimeDelta timeout) {
  const std::wstring command_line =
      L"\"" + helper_copy.value() + L"\" \"" + shortcut.value() + L"\"";
  base::Process process = base::LaunchProcess(command_line, base::LaunchOptions());
  if (!process.IsValid()) {
    VLOG(2) << "Could not launch the helper process";
    return false;
  }
  int exit_code = -1;
  if (!process.WaitForExitWithTimeout(timeout, &exit_code)) {
    VLOG(2) << "Could not wait for helper";
    process.Terminate(1, /*wait=*/false);
    process.WaitForExitWithTimeout(kHelperExitTimeout, nullptr);
    return false;
  }
  if (exit_code != 0) {
    VLOG(2) << "The helper returned status " << exit_code;
    return false;
  }
  return true;
}

}  // namespace

bool PinToTaskbar(const base::FilePath& helper_folder, const base::FilePath& shortcut) {
  return g_pin(helper_folder, shortcut);
}

bool UnpinFromTaskbar(const base::FilePath& shortcut) {
  return g_unpin(shortcut);
}

bool RunPinHelper(const base::FilePath& helper,
                  const base::FilePath& helper_copy,
                  const base::FilePath& shortcut,
                  base::TimeDelta timeout) {
  if (!base::DeleteFile(helper_copy, /*recursive=*/false)) {
    VLOG(2) << "Could not delete the previous helper";
    return false;
  }
  if (!base::CopyFile(helper, helper_copy)) {
    VLOG(2) << "Could not copy the new helper";
    base::DeleteFile(helper_copy, /*recursive=*/false);
    return false;
  }
  const bool pinned = LaunchAndWait(helper_copy, shortcut, timeout);
  if (!base::DeleteFile(helper_copy, /*recursive=*/false))
    LOG(WARNING) << "Could not delete the helper copy " << helper_copy.value();
  return pinned;
}

ScopedTaskbarPinningForTesting::ScopedTaskbarPinningForTesting(PinFunction pin, UnpinFunction unpin)
    : previous_pin_(g_pin), previous_unpin_(g_unpin) {
  g_pin = pin;
  g_unpin = unpin;
}

ScopedTaskbarPinningForTesting::~ScopedTaskbarPinningForTesting() {
  g_pin = previous_pin_;
  g_unpin = previous_unpin_;
}
