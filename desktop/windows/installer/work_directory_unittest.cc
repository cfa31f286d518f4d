#include "desktop/windows/installer/work_directory.h"

#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/scoped_path_override.h"
#include "base/win/registry.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/registry_override.h"

namespace {

base::FilePath InstallerExe() {
  return testing_support::BinFolder().Append(L"installer.exe");
}

TEST(WorkDirectoryTest, FolderIsMadeAndProbeFailureCleansUp) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  base::FilePath folder = scratch.GetPath();
  ASSERT_TRUE(CanRunProgramInDirectory(L"Work", base::FilePath(), &folder));
  EXPECT_EQ(scratch.GetPath().Append(L"Work"), folder);
  EXPECT_TRUE(base::DirectoryExists(folder));

  // A "program" that cannot start: the empty folder made for it goes again.
  base::FilePath not_a_program = scratch.GetPath().Append(L"fake.exe");
  ASSERT_EQ(4, base::WriteFile(not_a_program, "text", 4));
  folder = scratch.GetPath();
  EXPECT_FALSE(CanRunProgramInDirectory(L"Probe", not_a_program, &folder));
  EXPECT_FALSE(base::PathExists(scratch.GetPath().Append(L"Probe")));

  // A folder that already holds files stays.
  base::FilePath kept = scratch.GetPath().Append(L"Kept");
  ASSERT_TRUE(base::CreateDirectory(kept));
  ASSERT_EQ(1, base::WriteFile(kept.Append(L"file"), "x", 1));
  folder = scratch.GetPath();
  EXPECT_FALSE(CanRunProgramInDirectory(L"Kept", not_a_program, &folder));
  EXPECT_TRUE(base::PathExists(kept.Append(L"file")));
}

TEST(WorkDirectoryTest, ProbeRunsCopyBesideItsEngine) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  base::ScopedPathOverride temp(base::DIR_TEMP, scratch.GetPath());
  base::FilePath folder;
  ASSERT_TRUE(FindUsableWorkDirectory(L"Tarvo Installer", InstallerExe(), &folder));
  EXPECT_EQ(scratch.GetPath().Append(L"Tarvo Installer"), folder);
  // The probe's copies are gone again.
  EXPECT_TRUE(base::IsDirectoryEmpty(folder));
}

// The work folder goes into the first of the temporary folder, Downloads,
// the home folder and the executable's folder where it can be made.
TEST(WorkDirectoryTest, FallsBackInOrder) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  const base::FilePath candidates[] = {
      scratch.GetPath().Append(L"temp"), scratch.GetPath().Append(L"downloads"),
      scratch.GetPath().Append(L"home"), scratch.GetPath().Append(L"exe")};
  registry_util::RegistryOverrideManager registry;
  ASSERT_TRUE(registry.OverrideRegistry(HKEY_CURRENT_USER));
  base::win::RegKey shell_folders;
  ASSERT_EQ(ERROR_SUCCESS,
            shell_folders.Create(HKEY_CURRENT_USER,
                                 L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                 L"User Shell Folders",
                                 KEY_SET_VALUE));
  ASSERT_EQ(ERROR_SUCCESS, shell_folders.WriteValue(L"{374DE290-123F-4565-9164-39C4925E467B}",
                                                    candidates[1].value().c_str()));
  base::ScopedPathOverride temp(base::DIR_TEMP, candidates[0]);
  ASSERT_TRUE(base::CreateDirectory(candidates[1]));
  base::ScopedPathOverride home(base::DIR_HOME, candidates[2]);
  base::ScopedPathOverride exe(base::DIR_EXE, candidates[3]);
  for (const base::FilePath& expected : candidates) {
    base::FilePath folder;
    ASSERT_TRUE(FindUsableWorkDirectory(L"Work", base::FilePath(), &folder));
    EXPECT_EQ(expected.Append(L"Work"), folder);
    // A file of that name: the next run cannot make the folder there.
    ASSERT_TRUE(base::DeleteFile(folder, /*recursive=*/true));
    ASSERT_TRUE(base::WriteFile(folder, "taken"));
  }
}

// A host that starts but cannot load its engine has not run.
TEST(WorkDirectoryTest, HostWithoutItsEngineFailsTheProbe) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  const base::FilePath lone_host = scratch.GetPath().Append(L"installer.exe");
  ASSERT_TRUE(base::CopyFile(InstallerExe(), lone_host));
  base::FilePath folder = scratch.GetPath();
  EXPECT_FALSE(CanRunProgramInDirectory(L"Probe", lone_host, &folder));
  EXPECT_FALSE(base::PathExists(scratch.GetPath().Append(L"Probe")));
}

}  // namespace
