#include "desktop/windows/installer/avro_stats/avro_stats_sender_impl.h"

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/strings/string_split.h"
#include "base/task_scheduler/task_scheduler.h"
#include "base/time/time.h"
#include "desktop/windows/installer/avro_stats/avro_message_context.h"
#include "desktop/windows/installer/avro_stats/avro_request_headers.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/avro_stats/sender_statistics.h"
#include "testing/loopback_http_server.h"
#include "gtest/gtest.h"

namespace {

const base::TimeDelta kWait = base::TimeDelta::FromSeconds(10);
const base::TimeDelta kFlushDeadline = base::TimeDelta::FromSeconds(30);

// Sends "name|description|dumped|dumps|messages|attempts|sent" as the body,
// so that tests read the counters without a decoder.
class TextMessageContext : public AvroMessageContext {
 public:
  void Serialize(std::string* output,
                 const InstallerEvent& event,
                 const SenderStatistics& s) override {
    *output = event.GetName() + "|" + std::to_string(event.message_session_id()) + "|" +
              std::to_string(s.dumped_messages_total) + "|" + std::to_string(s.dumps_total) +
              "|" + std::to_string(s.messages_total) + "|" +
              std::to_string(s.send_attempts_total) + "|" +
              std::to_string(s.successfully_sent_total);
  }
};

struct Body {
  std::string name;
  int session_id;
  uint32_t dumped_messages_total, dumps_total, messages_total, send_attempts_total,
      successfully_sent_total;
};

Body ParseBody(const std::string& text) {
  std::vector<std::string> parts =
      base::SplitString(text, "|", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL);
  Body body = {};
  if (parts.size() != 7) {
    ADD_FAILURE() << "unexpected body " << text;
    return body;
  }
  body.name = parts[0];
  body.session_id = std::stoi(parts[1]);
  body.dumped_messages_total = std::stoul(parts[2]);
  body.dumps_total = std::stoul(parts[3]);
  body.messages_total = std::stoul(parts[4]);
  body.send_attempts_total = std::stoul(parts[5]);
  body.successfully_sent_total = std::stoul(parts[6]);
  return body;
}

std::unique_ptr<InstallerEvent> Step(const std::string& name) {
  return std::make_unique<InstallerStepStartingEvent>(name, 1);
}

class AvroStatsSenderImplTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    base::TaskScheduler::Create("avro_test");
    const base::SchedulerWorkerPoolParams one(1, base::TimeDelta::FromSeconds(30));
    base::TaskScheduler::GetInstance()->Start({one, one, one, one});
  }
  void TearDown() override {
    sender_.reset();
    server_.Stop();
    base::TaskScheduler::GetInstance()->Shutdown();
    base::TaskScheduler::GetInstance()->JoinForTesting();
    base::TaskScheduler::SetInstance(nullptr);
  }

  AvroNetworkOptions Options(uint16_t port) {
    AvroNetworkOptions options;
    options.endpoint = {L"127.0.0.1", port, L"/v1/binary", false};
    options.retry_delay = base::BindRepeating(
        [](std::vector<uint32_t>* counts, std::mutex* mutex, uint32_t count) {
          std::lock_guard<std::mutex> lock(*mutex);
          counts->push_back(count);
          return base::TimeDelta::FromMilliseconds(10);
        },
        &retry_counts_, &retry_mutex_);
    // Only a stalled server reaches these; the loopback server answers at
    // once, but a loaded machine may take seconds to let it.
    options.request_timeout = base::TimeDelta::FromSeconds(10);
    options.flush_deadline = kFlushDeadline;
    return options;
  }

  void MakeSender(int32_t max_level = 1) {
    sender_ = std::make_unique<AvroStatsSenderImpl>(std::make_unique<TextMessageContext>(),
                                                    Options(server_.port()), max_level);
  }

  // Shuts the sender down and runs the loop until its closure arrives.
  void ShutDownAndWait() {
    base::RunLoop run_loop;
    sender_->SendPendingAndShutdown(run_loop.QuitClosure());
    run_loop.Run();
  }

  std::vector<Body> Bodies() {
    std::vector<Body> bodies;
    for (const LoopbackHttpServer::Request& request : server_.requests())
      bodies.push_back(ParseBody(request.body));
    return bodies;
  }

  std::vector<uint32_t> RetryCounts() {
    std::lock_guard<std::mutex> lock(retry_mutex_);
    return retry_counts_;
  }

  base::MessageLoop message_loop_;
  LoopbackHttpServer server_;
  std::mutex retry_mutex_;
  std::vector<uint32_t> retry_counts_;
  std::unique_ptr<AvroStatsSenderImpl> sender_;
};

TEST_F(AvroStatsSenderImplTest, HeldUntilTrafficAllowedThenSentInOrder) {
  MakeSender();
  sender_->Send(Step("a"));
  sender_->Send(Step("b"));
  sender_->Send(Step("c"));
  EXPECT_FALSE(server_.WaitForRequests(1, base::TimeDelta::FromMilliseconds(300)));

  sender_->SetTrafficAllowed(true);
  ASSERT_TRUE(server_.WaitForRequests(3, kWait));
  std::vector<LoopbackHttpServer::Request> requests = server_.requests();
  EXPECT_EQ("POST", requests[0].method);
  EXPECT_EQ("/v1/binary", requests[0].path);
  std::vector<Body> bodies = Bodies();
  ASSERT_EQ(3u, bodies.size());
  EXPECT_LT(bodies[0].session_id, bodies[1].session_id);
  EXPECT_LT(bodies[1].session_id, bodies[2].session_id);
  // The first message carries no attempt yet, but every accepted event.
  EXPECT_EQ(0u, bodies[0].send_attempts_total);
  EXPECT_EQ(3u, bodies[0].messages_total);
  EXPECT_EQ(2u, bodies[2].send_attempts_total);
  EXPECT_EQ(2u, bodies[2].successfully_sent_total);
  ShutDownAndWait();
  EXPECT_EQ(3u, server_.request_count());
}

TEST_F(AvroStatsSenderImplTest, Answers201And403AreDeliveredOthersRetried) {
  server_.Script({LoopbackHttpServer::Status(403), LoopbackHttpServer::Status(200),
                  LoopbackHttpServer::Status(201)});
  MakeSender();
  sender_->SetTrafficAllowed(true);
  sender_->Send(Step("refused"));
  sender_->Send(Step("accepted"));
  ASSERT_TRUE(server_.WaitForRequests(3, kWait));
  ShutDownAndWait();
  std::vector<Body> bodies = Bodies();
  ASSERT_EQ(3u, bodies.size());
  // 403: not retried. 200 is no delivery: the same message again.
  EXPECT_EQ(bodies[1].session_id, bodies[2].session_id);
  EXPECT_NE(bodies[0].session_id, bodies[1].session_id);
  EXPECT_EQ(1u, bodies[2].successfully_sent_total);
  EXPECT_EQ(std::vector<uint32_t>({1}), RetryCounts());
}

TEST_F(AvroStatsSenderImplTest, FifthFailureInARowDumpsTheQueue) {
  server_.SetDefaultAction(LoopbackHttpServer::Status(500));
  MakeSender();
  sender_->Send(Step("a"));
  sender_->Send(Step("b"));
  sender_->SetTrafficAllowed(true);
  ASSERT_TRUE(server_.WaitForRequests(5, kWait));
  EXPECT_FALSE(server_.WaitForRequests(6, base::TimeDelta::FromMilliseconds(300)));
  EXPECT_EQ(std::vector<uint32_t>({1, 2, 3, 4}), RetryCounts());

  // The next event starts afresh and reports the dump.
  server_.SetDefaultAction(LoopbackHttpServer::Status(201));
  sender_->Send(Step("c"));
  ASSERT_TRUE(server_.WaitForRequests(6, kWait));
  Body last = Bodies().back();
  EXPECT_EQ("installer_step_starting", last.name);
  EXPECT_EQ(1u, last.dumps_total);
  EXPECT_EQ(2u, last.dumped_messages_total);
  EXPECT_EQ(5u, last.send_attempts_total);
  EXPECT_EQ(3u, last.messages_total);
  ShutDownAndWait();
}

// Only a new event restarts the count of failures, not a success: four
// failures, a success, and the next failure is the fifth since the events
// were queued, so what is left is dumped instead of retried.
TEST_F(AvroStatsSenderImplTest, SuccessDoesNotRestartTheRetries) {
  server_.Script({LoopbackHttpServer::Status(500), LoopbackHttpServer::Status(500),
                  LoopbackHttpServer::Status(500), LoopbackHttpServer::Status(500),
                  LoopbackHttpServer::Status(201), LoopbackHttpServer::Status(500),
                  LoopbackHttpServer::Status(201)});
  MakeSender();
  sender_->Send(Step("a"));
  sender_->Send(Step("b"));
  sender_->Send(Step("c"));
  sender_->SetTrafficAllowed(true);
  ASSERT_TRUE(server_.WaitForRequests(6, kWait));
  EXPECT_FALSE(server_.WaitForRequests(7, base::TimeDelta::FromMilliseconds(300)));
  // A later event is sent and tells what became of the others.
  sender_->Send(Step("d"));
  ASSERT_TRUE(server_.WaitForRequests(7, kWait));
  ShutDownAndWait();
  EXPECT_EQ(std::vector<uint32_t>({1, 2, 3, 4}), RetryCounts());
  std::vector<Body> bodies = Bodies();
  ASSERT_EQ(7u, bodies.size());
  EXPECT_EQ("installer_step_starting", bodies[6].name);
  EXPECT_EQ(1u, bodies[6].successfully_sent_total);
  EXPECT_EQ(1u, bodies[6].dumps_total);
  EXPECT_EQ(2u, bodies[6].dumped_messages_total);
}

// Each new event restarts the count of failures: one queued after four
// failures gives the queue five more attempts before it is dumped.
TEST_F(AvroStatsSenderImplTest, EventQueuedAfterFourFailuresRestartsTheRetries) {
  server_.SetDefaultAction(LoopbackHttpServer::Status(500));
  AvroNetworkOptions options = Options(server_.port());
  options.hand_over_delay = base::TimeDelta();
  auto* self = this;
  options.retry_delay = base::BindRepeating(
      [](decltype(self) test, uint32_t count) {
        {
          std::lock_guard<std::mutex> lock(test->retry_mutex_);
          test->retry_counts_.push_back(count);
        }
        // After the fourth failure, while its retry waits: the hand-over
        // (due at once) is queued before the retry runs.
        if (test->RetryCounts().size() == 4)
          test->sender_->Send(Step("late"));
        return base::TimeDelta::FromMilliseconds(50);
      },
      self);
  sender_ = std::make_unique<AvroStatsSenderImpl>(std::make_unique<TextMessageContext>(),
                                                  std::move(options), 1);
  sender_->Send(Step("first"));
  sender_->SetTrafficAllowed(true);
  ASSERT_TRUE(server_.WaitForRequests(9, kWait));
  EXPECT_FALSE(server_.WaitForRequests(10, base::TimeDelta::FromMilliseconds(300)));
  // The failure after the hand-over is the first of a new count: retried
  // after the shortest delay, and the queue lives on for four more retries.
  EXPECT_EQ(std::vector<uint32_t>({1, 2, 3, 4, 1, 2, 3, 4}), RetryCounts());
  std::vector<Body> bodies = Bodies();
  ASSERT_EQ(9u, bodies.size());
  for (const Body& body : bodies) {
    EXPECT_EQ(bodies[0].session_id, body.session_id);  // Always the head.
    EXPECT_EQ(0u, body.dumps_total);
  }
  EXPECT_EQ(2u, bodies[8].messages_total);

  // The ninth failure dumped both; the next event reports it.
  server_.SetDefaultAction(LoopbackHttpServer::Status(201));
  sender_->Send(Step("next"));
  ASSERT_TRUE(server_.WaitForRequests(10, kWait));
  Body last = Bodies().back();
  EXPECT_EQ(bodies[0].session_id + 2, last.session_id);
  EXPECT_EQ(1u, last.dumps_total);
  EXPECT_EQ(2u, last.dumped_messages_total);
  EXPECT_EQ(9u, last.send_attempts_total);
  ShutDownAndWait();
}

// The header text reaches the server, and the buffer handed to the send is
// wiped after a failed send, a failed answer and a delivery alike.
TEST_F(AvroStatsSenderImplTest, HeadersAreWipedAfterEverySend) {
  server_.Script({LoopbackHttpServer::Status(500), LoopbackHttpServer::Status(201)});
  struct Seen {
    std::mutex mutex;
    std::vector<const wchar_t*> sent_buffers;
    std::vector<std::wstring> sent_texts;
    std::vector<const wchar_t*> wiped_buffers;
    std::vector<std::wstring> wiped_texts;
  } seen;
  AvroNetworkOptions options = Options(server_.port());
  options.send_request = base::BindRepeating(
      [](Seen* seen, void* request, const AvroRequestHeaders& headers, const std::string& body) {
        size_t call;
        {
          std::lock_guard<std::mutex> lock(seen->mutex);
          seen->sent_buffers.push_back(headers.text());
          seen->sent_texts.emplace_back(headers.text(), headers.length());
          call = seen->sent_buffers.size();
        }
        if (call == 1)
          return false;  // The send itself fails.
        return HttpSendRequestW(static_cast<HINTERNET>(request), headers.text(),
                                static_cast<DWORD>(headers.length()),
                                const_cast<char*>(body.data()),
                                static_cast<DWORD>(body.size())) != FALSE;
      },
      &seen);
  options.headers_wiped = base::BindRepeating(
      [](Seen* seen, const AvroRequestHeaders& headers) {
        std::lock_guard<std::mutex> lock(seen->mutex);
        seen->wiped_buffers.push_back(headers.text());
        seen->wiped_texts.emplace_back(headers.text());
      },
      &seen);
  sender_ = std::make_unique<AvroStatsSenderImpl>(std::make_unique<TextMessageContext>(),
                                                  std::move(options), 1);
  sender_->SetTrafficAllowed(true);
  sender_->Send(Step("a"));
  ShutDownAndWait();

  ASSERT_EQ(2u, server_.request_count());
  for (const LoopbackHttpServer::Request& request : server_.requests()) {
    EXPECT_EQ("avro/binary", request.Header("Content-Type"));
    EXPECT_EQ("tarvo-desktop-installer", request.Header("X-Tarvo-Stats"));
  }
  std::lock_guard<std::mutex> lock(seen.mutex);
  ASSERT_EQ(3u, seen.sent_buffers.size());
  EXPECT_EQ(seen.sent_buffers, seen.wiped_buffers);
  for (size_t i = 0; i < seen.sent_texts.size(); ++i) {
    EXPECT_EQ(L"Content-Type: avro/binary\r\nX-Tarvo-Stats: tarvo-desktop-installer\r\n",
              seen.sent_texts[i])
        << i;
    EXPECT_EQ(std::wstring(67, L'0'), seen.wiped_texts[i]) << i;
  }
}

TEST_F(AvroStatsSenderImplTest, ConnectionClosedWithoutAnswerIsRetried) {
  server_.Script({LoopbackHttpServer::CloseEarly()});
  MakeSender();
  sender_->SetTrafficAllowed(true);
  sender_->Send(Step("a"));
  ShutDownAndWait();
  std::vector<Body> bodies = Bodies();
  ASSERT_GE(bodies.size(), 2u);
  EXPECT_EQ(0u, bodies.back().dumps_total);
  EXPECT_EQ(bodies.front().session_id, bodies.back().session_id);
}

TEST_F(AvroStatsSenderImplTest, ShutdownWithoutTrafficSendsNothing) {
  MakeSender();
  sender_->Send(Step("a"));
  sender_->Send(Step("b"));
  const base::TimeTicks start = base::TimeTicks::Now();
  ShutDownAndWait();
  // Nothing may go out, so nothing is waited for: not the flush deadline.
  EXPECT_LT(base::TimeTicks::Now() - start, kFlushDeadline);
  EXPECT_EQ(0u, server_.request_count());
}

TEST_F(AvroStatsSenderImplTest, ShutdownFlushesTheQueue) {
  MakeSender();
  for (int i = 0; i < 5; ++i)
    sender_->Send(Step("step"));
  sender_->SetTrafficAllowed(true);
  ShutDownAndWait();
  EXPECT_EQ(5u, server_.request_count());

  // Afterwards events are refused; nothing more goes out.
  sender_->Send(Step("late"));
  sender_->SetTrafficAllowed(true);
  EXPECT_FALSE(server_.WaitForRequests(6, base::TimeDelta::FromMilliseconds(200)));
}

TEST_F(AvroStatsSenderImplTest, StalledServerDoesNotHoldUpShutdown) {
  server_.SetDefaultAction(LoopbackHttpServer::Stall());
  AvroNetworkOptions options = Options(server_.port());
  // Five attempts would take 15 s.
  options.request_timeout = base::TimeDelta::FromSeconds(3);
  options.flush_deadline = base::TimeDelta::FromMilliseconds(500);
  sender_ = std::make_unique<AvroStatsSenderImpl>(std::make_unique<TextMessageContext>(),
                                                  std::move(options), 1);
  sender_->SetTrafficAllowed(true);
  for (int i = 0; i < 3; ++i)
    sender_->Send(Step("stuck"));
  ASSERT_TRUE(server_.WaitForRequests(1, kWait));
  const base::TimeTicks start = base::TimeTicks::Now();
  ShutDownAndWait();
  // The deadline, plus at most what is left of the request under way (Wine
  // does not end a blocked send when its handle is closed; Windows does):
  // about 3 s, with room for a loaded machine, and well short of 15 s.
  EXPECT_LT(base::TimeTicks::Now() - start, base::TimeDelta::FromSeconds(10));
}

TEST_F(AvroStatsSenderImplTest, RefusedConnectionsCountAsFailures) {
  LoopbackHttpServer gone;
  ASSERT_TRUE(gone.Start());
  const uint16_t closed_port = gone.port();
  gone.Stop();
  sender_ = std::make_unique<AvroStatsSenderImpl>(std::make_unique<TextMessageContext>(),
                                                  Options(closed_port), 1);
  sender_->SetTrafficAllowed(true);
  sender_->Send(Step("a"));
  ShutDownAndWait();
  // Four retries, then the fifth failure dumps instead of retrying.
  EXPECT_EQ(std::vector<uint32_t>({1, 2, 3, 4}), RetryCounts());
}

// A redirect that keeps the POST takes the message to its new place; one
// that asks for a GET would deliver nothing and counts as a failure.
TEST_F(AvroStatsSenderImplTest, RedirectsThatKeepTheMessageAreFollowed) {
  struct {
    int status;
    size_t requests_here;
    size_t requests_there;
  } cases[] = {{307, 1, 1}, {308, 1, 1}, {302, 5, 0}};
  for (const auto& c : cases) {
    LoopbackHttpServer here;
    LoopbackHttpServer elsewhere;
    ASSERT_TRUE(here.Start());
    ASSERT_TRUE(elsewhere.Start());
    here.SetDefaultAction(LoopbackHttpServer::Status(
        c.status, "Location: " + elsewhere.Url("/v2/binary", "127.0.0.1") + "\r\n"));
    sender_ = std::make_unique<AvroStatsSenderImpl>(std::make_unique<TextMessageContext>(),
                                                    Options(here.port()), 1);
    sender_->SetTrafficAllowed(true);
    sender_->Send(Step("moved"));
    ShutDownAndWait();
    sender_.reset();
    EXPECT_EQ(c.requests_here, here.request_count()) << c.status;
    ASSERT_EQ(c.requests_there, elsewhere.request_count()) << c.status;
    if (c.requests_there) {
      EXPECT_EQ("/v2/binary", elsewhere.requests()[0].path);
      EXPECT_EQ(here.requests()[0].body, elsewhere.requests()[0].body);
    }
  }
  // Only the 302's failures were retried.
  EXPECT_EQ(std::vector<uint32_t>({1, 2, 3, 4}), RetryCounts());
}

// At exit the limit bounds the time the server takes, not the waits between
// the retries against a server that answers at once with errors.
TEST_F(AvroStatsSenderImplTest, ShutdownKeepsTheRetriesOfAServerAnsweringErrors) {
  server_.SetDefaultAction(LoopbackHttpServer::Status(500));
  AvroNetworkOptions options = Options(server_.port());
  options.retry_delay = base::BindRepeating([](uint32_t) {
    return base::TimeDelta::FromMilliseconds(700);
  });
  options.flush_deadline = base::TimeDelta::FromSeconds(2);
  sender_ = std::make_unique<AvroStatsSenderImpl>(std::make_unique<TextMessageContext>(),
                                                  std::move(options), 1);
  sender_->SetTrafficAllowed(true);
  sender_->Send(Step("a"));
  ShutDownAndWait();
  EXPECT_EQ(5u, server_.request_count());
}

TEST_F(AvroStatsSenderImplTest, LevelAboveTheMaximumIsDroppedUncounted) {
  MakeSender(/*max_level=*/0);
  sender_->Send(std::make_unique<ControllerLaunchedEvent>("0", "", false, true, true, "cmd",
                                                          "x64", 1));
  sender_->Send(std::make_unique<AutoupdateFailedEvent>("failed", FetchStatisticsList(),
                                                        InstallationSettings(), "1.0", "dev", 0));
  sender_->SetTrafficAllowed(true);
  ShutDownAndWait();
  std::vector<Body> bodies = Bodies();
  ASSERT_EQ(1u, bodies.size());
  EXPECT_EQ("autoupdate_failed", bodies[0].name);
  EXPECT_EQ(1u, bodies[0].messages_total);
}

TEST_F(AvroStatsSenderImplTest, ProducersOnTwoThreads) {
  MakeSender();
  sender_->SetTrafficAllowed(true);
  constexpr int kPerThread = 40;
  auto produce = [this](const std::string& name) {
    for (int i = 0; i < kPerThread; ++i)
      sender_->Send(std::make_unique<ErrorEvent>(name, 1));
  };
  std::thread first(produce, "first");
  std::thread second(produce, "second");
  first.join();
  second.join();
  ShutDownAndWait();
  std::vector<Body> bodies = Bodies();
  ASSERT_EQ(2u * kPerThread, bodies.size());
  EXPECT_EQ(2u * kPerThread, bodies.back().messages_total);
  EXPECT_EQ(2u * kPerThread - 1, bodies.back().successfully_sent_total);
}

TEST_F(AvroStatsSenderImplTest, BeforeShutdownHookEventsAreStillSent) {
  MakeSender();
  sender_->SetTrafficAllowed(true);
  SetAvroBeforeShutdownHook(base::BindOnce(
      [](AvroStatsSender* sender) {
        sender->Send(std::make_unique<PageTransitionEvent>(PageTransitionStats(), 1));
      },
      sender_.get()));
  ShutDownAndWait();
  std::vector<Body> bodies = Bodies();
  ASSERT_EQ(1u, bodies.size());
  EXPECT_EQ("page_transition", bodies[0].name);
}

TEST_F(AvroStatsSenderImplTest, DestroyingAnAttachedSenderFlushes) {
  MakeSender();
  sender_->SetTrafficAllowed(true);
  sender_->Send(Step("a"));
  sender_->Send(Step("b"));
  sender_.reset();
  EXPECT_EQ(2u, server_.request_count());
}

TEST(AvroRetryDelayTest, DoublesFrom800Milliseconds) {
  EXPECT_EQ(800, GetAvroRetryDelay(1).InMilliseconds());
  EXPECT_EQ(1600, GetAvroRetryDelay(2).InMilliseconds());
  EXPECT_EQ(3200, GetAvroRetryDelay(3).InMilliseconds());
  EXPECT_EQ(6400, GetAvroRetryDelay(4).InMilliseconds());
}

TEST(AvroEndpointTest, TestServerIsPlainLoopbackProductionIsTls) {
  AvroEndpoint production = GetAvroEndpoint(AvroSenderMode::kProduction);
  EXPECT_TRUE(production.secure);
  EXPECT_EQ(443, production.port);
  EXPECT_EQ(L"/v1/binary", production.path);
  AvroEndpoint test = GetAvroEndpoint(AvroSenderMode::kTestServer);
  EXPECT_FALSE(test.secure);
  EXPECT_EQ(L"127.0.0.1", test.host);
  EXPECT_EQ(9000, test.port);
  SetAvroTestServerPortForTesting(4321);
  EXPECT_EQ(4321, GetAvroEndpoint(AvroSenderMode::kTestServer).port);
  SetAvroTestServerPortForTesting(0);
}

}  // namespace
