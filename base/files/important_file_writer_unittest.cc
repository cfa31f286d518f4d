#include "base/files/important_file_writer.h"

#include "base/files/file.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(ImportantFileWriterTest, FailedReplaceLeavesTheOldFileAndNoTemporary) {
  ScopedTempDir temp_dir;
  ASSERT_TRUE(temp_dir.CreateUniqueTempDir());
  const FilePath path = temp_dir.GetPath().Append(L"prefs.json");
  ASSERT_TRUE(WriteFile(path, "old"));
  {
    // Held without delete sharing: the rename over it must fail.
    File holder(path, File::FLAG_OPEN | File::FLAG_READ);
    ASSERT_TRUE(holder.IsValid());
    EXPECT_FALSE(ImportantFileWriter::WriteFileAtomically(path, "new contents"));
  }
  std::string data;
  ASSERT_TRUE(ReadFileToString(path, &data));
  EXPECT_EQ("old", data);
  int count = 0;
  FileEnumerator files(temp_dir.GetPath(), false, FileEnumerator::FILES);
  for (FilePath name = files.Next(); !name.empty(); name = files.Next())
    ++count;
  EXPECT_EQ(1, count);

  EXPECT_TRUE(ImportantFileWriter::WriteFileAtomically(path, "new contents"));
  ASSERT_TRUE(ReadFileToString(path, &data));
  EXPECT_EQ("new contents", data);
}

}  // namespace
}  // namespace base
