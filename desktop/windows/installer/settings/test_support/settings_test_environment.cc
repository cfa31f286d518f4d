#include "desktop/windows/installer/settings/test_support/settings_test_environment.h"

#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/test_support/fake_installation.h"

namespace {

std::unique_ptr<InstallationFolderDetails> MakeEmptyDetails() {
  return std::make_unique<FakeInstallationFolderDetails>();
}

}  // namespace

SettingsTestEnvironment::SettingsTestEnvironment(const std::vector<std::wstring>& arguments)
    : command_line_(base::CommandLine::NO_PROGRAM),
      details_factory_(base::BindRepeating(&MakeEmptyDetails)) {
  base::CommandLine::StringVector argv = {L"installer.exe"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  command_line_ = base::CommandLine(argv);
  auto session = std::make_unique<InstallerSession>(&command_line_);
  session_ = session.get();
  session_override_ = std::make_unique<ScopedInstallerSessionForTesting>(std::move(session));
  registry_.OverrideRegistry(HKEY_CURRENT_USER);
  registry_.OverrideRegistry(HKEY_LOCAL_MACHINE);
  security_.SetUser(/*elevated=*/false, /*can_elevate=*/false);
  security_override_ = std::make_unique<ScopedSecurityUtilForTesting>(&security_);
  CHECK(scratch_.CreateUniqueTempDir());
  auto os = std::make_unique<FakeOSOperations>();
  os_ = os.get();
  OSOperations::SetInstanceForTesting(std::move(os));
  // An uninstall takes the folder of the running installer's installation.
  Installation::SetInstanceForTesting(
      std::make_unique<FakeInstallation>(scratch_.GetPath().Append(L"Installed")));
}

SettingsTestEnvironment::~SettingsTestEnvironment() {
  Installation::ResetForTesting();
  OSOperations::ResetForTesting();
}

std::unique_ptr<SettingsImpl> SettingsTestEnvironment::MakeSettings(
    std::unique_ptr<FakeInstallationFolderDetails> first_details,
    int architecture,
    const base::FilePath& command_line_install_folder) {
  // As the entry point does: the folder of switch "installfolder".
  base::FilePath install_folder = command_line_install_folder;
  if (install_folder.empty())
    install_folder = command_line_.GetSwitchValuePath("installfolder");
  // Any non-null pointer stands for "a payload manager exists".
  auto settings = std::make_unique<SettingsImpl>(
      session_, install_folder, architecture, reinterpret_cast<PayloadManager*>(this),
      fetchers_.GetFactory());
  AnswerLatest(std::move(first_details));
  return settings;
}

bool SettingsTestEnvironment::AnswerLatest(std::unique_ptr<FakeInstallationFolderDetails> details) {
  FakeInstallationFolderDetailsFetcher* fetcher = fetchers_.last();
  if (!fetcher)
    return false;
  if (!details)
    details = std::make_unique<FakeInstallationFolderDetails>();
  if (details->path.empty())
    details->path = fetcher->folder();
  details->write_access = true;
  return fetcher->Reply(std::move(details));
}

std::unique_ptr<FakeInstallationFolderDetails> SettingsTestEnvironment::ExistingInstallation(
    const base::FilePath& folder, bool copy_only, bool all_users) {
  auto details = std::make_unique<FakeInstallationFolderDetails>();
  details->path = folder;
  details->valid_parent = folder;
  InstallationStatus status(INSTALLATION_STATUS_SOURCE_PRIMARY);
  status.copy_only = copy_only;
  status.all_users = all_users;
  status.path = folder;
  details->SetExistingInstallation(status);
  return details;
}
