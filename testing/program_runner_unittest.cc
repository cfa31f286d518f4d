#include "testing/program_runner.h"

#include <string>

#include "gtest/gtest.h"
#include "testing/test_child_process.h"

namespace testing_support {
namespace {

constexpr size_t kLongOutputSize = 200000;  // well past the 64 KiB pipe

TEST_CHILD_ROLE(write_past_pipe_buffer) {
  const std::string block(1000, 'o');
  DWORD written = 0;
  for (size_t total = 0; total < kLongOutputSize; total += block.size())
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), block.data(), static_cast<DWORD>(block.size()),
              &written, nullptr);
  return 3;
}

TEST(ProgramRunnerTest, OutputLongerThanThePipeIsCollectedWhileTheProgramRuns) {
  wchar_t own[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
  const ULONGLONG start = GetTickCount64();
  ProgramRun run =
      RunProgram(std::wstring(own, length), L"--test-child-role=write_past_pipe_buffer");
  EXPECT_TRUE(run.finished);
  EXPECT_EQ(3u, run.exit_code);
  EXPECT_EQ(kLongOutputSize, run.output.size());
  EXPECT_EQ(std::string::npos, run.output.find_first_not_of('o'));
  EXPECT_LT(GetTickCount64() - start, 20000u);  // not left blocked until the time limit
}

}  // namespace
}  // namespace testing_support
