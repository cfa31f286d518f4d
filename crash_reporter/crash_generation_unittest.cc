#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/win/scoped_handle.h"
#include "base/win/test_support/kernel_object_dacl.h"
#include "crash_reporter/crash_client_setup.h"
#include "crash_reporter/crash_generation_client.h"
#include "crash_reporter/crash_generation_server.h"
#include "crash_reporter/crash_in_reporter.h"
#include "crash_reporter/tarvo_crash_reporter_client.h"
#include "crash_reporter/test_support/crash_upload_test_support.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

namespace crash_reporter {
namespace {

std::wstring TestPipeName(const wchar_t* what) {
  return std::wstring(kPipeNamePrefix) + L"Test" + what + std::to_wstring(GetCurrentProcessId());
}

struct Seen {
  std::atomic<int> calls{0};
  DWORD pid = 0;
  CrashInfoBlock info = {};
  std::vector<CustomInfoEntry> entries;
};

void RecordDump(void* context, const ClientInfo& client) {
  auto* seen = static_cast<Seen*>(context);
  seen->pid = client.pid();
  ReadCrashInfo(client.process(), client.crash_info_address(), client.has_assertion(),
                &seen->info);
  client.ReadCustomInfo(&seen->entries);
  ++seen->calls;
}

// Both ends in this process: the reporter side reads what the client side
// left in memory.
TEST(CrashGenerationTest, RegisteredClientGetsItsDumpRequestServed) {
  Seen seen;
  CrashGenerationServer server(TestPipeName(L"Served"), nullptr, &RecordDump, &seen);
  ASSERT_TRUE(server.Start());
  CustomInfoEntry entries[2] = {{L"ptype", L"installer"}, {L"ver", L"1"}};
  CustomClientInfo info = {reinterpret_cast<uintptr_t>(entries), 2};
  CrashGenerationClient client(TestPipeName(L"Served"), &info);
  ASSERT_TRUE(client.Register());
  EXCEPTION_RECORD record = {};
  record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
  CONTEXT context = {};
  EXCEPTION_POINTERS pointers = {&record, &context};
  AssertionInfo assertion = {};
  assertion.type = static_cast<uint32_t>(CrashKind::kPureCall);
  ASSERT_TRUE(client.RequestDump(&pointers, &assertion));
  EXPECT_EQ(1, seen.calls.load());
  EXPECT_EQ(GetCurrentProcessId(), seen.pid);
  EXPECT_EQ(GetCurrentThreadId(), seen.info.thread_id);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(&pointers), seen.info.exception_pointers);
  EXPECT_EQ(static_cast<uint32_t>(CrashKind::kPureCall), seen.info.assertion.type);
  ASSERT_EQ(2u, seen.entries.size());
  EXPECT_STREQ(L"installer", seen.entries[0].value);
  // A second registration on the same pipe is served as well.
  CrashGenerationClient second(TestPipeName(L"Served"), nullptr);
  EXPECT_TRUE(second.Register());
  server.Stop();
}

// A reporter that accepts the connection and then never answers leaves
// the client unregistered after its time limit, not hung.
TEST(CrashGenerationTest, SilentReporterLeavesTheClientWithoutHandler) {
  std::wstring name = TestPipeName(L"Silent");
  HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                 PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 512, 512, 0,
                                 nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, pipe);
  CrashGenerationClient client(name, nullptr);
  EXPECT_FALSE(client.Register(/*timeout_ms=*/300));
  EXPECT_FALSE(client.IsRegistered());
  EXPECT_FALSE(client.RequestDump(nullptr, nullptr, 100));
  CloseHandle(pipe);
  // No pipe at all.
  CrashGenerationClient nobody(TestPipeName(L"Nobody"), nullptr);
  EXPECT_FALSE(nobody.Register(300));
}

// Only the process at the other end of the pipe may register, so that no
// client makes the reporter read and dump another process.
TEST(CrashGenerationTest, RegistrationForAnotherProcessIsRefused) {
  Seen seen;
  std::wstring name = TestPipeName(L"Spoof");
  CrashGenerationServer server(name, nullptr, &RecordDump, &seen);
  ASSERT_TRUE(server.Start());
  HANDLE pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, pipe);
  DWORD mode = PIPE_READMODE_MESSAGE;
  ASSERT_TRUE(SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr));
  RegistrationRequest request = {kRegisterTag, GetCurrentProcessId() + 4};
  ASSERT_TRUE(PipeWrite(pipe, &request, sizeof(request), 2000));
  RegistrationReply reply = {};
  EXPECT_FALSE(PipeRead(pipe, &reply, sizeof(reply), 2000));
  CloseHandle(pipe);
  server.Stop();
}

TEST(CrashGenerationTest, PipeNamesAndLastCrashExpiry) {
  std::wstring name;
  ASSERT_TRUE(MakeCrashPipeName(4294967295u, &name));
  EXPECT_EQ(L"\\\\.\\pipe\\TarvoCrashReporter4294967295", name);
  constexpr uint64_t kDay = 864000000000ULL;
  const uint64_t now = 1000 * kDay;
  EXPECT_FALSE(IsLastReporterCrashExpired(now - 2 * kDay, now));
  EXPECT_FALSE(IsLastReporterCrashExpired(now - 3 * kDay + 1, now));
  EXPECT_TRUE(IsLastReporterCrashExpired(now - 3 * kDay, now));
  EXPECT_TRUE(IsLastReporterCrashExpired(0, now));
  // A last report in the future does not silence reports for good.
  EXPECT_TRUE(IsLastReporterCrashExpired(now + kDay, now));
}

// Started as a reporter, tells its parent it is ready and ends.
TEST_CHILD_ROLE(crash_reporter_ready) {
  base::CommandLine::Init(0, nullptr);
  std::wstring parent = base::CommandLine::ForCurrentProcess()->GetSwitchValueNative(
      "crash-reporter-parent-id");
  HANDLE event =
      OpenEventW(EVENT_MODIFY_STATE, FALSE, (L"TarvoCrashReporterInitEvent" + parent).c_str());
  return event && SetEvent(event) ? 0 : 1;
}

TEST_CHILD_ROLE(crash_reporter_quits) {
  return 0;
}

// The reporter is this test program in a helper role, started with the
// command line it is given as its own.
base::CommandLine RoleCommandLine(const char* role, const wchar_t* extra) {
  return base::CommandLine::FromString(
      testing_support::GetTestChildCommandLine(role, extra ? extra : L""));
}

TEST(CrashClientSetupTest, LaunchWaitsForTheReporterOrItsEnd) {
  SetTestCrashProductValues();
  EXPECT_EQ(0u, LaunchCrashReporter(RoleCommandLine("crash_reporter_quits", nullptr), 20000));
  {
    // A pid that is no number: the process starts its own reporter.
    SetReporterInitTimeoutForTesting(20000);
    EXPECT_TRUE(EnsureCrashReporter(
        RoleCommandLine("crash_reporter_ready", L"--crash-reporter-pid=garbage")));
    SetReporterInitTimeoutForTesting(kReporterInitTimeoutMs);
    EXPECT_NE(0u, TarvoCrashReporterClient::GetInstance()->crash_reporter_pid());
  }
  {
    // A reporter to join: nothing is launched.
    EXPECT_TRUE(
        EnsureCrashReporter(RoleCommandLine("crash_reporter_quits", L"--crash-reporter-pid=4242")));
    EXPECT_EQ(4242u, TarvoCrashReporterClient::GetInstance()->crash_reporter_pid());
  }
  TarvoCrashReporterClient::GetInstance()->set_crash_reporter_pid(0);
}

// Another account's program that made this process's launch event and set
// it would have this process report to a reporter that never serves: the
// event is refused and no reporter is taken.
TEST(CrashClientSetupTest, PlantedLaunchEventIsRefused) {
  SetTestCrashProductValues();
  const std::wstring name =
      L"TarvoCrashReporterInitEvent" + std::to_wstring(GetCurrentProcessId());
  base::win::ScopedHandle planted(CreateEventW(nullptr, TRUE, TRUE, name.c_str()));
  ASSERT_TRUE(SetObjectOwner(planted.Get(), L"S-1-5-21-1-2-3-1001"));
  EXPECT_EQ(0u, LaunchCrashReporter(RoleCommandLine("crash_reporter_quits", nullptr), 20000));
}

}  // namespace
}  // namespace crash_reporter
