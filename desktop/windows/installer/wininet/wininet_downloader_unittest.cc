#include "desktop/windows/installer/wininet/wininet_downloader.h"

#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/time/time.h"
#include "desktop/windows/installer/wininet/chunked_fetch_statistics_collector.h"
#include "desktop/windows/installer/wininet/download_progress_observer.h"
#include "desktop/windows/installer/wininet/fetch_statistics_collector.h"
#include "desktop/windows/installer/wininet/file_response_writer.h"
#include "desktop/windows/installer/wininet/string_response_writer.h"
#include "desktop/windows/installer/wininet/test_support/scoped_wininet_tasks.h"
#include "desktop/windows/installer/wininet/ui_callback_runner.h"
#include "testing/loopback_http_server.h"
#include "gtest/gtest.h"

namespace {

using Server = LoopbackHttpServer;

class NoWindowRunner : public UICallbackRunner {
 public:
  void RunUICallbackAndPostReply(UICallback /*callback*/,
                                 base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                                 Reply reply) override {
    ++calls;
    reply_runner->PostTask(FROM_HERE, base::BindOnce(std::move(reply), answer));
  }
  int calls = 0;
  uint32_t answer = ERROR_CANCELLED;
};

class CountingProgress : public DownloadProgressObserver {
 public:
  void SetTotalProgress(uint32_t bytes) override {
    total = bytes;
    current = 0;
    ++total_reports;
  }
  void SetCurrentProgress(uint32_t bytes) override {
    // Progress is new bytes only: it never goes back or repeats itself.
    EXPECT_GT(bytes, current);
    current = bytes;
  }
  void NotifyStalled() override { ++stalls; }
  uint32_t total = 0;
  uint32_t current = 0;
  int total_reports = 0;
  int stalls = 0;
};

std::string Body(size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i)
    body[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  return body;
}

Server::Action Cut(Server::Action action, int64_t after,
                   Server::Action::CutEnding ending = Server::Action::CutEnding::kClose) {
  action.cut_after = after;
  action.cut_ending = ending;
  return action;
}

class WininetDownloaderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    downloader_ = std::make_unique<WininetDownloader>(&ui_, &progress_);
    limits_.retry_delay = base::TimeDelta::FromMilliseconds(10);
    limits_.retry_limit = 2;
    downloader_->set_limits(limits_);
  }
  void TearDown() override {
    downloader_.reset();
    server_.Stop();
  }

  base::FilePath file() const { return temp_.GetPath().Append(L"download"); }

  // Starts a download of |path| into the file; true when it was sent.
  bool StartFile(const std::string& path, std::string payload = std::string(),
                 uint64_t max_size = FileResponseWriter::kDefaultMaxSize) {
    auto writer = std::make_unique<FileResponseWriter>(max_size);
    EXPECT_TRUE(writer->Open(file().value()));
    auto collector = std::make_unique<ChunkedFetchStatisticsCollector>();
    return downloader_->Start(base::UTF8ToWide(server_.Url(path)), std::move(payload),
                              DoneCallback(),
                              std::move(writer), std::move(collector));
  }

  // Runs until the download's callback, within a bound.
  void WaitForDone() {
    base::RunLoop run_loop;
    quit_ = run_loop.QuitClosure();
    base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                                         base::TimeDelta::FromSeconds(30));
    if (done_count_ == 0)
      run_loop.Run();
    ASSERT_EQ(1, done_count_);
  }

  base::OnceClosure DoneCallback() {
    return base::BindOnce(&WininetDownloaderTest::OnDone, base::Unretained(this));
  }

  void OnDone() {
    ++done_count_;
    if (quit_)
      quit_.Run();
  }

  std::string FileContents() {
    std::string contents;
    EXPECT_TRUE(base::ReadFileToString(file(), &contents));
    return contents;
  }

  base::MessageLoop loop_;
  Server server_;
  base::ScopedTempDir temp_;
  NoWindowRunner ui_;
  CountingProgress progress_;
  std::unique_ptr<WininetDownloader> downloader_;
  WininetDownloader::Limits limits_;
  base::RepeatingClosure quit_;
  int done_count_ = 0;
};

TEST_F(WininetDownloaderTest, DownloadsIntoTheFileWithItsRecord) {
  const std::string body = Body(300000);
  server_.Script({Server::Resource(body)});
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state());
  EXPECT_TRUE(FileContents() == body);
  EXPECT_EQ(200u, downloader_->last_http_status());
  EXPECT_EQ(body.size(), downloader_->total_written());
  EXPECT_EQ(body.size(), progress_.total);
  EXPECT_EQ(body.size(), progress_.current);
  std::vector<Server::Request> requests = server_.requests();
  ASSERT_EQ(1u, requests.size());
  // An empty payload is a GET; the agent names the installer.
  EXPECT_EQ("GET", requests[0].method);
  EXPECT_EQ(0u, requests[0].Header("User-Agent").rfind("Tarvo NetInstaller/", 0));
  std::vector<FetchStatistics> details = downloader_->GetFetchDetails();
  ASSERT_EQ(1u, details.size());
  EXPECT_EQ(0, details[0].chunk_number);
  EXPECT_EQ(0, details[0].chunk_start);
  EXPECT_EQ(static_cast<int64_t>(body.size()), details[0].chunk_end);
  EXPECT_EQ(200, details[0].http_status);
  EXPECT_EQ(std::to_string(body.size()), details[0].headers["Content-Length"]);
  EXPECT_TRUE(details[0].chunk_end_time.has_value());
}

TEST_F(WininetDownloaderTest, PostsThePayloadAndKeepsEscapesOfTheQuery) {
  server_.Script({Server::Echo()});
  std::string reply;
  ASSERT_TRUE(downloader_->Start(
      base::UTF8ToWide(server_.Url("/v2/netinstaller?sig=a%2Bb%3D&x=%26")), "tracking blob",
      DoneCallback(),
      std::make_unique<StringResponseWriter>(&reply), std::make_unique<FetchStatisticsCollector>()));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state());
  EXPECT_EQ("tracking blob", reply);
  ASSERT_EQ(1u, server_.request_count());
  EXPECT_EQ("POST", server_.requests()[0].method);
  EXPECT_EQ("/v2/netinstaller?sig=a%2Bb%3D&x=%26", server_.requests()[0].path);
  // The collector of a request that is not resumed keeps one record.
  ASSERT_EQ(1u, downloader_->GetFetchDetails().size());
  EXPECT_EQ(200, downloader_->GetFetchDetails()[0].http_status);
}

TEST_F(WininetDownloaderTest, ShortBodyResumesWithRangeWithoutCountingARetry) {
  const std::string body = Body(200000);
  server_.Script({Cut(Server::Resource(body), 150000)});
  server_.SetDefaultAction(Server::Resource(body));
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state());
  EXPECT_TRUE(FileContents() == body);
  std::vector<Server::Request> requests = server_.requests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ("", requests[0].Header("Range"));
  EXPECT_EQ("bytes=150000-", requests[1].Header("Range"));
  EXPECT_EQ(0, downloader_->retry_count());
  EXPECT_EQ(0, progress_.stalls);
  std::vector<FetchStatistics> details = downloader_->GetFetchDetails();
  ASSERT_EQ(2u, details.size());
  EXPECT_EQ(0, details[0].chunk_number);
  EXPECT_EQ(150000, details[0].chunk_end);
  EXPECT_EQ(1, details[1].chunk_number);
  EXPECT_EQ(150000, details[1].chunk_start);
  EXPECT_EQ(206, details[1].http_status);
}

TEST_F(WininetDownloaderTest, ResumeAnsweredWithTheWholeBodyStartsTheFileAgain) {
  const std::string body = Body(100000);
  Server::Action whole = Server::Resource(body);
  whole.ignore_range = true;
  server_.Script({Cut(Server::Resource(body), 40000), Cut(whole, 10000)});
  server_.SetDefaultAction(Server::Resource(body));
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state());
  EXPECT_EQ(body.size(), FileContents().size());
  EXPECT_TRUE(FileContents() == body);
  ASSERT_EQ(3u, server_.request_count());
  EXPECT_EQ("bytes=10000-", server_.requests()[2].Header("Range"));
}

TEST_F(WininetDownloaderTest, PartialContentFromAnotherOffsetFails) {
  const std::string body = Body(50000);
  server_.Script({Cut(Server::Resource(body), 20000),
                  Server::Status(206, "Content-Range: bytes 0-49999/50000\r\n", body)});
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kFailed, downloader_->state());
  EXPECT_NE(std::string::npos,
            downloader_->GetErrorMessage().find("does not continue at byte 20000"));
}

TEST_F(WininetDownloaderTest, ServerThatAlwaysClosesEarlyIsBoundedByTheRetryLimit) {
  const std::string body = Body(50000);
  server_.Script({Cut(Server::Resource(body), 1000)});
  server_.SetDefaultAction(Cut(Server::Resource(body), 0));
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kFailed, downloader_->state());
  EXPECT_NE(std::string::npos, downloader_->GetErrorMessage().find("Number of retries exceeded"));
  // The first resume brought nothing, so it and the next ones are retries:
  // limit 2 allows 3 of them.
  EXPECT_EQ(5u, server_.request_count());
  EXPECT_EQ(2, progress_.stalls);
}

TEST_F(WininetDownloaderTest, ServiceUnavailableIsRetriedAndStallsFromTheThirdRetry) {
  const std::string body = Body(5000);
  server_.Script({Server::Status(503), Server::Status(503), Server::Status(503)});
  server_.SetDefaultAction(Server::Resource(body));
  downloader_->set_retry_limit(5);
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state());
  EXPECT_TRUE(FileContents() == body);
  EXPECT_EQ(4u, server_.request_count());
  EXPECT_EQ(1, progress_.stalls);
  EXPECT_EQ(0, downloader_->retry_count());
}

TEST_F(WininetDownloaderTest, UnexpectedStatusFailsWithItsNumber) {
  server_.Script({Server::Status(204)});
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kFailed, downloader_->state());
  EXPECT_EQ(204u, downloader_->last_http_status());
  EXPECT_NE(std::string::npos,
            downloader_->GetErrorMessage().find("Request completed with an unexpected HTTP status 204"));
}

TEST_F(WininetDownloaderTest, RedirectsAreFollowedOnlyToAllowedHosts) {
  const std::string body = Body(3000);
  downloader_->SetAllowedHosts({L"localhost"});
  server_.Script({Server::Status(302, "Location: /moved/package.7z\r\n"), Server::Resource(body)});
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state());
  EXPECT_TRUE(FileContents() == body);
  ASSERT_EQ(2u, server_.request_count());
  EXPECT_EQ("/moved/package.7z", server_.requests()[1].path);
  EXPECT_EQ(server_.Url("/moved/package.7z"), downloader_->GetFetchDetails()[0].redirected_url);

  // 127.0.0.1 is another host: refused before anything is sent to it, and
  // the request ends instead of waiting for ever.
  done_count_ = 0;
  server_.Script({Server::Status(307, "Location: " + server_.Url("/p", "127.0.0.1") + "\r\n")});
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kFailed, downloader_->state());
  EXPECT_NE(std::string::npos, downloader_->GetErrorMessage().find("Redirect URL is disallowed"));
  EXPECT_EQ(3u, server_.request_count());
}

TEST_F(WininetDownloaderTest, RefusesHostsAndUrlsBeforeSending) {
  downloader_->SetAllowedHosts({L".tarvo.example"});
  EXPECT_FALSE(StartFile("/package.7z"));
  EXPECT_NE(std::string::npos, downloader_->GetErrorMessage().find("Domain disallowed localhost"));
  downloader_->SetAllowedHosts({});
  EXPECT_FALSE(downloader_->Start(L"ftp://localhost/x", std::string(), base::BindOnce([] {}),
                                  std::make_unique<FileResponseWriter>(),
                                  std::make_unique<DownloadObserver>()));
  EXPECT_EQ("Could not parse URL ftp://localhost/x\n", downloader_->GetErrorMessage());
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ(0, done_count_);
  EXPECT_EQ(0u, server_.request_count());
}

// WinINet's worker may finish a read (or a query for data) before the call
// that started it has returned: each count must reach the downloader all
// the same, or whole buffers of the body are lost and the end of the file
// is written again in their place. Here the worker always wins; the body
// comes in pieces, so that reads and queries wait for it, and fast enough
// for whole-buffer reads.
TEST_F(WininetDownloaderTest, ReadsThatEndBeforeTheirCallReturnsKeepEveryByte) {
  ScopedWininetTasks inline_tasks(ScopedWininetTasks::Mode::kInline);
  ASSERT_TRUE(inline_tasks.active());
  const std::string body = Body(6 * 1024 * 1024);
  server_.Script({Server::Trickle(body, 64 * 1024, base::TimeDelta::FromMilliseconds(10))});
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state()) << downloader_->GetErrorMessage();
  EXPECT_EQ(body.size(), downloader_->total_written());
  EXPECT_TRUE(FileContents() == body);
  // One request, read as it came: nothing was lost and asked for again.
  EXPECT_EQ(1u, server_.request_count());
  EXPECT_GT(inline_tasks.started(), 2);
}

TEST_F(WininetDownloaderTest, ChunkedReplyCompletes) {
  const std::string body = Body(70000);
  Server::Action chunked = Server::Resource(body);
  chunked.chunked = true;
  server_.Script({chunked});
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state());
  EXPECT_TRUE(FileContents() == body);
}

TEST_F(WininetDownloaderTest, StalledAndResetReadsAreResumed) {
  const std::string body = Body(100000);
  limits_.request_timeout = base::TimeDelta::FromSeconds(1);
  downloader_->set_limits(limits_);
  server_.Script({Cut(Server::Resource(body), 30000, Server::Action::CutEnding::kStall),
                  Cut(Server::Resource(body), 30000, Server::Action::CutEnding::kReset)});
  server_.SetDefaultAction(Server::Resource(body));
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state()) << downloader_->GetErrorMessage();
  EXPECT_TRUE(FileContents() == body);
  EXPECT_EQ(3u, server_.request_count());
}

TEST_F(WininetDownloaderTest, StopDuringAPendingReadRunsNoCallback) {
  server_.Script({Cut(Server::Resource(Body(100000)), 1000, Server::Action::CutEnding::kStall)});
  ASSERT_TRUE(StartFile("/package.7z"));
  ASSERT_TRUE(server_.WaitForRequests(1, base::TimeDelta::FromSeconds(10)));
  // Let the first bytes arrive so that a read is pending.
  base::RunLoop run_loop;
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                                       base::TimeDelta::FromMilliseconds(300));
  run_loop.Run();
  downloader_->Stop();
  EXPECT_EQ(WininetDownloader::kStopped, downloader_->state());
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ(0, done_count_);
}

TEST_F(WininetDownloaderTest, ConnectionRefusedFailsAfterTheRetries) {
  Server closed;
  ASSERT_TRUE(closed.Start());
  const std::string url = closed.Url("/package.7z");
  closed.Stop();
  downloader_->set_retry_limit(0);
  ASSERT_TRUE(downloader_->Start(base::UTF8ToWide(url), std::string(),
                                 DoneCallback(),
                                 std::make_unique<FileResponseWriter>(),
                                 std::make_unique<DownloadObserver>()));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kFailed, downloader_->state());
  EXPECT_NE(std::string::npos, downloader_->GetErrorMessage().find("Number of retries exceeded"));
  EXPECT_EQ(1, downloader_->retry_count());
}

// A reply announced longer than the writer takes is refused before a byte
// is read; one without a length stops at the limit.
TEST_F(WininetDownloaderTest, ReplyOverTheWriterLimitFails) {
  for (bool chunked : {false, true}) {
    SCOPED_TRACE(chunked);
    done_count_ = 0;
    Server::Action reply = Server::Resource(Body(5000));
    reply.chunked = chunked;
    server_.Script({reply});
    std::string text;
    ASSERT_TRUE(downloader_->Start(
        base::UTF8ToWide(server_.Url("/reply")), std::string(), DoneCallback(),
        std::make_unique<StringResponseWriter>(&text, 4096), std::make_unique<DownloadObserver>()));
    WaitForDone();
    EXPECT_EQ(WininetDownloader::kFailed, downloader_->state());
    EXPECT_NE(std::string::npos,
              downloader_->GetErrorMessage().find(
                  chunked ? "The response is over the limit of 4096 bytes"
                          : "The announced length 5000 is over the limit of 4096 bytes"));
    EXPECT_EQ("", text);
  }
}

TEST_F(WininetDownloaderTest, ProxyLoginRefusedByTheUserFails) {
  server_.Script({Server::Status(407, "Proxy-Authenticate: Basic realm=\"x\"\r\n")});
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(1, ui_.calls);
  EXPECT_EQ(WininetDownloader::kFailed, downloader_->state());
  EXPECT_NE(std::string::npos,
            downloader_->GetErrorMessage().find("The user cancelled the prompt for proxy credentials"));
  std::vector<FetchStatistics> details = downloader_->GetFetchDetails();
  ASSERT_EQ(1u, details.size());
  EXPECT_EQ(true, details[0].proxy_login_needed);
  EXPECT_EQ(static_cast<int32_t>(ERROR_CANCELLED), details[0].proxy_login_result);
}

TEST_F(WininetDownloaderTest, ProxyLoginGivenByTheUserSendsTheRequestAgain) {
  const std::string body = Body(20000);
  ui_.answer = ERROR_INTERNET_FORCE_RETRY;
  server_.Script({Server::Status(407, "Proxy-Authenticate: Basic realm=\"x\"\r\n"),
                  Server::Resource(body)});
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(1, ui_.calls);
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state());
  EXPECT_TRUE(FileContents() == body);
  ASSERT_EQ(2u, server_.request_count());
  EXPECT_EQ("", server_.requests()[1].Header("Range"));
  EXPECT_EQ(0, downloader_->retry_count());
}

TEST_F(WininetDownloaderTest, StartWhileARequestRunsAbandonsIt) {
  const std::string body = Body(8000);
  server_.Script({Server::Stall(), Server::Resource(body)});
  int abandoned_done = 0;
  ASSERT_TRUE(downloader_->Start(base::UTF8ToWide(server_.Url("/stalled")), std::string(),
                                 base::BindOnce([](int* count) { ++*count; }, &abandoned_done),
                                 std::make_unique<FileResponseWriter>(),
                                 std::make_unique<DownloadObserver>()));
  ASSERT_TRUE(server_.WaitForRequests(1, base::TimeDelta::FromSeconds(10)));
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state());
  EXPECT_TRUE(FileContents() == body);
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ(0, abandoned_done);
}

// Hostile servers: whatever they do, the download ends within its limits
// with a failure, and leaves no file behind.
class HostileServerTest : public WininetDownloaderTest {
 protected:
  // Runs the download of /package.7z to its end and expects it failed with
  // `error` in its text after `requests` requests.
  void ExpectFailure(const std::string& error, size_t requests,
                     uint64_t max_size = FileResponseWriter::kDefaultMaxSize) {
    ASSERT_TRUE(StartFile("/package.7z", std::string(), max_size));
    WaitForDone();
    EXPECT_EQ(WininetDownloader::kFailed, downloader_->state());
    EXPECT_NE(std::string::npos, downloader_->GetErrorMessage().find(error))
        << downloader_->GetErrorMessage();
    EXPECT_EQ(requests, server_.request_count());
    EXPECT_FALSE(base::PathExists(file()));
  }
};

// The endless loop: every resume is answered with the whole body
// from byte 0, cut at the same point. Those bytes are no progress: each
// such request is a retry, delayed, and the retries run out.
TEST_F(HostileServerTest, RangeIgnoredAndCutAtTheSamePointRunsOutOfRetries) {
  server_.SetDefaultAction(Server::Cut(Body(100000), 40000, Server::Action::CutEnding::kClose,
                                       /*ignore_range=*/true));
  // The first request brings 40000 new bytes; the next four bring none:
  // three retries (limit 2), then the failure.
  ExpectFailure("Number of retries exceeded", 5);
  EXPECT_EQ("bytes=40000-", server_.requests()[1].Header("Range"));
  EXPECT_EQ(1, progress_.total_reports);
  EXPECT_EQ(40000u, progress_.current);
  EXPECT_EQ(2, progress_.stalls);
}

// Headers, a little body, then silence, again and again: the time-outs
// bring nothing new, so they are retries that run out.
TEST_F(HostileServerTest, HeadersThenSilenceRunsOutOfRetries) {
  limits_.request_timeout = base::TimeDelta::FromMilliseconds(500);
  downloader_->set_limits(limits_);
  server_.SetDefaultAction(Server::Cut(Body(100000), 4096, Server::Action::CutEnding::kStall,
                                       /*ignore_range=*/true));
  ExpectFailure("Number of retries exceeded", 5);
  EXPECT_EQ(1, progress_.total_reports);
  EXPECT_EQ(4096u, progress_.current);
}

// A connection reset at the same byte of every answer.
TEST_F(HostileServerTest, ResetMidBodyAtTheSamePointRunsOutOfRetries) {
  server_.SetDefaultAction(Server::Cut(Body(100000), 30000, Server::Action::CutEnding::kReset,
                                       /*ignore_range=*/true));
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kFailed, downloader_->state());
  EXPECT_NE(std::string::npos, downloader_->GetErrorMessage().find("Number of retries exceeded"));
  // A reset may drop bytes the client had not read yet, so a request may
  // get further than the ones before it; it cannot get past the cut.
  EXPECT_GE(server_.request_count(), 4u);
  EXPECT_LE(progress_.current, 30000u);
  EXPECT_FALSE(base::PathExists(file()));
}

// A body that trickles in far below any sane pace is cut each time its
// window passes, and such cuts are retries even though bytes came.
TEST_F(HostileServerTest, SlowTrickleIsCutAndRunsOutOfRetries) {
  limits_.slow_window = base::TimeDelta::FromMilliseconds(700);
  limits_.slow_bytes = 1024;
  limits_.retry_limit = 1;
  downloader_->set_limits(limits_);
  server_.SetDefaultAction(
      Server::Trickle(Body(100000), 8, base::TimeDelta::FromMilliseconds(50)));
  ExpectFailure("Number of retries exceeded", 3);
  // Each request went on from where the last one stopped.
  ASSERT_EQ(3u, server_.request_count());
  EXPECT_NE("", server_.requests()[2].Header("Range"));
  EXPECT_GT(progress_.current, 0u);
}

// A body that stops after a fast start is cut when its window passes. The
// resumed request flows fast again, long enough to turn to whole-buffer
// reads, then slows to an honest pace: a download that was once too slow
// reads as it comes to its end, so every window shows the slow bytes and
// there is no second cut. (Whether a request turns to whole-buffer reads
// depends on how WinINet's buffer fills, so the first request stops instead
// of slowing: it is cut in either way of reading.)
TEST_F(WininetDownloaderTest, BodyThatSlowsDownIsResumedAndCompletes) {
  Server server;
  server.set_concurrent(true);
  ASSERT_TRUE(server.Start());
  limits_.slow_window = base::TimeDelta::FromMilliseconds(300);
  // One piece of the slow part per window is enough.
  limits_.slow_bytes = 2048;
  downloader_->set_limits(limits_);
  const std::string body = Body(10100000);
  Server::Action slowing = Server::Trickle(body, 2048, base::TimeDelta::FromMilliseconds(20));
  slowing.trickle_from = 10000000;
  server.Script({Server::Cut(body, 2000000, Server::Action::CutEnding::kStall), slowing});
  server.SetDefaultAction(slowing);
  auto writer = std::make_unique<FileResponseWriter>();
  ASSERT_TRUE(writer->Open(file().value()));
  ASSERT_TRUE(downloader_->Start(base::UTF8ToWide(server.Url("/package.7z")), std::string(),
                                 DoneCallback(), std::move(writer),
                                 std::make_unique<DownloadObserver>()));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state()) << downloader_->GetErrorMessage();
  EXPECT_TRUE(FileContents() == body);
  // One cut, at the stop.
  ASSERT_EQ(2u, server.request_count());
  EXPECT_NE("", server.requests().back().Header("Range"));
}

// A body without a length that never ends stops at the writer's limit.
TEST_F(HostileServerTest, EndlessBodyStopsAtTheSizeLimit) {
  server_.SetDefaultAction(Server::Endless(Body(65536)));
  ExpectFailure("The response is over the limit of 1048576 bytes", 1, 1 << 20);
  EXPECT_LE(progress_.current, 1u << 20);
}

// Content-Length lies. Larger than the body: the missing bytes never come
// and the resumes run out. Larger than any package: refused at once. Smaller
// than the body: the body ends at the announced length.
TEST_F(HostileServerTest, LyingContentLength) {
  Server::Action longer = Server::Resource(Body(100000));
  longer.declared_length = 1000000;
  server_.SetDefaultAction(longer);
  ExpectFailure("Number of retries exceeded", 5);
  EXPECT_EQ(1000000u, progress_.total);
  EXPECT_EQ(100000u, progress_.current);

  done_count_ = 0;
  Server::Action huge = Server::Resource(Body(100000));
  huge.declared_length = 4294967295;
  server_.SetDefaultAction(huge);
  ExpectFailure("The announced length 4294967295 is over the limit of 1048576 bytes", 6, 1 << 20);

  done_count_ = 0;
  const std::string body = Body(100000);
  Server::Action shorter = Server::Resource(body);
  shorter.declared_length = 60000;
  server_.SetDefaultAction(shorter);
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kCompleted, downloader_->state());
  EXPECT_TRUE(FileContents() == body.substr(0, 60000));
}

// Beyond the retries, the whole download has a budget of requests and of
// time: new bytes that come a few at a time, or answers that always ask to
// come back later, end with the same failure.
TEST_F(HostileServerTest, TheWholeDownloadHasABudget) {
  limits_.max_requests = 4;
  downloader_->set_limits(limits_);
  server_.SetDefaultAction(
      Server::Cut(Body(100000), 1000, Server::Action::CutEnding::kClose));
  ExpectFailure("The download used up its 4 requests", 4);
  EXPECT_EQ(4000u, progress_.current);

  done_count_ = 0;
  limits_.max_requests = 1000;
  limits_.retry_limit = 1000;
  limits_.retry_delay = base::TimeDelta::FromMilliseconds(200);
  limits_.max_duration = base::TimeDelta::FromSeconds(1);
  downloader_->set_limits(limits_);
  server_.SetDefaultAction(Server::Status(503));
  const size_t before = server_.request_count();
  const base::TimeTicks start = base::TimeTicks::Now();
  ASSERT_TRUE(StartFile("/package.7z"));
  WaitForDone();
  EXPECT_EQ(WininetDownloader::kFailed, downloader_->state());
  EXPECT_NE(std::string::npos,
            downloader_->GetErrorMessage().find("The download took over its 1 seconds"));
  EXPECT_NE(std::string::npos,
            downloader_->GetErrorMessage().find("Number of retries exceeded, last error: 503"));
  EXPECT_LT(base::TimeTicks::Now() - start, base::TimeDelta::FromSeconds(10));
  EXPECT_LE(server_.request_count() - before, 7u);
  EXPECT_FALSE(base::PathExists(file()));
}

}  // namespace
