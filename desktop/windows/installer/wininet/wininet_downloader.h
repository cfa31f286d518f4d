#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_WININET_DOWNLOADER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_WININET_DOWNLOADER_H_

#include <windows.h>
#include <wininet.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/callback.h"
#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/time/time.h"
#include "desktop/windows/installer/avro_stats/fetch_statistics.h"
#include "desktop/windows/installer/utils/cracked_url.h"
#include "desktop/windows/installer/wininet/download_observer.h"
#include "desktop/windows/installer/wininet/download_range.h"
#include "desktop/windows/installer/wininet/download_retry_policy.h"
#include "desktop/windows/installer/wininet/response_writer.h"
#include "desktop/windows/installer/wininet/wininet_session.h"

class DownloadProgressObserver;
class UICallbackRunner;

// One HTTP or HTTPS request at a time with asynchronous WinINet: a GET, or a
// POST when a payload is given. The body streams into a ResponseWriter; an
// interrupted body is resumed with a Range request; connectivity failures
// and 502-504 answers are retried after a delay. Whatever the server does,
// a download ends: Limits bounds its retries, pace, requests and time, and
// the writer its size. Lives on the thread that made it; WinINet's
// callbacks are posted to that thread.
class WininetDownloader : public WininetEvents {
 public:
  enum State : uint32_t {
    kIdle = 0,
    kRequestSent = 1,
    kReading = 2,
    kStopped = 3,
    kFailed = 4,
    kCompleted = 5,
  };

  static constexpr int kDefaultRetryLimit = DownloadLimits::kDefaultRetryLimit;
  using Limits = DownloadLimits;

  // |ui_runner| is required; |progress| may be null. Progress is reported
  // only for new bytes.
  WininetDownloader(UICallbackRunner* ui_runner, DownloadProgressObserver* progress);
  ~WininetDownloader() override;
  WininetDownloader(const WininetDownloader&) = delete;
  WininetDownloader& operator=(const WininetDownloader&) = delete;

  // True when the request went out: |done| then runs once, in state 5 or 4.
  // False: nothing runs; GetErrorMessage says why.
  bool Start(const std::wstring& url, std::string payload, base::OnceClosure done,
             std::unique_ptr<ResponseWriter> writer, std::unique_ptr<DownloadObserver> observer);
  // Abandons the request; |done| does not run.
  void Stop();

  State state() const { return state_; }
  std::string GetErrorMessage() const;
  std::vector<FetchStatistics> GetFetchDetails() const;
  uint32_t last_http_status() const { return last_http_status_; }
  uint32_t total_written() const { return range_.written(); }
  int retry_count() const { return policy_.retry_count(); }

  void SetAllowedHosts(std::vector<std::wstring> suffixes) { allowed_hosts_ = std::move(suffixes); }
  // Retries of one request beyond the first attempt are limit + 1.
  void set_retry_limit(int limit) { policy_.limits().retry_limit = limit; }
  const Limits& limits() const { return policy_.limits(); }
  void set_limits(const Limits& limits) { policy_.limits() = limits; }

 private:
  // WininetEvents:
  void OnConnectedToServer(const std::string& ip) override;
  void OnRequestComplete(uint32_t generation, uint32_t error) override;
  void OnNullRequestContext() override;

  bool StartRequest(const std::wstring& url, std::string payload, base::OnceClosure done,
                    std::unique_ptr<ResponseWriter> writer,
                    std::unique_ptr<DownloadObserver> observer);
  bool OpenAndSendRequest(const CrackedUrl& parts, const std::wstring& extra_headers);
  void HandleInitialResponse();
  bool AcceptPartialContent();
  bool RestartBody();
  void HandleRedirect(uint32_t status);
  void RequestProxyLogin();
  void OnProxyLoginDone(uint32_t generation, uint32_t result);
  // The announced length of the body (0: none); false when it is refused.
  bool SetExpectedSize(uint64_t length);
  void ReadData();
  // Reads what the body has (or waits for it), as the policy says; an
  // error code, or success with the count in the session.
  DWORD ReadSome();
  void OnReadError(DWORD error);
  // False when the download ended: failed, or complete at the announced
  // length.
  bool WriteBody(const char* data, uint32_t count);
  void OnEndOfBody();
  void ResumeAfterInterruption(uint32_t error);
  void CheckRetriesAndResume(uint32_t error);
  void Resume(uint32_t cause);
  // False, the download failed, once its time (or requests) are used up.
  bool WithinBudget(uint32_t last_error, DownloadRetryPolicy::BudgetUse use);
  void PostPaceCheck();
  void CheckPace(uint32_t generation);
  void Complete();
  void Fail(const std::string& message);
  void FailWithSystemError(const std::string& message, DWORD error);
  void Finish();
  void CloseRequest();
  void CloseSession();
  void SetState(State state);
  void AddError(const std::string& message);
  void AddSystemError(const std::string& message, DWORD error);

  State state_ = kIdle;
  CrackedUrl request_parts_;
  std::wstring url_;
  std::string payload_;
  bool payload_dropped_ = false;  // A 303 turned the POST into a GET.
  std::vector<std::wstring> allowed_hosts_;
  std::unique_ptr<ResponseWriter> writer_;
  std::unique_ptr<DownloadObserver> observer_;
  // A completion of the current request or read is due.
  bool awaiting_completion_ = false;
  DownloadRange range_;
  bool chunk_open_ = false;
  int redirects_ = 0;
  uint32_t last_http_status_ = 0;
  uint32_t generation_ = 0;
  base::scoped_refptr<base::SingleThreadTaskRunner> task_runner_;
  WininetSession session_;
  UICallbackRunner* const ui_runner_;
  DownloadProgressObserver* const progress_;
  base::OnceClosure done_;
  mutable base::Lock error_lock_;
  std::string error_message_;
  DownloadRetryPolicy policy_;
  base::WeakPtrFactory<WininetDownloader> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_WININET_DOWNLOADER_H_
