#include "base/files/file_path.h"

#include "gtest/gtest.h"

namespace base {
namespace {

struct PathCase {
  const wchar_t* input;
  const wchar_t* expected;
};

TEST(FilePathTest, DirNameOfRootsDrivesAndUNC) {
  const PathCase cases[] = {
      {L"C:\\a\\b", L"C:\\a"},   {L"C:\\a\\b\\\\", L"C:\\a"}, {L"C:\\a", L"C:\\"},
      {L"C:\\", L"C:\\"},        {L"C:", L"C:"},              {L"C:a", L"C:"},
      {L"a", L"."},              {L"", L"."},                 {L"\\a", L"\\"},
      {L"\\\\server\\share", L"\\\\server"},                  {L"\\\\server", L"\\\\"},
      {L"\\\\", L"\\\\"},        {L"a/b", L"a"},
  };
  for (const PathCase& c : cases)
    EXPECT_EQ(std::wstring(c.expected), FilePath(c.input).DirName().value()) << c.input;
}

TEST(FilePathTest, BaseNameIgnoresTrailingSeparators) {
  const PathCase cases[] = {
      {L"C:\\a\\b\\", L"b"}, {L"C:\\", L"\\"}, {L"C:", L""},         {L"C:a", L"a"},
      {L"a", L"a"},          {L"", L""},       {L"\\\\server", L"server"},
  };
  for (const PathCase& c : cases)
    EXPECT_EQ(std::wstring(c.expected), FilePath(c.input).BaseName().value()) << c.input;
}

TEST(FilePathTest, AppendAvoidsDoubleSeparatorsAndKeepsDriveRelative) {
  EXPECT_EQ(L"C:\\a\\b", FilePath(L"C:\\a\\").Append(L"b").value());
  EXPECT_EQ(L"C:\\b", FilePath(L"C:\\").Append(L"b").value());
  EXPECT_EQ(L"C:b", FilePath(L"C:").Append(L"b").value());
  EXPECT_EQ(L"b", FilePath(L"").Append(L"b").value());
  EXPECT_EQ(L"b", FilePath(L".").Append(L"b").value());
  EXPECT_EQ(L"C:\\a", FilePath(L"C:\\a").Append(L"").value());
  // An embedded NUL ends the component.
  EXPECT_EQ(L"C:\\a\\x", FilePath(L"C:\\a").Append(std::wstring_view(L"x\0..\\evil", 9)).value());
}

TEST(FilePathTest, AbsoluteParentAndComponents) {
  EXPECT_TRUE(FilePath(L"C:\\x").IsAbsolute());
  EXPECT_TRUE(FilePath(L"\\\\server\\x").IsAbsolute());
  EXPECT_FALSE(FilePath(L"C:x").IsAbsolute());
  EXPECT_FALSE(FilePath(L"\\x").IsAbsolute());

  EXPECT_TRUE(FilePath(L"C:\\a").IsParent(FilePath(L"c:\\a\\b")));  // drive case
  EXPECT_FALSE(FilePath(L"C:\\a").IsParent(FilePath(L"C:\\ab")));   // not a prefix match
  EXPECT_FALSE(FilePath(L"C:\\a").IsParent(FilePath(L"C:\\a")));
  EXPECT_FALSE(FilePath(L"C:\\a\\b").IsParent(FilePath(L"C:\\a")));
  FilePath rest(L"D:\\base");
  EXPECT_TRUE(FilePath(L"C:\\a\\").AppendRelativePath(FilePath(L"C:\\a\\b\\c"), &rest));
  EXPECT_EQ(L"D:\\base\\b\\c", rest.value());

  EXPECT_EQ((std::vector<std::wstring>{L"C:", L"\\", L"a", L"b"}),
            FilePath(L"C:\\a\\\\b\\").GetComponents());
  EXPECT_EQ((std::vector<std::wstring>{L"\\\\", L"server", L"share"}),
            FilePath(L"\\\\server\\share").GetComponents());
}

TEST(FilePathTest, ReferencesParentIncludesWhatWindowsTreatsAsParent) {
  EXPECT_TRUE(FilePath(L"a\\..\\b").ReferencesParent());
  EXPECT_TRUE(FilePath(L"..").ReferencesParent());
  EXPECT_TRUE(FilePath(L"a/.. /b").ReferencesParent());
  EXPECT_TRUE(FilePath(L"a\\...").ReferencesParent());
  EXPECT_TRUE(FilePath(L"a\\. ..\\b").ReferencesParent());
  EXPECT_FALSE(FilePath(L"a\\. .\\b").ReferencesParent());
  EXPECT_FALSE(FilePath(L"a\\..b\\c").ReferencesParent());
  EXPECT_FALSE(FilePath(L"a\\b..").ReferencesParent());
  EXPECT_FALSE(FilePath(L".\\a").ReferencesParent());
}

TEST(FilePathTest, Extensions) {
  EXPECT_EQ(L".gz", FilePath(L"C:\\a.tar.gz").FinalExtension());
  EXPECT_EQ(L".tar.gz", FilePath(L"C:\\a.tar.gz").Extension());
  EXPECT_EQ(L"", FilePath(L"C:\\dir.d\\file").Extension());  // dot in a folder
  EXPECT_EQ(L"C:\\a.txt", FilePath(L"C:\\a.exe").ReplaceExtension(L"txt").value());
  EXPECT_EQ(L"C:\\a.exe.txt", FilePath(L"C:\\a.exe").AddExtension(L".txt").value());
  EXPECT_EQ(L"", FilePath(L"..").AddExtension(L"txt").value());
  EXPECT_EQ(L"C:\\a (1).tar.gz", FilePath(L"C:\\a.tar.gz").InsertBeforeExtension(L" (1)").value());
  EXPECT_TRUE(FilePath(L"X.EXE").MatchesExtension(L".exe"));
}

TEST(FilePathTest, SeparatorsAndComparison) {
  EXPECT_EQ(L"\\\\", FilePath(L"\\\\").StripTrailingSeparators().value());
  EXPECT_EQ(L"\\", FilePath(L"\\\\\\").StripTrailingSeparators().value());
  EXPECT_EQ(L"C:\\a", FilePath(L"C:\\a\\/").StripTrailingSeparators().value());
  EXPECT_EQ(L"a\\b\\", FilePath(L"a/b/").NormalizePathSeparators().value());
  EXPECT_NE(FilePath(L"C:\\A"), FilePath(L"c:\\a"));
  EXPECT_TRUE(FilePath::CompareEqualIgnoreCase(L"C:\\\x00C4", L"c:\\\x00E4"));
  EXPECT_EQ(L"x", FilePath(std::wstring_view(L"x\0y", 3)).value());
}

}  // namespace
}  // namespace base
