#include "desktop/windows/installer/runner/test_support/two_process_harness.h"

#include <windows.h>

#include <algorithm>
#include <map>

#include "base/bind.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/run_loop.h"
#include "base/strings/string_split.h"
#include "base/threading/thread_task_runner_handle.h"
#include "testing/build_paths.h"

using testing_support::ScopedEnvironmentVariable;

TwoProcessHarness::TwoProcessHarness(const Options& options) {
  CHECK(scratch_.CreateUniqueTempDir());
  install_folder_ = scratch_.GetPath().Append(L"Tarvo");
  const base::FilePath temp = scratch_.GetPath().Append(L"temp");
  const base::FilePath records = scratch_.GetPath().Append(L"records");
  CHECK(base::CreateDirectory(temp));
  CHECK(base::CreateDirectory(records));
  loop_ = std::make_unique<base::MessageLoop>();
  error_record_.emplace();
  for (const wchar_t* name : {L"TEMP", L"TMP"})
    environment_.push_back(std::make_unique<ScopedEnvironmentVariable>(name, temp.value().c_str()));
  environment_.push_back(
      std::make_unique<ScopedEnvironmentVariable>(L"TARVO_INSTALLER_VERBOSITY", L"2"));
  environment_.push_back(std::make_unique<ScopedEnvironmentVariable>(L"TARVO_PACKAGE_RECORD_DIR",
                                                                     records.value().c_str()));
  for (const auto& [name, value] : options.environment)
    environment_.push_back(
        std::make_unique<ScopedEnvironmentVariable>(name.c_str(), value.c_str()));

  base::FilePath package = options.package_folder;
  if (package.empty()) {
    // What a download leaves: the archive and its version; the lists come
    // with the archive.
    package = scratch_.GetPath().Append(L"package");
    CHECK(base::CreateDirectory(package));
    for (const wchar_t* name : {L"tarvo_package", L"package_version"})
      CHECK(base::CopyFile(BuildTestPackage().Append(name), package.Append(name)));
  }
  std::vector<std::wstring> switches = {L"--installfolder=" + install_folder_.value(),
                                        L"--allusers=0", L"--package-dir=" + package.value()};
  switches.insert(switches.end(), options.switches.begin(), options.switches.end());
  settings_environment_ = std::make_unique<SettingsTestEnvironment>(switches);
  exe_override_ = std::make_unique<base::ScopedPathOverride>(
      base::FILE_EXE, options.installer.empty() ? BuildInstaller() : options.installer,
      /*is_absolute=*/true, /*create=*/false);
  validator_.emplace();
  settings_ = settings_environment_->MakeSettings();
  runner_ = std::make_unique<MainProcessInstallerRunnerImpl>();
  runner_->AddObserver(this);
}

TwoProcessHarness::~TwoProcessHarness() {
  // Interrupts a backend still running; give it the time to roll back (its
  // end is seen as long as this observes the runner).
  runner_->Stop();
  if (backend_started_ && !backend_ended_)
    WaitForBackendEnd(base::TimeDelta::FromSeconds(20));
  runner_->RemoveObserver(this);
  runner_.reset();
  settings_.reset();
  validator_.reset();
  exe_override_.reset();
  settings_environment_.reset();
  loop_.reset();
  error_record_.reset();
}

base::FilePath TwoProcessHarness::BuildInstaller() {
  return testing_support::BinFolder().Append(L"installer.exe");
}

base::FilePath TwoProcessHarness::BuildTestPackage() {
  return testing_support::BuildFolder().Append(L"test_package");
}

InstallerResult TwoProcessHarness::Start() {
  const InstallerResult result = runner_->Run(settings_.get());
  backend_started_ = result == RESULT_SUCCESS;
  return result;
}

void TwoProcessHarness::OnBackendProcessTerminated(InstallerResult code) {
  backend_ended_ = true;
  backend_result_ = code;
  RecordingInstallerObserver::OnBackendProcessTerminated(code);
}

bool TwoProcessHarness::WaitForBackendEnd(base::TimeDelta limit) {
  return WaitForMessage("backend_terminated", limit);
}

bool TwoProcessHarness::WaitForMessage(const std::string& prefix, base::TimeDelta limit) {
  const base::TimeTicks deadline = base::TimeTicks::Now() + limit;
  while (Lines(prefix).empty()) {
    if (base::TimeTicks::Now() >= deadline)
      return false;
    base::RunLoop run_loop;
    base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                                         base::TimeDelta::FromMilliseconds(50));
    run_loop.Run();
  }
  return true;
}

std::vector<std::string> TwoProcessHarness::Lines(const std::string& prefix) const {
  std::vector<std::string> lines;
  for (const std::string& line : calls()) {
    if (line.compare(0, prefix.size(), prefix) == 0)
      lines.push_back(line);
  }
  return lines;
}

std::string TwoProcessHarness::BackendLogs() const {
  std::map<std::wstring, std::string> logs;  // names sort by start time
  base::FileEnumerator files(scratch_.GetPath().Append(L"temp").Append(L"Tarvo Installer"),
                             false, base::FileEnumerator::FILES, L"*.log");
  for (base::FilePath log = files.Next(); !log.empty(); log = files.Next())
    base::ReadFileToString(log, &logs[log.BaseName().value()]);
  std::string joined;
  for (const auto& [name, text] : logs)
    joined += text;
  return joined;
}

std::vector<std::string> TwoProcessHarness::ProgramRecords(const std::wstring& program) const {
  std::string text;
  base::ReadFileToString(scratch_.GetPath().Append(L"records").Append(program + L".txt"), &text);
  return base::SplitString(text, "\n", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
}
