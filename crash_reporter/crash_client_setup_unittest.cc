#include "crash_reporter/crash_client_setup.h"

#include <atomic>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "base/path_service.h"
#include "crash_reporter/client_keys.h"
#include "crash_reporter/crash_paths.h"
#include "crash_reporter/crash_reporter_client.h"
#include "crash_reporter/crash_keys_keeper.h"
#include "crash_reporter/crash_reporter_paths.h"
#include "crash_reporter/crash_reporter_server.h"
#include "crash_reporter/pending_work.h"
#include "crash_reporter/tarvo_crash_reporter_client.h"
#include "crash_reporter/test_support/crash_upload_test_support.h"
#include "gtest/gtest.h"
#include "testing/scoped_environment_variable.h"

namespace crash_reporter {
namespace {

using testing_support::ScopedEnvironmentVariable;

// The kernel's exception policy as a test sets it.
DWORD g_policy = 0;
bool g_policy_readable = true;
BOOL WINAPI FakeGetPolicy(LPDWORD policy) {
  *policy = g_policy;
  return g_policy_readable;
}
BOOL WINAPI FakeSetPolicy(DWORD policy) {
  g_policy = policy;
  return TRUE;
}

CrashParameters KeeperKeys() {
  const CustomClientInfo* info = CrashKeysKeeper::GetInstance()->custom_info();
  auto* first = reinterpret_cast<const CustomInfoEntry*>(static_cast<uintptr_t>(info->entries));
  return ParseClientKeys(std::vector<CustomInfoEntry>(first, first + info->count));
}

TEST(CrashClientSetupTest, InstallerKeysAndTheAutomationOrigin) {
  SetTestCrashProductValues();
  g_policy = 0x13;
  g_policy_readable = true;
  SetExceptionPolicyFunctionsForTesting(&FakeGetPolicy, &FakeSetPolicy);
  {
    ScopedEnvironmentVariable kelmat(L"TARVO_CRASH_REPORTER_KELMAT_TEST", L"run-17");
    ScopedEnvironmentVariable origin(L"TARVO_CRASH_ORIGIN", L"nightly-bot");
    ScopedEnvironmentVariable email(L"TARVO_CRASH_EMAIL", L"qa@example.com");
    SetInstallerCrashKeys();
    CrashParameters keys = KeeperKeys();
    EXPECT_EQ(L"Kelmat", keys[L"Origin"]);
    EXPECT_EQ(L"run-17", keys[L"kelmat_test"]);
    EXPECT_EQ(L"qa@example.com", keys[L"Email"]);
    EXPECT_EQ(L"20171210317950", keys[L"BuildID"]);
    EXPECT_EQ(L"nightly", keys[L"ReleaseChannel"]);
    EXPECT_EQ(L"browser-syms", keys[L"symbols-package"]);
    EXPECT_EQ(L"931610", keys[L"UBN"]);
    EXPECT_EQ(L"0x0013", keys[L"exception_policy"]);
    EXPECT_EQ(L"0", keys[L"is_wow64"]);
  }
  // A policy that cannot be read is sent empty.
  g_policy_readable = false;
  SetInstallerCrashKeys();
  EXPECT_EQ(L"", KeeperKeys()[L"exception_policy"]);
  SetExceptionPolicyFunctionsForTesting(nullptr, nullptr);
  ClearCrashKey("Origin");
  ScopedEnvironmentVariable origin(L"TARVO_CRASH_ORIGIN", L"nightly-bot");
  SetInstallerCrashKeys();
  EXPECT_EQ(L"nightly-bot", KeeperKeys()[L"Origin"]);
}

// Exceptions inside window callbacks must reach the crash handler: the
// callback-filter bit is cleared and nothing else changes; without the
// kernel functions (Wine, Windows before 7) nothing happens.
TEST(CrashClientSetupTest, ExceptionSwallowingIsSwitchedOff) {
  g_policy = 0x13;
  g_policy_readable = true;
  SetExceptionPolicyFunctionsForTesting(&FakeGetPolicy, &FakeSetPolicy);
  DisableExceptionSwallowing();
  EXPECT_EQ(0x12u, g_policy);
  g_policy = 0x13;
  g_policy_readable = false;
  DisableExceptionSwallowing();
  EXPECT_EQ(0x13u, g_policy);
  g_policy_readable = true;
  SetExceptionPolicyFunctionsForTesting(&FakeGetPolicy, nullptr);
  DisableExceptionSwallowing();
  EXPECT_EQ(0x13u, g_policy);
  SetExceptionPolicyFunctionsForTesting(nullptr, nullptr);
  // Wine's kernel32 has neither function.
  EXPECT_EQ("", GetExceptionPolicyCrashValue());
}

TEST(CrashReporterPathsTest, ConsentAndDumpNames) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  base::FilePath prefs = scratch.GetPath().Append(L"Local State");
  EXPECT_TRUE(ReadCrashReportingConsent(base::FilePath()));
  EXPECT_TRUE(ReadCrashReportingConsent(prefs));
  ASSERT_TRUE(base::WriteFile(prefs, "{\"user_experience_metrics\":{\"reporting_enabled\":false}}"));
  EXPECT_FALSE(ReadCrashReportingConsent(prefs));
  ASSERT_TRUE(base::WriteFile(prefs, "{\"user_experience_metrics\":{\"reporting_enabled\":1}}"));
  EXPECT_TRUE(ReadCrashReportingConsent(prefs));
  ASSERT_TRUE(base::WriteFile(prefs, "[false]"));
  EXPECT_TRUE(ReadCrashReportingConsent(prefs));

  SetTestCrashProductValues();
  std::wstring first = MakeDumpPath(scratch.GetPath()).BaseName().value();
  std::wstring second = MakeDumpPath(scratch.GetPath()).BaseName().value();
  std::wstring prefix = L"tarvo-crashlog-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  ASSERT_EQ(0u, first.find(prefix));
  ASSERT_EQ(0u, second.find(prefix));
  EXPECT_EQ(std::stoul(first.substr(prefix.size())) + 1, std::stoul(second.substr(prefix.size())));
  EXPECT_EQ(L".dmp", second.substr(second.size() - 4));

  ScopedEnvironmentVariable dumps(L"TARVO_CRASH_LOG_DIR",
                                  scratch.GetPath().Append(L"new\\dumps").value().c_str());
  CrashReporterPaths paths;
  ASSERT_TRUE(InitCrashReporterPaths(base::CommandLine(base::CommandLine::NO_PROGRAM), &paths));
  EXPECT_EQ(scratch.GetPath().Append(L"new\\dumps"), paths.dump_directory);
  EXPECT_TRUE(base::DirectoryExists(paths.dump_directory));
}

// Work added after the count once reached 0 (a dump that began as the
// parent ended) is waited for as well.
TEST(PendingWorkTest, EventFollowsTheCount) {
  PendingWork pending;
  ASSERT_TRUE(pending.IsValid());
  auto is_set = [&] { return WaitForSingleObject(pending.event(), 0) == WAIT_OBJECT_0; };
  pending.Add();
  pending.Add();
  pending.Release();
  EXPECT_FALSE(is_set());
  pending.Release();
  EXPECT_TRUE(is_set());
  pending.Add();
  EXPECT_FALSE(is_set());
  pending.Release();
  EXPECT_TRUE(is_set());
}

// The reporter's main thread must not return while the upload thread that
// released the last count is still inside the counter.
std::atomic<bool> g_release_done{false};
void SlowRelease() {
  Sleep(300);
  g_release_done = true;
}

TEST(PendingWorkTest, WaitCoversTheLastRelease) {
  PendingWork pending;
  pending.SetReleaseHookForTesting(&SlowRelease);
  pending.Add();
  g_release_done = false;
  HANDLE releaser = CreateThread(
      nullptr, 0,
      [](void* work) -> DWORD {
        static_cast<PendingWork*>(work)->Release();
        return 0;
      },
      &pending, 0, nullptr);
  ASSERT_TRUE(releaser);
  pending.WaitUntilIdle();
  EXPECT_TRUE(g_release_done.load());
  WaitForSingleObject(releaser, INFINITE);
  CloseHandle(releaser);
}

// The installer's answers through the library's interface; every question
// the product has no answer to gets the library's default.
TEST(CrashReporterClientTest, ProductAnswersAndDefaults) {
  SetTestCrashProductValues();
  CrashReporterClient* client = GetCrashReporterClient();
  ASSERT_EQ(TarvoCrashReporterClient::GetInstance(), client);
  std::wstring product, version, special = L"x", channel;
  client->GetProductNameAndVersion(L"C:\\installer.exe", &product, &version, &special, &channel);
  EXPECT_EQ(L"TarvoInstaller", product);
  EXPECT_EQ(L"51.0.2802.0", version);
  EXPECT_EQ(L"", special);
  EXPECT_EQ(L"developer", channel);
  EXPECT_TRUE(client->GetCollectStatsConsent());
  EXPECT_TRUE(client->GetCollectStatsInSample());
  EXPECT_TRUE(client->GetIsPerUserInstall());
  EXPECT_TRUE(client->ShouldCreatePipeName(L"browser"));
  EXPECT_FALSE(client->ShouldCreatePipeName(L"installer"));
  EXPECT_FALSE(client->GetShouldDumpLargerDumps());
  EXPECT_FALSE(client->EnableBreakpadForProcess("installer"));

  // No path provider: neither location is known without an override.
  base::FilePath path;
  {
    ScopedEnvironmentVariable no_dumps(L"TARVO_CRASH_LOG_DIR", nullptr);
    EXPECT_FALSE(client->GetCrashDumpLocation(&path));
  }
  EXPECT_FALSE(client->GetCrashCountersLocation(&path));
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  {
    ScopedEnvironmentVariable dumps(L"TARVO_CRASH_LOG_DIR", scratch.GetPath().value().c_str());
    ASSERT_TRUE(client->GetCrashDumpLocation(&path));
    EXPECT_EQ(scratch.GetPath(), path);
  }
  const base::FilePath counts = scratch.GetPath().Append(L"counts.json");
  base::PathService::OverrideAndCreateIfNeeded(FILE_CRASH_COUNTERS, counts, /*is_absolute=*/true,
                                               /*create=*/false);
  ASSERT_TRUE(client->GetCrashCountersLocation(&path));
  EXPECT_EQ(counts, path);
  base::PathService::RemoveOverride(FILE_CRASH_COUNTERS);
}

// A client that names everything differently: the keeper's fixed entries
// and the reporter's files come from the client in force.
class OtherClient : public CrashReporterClient {
 public:
  explicit OtherClient(const base::FilePath& folder) : folder_(folder) {}
  void GetProductNameAndVersion(const std::wstring&, std::wstring* product_name,
                                std::wstring* version, std::wstring* special_build,
                                std::wstring* channel_name) override {
    *product_name = L"OtherProduct";
    *version = L"9.8.7";
    *special_build = L"special";
    *channel_name = L"canary";
  }
  bool GetCrashDumpLocation(base::FilePath* crash_dir) override {
    *crash_dir = folder_.Append(L"other dumps");
    return true;
  }
  bool GetCrashCountersLocation(base::FilePath* path) override {
    *path = folder_.Append(L"other counts.json");
    return true;
  }

 private:
  const base::FilePath folder_;
};

TEST(CrashReporterClientTest, KeeperAndReporterPathsAskTheClient) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  OtherClient other(scratch.GetPath());
  SetCrashReporterClientForTesting(&other);
  CrashKeysKeeper keeper("installer");
  const CustomClientInfo* info = keeper.custom_info();
  auto* first = reinterpret_cast<const CustomInfoEntry*>(static_cast<uintptr_t>(info->entries));
  CrashParameters keys = ParseClientKeys(std::vector<CustomInfoEntry>(first, first + info->count));
  EXPECT_EQ(L"OtherProduct", keys[L"prod"]);
  EXPECT_EQ(L"9.8.7", keys[L"ver"]);
  EXPECT_EQ(L"special", keys[L"special"]);
  EXPECT_EQ(L"canary", keys[L"channel"]);
  EXPECT_EQ(L"installer", keys[L"ptype"]);

  CrashReporterPaths paths;
  ASSERT_TRUE(InitCrashReporterPaths(base::CommandLine(base::CommandLine::NO_PROGRAM), &paths));
  EXPECT_EQ(scratch.GetPath().Append(L"other dumps"), paths.dump_directory);
  EXPECT_TRUE(base::DirectoryExists(paths.dump_directory));
  EXPECT_EQ(scratch.GetPath().Append(L"other counts.json"), paths.count_file);
  SetCrashReporterClientForTesting(nullptr);
}

}  // namespace
}  // namespace crash_reporter
