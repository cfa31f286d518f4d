#include "crash_reporter/test_support/loopback_http_server.h"

#include <ws2tcpip.h>
#include <zlib.h>

#include <cstdlib>

#include "crash_reporter/crash_product_values.h"

namespace crash_reporter {
namespace {

constexpr DWORD kPollMs = 50;
constexpr DWORD kClientTimeoutMs = 10000;

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(int status) : status_(status) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  if (listener_ == INVALID_SOCKET ||
      bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener_, 8) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  received_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, &LoopbackHttpServer::ThreadProc, this, 0, nullptr);
}

LoopbackHttpServer::~LoopbackHttpServer() {
  if (thread_) {
    SetEvent(stop_);
    WaitForSingleObject(thread_, kClientTimeoutMs + 1000);
    CloseHandle(thread_);
  }
  if (listener_ != INVALID_SOCKET)
    closesocket(listener_);
  for (HANDLE handle : {stop_, received_}) {
    if (handle)
      CloseHandle(handle);
  }
  WSACleanup();
}

std::wstring LoopbackHttpServer::url() const {
  return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/submit";
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::WaitForRequests(size_t count,
                                                                             DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  while (true) {
    {
      AcquireSRWLockExclusive(&lock_);
      std::vector<Request> copy = requests_;
      ReleaseSRWLockExclusive(&lock_);
      if (copy.size() >= count || GetTickCount64() >= deadline)
        return copy;
    }
    WaitForSingleObject(received_, kPollMs);
  }
}

DWORD WINAPI LoopbackHttpServer::ThreadProc(void* self) {
  static_cast<LoopbackHttpServer*>(self)->Serve();
  return 0;
}

void LoopbackHttpServer::Serve() {
  while (WaitForSingleObject(stop_, 0) != WAIT_OBJECT_0) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    timeval wait = {0, static_cast<long>(kPollMs * 1000)};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
      continue;
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET)
      continue;
    DWORD timeout = kClientTimeoutMs;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<char*>(&timeout),
               sizeof(timeout));
    ServeOne(client);
    closesocket(client);
  }
}

void LoopbackHttpServer::ServeOne(SOCKET client) {
  std::string data;
  char buffer[8192];
  size_t head_end = std::string::npos;
  size_t wanted = 0;
  while (true) {
    if (head_end == std::string::npos) {
      head_end = data.find("\r\n\r\n");
      if (head_end != std::string::npos) {
        std::string head = data.substr(0, head_end);
        for (char& c : head)
          c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        size_t length = head.find("content-length:");
        wanted = length == std::string::npos ? 0 : strtoul(head.c_str() + length + 15, nullptr, 10);
      }
    }
    if (head_end != std::string::npos && data.size() >= head_end + 4 + wanted)
      break;
    int received = recv(client, buffer, sizeof(buffer), 0);
    if (received <= 0)
      return;
    data.append(buffer, received);
  }
  // Recorded before the answer: a client that has its answer (and a process
  // that ended after it) is sure to find its request in the list.
  AcquireSRWLockExclusive(&lock_);
  requests_.push_back({data.substr(0, head_end), data.substr(head_end + 4, wanted)});
  ReleaseSRWLockExclusive(&lock_);
  SetEvent(received_);
  std::string answer = "HTTP/1.1 " + std::to_string(status_) +
                       " Answer\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
  send(client, answer.data(), static_cast<int>(answer.size()), 0);
}

void SetTestCrashProductValues() {
  CrashProductValues values;
  values.product_name = "Tarvo";
  values.upload_product_name = "TarvoInstaller";
  values.version = "51.0.2802.0";
  values.channel_name = "developer";
  values.channel = 2;
  values.build_timestamp = "20171210_190013";
  values.build_number = 931610;
  values.build_revision = 317950;
  values.company_name = "TarvoCrashTest";
  values.crash_server_url = "http://127.0.0.1:1/none";
  SetCrashProductValues(values);
}

std::string Gunzip(const std::string& data) {
  z_stream stream = {};
  if (inflateInit2(&stream, 15 + 16) != Z_OK)
    return std::string();
  std::string out;
  char buffer[65536];
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof(buffer);
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof(buffer) - stream.avail_out);
  }
  inflateEnd(&stream);
  return result == Z_STREAM_END ? out : std::string();
}

}  // namespace crash_reporter
