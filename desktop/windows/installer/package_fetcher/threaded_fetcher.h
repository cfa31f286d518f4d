#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_THREADED_FETCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_THREADED_FETCHER_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/location.h"
#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "base/synchronization/lock.h"
#include "base/threading/thread.h"
#include "base/time/time.h"
#include "desktop/windows/installer/avro_stats/fetch_statistics.h"
#include "desktop/windows/installer/package_fetcher/additional_component.h"
#include "desktop/windows/installer/package_fetcher/download_url_request.h"

class InstallerEvent;
class PackageFetcherDelegate;
class PackageFetcherParts;
class PackageFetcherUIProxy;
class PayloadManager;
class UICallbackRunner;
class WininetDownloader;

// The package fetcher's state machine. Its steps run on the worker thread
// "Package fetcher worker", each ending by posting the next step or by
// reporting one error; the controller hears of it on the UI thread.
class ThreadedFetcher {
 public:
  // UI thread.
  ThreadedFetcher(PackageFetcherDelegate* delegate, UICallbackRunner* controller,
                  PayloadManager* payload_manager, std::unique_ptr<PackageFetcherParts> parts,
                  const base::FilePath& package_folder, const base::FilePath& assistant_folder,
                  uint32_t architecture, std::string post_payload);
  // UI thread: no delegate call follows; every folder of the fetcher goes.
  ~ThreadedFetcher();
  ThreadedFetcher(const ThreadedFetcher&) = delete;
  ThreadedFetcher& operator=(const ThreadedFetcher&) = delete;

  // Any thread; the work runs on the worker.
  void Restart();
  void Start();
  // A restart meanwhile cancels the delayed start.
  void StartWithDelay(base::TimeDelta delay);
  void SetNeededDownloadableResources(std::vector<std::string> names);
  void RestartWithDownloadableResources(std::vector<std::string> names);
  // Before the first Start: fetch only the additional files.
  void set_resources_only() { resources_only_ = true; }
  // Any thread: whether another attempt is allowed after the failures so far.
  bool CanRetry() const;

 private:
  bool PostToWorker(const char* name, base::OnceClosure task);
  void PostStep(const char* name, base::OnceClosure step);
  base::WeakPtr<ThreadedFetcher> StepPtr();

  void InitializeOnWorkerThread();
  void ShutdownOnWorkerThread();
  // A new attempt folder, the last one and the package folder of an
  // earlier attempt removed; false after reporting the error.
  bool PrepareAttemptFolder();
  // The attempt folder becomes the package folder.
  bool MoveAttemptFolderIntoPlace();
  // The attempt folder is gone (removed, or renamed into the package
  // folder): it leaves the list of folders to remove.
  void ForgetAttemptFolder();
  // The package folder once made, or the assistant folder, made new the
  // first time.
  bool PrepareTargetFolder(const base::FilePath& folder);
  void FetchDownloadUrl();
  void OnDownloadUrlFetched();
  void DownloadPackage();
  void VerifyChecksumAndSignature(std::string checksum);
  void CheckVersion(base::FilePath package_file);
  void WriteWelcomeUrlPref();
  void FetchAdditionalContent();
  void DownloadAdditionalFile();
  void OnAdditionalFileDownloaded(bool copied);
  bool InstallAdditionalFile(const AdditionalComponent& component, const base::FilePath& file);
  bool RunArchive(const AdditionalComponent& component, const base::FilePath& file,
                  const base::FilePath& folder);
  void RetryAdditionalFile();
  void NextAdditionalFile();
  void FinishAdditionalFiles();
  void PackageReady();

  void LocalError(uint32_t kind, const std::string& message);
  void NetworkError(const std::string& message);
  void JsonError(const std::string& message);
  void VersionCheckError();
  void NotifyError(uint32_t kind, const std::string& message,
                   std::vector<FetchStatistics> details);
  // The bytes of the downloader's last request, counted once.
  void CountDownloadedBytes();
  static void Send(std::unique_ptr<InstallerEvent> event);

  base::scoped_refptr<PackageFetcherUIProxy> proxy_;
  PayloadManager* const payload_manager_;
  std::unique_ptr<PackageFetcherParts> parts_;
  const base::FilePath package_folder_;
  const base::FilePath assistant_folder_;
  const uint32_t architecture_;
  const std::string post_payload_;
  // The session's switches, copied on the UI thread for the worker.
  const base::CommandLine command_line_;
  // The downloader's request time-out from the test switch, or zero.
  const base::TimeDelta download_timeout_;

  // Worker thread only. A run removes only folders it made itself.
  base::FilePath attempt_folder_;
  std::vector<base::FilePath> attempt_folders_;
  // The package folder is made by renaming an attempt folder.
  bool package_folder_made_ = false;
  bool assistant_folder_made_ = false;
  std::unique_ptr<WininetDownloader> downloader_;
  bool download_bytes_counted_ = true;
  std::string reply_text_;
  DownloadUrlRequest request_;
  std::vector<AdditionalComponent> components_;
  size_t component_index_ = 0;
  uint32_t file_retries_ = 0;
  std::vector<std::string> installed_names_;
  bool minimal_package_ = false;
  std::vector<std::string> needed_resources_;
  bool resources_only_ = false;

  mutable base::Lock lock_;
  uint32_t attempt_counter_ = 0;  // Guarded by lock_.
  uint32_t http_204_counter_ = 0;  // Guarded by lock_.
  uint64_t byte_total_ = 0;        // Guarded by lock_.

  base::Thread worker_;
  // Tasks posted to the worker from any thread; invalidated at shutdown.
  base::WeakPtr<ThreadedFetcher> self_;
  base::WeakPtrFactory<ThreadedFetcher> self_factory_{this};
  // Posted steps; invalidated by a restart and at shutdown.
  base::WeakPtrFactory<ThreadedFetcher> step_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_THREADED_FETCHER_H_
