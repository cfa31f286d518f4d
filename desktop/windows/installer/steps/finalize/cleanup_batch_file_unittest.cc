#include "desktop/windows/installer/steps/finalize/cleanup_batch_file.h"

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include <cstdio>
#include <iostream>
#include <string>

#include "gtest/gtest.h"
#include "testing/program_runner.h"
#include "testing/test_child_process.h"

// Stand-ins for the system's TASKLIST and FIND, which Wine lacks or
// restricts: "TASKLIST /FI "PID eq N"" lists the process while it runs,
// "FIND /c /i TEXT" counts the input lines holding TEXT (case ignored) and
// answers errorlevel 1 when there are none.
TEST_CHILD_ROLE(program_tasklist) {
  const std::wstring command_line = GetCommandLineW();
  const size_t pos = command_line.find(L"PID eq ");
  if (pos == std::wstring::npos)
    return 1;
  const DWORD pid = wcstoul(command_line.c_str() + pos + 7, nullptr, 10);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process) {
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
      printf("installer.exe %lu Console\n", pid);
    CloseHandle(process);
  }
  return 0;
}

TEST_CHILD_ROLE(program_find) {
  std::string line;
  int count = 0;
  while (std::getline(std::cin, line)) {
    for (char& c : line)
      c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    if (line.find(".exe") != std::string::npos)
      ++count;
  }
  printf("%d\n", count);
  return count ? 0 : 1;
}

namespace {

// The id of a process that has ended.
DWORD EndedProcessId() {
  base::LaunchOptions options;
  options.start_hidden = true;
  const base::Process process =
      base::LaunchProcess(L"C:\\windows\\system32\\cmd.exe /c exit", options);
  if (!process.IsValid())
    return 0;
  process.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(30), nullptr);
  return process.Pid();
}

TEST(CleanupBatchFileTest, GoldenText) {
  const base::FilePath root(L"C:\\Apps\\Tarvo 100%");
  CleanupBatchFile batch(root);
  batch.SetProcess(1, 100);
  batch.SetProcess(3, 300);
  batch.AddFile(root.Append(L"1.2\\caf\u00e9 %PATH%.dll"));
  batch.AddFile(root.Append(L"launcher.exe"));
  // Ancestors inside the installation folder only; each once.
  batch.AddFolderAndAncestors(root.Append(L"1.2\\locales\\x"));
  batch.AddFolderAndAncestors(root.Append(L"1.2\\Locales"));
  batch.AddFolderAndAncestors(base::FilePath(L"D:\\Elsewhere"));
  const std::string expected =
      "SET PID1_RUNNING=TRUE\n"
      "SET PID3_RUNNING=TRUE\n"
      ":again\n"
      "IF %PID1_RUNNING%==TRUE (\n"
      "TASKLIST /FI \"PID eq 100\" | FIND /c /i \".exe\"\n"
      "IF ERRORLEVEL 1 SET PID1_RUNNING=FALSE\n"
      ")\n"
      "IF %PID3_RUNNING%==TRUE (\n"
      "TASKLIST /FI \"PID eq 300\" | FIND /c /i \".exe\"\n"
      "IF ERRORLEVEL 1 SET PID3_RUNNING=FALSE\n"
      ")\n"
      "ping -n 2 127.0.0.1\n"
      "IF %PID1_RUNNING%==TRUE GOTO :again\n"
      "IF %PID3_RUNNING%==TRUE GOTO :again\n"
      "del \"C:\\Apps\\Tarvo 100%%\\1.2\\caf\x82 %%PATH%%.dll\"\n"
      "del \"C:\\Apps\\Tarvo 100%%\\launcher.exe\"\n"
      "rmdir \"C:\\Apps\\Tarvo 100%%\\1.2\\locales\\x\"\n"
      "rmdir \"C:\\Apps\\Tarvo 100%%\\1.2\\locales\"\n"
      "rmdir \"C:\\Apps\\Tarvo 100%%\\1.2\"\n"
      "del %0 & rmdir \"C:\\Apps\\Tarvo 100%%\"\n";
  EXPECT_EQ(expected, batch.GetContents(437));
}

TEST(CleanupBatchFileTest, OnlyThisProcessAndUnnameablePathsLeftOut) {
  const base::FilePath root(L"C:\\Apps\\Tarvo");
  CleanupBatchFile batch(root);
  batch.SetProcess(1, 7);
  // Not in code page 437 and not on disk, so without a short name either.
  batch.AddFile(root.Append(L"\u0416.dll"));
  const std::string expected =
      "SET PID1_RUNNING=TRUE\n"
      ":again\n"
      "IF %PID1_RUNNING%==TRUE (\n"
      "TASKLIST /FI \"PID eq 7\" | FIND /c /i \".exe\"\n"
      "IF ERRORLEVEL 1 SET PID1_RUNNING=FALSE\n"
      ")\n"
      "ping -n 2 127.0.0.1\n"
      "IF %PID1_RUNNING%==TRUE GOTO :again\n"
      "del %0\n";
  EXPECT_EQ(expected, batch.GetContents(437));
}

TEST(CleanupBatchFileTest, NameOutsideTheCodePageIsWrittenAsItsShortPath) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath file = temp.GetPath().Append(L"\u0416\u0416\u0416 file.dll");
  ASSERT_TRUE(base::WriteFile(file, "x"));
  wchar_t short_path[MAX_PATH];
  const DWORD length = GetShortPathNameW(file.value().c_str(), short_path, MAX_PATH);
  ASSERT_GT(length, 0u);
  const std::wstring expected(short_path, length);
  if (expected == file.value() || expected.find(L'\u0416') != std::wstring::npos)
    GTEST_SKIP() << "no short names on this volume";
  CleanupBatchFile batch(temp.GetPath());
  batch.AddFile(file);
  const std::string contents = batch.GetContents(437);
  std::string ascii;
  for (wchar_t c : expected)
    ascii.push_back(static_cast<char>(c));
  EXPECT_NE(std::string::npos, contents.find("del \"" + ascii + "\"\n")) << contents;
}

// Runs the written file under cmd from the folder above, as
// StartCleanupBatchFile does, with the stand-ins there (cmd searches its
// current folder first).
TEST(CleanupBatchFileTest, RunsAndRemovesNestedFoldersButNotOthers) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  // No "%" in the folder itself: Wine's cmd drops a "%" that "%0" expands
  // to, so "del %0" would miss the batch file (Windows expands once).
  const base::FilePath root = temp.GetPath().Append(L"Tarvo 5");
  const base::FilePath versioned = root.Append(L"1.2");
  const base::FilePath nested = versioned.Append(L"a\\b");
  ASSERT_TRUE(base::CreateDirectory(nested));
  const base::FilePath file = nested.Append(L"x %OS%.dll");
  const base::FilePath old = versioned.Append(L"installer.exe.1.old");
  const base::FilePath kept = root.Append(L"keep.txt");
  const base::FilePath lookalike = root.Append(L"x Windows_NT.dll");
  for (const base::FilePath& path : {file, old, kept, lookalike})
    ASSERT_TRUE(base::WriteFile(path, "x"));
  wchar_t exe[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const base::FilePath self(std::wstring(exe, length));
  ASSERT_TRUE(base::CopyFile(self, temp.GetPath().Append(L"tasklist.exe")));
  ASSERT_TRUE(base::CopyFile(self, temp.GetPath().Append(L"find.exe")));
  const DWORD ended = EndedProcessId();
  ASSERT_NE(0u, ended);

  CleanupBatchFile batch(root);
  batch.SetProcess(1, ended);
  batch.AddFile(file);
  batch.AddFile(old);
  batch.AddFolderAndAncestors(nested);
  batch.AddFolderAndAncestors(versioned);
  base::FilePath written;
  ASSERT_TRUE(batch.Write(&written));
  EXPECT_EQ(root.Append(L"k.bat"), written);

  testing_support::ProgramRun run = testing_support::RunProgram(
      L"C:\\windows\\system32\\cmd.exe", L"/c \"\"" + written.value() + L"\"\"",
      temp.GetPath().value().c_str());
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_FALSE(base::PathExists(file)) << run.exit_code << " " << run.output;
  EXPECT_FALSE(base::PathExists(old));
  EXPECT_FALSE(base::PathExists(versioned));
  EXPECT_FALSE(base::PathExists(written)) << run.output;
  // Not on the list, or holding what is not: stays.
  EXPECT_TRUE(base::PathExists(lookalike));
  EXPECT_TRUE(base::PathExists(kept));
  EXPECT_TRUE(base::PathExists(root));
}

}  // namespace
