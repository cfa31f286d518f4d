#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASKBAR_PIN_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASKBAR_PIN_H_

#include "base/files/file_path.h"
#include "base/time/time.h"

// Taskbar pins of the browser's shortcuts. The shell's "taskbarpin" verb is
// used where it works; from Windows 10 on, where programs may not pin, the
// package's pinning helper ("installer_helper.exe" or
// "installer_helper_64.exe") is run from the temporary folder under the
// name "explorer.exe" with the shortcut's path; its exit code 0 means
// pinned. Both functions need COM on the calling thread and can be replaced
// for tests (ScopedTaskbarPinningForTesting).

// `helper_folder` is the installed version's folder that holds the helpers.
bool PinToTaskbar(const base::FilePath& helper_folder, const base::FilePath& shortcut);
bool UnpinFromTaskbar(const base::FilePath& shortcut);

// How long the pinning helper may run before it is ended and pinning fails.
inline constexpr base::TimeDelta kPinHelperTimeout = base::TimeDelta::FromSeconds(30);

// Copies `helper` to `helper_copy` (replacing an earlier copy), runs the
// copy with `shortcut` as its one argument and waits at most `timeout` for
// it; a helper still running then is ended. The copy is removed in every
// case. True when the helper answered 0.
bool RunPinHelper(const base::FilePath& helper,
                  const base::FilePath& helper_copy,
                  const base::FilePath& shortcut,
                  base::TimeDelta timeout);

// Replaces what PinToTaskbar and UnpinFromTaskbar do for its lifetime.
class ScopedTaskbarPinningForTesting {
 public:
  using PinFunction = bool (*)(const base::FilePath& helper_folder, const base::FilePath& shortcut);
  using UnpinFunction = bool (*)(const base::FilePath& shortcut);

  ScopedTaskbarPinningForTesting(PinFunction pin, UnpinFunction unpin);
  ~ScopedTaskbarPinningForTesting();
  ScopedTaskbarPinningForTesting(const ScopedTaskbarPinningForTesting&) = delete;
  ScopedTaskbarPinningForTesting& operator=(const ScopedTaskbarPinningForTesting&) = delete;

 private:
  PinFunction previous_pin_;
  UnpinFunction previous_unpin_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASKBAR_PIN_H_
