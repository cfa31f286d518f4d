#include "desktop/windows/installer/service/profile_folder_safety.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"

namespace {

bool IsSafe(const wchar_t* folder) {
  ProtectedFolders protected_folders;
  protected_folders.with_ancestors = {base::FilePath(L"C:\\Users\\bob"),
                                      base::FilePath(L"C:\\Users\\bob\\AppData\\Roaming"),
                                      base::FilePath(L"C:\\Program Files\\Tarvo")};
  protected_folders.with_ancestors_and_contents = {base::FilePath(L"C:\\Windows")};
  return IsSafeFolderToDelete(base::FilePath(folder), protected_folders);
}

TEST(ProfileFolderSafetyTest, ProfileFoldersBelowTheRootsMayGo) {
  EXPECT_TRUE(IsSafe(L"C:\\Users\\bob\\AppData\\Roaming\\Tarvo Software\\Tarvo Developer"));
  EXPECT_TRUE(IsSafe(L"C:\\Program Files\\Tarvo\\profile\\data"));
  EXPECT_TRUE(IsSafe(L"D:\\Profiles\\bob"));
  EXPECT_TRUE(IsSafe(L"\\\\server\\share\\profiles\\bob"));
  EXPECT_TRUE(IsSafe(L"C:/Users/bob/AppData/Roaming/Tarvo/"));
}

TEST(ProfileFolderSafetyTest, RootsProtectedFoldersAndTheirAncestorsAreRefused) {
  for (const wchar_t* folder :
       {L"", L"C:", L"C:\\", L"c:/", L"\\\\server\\share", L"\\\\server\\share\\",
        L"C:\\Users\\bob", L"c:\\USERS\\BOB\\", L"C:\\Users", L"C:\\Users\\bob\\AppData",
        L"C:\\Users\\bob\\.\\AppData\\Roaming", L"C:\\\\Users\\\\bob\\\\AppData\\\\Roaming",
        L"C:\\Program Files", L"C:\\Program Files\\Tarvo", L"C:\\Windows",
        L"C:\\Windows\\System32", L"c:\\windows\\temp\\x"}) {
    EXPECT_FALSE(IsSafe(folder)) << folder;
  }
}

TEST(ProfileFolderSafetyTest, RelativeParentDeviceAndRawPathsAreRefused) {
  for (const wchar_t* folder :
       {L"Profiles\\bob", L"\\Profiles\\bob", L"C:Profiles\\bob",
        L"D:\\Profiles\\bob\\..\\..", L"D:\\Profiles\\..\\Windows", L"D:\\Profiles\\... ",
        L"D:\\Profiles\\COM0", L"D:\\Profiles\\lpt9.txt", L"D:\\Profiles\\nul",
        L"\\\\?\\C:\\Profiles\\bob", L"\\\\.\\C:\\Profiles", L"D:\\Pro|files"}) {
    EXPECT_FALSE(IsSafe(folder)) << folder;
  }
}

TEST(ProfileFolderSafetyTest, SystemFoldersOfThisMachine) {
  base::ScopedTempDir installation;
  ASSERT_TRUE(installation.CreateUniqueTempDir());
  const base::FilePath folder = installation.GetPath();
  base::FilePath home;
  base::FilePath app_data;
  base::FilePath local_app_data;
  base::FilePath windows;
  ASSERT_TRUE(base::PathService::Get(base::DIR_HOME, &home));
  ASSERT_TRUE(base::PathService::Get(base::DIR_APP_DATA, &app_data));
  ASSERT_TRUE(base::PathService::Get(base::DIR_LOCAL_APP_DATA, &local_app_data));
  ASSERT_TRUE(base::PathService::Get(base::DIR_WINDOWS, &windows));

  EXPECT_FALSE(IsSafeProfileFolderToDelete(home, folder));
  EXPECT_FALSE(IsSafeProfileFolderToDelete(home.DirName(), folder));
  EXPECT_FALSE(IsSafeProfileFolderToDelete(app_data, folder));
  EXPECT_FALSE(IsSafeProfileFolderToDelete(local_app_data, folder));
  EXPECT_FALSE(IsSafeProfileFolderToDelete(windows.Append(L"Fonts"), folder));
  base::FilePath documents;
  ASSERT_TRUE(GetKnownFolderPath(FOLDERID_Documents, CSIDL_PERSONAL, &documents, false));
  EXPECT_FALSE(IsSafeProfileFolderToDelete(documents, folder));
  EXPECT_FALSE(IsSafeProfileFolderToDelete(folder, folder));
  EXPECT_FALSE(IsSafeProfileFolderToDelete(folder.DirName(), folder));
  EXPECT_TRUE(IsSafeProfileFolderToDelete(folder.Append(L"profile\\data"), folder));
  EXPECT_TRUE(IsSafeProfileFolderToDelete(app_data.Append(L"Tarvo Software\\Tarvo Developer"),
                                          folder));
}

TEST(ProfileFolderSafetyTest, ShortNamesAreExpandedBeforeComparing) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const base::FilePath protected_folder = temp.GetPath().Append(L"Long Protected Name");
  ASSERT_TRUE(base::CreateDirectory(protected_folder));
  wchar_t short_path[MAX_PATH];
  const DWORD length = ::GetShortPathNameW(protected_folder.value().c_str(), short_path, MAX_PATH);
  ASSERT_GT(length, 0u);
  const base::FilePath alias(std::wstring(short_path, length));
  if (alias.BaseName() == protected_folder.BaseName()) GTEST_SKIP() << "no short names here";
  ProtectedFolders folders;
  folders.with_ancestors = {protected_folder};
  EXPECT_FALSE(IsSafeFolderToDelete(alias, folders));
}

}  // namespace
