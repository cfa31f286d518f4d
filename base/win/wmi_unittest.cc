#include "base/win/wmi.h"

#include <windows.h>

#include "base/win/scoped_com_initializer.h"
#include "base/win/scoped_handle.h"
#include "gtest/gtest.h"

namespace base {
namespace win {
namespace {

TEST(WmiTest, LaunchedProcessRunsAndHasTheReportedId) {
  ScopedCOMInitializer com;
  ASSERT_TRUE(com.Succeeded());
  int pid = 0;
  // The delay keeps the process alive long enough to be opened.
  ASSERT_TRUE(WmiLaunchProcess(L"cmd.exe /c ping -n 2 127.0.0.1 >nul & exit 7", &pid));
  ASSERT_NE(0, pid);
  ScopedHandle process(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid)));
  ASSERT_TRUE(process.IsValid());
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), 20000));
  DWORD exit_code = 0;
  ASSERT_TRUE(GetExitCodeProcess(process.Get(), &exit_code));
  EXPECT_EQ(7u, exit_code);
}

TEST(WmiTest, UnstartableCommandFails) {
  ScopedCOMInitializer com;
  int pid = -1;
  EXPECT_FALSE(WmiLaunchProcess(L"Z:\\no\\such\\program.exe", &pid));
  EXPECT_EQ(-1, pid);
}

}  // namespace
}  // namespace win
}  // namespace base
