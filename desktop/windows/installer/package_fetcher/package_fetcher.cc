#include "desktop/windows/installer/package_fetcher/package_fetcher.h"

#include <utility>

#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "base/time/time.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_parts.h"
#include "desktop/windows/installer/package_fetcher/threaded_fetcher.h"
#include "desktop/windows/installer/utils/private_folder.h"

namespace {

// "_" and the local time as year (four digits), month, day, hour, minute
// and second, then "_" and a random token: runs started in the same second
// get folders of their own, and nobody can make a run's folder before it.
std::wstring RunSuffix() {
  base::Time::Exploded now;
  base::Time::Now().LocalExplode(&now);
  return base::StringPrintf(L"_%02d%02d%02d%02d%02d%02d_", now.year, now.month, now.day_of_month,
                            now.hour, now.minute, now.second) +
         RandomNameToken();
}

}  // namespace

PackageFetcher::PackageFetcher(const base::FilePath& download_folder,
                               std::unique_ptr<PackageFetcherParts> parts,
                               UICallbackRunner* controller,
                               PackageFetcherDelegate* delegate,
                               PayloadManager* payload_manager,
                               uint32_t architecture,
                               bool with_assistant,
                               std::string post_payload) {
  const std::wstring suffix = RunSuffix();
  package_folder_ = download_folder.Append(L"tarvo_package" + suffix);
  if (with_assistant)
    assistant_folder_ = download_folder.Append(L"assistant" + suffix);
  fetcher_ = std::make_unique<ThreadedFetcher>(delegate, controller, payload_manager,
                                               std::move(parts), package_folder_,
                                               assistant_folder_, architecture,
                                               std::move(post_payload));
}

PackageFetcher::~PackageFetcher() {
  fetcher_.reset();
}

void PackageFetcher::Restart() {
  restarted_ = true;
  fetcher_->Restart();
}

void PackageFetcher::SetNeededDownloadableResources(std::vector<std::string> names) {
  if (restarted_)
    fetcher_->RestartWithDownloadableResources(std::move(names));
  else
    fetcher_->SetNeededDownloadableResources(std::move(names));
}

bool PackageFetcher::RetryFetch() {
  if (!fetcher_->CanRetry())
    return false;
  LOG(INFO) << "Retrying a fetch attempt";
  fetcher_->StartWithDelay(retry_delay_);
  return true;
}

void PackageFetcher::FetchDownloadableResourcesOnly() {
  fetcher_->set_resources_only();
}
