#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_NETWORK_THREAD_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_NETWORK_THREAD_H_

#include <stdint.h>

#include <atomic>
#include <list>
#include <memory>
#include <string>

#include "base/callback.h"
#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"
#include "base/threading/thread.h"
#include "base/time/time.h"
#include "desktop/windows/installer/avro_stats/avro_message_context.h"
#include "desktop/windows/installer/avro_stats/sender_statistics.h"

class AvroRequestHeaders;
class InstallerEvent;
struct CrackedUrl;

// Where and how the statistics messages go.
enum class AvroSenderMode : uint32_t {
  kProduction = 0,
  // Plain HTTP to the local test endpoint (switch "test-avro-srv").
  kTestServer = 1,
};

struct AvroEndpoint {
  std::wstring host;
  uint16_t port = 0;
  std::wstring path;
  bool secure = false;
};

inline constexpr wchar_t kAvroProductionHost[] = L"installer-stats.tarvo.example";
inline constexpr uint16_t kAvroProductionPort = 443;
inline constexpr wchar_t kAvroTestServerHost[] = L"127.0.0.1";
inline constexpr uint16_t kAvroTestServerPort = 9000;
inline constexpr wchar_t kAvroMessagePath[] = L"/v1/binary";

// The endpoint of |mode|.
AvroEndpoint GetAvroEndpoint(AvroSenderMode mode);

// Points the test endpoint at another loopback port (0 restores the default).
void SetAvroTestServerPortForTesting(uint16_t port);

// The delay before the retry that follows failure number |retry_count|
// (1 to 4): 400 ms times 2 to the power of the count.
base::TimeDelta GetAvroRetryDelay(uint32_t retry_count);

struct AvroNetworkOptions {
  AvroEndpoint endpoint;
  base::RepeatingCallback<base::TimeDelta(uint32_t)> retry_delay;
  // Connect, send and receive timeout of every request.
  base::TimeDelta request_timeout = base::TimeDelta::FromSeconds(5);
  // Events handed over within this time reach the thread together: a burst
  // of events costs one wake-up instead of one each.
  base::TimeDelta hand_over_delay = base::TimeDelta::FromMilliseconds(10);
  // How long the final flush may wait for the server, all its requests
  // together (not the waits between retries); what is left then is dumped
  // and the request under way is closed (Wine lets it run to its own time
  // limit).
  base::TimeDelta flush_deadline = base::TimeDelta::FromSeconds(5);
  // Sends the opened WinINet |request| with |headers| and |body|;
  // HttpSendRequestW when empty. Tests replace it to see what is sent.
  base::RepeatingCallback<bool(void* request,
                               const AvroRequestHeaders& headers,
                               const std::string& body)>
      send_request;
  // Runs with the headers once they are wiped after the send, before their
  // memory is freed (tests).
  base::RepeatingCallback<void(const AvroRequestHeaders& headers)> headers_wiped;
};

// The defaults for |endpoint|: the real retry delays and time limits.
AvroNetworkOptions MakeAvroNetworkOptions(const AvroEndpoint& endpoint);

// The statistics sender's own thread: it queues the events, and posts them
// one at a time in queue order, retrying with growing delays and dumping
// the queue after repeated failures. Destroying it flushes the queue (the
// server's time bounded by the flush deadline), so destroy it where waiting
// is allowed.
class AvroNetworkThread {
 public:
  AvroNetworkThread(std::unique_ptr<AvroMessageContext> context, AvroNetworkOptions options);
  ~AvroNetworkThread();
  AvroNetworkThread(const AvroNetworkThread&) = delete;
  AvroNetworkThread& operator=(const AvroNetworkThread&) = delete;

  // Any thread.
  void SendAvroMessage(std::unique_ptr<InstallerEvent> event);
  void SetTrafficAllowed(bool allowed);

 private:
  using EventQueue = std::list<std::unique_ptr<InstallerEvent>>;

  // Network thread.
  void OpenSession();
  void CloseSession();
  void Enqueue();
  // Moves the handed-over events to the queue; true when there were any.
  bool TakeInFlight();
  void ApplyTrafficAllowed(bool allowed);
  void StartShutdown();
  void AbandonQueue();
  void SendPending();
  bool SendOverHttp(const InstallerEvent& event);
  enum class Answer { kDelivered, kFailed, kRedirected };
  // POSTs |body| to |url|; a redirect that keeps the message gives its
  // |location|.
  Answer Post(const CrackedUrl& url, const std::string& body, std::wstring* location);
  Answer PostOnce(const CrackedUrl& url, const std::string& body, std::wstring* location);
  // Tells a waiting flush that a request starts or ends.
  void MarkRequest(bool started);
  void DumpQueue();
  // Tells the waiting destructor whether anything is left to send.
  void UpdateBusy();
  // Time the requests took since the flush began; under |lock_|.
  base::TimeDelta FlushTimeInRequests() const;
  // Any thread: closes the request under way, which ends a blocked send.
  void CancelRequestInFlight();
  SenderStatistics TakeStatistics();

  base::Thread thread_;
  const AvroNetworkOptions options_;
  std::unique_ptr<AvroMessageContext> context_;

  // Network thread only.
  uint32_t retry_counter_ = 0;
  bool retry_pending_ = false;
  EventQueue queue_;
  bool traffic_allowed_ = false;
  bool shutting_down_ = false;
  uint32_t dumps_total_ = 0;
  uint32_t dumped_messages_total_ = 0;
  uint32_t successfully_sent_total_ = 0;
  uint32_t send_attempts_total_ = 0;
  void* session_ = nullptr;

  // Set once the flush deadline passed: the loop stops after the request
  // under way and dumps the rest.
  std::atomic<bool> abandoned_{false};

  // The request under way; closed by whoever clears it.
  base::Lock request_lock_;
  void* current_request_ = nullptr;

  base::Lock lock_;
  base::ConditionVariable drained_{&lock_};
  // Guarded by |lock_|.
  bool busy_ = false;
  // Events handed over but not yet queued; one posted task moves them all,
  // so a burst of events costs one wake-up of the thread.
  EventQueue in_flight_;
  uint32_t messages_total_ = 0;
  // When the request under way started (null: none), when the flush began
  // (null: not yet) and what the requests since then took.
  base::TimeTicks request_started_;
  base::TimeTicks flush_started_;
  base::TimeDelta flush_time_in_requests_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_NETWORK_THREAD_H_
