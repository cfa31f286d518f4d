#include "desktop/windows/installer/work_directory.h"

#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/scoped_path_override.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

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
