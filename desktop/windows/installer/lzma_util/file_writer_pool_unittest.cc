#include "desktop/windows/installer/lzma_util/file_writer_pool.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_number_conversions.h"
#include "gtest/gtest.h"

namespace {

// Bytes that make the test's write function fail as a full disk does.
constexpr char kFullDisk[] = "FULL";

std::atomic<int> g_released{0};
HANDLE g_gate = nullptr;
HANDLE g_at_gate = nullptr;

void CountRelease(void* /*context*/, const uint8_t* /*data*/) {
  ++g_released;
}

BOOL WINAPI FailingWrite(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                         LPOVERLAPPED overlapped) {
  if (size >= 4 && std::memcmp(data, kFullDisk, 4) == 0) {
    *written = 0;
    ::SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  // A gated write waits until the test opens the gate.
  if (size >= 4 && std::memcmp(data, "GATE", 4) == 0) {
    ::SetEvent(g_at_gate);
    ::WaitForSingleObject(g_gate, 10000);
  }
  return ::WriteFile(file, data, size, written, overlapped);
}

class FileWriterPoolTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    g_released = 0;
    FileWriterPool::SetWriteFunctionForTesting(&FailingWrite);
    g_gate = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_at_gate = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  void TearDown() override {
    FileWriterPool::SetWriteFunctionForTesting(nullptr);
    ::CloseHandle(g_gate);
    ::CloseHandle(g_at_gate);
  }

  base::FilePath Path(size_t i) const {
    return dir_.GetPath().Append(L"file" + base::NumberToString16(i) + L".bin");
  }

  static std::vector<std::string> Pieces(size_t i, size_t count) {
    std::vector<std::string> pieces;
    for (size_t p = 0; p < count; ++p) {
      pieces.push_back("file " + std::to_string(i) + " piece " + std::to_string(p) +
                       std::string(i * 97 % 5000, static_cast<char>('a' + p % 26)));
    }
    return pieces;
  }

  // File `i`, its pieces kept in `pieces_` until the test ends.
  void GiveFile(FileWriterPool* pool, size_t i, const std::vector<std::string>& pieces) {
    FILETIME time = {static_cast<DWORD>(1000 + i), 0x01D70000};
    if (!pool->Begin(Path(i), &time, FileWriterPool::kOwnFile)) {
      pool_failed_ = true;
      return;
    }
    for (const std::string& piece : pieces) {
      pieces_.push_back(std::make_unique<std::string>(piece));
      expected_[i] += piece;
      ++written_;
      if (!pool->Write(reinterpret_cast<const uint8_t*>(pieces_.back()->data()), piece.size(), nullptr))
        pool_failed_ = true;
    }
    if (!pool->Finish())
      pool_failed_ = true;
  }
  void GiveFile(FileWriterPool* pool, size_t i, size_t pieces) {
    GiveFile(pool, i, Pieces(i, pieces));
  }

  // Of files 0 to `count` - 1: those before `failed` are whole and
  // reported, those after it are gone (the failing one's state is the
  // test's own business).
  void ExpectStopsAt(const FileWriterPool& pool, size_t failed, size_t count) {
    const std::vector<base::FilePath> created = pool.CreatedFiles();
    for (size_t i = 0; i < count; ++i) {
      if (i < failed) {
        EXPECT_EQ(expected_[i], Read(i));
        EXPECT_NE(created.end(), std::find(created.begin(), created.end(), Path(i))) << i;
      } else if (i > failed && !base::DirectoryExists(Path(i))) {
        EXPECT_FALSE(base::PathExists(Path(i))) << i;
        EXPECT_EQ(created.end(), std::find(created.begin(), created.end(), Path(i))) << i;
      }
    }
  }
  // The pool stopped at file `failing`, whose disk was full: that file is
  // gone, every piece came back, and the others are as ExpectStopsAt says.
  void ExpectFullDiskAt(FileWriterPool* pool, size_t failing, size_t count) {
    size_t failed = 99;
    EXPECT_EQ(LzmaUtil::kWriteFileFailed, pool->Wait(&failed));
    EXPECT_EQ(failing, failed);
    EXPECT_EQ(written_, g_released);
    EXPECT_FALSE(base::PathExists(Path(failing)));
    ExpectStopsAt(*pool, failing, count);
  }


  std::string Read(size_t i) const {
    std::string contents;
    EXPECT_TRUE(base::ReadFileToString(Path(i), &contents)) << i;
    return contents;
  }

  base::ScopedTempDir dir_;
  std::vector<std::unique_ptr<std::string>> pieces_;
  std::map<size_t, std::string> expected_;
  int written_ = 0;
  bool pool_failed_ = false;
};

TEST_F(FileWriterPoolTest, EveryFileIsWholeInOrderWithItsTime) {
  FileWriterPool pool(FileWriterPool::kMaxThreads, &CountRelease);
  EXPECT_EQ(0u, pool.thread_count());
  constexpr size_t kFiles = 120;
  for (size_t i = 0; i < kFiles; ++i)
    GiveFile(&pool, i, i % 7);
  size_t failed = 99;
  EXPECT_EQ(LzmaUtil::kOk, pool.Wait(&failed));
  EXPECT_EQ(written_, g_released);
  // Threads are started as the ones there are found busy, up to the bound.
  EXPECT_GE(pool.thread_count(), 1u);
  EXPECT_LE(pool.thread_count(), FileWriterPool::kMaxThreads);
  std::vector<base::FilePath> paths;
  for (size_t i = 0; i < kFiles; ++i) {
    paths.push_back(Path(i));
    EXPECT_EQ(expected_[i], Read(i));
    base::File file(Path(i), base::File::FLAG_OPEN | base::File::FLAG_READ);
    FILETIME written = {};
    ASSERT_TRUE(::GetFileTime(file.GetPlatformFile(), nullptr, nullptr, &written));
    EXPECT_EQ(1000 + i, written.dwLowDateTime);
  }
  EXPECT_EQ(paths, pool.CreatedFiles());
}

// Without threads every operation runs at once, with the same results.
TEST_F(FileWriterPoolTest, NoThreadsWritesOnTheCaller) {
  FileWriterPool pool(0, &CountRelease);
  EXPECT_EQ(0u, pool.thread_count());
  for (size_t i = 0; i < 5; ++i)
    GiveFile(&pool, i, 3);
  EXPECT_EQ(LzmaUtil::kOk, pool.Wait(nullptr));
  EXPECT_EQ(written_, g_released);
  for (size_t i = 0; i < 5; ++i)
    EXPECT_EQ(expected_[i], Read(i));
}

// A file that cannot be created stops the pool: the files before it are
// whole, none after it is left, and every lent piece comes back.
TEST_F(FileWriterPoolTest, CreateFailureKeepsEarlierFilesAndLeavesNoLaterOne) {
  constexpr size_t kFailing = 30;
  ASSERT_TRUE(base::CreateDirectory(Path(kFailing)));
  FileWriterPool pool(FileWriterPool::kMaxThreads, &CountRelease);
  for (size_t i = 0; i < 60 && !pool_failed_; ++i)
    GiveFile(&pool, i, 2);
  size_t failed = 0;
  EXPECT_EQ(LzmaUtil::kCreateFileFailed, pool.Wait(&failed));
  EXPECT_EQ(kFailing, failed);
  EXPECT_EQ(written_, g_released);
  ExpectStopsAt(pool, kFailing, 60);
  const std::vector<base::FilePath> created = pool.CreatedFiles();
  EXPECT_EQ(created.end(), std::find(created.begin(), created.end(), Path(kFailing)));
}

// A full disk half way through a file: that file is deleted but reported
// (it was created), the files after it are gone, nothing half-written
// stays.
TEST_F(FileWriterPoolTest, FullDiskDeletesTheFileAndReportsTheEarliestFailure) {
  FileWriterPool pool(FileWriterPool::kMaxThreads, &CountRelease);
  for (size_t i = 0; i < 4; ++i)
    GiveFile(&pool, i, 3);
  // File 4 fails in its second piece.
  FILETIME time = {};
  ASSERT_TRUE(pool.Begin(Path(4), &time, FileWriterPool::kOwnFile));
  const std::string good = "good bytes", full = kFullDisk;
  pool.Write(reinterpret_cast<const uint8_t*>(good.data()), good.size(), nullptr);
  pool.Write(reinterpret_cast<const uint8_t*>(full.data()), full.size(), nullptr);
  pool.Finish();
  written_ += 2;
  for (size_t i = 5; i < 40 && !pool_failed_; ++i)
    GiveFile(&pool, i, 2);
  ExpectFullDiskAt(&pool, 4, 40);
  const std::vector<base::FilePath> created = pool.CreatedFiles();
  EXPECT_NE(created.end(), std::find(created.begin(), created.end(), Path(4)));
}

TEST_F(FileWriterPoolTest, TheFileBegunFirstAmongFailuresIsReported) {
  // File 2 fails late (its first write waits at the gate), file 5 at once.
  ASSERT_TRUE(base::CreateDirectory(Path(5)));
  FileWriterPool pool(FileWriterPool::kMaxThreads, &CountRelease);
  GiveFile(&pool, 0, 1);
  GiveFile(&pool, 1, 1);
  GiveFile(&pool, 2, {"GATE", kFullDisk});
  for (size_t i = 3; i < 8; ++i)
    GiveFile(&pool, i, 1);
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(g_at_gate, 10000));
  ::SetEvent(g_gate);
  ExpectFullDiskAt(&pool, 2, 8);
}

// Files begun after one that fails, but finished before it failed, are
// deleted again: the extraction stops at its first failure.
TEST_F(FileWriterPoolTest, FilesFinishedAfterTheFailingOneGoAgain) {
  FileWriterPool pool(FileWriterPool::kMaxThreads, &CountRelease);
  GiveFile(&pool, 0, {"GATE", kFullDisk});
  for (size_t i = 1; i < 4; ++i)
    GiveFile(&pool, i, 1);
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(g_at_gate, 10000));
  // The other threads write the later files meanwhile.
  for (int wait = 0; wait < 1000 && !base::PathExists(Path(3)); ++wait)
    ::Sleep(10);
  ::Sleep(100);
  ASSERT_EQ(expected_[3], Read(3));
  ::SetEvent(g_gate);
  ExpectFullDiskAt(&pool, 0, 4);
  EXPECT_EQ((std::vector<base::FilePath>{Path(0)}), pool.CreatedFiles());
}

// Cancelled while a file is being written: what was finished stays whole,
// the open file is deleted, nothing queued after it is created, and every
// lent piece comes back.
TEST_F(FileWriterPoolTest, CancelLeavesOnlyWholeFiles) {
  {
    FileWriterPool pool(1, &CountRelease);
    GiveFile(&pool, 0, 2);
    GiveFile(&pool, 1, {"GATE and more", "second", "third"});
    GiveFile(&pool, 2, 2);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(g_at_gate, 10000));
    pool.Cancel();
    ::SetEvent(g_gate);
    EXPECT_EQ(LzmaUtil::kOk, pool.Wait(nullptr));
    EXPECT_EQ(expected_[0], Read(0));
    EXPECT_FALSE(base::PathExists(Path(1)));
    EXPECT_FALSE(base::PathExists(Path(2)));
    // The deleted file was created: it is reported all the same.
    EXPECT_EQ((std::vector<base::FilePath>{Path(0), Path(1)}), pool.CreatedFiles());
    EXPECT_FALSE(pool.Begin(Path(3), nullptr, FileWriterPool::kOwnFile));
  }
  EXPECT_EQ(written_, g_released);
}

// Destroyed with a file still open and writes queued: what was queued is
// dropped, so a file is whole or not there at all, and every piece comes
// back.
TEST_F(FileWriterPoolTest, DestroyedMidFileLeavesNothingHalfWritten) {
  {
    FileWriterPool pool(2, &CountRelease);
    GiveFile(&pool, 0, 2);
    ASSERT_TRUE(pool.Begin(Path(1), nullptr, FileWriterPool::kOwnFile));
    const std::string piece = "half";
    pool.Write(reinterpret_cast<const uint8_t*>(piece.data()), piece.size(), nullptr);
    ++written_;
  }
  EXPECT_EQ(written_, g_released);
  if (base::PathExists(Path(0))) {
    EXPECT_EQ(expected_[0], Read(0));
  }
  EXPECT_FALSE(base::PathExists(Path(1)));
}

}  // namespace
