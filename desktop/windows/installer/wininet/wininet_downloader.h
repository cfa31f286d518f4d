#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_WININET_DOWNLOADER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_WININET_DOWNLOADER_H_

#include <windows.h>
#include <wininet.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/callback.h"
#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/time/time.h"
#include "desktop/windows/installer/avro_stats/fetch_statistics.h"
#include "desktop/windows/installer/wininet/cracked_url.h"
#include "desktop/windows/installer/wininet/download_observer.h"
#include "desktop/windows/installer/wininet/response_writer.h"

class DownloadProgressObserver;
class UICallbackRunner;

// One HTTP or HTTPS request at a time with asynchronous WinINet: a GET, or a
// POST when a payload is given. The body streams into a ResponseWriter; an
// interrupted body is resumed with a Range request; connectivity failures
// and 502-504 answers are retried after a delay. Whatever the server does,
// a download ends: Limits bounds its retries, pace, requests and time, and
// the writer its size. Lives on the thread that made it; WinINet's
// callbacks are posted to that thread.
class WininetDownloader {
 public:
  enum State : uint32_t {
    kIdle = 0,
    kRequestSent = 1,
    kReading = 2,
    kStopped = 3,
    kFailed = 4,
    kCompleted = 5,
  };

  static constexpr int kDefaultRetryLimit = 600;

  // What bounds one download, from Start to its end, resumes and retries
  // included. Progress means new bytes: bytes beyond the furthest one the
  // download ever wrote, so a body sent again from the start is none.
  struct Limits {
    // Retries in a row without progress, |retry_delay| apart.
    int retry_limit = kDefaultRetryLimit;
    base::TimeDelta retry_delay = base::TimeDelta::FromSeconds(6);
    // Connect, send and receive time-out of each request.
    base::TimeDelta request_timeout = base::TimeDelta::FromSeconds(60);
    // A request that brings fewer than |slow_bytes| in a |slow_window| is
    // cut and counts as a retry without progress: a trickle is no download.
    uint32_t slow_bytes = 128 * 1024;
    base::TimeDelta slow_window = base::TimeDelta::FromMinutes(2);
    // Requests sent and time taken by the whole download.
    int max_requests = 1000;
    base::TimeDelta max_duration = base::TimeDelta::FromHours(3);
  };

  // |ui_runner| is required; |progress| may be null. Progress is reported
  // only for new bytes.
  WininetDownloader(UICallbackRunner* ui_runner, DownloadProgressObserver* progress);
  ~WininetDownloader();
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
  uint32_t total_written() const { return total_written_; }
  int retry_count() const { return retry_count_; }

  void SetAllowedHosts(std::vector<std::wstring> suffixes) { allowed_hosts_ = std::move(suffixes); }
  // Retries of one request beyond the first attempt are limit + 1.
  void set_retry_limit(int limit) { limits_.retry_limit = limit; }
  const Limits& limits() const { return limits_; }
  void set_limits(const Limits& limits) { limits_ = limits; }

 private:
  struct HandleContext;
  struct SessionCloser;

  static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status,
                                      void* info, DWORD info_length);

  bool StartRequest(const std::wstring& url, std::string payload, base::OnceClosure done,
                    std::unique_ptr<ResponseWriter> writer,
                    std::unique_ptr<DownloadObserver> observer);
  bool Connect(const CrackedUrl& parts);
  bool OpenAndSendRequest(const CrackedUrl& parts, const std::wstring& extra_headers);
  void OnConnectedToServer(const std::string& ip);
  void OnRequestComplete(uint32_t generation, uint32_t error);
  void OnNullRequestContext();
  void HandleInitialResponse();
  bool AcceptPartialContent();
  bool RestartBody();
  void HandleRedirect(uint32_t status);
  void RequestProxyLogin();
  void OnProxyLoginDone(uint32_t generation, uint32_t result);
  // The announced length of the body (0: none); false when it is refused.
  bool SetExpectedSize(uint64_t length);
  void ReadData();
  // Reads what the body has (or waits for it); an error code, or success
  // with the count in |context| (0 at the end of the body).
  DWORD ReadSome(HandleContext* context);
  void OnReadError(DWORD error);
  // False when the download ended: failed, or complete at the announced
  // length.
  bool WriteBody(const char* data, uint32_t count);
  void OnEndOfBody();
  void ResumeAfterInterruption(uint32_t error);
  void CheckRetriesAndResume(uint32_t error);
  void Resume(uint32_t cause);
  // Whether the budget allows the request in hand to go on, or a new one.
  enum class BudgetUse { kGoOn, kNewRequest };
  // False, the download failed, once its time (or requests) are used up.
  bool WithinBudget(uint32_t last_error, BudgetUse use);
  void StartPaceWindow();
  void CheckPace(uint32_t generation);
  std::wstring RangeHeader() const;
  void Complete();
  void Fail(const std::string& message);
  void FailWithSystemError(const std::string& message, DWORD error);
  void Finish();
  void CloseRequest();
  void CloseSession();
  void JoinTermination();
  void SetState(State state);
  std::wstring QueryHeader(DWORD info_level, const wchar_t* name);
  void AddError(const std::string& message);
  void AddSystemError(const std::string& message, DWORD error);

  State state_ = kIdle;
  HINTERNET session_ = nullptr;
  HINTERNET connection_ = nullptr;
  HINTERNET request_ = nullptr;
  HandleContext* connection_context_ = nullptr;
  HandleContext* request_context_ = nullptr;
  CrackedUrl connected_to_;
  CrackedUrl request_parts_;
  std::wstring url_;
  std::string payload_;
  bool payload_dropped_ = false;  // A 303 turned the POST into a GET.
  std::vector<std::wstring> allowed_hosts_;
  std::unique_ptr<ResponseWriter> writer_;
  std::unique_ptr<DownloadObserver> observer_;
  uint32_t expected_size_ = 0;
  // A completion of the current request or read is due.
  bool awaiting_completion_ = false;
  uint32_t total_written_ = 0;
  // The furthest the body ever got in this download, and where it stood
  // when the current request was sent.
  uint32_t high_water_ = 0;
  uint32_t request_start_high_water_ = 0;
  bool chunk_open_ = false;
  // The budget of the whole download.
  int requests_ = 0;
  base::TimeTicks started_at_;
  // The pace of the current request: bytes since the window began, and
  // the furthest byte then.
  uint32_t window_bytes_ = 0;
  uint32_t window_high_water_ = 0;
  // How the current request is read: as the bytes come, or a whole buffer
  // at a time once they flow fast.
  bool fast_reads_ = false;
  int full_queries_ = 0;
  bool slowed_down_ = false;
  // The read in hand asked for the whole buffer, at |read_started_|.
  bool whole_read_ = false;
  base::TimeTicks read_started_;
  int redirects_ = 0;
  uint32_t last_http_status_ = 0;
  uint32_t generation_ = 0;
  base::scoped_refptr<base::SingleThreadTaskRunner> task_runner_;
  std::thread termination_thread_;
  UICallbackRunner* const ui_runner_;
  DownloadProgressObserver* const progress_;
  base::OnceClosure done_;
  mutable base::Lock error_lock_;
  std::string error_message_;
  int retry_count_ = 0;
  Limits limits_;
  base::WeakPtrFactory<WininetDownloader> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_WININET_DOWNLOADER_H_
