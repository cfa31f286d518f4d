#include "desktop/windows/installer/download_folder.h"

#include <string>

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

  // A folder given that cannot hold one (it is a file): result 16, and the
  // path is kept so the caller's clean-up sees what was tried.
  const base::FilePath blocked = scratch.GetPath().Append(L"blocked");
  ASSERT_EQ(1, base::WriteFile(blocked, "x", 1));
  command_line.AppendSwitchPath("temp-folder", blocked);
  EXPECT_EQ(RESULT_TEMP_FOLDER_FAILED,
            ChooseDownloadFolder(command_line, base::FilePath(), &folder));
  EXPECT_EQ(blocked.Append(L"Tarvo Installer"), folder);
}

// In a shared folder given with "temp-folder", a download folder made ahead
// by another account (whose owner could swap the package folder made in it
// for its own) is never used: the run makes its own beside it, and leaves
// that one and what it holds alone. So do two runs with the same folder.
TEST(DownloadFolderTest, AFolderMadeAheadInASharedFolderIsNotUsed) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  const base::FilePath planted = scratch.GetPath().Append(L"Tarvo Installer");
  ASSERT_TRUE(base::CreateDirectory(planted));
  ASSERT_TRUE(base::WriteFile(planted.Append(L"installer_prefs_include.json"), "planted"));
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  command_line.AppendSwitchPath("temp-folder", scratch.GetPath());
  base::FilePath first;
  base::FilePath second;
  ASSERT_EQ(RESULT_SUCCESS, ChooseDownloadFolder(command_line, base::FilePath(), &first));
  ASSERT_EQ(RESULT_SUCCESS, ChooseDownloadFolder(command_line, base::FilePath(), &second));
  for (const base::FilePath& folder : {first, second}) {
    EXPECT_NE(planted, folder);
    EXPECT_EQ(scratch.GetPath(), folder.DirName());
    EXPECT_EQ(0u, folder.BaseName().value().find(L"Tarvo Installer_")) << folder.value();
    EXPECT_TRUE(base::IsDirectoryEmpty(folder));
  }
  EXPECT_NE(first, second);
  std::string text;
  ASSERT_TRUE(base::ReadFileToString(planted.Append(L"installer_prefs_include.json"), &text));
  EXPECT_EQ("planted", text);
  RemoveDownloadFolderIfEmpty(first);
  RemoveDownloadFolderIfEmpty(second);
  EXPECT_FALSE(base::PathExists(first));
  EXPECT_TRUE(base::PathExists(planted));
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
