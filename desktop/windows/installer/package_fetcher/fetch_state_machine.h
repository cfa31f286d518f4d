#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_FETCH_STATE_MACHINE_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_FETCH_STATE_MACHINE_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/time/time.h"
#include "desktop/windows/installer/avro_stats/fetch_statistics.h"
#include "desktop/windows/installer/package_fetcher/additional_component.h"
#include "desktop/windows/installer/package_fetcher/download_url_request.h"

class InstallerEvent;
class PackageFetcherParts;
class PackageFetcherUIProxy;
class PayloadManager;
class WininetDownloader;

// The package fetcher's steps: the attempt folder, the download URL, the
// package and its checks, then the additional files. Each step ends by
// posting the next one or by reporting one error through the proxy. Made
// on the UI thread; everything but CanRetry runs on the worker thread.
class FetchStateMachine {
 public:
  FetchStateMachine(PackageFetcherUIProxy* proxy, PayloadManager* payload_manager,
                    std::unique_ptr<PackageFetcherParts> parts,
                    const base::FilePath& package_folder, const base::FilePath& assistant_folder,
                    uint32_t architecture, std::string post_payload);
  ~FetchStateMachine();
  FetchStateMachine(const FetchStateMachine&) = delete;
  FetchStateMachine& operator=(const FetchStateMachine&) = delete;

  // Worker thread, first: steps are posted to |worker|.
  void Initialize(base::scoped_refptr<base::SingleThreadTaskRunner> worker);
  // Worker thread, last: no step runs afterwards; every folder of the
  // fetcher goes.
  void Shutdown();

  // A new attempt; steps of an earlier one do not run any more.
  void Start();
  // The download in hand is abandoned first.
  void Restart();
  // A restart meanwhile cancels the delayed start.
  void StartWithDelay(base::TimeDelta delay);
  void SetNeededDownloadableResources(std::vector<std::string> names) {
    needed_resources_ = std::move(names);
  }
  // Before the first Start: fetch only the additional files.
  void set_resources_only() { resources_only_ = true; }

  // Any thread: whether another attempt is allowed after the failures so far.
  bool CanRetry() const;
  // The folder an attempt works in before it becomes the package folder:
  // the package folder's name and "_attempt" with the attempt's number.
  static base::FilePath AttemptFolderPath(const base::FilePath& package_folder,
                                          uint32_t attempt);

 private:
  void PostStep(const char* name, base::OnceClosure step);
  base::WeakPtr<FetchStateMachine> StepPtr();

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

  PackageFetcherUIProxy* const proxy_;
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
  base::scoped_refptr<base::SingleThreadTaskRunner> worker_;
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

  // Posted steps; invalidated by a restart and at shutdown.
  base::WeakPtrFactory<FetchStateMachine> step_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_FETCH_STATE_MACHINE_H_
