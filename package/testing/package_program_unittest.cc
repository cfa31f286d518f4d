// Runs the package programs and checks their records, exit codes and the
// version answers that the installer's component checks read.

#include <windows.h>

#include <algorithm>
#include <string>

#include "gtest/gtest.h"

namespace {

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring own(path, length);
  return own.substr(0, own.find_last_of(L'\\'));
}

// The test lies beside the programs (package/CMakeLists.txt).
std::wstring Program(const wchar_t* name) { return OwnFolder() + L"\\" + name; }

std::string ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return std::string();
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

struct ProgramRun {
  bool finished = false;
  DWORD exit_code = 0;
  std::string output;
};

ProgramRun Start(const std::wstring& exe, const std::wstring& arguments) {
  ProgramRun result;
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 1 << 16))
    return result;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  std::wstring command = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &startup, &process);
  CloseHandle(write_end);
  if (started) {
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) {
      result.finished = true;
      GetExitCodeProcess(process.hProcess, &result.exit_code);
    } else {
      TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    char buffer[4096];
    DWORD read = 0, available = 0;
    while (PeekNamedPipe(read_end, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(read_end, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
      result.output.append(buffer, read);
    }
  }
  CloseHandle(read_end);
  return result;
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

  std::string Record(const wchar_t* name) { return ReadFileBytes(folder_ + L"\\" + name); }

  std::wstring folder_;
};

// installer_helper's variable is a prefix of installer_helper_64's: each
// program must read only its own.
TEST_F(PackageProgramTest, EachProgramTakesItsOwnExitCode) {
  SetEnvironmentVariableW(L"TARVO_PACKAGE_EXIT_CODE_INSTALLER_HELPER_64", L"7");
  ProgramRun helper = Start(Program(L"installer_helper.exe"), L"a.lnk");
  ProgramRun helper64 = Start(Program(L"installer_helper_64.exe"), L"a.lnk");
  ASSERT_TRUE(helper.finished && helper64.finished);
  EXPECT_EQ(0u, helper.exit_code);
  EXPECT_EQ(7u, helper64.exit_code);

  for (const wchar_t* value : {L"-1", L"12abc", L""}) {
    SetEnvironmentVariableW(L"TARVO_PACKAGE_EXIT_CODE_INSTALLER_HELPER", value);
    ProgramRun run = Start(Program(L"installer_helper.exe"), L"a.lnk");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(wcscmp(value, L"-1") == 0 ? 0xFFFFFFFFu : 0u, run.exit_code) << value;
  }
}

TEST_F(PackageProgramTest, RecordsEachCommandLineAsOneUtf8Line) {
  std::wstring shortcut = L"\"C:\\Users\\T\x00e9st\\Tarvo \x5b89.lnk\"";
  ASSERT_TRUE(Start(Program(L"installer_helper_64.exe"), shortcut).finished);
  ASSERT_TRUE(Start(Program(L"installer_helper_64.exe"), L"--second").finished);
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
  ProgramRun run = Start(copy, L"x.lnk");
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(3u, run.exit_code);
  EXPECT_NE(std::string::npos, Record(L"installer_helper.txt").find(" x.lnk\n"));
  EXPECT_TRUE(Record(L"explorer.txt").empty());
}

// The installer parses the whole output as a version: no line end.
TEST_F(PackageProgramTest, PrintsVersionAndStreamWithoutLineEnd) {
  ProgramRun version = Start(Program(L"assistant_installer.exe"), L"--version");
  ProgramRun stream = Start(Program(L"assistant_installer.exe"), L"--stream");
  ASSERT_TRUE(version.finished && stream.finished);
  EXPECT_EQ(PACKAGE_VERSION, version.output);
  EXPECT_EQ(PACKAGE_STREAM, stream.output);
  EXPECT_EQ(0u, version.exit_code);
  ProgramRun install =
      Start(Program(L"assistant_installer.exe"), L"--installfolder=C:\\x --allusers=1");
  ASSERT_TRUE(install.finished);
  EXPECT_TRUE(install.output.empty());
}

}  // namespace
