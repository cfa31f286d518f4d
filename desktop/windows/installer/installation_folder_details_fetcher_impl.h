#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_FETCHER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_FETCHER_IMPL_H_

#include <cstdint>
#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/installation_folder_details_fetcher.h"

// Initialises a details object (from CreateInstallationFolderDetails) on a
// task-scheduler worker with COM, and hands it to the callback on the
// sequence that called FetchStatus.
class InstallationFolderDetailsFetcherImpl : public InstallationFolderDetailsFetcher {
 public:
  InstallationFolderDetailsFetcherImpl(const base::FilePath& folder, bool recovery);

  // Call once, on a sequence with a task runner.
  void FetchStatus(Callback callback) override;
  void Cancel() override;

 private:
  ~InstallationFolderDetailsFetcherImpl() override;

  // On the worker.
  void Fetch();
  // Back on the calling sequence.
  void Reply();

  const base::FilePath folder_;
  Callback callback_;
  // Written by Fetch, read by Reply after it.
  std::unique_ptr<InstallationFolderDetails> details_;
  const int32_t recovery_;
};

// Makes an InstallationFolderDetailsFetcherImpl for (folder, recovery).
InstallationFolderDetailsFetcherFactory GetInstallationFolderDetailsFetcherFactory();

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLATION_FOLDER_DETAILS_FETCHER_IMPL_H_
