#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"

#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/task_scheduler/post_task.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/service/installation_folder_details.h"

namespace {

base::scoped_refptr<InstallationFolderDetailsFetcher> MakeFetcher(const base::FilePath& folder,
                                                                  bool recovery) {
  return base::MakeRefCounted<InstallationFolderDetailsFetcherImpl>(folder, recovery);
}

}  // namespace

InstallationFolderDetailsFetcherImpl::InstallationFolderDetailsFetcherImpl(
    const base::FilePath& folder,
    bool recovery)
    : folder_(folder), recovery_(recovery ? 1 : 0) {}

InstallationFolderDetailsFetcherImpl::~InstallationFolderDetailsFetcherImpl() = default;

void InstallationFolderDetailsFetcherImpl::FetchStatus(Callback callback) {
  DCHECK(!callback_);
  callback_ = std::move(callback);
  // Each closure holds a reference: the fetcher outlives a caller that
  // drops it before the answer.
  if (base::PostTaskWithTraitsAndReply(
          FROM_HERE, base::TaskTraits(base::MayBlock(), base::TaskPriority::USER_BLOCKING),
          base::BindOnce(&InstallationFolderDetailsFetcherImpl::Fetch, this),
          base::BindOnce(&InstallationFolderDetailsFetcherImpl::Reply, this))) {
    return;
  }
  // Without a scheduler the answer would never come and the caller would
  // wait for ever: work here instead.
  LOG(ERROR) << "Cannot post the folder check; checking " << folder_.value() << " at once";
  Fetch();
  Reply();
}

void InstallationFolderDetailsFetcherImpl::Cancel() {
  callback_.Reset();
}

void InstallationFolderDetailsFetcherImpl::Fetch() {
  base::win::ScopedCOMInitializer com;
  details_ = CreateInstallationFolderDetails();
  if (details_)
    details_->Initialize(folder_, recovery_ != 0);
  else
    LOG(ERROR) << "No folder details can be made";
}

void InstallationFolderDetailsFetcherImpl::Reply() {
  std::unique_ptr<InstallationFolderDetails> details = std::move(details_);
  if (callback_ && details)
    std::move(callback_).Run(std::move(details));
}

InstallationFolderDetailsFetcherFactory GetInstallationFolderDetailsFetcherFactory() {
  return base::BindRepeating(&MakeFetcher);
}
