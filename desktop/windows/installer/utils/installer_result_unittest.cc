#include "desktop/windows/installer/utils/installer_result.h"

#include <windows.h>

#include <string>

#include "gtest/gtest.h"
#include "testing/test_child_process.h"

TEST_CHILD_ROLE(exit_with_code) {
  const wchar_t* value = wcsstr(GetCommandLineW(), L"--code=");
  return value ? static_cast<int>(wcstoul(value + 7, nullptr, 10)) : 0;
}

namespace {

DWORD RunChildExitingWith(DWORD code, HANDLE* process_out) {
  std::wstring command_line = testing_support::GetTestChildCommandLine(
      "exit_with_code", L"--code=" + std::to_wstring(code));
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return GetLastError();
  }
  CloseHandle(info.hThread);
  DWORD wait = WaitForSingleObject(info.hProcess, 30000);
  *process_out = info.hProcess;
  return wait;
}

TEST(InstallerResultTest, ExitCodes) {
  EXPECT_EQ(0u, RunInstallerExitCode(RESULT_SUCCESS));
  EXPECT_EQ(101u, RunInstallerExitCode(RESULT_GENERAL_FAILURE));
  EXPECT_EQ(124u, RunInstallerExitCode(RESULT_BAD_INITIAL_PROCESS_HANDLE));
  for (uint32_t result = 0; result < RESULT_COUNT; ++result) {
    // Every result survives the trip through a child's exit code.
    EXPECT_EQ(result, ExitCodeValueToInstallerResult(RunInstallerExitCode(result)));
  }
}

TEST(InstallerResultTest, ChildExitCodeMapping) {
  EXPECT_EQ(RESULT_SUCCESS, ExitCodeValueToInstallerResult(0));
  EXPECT_EQ(RESULT_CHILD_EXIT_CODE_1, ExitCodeValueToInstallerResult(1));
  EXPECT_EQ(RESULT_CHILD_EXIT_CODE_2, ExitCodeValueToInstallerResult(2));
  EXPECT_EQ(RESULT_SUCCESS, ExitCodeValueToInstallerResult(100));
  for (DWORD unknown : {3u, 99u, 125u, 259u, 0xC0000005u})
    EXPECT_EQ(RESULT_CHILD_UNKNOWN_EXIT, ExitCodeValueToInstallerResult(unknown)) << unknown;
  EXPECT_FALSE(IsInstallerResultReportable(RESULT_CHILD_EXIT_CODE_1));
  EXPECT_TRUE(IsInstallerResultReportable(RESULT_CHILD_EXIT_CODE_2));
  EXPECT_FALSE(IsInstallerResultReportable(RESULT_CHILD_UNKNOWN_EXIT));
}

TEST(InstallerResultTest, RealChildProcesses) {
  struct Case {
    DWORD exit_code;
    InstallerResult expected;
  } cases[] = {{118, RESULT_CORRUPTED_PAYLOAD}, {100, RESULT_SUCCESS},
               {125, RESULT_CHILD_UNKNOWN_EXIT}, {2, RESULT_CHILD_EXIT_CODE_2}};
  for (const Case& c : cases) {
    HANDLE process = nullptr;
    ASSERT_EQ(WAIT_OBJECT_0, RunChildExitingWith(c.exit_code, &process));
    EXPECT_EQ(c.expected, ExitCodeToInstallerResult(process)) << c.exit_code;
    CloseHandle(process);
  }
  EXPECT_EQ(RESULT_CHILD_UNKNOWN_EXIT, ExitCodeToInstallerResult(nullptr));
}

}  // namespace
