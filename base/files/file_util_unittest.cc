#include "base/files/file_util.h"

#include "base/files/file_enumerator.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace base {
namespace {

class FileUtilTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_dir_.CreateUniqueTempDir()); }
  FilePath Path(const wchar_t* relative) const { return temp_dir_.GetPath().Append(relative); }
  void MakeFile(const FilePath& path, std::string_view content) {
    ASSERT_TRUE(CreateDirectory(path.DirName()));
    ASSERT_TRUE(WriteFile(path, content));
  }

  ScopedTempDir temp_dir_;
};

TEST_F(FileUtilTest, ScopedTempDirRemovesTreeWithReadOnlyFiles) {
  FilePath kept;
  {
    ScopedTempDir dir;
    ASSERT_TRUE(dir.CreateUniqueTempDir());
    kept = dir.GetPath();
    MakeFile(kept.Append(L"sub\\deep\\ro.txt"), "x");
    SetFileAttributesW(kept.Append(L"sub\\deep\\ro.txt").value().c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(dir.CreateUniqueTempDir());  // already holds one
  }
  EXPECT_FALSE(PathExists(kept));

  ScopedTempDir taken;
  ASSERT_TRUE(taken.CreateUniqueTempDirUnderPath(Path(L"base\\x")));
  const FilePath owned = taken.Take();
  EXPECT_FALSE(taken.IsValid());
  EXPECT_TRUE(DirectoryExists(owned));  // Take gives up deletion
}

TEST_F(FileUtilTest, DeleteSemantics) {
  EXPECT_TRUE(DeleteFile(Path(L"missing"), false));
  EXPECT_TRUE(DeleteFile(Path(L"missing\\deeper"), true));
  MakeFile(Path(L"d\\f.txt"), "x");
  EXPECT_FALSE(DeleteFile(Path(L"d"), false));  // not empty, not recursive
  EXPECT_TRUE(PathExists(Path(L"d\\f.txt")));
  EXPECT_TRUE(DeleteFile(Path(L"d"), true));
  EXPECT_FALSE(PathExists(Path(L"d")));
}

TEST_F(FileUtilTest, CreateDirectoryIsRecursiveAndRefusesFileInTheWay) {
  EXPECT_TRUE(CreateDirectory(Path(L"a\\b\\c")));
  EXPECT_TRUE(CreateDirectory(Path(L"a\\b\\c")));  // existing is fine
  MakeFile(Path(L"file"), "x");
  File::Error error = File::FILE_OK;
  EXPECT_FALSE(CreateDirectoryAndGetError(Path(L"file"), &error));
  EXPECT_EQ(File::FILE_ERROR_NOT_A_DIRECTORY, error);
  EXPECT_FALSE(CreateDirectory(Path(L"file\\below")));
}

TEST_F(FileUtilTest, ReadFileToStringHonoursMaxSize) {
  MakeFile(Path(L"f"), "0123456789");
  std::string content;
  EXPECT_TRUE(ReadFileToString(Path(L"f"), &content, 10));
  EXPECT_EQ("0123456789", content);
  EXPECT_FALSE(ReadFileToString(Path(L"f"), &content, 4));
  EXPECT_EQ("0123", content);
  EXPECT_FALSE(ReadFileToString(Path(L"missing"), &content));
  EXPECT_TRUE(content.empty());
  // Paths leading out with ".." are refused.
  EXPECT_FALSE(ReadFileToString(Path(L"x\\..\\f"), &content));
  MakeFile(Path(L"empty"), "");
  EXPECT_TRUE(ReadFileToString(Path(L"empty"), &content));
  EXPECT_TRUE(content.empty());
}

TEST_F(FileUtilTest, CopyDirectoryIntoExistingFolderAndNeverIntoItself) {
  MakeFile(Path(L"src\\a.txt"), "a");
  MakeFile(Path(L"src\\sub\\b.txt"), "b");
  ASSERT_TRUE(CreateDirectory(Path(L"dst")));
  ASSERT_TRUE(CopyDirectory(Path(L"src"), Path(L"dst"), true));
  std::string content;
  EXPECT_TRUE(ReadFileToString(Path(L"dst\\src\\sub\\b.txt"), &content));
  EXPECT_EQ("b", content);

  ASSERT_TRUE(CopyDirectory(Path(L"src"), Path(L"fresh"), true));
  EXPECT_TRUE(PathExists(Path(L"fresh\\sub\\b.txt")));

  EXPECT_FALSE(CopyDirectory(Path(L"src"), Path(L"SRC\\sub\\inner"), true));
  EXPECT_FALSE(CopyDirectory(Path(L"src"), Path(L"src"), true));
  // A sibling whose name merely starts the same is fine.
  EXPECT_TRUE(CopyDirectory(Path(L"src"), Path(L"src2"), true));
}

TEST_F(FileUtilTest, CopyFileClearsReadOnlyAndMoveReplaces) {
  MakeFile(Path(L"ro"), "data");
  SetFileAttributesW(Path(L"ro").value().c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(CopyFile(Path(L"ro"), Path(L"copy")));
  EXPECT_FALSE(GetFileAttributesW(Path(L"copy").value().c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(Path(L"ro").value().c_str(), FILE_ATTRIBUTE_NORMAL);

  MakeFile(Path(L"target"), "old");
  ASSERT_TRUE(Move(Path(L"copy"), Path(L"target")));
  std::string content;
  EXPECT_TRUE(ReadFileToString(Path(L"target"), &content));
  EXPECT_EQ("data", content);
  EXPECT_FALSE(PathExists(Path(L"copy")));
}

TEST_F(FileUtilTest, ReplaceFileAndNormalizeFilePath) {
  MakeFile(Path(L"new"), "new");
  MakeFile(Path(L"old"), "old");
  File::Error error = File::FILE_OK;
  ASSERT_TRUE(ReplaceFile(Path(L"new"), Path(L"old"), &error));
  std::string content;
  EXPECT_TRUE(ReadFileToString(Path(L"old"), &content));
  EXPECT_EQ("new", content);
  EXPECT_FALSE(PathExists(Path(L"new")));
  EXPECT_FALSE(ReplaceFile(Path(L"missing"), Path(L"old"), &error));
  EXPECT_EQ(File::FILE_ERROR_NOT_FOUND, error);

  FilePath real;
  ASSERT_TRUE(NormalizeFilePath(Path(L"old"), &real));
  EXPECT_TRUE(FilePath::CompareEqualIgnoreCase(MakeAbsoluteFilePath(Path(L"old")).value(),
                                               real.value()))
      << real;
  EXPECT_FALSE(NormalizeFilePath(Path(L"missing"), &real));
}

TEST_F(FileUtilTest, EnumeratorFiltersByPatternButDescendsEverywhere) {
  MakeFile(Path(L"r\\a.txt"), "");
  MakeFile(Path(L"r\\b.log"), "");
  MakeFile(Path(L"r\\sub\\c.txt"), "");
  std::vector<std::wstring> found;
  FileEnumerator files(Path(L"r"), true, FileEnumerator::FILES, L"*.txt");
  for (FilePath p = files.Next(); !p.empty(); p = files.Next()) found.push_back(p.BaseName().value());
  std::sort(found.begin(), found.end());
  EXPECT_EQ((std::vector<std::wstring>{L"a.txt", L"c.txt"}), found);
  EXPECT_FALSE(IsDirectoryEmpty(Path(L"r")));
  ASSERT_TRUE(CreateDirectory(Path(L"empty")));
  EXPECT_TRUE(IsDirectoryEmpty(Path(L"empty")));
}

TEST_F(FileUtilTest, TemporaryNamesAreUniqueAndCreated) {
  FilePath a, b;
  ASSERT_TRUE(CreateTemporaryDirInDir(temp_dir_.GetPath(), L"pre", &a));
  ASSERT_TRUE(CreateTemporaryDirInDir(temp_dir_.GetPath(), L"pre", &b));
  EXPECT_NE(a, b);
  EXPECT_TRUE(DirectoryExists(a));
  EXPECT_EQ(0u, a.BaseName().value().find(L"pre"));
  FilePath file;
  ASSERT_TRUE(CreateTemporaryFileInDir(temp_dir_.GetPath(), &file));
  int64_t size = -1;
  EXPECT_TRUE(GetFileSize(file, &size));
  EXPECT_EQ(0, size);
}

TEST_F(FileUtilTest, FileReadsWritesAndReportsErrors) {
  File missing(Path(L"none"), File::FLAG_OPEN | File::FLAG_READ);
  EXPECT_FALSE(missing.IsValid());
  EXPECT_EQ(File::FILE_ERROR_NOT_FOUND, missing.error_details());

  File file(Path(L"f"), File::FLAG_CREATE | File::FLAG_READ | File::FLAG_WRITE);
  ASSERT_TRUE(file.IsValid());
  EXPECT_TRUE(file.created());
  EXPECT_EQ(5, file.Write(0, "hello", 5));
  EXPECT_EQ(3, file.Write(10, "end", 3));  // leaves a gap
  EXPECT_EQ(13, file.GetLength());
  char buffer[16] = {};
  EXPECT_EQ(3, file.Read(10, buffer, 16));
  EXPECT_EQ(0, file.Read(13, buffer, 16));  // at the end: 0, not an error
  EXPECT_TRUE(file.SetLength(2));
  EXPECT_EQ(2, file.GetLength());

  File again(Path(L"f"), File::FLAG_CREATE | File::FLAG_WRITE);
  EXPECT_EQ(File::FILE_ERROR_EXISTS, again.error_details());
  File exclusive(Path(L"f"), File::FLAG_OPEN | File::FLAG_READ | File::FLAG_EXCLUSIVE_WRITE);
  EXPECT_EQ(File::FILE_ERROR_IN_USE, exclusive.error_details());  // `file` writes
}

}  // namespace
}  // namespace base

namespace base {
namespace {

TEST_F(FileUtilTest, RecursiveDeleteRemovesLinksButNotWhatTheyPointTo) {
  MakeFile(Path(L"outside\\precious.txt"), "keep me");
  ASSERT_TRUE(CreateDirectory(Path(L"tree")));
  // Wine 8 reports success without making the link, hence the check.
  CreateSymbolicLinkW(Path(L"tree\\link").value().c_str(), Path(L"outside").value().c_str(),
                      SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  const DWORD attributes = GetFileAttributesW(Path(L"tree\\link").value().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    GTEST_SKIP() << "directory links cannot be made here";
  // The enumerator lists the link but does not descend into it.
  FileEnumerator entries(Path(L"tree"), true, FileEnumerator::FILES | FileEnumerator::DIRECTORIES);
  int count = 0;
  for (FilePath p = entries.Next(); !p.empty(); p = entries.Next()) ++count;
  EXPECT_EQ(1, count);
  EXPECT_TRUE(DeleteFile(Path(L"tree"), true));
  EXPECT_FALSE(PathExists(Path(L"tree")));
  std::string content;
  EXPECT_TRUE(ReadFileToString(Path(L"outside\\precious.txt"), &content));
  EXPECT_EQ("keep me", content);
}

TEST_F(FileUtilTest, AppendModeAndDeleteOnClose) {
  File file(Path(L"log"), File::FLAG_CREATE_ALWAYS | File::FLAG_APPEND);
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(3, file.WriteAtCurrentPos("abc", 3));
  file.Seek(File::FROM_BEGIN, 0);
  EXPECT_EQ(3, file.WriteAtCurrentPos("def", 3));  // still lands at the end
  file.Close();
  std::string content;
  EXPECT_TRUE(ReadFileToString(Path(L"log"), &content));
  EXPECT_EQ("abcdef", content);
  EXPECT_TRUE(AppendToFile(Path(L"log"), "g", 1));
  EXPECT_FALSE(AppendToFile(Path(L"missing"), "g", 1));  // never creates

  {
    File temp(Path(L"temp"), File::FLAG_CREATE | File::FLAG_WRITE | File::FLAG_DELETE_ON_CLOSE);
    ASSERT_TRUE(temp.IsValid());
    EXPECT_TRUE(PathExists(Path(L"temp")));
  }
  EXPECT_FALSE(PathExists(Path(L"temp")));
}

}  // namespace
}  // namespace base
