#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_FAKE_PROCESS_LAUNCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_FAKE_PROCESS_LAUNCHER_H_

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "desktop/windows/installer/utils/process_launcher.h"

// Records every launch and answers with what the test scripted, in order:
// a refusal with a Windows error, or a real stand-in process (this test
// executable) that ends with a chosen exit code, so that the caller's waits
// and exit-code reads stay real. Unscripted launches get a stand-in that
// ends with 0. Install it with ScopedProcessLauncherForTesting.
class FakeProcessLauncher : public ProcessLauncher {
 public:
  struct Launched {
    base::CommandLine command_line;
    LaunchStyle style;
    // LaunchInheriting: what the inherited section held when launched.
    std::string inherited_bytes;
  };
  // Runs in the caller's thread just before the stand-in starts; lets a
  // test play what the real child would have done (set an event, write a
  // status file).
  using BeforeStart = std::function<void(const base::CommandLine&)>;

  FakeProcessLauncher();
  ~FakeProcessLauncher() override;

  void FailNext(DWORD error);
  // The next stand-in has ended before Launch returns.
  void ExitNextBeforeReturning(DWORD exit_code, BeforeStart before = nullptr);
  void ExitNextWith(DWORD exit_code, BeforeStart before = nullptr);
  // The stand-in waits until `event` (a name) is set or 20 s have passed,
  // then ends with `exit_code`.
  void WaitNextFor(const std::wstring& event_name, DWORD exit_code, BeforeStart before = nullptr);

  const std::vector<Launched>& launched() const { return launched_; }

  base::Process Launch(const base::CommandLine& command_line, LaunchStyle style,
                       DWORD* error) override;
  // Recorded as kPlain, with the inherited section's bytes.
  base::Process LaunchInheriting(const base::CommandLine& command_line, HANDLE inherited,
                                 DWORD* error) override;

 private:
  struct Answer {
    DWORD error = ERROR_SUCCESS;
    DWORD exit_code = 0;
    std::wstring wait_event;
    BeforeStart before;
    bool end_before_return = false;
  };

  std::deque<Answer> answers_;
  std::vector<Launched> launched_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_TEST_SUPPORT_FAKE_PROCESS_LAUNCHER_H_
