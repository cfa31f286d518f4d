#include "desktop/windows/installer/package_fetcher/pref_default_overrides_fetcher.h"

#include <memory>
#include <string>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/features/feature_registry.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/wininet/test_support/no_window_ui_callback_runner.h"
#include "desktop/windows/installer/wininet/wininet_downloader.h"
#include "testing/loopback_http_server.h"
#include "gtest/gtest.h"

namespace {

class PrefDefaultOverridesFetcherTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    features::FeatureRegistry::GetInstance()->RegisterFeature(
        kInstallerPrefDefaultOverridesSupport, /*enabled_by_default=*/true,
        /*overridable=*/false);
  }

  void UseTestServer() {
    command_line_.AppendSwitchASCII(kLocalPrefDefaultOverridesServer, server_.Url("/prefs?a=%2B"));
  }

  base::FilePath file() const { return temp_.GetPath().Append(L"pref_default_overrides"); }

  // Fetches and waits for done, within a bound; how often done ran.
  int FetchAndWait(PrefDefaultOverridesFetcher* fetcher) {
    int done = 0;
    base::RunLoop run_loop;
    fetcher->Fetch("tracking  ", base::BindOnce(
                                     [](int* done, base::RepeatingClosure quit) {
                                       ++*done;
                                       quit.Run();
                                     },
                                     &done, run_loop.QuitClosure()));
    base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                                         base::TimeDelta::FromSeconds(30));
    if (done == 0)
      run_loop.Run();
    return done;
  }

  base::MessageLoop loop_;
  features::ScopedFeatureRegistryForTesting registry_;
  // The installer's switches, through the session the fetcher reads.
  base::CommandLine command_line_{base::CommandLine::NO_PROGRAM};
  ScopedInstallerSessionForTesting session_{std::make_unique<InstallerSession>(&command_line_)};
  LoopbackHttpServer server_;
  base::ScopedTempDir temp_;
  NoWindowUICallbackRunner runner_;
};

TEST_F(PrefDefaultOverridesFetcherTest, KeepsTheReplyOfThePost) {
  server_.Script({LoopbackHttpServer::Status(200, "", "{\"homepage\":\"x\"}")});
  UseTestServer();
  PrefDefaultOverridesFetcher fetcher(temp_.GetPath(), &runner_);
  EXPECT_EQ(1, FetchAndWait(&fetcher));
  std::string contents;
  ASSERT_TRUE(base::ReadFileToString(file(), &contents));
  EXPECT_EQ("{\"homepage\":\"x\"}", contents);
  ASSERT_EQ(1u, server_.request_count());
  EXPECT_EQ("POST", server_.requests()[0].method);
  EXPECT_EQ("/prefs?a=%2B", server_.requests()[0].path);
  EXPECT_EQ("tracking  ", server_.requests()[0].body);
}

TEST_F(PrefDefaultOverridesFetcherTest, FailedFetchLeavesNoFile) {
  UseTestServer();
  server_.SetDefaultAction(LoopbackHttpServer::Status(404, "", "not here"));
  PrefDefaultOverridesFetcher fetcher(temp_.GetPath(), &runner_);
  EXPECT_EQ(1, FetchAndWait(&fetcher));
  EXPECT_FALSE(base::PathExists(file()));
  EXPECT_EQ(WininetDownloader::kFailed, fetcher.downloader_for_testing()->state());
}

// A fetcher destroyed while the service has not answered, or has answered
// part of the reply, leaves no file and runs no done.
TEST_F(PrefDefaultOverridesFetcherTest, AbandonedFetchLeavesNoFile) {
  UseTestServer();
  for (const auto& answer :
       {LoopbackHttpServer::Stall(),
        LoopbackHttpServer::Trickle(std::string(64, 'x'), 8, base::TimeDelta::FromSeconds(60))}) {
    server_.Script({answer});
    auto fetcher = std::make_unique<PrefDefaultOverridesFetcher>(temp_.GetPath(), &runner_);
    int done = 0;
    fetcher->Fetch("t", base::BindOnce([](int* done) { ++*done; }, &done));
    const size_t requests = server_.request_count();
    for (int i = 0; i < 3000 && server_.request_count() == requests; ++i) {
      base::RunLoop().RunUntilIdle();
      Sleep(10);
    }
    // Time for the first bytes of a reply to reach the file.
    for (int i = 0; i < 30; ++i) {
      base::RunLoop().RunUntilIdle();
      Sleep(10);
    }
    ASSERT_TRUE(base::PathExists(file()));
    fetcher.reset();
    base::RunLoop().RunUntilIdle();
    EXPECT_FALSE(base::PathExists(file()));
    EXPECT_EQ(0, done);
  }
}

TEST_F(PrefDefaultOverridesFetcherTest, FeatureOffMakesNoRequest) {
  features::ScopedFeatureRegistryForTesting off;
  features::FeatureRegistry::GetInstance()->RegisterFeature(
      kInstallerPrefDefaultOverridesSupport, /*enabled_by_default=*/false, /*overridable=*/false);
  UseTestServer();
  PrefDefaultOverridesFetcher fetcher(temp_.GetPath(), &runner_);
  int done = 0;
  fetcher.Fetch("t", base::BindOnce([](int* done) { ++*done; }, &done));
  // Synchronously, inside Fetch.
  EXPECT_EQ(1, done);
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ(0u, server_.request_count());
  EXPECT_FALSE(base::PathExists(file()));
}

TEST_F(PrefDefaultOverridesFetcherTest, ServiceUrlMustBeSecureUnlessATestSwitchNamesIt) {
  {
    ScopedProductInfoForTesting info(
        R"({"product_name": "Tarvo", "urls": {"autoupdate": "https://au.tarvo.example/update"}})");
    const std::string url = PrefDefaultOverridesFetcher::BuildUrl(command_line_);
    EXPECT_EQ(0u, url.rfind("https://au.tarvo.example/update/api/prefs/?product=Tarvo&version=", 0))
        << url;
  }
  {
    ScopedProductInfoForTesting info(R"({"urls": {"autoupdate": "http://au.tarvo.example/"}})");
    EXPECT_EQ("", PrefDefaultOverridesFetcher::BuildUrl(command_line_));
    PrefDefaultOverridesFetcher fetcher(temp_.GetPath(), &runner_);
    EXPECT_EQ(1, FetchAndWait(&fetcher));
    EXPECT_FALSE(base::PathExists(file()));
  }
  command_line_.AppendSwitch(kLocalPrefDefaultOverridesServer);
  EXPECT_EQ("http://localhost:3001/", PrefDefaultOverridesFetcher::BuildUrl(command_line_));
}

}  // namespace
