#include "desktop/windows/installer/utils/canonical_folder.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace {

std::wstring Canonical(const wchar_t* folder) {
  return CanonicalizeFolderPath(base::FilePath(folder)).value();
}

TEST(CanonicalFolderTest, EverySpellingBecomesOne) {
  EXPECT_EQ(L"C:\\fz\\forward", Canonical(L"C:/fz/forward"));
  EXPECT_EQ(L"C:\\fz\\mixed", Canonical(L"C:\\fz/mixed"));
  EXPECT_EQ(L"C:\\fz\\double", Canonical(L"C:\\fz\\\\double"));
  EXPECT_EQ(L"C:\\fz\\trail", Canonical(L"C:\\fz\\trail\\\\"));
  EXPECT_EQ(L"C:\\fz\\up", Canonical(L"C:\\fz\\x\\..\\.\\up"));
  // As Windows creates it.
  EXPECT_EQ(L"C:\\fz\\dots", Canonical(L"C:\\fz\\dots.. "));
  EXPECT_EQ(L"C:\\", Canonical(L"c:/"));
  EXPECT_EQ(L"C:\\Tarvo2", Canonical(L"c:\\Tarvo2"));
  EXPECT_EQ(L"\\\\server\\share\\x", Canonical(L"\\\\server\\share\\\\x\\"));
  // Not absolute: refused later, as given.
  EXPECT_EQ(L"fz\\x", Canonical(L"fz\\x"));
  EXPECT_EQ(L"C:fz", Canonical(L"C:fz"));
  EXPECT_EQ(L"", Canonical(L""));
}

TEST(CanonicalFolderTest, ExistingPartsGetTheirLongNames) {
  base::ScopedTempDir scratch;
  ASSERT_TRUE(scratch.CreateUniqueTempDir());
  const base::FilePath long_folder =
      CanonicalizeFolderPath(scratch.GetPath()).Append(L"A rather long folder name");
  ASSERT_TRUE(base::CreateDirectory(long_folder));
  wchar_t short_name[MAX_PATH];
  const DWORD length = GetShortPathNameW(long_folder.value().c_str(), short_name, MAX_PATH);
  ASSERT_GT(length, 0u);
  ASSERT_NE(long_folder.value(), std::wstring(short_name, length));
  const base::FilePath spelt = base::FilePath(std::wstring(short_name, length)).Append(L"Tarvo");
  EXPECT_EQ(long_folder.Append(L"Tarvo").value(), CanonicalizeFolderPath(spelt).value());
  EXPECT_TRUE(IsSameFolder(spelt, long_folder.Append(L"TARVO")));
}

TEST(CanonicalFolderTest, OneKeyForEverySpellingOfAFolder) {
  EXPECT_EQ(L"C:\\TARVO2", GetFolderKey(base::FilePath(L"C:\\Tarvo2")));
  EXPECT_TRUE(IsSameFolder(base::FilePath(L"C:\\Tarvo2"), base::FilePath(L"c:/TARVO2/")));
  EXPECT_TRUE(
      IsSameFolder(base::FilePath(L"C:\\\u00e9t\u00e9"), base::FilePath(L"C:\\\u00c9T\u00c9")));
  EXPECT_FALSE(IsSameFolder(base::FilePath(L"C:\\Tarvo2"), base::FilePath(L"C:\\Tarvo3")));
  EXPECT_FALSE(IsSameFolder(base::FilePath(L"C:\\Tarvo"), base::FilePath(L"C:\\Tarvo\\x")));
}

// The deepest path stays below MAX_PATH, and so the mailslot's name
// ("\\.\mailslot\tarvo_installer\" and the folder) below 260 characters.
TEST(CanonicalFolderTest, LongestFolderLeavesRoomForNamesAndPaths) {
  // "<folder>\51.0.2802.0_999\<32 characters>.1234567890.old".
  EXPECT_EQ(259u - (1 + 11 + 4 + 1 + 32 + 15), GetMaxInstallFolderLength(11));
  EXPECT_LE(GetMaxInstallFolderLength(0), 259u - 29u);
  EXPECT_EQ(0u, GetMaxInstallFolderLength(300));
}

}  // namespace
