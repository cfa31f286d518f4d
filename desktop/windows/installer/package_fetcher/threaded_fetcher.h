#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_THREADED_FETCHER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_THREADED_FETCHER_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "base/threading/thread.h"
#include "base/time/time.h"
#include "desktop/windows/installer/package_fetcher/fetch_state_machine.h"

class PackageFetcherDelegate;
class PackageFetcherParts;
class PackageFetcherUIProxy;
class PayloadManager;
class UICallbackRunner;

// The package fetcher on a worker thread of its own, "Package fetcher
// worker": calls from any thread go to its state machine there, and the
// controller hears of the outcome on the UI thread through the proxy.
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
  void set_resources_only() { machine_.set_resources_only(); }
  // Any thread: whether another attempt is allowed after the failures so far.
  bool CanRetry() const;

 private:
  bool PostToWorker(const char* name, base::OnceClosure task);
  bool OnWorker() const;

  void InitializeOnWorkerThread();
  void ShutdownOnWorkerThread();

  base::scoped_refptr<PackageFetcherUIProxy> proxy_;
  // Its steps run on the worker only.
  FetchStateMachine machine_;
  base::Thread worker_;
  // Tasks posted to the worker from any thread; invalidated at shutdown.
  base::WeakPtr<ThreadedFetcher> self_;
  base::WeakPtrFactory<ThreadedFetcher> self_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_THREADED_FETCHER_H_
