#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_EXISTING_INSTALLATION_READER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_EXISTING_INSTALLATION_READER_IMPL_H_

#include <functional>
#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/time/time.h"
#include "desktop/windows/installer/service/existing_installation_reader.h"

class AppOutputRunner;

// Rebuilds a record from the uninstall entry that names the folder, the
// newest versioned subfolder whose "installer.exe" tells its version (only
// an installer that may be run is asked: anything can lie in a folder), the
// shortcuts into the folder, the files on disk and the registrations of
// the browser registration table that are still present. Thread-safe.
class ExistingInstallationReaderImpl : public ExistingInstallationReader {
 public:
  // How long a candidate's "installer.exe" may take to print its version
  // before the candidate is passed over.
  static constexpr base::TimeDelta kVersionTimeLimit = base::TimeDelta::FromSeconds(30);

  // Whether a candidate's "installer.exe" may be run; `error` says why not.
  using ProgramCheck =
      std::function<bool(const base::FilePath& program, std::string* error)>;

  ExistingInstallationReaderImpl();
  // Runs the version queries through `runner`, on the programs that
  // `program_check` allows (by default those IsProgramAllowedToRun allows).
  explicit ExistingInstallationReaderImpl(std::unique_ptr<AppOutputRunner> runner,
                                          ProgramCheck program_check = ProgramCheck());
  ~ExistingInstallationReaderImpl() override;

  void Read(std::unique_ptr<InstallationStatus>* status, const base::FilePath& folder) override;
  std::vector<base::FilePath> ListRegisteredFolders() override;

 private:
  // The newest versioned subfolder whose installer answers its version.
  bool FindVersionedSubfolder(const base::FilePath& folder,
                              base::FilePath* subfolder,
                              std::string* version);

  std::unique_ptr<AppOutputRunner> runner_;
  ProgramCheck program_check_;
};

namespace existing_installation_internal {

// The single uninstall entry whose "InstallLocation" is `folder`: whether
// it is an all-users one and its name. False when none or when both the
// user's and the machine's hives have one.
bool FindUninstallEntry(const base::FilePath& folder, bool* all_users, std::wstring* entry_name);

// Records in `status` the registration table's values that exist under
// the hive of `status->all_users`, for the installation `entry_name`.
void AddRegistrations(const base::FilePath& folder,
                      const std::wstring& entry_name,
                      InstallationStatus* status);

}  // namespace existing_installation_internal

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_EXISTING_INSTALLATION_READER_IMPL_H_
