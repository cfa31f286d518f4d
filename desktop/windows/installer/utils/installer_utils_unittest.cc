#include "desktop/windows/installer/utils/installer_utils.h"

#include <list>
#include <string>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/scoped_path_override.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"

namespace {

TEST(InstallerUtilsTest, FilesListSplitsAtEveryLineEnd) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath crlf = dir.GetPath().Append(L"files_list");
  ASSERT_TRUE(base::WriteFile(crlf, "a\r\n\r\n b \r\n"));
  std::list<std::string> files = {"kept"};
  ASSERT_TRUE(InstallerUtils::ReadFilesList(crlf, &files));
  EXPECT_EQ((std::list<std::string>{"a", " b ", "kept"}), files);

  const base::FilePath lf = dir.GetPath().Append(L"lf");
  ASSERT_TRUE(base::WriteFile(lf, "a\n\nb"));
  files.clear();
  ASSERT_TRUE(InstallerUtils::ReadFilesList(lf, &files));
  EXPECT_EQ((std::list<std::string>{"a", "b"}), files);

  InitInstallerErrorRecord();
  EXPECT_FALSE(InstallerUtils::ReadFilesList(dir.GetPath().Append(L"missing"), &files));
  EXPECT_EQ(1u, GetInstallerErrorCode());
  FreeInstallerErrorRecord();
}

TEST(InstallerUtilsTest, InsidePackageNeedsBrowserFilesListAndOwnName) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath exe = dir.GetPath().Append(L"installer.exe");
  base::ScopedPathOverride exe_dir(base::DIR_EXE, dir.GetPath(), true, false);
  base::ScopedPathOverride exe_file(base::FILE_EXE, exe, true, false);
  EXPECT_FALSE(InstallerUtils::IsInsidePackage(/*uninstall=*/true));  // no browser
  // What a killed uninstall left: the browser moved aside.
  const base::FilePath aside = dir.GetPath().Append(GetBrowserExeName() + L".1700000000.old");
  ASSERT_TRUE(base::WriteFile(dir.GetPath().Append(GetBrowserExeName() + L".1.old"), "x"));
  EXPECT_FALSE(InstallerUtils::IsInsidePackage(/*uninstall=*/true));
  ASSERT_TRUE(base::WriteFile(aside, "x"));
  EXPECT_TRUE(InstallerUtils::IsInsidePackage(/*uninstall=*/true));
  ASSERT_TRUE(base::DeleteFile(aside, /*recursive=*/false));
  ASSERT_TRUE(base::WriteFile(dir.GetPath().Append(GetBrowserExeName()), "x"));
  EXPECT_FALSE(InstallerUtils::IsInsidePackage(/*uninstall=*/false));  // no files_list
  ASSERT_TRUE(base::WriteFile(dir.GetPath().Append(L"files_list"), "x"));
  EXPECT_TRUE(InstallerUtils::IsInsidePackage(/*uninstall=*/false));
  {
    base::ScopedPathOverride other_name(base::FILE_EXE, dir.GetPath().Append(L"setup.exe"), true,
                                        false);
    EXPECT_FALSE(InstallerUtils::IsInsidePackage(/*uninstall=*/false));
    // An uninstall needs only the browser beside it.
    EXPECT_TRUE(InstallerUtils::IsInsidePackage(/*uninstall=*/true));
  }
}

}  // namespace
