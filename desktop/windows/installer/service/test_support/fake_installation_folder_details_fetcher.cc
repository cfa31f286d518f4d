#include "desktop/windows/installer/service/test_support/fake_installation_folder_details_fetcher.h"

#include <utility>

#include "base/bind.h"
#include "desktop/windows/installer/service/installation_folder_details.h"

FakeInstallationFolderDetailsFetcher::FakeInstallationFolderDetailsFetcher(
    const base::FilePath& folder,
    bool recovery)
    : folder_(folder), recovery_(recovery) {}

FakeInstallationFolderDetailsFetcher::~FakeInstallationFolderDetailsFetcher() = default;

void FakeInstallationFolderDetailsFetcher::FetchStatus(Callback callback) {
  fetch_started_ = true;
  callback_ = std::move(callback);
}

void FakeInstallationFolderDetailsFetcher::Cancel() {
  cancelled_ = true;
  callback_.Reset();
}

bool FakeInstallationFolderDetailsFetcher::Reply(
    std::unique_ptr<InstallationFolderDetails> details) {
  if (!callback_)
    return false;
  std::move(callback_).Run(std::move(details));
  return true;
}

FakeInstallationFolderDetailsFetcherFactory::FakeInstallationFolderDetailsFetcherFactory() =
    default;
FakeInstallationFolderDetailsFetcherFactory::~FakeInstallationFolderDetailsFetcherFactory() =
    default;

InstallationFolderDetailsFetcherFactory FakeInstallationFolderDetailsFetcherFactory::GetFactory() {
  return base::BindRepeating(&FakeInstallationFolderDetailsFetcherFactory::Make,
                             base::Unretained(this));
}

base::scoped_refptr<InstallationFolderDetailsFetcher>
FakeInstallationFolderDetailsFetcherFactory::Make(const base::FilePath& folder, bool recovery) {
  fetchers_.push_back(base::MakeRefCounted<FakeInstallationFolderDetailsFetcher>(folder, recovery));
  return fetchers_.back();
}
