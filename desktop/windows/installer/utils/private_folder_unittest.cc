#include "desktop/windows/installer/utils/private_folder.h"

#include <windows.h>

#include <sddl.h>

#include <set>
#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace {

std::string Read(const base::FilePath& path) {
  std::string contents;
  EXPECT_TRUE(base::ReadFileToString(path, &contents)) << path.value();
  return contents;
}

class PrivateFolderTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.CreateUniqueTempDir()); }
  base::FilePath Path(const wchar_t* name) { return temp_.GetPath().Append(name); }

  base::ScopedTempDir temp_;
};

TEST_F(PrivateFolderTest, TokensAreSixteenHexDigitsAndDiffer) {
  std::set<std::wstring> seen;
  for (int i = 0; i < 50; ++i) {
    const std::wstring token = RandomNameToken();
    EXPECT_EQ(16u, token.size());
    EXPECT_EQ(std::wstring::npos, token.find_first_not_of(L"0123456789abcdef")) << token;
    seen.insert(token);
  }
  EXPECT_EQ(50u, seen.size());
}

// A folder made before, by anyone, is never taken over: nothing of it is
// touched, and the fresh variant moves on to a name of its own.
TEST_F(PrivateFolderTest, AFolderThatIsThereIsNeverTakenOver) {
  const base::FilePath planted = Path(L"work");
  ASSERT_TRUE(base::CreateDirectory(planted));
  ASSERT_TRUE(base::WriteFile(planted.Append(L"planted"), "x"));
  EXPECT_FALSE(CreateNewPrivateFolder(planted));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
  // A file under the name is no folder either.
  ASSERT_TRUE(base::WriteFile(Path(L"file"), "x"));
  EXPECT_FALSE(CreateNewPrivateFolder(Path(L"file")));

  base::FilePath made;
  ASSERT_TRUE(CreateFreshPrivateFolder(planted, &made));
  EXPECT_NE(planted, made);
  EXPECT_EQ(0u, made.value().find(planted.value() + L"_"));
  EXPECT_TRUE(base::IsDirectoryEmpty(made));
  EXPECT_EQ("x", Read(planted.Append(L"planted")));

  // A name that is free is taken as it is; a missing parent is made.
  base::FilePath fresh;
  ASSERT_TRUE(CreateFreshPrivateFolder(Path(L"parent").Append(L"fresh"), &fresh));
  EXPECT_EQ(Path(L"parent").Append(L"fresh"), fresh);
  EXPECT_TRUE(base::DirectoryExists(fresh));
}

// Nothing of the parent's entries reaches in: the access list is protected
// and lets in only this user, the system and the administrators. (Wine
// neither stores nor enforces a folder's list: it is checked in memory.)
TEST_F(PrivateFolderTest, TheAccessListIsTheFoldersOwn) {
  const std::wstring sddl = GetPrivateFolderSddl();
  ASSERT_EQ(0u, sddl.find(L"D:P(")) << sddl;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                   &descriptor, nullptr));
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
  ASSERT_TRUE(present && dacl);
  std::set<std::wstring> trustees;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
    EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, ace->Header.AceFlags);
    wchar_t* sid = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidW(&ace->SidStart, &sid));
    trustees.insert(sid);
    LocalFree(sid);
  }
  LocalFree(descriptor);
  EXPECT_EQ(3u, trustees.size());
  EXPECT_EQ(1u, trustees.count(L"S-1-5-18"));      // the system
  EXPECT_EQ(1u, trustees.count(L"S-1-5-32-544"));  // the administrators
  EXPECT_EQ(0u, trustees.count(L"S-1-1-0"));       // never everyone

  // And the folder is made with it.
  EXPECT_TRUE(CreateNewPrivateFolder(Path(L"private")));
}

TEST_F(PrivateFolderTest, RenamingNeverMergesIntoOrReplacesAFolder) {
  const base::FilePath from = Path(L"prepared");
  const base::FilePath taken = Path(L"taken");
  ASSERT_TRUE(base::CreateDirectory(from));
  ASSERT_TRUE(base::WriteFile(from.Append(L"package"), "ours"));
  ASSERT_TRUE(base::CreateDirectory(taken));
  ASSERT_TRUE(base::WriteFile(taken.Append(L"package"), "theirs"));
  EXPECT_FALSE(RenameFolderToNewPath(from, taken));
  EXPECT_EQ("ours", Read(from.Append(L"package")));
  EXPECT_EQ("theirs", Read(taken.Append(L"package")));
  ASSERT_TRUE(RenameFolderToNewPath(from, Path(L"final")));
  EXPECT_EQ("ours", Read(Path(L"final").Append(L"package")));
  EXPECT_FALSE(base::PathExists(from));
}

}  // namespace
