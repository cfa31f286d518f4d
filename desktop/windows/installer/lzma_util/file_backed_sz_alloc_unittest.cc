#include "desktop/windows/installer/lzma_util/file_backed_sz_alloc.h"

#include <cstring>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace {

class FileBackedSzAllocTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.CreateUniqueTempDir()); }
  base::ScopedTempDir temp_;
};

// The buffer is filled ahead of the decoder in steps: what was written
// below the filled mark is never filled over, and filling past the end
// stops there.
TEST_F(FileBackedSzAllocTest, FillingAheadNeverOverwritesWhatWasWritten) {
  FileBackedSzAlloc alloc(temp_.GetPath());
  char* block = static_cast<char*>(alloc.Alloc(3 << 20));
  ASSERT_TRUE(block);
  alloc.PrefillTo(1 << 20);
  std::memset(block, 0x5A, 1 << 20);
  alloc.PrefillTo(1 << 20);
  alloc.PrefillTo(5 << 20);
  EXPECT_EQ(0x5A, block[0]);
  EXPECT_EQ(0x5A, block[(1 << 20) - 1]);
  EXPECT_EQ(0, block[1 << 20]);
  EXPECT_EQ(0, block[(3 << 20) - 1]);
  base::FileEnumerator files(temp_.GetPath(), false, base::FileEnumerator::FILES);
  ASSERT_EQ(alloc.temp_file_path(), files.Next());
  EXPECT_EQ(3 << 20, files.GetInfo().GetSize());
}

TEST_F(FileBackedSzAllocTest, FirstBlockIsMappedOthersComeFromTheHeap) {
  FileBackedSzAlloc alloc(temp_.GetPath());
  ASSERT_TRUE(alloc.is_file_backed());
  ISzAllocPtr vt = alloc.get();
  EXPECT_EQ(nullptr, ISzAlloc_Alloc(vt, 0));

  char* block = static_cast<char*>(ISzAlloc_Alloc(vt, 3 << 20));
  ASSERT_TRUE(block);
  EXPECT_TRUE(alloc.Contains(block));
  EXPECT_TRUE(alloc.Contains(block + (3 << 20) - 1));
  EXPECT_FALSE(alloc.Contains(block + (3 << 20)));
  std::memset(block, 0x5A, 3 << 20);
  // The block is the temporary file in the given folder (not opened by
  // name: it is held without sharing).
  base::FileEnumerator files(temp_.GetPath(), false, base::FileEnumerator::FILES);
  ASSERT_EQ(alloc.temp_file_path(), files.Next());
  EXPECT_EQ(3 << 20, files.GetInfo().GetSize());

  // The decoder's probability tables arrive while the block is mapped:
  // they go to the heap, and freeing them must leave the block alone.
  char* probs = static_cast<char*>(ISzAlloc_Alloc(vt, 4096));
  ASSERT_TRUE(probs);
  EXPECT_FALSE(alloc.Contains(probs));
  ISzAlloc_Free(vt, probs);
  EXPECT_TRUE(alloc.Contains(block));
  EXPECT_EQ(0x5A, block[(3 << 20) - 1]);

  // Once the block is freed the next large allocation is mapped again.
  ISzAlloc_Free(vt, block);
  EXPECT_FALSE(alloc.Contains(block));
  char* next = static_cast<char*>(ISzAlloc_Alloc(vt, 1 << 20));
  ASSERT_TRUE(next);
  EXPECT_TRUE(alloc.Contains(next));
  ISzAlloc_Free(vt, next);
  ISzAlloc_Free(vt, nullptr);
}

TEST_F(FileBackedSzAllocTest, TemporaryFileAndLeftoversGoAtDestruction) {
  base::FilePath temp_file;
  {
    FileBackedSzAlloc alloc(temp_.GetPath());
    ASSERT_TRUE(alloc.is_file_backed());
    temp_file = alloc.temp_file_path();
    EXPECT_TRUE(temp_.GetPath().IsParent(temp_file));
    // Blocks a faulting decoder never freed.
    ASSERT_TRUE(alloc.Alloc(1 << 20));
    ASSERT_TRUE(alloc.Alloc(100));
  }
  EXPECT_FALSE(base::PathExists(temp_file));
  EXPECT_TRUE(base::IsDirectoryEmpty(temp_.GetPath()));
}

TEST_F(FileBackedSzAllocTest, MissingFolderFallsBackToTheHeap) {
  FileBackedSzAlloc alloc(temp_.GetPath().Append(L"missing"));
  EXPECT_FALSE(alloc.is_file_backed());
  void* block = alloc.Alloc(1 << 20);
  ASSERT_TRUE(block);
  EXPECT_FALSE(alloc.Contains(block));
  alloc.Free(block);
}

}  // namespace
