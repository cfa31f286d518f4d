#include "desktop/windows/installer/package_fetcher/package_fetcher.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/json/json_reader.h"
#include "base/message_loop/message_loop.h"
#include "base/path_service.h"
#include "base/run_loop.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/values.h"
#include "desktop/windows/installer/avro_stats/test_support/recording_stats_sender.h"
#include "desktop/windows/installer/checksum_checker/checksum_checker.h"
#include "desktop/windows/installer/package_fetcher/additional_component.h"
#include "desktop/windows/installer/package_fetcher/fetch_state_machine.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_delegate.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_parts.h"
#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"
#include "desktop/windows/installer/package_fetcher/threaded_fetcher.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/private_folder.h"
#include "desktop/windows/installer/wininet/test_support/no_window_ui_callback_runner.h"
#include "desktop/windows/installer/wininet/test_support/scoped_wininet_tasks.h"
#include "gtest/gtest.h"
#include "testing/loopback_http_server.h"
#include "testing/scoped_log_capture.h"
#include "testing/test_child_process.h"

// A partner-content archive as the fetcher runs it: it extracts into its
// folder, here a folder where the fetcher keeps its temporary file.
TEST_CHILD_ROLE(program_partner_content_sfx) {
  if (!CreateDirectoryW(L"additional_file.tmp", nullptr))
    return 1;
  return base::WriteFile(base::FilePath(L"additional_file.tmp\\extracted"), "x") ? 0 : 2;
}

namespace {

using Server = LoopbackHttpServer;

class FakePayloadManager : public PayloadManager {
 public:
  PayloadType GetPayloadType() const override { return type; }
  std::string GetPayload() const override { return payload; }
  bool WritePayloadToFile(const base::FilePath& path) const override {
    return write_succeeds && base::WriteFile(path, payload);
  }
  void SetExternalTrackingData(const std::string&) override {}

  PayloadType type = PAYLOAD_TYPE_NONE;
  std::string payload;
  bool write_succeeds = true;
};

class FakeParts : public PackageFetcherParts {
 public:
  bool CheckMainComponentVersion(const base::FilePath&, PayloadManager*) override { return true; }
  bool CheckAdditionalFileVersion(const base::FilePath&, const std::string&) override {
    return true;
  }
  void WriteServerTrackingData(const base::FilePath&, const std::string&) override {}
  bool MovePreparedPackage(const base::FilePath& from, const base::FilePath& to) override {
    return RenameFolderToNewPath(from, to);
  }
};

class RecordingDelegate : public PackageFetcherDelegate {
 public:
  void OnPackageFetcherStatusChanged(uint32_t status) override {
    statuses.push_back(status);
    if (status == kPackageReady)
      Finish();
  }
  void OnPackageFetcherError(uint32_t kind, std::string message,
                             std::vector<FetchStatistics>) override {
    error_kinds.push_back(kind);
    errors.push_back(message);
    Finish();
  }
  void SetTotalProgress(uint32_t) override {}
  void SetCurrentProgress(uint32_t bytes) override {
    progress = bytes;
    if (on_progress)
      on_progress.Run();
  }
  void NotifyStalled() override {}

  void Finish() {
    ++finished;
    if (quit)
      quit.Run();
  }

  std::vector<uint32_t> statuses;
  std::vector<uint32_t> error_kinds;
  std::vector<std::string> errors;
  int finished = 0;
  base::RepeatingClosure quit;
  uint32_t progress = 0;
  base::RepeatingClosure on_progress;
};

class PackageFetcherTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start());
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    command_line_.AppendSwitchASCII(kInternalPackageServer, server_.Url("/netinstaller"));
  }

  void MakeFetcher(std::vector<std::string> needed = {}) {
    fetcher_ = std::make_unique<PackageFetcher>(temp_.GetPath(), std::make_unique<FakeParts>(),
                                                &runner_, &delegate_, &payload_, 1,
                                                /*with_assistant=*/false, "tracking");
    fetcher_->set_retry_delay_for_testing(base::TimeDelta());
    if (!needed.empty())
      fetcher_->SetNeededDownloadableResources(std::move(needed));
  }

  // One fetch from the start, run until its first outcome.
  void Fetch() {
    MakeFetcher();
    fetcher_->Restart();
    WaitForOutcomes(1);
  }

  // Runs until the fetcher reported |count| outcomes (ready or error).
  // Starts a fetch and retries it until `attempts` have been made; the
  // fetcher must then refuse one more.
  void ExpectAttemptLimit(int attempts) {
    MakeFetcher();
    fetcher_->Restart();
    WaitForOutcomes(1);
    for (int attempt = 2; attempt <= attempts; ++attempt) {
      ASSERT_TRUE(fetcher_->RetryFetch());
      WaitForOutcomes(attempt);
    }
    EXPECT_FALSE(fetcher_->RetryFetch());
  }

  void WaitForOutcomes(int count) {
    base::RunLoop run_loop;
    delegate_.quit = run_loop.QuitClosure();
    base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                                         base::TimeDelta::FromSeconds(30));
    if (delegate_.finished < count)
      run_loop.Run();
    delegate_.quit.Reset();
    ASSERT_EQ(count, delegate_.finished);
  }

  // The reply naming |package| on the server, with |extra| JSON members.
  std::string Reply(const std::string& package, const std::string& extra = "") {
    return "{\"installer\": \"" + server_.Url("/package.7z") + "\", \"installer_checksum\": \"" +
           ComputeSha256Hex(package.data(), package.size()) + "\"" + extra + "}";
  }

  // One component of a reply: served at |path| on the server with
  // |contents|' checksum, not an archive.
  std::string Component(const std::string& type, const std::string& path,
                        const std::string& contents, const std::string& filename) {
    return "{\"type\": \"" + type + "\", \"location\": \"" + server_.Url(path) +
           "\", \"checksum\": \"" + ComputeSha256Hex(contents.data(), contents.size()) +
           "\", \"archive\": 0, \"filename\": \"" + filename + "\"}";
  }

  std::string Read(const base::FilePath& path) {
    std::string contents;
    EXPECT_TRUE(base::ReadFileToString(path, &contents)) << path.value();
    return contents;
  }

  base::MessageLoop loop_;
  // The installer's switches, through the session the fetcher reads.
  base::CommandLine command_line_{base::CommandLine::NO_PROGRAM};
  ScopedInstallerSessionForTesting session_{std::make_unique<InstallerSession>(&command_line_)};
  Server server_;
  base::ScopedTempDir temp_;
  FakePayloadManager payload_;
  NoWindowUICallbackRunner runner_;
  RecordingDelegate delegate_;
  std::unique_ptr<PackageFetcher> fetcher_;
};

TEST_F(PackageFetcherTest, FullPackagePayloadNeedsNoNetwork) {
  payload_.type = PAYLOAD_TYPE_FULL_PACKAGE;
  payload_.payload = "7z package";
  Fetch();
  EXPECT_EQ((std::vector<uint32_t>{0, 4}), delegate_.statuses);
  EXPECT_EQ("7z package", Read(fetcher_->package_folder().Append(L"tarvo_package")));
  EXPECT_EQ(0u, server_.request_count());
}

TEST_F(PackageFetcherTest, PayloadThatCannotBeWrittenIsAnError) {
  payload_.type = PAYLOAD_TYPE_FULL_PACKAGE;
  payload_.payload = "7z package";
  payload_.write_succeeds = false;
  Fetch();
  EXPECT_EQ((std::vector<uint32_t>{0}), delegate_.statuses);
  ASSERT_EQ(1u, delegate_.errors.size());
  EXPECT_EQ(1u, delegate_.error_kinds[0]);
  EXPECT_EQ("Unable to write the payload package", delegate_.errors[0]);
}

TEST_F(PackageFetcherTest, DownloadsVerifiesAndMovesThePackage) {
  const std::string package(300000, 'p');
  server_.Script({Server::Status(200, "",
                                 Reply(package, ", \"url_welcome\": \"https://w.example/\"")),
                  Server::Resource(package)});
  Fetch();
  ASSERT_TRUE(delegate_.errors.empty()) << delegate_.errors[0];
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 4}), delegate_.statuses);
  const base::FilePath folder = fetcher_->package_folder();
  EXPECT_TRUE(Read(folder.Append(L"tarvo_package")) == package);
  std::unique_ptr<base::Value> prefs =
      base::JSONReader::Read(Read(folder.Append(L"installer_prefs_include.json")));
  ASSERT_TRUE(prefs && prefs->is_dict());
  std::string welcome;
  EXPECT_TRUE(static_cast<base::DictionaryValue*>(prefs.get())
                  ->GetStringWithoutPathExpansion("welcome-url", &welcome));
  EXPECT_EQ("https://w.example/", welcome);
  std::vector<Server::Request> requests = server_.requests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ("POST", requests[0].method);
  EXPECT_EQ("tracking", requests[0].body);
  EXPECT_EQ("/package.7z", requests[1].path);
  // The attempt folder became the package folder.
  EXPECT_FALSE(base::PathExists(FetchStateMachine::AttemptFolderPath(folder, 0)));
}

// The package lies where the service's reply says, on any host, and so
// may its redirect ("127.1" is outside the service's hosts).
TEST_F(PackageFetcherTest, APackageRedirectedOutsideTheServiceHostsIsFetched) {
  const std::string package(3000, 'p');
  server_.Script({Server::Status(200, "", Reply(package)),
                  Server::Status(302, "Location: " + server_.Url("/moved.7z", "127.1") + "\r\n"),
                  Server::Resource(package)});
  Fetch();
  ASSERT_TRUE(delegate_.errors.empty()) << delegate_.errors[0];
  ASSERT_EQ(3u, server_.request_count());
  EXPECT_EQ("/moved.7z", server_.requests()[2].path);
}

TEST_F(PackageFetcherTest, ChecksumMismatchFailsAndTheNextAttemptUsesANewFolder) {
  const std::string package(1000, 'p');
  server_.Script({Server::Status(200, "", Reply(package)), Server::Resource("other bytes")});
  Fetch();
  ASSERT_EQ(1u, delegate_.errors.size());
  EXPECT_EQ(0u, delegate_.errors[0].find("Checksum incorrect for the downloaded package"));
  const base::FilePath first = FetchStateMachine::AttemptFolderPath(fetcher_->package_folder(), 0);
  EXPECT_TRUE(base::PathExists(first));

  server_.Script({Server::Status(200, "", Reply(package)), Server::Resource(package)});
  ASSERT_TRUE(fetcher_->RetryFetch());
  WaitForOutcomes(2);
  EXPECT_EQ(4u, delegate_.statuses.back());
  EXPECT_FALSE(base::PathExists(first));
  EXPECT_TRUE(Read(fetcher_->package_folder().Append(L"tarvo_package")) == package);
}

TEST_F(PackageFetcherTest, RetryLimits) {
  // Three answers of 204 allow no fourth attempt.
  server_.SetDefaultAction(Server::Status(204));
  ASSERT_NO_FATAL_FAILURE(ExpectAttemptLimit(3));
  EXPECT_NE(std::string::npos, delegate_.errors[0].find("unexpected HTTP status 204"));

  // Five ordinary failures still allow a sixth attempt, not a seventh.
  fetcher_.reset();
  delegate_ = RecordingDelegate();
  server_.SetDefaultAction(Server::Status(404));
  ASSERT_NO_FATAL_FAILURE(ExpectAttemptLimit(6));

  // 4 MiB downloaded in failed attempts allow 3 attempts in all.
  fetcher_.reset();
  delegate_ = RecordingDelegate();
  const std::string big(0x400000, 'b');
  server_.Script({Server::Status(200, "", Reply("not big")), Server::Resource(big)});
  ASSERT_NO_FATAL_FAILURE(ExpectAttemptLimit(3));
}

// A retry waits its delay; a restart meanwhile (the language changed, so the
// resources to fetch did) starts a fetch at once and cancels the retry: once
// the restarted fetch has made the package ready, nothing starts again,
// reports "started" or deletes the package the controller was told of.
TEST_F(PackageFetcherTest, RestartCancelsAWaitingRetry) {
  const std::string package(1000, 'p');
  server_.Script({Server::Status(404), Server::Status(200, "", Reply(package)),
                  Server::Resource(package)});
  MakeFetcher();
  const base::TimeDelta delay = base::TimeDelta::FromMilliseconds(1500);
  fetcher_->set_retry_delay_for_testing(delay);
  fetcher_->Restart();
  WaitForOutcomes(1);
  ASSERT_EQ(1u, delegate_.errors.size());
  ASSERT_TRUE(fetcher_->RetryFetch());
  fetcher_->SetNeededDownloadableResources({"localization/de.pak"});
  WaitForOutcomes(2);
  ASSERT_EQ(PackageFetcherDelegate::kPackageReady, delegate_.statuses.back());

  base::RunLoop run_loop;
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                                       delay * 2);
  run_loop.Run();
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 0, 1, 2, 4}), delegate_.statuses);
  EXPECT_EQ(3u, server_.request_count());
  EXPECT_TRUE(Read(fetcher_->package_folder().Append(L"tarvo_package")) == package);
}

// The fetcher goes while WinINet waits on its own thread for more of the
// body: that wait ends only later, once the server goes, and what it then
// writes must land in memory the fetcher no longer uses, never in the
// stack of its worker thread, which has ended (Wine frees a thread's stack
// once another thread ends).
TEST_F(PackageFetcherTest, DestructionDuringADownloadCallsNothingAndRemovesItsFolders) {
  ScopedWininetTasks tasks(ScopedWininetTasks::Mode::kOnPool);
  ASSERT_TRUE(tasks.active());
  server_.Script({Server::Status(200, "", Reply("package")),
                  [] {
                    Server::Action stall = Server::Resource(std::string(100000, 'x'));
                    stall.cut_after = 10;
                    stall.cut_ending = Server::Action::CutEnding::kStall;
                    return stall;
                  }()});
  MakeFetcher();
  fetcher_->Restart();
  // The package's first 10 bytes are in (the reply's progress comes first).
  ASSERT_TRUE(server_.WaitForRequests(2, base::TimeDelta::FromSeconds(20)));
  {
    base::RunLoop run_loop;
    delegate_.on_progress = base::BindRepeating(
        [](RecordingDelegate* delegate, base::RepeatingClosure quit) {
          if (delegate->progress == 10)
            quit.Run();
        },
        &delegate_, run_loop.QuitClosure());
    base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                                         base::TimeDelta::FromSeconds(20));
    run_loop.Run();
    delegate_.on_progress.Reset();
  }
  ASSERT_EQ(10u, delegate_.progress);
  const std::wstring attempt_folder =
      FetchStateMachine::AttemptFolderPath(fetcher_->package_folder(), 0).value();
  EXPECT_TRUE(base::PathExists(base::FilePath(attempt_folder)));
  fetcher_.reset();
  base::RunLoop().RunUntilIdle();
  EXPECT_EQ(0, delegate_.finished);
  EXPECT_FALSE(base::PathExists(base::FilePath(attempt_folder)));
  std::thread([] {}).join();
  server_.Stop();
  EXPECT_TRUE(tasks.WaitForAll(base::TimeDelta::FromSeconds(20)));
}

// What another program (of this user, or of anyone when the download folder
// is a shared one) made under the names the fetcher would use: an attempt
// folder holding files the installation would take over, and a folder at
// the package folder's own name. The fetcher uses neither, reads nothing
// from them and removes neither.
TEST_F(PackageFetcherTest, FoldersMadeByOthersAreNeitherUsedNorRemoved) {
  const std::string package(1000, 'p');
  server_.Script({Server::Status(200, "", Reply(package)), Server::Resource(package)});
  MakeFetcher();
  const base::FilePath planted(FetchStateMachine::AttemptFolderPath(fetcher_->package_folder(), 0));
  ASSERT_TRUE(base::CreateDirectory(planted));
  const std::map<std::wstring, std::string> planted_files = {
      {L"pref_default_overrides", "{\"homepage\": \"https://planted.example/\"}"},
      {L"installer_prefs_include.json", "{\"welcome-url\": \"https://planted.example/\"}"},
      {L"server_tracking_data", "planted"}};
  for (const auto& [name, contents] : planted_files)
    ASSERT_TRUE(base::WriteFile(planted.Append(name), contents));
  fetcher_->Restart();
  WaitForOutcomes(1);
  ASSERT_TRUE(delegate_.errors.empty()) << delegate_.errors[0];
  const base::FilePath folder = fetcher_->package_folder();
  EXPECT_TRUE(Read(folder.Append(L"tarvo_package")) == package);
  for (const auto& [name, contents] : planted_files)
    EXPECT_FALSE(base::PathExists(folder.Append(name))) << name;
  fetcher_.reset();
  for (const auto& [name, contents] : planted_files)
    EXPECT_EQ(contents, Read(planted.Append(name)));

  // A folder at the package folder's name: the prepared package is not
  // merged into it, and it stays, as does everything in it.
  delegate_ = RecordingDelegate();
  server_.Script({Server::Status(200, "", Reply(package)), Server::Resource(package)});
  MakeFetcher();
  const base::FilePath taken = fetcher_->package_folder();
  ASSERT_TRUE(base::CreateDirectory(taken));
  ASSERT_TRUE(base::WriteFile(taken.Append(L"pref_default_overrides"), "planted"));
  fetcher_->Restart();
  WaitForOutcomes(1);
  ASSERT_EQ(1u, delegate_.errors.size());
  EXPECT_EQ(2u, delegate_.error_kinds[0]);
  EXPECT_FALSE(base::PathExists(taken.Append(L"tarvo_package")));
  fetcher_.reset();
  EXPECT_EQ("planted", Read(taken.Append(L"pref_default_overrides")));
}

// Two installers started in the same second: each fetcher has folders of
// its own, and the one that ends first (another installation of the same
// folder ends at once) takes nothing of the other's away.
TEST_F(PackageFetcherTest, FetchersOfTheSameSecondKeepTheirOwnFolders) {
  payload_.type = PAYLOAD_TYPE_FULL_PACKAGE;
  payload_.payload = "7z package";
  MakeFetcher();
  RecordingDelegate second_delegate;
  auto second = std::make_unique<PackageFetcher>(temp_.GetPath(), std::make_unique<FakeParts>(),
                                                 &runner_, &second_delegate, &payload_, 1,
                                                 /*with_assistant=*/true, "tracking");
  EXPECT_NE(fetcher_->package_folder(), second->package_folder());
  fetcher_->Restart();
  WaitForOutcomes(1);
  ASSERT_TRUE(delegate_.errors.empty()) << delegate_.errors[0];
  second->Restart();
  second.reset();
  EXPECT_EQ("7z package", Read(fetcher_->package_folder().Append(L"tarvo_package")));
  // The one that goes takes only its own.
  const base::FilePath mine = fetcher_->package_folder();
  fetcher_.reset();
  EXPECT_FALSE(base::PathExists(mine));
  EXPECT_TRUE(base::IsDirectoryEmpty(temp_.GetPath()));
}

TEST_F(PackageFetcherTest, AdditionalFilesAreVerifiedListedAndKeptInsideThePackage) {
  const std::string package(1000, 'p');
  const std::string partner = "partner bytes";
  const std::string resource = "resource bytes";
  auto sum = [](const std::string& s) { return ComputeSha256Hex(s.data(), s.size()); };
  const std::string components =
      ", \"minimal_installer\": \"" + server_.Url("/package.7z") +
      "\", \"minimal_installer_checksum\": \"" + sum(package) + "\", \"components\": [" +
      Component("partner_content", "/partner", partner, "partner/content.dat") + "," +
      Component("partner_content", "/evil", partner, "../evil.dat") + "," +
      Component("downloadable_resource", "/bad", resource, "localization/de.pak") + "," +
      "{\"type\": \"unknown\", \"location\": \"x\"}]";
  server_.Script({Server::Status(200, "", Reply("full package", components)),
                  Server::Resource(package), Server::Resource(partner),
                  Server::Resource("bad"), Server::Resource("bad"), Server::Resource("bad"),
                  Server::Resource("bad")});
  MakeFetcher({"localization/de.pak"});
  fetcher_->Restart();
  WaitForOutcomes(1);
  ASSERT_TRUE(delegate_.errors.empty()) << delegate_.errors[0];
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 3, 4}), delegate_.statuses);
  const base::FilePath folder = fetcher_->package_folder();
  EXPECT_TRUE(Read(folder.Append(L"tarvo_package")) == package);
  EXPECT_EQ(partner, Read(folder.Append(L"partner\\content.dat")));
  EXPECT_FALSE(base::PathExists(temp_.GetPath().Append(L"evil.dat")));
  EXPECT_FALSE(base::PathExists(folder.Append(L"localization")));
  EXPECT_FALSE(base::PathExists(folder.Append(L"additional_file.tmp")));
  EXPECT_EQ("partner/content.dat\r\n", Read(folder.Append(L"files_list")));
  // The traversal was never fetched; the bad resource was tried 4 times.
  std::vector<Server::Request> requests = server_.requests();
  ASSERT_EQ(7u, requests.size());
  EXPECT_EQ("/partner", requests[2].path);
  for (size_t i = 3; i < 7; ++i)
    EXPECT_EQ("/bad", requests[i].path);
}

// A self-extracting archive runs in its target folder and is removed once
// it extracted; a temporary file that cannot be opened then (the archive
// left a folder in its way) ends the components, and what was installed so
// far is still listed.
TEST_F(PackageFetcherTest, ArchivesRunAndAnUnwritableTemporaryFileEndsTheComponents) {
  const std::string package(1000, 'p');
  const std::string first = "first bytes";
  // This executable, which extracts as the role below.
  base::FilePath exe;
  std::string archive;
  ASSERT_TRUE(base::PathService::Get(base::FILE_EXE, &exe));
  ASSERT_TRUE(base::ReadFileToString(exe, &archive));
  const std::string components =
      ", \"components\": [" + Component("partner_content", "/first", first, "first.dat") +
      ", {\"type\": \"partner_content\", \"location\": \"" + server_.Url("/sfx") +
      "\", \"checksum\": \"" + ComputeSha256Hex(archive.data(), archive.size()) +
      "\", \"archive\": 1, \"filename\": \"\"}, " +
      Component("partner_content", "/third", first, "third.dat") + ", " +
      Component("partner_content", "/fourth", first, "fourth.dat") + "]";
  server_.Script({Server::Status(200, "", Reply(package, components)), Server::Resource(package),
                  Server::Resource(first), Server::Resource(archive)});
  testing_support::ScopedLogCapture log;
  Fetch();
  ASSERT_TRUE(delegate_.errors.empty()) << delegate_.errors[0];
  const base::FilePath folder = fetcher_->package_folder();
  EXPECT_TRUE(base::PathExists(folder.Append(L"additional_file.tmp\\extracted")));
  EXPECT_FALSE(base::PathExists(folder.Append(L"partner_content_sfx.exe")));
  EXPECT_FALSE(base::PathExists(folder.Append(L"third.dat")));
  EXPECT_EQ("first.dat\r\n\r\n", Read(folder.Append(L"files_list")));
  EXPECT_EQ(4u, server_.request_count());
  // The fourth component is not even tried.
  const std::vector<std::string> lines = log.lines();
  EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
              return line.find("Failed initializing the file") != std::string::npos;
            }));
}

// Each file gets its own retries: the first component used all of its, and
// the second, failing once, is still tried again and installed.
TEST_F(PackageFetcherTest, EveryAdditionalFileHasItsOwnRetries) {
  const std::string package(1000, 'p');
  const std::string first = "first bytes";
  const std::string second = "second bytes";
  const std::string components = ", \"components\": [" +
                                 Component("partner_content", "/first", first, "first.dat") +
                                 "," +
                                 Component("partner_content", "/second", second, "second.dat") +
                                 "]";
  server_.Script({Server::Status(200, "", Reply(package, components)),
                  Server::Resource(package), Server::Resource("bad"), Server::Resource("bad"),
                  Server::Resource("bad"), Server::Resource("bad"), Server::Resource("bad"),
                  Server::Resource(second)});
  Fetch();
  ASSERT_TRUE(delegate_.errors.empty()) << delegate_.errors[0];
  const base::FilePath folder = fetcher_->package_folder();
  EXPECT_FALSE(base::PathExists(folder.Append(L"first.dat")));
  EXPECT_EQ(second, Read(folder.Append(L"second.dat")));
  EXPECT_EQ("second.dat\r\n", Read(folder.Append(L"files_list")));
  std::vector<Server::Request> requests = server_.requests();
  ASSERT_EQ(8u, requests.size());
  for (size_t i = 2; i < 6; ++i)
    EXPECT_EQ("/first", requests[i].path);
  EXPECT_EQ("/second", requests[6].path);
  EXPECT_EQ("/second", requests[7].path);
}

// What a fetch reports to the statistics, in order, with the package URL,
// the component's location and the requests' fetch details.
TEST_F(PackageFetcherTest, StatisticsFollowTheFetch) {
  ScopedRecordingStatsSender stats;
  const std::string package(1000, 'p');
  const std::string partner = "partner bytes";
  const std::string components =
      ", \"components\": [" + Component("partner_content", "/partner", partner, "partner.dat") +
      "]";
  server_.Script({Server::Status(200, "", Reply(package, components)), Server::Resource(package),
                  Server::Resource(partner)});
  Fetch();
  ASSERT_TRUE(delegate_.errors.empty()) << delegate_.errors[0];
  const std::vector<std::string> expected = {
      "fetching_download_url", "fetching_primary_package", "primary_package_fetched",
      "checksum_verified",     "signature_verified",       "fetching_additional_file",
      "additional_file_fetched", "package_ready"};
  ASSERT_EQ(expected, stats->names());
  auto first = [&](const char* name) { return stats->Named(name)[0]; };
  EXPECT_EQ(server_.Url("/package.7z"), first("fetching_primary_package")->String("description"));
  EXPECT_EQ(1u, first("fetching_primary_package")->ArraySize("fetch_details"));
  EXPECT_EQ(1u, first("primary_package_fetched")->ArraySize("fetch_details"));
  EXPECT_EQ(server_.Url("/partner"), first("fetching_additional_file")->String("description"));
  EXPECT_EQ(1u, first("additional_file_fetched")->ArraySize("fetch_details"));
}

// Each kind of failure has its own event: a local one with its message, a
// network one with the request's fetch details, an unreadable reply as an
// error with the reply.
TEST_F(PackageFetcherTest, StatisticsNameEachKindOfFailure) {
  ScopedRecordingStatsSender stats;
  server_.Script({Server::Status(200, "", Reply("expected")), Server::Resource("other bytes"),
                  Server::Status(404), Server::Status(200, "", "not json")});
  Fetch();
  ASSERT_EQ(1u, stats->Named("package_fetcher_local_error").size());
  const std::string local =
      stats->Named("package_fetcher_local_error")[0]->String("description").value_or("");
  EXPECT_EQ(0u, local.find("Checksum incorrect for the downloaded package")) << local;
  ASSERT_TRUE(fetcher_->RetryFetch());
  WaitForOutcomes(2);
  ASSERT_EQ(1u, stats->Named("package_fetcher_network_error").size());
  const RecordingStatsSender::Record* network = stats->Named("package_fetcher_network_error")[0];
  EXPECT_FALSE(network->String("description").value_or("").empty());
  EXPECT_EQ(1u, network->ArraySize("fetch_details"));
  ASSERT_TRUE(fetcher_->RetryFetch());
  WaitForOutcomes(3);
  ASSERT_EQ(1u, stats->Named("error").size());
  const std::string error = stats->Named("error")[0]->String("description").value_or("");
  EXPECT_EQ(0u, error.find("Failed parsing json reply: ")) << error;
  EXPECT_NE(std::string::npos, error.find("not json")) << error;
  EXPECT_TRUE(stats->Named("package_ready").empty());
}

TEST_F(PackageFetcherTest, ResourcesComeWithAMinimalPackageOrInResourcesOnlyMode) {
  const std::string package(1000, 'p');
  const std::string resource = "resource bytes";
  const std::string component =
      ", \"components\": [" +
      Component("downloadable_resource", "/de.pak", resource, "localization/de.pak") + "]";
  // No minimal package offered: the full one comes without the resource,
  // and the skipped resource still ends files_list with an empty line.
  server_.Script({Server::Status(200, "", Reply(package, component)), Server::Resource(package)});
  MakeFetcher({"localization/de.pak"});
  fetcher_->Restart();
  WaitForOutcomes(1);
  ASSERT_TRUE(delegate_.errors.empty()) << delegate_.errors[0];
  EXPECT_EQ(2u, server_.request_count());
  EXPECT_EQ("\r\n", Read(fetcher_->package_folder().Append(L"files_list")));
  EXPECT_FALSE(base::PathExists(fetcher_->package_folder().Append(L"localization")));

  // The repair fetches the resource alone, beside a copy of the installer.
  fetcher_.reset();
  delegate_ = RecordingDelegate();
  server_.Script({Server::Status(200, "", Reply(package, component)), Server::Resource(resource)});
  MakeFetcher({"localization/de.pak"});
  fetcher_->FetchDownloadableResourcesOnly();
  fetcher_->Restart();
  WaitForOutcomes(1);
  ASSERT_TRUE(delegate_.errors.empty()) << delegate_.errors[0];
  EXPECT_EQ(4u, delegate_.statuses.back());
  const base::FilePath folder = fetcher_->package_folder();
  EXPECT_EQ(resource, Read(folder.Append(L"localization\\de.pak")));
  EXPECT_EQ("localization/de.pak\r\n", Read(folder.Append(L"files_list")));
  EXPECT_TRUE(base::PathExists(folder.Append(L"installer.exe")));
  EXPECT_FALSE(base::PathExists(folder.Append(L"tarvo_package")));
  EXPECT_EQ("/de.pak", server_.requests().back().path);
}

TEST(AdditionalComponentTest, FilesListGetsItsMissingLineBreakFirst) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath list = temp.GetPath().Append(L"files_list");
  ASSERT_TRUE(base::WriteFile(list, std::string("tarvo.exe\r\nlib.dll")));
  ASSERT_TRUE(AdditionalComponent::AppendToFilesList(list, {"a.pak", "b/c.pak"}));
  std::string contents;
  ASSERT_TRUE(base::ReadFileToString(list, &contents));
  EXPECT_EQ("tarvo.exe\r\nlib.dll\r\na.pak\r\nb/c.pak\r\n", contents);
  // Nothing installed still ends the list with an empty line.
  ASSERT_TRUE(AdditionalComponent::AppendToFilesList(list, {}));
  ASSERT_TRUE(base::ReadFileToString(list, &contents));
  EXPECT_EQ("tarvo.exe\r\nlib.dll\r\na.pak\r\nb/c.pak\r\n\r\n", contents);
  const base::FilePath fresh = temp.GetPath().Append(L"new_list");
  ASSERT_TRUE(AdditionalComponent::AppendToFilesList(fresh, {"x"}));
  ASSERT_TRUE(base::ReadFileToString(fresh, &contents));
  EXPECT_EQ("x\r\n", contents);
}

}  // namespace
