// Runs the package programs and checks their records, exit codes and the
// version answers that the installer's component checks read.

#include <windows.h>

#include <algorithm>
#include <string>

#include "gtest/gtest.h"
#include "testing/program_runner.h"

namespace {

using testing_support::ProgramRun;
using testing_support::RunProgram;

// The test lies beside the programs (package/CMakeLists.txt).
std::wstring Program(const wchar_t* name) {
  return testing_support::ExecutableFolder() + L"\\" + name;
}

class PackageProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    folder_ = std::wstring(temp) + L"tarvo_package_test_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    SetEnvironmentVariableW(L"TARVO_PACKAGE_RECORD_DIR", folder_.c_str());
  }

  void TearDown() override {
    for (const wchar_t* name :
         {L"installer_helper.txt", L"installer_helper_64.txt", L"assistant_installer.txt",
          L"explorer.exe", L"explorer.txt"}) {
      DeleteFileW((folder_ + L"\\" + name).c_str());
    }
    RemoveDirectoryW(folder_.c_str());
    SetEnvironmentVariableW(L"TARVO_PACKAGE_RECORD_DIR", nullptr);
    SetEnvironmentVariableW(L"TARVO_PACKAGE_EXIT_CODE_INSTALLER_HELPER", nullptr);
    SetEnvironmentVariableW(L"TARVO_PACKAGE_EXIT_CODE_INSTALLER_HELPER_64", nullptr);
  }

  std::string Record(const wchar_t* name) { return testing_support::ReadWholeFile(folder_ + L"\\" + name); }

  std::wstring folder_;
};

// installer_helper's variable is a prefix of installer_helper_64's: each
// program must read only its own.
TEST_F(PackageProgramTest, EachProgramTakesItsOwnExitCode) {
  SetEnvironmentVariableW(L"TARVO_PACKAGE_EXIT_CODE_INSTALLER_HELPER_64", L"7");
  ProgramRun helper = RunProgram(Program(L"installer_helper.exe"), L"a.lnk");
  ProgramRun helper64 = RunProgram(Program(L"installer_helper_64.exe"), L"a.lnk");
  ASSERT_TRUE(helper.finished && helper64.finished);
  EXPECT_EQ(0u, helper.exit_code);
  EXPECT_EQ(7u, helper64.exit_code);

  for (const wchar_t* value : {L"-1", L"12abc", L""}) {
    SetEnvironmentVariableW(L"TARVO_PACKAGE_EXIT_CODE_INSTALLER_HELPER", value);
    ProgramRun run = RunProgram(Program(L"installer_helper.exe"), L"a.lnk");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(wcscmp(value, L"-1") == 0 ? 0xFFFFFFFFu : 0u, run.exit_code) << value;
  }
}

TEST_F(PackageProgramTest, RecordsEachCommandLineAsOneUtf8Line) {
  std::wstring shortcut = L"\"C:\\Users\\T\x00e9st\\Tarvo \x5b89.lnk\"";
  ASSERT_TRUE(RunProgram(Program(L"installer_helper_64.exe"), shortcut).finished);
  ASSERT_TRUE(RunProgram(Program(L"installer_helper_64.exe"), L"--second").finished);
  std::string record = Record(L"installer_helper_64.txt");
  size_t first_end = record.find('\n');
  ASSERT_NE(std::string::npos, first_end);
  std::string first = record.substr(0, first_end);
  EXPECT_NE(std::string::npos,
            first.find(" \"C:\\Users\\T\xc3\xa9st\\Tarvo \xe5\xae\x89.lnk\""))
      << first;
  EXPECT_EQ(2, std::count(record.begin(), record.end(), '\n'));
  EXPECT_NE(std::string::npos, record.substr(first_end + 1).find(" --second\n"));
  EXPECT_EQ('\n', record.back());
  EXPECT_TRUE(Record(L"installer_helper.txt").empty());
}

// The pinning helper is run as a renamed copy; its record keeps its name.
TEST_F(PackageProgramTest, RenamedCopyRecordsUnderItsOwnName) {
  std::wstring copy = folder_ + L"\\explorer.exe";
  ASSERT_TRUE(CopyFileW(Program(L"installer_helper.exe").c_str(), copy.c_str(), FALSE));
  SetEnvironmentVariableW(L"TARVO_PACKAGE_EXIT_CODE_INSTALLER_HELPER", L"3");
  ProgramRun run = RunProgram(copy, L"x.lnk");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(3u, run.exit_code);
  EXPECT_NE(std::string::npos, Record(L"installer_helper.txt").find(" x.lnk\n"));
  EXPECT_TRUE(Record(L"explorer.txt").empty());
}

// The installer parses the whole output as a version: no line end.
TEST_F(PackageProgramTest, PrintsVersionAndStreamWithoutLineEnd) {
  ProgramRun version = RunProgram(Program(L"assistant_installer.exe"), L"--version");
  ProgramRun stream = RunProgram(Program(L"assistant_installer.exe"), L"--stream");
  ASSERT_TRUE(version.finished && stream.finished);
  EXPECT_EQ(PACKAGE_VERSION, version.output);
  EXPECT_EQ(PACKAGE_STREAM, stream.output);
  EXPECT_EQ(0u, version.exit_code);
  ProgramRun install =
      RunProgram(Program(L"assistant_installer.exe"), L"--installfolder=C:\\x --allusers=1");
  ASSERT_TRUE(install.finished);
  EXPECT_TRUE(install.output.empty());
}

}  // namespace
