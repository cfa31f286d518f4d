#include "desktop/windows/installer/utils/test_support/fake_process_launcher.h"

#include <string>
#include <utility>

#include "base/process/launch.h"
#include "desktop/windows/installer/utils/run_secret.h"
#include "testing/test_child_process.h"

// A stand-in child: "--code=N" is its exit code; with "--wait-event=NAME"
// it first waits (bounded) for that event.
TEST_CHILD_ROLE(fake_launched_process) {
  const std::wstring command_line = GetCommandLineW();
  size_t event_at = command_line.find(L"--wait-event=");
  if (event_at != std::wstring::npos) {
    std::wstring name = command_line.substr(event_at + 13);
    name = name.substr(0, name.find(L' '));
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, name.c_str());
    if (event) {
      WaitForSingleObject(event, 20000);
      CloseHandle(event);
    }
  }
  size_t code_at = command_line.find(L"--code=");
  return code_at == std::wstring::npos
             ? 0
             : static_cast<int>(wcstoul(command_line.c_str() + code_at + 7, nullptr, 10));
}

FakeProcessLauncher::FakeProcessLauncher() = default;
FakeProcessLauncher::~FakeProcessLauncher() = default;

void FakeProcessLauncher::FailNext(DWORD error) {
  Answer answer;
  answer.error = error;
  answers_.push_back(answer);
}

void FakeProcessLauncher::ExitNextWith(DWORD exit_code, BeforeStart before) {
  Answer answer;
  answer.exit_code = exit_code;
  answer.before = std::move(before);
  answers_.push_back(answer);
}

void FakeProcessLauncher::ExitNextBeforeReturning(DWORD exit_code, BeforeStart before) {
  Answer answer;
  answer.exit_code = exit_code;
  answer.before = std::move(before);
  answer.end_before_return = true;
  answers_.push_back(answer);
}

void FakeProcessLauncher::WaitNextFor(const std::wstring& event_name, DWORD exit_code,
                                      BeforeStart before) {
  Answer answer;
  answer.exit_code = exit_code;
  answer.wait_event = event_name;
  answer.before = std::move(before);
  answers_.push_back(answer);
}

base::Process FakeProcessLauncher::Launch(const base::CommandLine& command_line,
                                          LaunchStyle style, DWORD* error) {
  launched_.push_back({command_line, style});
  Answer answer;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  if (answer.error != ERROR_SUCCESS) {
    if (error)
      *error = answer.error;
    return base::Process();
  }
  if (answer.before)
    answer.before(command_line);
  std::wstring arguments = L"--code=" + std::to_wstring(answer.exit_code);
  if (!answer.wait_event.empty())
    arguments += L" --wait-event=" + answer.wait_event;
  base::LaunchOptions options;
  options.inherit_mode = base::LaunchOptions::Inherit::kNone;
  base::Process process = base::LaunchProcess(
      testing_support::GetTestChildCommandLine("fake_launched_process", arguments), options);
  if (error)
    *error = process.IsValid() ? ERROR_SUCCESS : GetLastError();
  if (process.IsValid() && answer.end_before_return)
    process.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(20), nullptr);
  return process;
}

base::Process FakeProcessLauncher::LaunchInheriting(const base::CommandLine& command_line,
                                                    HANDLE inherited, DWORD* error) {
  std::string bytes;
  if (const void* view = MapViewOfFile(inherited, FILE_MAP_READ, 0, 0, 0)) {
    bytes.assign(static_cast<const char*>(view), RunSecret::kSize);
    UnmapViewOfFile(view);
  }
  base::Process process = Launch(command_line, LaunchStyle::kPlain, error);
  launched_.back().inherited_bytes = std::move(bytes);
  return process;
}
