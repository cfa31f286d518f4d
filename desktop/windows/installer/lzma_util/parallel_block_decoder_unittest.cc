#include "desktop/windows/installer/lzma_util/parallel_block_decoder.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/lzma_util/lzma2_blocks.h"
#include "desktop/windows/installer/lzma_util/stream_resources.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace {

// Three LZMA2 streams of 1.5 MB, 1.3 MB and 0.7 MB joined into one, and
// what they decode to (make_lzma_test_data.py).
struct ThreeBlocks {
  ThreeBlocks() {
    const base::FilePath folder = testing_support::BinFolder().Append(L"lzma_test_data");
    EXPECT_TRUE(base::ReadFileToString(folder.Append(L"three_blocks.lzma2"), &packed));
    EXPECT_TRUE(base::ReadFileToString(folder.Append(L"three_blocks.bin"), &unpacked));
  }

  const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(packed.data()); }

  ParallelBlockDecoder::Input Input() const {
    ParallelBlockDecoder::Input input;
    input.method = ParallelBlockDecoder::Method::kLzma2;
    input.properties = &kProperties;
    input.properties_size = 1;
    input.packed = data();
    input.packed_size = packed.size();
    input.unpacked_size = unpacked.size();
    return input;
  }

  static constexpr uint8_t kProperties = 24;  // A 16 MiB dictionary.
  std::string packed;
  std::string unpacked;
};

// Reads everything, in pieces of at most `piece`, until the end or an error.
ParallelBlockDecoder::Status ReadAll(ParallelBlockDecoder* decoder,
                                     size_t piece,
                                     std::string* out) {
  for (;;) {
    const uint8_t* data = nullptr;
    size_t size = 0;
    uint32_t fault_status = 0;
    const ParallelBlockDecoder::Status status = decoder->Next(piece, &data, &size, &fault_status);
    if (status != ParallelBlockDecoder::Status::kOk || size == 0)
      return status;
    EXPECT_LE(size, piece);
    out->append(reinterpret_cast<const char*>(data), size);
  }
}

class ParallelBlockDecoderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    resources_ = std::make_unique<StreamResources>(temp_.GetPath());
  }
  base::ScopedTempDir temp_;
  std::unique_ptr<StreamResources> resources_;
  ThreeBlocks stream_;
  uint32_t fault_status_ = 0;
};

TEST_F(ParallelBlockDecoderTest, SameBytesWithOneThreadOrSeveral) {
  for (size_t threads : {1, 2, 3, 8}) {
    ParallelBlockDecoder decoder(stream_.Input());
    ASSERT_EQ(ParallelBlockDecoder::Status::kOk,
              decoder.Start(resources_.get(), threads, nullptr, &fault_status_));
    EXPECT_EQ(3u, decoder.block_count());
    EXPECT_EQ(std::min<size_t>(threads, 3), decoder.thread_count());
    std::string out;
    // An odd piece size, so that pieces straddle the blocks.
    EXPECT_EQ(ParallelBlockDecoder::Status::kOk, ReadAll(&decoder, 300001, &out));
    EXPECT_TRUE(out == stream_.unpacked) << threads << " threads";
  }
  // The block buffers' temporary files went with the decoders.
  EXPECT_TRUE(base::IsDirectoryEmpty(temp_.GetPath()));
}

TEST_F(ParallelBlockDecoderTest, DamagedBlockFailsAfterTheBlocksBeforeIt) {
  std::vector<Lzma2Block> blocks;
  ASSERT_TRUE(FindLzma2Blocks(stream_.data(), stream_.packed.size(), 1, &blocks));
  ASSERT_EQ(3u, blocks.size());
  stream_.packed[blocks[2].packed_offset + 200] ^= 0x55;
  ParallelBlockDecoder decoder(stream_.Input());
  ASSERT_EQ(ParallelBlockDecoder::Status::kOk,
            decoder.Start(resources_.get(), 3, nullptr, &fault_status_));
  std::string out;
  EXPECT_EQ(ParallelBlockDecoder::Status::kDataError, ReadAll(&decoder, 1 << 20, &out));
  const size_t good = blocks[0].unpacked_size + blocks[1].unpacked_size;
  ASSERT_GE(out.size(), good);
  EXPECT_TRUE(out.compare(0, good, stream_.unpacked, 0, good) == 0);
}

TEST_F(ParallelBlockDecoderTest, SizeOtherThanTheArchiveSaysIsRefused) {
  ParallelBlockDecoder::Input input = stream_.Input();
  input.unpacked_size += 1;
  ParallelBlockDecoder decoder(input);
  EXPECT_EQ(ParallelBlockDecoder::Status::kDataError,
            decoder.Start(resources_.get(), 2, nullptr, &fault_status_));
}

// Files in `folder`, waiting a bounded time for them to drop to `expected`:
// idle workers give buffers up on their own threads.
size_t FilesSettlingAt(const base::FilePath& folder, size_t expected) {
  size_t count = 0;
  for (int i = 0; i < 500; ++i) {
    count = 0;
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW(folder.Append(L"*").value().c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          ++count;
      } while (::FindNextFileW(find, &found));
      ::FindClose(find);
    }
    if (count == expected)
      break;
    ::Sleep(20);
  }
  return count;
}

// Once every block has a buffer, a block that has been read gives its
// buffer (and its temporary file) up while the rest is still being read;
// the blocks after it read the same.
TEST_F(ParallelBlockDecoderTest, BuffersOfBlocksReadAreGivenUpBeforeTheEnd) {
  std::vector<Lzma2Block> blocks;
  ASSERT_TRUE(FindLzma2Blocks(stream_.data(), stream_.packed.size(),
                              ParallelBlockDecoder::kMinBlockSize, &blocks));
  ASSERT_EQ(3u, blocks.size());
  ParallelBlockDecoder decoder(stream_.Input());
  ASSERT_EQ(ParallelBlockDecoder::Status::kOk,
            decoder.Start(resources_.get(), 3, nullptr, &fault_status_));
  EXPECT_EQ(3u, FilesSettlingAt(temp_.GetPath(), 3));
  std::string out;
  while (out.size() <= blocks[0].unpacked_size) {
    const uint8_t* data;
    size_t size = 0;
    ASSERT_EQ(ParallelBlockDecoder::Status::kOk,
              decoder.Next(100000, &data, &size, &fault_status_));
    ASSERT_NE(0u, size);
    out.append(reinterpret_cast<const char*>(data), size);
  }
  EXPECT_EQ(2u, FilesSettlingAt(temp_.GetPath(), 2));
  EXPECT_EQ(ParallelBlockDecoder::Status::kOk, ReadAll(&decoder, 100000, &out));
  EXPECT_TRUE(out == stream_.unpacked);
  EXPECT_EQ(0u, FilesSettlingAt(temp_.GetPath(), 0));
}

// Workers decoding ahead, waiting for buffers and mid-block: destroying the
// decoder after one piece cancels and joins them all.
TEST_F(ParallelBlockDecoderTest, StoppedEarlyJoinsItsWorkers) {
  for (size_t threads : {1, 2}) {
    ParallelBlockDecoder decoder(stream_.Input());
    ASSERT_EQ(ParallelBlockDecoder::Status::kOk,
              decoder.Start(resources_.get(), threads, nullptr, &fault_status_));
    const uint8_t* data;
    size_t size = 0;
    uint32_t fault_status;
    ASSERT_EQ(ParallelBlockDecoder::Status::kOk, decoder.Next(4096, &data, &size, &fault_status));
    EXPECT_EQ(4096u, size);
  }
  ParallelBlockDecoder cancelled(stream_.Input());
  ASSERT_EQ(ParallelBlockDecoder::Status::kOk,
            cancelled.Start(resources_.get(), 1, nullptr, &fault_status_));
  cancelled.Cancel();
  std::string out;
  const ParallelBlockDecoder::Status status = ReadAll(&cancelled, 1 << 20, &out);
  // Whatever was decoded before the cancellation may come out, then no more.
  EXPECT_TRUE(status == ParallelBlockDecoder::Status::kCancelled ||
              (status == ParallelBlockDecoder::Status::kOk && out == stream_.unpacked));
}

// A page of the packed input that cannot be read (as a disk error under a
// mapped archive looks to Wine) stops the scan of the chunk headers.
TEST_F(ParallelBlockDecoderTest, UnreadableInputIsAnInPageError) {
  const size_t size = stream_.packed.size();
  uint8_t* pages =
      static_cast<uint8_t*>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_TRUE(pages);
  memcpy(pages, stream_.packed.data(), size);
  DWORD old_protection;
  // The second half, the headers there and the end mark included.
  const size_t half = size / 2 / 4096 * 4096;
  ASSERT_TRUE(VirtualProtect(pages + half, size - half, PAGE_NOACCESS, &old_protection));
  ParallelBlockDecoder::Input input = stream_.Input();
  input.packed = pages;
  {
    ParallelBlockDecoder decoder(input);
    EXPECT_EQ(ParallelBlockDecoder::Status::kInPageError,
              decoder.Start(resources_.get(), 2, nullptr, &fault_status_));
    EXPECT_EQ(static_cast<uint32_t>(EXCEPTION_ACCESS_VIOLATION), fault_status_);
  }
  VirtualFree(pages, 0, MEM_RELEASE);
}

TEST(Lzma2BlocksTest, SplitsAtDictionaryResetsAndJoinsSmallBlocks) {
  ThreeBlocks stream;
  std::vector<Lzma2Block> blocks;
  ASSERT_TRUE(FindLzma2Blocks(stream.data(), stream.packed.size(), 1, &blocks));
  ASSERT_EQ(3u, blocks.size());
  EXPECT_EQ(0u, blocks[0].packed_offset);
  uint64_t unpacked = 0;
  for (size_t i = 0; i < blocks.size(); ++i) {
    unpacked += blocks[i].unpacked_size;
    if (i > 0) {
      EXPECT_EQ(blocks[i - 1].packed_offset + blocks[i - 1].packed_size, blocks[i].packed_offset);
    }
  }
  EXPECT_EQ(stream.unpacked.size(), unpacked);
  EXPECT_EQ(stream.packed.size(), blocks[2].packed_offset + blocks[2].packed_size);
  EXPECT_EQ(1500000u, blocks[0].unpacked_size);

  // Blocks below the minimum are joined with the next one.
  ASSERT_TRUE(FindLzma2Blocks(stream.data(), stream.packed.size(), 2000000, &blocks));
  ASSERT_EQ(2u, blocks.size());
  EXPECT_EQ(1500000u + 1320000u, blocks[0].unpacked_size);
}

TEST(Lzma2BlocksTest, RefusesMalformedStreams) {
  std::vector<Lzma2Block> blocks;
  const uint8_t stored[] = {0x01, 0x00, 0x02, 'a', 'b', 'c', 0x00};
  ASSERT_TRUE(FindLzma2Blocks(stored, sizeof(stored), 1, &blocks));
  ASSERT_EQ(1u, blocks.size());
  EXPECT_EQ(3u, blocks[0].unpacked_size);
  EXPECT_EQ(sizeof(stored), blocks[0].packed_size);

  const uint8_t end_only[] = {0x00};
  ASSERT_TRUE(FindLzma2Blocks(end_only, sizeof(end_only), 1, &blocks));
  EXPECT_EQ(0u, blocks[0].unpacked_size);

  // No end mark; bytes after it; a chunk running past the end; a first
  // chunk that keeps a dictionary there is none of; a bad control byte.
  const std::vector<std::vector<uint8_t>> bad = {{0x01, 0x00, 0x02, 'a', 'b', 'c'},
                                                 {0x01, 0x00, 0x02, 'a', 'b', 'c', 0x00, 0x00},
                                                 {0x01, 0x00, 0x05, 'a', 'b', 'c', 0x00},
                                                 {0x02, 0x00, 0x02, 'a', 'b', 'c', 0x00},
                                                 {0x03, 0x00},
                                                 {0xE0, 0x00, 0x00, 0x00},
                                                 {}};
  for (const std::vector<uint8_t>& stream : bad)
    EXPECT_FALSE(FindLzma2Blocks(stream.data(), stream.size(), 1, &blocks)) << stream.size();
}

}  // namespace
