#ifndef DESKTOP_WINDOWS_INSTALLER_SETTINGS_TEST_SUPPORT_SETTINGS_TEST_ENVIRONMENT_H_
#define DESKTOP_WINDOWS_INSTALLER_SETTINGS_TEST_SUPPORT_SETTINGS_TEST_ENVIRONMENT_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/scoped_temp_dir.h"
#include "base/command_line.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details_fetcher.h"
#include "desktop/windows/installer/service/test_support/fake_os_operations.h"
#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/settings/settings_observer.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "testing/registry_override.h"

// What a SettingsImpl needs around it in a test: its own command line and
// session (also the process-wide one while the environment lives), isolated HKCU and HKLM, a non-administrator user, no drives for
// a standalone copy (fake OS operations), fake folder details and fetchers that the test
// answers. One environment per settings object; rebuild it for a second
// command line.
class SettingsTestEnvironment {
 public:
  // `arguments` are switches such as "--copyonly=1".
  explicit SettingsTestEnvironment(const std::vector<std::wstring>& arguments = {});
  ~SettingsTestEnvironment();

  // Builds the settings (x86 unless told otherwise, with a payload
  // manager) and answers the first folder request with `first_details`
  // (a new-install folder at the requested path when not given).
  std::unique_ptr<SettingsImpl> MakeSettings(
      std::unique_ptr<FakeInstallationFolderDetails> first_details = nullptr,
      int architecture = 0,
      const base::FilePath& command_line_install_folder = base::FilePath());

  // Answers the newest fetcher with `details` (their path set to the
  // fetcher's folder when empty); false when it has no callback any more.
  bool AnswerLatest(std::unique_ptr<FakeInstallationFolderDetails> details = nullptr);

  // Folder details of an existing installation at `folder`.
  static std::unique_ptr<FakeInstallationFolderDetails> ExistingInstallation(
      const base::FilePath& folder, bool copy_only = false, bool all_users = false);

  FakeInstallationFolderDetailsFetcherFactory& fetchers() { return fetchers_; }
  FakeSecurityUtil& security() { return security_; }
  // Its drives (none at first) are the ones a standalone copy may use.
  FakeOSOperations& os() { return *os_; }
  const base::FilePath& scratch() const { return scratch_.GetPath(); }
  const base::CommandLine& command_line() const { return command_line_; }
  InstallerSession* session() { return session_; }

 private:
  base::CommandLine command_line_;
  InstallerSession* session_ = nullptr;  // owned by session_override_
  std::unique_ptr<ScopedInstallerSessionForTesting> session_override_;
  registry_util::RegistryOverrideManager registry_;
  FakeSecurityUtil security_;
  std::unique_ptr<ScopedSecurityUtilForTesting> security_override_;
  ScopedInstallationFolderDetailsFactory details_factory_;
  FakeInstallationFolderDetailsFetcherFactory fetchers_;
  base::ScopedTempDir scratch_;
  FakeOSOperations* os_ = nullptr;  // owned by OSOperations
};

// Counts the notifications of one settings object.
class CountingSettingsObserver : public SettingsObserver {
 public:
  void OnFlagChanged() override { ++flag_changes; }
  void OnLanguageChanged() override { ++language_changes; }
  void OnPathChanged() override { ++path_changes; }

  int flag_changes = 0;
  int language_changes = 0;
  int path_changes = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SETTINGS_TEST_SUPPORT_SETTINGS_TEST_ENVIRONMENT_H_
