#include "desktop/windows/installer/download_folder.h"

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/test/scoped_path_override.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "gtest/gtest.h"

namespace {

TEST(DownloadFolderTest, FromSwitch) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  command_line.AppendSwitchPath("temp-folder", scratch.GetPath().Append(L"a b"));
  base::FilePath folder;
  EXPECT_EQ(RESULT_SUCCESS, ChooseDownloadFolder(command_line, base::FilePath(), &folder));
  EXPECT_EQ(scratch.GetPath().Append(L"a b").Append(L"Tarvo Installer"), folder);
  EXPECT_TRUE(base::DirectoryExists(folder));

  // A file where the folder should be: result 16, and the path is kept so
  // the caller's clean-up sees what was tried.
  base::FilePath blocked = scratch.GetPath().Append(L"blocked");
  ASSERT_TRUE(base::CreateDirectory(blocked));
  ASSERT_EQ(1, base::WriteFile(blocked.Append(L"Tarvo Installer"), "x", 1));
  command_line.AppendSwitchPath("temp-folder", blocked);
  EXPECT_EQ(RESULT_TEMP_FOLDER_FAILED,
            ChooseDownloadFolder(command_line, base::FilePath(), &folder));
  EXPECT_EQ(blocked.Append(L"Tarvo Installer"), folder);
}

TEST(DownloadFolderTest, RemovedOnlyWhenEmpty) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  base::ScopedPathOverride temp(base::DIR_TEMP, scratch.GetPath());
  base::FilePath folder;
  ASSERT_EQ(RESULT_SUCCESS, ChooseDownloadFolder(base::CommandLine(base::CommandLine::NO_PROGRAM),
                                                 base::FilePath(), &folder));
  EXPECT_EQ(scratch.GetPath().Append(L"Tarvo Installer"), folder);
  ASSERT_EQ(1, base::WriteFile(folder.Append(L"package"), "x", 1));
  RemoveDownloadFolderIfEmpty(folder);
  EXPECT_TRUE(base::PathExists(folder.Append(L"package")));
  ASSERT_TRUE(base::DeleteFile(folder.Append(L"package"), false));
  RemoveDownloadFolderIfEmpty(folder);
  EXPECT_FALSE(base::PathExists(folder));
}

}  // namespace
