#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_INSTALLATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_INSTALLATION_H_

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/installation.h"

// An Installation for tests of code that reads an installation: the
// preferences are given as text and the status as a record (nothing is
// read from disk), the folder is taken as it is, and the default-browser
// operations answer what the test scripts and record each call instead of
// touching the registry. Profile paths, names and preference getters are
// the real ones. Used on one thread.
class FakeInstallation : public Installation {
 public:
  struct Call {
    std::string operation;     // "MakeDefaultBrowser", "SetAsDefaultFor", ...
    std::wstring argument;     // The association or value, if any.
    bool all_users = false;
    // The transaction the registry writes would have joined.
    Transaction* transaction = nullptr;

    bool operator==(const Call&) const = default;
  };

  // `prefs_json`: the contents of "installer_prefs.json" (empty: none; text
  // that does not parse counts as none). A null `status` is an empty one.
  explicit FakeInstallation(const base::FilePath& folder,
                            std::unique_ptr<InstallationStatus> status = nullptr,
                            const std::string& prefs_json = std::string());
  ~FakeInstallation() override;

  // Scripted answers (all false until set).
  bool is_http_handler = false;
  bool is_default_browser = false;
  // IsHandlerFor by association (exact text); missing ones answer false.
  std::map<std::wstring, bool> handler_for;
  // GetAssociationCommand by association; missing ones fail.
  std::map<std::wstring, std::wstring> association_commands;
  // GetPreviousDefaultBrowser; empty fails. SetPreviousDefaultBrowser
  // stores here.
  std::wstring previous_default_browser;
  // What the registration operations return.
  bool registration_succeeds = true;

  // Every default-browser call, in order (queries are not recorded).
  const std::vector<Call>& calls() const { return calls_; }

  bool IsHttpHandler() override;
  bool GetAssociationCommand(const std::wstring& association, bool all_users,
                             std::wstring* command) override;
  bool IsHandlerFor(const std::wstring& association) override;
  bool IsDefaultBrowser() override;
  bool GetPreviousDefaultBrowser(std::wstring* value) override;
  bool SetPreviousDefaultBrowser(const std::wstring& value, bool all_users) override;
  void StorePreviousDefaultBrowser(bool all_users) override;
  bool MakeDefaultBrowser(bool all_users) override;
  bool RegisterFileHandlers(bool all_users) override;
  bool SetAsDefaultFor(const std::wstring& association, bool all_users) override;
  bool SetStartMenuInternetDefault(bool all_users) override;

 private:
  std::vector<Call> calls_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_INSTALLATION_H_
