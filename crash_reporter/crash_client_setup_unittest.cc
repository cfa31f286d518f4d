#include "crash_reporter/crash_client_setup.h"

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "crash_reporter/client_keys.h"
#include "crash_reporter/crash_keys_keeper.h"
#include "crash_reporter/crash_reporter_paths.h"
#include "crash_reporter/crash_reporter_server.h"
#include "crash_reporter/pending_work.h"
#include "crash_reporter/test_support/loopback_http_server.h"
#include "gtest/gtest.h"

namespace crash_reporter {
namespace {

class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
    SetEnvironmentVariableW(name, value);
  }
  ~ScopedVariable() { SetEnvironmentVariableW(name_, nullptr); }

 private:
  const wchar_t* name_;
};

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
    ScopedVariable kelmat(L"TARVO_CRASH_REPORTER_KELMAT_TEST", L"run-17");
    ScopedVariable origin(L"TARVO_CRASH_ORIGIN", L"nightly-bot");
    ScopedVariable email(L"TARVO_CRASH_EMAIL", L"qa@example.com");
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
  ScopedVariable origin(L"TARVO_CRASH_ORIGIN", L"nightly-bot");
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

  ScopedVariable dumps(L"TARVO_CRASH_LOG_DIR", scratch.GetPath().Append(L"new\\dumps").value().c_str());
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

}  // namespace
}  // namespace crash_reporter
