// Real crashes under the real reporter: this test program plays the
// installer process, which starts its reporter exactly as the entry point
// does, and then crashes.

#include <windows.h>

#include <string>

#include "base/at_exit.h"
#include "base/command_line.h"
#include "base/debug/dump_without_crashing.h"
#include "base/environment.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "crash_reporter/crash_client_setup.h"
#include "crash_reporter/crash_in_reporter.h"
#include "crash_reporter/crash_paths.h"
#include "crash_reporter/crash_reporter_server.h"
#include "crash_reporter/crash_reporter_switches.h"
#include "crash_reporter/exception_handler.h"
#include "crash_reporter/minidump_writer.h"
#include "crash_reporter/tarvo_crash_reporter_client.h"
#include "crash_reporter/test_support/crash_upload_test_support.h"
#include "crash_reporter/test_support/minidump_reader.h"
#include "gtest/gtest.h"
#include "testing/scoped_environment_variable.h"
#include "testing/test_child_process.h"

namespace crash_reporter {
namespace {

using testing_support::ScopedEnvironmentVariable;

constexpr wchar_t kCountsVariable[] = L"TARVO_TEST_CRASH_COUNTS";
constexpr wchar_t kPidFileVariable[] = L"TARVO_TEST_CRASH_PID_FILE";
constexpr wchar_t kGoEventVariable[] = L"TARVO_TEST_CRASH_GO";
constexpr wchar_t kRegistryVariable[] = L"TARVO_TEST_CRASH_HKCU";
constexpr char kHowSwitch[] = "crash-how";
constexpr DWORD kRequestedDumpCode = 0xE0000042;
// Each step of a crash (a process start, a dump, an upload) takes a second
// or two alone, but far longer on a loaded two-core machine: the limits only
// keep a broken run from hanging.
constexpr DWORD kChildWaitMs = 120000;
// A crashed reporter waits this long for the second one to start and dump
// it; had it ended first, the dump would hold no exception.
constexpr DWORD kCrashedReporterWaitMs = 120000;

std::string Variable(const wchar_t* name) {
  std::string value;
  base::Environment::Create()->GetVar(base::WideToUTF8(name), &value);
  return value;
}

// What both ends of a test role share: product values, the count file and
// (for the marker) a scratch HKCU.
void InitTestRole() {
  base::CommandLine::Init(0, nullptr);
  SetTestCrashProductValues();
  std::string counts = Variable(kCountsVariable);
  if (!counts.empty())
    base::PathService::OverrideAndCreateIfNeeded(FILE_CRASH_COUNTERS,
                                                 base::FilePath(base::UTF8ToWide(counts)),
                                                 /*is_absolute=*/true, /*create=*/false);
  std::string registry = Variable(kRegistryVariable);
  HKEY key = nullptr;
  if (!registry.empty() &&
      RegOpenKeyExW(HKEY_CURRENT_USER, base::UTF8ToWide(registry).c_str(), 0, KEY_ALL_ACCESS,
                    &key) == ERROR_SUCCESS) {
    RegOverridePredefKey(HKEY_CURRENT_USER, key);
  }
}

// Deep enough to exhaust any stack; called through a pointer the compiler
// cannot see through.
int Recurse(int depth);
int (*volatile g_recurse)(int) = &Recurse;
int Recurse(int depth) {
  volatile char frame[4096];
  frame[0] = static_cast<char>(depth);
  return g_recurse(depth + 1) + frame[0];
}

// The installer process: the reporter role or, set up as the entry point
// does it, a client that tells the test its reporter, waits for the word
// and crashes.
TEST_CHILD_ROLE(crashing_installer) {
  base::AtExitManager at_exit_manager;
  InitTestRole();
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch(switches::kCrashReporterParentId))
    return RunCrashReporterServer(command_line) == 0 ? 0 : 20;
  SetReporterInitTimeoutForTesting(kChildWaitMs);
  DisableExceptionSwallowing();
  if (!EnsureCrashReporter(command_line))
    return 10;
  InstallCrashHandler();
  if (!IsCrashHandlerInstalled())
    return 11;
  SetInstallerCrashKeys();
  SetCrashKeyValue("URL", "https://example.com/" + std::string(100, 'p'));
  std::string pid = std::to_string(TarvoCrashReporterClient::GetInstance()->crash_reporter_pid());
  // Written aside and renamed, so that the test never reads it half-written.
  const base::FilePath pid_file(base::UTF8ToWide(Variable(kPidFileVariable)));
  const base::FilePath partial(pid_file.value() + L".partial");
  if (!base::WriteFile(partial, pid) ||
      !MoveFileExW(partial.value().c_str(), pid_file.value().c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return 14;
  }
  HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, base::UTF8ToWide(Variable(kGoEventVariable)).c_str());
  if (!go || WaitForSingleObject(go, kChildWaitMs) != WAIT_OBJECT_0)
    return 13;
  if (command_line.GetSwitchValueASCII(kHowSwitch) == "stack-overflow")
    return Recurse(1);
  if (command_line.GetSwitchValueASCII(kHowSwitch) == "invalid-parameter")
    ExceptionHandler::HandleInvalidParameter(L"buffer != nullptr", L"CopyName", L"names.cc", 7, 0);
  if (command_line.GetSwitchValueASCII(kHowSwitch) == "dump-without-crashing") {
    CONTEXT context = {};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = kRequestedDumpCode;
    record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
    EXCEPTION_POINTERS pointers = {&record, &context};
    base::debug::DumpWithoutCrashing(&pointers);
    return 15;  // Never reached: the dump ends the process.
  }
  *static_cast<volatile int*>(nullptr) = 1;
  return 12;
}

// A reporter that crashes in a CRT check, and the second reporter started
// for it.
TEST_CHILD_ROLE(crashing_reporter) {
  base::AtExitManager at_exit_manager;
  InitTestRole();
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch(switches::kCrashReporterExceptionInfo)) {
    SetReporterDumpSizeCapForTesting(kClientDumpSizeCap);
    return RunCrashInCrashReporterMode(command_line);
  }
  SetCrashInReporterRelaunchArgumentsForTesting(L"--test-child-role=crashing_reporter");
  SetExceptionEventTimeoutForTesting(kCrashedReporterWaitMs);
  InstallCrashInReporterHandlers();
  CrashInReporterInvalidParameter(L"index < size", L"At", L"vector.cc", 42, 0);
  return 12;
}

// A fresh reporter process naming the dumps of two crashes.
TEST_CHILD_ROLE(reporter_dump_names) {
  SetTestCrashProductValues();
  const std::wstring prefix = L"tarvo-crashlog-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  const base::FilePath folder(L"C:\\dumps");
  if (MakeDumpPath(folder) != folder.Append(prefix + L"1.dmp"))
    return 1;
  return MakeDumpPath(folder) == folder.Append(prefix + L"2.dmp") ? 0 : 2;
}

// The minidump part of an uploaded body: from its signature to the end
// (the form's closing boundary after it does not disturb the reader).
// Empty when the body holds no dump.
std::string DumpIn(const std::string& body) {
  const size_t start = body.find("MDMP");
  return start == std::string::npos ? std::string() : body.substr(start);
}

class CrashReporterProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    SetTestCrashProductValues();
    ASSERT_TRUE(scratch_.CreateUniqueTempDir());
    ASSERT_TRUE(StartCrashServer(&server_, 200));
    dumps_ = scratch_.GetPath().Append(L"dumps");
    counts_ = scratch_.GetPath().Append(L"counts.json");
    go_name_ = L"TarvoCrashTestGo" + std::to_wstring(GetCurrentProcessId());
    go_ = CreateEventW(nullptr, TRUE, FALSE, go_name_.c_str());
  }
  void TearDown() override { CloseHandle(go_); }

  std::string FileText(const base::FilePath& path) {
    std::string text;
    base::ReadFileToString(path, &text);
    return text;
  }

  // Runs the crashing installer; its reporter must end after it.
  void RunCrashingInstaller(const std::wstring& how, bool keep_logs, DWORD* reporter_pid) {
    ScopedEnvironmentVariable dumps(L"TARVO_CRASH_LOG_DIR", dumps_.value().c_str());
    ScopedEnvironmentVariable url(L"TARVO_ALTERNATIVE_CRASH_SERVER_URL",
                                  CrashServerUrl(server_).c_str());
    ScopedEnvironmentVariable counts(kCountsVariable, counts_.value().c_str());
    ScopedEnvironmentVariable keep(L"TARVO_CRASH_KEEP_LOGS", keep_logs ? L"yes" : L"");
    base::FilePath pid_file = scratch_.GetPath().Append(L"reporter.pid");
    ScopedEnvironmentVariable pid(kPidFileVariable, pid_file.value().c_str());
    ScopedEnvironmentVariable go(kGoEventVariable, go_name_.c_str());
    base::Process child = base::LaunchProcess(
        testing_support::GetTestChildCommandLine("crashing_installer", L"--crash-how=" + how),
        base::LaunchOptions());
    ASSERT_TRUE(child.IsValid());
    // The reporter is known once the client is set up.
    const ULONGLONG deadline = GetTickCount64() + kChildWaitMs;
    while (!base::PathExists(pid_file) && GetTickCount64() < deadline &&
           WaitForSingleObject(child.Handle(), 20) == WAIT_TIMEOUT) {
    }
    *reporter_pid = std::stoul("0" + FileText(pid_file));
    base::Process reporter = base::Process::Open(*reporter_pid);
    SetEvent(go_);
    int exit_code = 0;
    ASSERT_TRUE(child.WaitForExitWithTimeout(base::TimeDelta::FromMilliseconds(kChildWaitMs),
                                             &exit_code));
    ASSERT_NE(0u, *reporter_pid) << "client exit " << exit_code;
    // Wine ends a process whose stack overflowed with exit code 0.
    if (how == L"dump-without-crashing") {
      EXPECT_EQ(1, exit_code);
    } else if (how != L"stack-overflow") {
      EXPECT_EQ(how == L"access-violation" ? 0xC0000005u : 0xC000000Du,
                static_cast<DWORD>(exit_code));
    }
    ASSERT_TRUE(reporter.IsValid());
    int reporter_exit = -1;
    ASSERT_TRUE(reporter.WaitForExitWithTimeout(base::TimeDelta::FromMilliseconds(kChildWaitMs),
                                                &reporter_exit));
    EXPECT_EQ(0, reporter_exit);
  }

  // The one request's multipart body, unzipped.
  std::string UploadedBody() {
    server_.WaitForRequests(1, base::TimeDelta::FromMilliseconds(kChildWaitMs));
    std::vector<LoopbackHttpServer::Request> requests = server_.requests();
    EXPECT_EQ(1u, requests.size());
    return requests.empty() ? std::string() : Gunzip(requests[0].body);
  }

  base::ScopedTempDir scratch_;
  LoopbackHttpServer server_;
  base::FilePath dumps_;
  base::FilePath counts_;
  std::wstring go_name_;
  HANDLE go_ = nullptr;
};

TEST(CrashReporterDumpTest, TwoCrashesInOneReporterGetIndexes1And2) {
  EXPECT_EQ(0, testing_support::RunTestChild("reporter_dump_names"));
}

TEST_F(CrashReporterProcessTest, CrashIsDumpedCountedAndUploaded) {
  DWORD reporter = 0;
  RunCrashingInstaller(L"access-violation", /*keep_logs=*/true, &reporter);
  base::FilePath dump =
      dumps_.Append(L"tarvo-crashlog-" + std::to_wstring(reporter) + L"-1.dmp");
  std::string dump_bytes = FileText(dump);
  MinidumpReader reader(dump_bytes);
  ASSERT_TRUE(reader.valid());
  EXPECT_EQ(0xC0000005u, reader.ExceptionCode());
  EXPECT_EQ("51.0.2802.0 931610", reader.Stream(kVersionStreamType));
  EXPECT_FALSE(reader.HasStream(kAssertionStreamType));
  EXPECT_EQ("{\"installer\":1}", FileText(counts_));

  std::string body = UploadedBody();
  EXPECT_NE(std::string::npos, body.find("name=\"upload_file_minidump\"; filename=\"tarvo-crashlog-"));
  EXPECT_NE(std::string::npos, body.find(dump_bytes));
  EXPECT_NE(std::string::npos, body.find("name=\"ptype\"\r\n\r\ninstaller\r\n"));
  EXPECT_NE(std::string::npos, body.find("name=\"prod\"\r\n\r\nTarvoInstaller\r\n"));
  EXPECT_NE(std::string::npos, body.find("name=\"BuildID\"\r\n\r\n20171210317950\r\n"));
  EXPECT_NE(std::string::npos,
            body.find("name=\"URL\"\r\n\r\nhttps://example.com/" + std::string(100, 'p') + "\r\n"));
  EXPECT_NE(std::string::npos, body.find("name=\"mem_physical_total\""));
  EXPECT_NE(std::string::npos, body.find("name=\"CrashTime\""));
  EXPECT_EQ(std::string::npos, body.find("name=\"crash_guid\""));
}

// The crashed thread has almost no stack left when it asks for its dump.
TEST_F(CrashReporterProcessTest, StackOverflowIsDumped) {
  DWORD reporter = 0;
  RunCrashingInstaller(L"stack-overflow", /*keep_logs=*/false, &reporter);
  std::string body = UploadedBody();
  const std::string dump = DumpIn(body);
  ASSERT_FALSE(dump.empty()) << "no minidump in the upload";
  MinidumpReader reader(dump);
  ASSERT_TRUE(reader.valid());
  EXPECT_EQ(0xC00000FDu, reader.ExceptionCode());
}

// A dump asked for without a crash goes through the reporter like a
// crash's, with the exception it was given; then the process ends with 1.
TEST_F(CrashReporterProcessTest, DumpWithoutCrashingIsWrittenThenTheProcessEnds) {
  DWORD reporter = 0;
  RunCrashingInstaller(L"dump-without-crashing", /*keep_logs=*/true, &reporter);
  std::string dump_bytes =
      FileText(dumps_.Append(L"tarvo-crashlog-" + std::to_wstring(reporter) + L"-1.dmp"));
  MinidumpReader reader(dump_bytes);
  ASSERT_TRUE(reader.valid());
  ASSERT_TRUE(reader.HasStream(ExceptionStream));
  EXPECT_EQ(kRequestedDumpCode, reader.ExceptionCode());
  EXPECT_EQ("{\"installer\":1}", FileText(counts_));
  EXPECT_NE(std::string::npos, UploadedBody().find(dump_bytes));
}

// The CRT hooks never fire under Wine; the handler is called directly. Its
// assertion record travels in the dump, which is deleted after the upload.
TEST_F(CrashReporterProcessTest, InvalidParameterDumpCarriesTheAssertion) {
  DWORD reporter = 0;
  RunCrashingInstaller(L"invalid-parameter", /*keep_logs=*/false, &reporter);
  EXPECT_TRUE(base::IsDirectoryEmpty(dumps_));
  std::string body = UploadedBody();
  const std::string dump = DumpIn(body);
  ASSERT_FALSE(dump.empty()) << "no minidump in the upload";
  MinidumpReader reader(dump);
  ASSERT_TRUE(reader.valid());
  EXPECT_EQ(0xC000000Du, reader.ExceptionCode());
  std::string assertion = reader.Stream(kAssertionStreamType);
  ASSERT_EQ(sizeof(AssertionInfo), assertion.size());
  const auto* info = reinterpret_cast<const AssertionInfo*>(assertion.data());
  EXPECT_STREQ(L"buffer != nullptr", info->expression);
  EXPECT_STREQ(L"names.cc", info->file);
  EXPECT_EQ(7u, info->line);
}

// The reporter's own crash: a second reporter dumps and uploads it, counts
// it, and sets the marker that keeps the next one within 3 days silent.
TEST_F(CrashReporterProcessTest, CrashInReporterIsReportedOnceInThreeDays) {
  HKEY scratch_key = nullptr;
  std::wstring key_path = L"Software\\TarvoTest\\CrashMarker" + std::to_wstring(GetCurrentProcessId());
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key_path.c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &scratch_key, nullptr));
  ScopedEnvironmentVariable registry(kRegistryVariable, key_path.c_str());
  ScopedEnvironmentVariable dumps(L"TARVO_CRASH_LOG_DIR", dumps_.value().c_str());
  ScopedEnvironmentVariable url(L"TARVO_ALTERNATIVE_CRASH_SERVER_URL",
                                CrashServerUrl(server_).c_str());
  ScopedEnvironmentVariable counts(kCountsVariable, counts_.value().c_str());
  const std::wstring marker_key = L"Software\\TarvoCrashTest";
  auto read_marker = [&](uint64_t* value) {
    DWORD size = sizeof(*value);
    return RegGetValueW(scratch_key, marker_key.c_str(), kLastCrashValueName, RRF_RT_REG_QWORD,
                        nullptr, value, &size) == ERROR_SUCCESS;
  };
  for (int run = 0; run < 2; ++run) {
    base::Process crashed = base::LaunchProcess(
        testing_support::GetTestChildCommandLine("crashing_reporter"), base::LaunchOptions());
    ASSERT_TRUE(crashed.IsValid());
    int exit_code = -1;
    ASSERT_TRUE(crashed.WaitForExitWithTimeout(
        base::TimeDelta::FromMilliseconds(kCrashedReporterWaitMs + kChildWaitMs), &exit_code));
    EXPECT_EQ(0, exit_code);
    // The second reporter lets the first go before it uploads and counts.
    uint64_t marker = 0;
    const ULONGLONG deadline = GetTickCount64() + kChildWaitMs;
    while (GetTickCount64() < deadline &&
           !(read_marker(&marker) && marker != 0 && FileText(counts_).find('1') != std::string::npos)) {
      Sleep(20);
    }
    ASSERT_NE(0u, marker) << "the first crash was not reported";
  }
  // A second report would follow the first crash's end within moments.
  server_.WaitForRequests(2, base::TimeDelta::FromSeconds(1));
  std::vector<LoopbackHttpServer::Request> requests = server_.requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ(std::string::npos, requests[0].headers.find("Content-Encoding"));
  const std::string& body = requests[0].body;
  EXPECT_NE(std::string::npos, body.find("name=\"ptype\"\r\n\r\ncrash_reporter\r\n"));
  const std::string dump = DumpIn(body);
  ASSERT_FALSE(dump.empty()) << "no minidump in the upload";
  MinidumpReader reader(dump);
  ASSERT_TRUE(reader.valid());
  EXPECT_EQ(0xC000000Du, reader.ExceptionCode());
  std::string assertion = reader.Stream(kAssertionStreamType);
  ASSERT_EQ(sizeof(AssertionInfo), assertion.size());
  EXPECT_STREQ(L"index < size", reinterpret_cast<const AssertionInfo*>(assertion.data())->expression);
  EXPECT_EQ("{\"crash_reporter\":1}", FileText(counts_));
  EXPECT_TRUE(base::IsDirectoryEmpty(dumps_));
  RegCloseKey(scratch_key);
  RegDeleteTreeW(HKEY_CURRENT_USER, key_path.c_str());
}

}  // namespace
}  // namespace crash_reporter
