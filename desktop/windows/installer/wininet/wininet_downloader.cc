#include "desktop/windows/installer/wininet/wininet_downloader.h"

#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/wininet/download_progress_observer.h"
#include "desktop/windows/installer/wininet/proxy_login.h"
#include "desktop/windows/installer/wininet/ui_callback_runner.h"

namespace {

constexpr int kMaxRedirects = 10;
// Under Wine a read that times out, or meets a reset or aborted connection,
// fails with the socket's own error instead of WinINet's.
constexpr DWORD kSocketTimedOut = 10060;
constexpr DWORD kSocketReset = 10054;
constexpr DWORD kSocketAborted = 10053;

bool IsConnectivityError(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_TIMEOUT:
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
    case ERROR_INTERNET_CANNOT_CONNECT:
    case ERROR_INTERNET_CONNECTION_ABORTED:
    case ERROR_INTERNET_CONNECTION_RESET:
    case ERROR_HTTP_INVALID_SERVER_RESPONSE:
    case kSocketTimedOut:
    case kSocketReset:
    case kSocketAborted:
      return true;
    default:
      return false;
  }
}

std::string UserAgent() {
  return "Tarvo NetInstaller/" + product_info::GetVersionString();
}

}  // namespace

WininetDownloader::WininetDownloader(UICallbackRunner* ui_runner,
                                     DownloadProgressObserver* progress)
    : task_runner_(base::ThreadTaskRunnerHandle::Get()),
      session_(task_runner_),
      ui_runner_(ui_runner),
      progress_(progress) {
  DCHECK(ui_runner_);
}

WininetDownloader::~WininetDownloader() {
  weak_factory_.InvalidateWeakPtrs();
  CloseSession();
  session_.JoinTermination();
}

bool WininetDownloader::Start(const std::wstring& url, std::string payload,
                              base::OnceClosure done, std::unique_ptr<ResponseWriter> writer,
                              std::unique_ptr<DownloadObserver> observer) {
  if (StartRequest(url, std::move(payload), std::move(done), std::move(writer),
                   std::move(observer))) {
    return true;
  }
  // Nothing was downloaded: the target goes, and the caller may reuse it.
  if (writer_)
    writer_->Discard();
  return false;
}

bool WininetDownloader::StartRequest(const std::wstring& url, std::string payload,
                                     base::OnceClosure done,
                                     std::unique_ptr<ResponseWriter> writer,
                                     std::unique_ptr<DownloadObserver> observer) {
  DCHECK(writer);
  DCHECK(observer);
  LOG(INFO) << "Starting download from " << base::WideToUTF8(url);
  if (session_.is_open()) {
    // A request still in hand is abandoned, with its pending callbacks.
    weak_factory_.InvalidateWeakPtrs();
    CloseSession();
  }
  {
    base::AutoLock lock(error_lock_);
    error_message_.clear();
  }
  writer_ = std::move(writer);
  observer_ = std::move(observer);
  url_ = url;
  last_http_status_ = 0;
  CrackedUrl parts;
  if (!CrackUrl(url_, &parts)) {
    AddError(base::StringPrintf("Could not parse URL %s", base::WideToUTF8(url_).c_str()));
    return false;
  }
  if (!IsHostAllowed(parts.host, allowed_hosts_)) {
    AddError(base::StringPrintf("Domain disallowed %s", base::WideToUTF8(parts.host).c_str()));
    return false;
  }
  if (session_.IsClosing()) {
    LOG(INFO) << "Waiting for previous WinINET invocation to terminate.";
    session_.JoinTermination();
  }
  range_.Reset();
  policy_.OnDownloadStarted(base::TimeTicks::Now());
  chunk_open_ = false;
  redirects_ = 0;
  payload_dropped_ = false;
  if (!session_.Open(base::UTF8ToWide(UserAgent()))) {
    AddSystemError(base::StringPrintf("InternetOpen failed for %s", UserAgent().c_str()),
                   GetLastError());
    return false;
  }
  payload_ = std::move(payload);
  if (!OpenAndSendRequest(parts, std::wstring())) {
    LOG(ERROR) << "Could not send Request";
    CloseSession();
    return false;
  }
  done_ = std::move(done);
  SetState(kRequestSent);
  return true;
}

void WininetDownloader::Stop() {
  LOG(INFO) << "Stopping the download";
  weak_factory_.InvalidateWeakPtrs();
  done_.Reset();
  CloseSession();
  session_.JoinTermination();
  SetState(kStopped);
}

std::string WininetDownloader::GetErrorMessage() const {
  base::AutoLock lock(error_lock_);
  return error_message_;
}

std::vector<FetchStatistics> WininetDownloader::GetFetchDetails() const {
  return observer_ ? observer_->GetFetchDetails() : std::vector<FetchStatistics>();
}

bool WininetDownloader::OpenAndSendRequest(const CrackedUrl& parts,
                                           const std::wstring& extra_headers) {
  CloseRequest();
  DWORD error = ERROR_SUCCESS;
  if (!session_.Connect(parts, weak_factory_.GetWeakPtr(), &error)) {
    AddSystemError(base::StringPrintf("InternetConnect failed for %s:%d",
                                      base::WideToUTF8(parts.host).c_str(), parts.port),
                   error);
    return false;
  }
  LOG(INFO) << "Opening internet request";
  const bool post = !payload_.empty() && !payload_dropped_;
  const std::string where = base::StringPrintf(
      "%s:%d%s, scheme %d, payload empty %d", base::WideToUTF8(parts.host).c_str(), parts.port,
      base::WideToUTF8(parts.path).c_str(), static_cast<int>(parts.scheme), post ? 0 : 1);
  // Redirects are followed by hand: WinINet's own following sends the
  // request to the new host before anyone could check it.
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_COOKIES;
  if (parts.secure())
    flags |= INTERNET_FLAG_SECURE;
  if (!session_.OpenRequest(post ? L"POST" : L"GET", parts.path, flags, ++generation_,
                            weak_factory_.GetWeakPtr(), &error)) {
    AddSystemError("HttpOpenRequest failed for " + where, error);
    return false;
  }
  request_parts_ = parts;
  // WinINet has no time-out of its own here, and one set on the session is
  // not inherited by its requests.
  session_.SetRequestTimeouts(policy_.limits().request_timeout.InMillisecondsForWait());
  LOG(INFO) << (post ? "Sending POST request" : "Sending GET request");
  awaiting_completion_ = true;
  error = session_.SendRequest(extra_headers, post ? &payload_ : nullptr);
  if (error != ERROR_SUCCESS && error != ERROR_IO_PENDING) {
    awaiting_completion_ = false;
    AddSystemError("HttpSendRequest failed for " + where, error);
    CloseRequest();
    return false;
  }
  if (error == ERROR_SUCCESS) {
    task_runner_->PostTask(FROM_HERE, base::BindOnce(&WininetDownloader::OnRequestComplete,
                                                     weak_factory_.GetWeakPtr(), generation_, 0u));
  }
  policy_.OnRequestSent(range_.high_water());
  PostPaceCheck();
  if (!chunk_open_) {
    chunk_open_ = true;
    observer_->OnChunkStarted(static_cast<int32_t>(range_.written()));
  }
  return true;
}

void WininetDownloader::OnConnectedToServer(const std::string& ip) {
  if (observer_)
    observer_->SetIp(ip);
}

void WininetDownloader::OnNullRequestContext() {
  if (observer_)
    observer_->SetNullRequestContext();
}

void WininetDownloader::OnRequestComplete(uint32_t generation, uint32_t error) {
  // A completion of a request closed since (a resume, a redirect) is stale.
  if (generation != generation_ || !awaiting_completion_ ||
      (state_ != kRequestSent && state_ != kReading)) {
    return;
  }
  awaiting_completion_ = false;
  observer_->SetWininetError(error);
  if (error != 0) {
    // A failed read leaves a stale count behind.
    session_.DropRead();
    if (IsConnectivityError(error)) {
      LOG(WARNING) << "Request completed with an error indicating connectivity issues: " << error;
      if (state_ == kReading)
        ResumeAfterInterruption(error);
      else
        CheckRetriesAndResume(error);
      return;
    }
    Fail(base::StringPrintf("Request completed with an unexpected error: %u", error));
    return;
  }
  if (state_ == kRequestSent) {
    LOG(INFO) << "Handling request completion";
    HandleInitialResponse();
  } else {
    // Once per read: not for the log file.
    VLOG(2) << "Handling request completion";
    ReadData();
  }
}

void WininetDownloader::HandleInitialResponse() {
  LOG(INFO) << "Initial request completion";
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!HttpQueryInfoW(session_.request(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                      nullptr)) {
    FailWithSystemError("Could not obtain HTTP response code", GetLastError());
    return;
  }
  last_http_status_ = status;
  observer_->SetHttpStatus(status);
  for (const wchar_t* name : {L"Date", L"Server", L"X-Served-By", L"Content-Length"})
    observer_->AddHeader(name, session_.QueryHeader(HTTP_QUERY_CUSTOM, name));
  switch (status) {
    case HTTP_STATUS_OK: {
      if (!RestartBody())
        return;
      uint64_t length = 0;
      if (base::StringToUint64(
              base::WideToUTF8(session_.QueryHeader(HTTP_QUERY_CUSTOM, L"Content-Length")), &length)) {
        LOG(INFO) << "Expected total size: " << length;
      } else {
        LOG(INFO) << "Could not get Content-Length from response";
        length = 0;
      }
      if (!SetExpectedSize(length))
        return;
      SetState(kReading);
      ReadData();
      return;
    }
    case HTTP_STATUS_PARTIAL_CONTENT:
      if (!AcceptPartialContent())
        return;
      SetState(kReading);
      ReadData();
      return;
    case HTTP_STATUS_MOVED:
    case HTTP_STATUS_REDIRECT:
    case HTTP_STATUS_REDIRECT_METHOD:
    case HTTP_STATUS_REDIRECT_KEEP_VERB:
    case 308:
      HandleRedirect(status);
      return;
    case HTTP_STATUS_PROXY_AUTH_REQ:
      RequestProxyLogin();
      return;
    case HTTP_STATUS_BAD_GATEWAY:
    case HTTP_STATUS_SERVICE_UNAVAIL:
    case HTTP_STATUS_GATEWAY_TIMEOUT:
      LOG(WARNING) << "Download failed with " << status << " error";
      CheckRetriesAndResume(status);
      return;
    default:
      Fail(base::StringPrintf("Request completed with an unexpected HTTP status %u",
                              static_cast<unsigned>(status)));
      return;
  }
}

bool WininetDownloader::RestartBody() {
  if (range_.written() == 0)
    return true;
  // The server ignored the Range: the whole body comes again, so what was
  // written must go rather than be repeated.
  LOG(WARNING) << "Range ignored by the server, downloading from the start";
  if (!writer_->Rewind()) {
    Fail(base::StringPrintf("Failed writing the response with error %u", writer_->error_code()));
    return false;
  }
  // The bytes that come again up to the furthest one are no progress.
  range_.Rewind();
  return true;
}

bool WininetDownloader::SetExpectedSize(uint64_t length) {
  if (length > writer_->max_size()) {
    Fail(base::StringPrintf("The announced length %llu is over the limit of %llu bytes",
                            static_cast<unsigned long long>(length),
                            static_cast<unsigned long long>(writer_->max_size())));
    return false;
  }
  // A body sent again with the same length shows no new total.
  if (range_.SetExpectedSize(static_cast<uint32_t>(length)) && progress_)
    progress_->SetTotalProgress(range_.expected_size());
  return true;
}

bool WininetDownloader::AcceptPartialContent() {
  const std::string range = base::WideToUTF8(session_.QueryHeader(HTTP_QUERY_CONTENT_RANGE, nullptr));
  if (!range_.Continues(range)) {
    Fail(base::StringPrintf("Partial content \"%s\" does not continue at byte %u", range.c_str(),
                            range_.written()));
    return false;
  }
  uint64_t whole = 0;
  return !range_.NewWholeLength(range, &whole) || SetExpectedSize(whole);
}

void WininetDownloader::HandleRedirect(uint32_t status) {
  LOG(INFO) << "Redirect occured";
  const std::wstring location = session_.QueryHeader(HTTP_QUERY_LOCATION, nullptr);
  if (location.empty()) {
    Fail("Redirect without a location");
    return;
  }
  const std::wstring target = ResolveLocation(location, request_parts_);
  observer_->SetRedirectedUrl(target);
  CrackedUrl parts;
  const std::string refusal = CheckRedirect(request_parts_, target, allowed_hosts_, &parts);
  if (!refusal.empty()) {
    Fail(refusal);
    return;
  }
  if (++redirects_ > kMaxRedirects) {
    Fail("Too many redirects");
    return;
  }
  if (status == HTTP_STATUS_REDIRECT_METHOD)
    payload_dropped_ = true;
  if (!OpenAndSendRequest(parts, range_.RangeHeader()))
    Fail("Could not follow the redirect");
}

void WininetDownloader::RequestProxyLogin() {
  LOG(WARNING) << "Request completed with a proxy authentication request";
  observer_->SetProxyLoginNeeded();
  AskForProxyLogin(ui_runner_, session_.request(), task_runner_,
                   base::BindOnce(&WininetDownloader::OnProxyLoginDone,
                                  weak_factory_.GetWeakPtr(), generation_));
}

void WininetDownloader::OnProxyLoginDone(uint32_t generation, uint32_t result) {
  if (generation != generation_ || state_ != kRequestSent)
    return;
  observer_->SetProxyLoginResult(result);
  switch (ProxyLoginOutcomeOf(result)) {
    case ProxyLoginOutcome::kSendAgain:
      LOG(INFO) << "Logged in to proxy - resuming download";
      Resume(result);
      return;
    case ProxyLoginOutcome::kCancelledByUser:
      Fail("The user cancelled the prompt for proxy credentials");
      return;
    case ProxyLoginOutcome::kFailed:
      Fail("Failed to obtain credentials for proxy");
      return;
  }
}

void WininetDownloader::ReadData() {
  VLOG(2) << "Additional data downloaded";
  DWORD count = session_.TakeBytesRead();
  while (true) {
    if (count > 0) {
      // A whole-buffer read that had to wait long: the body no longer flows.
      policy_.OnReadEnded(base::TimeTicks::Now());
      if (!WriteBody(session_.buffer(), count))
        return;
    }
    const DWORD error = ReadSome();
    if (error != ERROR_SUCCESS) {
      OnReadError(error);
      return;
    }
    count = session_.TakeBytesRead();
    if (count == 0) {
      OnEndOfBody();
      return;
    }
  }
}

DWORD WininetDownloader::ReadSome() {
  const bool whole_buffer = policy_.StartRead(base::TimeTicks::Now());
  DWORD available = 0;
  const DWORD error = session_.Read(whole_buffer, &available);
  if (!whole_buffer)
    policy_.OnDataAvailable(available);
  return error;
}

void WininetDownloader::OnReadError(DWORD error) {
  if (error == ERROR_IO_PENDING) {
    VLOG(2) << "More data pending";
    awaiting_completion_ = true;
    return;
  }
  session_.DropRead();
  if (error == ERROR_INVALID_HANDLE || error == ERROR_INTERNET_OPERATION_CANCELLED)
    return;
  if (IsConnectivityError(error)) {
    LOG(WARNING) << "Download interrupted by loss of connectivity: " << error;
    ResumeAfterInterruption(error);
    return;
  }
  Fail(base::StringPrintf("Download interrupted for unknown reason: %u",
                          static_cast<unsigned>(error)));
}

bool WininetDownloader::WriteBody(const char* data, uint32_t count) {
  // The body ends at the announced length, whatever more the server sends.
  const uint32_t excess = range_.Excess(count);
  count -= excess;
  if (!writer_->Write(data, count)) {
    if (writer_->error_code() == ERROR_FILE_TOO_LARGE) {
      Fail(base::StringPrintf("The response is over the limit of %llu bytes",
                              static_cast<unsigned long long>(writer_->max_size())));
    } else {
      Fail(base::StringPrintf("Failed writing the response with error %u",
                              writer_->error_code()));
    }
    return false;
  }
  policy_.OnBytesWritten(count);
  if (range_.Advance(count) && progress_)
    progress_->SetCurrentProgress(range_.written());
  if (excess > 0) {
    observer_->SetResponseTooLong(static_cast<int32_t>(excess));
    Complete();
    return false;
  }
  return true;
}

void WininetDownloader::OnEndOfBody() {
  LOG(INFO) << "Done reading from Internet";
  if (range_.expected_size() > 0 && range_.written() < range_.expected_size()) {
    LOG(WARNING) << "Download completed, but we are below response size";
    ResumeAfterInterruption(ERROR_INTERNET_CONNECTION_ABORTED);
    return;
  }
  Complete();
}

void WininetDownloader::ResumeAfterInterruption(uint32_t error) {
  // A request that brought new bytes resumes at once and ends a run of
  // retries; one that brought none (nothing, or bytes of a body sent again
  // from the start) counts as a retry, so a server that always stops at
  // the same point cannot spin.
  if (policy_.RequestBroughtNewBytes(range_.high_water())) {
    policy_.ResetRetries();
    Resume(error);
  } else {
    CheckRetriesAndResume(error);
  }
}

void WininetDownloader::CheckRetriesAndResume(uint32_t error) {
  if (policy_.IsStalled() && progress_)
    progress_->NotifyStalled();
  if (policy_.RetriesExhausted()) {
    Fail(base::StringPrintf("Number of retries exceeded, last error: %u", error));
    return;
  }
  LOG(WARNING) << "Retrying " << policy_.retry_count() << " of " << policy_.limits().retry_limit
               << " (error " << error << ", " << range_.high_water() << " bytes, request "
               << policy_.requests() << ")";
  policy_.CountRetry();
  CloseRequest();
  task_runner_->PostDelayedTask(
      FROM_HERE, base::BindOnce(&WininetDownloader::Resume, weak_factory_.GetWeakPtr(), error),
      policy_.limits().retry_delay);
}

bool WininetDownloader::WithinBudget(uint32_t last_error,
                                     DownloadRetryPolicy::BudgetUse use) {
  const std::string exhausted = policy_.BudgetExhausted(base::TimeTicks::Now(), use);
  if (exhausted.empty())
    return true;
  AddError(exhausted);
  Fail(base::StringPrintf("Number of retries exceeded, last error: %u", last_error));
  return false;
}

void WininetDownloader::PostPaceCheck() {
  task_runner_->PostDelayedTask(
      FROM_HERE,
      base::BindOnce(&WininetDownloader::CheckPace, weak_factory_.GetWeakPtr(), generation_),
      policy_.limits().slow_window);
}

void WininetDownloader::CheckPace(uint32_t generation) {
  // Only a request that waits for WinINet is judged: not one closed since,
  // and not one waiting for the user's proxy credentials.
  if (generation != generation_ || !awaiting_completion_ ||
      (state_ != kRequestSent && state_ != kReading)) {
    return;
  }
  if (!WithinBudget(ERROR_INTERNET_TIMEOUT, DownloadRetryPolicy::BudgetUse::kGoOn))
    return;
  const uint32_t window_bytes = policy_.window_bytes();
  if (policy_.JudgePace(range_.high_water()) == DownloadRetryPolicy::Pace::kTooSlow) {
    LOG(WARNING) << "Download too slow: " << window_bytes << " bytes in "
                 << policy_.limits().slow_window.InMilliseconds() << " ms";
    CheckRetriesAndResume(ERROR_INTERNET_TIMEOUT);
    return;
  }
  PostPaceCheck();
}

void WininetDownloader::Resume(uint32_t cause) {
  if (state_ != kRequestSent && state_ != kReading)
    return;
  if (!WithinBudget(cause, DownloadRetryPolicy::BudgetUse::kNewRequest))
    return;
  if (chunk_open_) {
    chunk_open_ = false;
    observer_->OnChunkEnded(static_cast<int32_t>(range_.written()));
  }
  CloseRequest();
  LOG(INFO) << "Attempting download resume";
  redirects_ = 0;
  payload_dropped_ = false;
  CrackedUrl parts;
  if (!CrackUrl(url_, &parts)) {
    Fail(base::StringPrintf("Cannot parse URL on resume %s", base::WideToUTF8(url_).c_str()));
    return;
  }
  observer_->SetRetryCount(static_cast<uint32_t>(policy_.retry_count()));
  if (!OpenAndSendRequest(parts, range_.RangeHeader())) {
    Fail("Could not resume downloading");
    return;
  }
  SetState(kRequestSent);
}

void WininetDownloader::Complete() {
  policy_.ResetRetries();
  CloseSession();
  LOG(INFO) << "Download completed";
  SetState(kCompleted);
  if (done_)
    std::move(done_).Run();
}

void WininetDownloader::Fail(const std::string& message) {
  AddError(message);
  Finish();
}

void WininetDownloader::FailWithSystemError(const std::string& message, DWORD error) {
  AddSystemError(message, error);
  Finish();
}

void WininetDownloader::Finish() {
  LOG(ERROR) << "Download failed";
  CloseSession();
  if (writer_)
    writer_->Discard();
  SetState(kFailed);
  if (done_)
    std::move(done_).Run();
}

void WininetDownloader::CloseRequest() {
  awaiting_completion_ = false;
  session_.CloseRequest();
}

void WininetDownloader::CloseSession() {
  if (!session_.is_open())
    return;
  LOG(INFO) << "Closing download session";
  if (chunk_open_) {
    chunk_open_ = false;
    observer_->OnChunkEnded(static_cast<int32_t>(range_.written()));
  }
  if (writer_)
    writer_->Close();
  awaiting_completion_ = false;
  session_.Close();
}

void WininetDownloader::SetState(State state) {
  state_ = state;
  LOG(INFO) << "Downloader state: " << static_cast<unsigned>(state);
}

void WininetDownloader::AddError(const std::string& message) {
  LOG(ERROR) << message;
  base::AutoLock lock(error_lock_);
  error_message_ += message + "\n";
}

void WininetDownloader::AddSystemError(const std::string& message, DWORD error) {
  AddError(message + ", system error: " + std::to_string(error));
}
