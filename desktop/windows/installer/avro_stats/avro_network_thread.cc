#include "desktop/windows/installer/avro_stats/avro_network_thread.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/avro_stats/avro_request_headers.h"
#include "desktop/windows/installer/avro_stats/installer_event.h"
#include "desktop/windows/installer/utils/cracked_url.h"

namespace {

std::atomic<uint16_t> g_test_server_port{0};

constexpr wchar_t kUserAgent[] = L"Tarvo installer";

// The sender follows redirects itself. WinINet would too, but Wine's sends
// a redirected POST without its body and goes from HTTPS to plain HTTP
// whatever the flags (Windows does that too, with the flag that allows it).
constexpr DWORD kFollowRedirectsHere = INTERNET_FLAG_NO_AUTO_REDIRECT;
// Hops of one message before it counts as a failed attempt.
constexpr int kMaxRedirects = 5;

// WinINet handles: null means none.
struct InternetHandleTraits {
  using Handle = HINTERNET;
  static bool CloseHandle(HINTERNET handle) { return InternetCloseHandle(handle) != FALSE; }
  static bool IsHandleValid(HINTERNET handle) { return handle != nullptr; }
  static HINTERNET NullHandle() { return nullptr; }
};

using ScopedInternetHandle = base::win::GenericScopedHandle<InternetHandleTraits>;

void SetRequestTimeouts(HINTERNET request, base::TimeDelta timeout) {
  int64_t ms = timeout.InMillisecondsRoundedUp();
  DWORD value = ms <= 0 ? 1 : ms > 0x7fffffff ? 0x7fffffff : static_cast<DWORD>(ms);
  // Set on the request itself: a session's timeouts are not inherited
  // everywhere.
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionW(request, option, &value, sizeof(value));
  }
}

// 307 and 308 ask for the same POST elsewhere. Other redirects ask for a
// GET, which would deliver nothing.
bool KeepsTheMessage(const std::wstring& status) {
  return status == L"307" || status == L"308";
}

CrackedUrl EndpointUrl(const AvroEndpoint& endpoint) {
  CrackedUrl url;
  url.scheme = endpoint.secure ? INTERNET_SCHEME_HTTPS : INTERNET_SCHEME_HTTP;
  url.host = endpoint.host;
  url.port = endpoint.port;
  url.path = endpoint.path;
  return url;
}

bool SendOverWinInet(void* request, const AvroRequestHeaders& headers, const std::string& body) {
  return HttpSendRequestW(static_cast<HINTERNET>(request), headers.text(),
                          static_cast<DWORD>(headers.length()), const_cast<char*>(body.data()),
                          static_cast<DWORD>(body.size())) != FALSE;
}

AvroNetworkOptions WithDefaultSend(AvroNetworkOptions options) {
  if (!options.send_request)
    options.send_request = base::BindRepeating(&SendOverWinInet);
  return options;
}

}  // namespace

AvroEndpoint GetAvroEndpoint(AvroSenderMode mode) {
  AvroEndpoint endpoint;
  endpoint.path = kAvroMessagePath;
  if (mode == AvroSenderMode::kTestServer) {
    endpoint.host = kAvroTestServerHost;
    uint16_t port = g_test_server_port.load();
    endpoint.port = port ? port : kAvroTestServerPort;
    endpoint.secure = false;
  } else {
    endpoint.host = kAvroProductionHost;
    endpoint.port = kAvroProductionPort;
    endpoint.secure = true;
  }
  return endpoint;
}

void SetAvroTestServerPortForTesting(uint16_t port) {
  g_test_server_port.store(port);
}

base::TimeDelta GetAvroRetryDelay(uint32_t retry_count) {
  if (retry_count > 20)
    retry_count = 20;
  return base::TimeDelta::FromMilliseconds(400LL << retry_count);
}

AvroNetworkOptions MakeAvroNetworkOptions(const AvroEndpoint& endpoint) {
  AvroNetworkOptions options;
  options.endpoint = endpoint;
  options.retry_delay = base::BindRepeating(&GetAvroRetryDelay);
  return options;
}

AvroNetworkThread::AvroNetworkThread(std::unique_ptr<AvroMessageContext> context,
                                     AvroNetworkOptions options)
    : thread_("Avro Network thread"),
      options_(WithDefaultSend(std::move(options))),
      context_(std::move(context)) {
  if (!thread_.Start()) {
    LOG(ERROR) << "Cannot start the statistics thread";
    return;
  }
  thread_.task_runner()->PostTask(
      FROM_HERE, base::BindOnce(&AvroNetworkThread::OpenSession, base::Unretained(this)));
}

AvroNetworkThread::~AvroNetworkThread() {
  if (thread_.IsRunning()) {
    auto runner = thread_.task_runner();
    bool drained = true;
    {
      base::AutoLock lock(lock_);
      runner->PostTask(FROM_HERE, base::BindOnce(&AvroNetworkThread::StartShutdown,
                                                 base::Unretained(this)));
      flush_started_ = base::TimeTicks::Now();
      // Only the time the server takes counts: the waits between retries
      // against a server that answers with errors run out in full.
      while (busy_) {
        const base::TimeDelta left = options_.flush_deadline - FlushTimeInRequests();
        if (left <= base::TimeDelta()) {
          drained = false;
          break;
        }
        if (request_started_.is_null())
          drained_.Wait();
        else
          drained_.TimedWait(left);
      }
    }
    if (!drained) {
      // A stalled server must not keep the installer from exiting: the
      // request under way is closed (under Wine it still runs to its own
      // time limit), and what is still queued then is dumped.
      abandoned_.store(true);
      CancelRequestInFlight();
      runner->PostTask(FROM_HERE, base::BindOnce(&AvroNetworkThread::AbandonQueue,
                                                 base::Unretained(this)));
    }
    runner->PostTask(FROM_HERE,
                     base::BindOnce(&AvroNetworkThread::CloseSession, base::Unretained(this)));
    // Runs what is posted (pending retries are not due and are dropped).
    thread_.Stop();
  }
  queue_.clear();
  in_flight_.clear();
  context_.reset();
}

void AvroNetworkThread::SendAvroMessage(std::unique_ptr<InstallerEvent> event) {
  base::AutoLock lock(lock_);
  ++messages_total_;
  busy_ = true;
  in_flight_.push_back(std::move(event));
  if (in_flight_.size() > 1)
    return;  // The posted task has not run yet and takes this one too.
  if (!thread_.task_runner() ||
      !thread_.task_runner()->PostDelayedTask(
          FROM_HERE, base::BindOnce(&AvroNetworkThread::Enqueue, base::Unretained(this)),
          options_.hand_over_delay)) {
    // The thread is not running: nothing will take the event.
    in_flight_.clear();
    busy_ = false;
  }
}

void AvroNetworkThread::SetTrafficAllowed(bool allowed) {
  if (auto runner = thread_.task_runner()) {
    runner->PostTask(FROM_HERE, base::BindOnce(&AvroNetworkThread::ApplyTrafficAllowed,
                                               base::Unretained(this), allowed));
  }
}

void AvroNetworkThread::OpenSession() {
  session_ = InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!session_)
    PLOG(ERROR) << "Cannot open the statistics connection";
}

void AvroNetworkThread::CloseSession() {
  if (session_) {
    InternetCloseHandle(session_);
    session_ = nullptr;
  }
}

bool AvroNetworkThread::TakeInFlight() {
  EventQueue arrived;
  {
    base::AutoLock lock(lock_);
    arrived.swap(in_flight_);
  }
  if (arrived.empty())
    return false;
  queue_.splice(queue_.end(), arrived);
  retry_counter_ = 0;
  return true;
}

void AvroNetworkThread::Enqueue() {
  if (TakeInFlight() && !retry_pending_)
    SendPending();
}

void AvroNetworkThread::ApplyTrafficAllowed(bool allowed) {
  VLOG(5) << "Traffic allowed: " << (allowed ? 1 : 0);
  traffic_allowed_ = allowed;
  if (traffic_allowed_ && !retry_pending_ && !queue_.empty())
    SendPending();
}

void AvroNetworkThread::StartShutdown() {
  shutting_down_ = true;
  // The hand-over task may not be due yet; stopping the thread drops it.
  TakeInFlight();
  if (!retry_pending_ && !queue_.empty()) {
    SendPending();
    return;
  }
  // Nothing to send: let the waiting destructor go on.
  UpdateBusy();
}

void AvroNetworkThread::AbandonQueue() {
  if (!queue_.empty()) {
    LOG(WARNING) << "Statistics not delivered before exit, dumping " << queue_.size()
                 << " messages";
    DumpQueue();
  }
  UpdateBusy();
}

void AvroNetworkThread::CancelRequestInFlight() {
  base::AutoLock lock(request_lock_);
  if (current_request_) {
    InternetCloseHandle(current_request_);
    current_request_ = nullptr;
  }
}

void AvroNetworkThread::DumpQueue() {
  ++dumps_total_;
  dumped_messages_total_ += static_cast<uint32_t>(queue_.size());
  queue_.clear();
}

void AvroNetworkThread::SendPending() {
  retry_pending_ = false;
  while (!queue_.empty()) {
    if (abandoned_.load()) {
      AbandonQueue();
      return;
    }
    if (!traffic_allowed_) {
      // Without consent nothing may leave the machine, not even at exit.
      if (shutting_down_)
        queue_.clear();
      break;
    }
    if (SendOverHttp(*queue_.front())) {
      ++successfully_sent_total_;
      queue_.pop_front();
      // Only a new event gives the queue its retries again: a server that
      // fails most requests cannot keep the queue retrying for ever.
      continue;
    }
    const uint32_t failures_before = retry_counter_++;
    if (failures_before > 3) {
      LOG(WARNING) << "Retry limit exceeded. Dumping messages!";
      DumpQueue();
    } else {
      retry_pending_ = true;
      thread_.task_runner()->PostDelayedTask(
          FROM_HERE, base::BindOnce(&AvroNetworkThread::SendPending, base::Unretained(this)),
          options_.retry_delay.Run(retry_counter_));
    }
    break;
  }
  UpdateBusy();
}

void AvroNetworkThread::UpdateBusy() {
  base::AutoLock lock(lock_);
  busy_ = !queue_.empty() || !in_flight_.empty();
  drained_.Broadcast();
}

SenderStatistics AvroNetworkThread::TakeStatistics() {
  SenderStatistics statistics;
  statistics.dumped_messages_total = dumped_messages_total_;
  statistics.dumps_total = dumps_total_;
  {
    base::AutoLock lock(lock_);
    statistics.messages_total = messages_total_;
  }
  statistics.send_attempts_total = send_attempts_total_;
  statistics.successfully_sent_total = successfully_sent_total_;
  return statistics;
}

base::TimeDelta AvroNetworkThread::FlushTimeInRequests() const {
  base::TimeDelta spent = flush_time_in_requests_;
  if (!request_started_.is_null() && !flush_started_.is_null())
    spent += base::TimeTicks::Now() - std::max(request_started_, flush_started_);
  return spent;
}

void AvroNetworkThread::MarkRequest(bool started) {
  base::AutoLock lock(lock_);
  const base::TimeTicks now = base::TimeTicks::Now();
  if (started) {
    request_started_ = now;
  } else {
    if (!flush_started_.is_null())
      flush_time_in_requests_ += now - std::max(request_started_, flush_started_);
    request_started_ = base::TimeTicks();
  }
  // A waiting flush starts or stops counting.
  drained_.Broadcast();
}

bool AvroNetworkThread::SendOverHttp(const InstallerEvent& event) {
  if (!session_)
    return false;
  std::string body;
  context_->Serialize(&body, event, TakeStatistics());
  ++send_attempts_total_;

  const std::string& name = event.GetName();
  VLOG(5) << "Attempting to send " << name;
  bool succeeded = false;
  CrackedUrl url = EndpointUrl(options_.endpoint);
  for (int hop = 0; hop <= kMaxRedirects; ++hop) {
    std::wstring location;
    const Answer answer = Post(url, body, &location);
    if (answer != Answer::kRedirected) {
      succeeded = answer == Answer::kDelivered;
      break;
    }
    CrackedUrl next;
    const std::string refused = CheckRedirect(url, ResolveLocation(location, url), {}, &next);
    if (!refused.empty()) {
      LOG(WARNING) << refused;
      break;
    }
    url = next;
  }
  VLOG(5) << "Message " << name << " processed, sending " << (succeeded ? "succeeded" : "failed");
  return succeeded;
}

AvroNetworkThread::Answer AvroNetworkThread::Post(const CrackedUrl& url,
                                                  const std::string& body,
                                                  std::wstring* location) {
  MarkRequest(/*started=*/true);
  const Answer answer = PostOnce(url, body, location);
  MarkRequest(/*started=*/false);
  return answer;
}

AvroNetworkThread::Answer AvroNetworkThread::PostOnce(const CrackedUrl& url,
                                                      const std::string& body,
                                                      std::wstring* location) {
  ScopedInternetHandle connection(InternetConnectW(session_, url.host.c_str(), url.port, nullptr,
                                                   nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection.IsValid())
    return Answer::kFailed;
  const DWORD flags = kFollowRedirectsHere | (url.secure() ? INTERNET_FLAG_SECURE : 0);
  HINTERNET request = HttpOpenRequestW(connection.get(), L"POST", url.path.c_str(), L"HTTP/1.1",
                                       nullptr, nullptr, flags, 0);
  if (!request)
    return Answer::kFailed;
  SetRequestTimeouts(request, options_.request_timeout);
  {
    base::AutoLock lock(request_lock_);
    if (abandoned_.load()) {
      InternetCloseHandle(request);
      return Answer::kFailed;
    }
    current_request_ = request;
  }

  bool sent = false;
  {
    AvroRequestHeaders headers;
    sent = options_.send_request.Run(request, headers, body);
    // Whatever the outcome, the text leaves memory with the send.
    headers.Wipe();
    if (options_.headers_wiped)
      options_.headers_wiped.Run(headers);
  }
  Answer answer = Answer::kFailed;
  if (sent) {
    wchar_t status[32] = {};
    DWORD size = sizeof(status);
    if (HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE, status, &size, nullptr)) {
      const std::wstring code(status);
      // A refused message (403) would be refused again: it counts as done.
      if (code == L"201" || code == L"403") {
        answer = Answer::kDelivered;
      } else if (KeepsTheMessage(code)) {
        wchar_t target[2048] = {};
        size = sizeof(target) - sizeof(wchar_t);
        if (HttpQueryInfoW(request, HTTP_QUERY_LOCATION, target, &size, nullptr)) {
          *location = target;
          answer = Answer::kRedirected;
        }
      }
    }
  }
  {
    base::AutoLock lock(request_lock_);
    // Null when the flush deadline closed it.
    if (current_request_) {
      InternetCloseHandle(current_request_);
      current_request_ = nullptr;
    } else {
      answer = Answer::kFailed;
    }
  }
  return answer;
}
