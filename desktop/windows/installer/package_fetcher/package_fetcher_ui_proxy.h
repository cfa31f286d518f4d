#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_UI_PROXY_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_UI_PROXY_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "base/memory/ref_counted.h"
#include "base/single_thread_task_runner.h"
#include "desktop/windows/installer/avro_stats/fetch_statistics.h"
#include "desktop/windows/installer/lzma_util/unpack_progress_observer.h"
#include "desktop/windows/installer/wininet/download_progress_observer.h"
#include "desktop/windows/installer/wininet/ui_callback_runner.h"

class PackageFetcherDelegate;

// Carries every notification of the fetcher's worker to the UI thread,
// where it reaches the delegate (and the controller) only while they are
// attached.
class PackageFetcherUIProxy : public base::RefCountedThreadSafe<PackageFetcherUIProxy>,
                              public UICallbackRunner,
                              public DownloadProgressObserver,
                              public UnpackProgressObserver {
 public:
  // Made on the UI thread.
  PackageFetcherUIProxy(PackageFetcherDelegate* delegate, UICallbackRunner* controller);

  // UI thread: nothing reaches the delegate or the controller afterwards.
  void Detach();

  void NotifyStatusChanged(uint32_t status);
  void NotifyError(uint32_t kind, std::string message, std::vector<FetchStatistics> details);

  // UICallbackRunner.
  void RunUICallbackAndPostReply(UICallback callback,
                                 base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                                 Reply reply) override;
  // DownloadProgressObserver.
  void SetTotalProgress(uint32_t bytes) override;
  void SetCurrentProgress(uint32_t bytes) override;
  void NotifyStalled() override;
  // UnpackProgressObserver.
  void OnFilesToUnpackCounted(size_t count) override;
  void OnUnpackProgressChanged(size_t unpacked) override;

 private:
  friend class base::RefCountedThreadSafe<PackageFetcherUIProxy>;
  ~PackageFetcherUIProxy() override;

  // UI thread.
  void CallDelegate(void (PackageFetcherDelegate::*method)(uint32_t), uint32_t value);
  void CallNotifyStalled();
  void CallError(uint32_t kind, std::string message, std::vector<FetchStatistics> details);
  void CallController(UICallback callback,
                      base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                      Reply reply);

  const base::scoped_refptr<base::SingleThreadTaskRunner> ui_runner_;
  // Read and cleared on the UI thread only.
  PackageFetcherDelegate* delegate_;
  UICallbackRunner* controller_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PACKAGE_FETCHER_UI_PROXY_H_
