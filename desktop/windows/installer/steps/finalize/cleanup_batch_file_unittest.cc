#include "desktop/windows/installer/steps/finalize/cleanup_batch_file.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "gtest/gtest.h"

namespace {

constexpr char kOld[] = ".1700000000.old";

// A process that runs until killed, or one that has ended.
base::Process StartPing() {
  base::LaunchOptions options;
  options.start_hidden = true;
  return base::LaunchProcess(L"C:\\windows\\system32\\ping.exe -n 120 127.0.0.1", options);
}

DWORD EndedProcessId() {
  base::Process process = StartPing();
  if (!process.IsValid())
    return 0;
  process.Terminate(0, /*wait=*/true);
  return process.Pid();
}

// Each test waits at most 40 s for all its batch files.
base::TimeTicks Deadline() {
  return base::TimeTicks::Now() + base::TimeDelta::FromSeconds(40);
}

bool WaitUntilGone(const base::FilePath& path, base::TimeTicks deadline) {
  while (base::PathExists(path) && base::TimeTicks::Now() < deadline)
    Sleep(100);
  return !base::PathExists(path);
}

int CountDeletions(const std::string& text) {
  int count = 0;
  for (size_t at = text.find("\ndel "); at != std::string::npos; at = text.find("\ndel ", at + 1))
    ++count;
  return count;
}

base::FilePath Aside(const base::FilePath& folder, const std::wstring& name) {
  return folder.Append(name + base::ASCIIToWide(kOld));
}

TEST(CleanupBatchFileTest, GoldenText) {
  const base::FilePath root(L"C:\\Apps\\Tarvo 100%");
  CleanupBatchFile batch(root);
  batch.SetProcess(1, 100);
  batch.SetProcess(3, 300);
  batch.AddFile(Aside(root, L"1.2\\caf\u00e9 %PATH%.dll"));
  batch.AddFile(Aside(root, L"launcher.exe"));
  batch.AddFile(Aside(root, L"LAUNCHER.exe"));
  // Ancestors inside the installation folder only; each once.
  batch.AddFolderAndAncestors(root.Append(L"1.2\\locales\\x"));
  batch.AddFolderAndAncestors(root.Append(L"1.2\\Locales"));
  batch.AddFolderAndAncestors(base::FilePath(L"D:\\Elsewhere"));
  const std::string wait =
      "IF %WAITED% LSS 1800 IF %PID1_RUNNING%==TRUE GOTO :again\n"
      "IF %WAITED% LSS 1800 IF %PID3_RUNNING%==TRUE GOTO :again\n";
  const std::string expected =
      "cd ..\n"
      "SET PID1_RUNNING=TRUE\n"
      "SET PID3_RUNNING=TRUE\n"
      "SET WAITED=0\n"
      ":again\n"
      "IF %PID1_RUNNING%==TRUE SET PID1_RUNNING=CHECKING\n"
      "IF %PID1_RUNNING%==CHECKING FOR /F \"tokens=2 delims=,\" %%P IN ('TASKLIST /FO CSV /NH "
      "/FI \"PID eq 100\"') DO IF \"%%~P\"==\"100\" SET PID1_RUNNING=TRUE\n"
      "IF %PID1_RUNNING%==CHECKING FOR /F %%P IN ('wmic process get ProcessId') DO "
      "IF \"%%P\"==\"100\" SET PID1_RUNNING=TRUE\n"
      "IF %PID1_RUNNING%==CHECKING SET PID1_RUNNING=FALSE\n"
      "IF %PID3_RUNNING%==TRUE SET PID3_RUNNING=CHECKING\n"
      "IF %PID3_RUNNING%==CHECKING FOR /F \"tokens=2 delims=,\" %%P IN ('TASKLIST /FO CSV /NH "
      "/FI \"PID eq 300\"') DO IF \"%%~P\"==\"300\" SET PID3_RUNNING=TRUE\n"
      "IF %PID3_RUNNING%==CHECKING FOR /F %%P IN ('wmic process get ProcessId') DO "
      "IF \"%%P\"==\"300\" SET PID3_RUNNING=TRUE\n"
      "IF %PID3_RUNNING%==CHECKING SET PID3_RUNNING=FALSE\n"
      "ping -n 2 127.0.0.1\n"
      "SET /A WAITED+=1\n" +
      wait +
      "del \"C:\\Apps\\Tarvo 100%%\\1.2\\caf\x82 %%PATH%%.dll.1700000000.old\"\n"
      "del \"C:\\Apps\\Tarvo 100%%\\launcher.exe.1700000000.old\"\n"
      "rmdir \"C:\\Apps\\Tarvo 100%%\\1.2\\locales\\x\"\n"
      "rmdir \"C:\\Apps\\Tarvo 100%%\\1.2\\locales\"\n"
      "rmdir \"C:\\Apps\\Tarvo 100%%\\1.2\"\n"
      "del \"C:\\Apps\\Tarvo 100%%\\k.bat\" & rmdir \"C:\\Apps\\Tarvo 100%%\"\n";
  const std::string text = batch.GetContents(437);
  EXPECT_EQ(expected, text);

  // What another process reads back is what was written.
  CleanupBatchFile read(root);
  ASSERT_TRUE(CleanupBatchFile::Parse(text, root, 437, &read));
  EXPECT_EQ(text, read.GetContents(437));
  EXPECT_EQ(300u, read.processes()[2]);
}

TEST(CleanupBatchFileTest, NameOutsideTheCodePageIsWrittenAsItsShortPath) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath file = Aside(temp.GetPath(), L"\u0416\u0416\u0416 file.dll");
  ASSERT_TRUE(base::WriteFile(file, "x"));
  wchar_t short_path[MAX_PATH];
  const DWORD length = GetShortPathNameW(file.value().c_str(), short_path, MAX_PATH);
  ASSERT_GT(length, 0u);
  const std::wstring expected(short_path, length);
  if (expected == file.value() || expected.find(L'\u0416') != std::wstring::npos)
    GTEST_SKIP() << "no short names on this volume";
  CleanupBatchFile batch(temp.GetPath());
  batch.AddFile(file);
  // Not in code page 437 and not on disk, so without a short name either.
  batch.AddFile(Aside(temp.GetPath(), L"\u0416.dll"));
  const std::string contents = batch.GetContents(437);
  std::string ascii;
  for (wchar_t c : expected)
    ascii.push_back(static_cast<char>(c));
  EXPECT_NE(std::string::npos, contents.find("del \"" + ascii + "\"\n")) << contents;
  EXPECT_EQ(2, CountDeletions(contents)) << contents;
  // Read back, the short name counts as the copy it names.
  EXPECT_TRUE(CleanupBatchFile::IsValidText(contents, temp.GetPath(), 437)) << contents;
}

// Run for real, as the uninstall starts it, in folders whose names hold
// what cmd treats specially: each removes exactly its listed copies and
// folders, and the file itself.
TEST(CleanupBatchFileTest, RunsInFoldersWithNamesCmdTreatsSpecially) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const DWORD ended = EndedProcessId();
  ASSERT_NE(0u, ended);
  const wchar_t* const kNames[] = {L"Tarvo 100%",  L"a%OS%b",    L"Tarvo ^5",  L"Tarvo & co",
                                   L"Tarvo!x!", L"Tarvo (x86)", L"x)&^%!(y"};
  struct Folder {
    base::FilePath root, versioned, copy, nested_copy, kept, lookalike;
  };
  std::vector<Folder> folders;
  for (const wchar_t* name : kNames) {
    Folder f;
    f.root = temp.GetPath().Append(name);
    f.versioned = f.root.Append(L"1.2");
    f.copy = Aside(f.versioned, L"installer.exe");
    f.nested_copy = Aside(f.versioned.Append(L"a\\b"), L"x %OS%.dll");
    f.kept = f.root.Append(L"keep.txt");
    f.lookalike = Aside(f.root, L"x Windows_NT.dll");
    ASSERT_TRUE(base::CreateDirectory(f.nested_copy.DirName()));
    for (const base::FilePath& path : {f.copy, f.nested_copy, f.kept, f.lookalike})
      ASSERT_TRUE(base::WriteFile(path, "x"));
    CleanupBatchFile batch(f.root);
    batch.SetProcess(1, ended);
    batch.AddFile(f.copy);
    batch.AddFile(f.nested_copy);
    batch.AddFolderAndAncestors(f.nested_copy.DirName());
    ASSERT_TRUE(base::WriteFile(CleanupBatchFile::GetPath(f.root), batch.GetContents(CP_OEMCP)));
    ASSERT_TRUE(StartCleanupBatchFile(CleanupBatchFile::GetPath(f.root)));
    folders.push_back(f);
  }
  const base::TimeTicks deadline = Deadline();
  for (const Folder& f : folders) {
    EXPECT_TRUE(WaitUntilGone(CleanupBatchFile::GetPath(f.root), deadline)) << f.root;
    EXPECT_FALSE(base::PathExists(f.copy)) << f.root;
    EXPECT_FALSE(base::PathExists(f.versioned)) << f.root;
    // Not on the list, or holding what is not: stays.
    EXPECT_TRUE(base::PathExists(f.lookalike)) << f.root;
    EXPECT_TRUE(base::PathExists(f.kept)) << f.root;
  }
}

// The wait asks by process id with what the system has: here (Wine) its
// TASKLIST prints nothing, so another way must see the process run.
TEST(CleanupBatchFileTest, WaitsUntilTheProcessHasEnded) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath root = temp.GetPath().Append(L"Tarvo");
  const base::FilePath copy = Aside(root, L"installer_engine.dll");
  ASSERT_TRUE(base::CreateDirectory(root));
  ASSERT_TRUE(base::WriteFile(copy, "x"));
  base::Process late = StartPing();
  ASSERT_TRUE(late.IsValid());
  CleanupBatchFile batch(root);
  batch.SetProcess(1, EndedProcessId());
  batch.SetProcess(2, late.Pid());
  batch.AddFile(copy);
  const base::FilePath path = CleanupBatchFile::GetPath(root);
  ASSERT_TRUE(base::WriteFile(path, batch.GetContents(CP_OEMCP)));
  ASSERT_TRUE(StartCleanupBatchFile(path));
  // Several rounds of the wait.
  Sleep(5000);
  EXPECT_TRUE(base::PathExists(copy));
  late.Terminate(0, /*wait=*/true);
  EXPECT_TRUE(WaitUntilGone(path, Deadline()));
  EXPECT_FALSE(base::PathExists(copy));
}

// Done by a later run instead: the copies and the emptied folders go,
// children first; what holds something else stays, and so does the
// installation folder.
TEST(CleanupBatchFileTest, CarryOutRemovesOnlyWhatIsListed) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath root = temp.GetPath();
  const base::FilePath emptied = root.Append(L"1.2\\a\\b");
  const base::FilePath copy = Aside(emptied, L"x.dll");
  const base::FilePath kept = root.Append(L"1.3\\x.dll");
  ASSERT_TRUE(base::CreateDirectory(emptied));
  ASSERT_TRUE(base::CreateDirectory(kept.DirName()));
  ASSERT_TRUE(base::WriteFile(copy, "x"));
  ASSERT_TRUE(base::WriteFile(kept, "x"));
  CleanupBatchFile batch(root);
  batch.AddFile(copy);
  batch.AddFolderAndAncestors(emptied);
  batch.AddFolderAndAncestors(kept.DirName());
  batch.CarryOut();
  EXPECT_FALSE(base::PathExists(root.Append(L"1.2")));
  EXPECT_TRUE(base::PathExists(kept));
  EXPECT_TRUE(base::DirectoryExists(root));
}

}  // namespace
