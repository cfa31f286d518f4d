#include "testing/loopback_http_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <utility>

#include "base/strings/string_util.h"

namespace {

// Reads until the whole request (headers and Content-Length body) is in, the
// peer closes, or a read times out.
bool ReadRequest(SOCKET connection, LoopbackHttpServer::Request* request) {
  std::string data;
  char buffer[4096];
  size_t header_end = std::string::npos;
  size_t body_size = 0;
  while (true) {
    if (header_end == std::string::npos) {
      header_end = data.find("\r\n\r\n");
      if (header_end != std::string::npos) {
        std::string head = data.substr(0, header_end);
        const std::string lower = base::ToLowerASCII(head);
        size_t length_at = lower.find("content-length:");
        if (length_at != std::string::npos)
          body_size = strtoul(head.c_str() + length_at + 15, nullptr, 10);
        size_t first_space = head.find(' ');
        size_t second_space = head.find(' ', first_space + 1);
        request->method = head.substr(0, first_space);
        request->path = head.substr(first_space + 1, second_space - first_space - 1);
        request->headers = head;
      }
    }
    if (header_end != std::string::npos && data.size() >= header_end + 4 + body_size) {
      request->body = data.substr(header_end + 4, body_size);
      return true;
    }
    int read = recv(connection, buffer, sizeof(buffer), 0);
    if (read <= 0)
      return false;
    data.append(buffer, static_cast<size_t>(read));
  }
}

}  // namespace

LoopbackHttpServer::Action LoopbackHttpServer::Status(int status, std::string headers,
                                                      std::string body) {
  Action action;
  action.kind = Action::Kind::kStatus;
  action.status = status;
  action.headers = std::move(headers);
  action.body = std::move(body);
  return action;
}

LoopbackHttpServer::Action LoopbackHttpServer::Resource(std::string body) {
  Action action;
  action.kind = Action::Kind::kResource;
  action.status = 200;
  action.body = std::move(body);
  return action;
}

LoopbackHttpServer::Action LoopbackHttpServer::Echo() {
  Action action;
  action.kind = Action::Kind::kEcho;
  action.status = 200;
  return action;
}

std::string LoopbackHttpServer::Request::Header(const std::string& name) const {
  const std::string lower = base::ToLowerASCII(headers);
  const std::string key = "\r\n" + base::ToLowerASCII(name) + ":";
  size_t at = lower.find(key);
  if (at == std::string::npos)
    return std::string();
  size_t start = at + key.size();
  size_t end = headers.find("\r\n", start);
  std::string value = headers.substr(start, end == std::string::npos ? end : end - start);
  size_t first = value.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : value.substr(first);
}

std::string LoopbackHttpServer::Url(const std::string& path, const std::string& host) const {
  return "http://" + host + ":" + std::to_string(port_) + path;
}

LoopbackHttpServer::Action LoopbackHttpServer::CloseEarly() {
  Action action;
  action.kind = Action::Kind::kCloseEarly;
  return action;
}

LoopbackHttpServer::Action LoopbackHttpServer::Stall() {
  Action action;
  action.kind = Action::Kind::kStall;
  return action;
}

LoopbackHttpServer::Action LoopbackHttpServer::Endless(std::string piece) {
  Action action;
  action.kind = Action::Kind::kEndless;
  action.status = 200;
  action.body = std::move(piece);
  return action;
}

LoopbackHttpServer::Action LoopbackHttpServer::Cut(std::string body, int64_t after,
                                                   Action::CutEnding ending, bool ignore_range) {
  Action action = Resource(std::move(body));
  action.cut_after = after;
  action.cut_ending = ending;
  action.ignore_range = ignore_range;
  return action;
}

LoopbackHttpServer::Action LoopbackHttpServer::Trickle(std::string body, size_t bytes,
                                                       base::TimeDelta interval) {
  Action action = Resource(std::move(body));
  action.trickle_bytes = bytes;
  action.trickle_interval = interval;
  return action;
}

LoopbackHttpServer::LoopbackHttpServer() = default;

LoopbackHttpServer::~LoopbackHttpServer() {
  Stop();
}

bool LoopbackHttpServer::Start() {
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
    return false;
  started_wsa_ = true;
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET)
    return false;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener_, 16) != 0) {
    return false;
  }
  int size = sizeof(address);
  if (getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
    return false;
  port_ = ntohs(address.sin_port);
  stop_event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = std::thread(&LoopbackHttpServer::Serve, this);
  return true;
}

void LoopbackHttpServer::Stop() {
  if (stop_event_)
    SetEvent(stop_event_);
  if (thread_.joinable())
    thread_.join();
  if (listener_ != INVALID_SOCKET) {
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (SOCKET socket : stalled_)
      closesocket(socket);
    stalled_.clear();
  }
  if (stop_event_) {
    CloseHandle(stop_event_);
    stop_event_ = nullptr;
  }
  if (started_wsa_) {
    WSACleanup();
    started_wsa_ = false;
  }
}

void LoopbackHttpServer::Script(std::vector<Action> actions) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Action& action : actions)
    script_.push_back(std::move(action));
}

void LoopbackHttpServer::SetDefaultAction(Action action) {
  std::lock_guard<std::mutex> lock(mutex_);
  default_action_ = std::move(action);
}

bool LoopbackHttpServer::WaitForRequests(size_t count, base::TimeDelta timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout.InMilliseconds()),
                           [&] { return requests_.size() >= count; });
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

size_t LoopbackHttpServer::request_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_.size();
}

void LoopbackHttpServer::Serve() {
  while (WaitForSingleObject(stop_event_, 0) != WAIT_OBJECT_0) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    timeval wait = {0, 20000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
      continue;
    SOCKET connection = accept(listener_, nullptr, nullptr);
    if (connection == INVALID_SOCKET)
      continue;
    if (concurrent_)
      connection_threads_.emplace_back(&LoopbackHttpServer::Handle, this, connection);
    else
      Handle(connection);
  }
  for (std::thread& thread : connection_threads_)
    thread.join();
  connection_threads_.clear();
}

void LoopbackHttpServer::Handle(SOCKET connection) {
  DWORD read_timeout_ms = 5000;
  setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&read_timeout_ms),
             sizeof(read_timeout_ms));
  Request request;
  if (!ReadRequest(connection, &request)) {
    closesocket(connection);
    return;
  }
  Action action;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (script_.empty()) {
      action = default_action_;
    } else {
      action = std::move(script_.front());
      script_.pop_front();
    }
    requests_.push_back(request);
    if (action.kind == Action::Kind::kStall)
      stalled_.push_back(connection);
  }
  changed_.notify_all();
  if (Answer(connection, request, action))
    closesocket(connection);
}

namespace {

bool SendAll(SOCKET connection, const char* data, size_t size) {
  while (size > 0) {
    int chunk = static_cast<int>(std::min<size_t>(size, 1 << 20));
    int sent = send(connection, data, chunk, 0);
    if (sent <= 0)
      return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

// The N of "bytes=N-", or -1.
int64_t RangeStart(const std::string& range) {
  if (range.rfind("bytes=", 0) != 0 || range.back() != '-')
    return -1;
  return _strtoi64(range.c_str() + 6, nullptr, 10);
}

}  // namespace

bool LoopbackHttpServer::Stopping() const {
  return WaitForSingleObject(stop_event_, 0) == WAIT_OBJECT_0;
}

bool LoopbackHttpServer::SendBody(SOCKET connection, std::string_view body, size_t offset,
                                  const Action& action) {
  if (action.kind == Action::Kind::kEndless) {
    while (!body.empty() && !Stopping()) {
      if (!SendAll(connection, body.data(), body.size()))
        return false;
    }
    return false;
  }
  const size_t at_once =
      action.trickle_bytes == 0
          ? body.size()
          : std::min(body.size(), action.trickle_from - std::min(action.trickle_from, offset));
  if (!SendAll(connection, body.data(), at_once))
    return false;
  for (size_t at = at_once; at < body.size(); at += action.trickle_bytes) {
    if (Stopping() ||
        !SendAll(connection, body.data() + at, std::min(action.trickle_bytes, body.size() - at))) {
      return false;
    }
    if (WaitForSingleObject(stop_event_,
                            static_cast<DWORD>(action.trickle_interval.InMilliseconds())) ==
        WAIT_OBJECT_0) {
      return false;
    }
  }
  return true;
}

bool LoopbackHttpServer::Answer(SOCKET connection, const Request& request, const Action& action) {
  int status = action.status;
  std::string headers = action.headers;
  std::string_view body = action.body;
  size_t offset = 0;
  switch (action.kind) {
    case Action::Kind::kStall:
      return false;
    case Action::Kind::kCloseEarly:
      return true;
    case Action::Kind::kEndless:
      break;
    case Action::Kind::kEcho:
      body = request.body;
      break;
    case Action::Kind::kResource: {
      int64_t from = action.ignore_range ? -1 : RangeStart(request.Header("Range"));
      if (from >= 0 && from <= static_cast<int64_t>(body.size())) {
        status = 206;
        headers += "Content-Range: bytes " + std::to_string(from) + "-" +
                   std::to_string(body.size() - 1) + "/" + std::to_string(body.size()) + "\r\n";
        body = body.substr(static_cast<size_t>(from));
        offset = static_cast<size_t>(from);
      }
      break;
    }
    case Action::Kind::kStatus:
      break;
  }
  std::string head = "HTTP/1.1 " + std::to_string(status) + " Scripted\r\nConnection: close\r\n";
  const int64_t length =
      action.declared_length >= 0 ? action.declared_length : static_cast<int64_t>(body.size());
  if (action.chunked)
    head += "Transfer-Encoding: chunked\r\n";
  else if (action.kind != Action::Kind::kEndless)
    head += "Content-Length: " + std::to_string(length) + "\r\n";
  head += headers + "\r\n";
  size_t to_send = body.size();
  if (action.cut_after >= 0)
    to_send = std::min<size_t>(to_send, static_cast<size_t>(action.cut_after));
  bool sent = SendAll(connection, head.data(), head.size());
  if (action.chunked) {
    for (size_t at = 0; sent && at < to_send; at += 4096) {
      size_t piece = std::min<size_t>(4096, to_send - at);
      char size_line[32];
      snprintf(size_line, sizeof(size_line), "%zx\r\n", piece);
      sent = SendAll(connection, size_line, strlen(size_line)) &&
             SendAll(connection, body.data() + at, piece) && SendAll(connection, "\r\n", 2);
    }
    if (sent && action.cut_after < 0)
      SendAll(connection, "0\r\n\r\n", 5);
  } else if (sent) {
    SendBody(connection, body.substr(0, to_send), offset, action);
  }
  if (action.cut_after >= 0 && action.cut_ending == Action::CutEnding::kStall) {
    std::lock_guard<std::mutex> lock(mutex_);
    stalled_.push_back(connection);
    return false;
  }
  if (action.cut_after >= 0 && action.cut_ending == Action::CutEnding::kReset) {
    linger hard = {1, 0};
    setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard),
               sizeof(hard));
    return true;
  }
  shutdown(connection, SD_SEND);
  return true;
}
