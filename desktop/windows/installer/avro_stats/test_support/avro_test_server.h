#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_TEST_SUPPORT_AVRO_TEST_SERVER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_TEST_SUPPORT_AVRO_TEST_SERVER_H_

#include <winsock2.h>

#include <stdint.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/time/time.h"

// A small HTTP server on an ephemeral loopback port, answering each request
// as scripted and keeping what it received.
class AvroTestServer {
 public:
  struct Action {
    enum class Kind {
      kStatus,      // Answer with |status| and close.
      kCloseEarly,  // Close without answering once the request is read.
      kStall,       // Never answer; the connection stays open until Stop.
    };
    Kind kind = Kind::kStatus;
    int status = 201;
    // Extra header lines of the answer ("Location: ...\r\n").
    std::string headers;
  };
  struct Request {
    std::string method;
    std::string path;
    std::string headers;
    std::string body;
  };

  static Action Status(int status, std::string headers = std::string());
  static Action CloseEarly();
  static Action Stall();

  AvroTestServer();
  ~AvroTestServer();
  AvroTestServer(const AvroTestServer&) = delete;
  AvroTestServer& operator=(const AvroTestServer&) = delete;

  // False when no socket could be bound.
  bool Start();
  void Stop();
  uint16_t port() const { return port_; }

  // Answers for the next requests, in order; once used up every request
  // gets |default_action|.
  void Script(std::vector<Action> actions);
  void SetDefaultAction(Action action);

  // Waits until at least |count| requests were read; false on time-out.
  bool WaitForRequests(size_t count, base::TimeDelta timeout);
  std::vector<Request> requests() const;
  size_t request_count() const;

 private:
  void Serve();
  void Handle(SOCKET connection);

  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::thread thread_;
  HANDLE stop_event_ = nullptr;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Action> script_;
  Action default_action_;
  std::vector<Request> requests_;
  std::vector<SOCKET> stalled_;
  bool started_wsa_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_TEST_SUPPORT_AVRO_TEST_SERVER_H_
