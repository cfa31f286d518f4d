#include "base/files/memory_mapped_file.h"

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(MemoryMappedFileTest, WholeFileEmptyFileAndUnalignedRegion) {
  ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  std::string content(200000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  const FilePath path = dir.GetPath().Append(L"data.bin");
  ASSERT_TRUE(WriteFile(path, content));

  {
    MemoryMappedFile whole;
    ASSERT_TRUE(whole.Initialize(path));
    ASSERT_EQ(content.size(), whole.length());
    EXPECT_EQ(0, memcmp(content.data(), whole.data(), content.size()));
    EXPECT_FALSE(whole.Initialize(path));  // only once
  }
  {
    // An offset off the 64 KiB granularity still gives exactly those bytes.
    MemoryMappedFile part;
    const MemoryMappedFile::Region region = {70001, 1000};
    ASSERT_TRUE(part.Initialize(File(path, File::FLAG_OPEN | File::FLAG_READ), region));
    ASSERT_EQ(1000u, part.length());
    EXPECT_EQ(0, memcmp(content.data() + 70001, part.data(), 1000));
  }
  {
    MemoryMappedFile past_end;
    const MemoryMappedFile::Region region = {199999, 2};
    EXPECT_FALSE(past_end.Initialize(File(path, File::FLAG_OPEN | File::FLAG_READ), region));
    EXPECT_FALSE(past_end.IsValid());
  }
  const FilePath empty = dir.GetPath().Append(L"empty.bin");
  ASSERT_TRUE(WriteFile(empty, std::string_view()));
  MemoryMappedFile mapped_empty;
  ASSERT_TRUE(mapped_empty.Initialize(empty));
  EXPECT_TRUE(mapped_empty.IsValid());
  EXPECT_EQ(0u, mapped_empty.length());
  EXPECT_NE(nullptr, mapped_empty.data());
}

}  // namespace
}  // namespace base

namespace base {
namespace {

TEST(MemoryMappedFileTest, ReadWriteChangesReachTheFile) {
  ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const FilePath path = dir.GetPath().Append(L"rw.bin");
  ASSERT_TRUE(WriteFile(path, "abcdef"));
  {
    MemoryMappedFile mapped;
    ASSERT_TRUE(mapped.Initialize(path, MemoryMappedFile::READ_WRITE));
    mapped.data()[0] = 'X';
  }
  std::string content;
  ASSERT_TRUE(ReadFileToString(path, &content));
  EXPECT_EQ("Xbcdef", content);
  MemoryMappedFile missing;
  EXPECT_FALSE(missing.Initialize(dir.GetPath().Append(L"none")));
}

}  // namespace
}  // namespace base
