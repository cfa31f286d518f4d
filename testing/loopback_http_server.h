#ifndef TESTING_LOOPBACK_HTTP_SERVER_H_
#define TESTING_LOOPBACK_HTTP_SERVER_H_

#include <winsock2.h>

#include <stdint.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/time/time.h"

// A small HTTP server on an ephemeral loopback port, answering each request
// as scripted and keeping what it received. One connection is served at a
// time unless set_concurrent says otherwise; every answer closes its
// connection. Besides honest answers it plays
// the servers a download must survive: cut, reset or stalled bodies, Range
// ignored, a lying Content-Length, an endless body and a slow trickle.
class LoopbackHttpServer {
 public:
  struct Action {
    enum class Kind {
      kStatus,      // Answer with |status|, |headers| and |body|, then close.
      kResource,    // Serve |body| as a resource: a "Range: bytes=N-" request
                    // gets 206 with Content-Range unless |ignore_range|.
      kEcho,        // 200 with the request's own body.
      kCloseEarly,  // Close without answering once the request is read.
      kStall,       // Never answer; the connection stays open until Stop.
      kEndless,     // 200 without a length, then |body| over and over until
                    // the client goes or Stop.
    };
    Kind kind = Kind::kStatus;
    int status = 201;
    // Extra header lines of the answer ("Location: ...\r\n").
    std::string headers;
    std::string body;
    bool ignore_range = false;
    // Sent with "Transfer-Encoding: chunked" instead of a length.
    bool chunked = false;
    // When not negative: the Content-Length sent, whatever the body is.
    int64_t declared_length = -1;
    // When not zero: the body beyond byte |trickle_from| (of the whole body,
    // whatever the Range) goes out |trickle_bytes| at a time, one piece per
    // |trickle_interval|.
    size_t trickle_bytes = 0;
    base::TimeDelta trickle_interval;
    size_t trickle_from = 0;
    // When not negative: only this many body bytes are sent (the declared
    // length stays the whole), then the connection ends as |cut_ending|.
    int64_t cut_after = -1;
    enum class CutEnding { kClose, kReset, kStall };
    CutEnding cut_ending = CutEnding::kClose;
  };
  struct Request {
    std::string method;
    std::string path;
    std::string headers;
    std::string body;
    // The value of a request header (case of the name ignored), or empty.
    std::string Header(const std::string& name) const;
  };

  static Action Status(int status, std::string headers = std::string(),
                       std::string body = std::string());
  static Action Resource(std::string body);
  static Action Echo();
  static Action CloseEarly();
  static Action Stall();
  static Action Endless(std::string piece);
  // |body| as a resource whose answer ends after |after| bytes, as |ending|
  // says; with |ignore_range| every answer is the whole body from byte 0.
  static Action Cut(std::string body, int64_t after, Action::CutEnding ending,
                    bool ignore_range = false);
  static Action Trickle(std::string body, size_t bytes, base::TimeDelta interval);

  LoopbackHttpServer();
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // False when no socket could be bound.
  bool Start();
  void Stop();
  uint16_t port() const { return port_; }
  // "http://localhost:<port>" + path, or with |host| in place of localhost.
  std::string Url(const std::string& path, const std::string& host = "localhost") const;

  // Before Start: each connection gets a thread of its own, so that one
  // still being answered (slowly) does not hold up the next.
  void set_concurrent(bool concurrent) { concurrent_ = concurrent; }

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
  // Sends the answer of |action|; false when the connection is to stay open.
  bool Answer(SOCKET connection, const Request& request, const Action& action);
  // False when the client went away or the server stops.
  // |offset|: where |body| starts in the action's whole body.
  bool SendBody(SOCKET connection, std::string_view body, size_t offset, const Action& action);
  bool Stopping() const;

  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::thread thread_;
  bool concurrent_ = false;
  std::vector<std::thread> connection_threads_;
  HANDLE stop_event_ = nullptr;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Action> script_;
  Action default_action_;
  std::vector<Request> requests_;
  std::vector<SOCKET> stalled_;
  bool started_wsa_ = false;
};

#endif  // TESTING_LOOPBACK_HTTP_SERVER_H_
