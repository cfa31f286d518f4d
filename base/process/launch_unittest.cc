#include "base/process/launch.h"

#include <windows.h>

#include <string>

#include "base/command_line.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

namespace base {
namespace {

void WriteStdout(const std::string& text) {
  DWORD written = 0;
  ::WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

// Prints switch "value" and every argument as it received them, one per
// line.
TEST_CHILD_ROLE(print_args) {
  const CommandLine cl = CommandLine::FromString(GetCommandLineW());
  std::string text = "value=" + WideToUTF8(cl.GetSwitchValueNative("value")) + "\n";
  for (const std::wstring& arg : cl.GetArgs()) text += "arg=" + WideToUTF8(arg) + "\n";
  WriteStdout(text);
  return 0;
}

TEST_CHILD_ROLE(write_stderr) {
  DWORD written = 0;
  ::WriteFile(GetStdHandle(STD_ERROR_HANDLE), "err", 3, &written, nullptr);
  return 0;
}

TEST_CHILD_ROLE(exit_seven) {
  WriteStdout("seven");
  return 7;
}

// Writes far more than a pipe buffer holds, then exits.
TEST_CHILD_ROLE(spew) {
  std::string block(1000, 'x');
  block.back() = '\n';
  for (int i = 0; i < 500; ++i) WriteStdout(block);
  return 0;
}

// Prints its pid and then runs until killed (bounded as a safety net).
TEST_CHILD_ROLE(sleep_forever) {
  WriteStdout("pid=" + NumberToString(GetCurrentProcessId()) + "\n");
  Sleep(90 * 1000);
  return 0;
}

// Starts a grandchild that inherits our stdout pipe and outlives us.
TEST_CHILD_ROLE(spawn_grandchild) {
  LaunchOptions options;
  options.inherit_mode = LaunchOptions::Inherit::kSpecific;
  options.stdout_handle = GetStdHandle(STD_OUTPUT_HANDLE);
  Process grandchild =
      LaunchProcess(testing_support::GetTestChildCommandLine("sleep_forever"), options);
  WriteStdout("grandchild=" + NumberToString(grandchild.Pid()) + "\n");
  return grandchild.IsValid() ? 0 : 1;
}

// Signals each event whose handle value is given as an argument.
TEST_CHILD_ROLE(signal_handles) {
  const CommandLine cl = CommandLine::FromString(GetCommandLineW());
  for (const std::wstring& arg : cl.GetArgs()) {
    uint64_t value = 0;
    if (StringToUint64(arg, &value)) SetEvent(reinterpret_cast<HANDLE>(value));
  }
  return 0;
}

std::string ValueAfter(const std::string& output, const std::string& key) {
  const size_t pos = output.find(key);
  if (pos == std::string::npos) return std::string();
  const size_t end = output.find('\n', pos);
  return output.substr(pos + key.size(), end - pos - key.size());
}

void KillByPid(const std::string& pid_text) {
  unsigned pid = 0;
  if (!StringToUint(pid_text, &pid)) return;
  Process process = Process::Open(pid);
  if (process.IsValid()) process.Terminate(1, true);
}

TEST(LaunchTest, ChildSeesHostileValuesExactly) {
  const std::wstring hostile[] = {L"a b", L"quote\"d", L"trail\\", L"--evil=1", L"x\" --evil \"y",
                                  L"\x00FC\x20AC"};
  for (const std::wstring& value : hostile) {
    CommandLine cl = CommandLine::FromString(testing_support::GetTestChildCommandLine("print_args"));
    cl.AppendSwitchNative("value", value);
    cl.AppendArgNative(value);
    std::string output;
    ASSERT_TRUE(GetAppOutput(cl, &output)) << cl.GetCommandLineString();
    const std::string expected = WideToUTF8(value);
    EXPECT_EQ("value=" + expected + "\narg=" + expected + "\n", output);
  }
}

TEST(LaunchTest, ExitCodeDecidesGetAppOutputButNotTheExitCodeForm) {
  const CommandLine cl =
      CommandLine::FromString(testing_support::GetTestChildCommandLine("exit_seven"));
  std::string output;
  EXPECT_FALSE(GetAppOutput(cl, &output));
  EXPECT_EQ("seven", output);
  int exit_code = 0;
  EXPECT_TRUE(GetAppOutputWithExitCode(cl, &output, &exit_code));
  EXPECT_EQ(7, exit_code);
  EXPECT_FALSE(GetAppOutput(L"Z:\\no\\such\\program.exe", &output));

  // Standard error is dropped unless asked for.
  const CommandLine err =
      CommandLine::FromString(testing_support::GetTestChildCommandLine("write_stderr"));
  EXPECT_TRUE(GetAppOutput(err, &output));
  EXPECT_EQ("", output);
  EXPECT_TRUE(GetAppOutputAndError(err, &output));
  EXPECT_EQ("err", output);
}

TEST(LaunchTest, LargeOutputDoesNotDeadlock) {
  std::string output;
  int exit_code = -1;
  EXPECT_TRUE(GetAppOutputWithTimeout(testing_support::GetTestChildCommandLine("spew"), &output,
                                      TimeDelta::FromSeconds(30), &exit_code));
  EXPECT_EQ(500000u, output.size());
}

TEST(LaunchTest, TimeoutTerminatesChildAndKeepsPartialOutput) {
  std::string output;
  int exit_code = -1;
  // Long enough for the child to start and write on a loaded 2-core machine.
  const TimeDelta timeout = TimeDelta::FromSeconds(6);
  const TimeTicks start = TimeTicks::Now();
  EXPECT_FALSE(GetAppOutputWithTimeout(testing_support::GetTestChildCommandLine("sleep_forever"),
                                       &output, timeout, &exit_code));
  const TimeDelta elapsed = TimeTicks::Now() - start;
  EXPECT_GE(elapsed, timeout - TimeDelta::FromMilliseconds(100));
  EXPECT_LT(elapsed, TimeDelta::FromSeconds(30));
  const std::string pid = ValueAfter(output, "pid=");
  ASSERT_FALSE(pid.empty()) << output;
  unsigned pid_value = 0;
  ASSERT_TRUE(StringToUint(pid, &pid_value));
  Process child = Process::Open(pid_value);
  if (child.IsValid()) {
    EXPECT_TRUE(child.WaitForExitWithTimeout(TimeDelta::FromSeconds(30), nullptr));
  }
}

TEST(LaunchTest, GrandchildHoldingThePipeDoesNotBlockTheRead) {
  std::string output;
  const TimeTicks start = TimeTicks::Now();
  int exit_code = -1;
  EXPECT_TRUE(GetAppOutputWithTimeout(testing_support::GetTestChildCommandLine("spawn_grandchild"),
                                      &output, TimeDelta::FromSeconds(30), &exit_code));
  EXPECT_LT(TimeTicks::Now() - start, TimeDelta::FromSeconds(25));
  EXPECT_EQ(0, exit_code);
  const std::string pid = ValueAfter(output, "grandchild=");
  EXPECT_FALSE(pid.empty()) << output;
  KillByPid(pid);
}

TEST(LaunchTest, OnlyListedHandlesAreInherited) {
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  HANDLE listed = CreateEventW(&sa, TRUE, FALSE, nullptr);
  HANDLE unlisted = CreateEventW(&sa, TRUE, FALSE, nullptr);
  ASSERT_TRUE(listed && unlisted);
  CommandLine cl =
      CommandLine::FromString(testing_support::GetTestChildCommandLine("signal_handles"));
  cl.AppendArg(NumberToString(reinterpret_cast<uint64_t>(listed)));
  cl.AppendArg(NumberToString(reinterpret_cast<uint64_t>(unlisted)));
  LaunchOptions options;
  options.handles_to_inherit = {listed, listed};  // duplicates are tolerated
  Process child = LaunchProcess(cl, options);
  ASSERT_TRUE(child.IsValid());
  int exit_code = -1;
  ASSERT_TRUE(child.WaitForExitWithTimeout(TimeDelta::FromSeconds(30), &exit_code));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(listed, 0));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(unlisted, 0));
  CloseHandle(listed);
  CloseHandle(unlisted);
}

TEST(ProcessTest, WaitTimesOutThenTerminateGivesExitCode) {
  LaunchOptions options;
  options.start_hidden = true;
  Process child = LaunchProcess(testing_support::GetTestChildCommandLine("sleep_forever"), options);
  ASSERT_TRUE(child.IsValid());
  EXPECT_NE(kNullProcessId, child.Pid());
  EXPECT_FALSE(child.WaitForExitWithTimeout(TimeDelta::FromMilliseconds(200), nullptr));
  Process second = child.Duplicate();
  EXPECT_TRUE(child.Terminate(5, true));
  int exit_code = 0;
  EXPECT_TRUE(second.WaitForExitWithTimeout(TimeDelta::FromSeconds(30), &exit_code));
  EXPECT_EQ(5, exit_code);
  EXPECT_TRUE(Process::Current().IsValid());
  EXPECT_EQ(GetCurrentProcId(), Process::Current().Pid());
  // A failed open must never turn into "this process".
  EXPECT_FALSE(Process(INVALID_HANDLE_VALUE).IsValid());
}

}  // namespace
}  // namespace base
