#include "desktop/windows/installer/package_fetcher/threaded_fetcher.h"

#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_parts.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_ui_proxy.h"

ThreadedFetcher::ThreadedFetcher(PackageFetcherDelegate* delegate, UICallbackRunner* controller,
                                 PayloadManager* payload_manager,
                                 std::unique_ptr<PackageFetcherParts> parts,
                                 const base::FilePath& package_folder,
                                 const base::FilePath& assistant_folder, uint32_t architecture,
                                 std::string post_payload)
    : proxy_(new PackageFetcherUIProxy(delegate, controller)),
      machine_(proxy_.get(), payload_manager, std::move(parts), package_folder, assistant_folder,
               architecture, std::move(post_payload)),
      worker_("Package fetcher worker") {
  self_ = self_factory_.GetWeakPtr();
  CHECK(worker_.Start());
  PostToWorker("InitializeOnWorkerThread",
               base::BindOnce(&ThreadedFetcher::InitializeOnWorkerThread, self_));
}

ThreadedFetcher::~ThreadedFetcher() {
  LOG(INFO) << "Terminating the package fetcher";
  proxy_->Detach();
  PostToWorker("ShutdownOnWorkerThread",
               base::BindOnce(&ThreadedFetcher::ShutdownOnWorkerThread, self_));
  worker_.Stop();
}

bool ThreadedFetcher::PostToWorker(const char* name, base::OnceClosure task) {
  return worker_.task_runner()->PostTask(base::Location(name, __FILE__, __LINE__),
                                         std::move(task));
}

bool ThreadedFetcher::OnWorker() const {
  return worker_.task_runner()->BelongsToCurrentThread();
}

void ThreadedFetcher::Restart() {
  if (!OnWorker()) {
    PostToWorker("Restart", base::BindOnce(&ThreadedFetcher::Restart, self_));
    return;
  }
  machine_.Restart();
}

void ThreadedFetcher::Start() {
  if (!OnWorker()) {
    PostToWorker("Start", base::BindOnce(&ThreadedFetcher::Start, self_));
    return;
  }
  machine_.Start();
}

void ThreadedFetcher::StartWithDelay(base::TimeDelta delay) {
  if (!OnWorker()) {
    PostToWorker("StartWithDelay",
                 base::BindOnce(&ThreadedFetcher::StartWithDelay, self_, delay));
    return;
  }
  machine_.StartWithDelay(delay);
}

void ThreadedFetcher::SetNeededDownloadableResources(std::vector<std::string> names) {
  if (!OnWorker()) {
    PostToWorker("SetNeededDownloadableResources",
                 base::BindOnce(&ThreadedFetcher::SetNeededDownloadableResources, self_,
                                std::move(names)));
    return;
  }
  machine_.SetNeededDownloadableResources(std::move(names));
}

void ThreadedFetcher::RestartWithDownloadableResources(std::vector<std::string> names) {
  if (!OnWorker()) {
    PostToWorker("RestartWithDownloadableResources",
                 base::BindOnce(&ThreadedFetcher::RestartWithDownloadableResources, self_,
                                std::move(names)));
    return;
  }
  machine_.SetNeededDownloadableResources(std::move(names));
  machine_.Restart();
}

bool ThreadedFetcher::CanRetry() const {
  return machine_.CanRetry();
}

void ThreadedFetcher::InitializeOnWorkerThread() {
  machine_.Initialize(base::ThreadTaskRunnerHandle::Get());
}

void ThreadedFetcher::ShutdownOnWorkerThread() {
  machine_.Shutdown();
  self_factory_.InvalidateWeakPtrs();
}
