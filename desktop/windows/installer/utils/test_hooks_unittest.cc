#include "desktop/windows/installer/utils/test_hooks.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/utf_string_conversions.h"
#include "gtest/gtest.h"
#include "testing/scoped_environment_variable.h"
#include "testing/scoped_log_capture.h"
#include "testing/synthetic_pe_image.h"
#include "testing/test_child_process.h"

namespace {

// Every hook as a test sets it; no step or point has such a name.
struct Hook {
  TestHook hook;
  const wchar_t* value;
};
constexpr Hook kHooks[] = {
    {TestHook::kFailStep, L"no_step"},
    {TestHook::kRetryStep, L"no_step"},
    {TestHook::kStopAt, L"no_point"},
    {TestHook::kAvroServer, L""},
    {TestHook::kDownloadableResourcesDir, L"C:\\offered"},
    {TestHook::kDownloadTimeout, L"7"},
    {TestHook::kFetchStallLimit, L"9"},
};

bool IsVariable(const Hook& hook) {
  return hook.hook <= TestHook::kStopAt;
}

// Whether this process takes `hook` with its value.
bool Takes(const Hook& hook, const base::CommandLine& command_line) {
  std::string variable;
  std::wstring value;
  if (IsVariable(hook))
    return GetTestVariable(hook.hook, &variable) && base::UTF8ToWide(variable) == hook.value;
  return GetTestSwitch(hook.hook, command_line, &value) && value == hook.value;
}

}  // namespace

// Reads every hook twice; exits with a bit for each one taken, plus 1000
// for each line that says a hook was ignored.
TEST_CHILD_ROLE(read_test_hooks) {
  testing_support::ScopedLogCapture log;
  const base::CommandLine command_line = base::CommandLine::FromString(GetCommandLineW());
  int result = 0;
  for (int round = 0; round < 2; ++round) {
    for (size_t i = 0; i < std::size(kHooks); ++i)
      result |= Takes(kHooks[i], command_line) ? 1 << i : 0;
  }
  for (const std::string& line : log.lines())
    result += line.find("A signed build ignores the test hook") != std::string::npos ? 1000 : 0;
  return result;
}

namespace {

// This test program, an unsigned build, takes every hook; a copy of it with
// a certificate table, as a signed build has, takes none and says so once.
TEST(TestHooksTest, ASignedBuildIgnoresEveryHook) {
  base::ScopedTempDir temp;
  base::FilePath self;
  std::string image;
  ASSERT_TRUE(temp.CreateUniqueTempDir() && base::PathService::Get(base::FILE_EXE, &self) &&
              base::ReadFileToString(self, &image));
  image = testing_support::SignedPeImage(image, std::string(), std::string());
  const base::FilePath copy = temp.GetPath().Append(L"signed.exe");
  ASSERT_EQ(static_cast<int>(image.size()), base::WriteFile(copy, image.data(), image.size()));
  base::CommandLine command_line(copy);
  command_line.AppendArgNative(L"--test-child-role=read_test_hooks");
  std::vector<std::unique_ptr<testing_support::ScopedEnvironmentVariable>> variables;
  for (const Hook& hook : kHooks) {
    const std::string name = GetTestHookName(hook.hook);
    if (IsVariable(hook)) {
      variables.push_back(std::make_unique<testing_support::ScopedEnvironmentVariable>(
          base::UTF8ToWide(name).c_str(), hook.value));
    } else {
      command_line.AppendSwitchNative(name, hook.value);
    }
    EXPECT_TRUE(Takes(hook, command_line)) << name;
  }
  base::Process child = base::LaunchProcess(command_line, base::LaunchOptions());
  int exit_code = -1;
  ASSERT_TRUE(child.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(60), &exit_code));
  EXPECT_EQ(1000, exit_code) << "bits: the hooks a signed build took";
}

}  // namespace
