#ifndef DESKTOP_WINDOWS_INSTALLER_RUNNER_TEST_SUPPORT_TWO_PROCESS_HARNESS_H_
#define DESKTOP_WINDOWS_INSTALLER_RUNNER_TEST_SUPPORT_TWO_PROCESS_HARNESS_H_

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/test/scoped_path_override.h"
#include "base/time/time.h"
#include "desktop/windows/installer/ipc/test_support/recording_installer_observer.h"
#include "desktop/windows/installer/runner/main_process_installer_runner_impl.h"
#include "desktop/windows/installer/settings/test_support/scoped_settings_validator.h"
#include "desktop/windows/installer/settings/test_support/settings_test_environment.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/test_support/scoped_installer_error_record.h"
#include "testing/scoped_environment_variable.h"

// Plays the UI or silent process of a whole installation with the real main
// process runner: it launches a real installer.exe (the build's, unless
// told otherwise) in the backend role, against a package folder (the
// build's test package unless told otherwise), and records every message
// the backends send, in order, as RecordingInstallerObserver lines, ending
// with "backend_terminated <result>". The backends log to the harness's own
// temporary folder; the package programs record their command lines in
// record_folder(). One harness per test; it needs the test's thread free of
// a message loop.
class TwoProcessHarness : public RecordingInstallerObserver {
 public:
  struct Options {
    // Settings switches of the main process ("--allusers=0" is always
    // there, "--installfolder=" is added for install_folder()).
    std::vector<std::wstring> switches;
    // Empty: a copy of the archive and version file of the build's test
    // package.
    base::FilePath package_folder;
    // Empty: the build's installer.exe.
    base::FilePath installer;
    // More environment variables for the backends, name and value.
    std::vector<std::pair<std::wstring, std::wstring>> environment;
  };

  explicit TwoProcessHarness(const Options& options);
  ~TwoProcessHarness() override;
  TwoProcessHarness(const TwoProcessHarness&) = delete;
  TwoProcessHarness& operator=(const TwoProcessHarness&) = delete;

  // The build's folders.
  static base::FilePath BuildInstaller();
  static base::FilePath BuildTestPackage();

  // MainProcessInstallerRunner::Run; 0 when the backend runs.
  InstallerResult Start();
  MainProcessInstallerRunnerImpl& runner() { return *runner_; }
  // Runs this thread's loop until the backend has ended and its messages
  // are in, or `limit` has passed (false then).
  bool WaitForBackendEnd(base::TimeDelta limit = base::TimeDelta::FromSeconds(45));
  // Runs the loop until a recorded line starts with `prefix`.
  bool WaitForMessage(const std::string& prefix,
                      base::TimeDelta limit = base::TimeDelta::FromSeconds(45));

  // The lines that start with `prefix`.
  std::vector<std::string> Lines(const std::string& prefix) const;
  // Every backend log, oldest first, joined.
  std::string BackendLogs() const;
  // A package program's recorded command lines ("launcher").
  std::vector<std::string> ProgramRecords(const std::wstring& program) const;

  const base::FilePath& install_folder() const { return install_folder_; }
  const base::FilePath& scratch() const { return scratch_.GetPath(); }
  bool backend_ended() const { return backend_ended_; }
  InstallerResult backend_result() const { return backend_result_; }

  void OnBackendProcessTerminated(InstallerResult code) override;

 private:
  base::ScopedTempDir scratch_;
  base::FilePath install_folder_;
  std::unique_ptr<base::MessageLoop> loop_;
  std::optional<ScopedInstallerErrorRecord> error_record_;
  std::vector<std::unique_ptr<testing_support::ScopedEnvironmentVariable>> environment_;
  std::unique_ptr<SettingsTestEnvironment> settings_environment_;
  std::unique_ptr<base::ScopedPathOverride> exe_override_;
  std::unique_ptr<SettingsImpl> settings_;
  std::unique_ptr<MainProcessInstallerRunnerImpl> runner_;
  std::optional<ScopedSettingsValidator> validator_;
  bool backend_started_ = false;
  bool backend_ended_ = false;
  InstallerResult backend_result_ = RESULT_NOT_FINISHED;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_RUNNER_TEST_SUPPORT_TWO_PROCESS_HARNESS_H_
