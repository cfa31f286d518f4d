#include "desktop/windows/installer/wininet/wininet_session.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/bind.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/synchronization/lock.h"
#include "base/threading/platform_thread.h"

namespace {

// Large reads keep a fast download from being bound by the per-call cost of
// WinINet and of the file write: 1 KiB reads, each with its progress
// report, reached 0.34 of curl's loopback throughput and 64 KiB reads
// 0.6-0.8; 1 MiB reads pass it.
constexpr DWORD kReadBufferSize = 1024 * 1024;
// How long the session waits for WinINet to release its connection before it
// is closed anyway (WinINet may never report it after a cancelled read).
constexpr DWORD kTerminationWaitMs = 2000;

// The request being read on this thread, for callbacks that come without
// their context while a read runs.
thread_local void* t_reading_context = nullptr;

// Where the callbacks of WinINet's threads post what they were told.
base::Location FromStatusCallback(int line) {
  return base::Location("InternetStatusCallbackForRequestOnUnknownThread", __FILE__, line);
}

}  // namespace

// The session behind a closing connection. WinINet still unlinks and frees
// the connection after its HANDLE_CLOSING callback returns, and closing the
// session walks its connections: closing it from the termination thread
// while a WinINet thread tears the connection down reads freed memory. So
// the session closes inside that callback, or after the bound under the
// same lock, once.
struct WininetSession::SessionCloser {
  ~SessionCloser() {
    if (released)
      CloseHandle(released);
  }
  // Signals |released| when |signal| is set.
  void CloseSession(bool signal) {
    base::AutoLock hold(lock);
    if (session) {
      InternetCloseHandle(session);
      session = nullptr;
    }
    if (signal && released)
      SetEvent(released);
  }

  base::Lock lock;
  // Handed over when the session is closed.
  HINTERNET session = nullptr;
  HANDLE released = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

// What WinINet hands back with each callback of one handle. It belongs to
// WinINet once the handle exists and is freed when the handle closes, so a
// late callback or a read that WinINet still completes never touches an
// owner that is gone.
struct WininetSession::HandleContext {
  base::scoped_refptr<base::SingleThreadTaskRunner> runner;
  base::WeakPtr<WininetEvents> owner;
  uint32_t generation = 0;
  // Connections: closes the session once WinINet has released the connection.
  std::shared_ptr<SessionCloser> closer;
  // Requests: the read buffer and the count of bytes read into it, not
  // yet written.
  std::vector<char> buffer;
  DWORD bytes_read = 0;
  // Where WinINet puts the count of a read and of a query for data. It
  // writes them when the operation ends, on its own thread when it was
  // pending, and that may come before the call that started it returns:
  // they live as long as the handle, and nothing writes them after WinINet
  // (InternetReadFile zeroes its count of a pending read once it returns,
  // which loses the count of a read that already ended).
  INTERNET_BUFFERSA read = {sizeof(INTERNET_BUFFERSA)};
  DWORD available = 0;
  // The read in |read| was left pending: its count comes with its
  // completion.
  bool read_pending = false;
};

WininetSession::WininetSession(base::scoped_refptr<base::SingleThreadTaskRunner> runner)
    : runner_(std::move(runner)) {}

WininetSession::~WininetSession() {
  Close();
  JoinTermination();
}

bool WininetSession::Open(const std::wstring& user_agent) {
  DCHECK(!session_);
  session_ = InternetOpenW(user_agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                           INTERNET_FLAG_ASYNC);
  if (!session_)
    return false;
  InternetSetStatusCallbackW(session_, &WininetSession::StatusCallback);
  return true;
}

// static
void CALLBACK WininetSession::StatusCallback(HINTERNET /*handle*/, DWORD_PTR context,
                                             DWORD status, void* info, DWORD info_length) {
  auto* handle_context = reinterpret_cast<HandleContext*>(context);
  if (!handle_context) {
    handle_context = static_cast<HandleContext*>(t_reading_context);
    if (!handle_context || status == INTERNET_STATUS_HANDLE_CLOSING)
      return;
    handle_context->runner->PostTask(
        FromStatusCallback(__LINE__),
        base::BindOnce(&WininetEvents::OnNullRequestContext, handle_context->owner));
  }
  switch (status) {
    case INTERNET_STATUS_CONNECTED_TO_SERVER: {
      if (!info || info_length == 0)
        break;
      // Wine passes a narrow text even to the wide callback.
      const char* bytes = static_cast<const char*>(info);
      std::string ip = info_length > 1 && bytes[1] == 0
                           ? base::WideToUTF8(static_cast<const wchar_t*>(info))
                           : std::string(bytes, strnlen(bytes, info_length));
      handle_context->runner->PostTask(
          FromStatusCallback(__LINE__),
          base::BindOnce(&WininetEvents::OnConnectedToServer, handle_context->owner,
                         std::move(ip)));
      break;
    }
    case INTERNET_STATUS_REQUEST_COMPLETE: {
      // dwError holds an error only when dwResult says the call failed: a
      // query for available data puts the byte count there.
      const auto* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
      const DWORD error = result && !result->dwResult ? result->dwError : ERROR_SUCCESS;
      handle_context->runner->PostTask(
          FromStatusCallback(__LINE__),
          base::BindOnce(&WininetEvents::OnRequestComplete, handle_context->owner,
                         handle_context->generation, static_cast<uint32_t>(error)));
      break;
    }
    case INTERNET_STATUS_HANDLE_CLOSING:
      if (handle_context->closer) {
        LOG(INFO) << "Wininet request cancelled. unregistering the callback.";
        handle_context->closer->CloseSession(/*signal=*/true);
      }
      delete handle_context;
      break;
    default:
      break;
  }
}

bool WininetSession::Connect(const CrackedUrl& parts, base::WeakPtr<WininetEvents> events,
                             DWORD* error) {
  if (connection_ && connected_to_.SameServer(parts))
    return true;
  if (connection_) {
    InternetCloseHandle(connection_);
    connection_ = nullptr;
    connection_context_ = nullptr;
  }
  auto* context = new HandleContext;
  context->runner = runner_;
  context->owner = std::move(events);
  context->closer = std::make_shared<SessionCloser>();
  connection_ = InternetConnectW(session_, parts.host.c_str(), parts.port, nullptr, nullptr,
                                 INTERNET_SERVICE_HTTP, 0, reinterpret_cast<DWORD_PTR>(context));
  if (!connection_) {
    *error = GetLastError();
    delete context;
    return false;
  }
  connection_context_ = context;
  connected_to_ = parts;
  return true;
}

bool WininetSession::OpenRequest(const wchar_t* verb, const std::wstring& path, DWORD flags,
                                 uint32_t generation, base::WeakPtr<WininetEvents> events,
                                 DWORD* error) {
  CloseRequest();
  auto* context = new HandleContext;
  context->runner = runner_;
  context->owner = std::move(events);
  context->generation = generation;
  context->buffer.resize(kReadBufferSize);
  request_ = HttpOpenRequestW(connection_, verb, path.c_str(), L"HTTP/1.1", nullptr, nullptr,
                              flags, reinterpret_cast<DWORD_PTR>(context));
  if (!request_) {
    *error = GetLastError();
    delete context;
    return false;
  }
  request_context_ = context;
  return true;
}

void WininetSession::SetRequestTimeouts(DWORD timeout_ms) {
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionW(request_, option, &timeout_ms, sizeof(timeout_ms));
  }
}

DWORD WininetSession::SendRequest(const std::wstring& extra_headers, std::string* body) {
  const BOOL sent = HttpSendRequestW(
      request_, extra_headers.empty() ? nullptr : extra_headers.c_str(),
      static_cast<DWORD>(extra_headers.size()),
      body ? body->data() : nullptr,
      body ? static_cast<DWORD>(body->size()) : 0);
  return sent ? ERROR_SUCCESS : GetLastError();
}

std::wstring WininetSession::QueryHeader(DWORD info_level, const wchar_t* name) {
  std::wstring value(256, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (name)
      value.replace(0, wcslen(name) + 1, std::wstring(name) + L'\0');
    DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (HttpQueryInfoW(request_, info_level, value.data(), &size, nullptr)) {
      value.resize(size / sizeof(wchar_t));
      return value;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
      break;
    value.assign(size / sizeof(wchar_t) + 1 + (name ? wcslen(name) : 0), L'\0');
  }
  return std::wstring();
}

DWORD WininetSession::Read(bool whole_buffer, DWORD* available) {
  HandleContext* context = request_context_;
  DWORD size = static_cast<DWORD>(context->buffer.size());
  context->bytes_read = 0;
  t_reading_context = context;
  BOOL done = TRUE;
  if (!whole_buffer) {
    context->available = 0;
    done = InternetQueryDataAvailable(request_, &context->available, 0, 0);
    *available = context->available;
    size = std::min(size, context->available);
  }
  bool read = false;
  if (done) {
    read = true;
    context->read.lpvBuffer = context->buffer.data();
    context->read.dwBufferLength = size;
    done = InternetReadFileExA(request_, &context->read, IRF_ASYNC,
                               reinterpret_cast<DWORD_PTR>(context));
    if (done)
      context->bytes_read = context->read.dwBufferLength;
  }
  const DWORD error = done ? ERROR_SUCCESS : GetLastError();
  context->read_pending = read && error == ERROR_IO_PENDING;
  t_reading_context = nullptr;
  return error;
}

DWORD WininetSession::TakeBytesRead() {
  HandleContext* context = request_context_;
  if (context->read_pending) {
    context->read_pending = false;
    context->bytes_read = context->read.dwBufferLength;
  }
  const DWORD count = context->bytes_read;
  context->bytes_read = 0;
  return count;
}

void WininetSession::DropRead() {
  request_context_->bytes_read = 0;
  request_context_->read_pending = false;
}

const char* WininetSession::buffer() const {
  return request_context_->buffer.data();
}

void WininetSession::CloseRequest() {
  if (request_) {
    InternetCloseHandle(request_);
    request_ = nullptr;
    request_context_ = nullptr;
  }
}

void WininetSession::Close() {
  if (!session_)
    return;
  CloseRequest();
  HINTERNET session = session_;
  session_ = nullptr;
  if (!connection_) {
    InternetCloseHandle(session);
    return;
  }
  std::shared_ptr<SessionCloser> closer = connection_context_->closer;
  {
    base::AutoLock hold(closer->lock);
    closer->session = session;
  }
  InternetCloseHandle(connection_);
  connection_ = nullptr;
  connection_context_ = nullptr;
  JoinTermination();
  // The session goes once WinINet let go of the connection, or after a
  // bound: WinINet may never say so after a cancelled read.
  termination_thread_ = std::thread([closer] {
    base::PlatformThread::SetName("Wininet Termination");
    LOG(INFO) << "Waiting for WinINET to finish";
    if (closer->released)
      WaitForSingleObject(closer->released, kTerminationWaitMs);
    closer->CloseSession(/*signal=*/false);
  });
}

void WininetSession::JoinTermination() {
  if (termination_thread_.joinable())
    termination_thread_.join();
}
