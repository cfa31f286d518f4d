#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_INSTALLATION_FOLDER_DETAILS_FETCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_INSTALLATION_FOLDER_DETAILS_FETCHER_H_

#include <memory>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/installation_folder_details_fetcher.h"

// A fetcher whose answer the test gives: FetchStatus only keeps the
// callback, Reply runs it (on the test's thread) unless Cancel came first.
class FakeInstallationFolderDetailsFetcher : public InstallationFolderDetailsFetcher {
 public:
  FakeInstallationFolderDetailsFetcher(const base::FilePath& folder, bool recovery);

  void FetchStatus(Callback callback) override;
  void Cancel() override;

  // Hands `details` to the kept callback; false (and `details` destroyed)
  // when there is none: never started, cancelled or answered already.
  bool Reply(std::unique_ptr<InstallationFolderDetails> details);

  const base::FilePath& folder() const { return folder_; }
  bool recovery() const { return recovery_; }
  bool fetch_started() const { return fetch_started_; }
  bool cancelled() const { return cancelled_; }

 private:
  ~FakeInstallationFolderDetailsFetcher() override;

  const base::FilePath folder_;
  const bool recovery_;
  Callback callback_;
  bool fetch_started_ = false;
  bool cancelled_ = false;
};

// Makes FakeInstallationFolderDetailsFetchers and keeps each one, in the
// order made, so that a test can answer them. Must outlive its factory
// callbacks.
class FakeInstallationFolderDetailsFetcherFactory {
 public:
  FakeInstallationFolderDetailsFetcherFactory();
  ~FakeInstallationFolderDetailsFetcherFactory();

  InstallationFolderDetailsFetcherFactory GetFactory();

  const std::vector<base::scoped_refptr<FakeInstallationFolderDetailsFetcher>>& fetchers() const {
    return fetchers_;
  }
  // The newest fetcher; null when none was made.
  FakeInstallationFolderDetailsFetcher* last() const {
    return fetchers_.empty() ? nullptr : fetchers_.back().get();
  }

 private:
  base::scoped_refptr<InstallationFolderDetailsFetcher> Make(const base::FilePath& folder,
                                                             bool recovery);

  std::vector<base::scoped_refptr<FakeInstallationFolderDetailsFetcher>> fetchers_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_INSTALLATION_FOLDER_DETAILS_FETCHER_H_
