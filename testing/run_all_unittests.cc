#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/at_exit.h"
#include "base/command_line.h"
#include "gtest/gtest.h"
#include "testing/test_child_process.h"

namespace {

// Every test has a time limit: a hang fails the run at once, with the test's
// name, instead of eating the whole CTest timeout.
class TestWatchdog : public testing::EmptyTestEventListener {
 public:
  explicit TestWatchdog(DWORD seconds) : limit_ms_(seconds * 1000) {
    timer_ = CreateWaitableTimerW(nullptr, TRUE, nullptr);
    thread_ = CreateThread(nullptr, 0, &TestWatchdog::ThreadMain, this, 0, nullptr);
  }

  void OnTestStart(const testing::TestInfo& info) override {
    name_ = std::string(info.test_suite_name()) + "." + info.name();
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(limit_ms_) * 10000;
    SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE);
  }
  void OnTestEnd(const testing::TestInfo&) override { CancelWaitableTimer(timer_); }

 private:
  static DWORD WINAPI ThreadMain(void* param) {
    auto* self = static_cast<TestWatchdog*>(param);
    WaitForSingleObject(self->timer_, INFINITE);
    fprintf(stderr, "\n[  TIMEOUT ] %s ran longer than %lu s\n", self->name_.c_str(),
            static_cast<unsigned long>(self->limit_ms_ / 1000));
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
  }

  DWORD limit_ms_;
  HANDLE timer_ = nullptr;
  HANDLE thread_ = nullptr;
  std::string name_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // No error boxes from the loader or a crash: a test must fail, not wait.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

  if (testing_support::TestChildRole role =
          testing_support::FindTestChildRole(GetCommandLineW())) {
    return role();
  }

  base::AtExitManager at_exit_manager;
  base::CommandLine::Init(0, nullptr);
  testing::InitGoogleTest(&argc, argv);
  DWORD limit = 60;
  if (const char* value = getenv("TARVO_TEST_TIMEOUT_SECONDS"))
    limit = static_cast<DWORD>(strtoul(value, nullptr, 10));
  testing::UnitTest::GetInstance()->listeners().Append(new TestWatchdog(limit));
  return RUN_ALL_TESTS();
}
