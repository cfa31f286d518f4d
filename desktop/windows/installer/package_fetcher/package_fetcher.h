#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/time/time.h"

class PackageFetcherDelegate;
class PackageFetcherParts;
class PayloadManager;
class ThreadedFetcher;
class UICallbackRunner;

// Obtains the browser package for the UI or silent process: from the
// payload when it carries the full package, else by download, verified and
// moved into the package folder with the files offered beside it. Made and
// used on the UI thread; the work runs on its own worker thread and the
// delegate hears of it on the UI thread. Nothing is fetched before Restart.
class PackageFetcher {
 public:
  static constexpr base::TimeDelta kRetryDelay = base::TimeDelta::FromSeconds(6);

  PackageFetcher(const base::FilePath& download_folder,
                 std::unique_ptr<PackageFetcherParts> parts,
                 UICallbackRunner* controller,
                 PackageFetcherDelegate* delegate,
                 PayloadManager* payload_manager,
                 uint32_t architecture,
                 bool with_assistant,
                 std::string post_payload);
  ~PackageFetcher();
  PackageFetcher(const PackageFetcher&) = delete;
  PackageFetcher& operator=(const PackageFetcher&) = delete;

  void Restart();
  void SetNeededDownloadableResources(std::vector<std::string> names);
  // False when no further attempt is allowed; else a new attempt starts
  // after the retry delay.
  bool RetryFetch();
  void FetchDownloadableResourcesOnly();

  const base::FilePath& package_folder() const { return package_folder_; }
  const base::FilePath& assistant_folder() const { return assistant_folder_; }
  ThreadedFetcher* threaded_fetcher_for_testing() { return fetcher_.get(); }
  void set_retry_delay_for_testing(base::TimeDelta delay) { retry_delay_ = delay; }

 private:
  std::unique_ptr<ThreadedFetcher> fetcher_;
  base::FilePath package_folder_;
  base::FilePath assistant_folder_;
  bool restarted_ = false;
  base::TimeDelta retry_delay_ = kRetryDelay;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_H_
