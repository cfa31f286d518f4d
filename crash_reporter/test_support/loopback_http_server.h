#ifndef CRASH_REPORTER_TEST_SUPPORT_LOOPBACK_HTTP_SERVER_H_
#define CRASH_REPORTER_TEST_SUPPORT_LOOPBACK_HTTP_SERVER_H_

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

namespace crash_reporter {

// A one-thread HTTP server on 127.0.0.1 and an ephemeral port that
// records every request and answers each with a fixed status.
class LoopbackHttpServer {
 public:
  struct Request {
    std::string head;  // request line and headers
    std::string body;
  };

  explicit LoopbackHttpServer(int status);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  bool started() const { return thread_ != nullptr; }
  std::wstring url() const;
  // Waits up to `timeout_ms` for `count` requests; the requests so far.
  std::vector<Request> WaitForRequests(size_t count, DWORD timeout_ms);

 private:
  static DWORD WINAPI ThreadProc(void* self);
  void Serve();
  void ServeOne(SOCKET client);

  const int status_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  HANDLE thread_ = nullptr;
  HANDLE stop_ = nullptr;
  HANDLE received_ = nullptr;
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::vector<Request> requests_;
};

// The product values the tests use.
void SetTestCrashProductValues();

// The gunzipped `data`; empty on failure.
std::string Gunzip(const std::string& data);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_TEST_SUPPORT_LOOPBACK_HTTP_SERVER_H_
