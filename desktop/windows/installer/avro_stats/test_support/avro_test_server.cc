#include "desktop/windows/installer/avro_stats/test_support/avro_test_server.h"

#include <ws2tcpip.h>

#include <chrono>
#include <cstdlib>
#include <utility>

#include "base/strings/string_util.h"

namespace {

// Reads until the whole request (headers and Content-Length body) is in, the
// peer closes, or a read times out.
bool ReadRequest(SOCKET connection, AvroTestServer::Request* request) {
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

AvroTestServer::Action AvroTestServer::Status(int status, std::string headers) {
  Action action;
  action.kind = Action::Kind::kStatus;
  action.status = status;
  action.headers = std::move(headers);
  return action;
}

AvroTestServer::Action AvroTestServer::CloseEarly() {
  Action action;
  action.kind = Action::Kind::kCloseEarly;
  return action;
}

AvroTestServer::Action AvroTestServer::Stall() {
  Action action;
  action.kind = Action::Kind::kStall;
  return action;
}

AvroTestServer::AvroTestServer() = default;

AvroTestServer::~AvroTestServer() {
  Stop();
}

bool AvroTestServer::Start() {
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
  thread_ = std::thread(&AvroTestServer::Serve, this);
  return true;
}

void AvroTestServer::Stop() {
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

void AvroTestServer::Script(std::vector<Action> actions) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Action& action : actions)
    script_.push_back(std::move(action));
}

void AvroTestServer::SetDefaultAction(Action action) {
  std::lock_guard<std::mutex> lock(mutex_);
  default_action_ = std::move(action);
}

bool AvroTestServer::WaitForRequests(size_t count, base::TimeDelta timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout.InMilliseconds()),
                           [&] { return requests_.size() >= count; });
}

std::vector<AvroTestServer::Request> AvroTestServer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

size_t AvroTestServer::request_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_.size();
}

void AvroTestServer::Serve() {
  while (WaitForSingleObject(stop_event_, 0) != WAIT_OBJECT_0) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    timeval wait = {0, 20000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
      continue;
    SOCKET connection = accept(listener_, nullptr, nullptr);
    if (connection != INVALID_SOCKET)
      Handle(connection);
  }
}

void AvroTestServer::Handle(SOCKET connection) {
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
    requests_.push_back(std::move(request));
    if (action.kind == Action::Kind::kStall)
      stalled_.push_back(connection);
  }
  changed_.notify_all();
  switch (action.kind) {
    case Action::Kind::kStall:
      return;
    case Action::Kind::kCloseEarly:
      break;
    case Action::Kind::kStatus: {
      std::string answer = "HTTP/1.1 " + std::to_string(action.status) +
                           " Scripted\r\nContent-Length: 0\r\nConnection: close\r\n" +
                           action.headers + "\r\n";
      send(connection, answer.data(), static_cast<int>(answer.size()), 0);
      shutdown(connection, SD_SEND);
      break;
    }
  }
  closesocket(connection);
}
