#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FOLDER_STREAM_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FOLDER_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "7z.h"
#include "Bcj2.h"
#include "desktop/windows/installer/lzma_util/lzma_stream_reader.h"
#include "desktop/windows/installer/lzma_util/parallel_block_decoder.h"

class StreamResources;

// The unpacked bytes of one 7z folder (solid block), in order, decoded
// from a view of the whole archive: the main LZMA or LZMA2 stream (on
// ParallelBlockDecoder's threads), through the x86 filter or, with BCJ2,
// joined with its call, jump and range-coder streams. Read on one thread.
class FolderStream {
 public:
  using Status = ParallelBlockDecoder::Status;

  // Whether the folder's coders are ones this class decodes: LZMA or
  // LZMA2, alone, behind the x86 filter, or as the four streams of BCJ2
  // with LZMA call and jump streams.
  static bool IsSupported(const CSzArEx* db, uint32_t folder_index);
  // The method ids of the folder's coders, in order; none when they
  // cannot be read.
  static std::vector<uint64_t> Methods(const CSzArEx* db, uint32_t folder_index);

  // `archive` and `archive_size`: the view of the archive file. The folder
  // must be supported.
  FolderStream(const CSzArEx* db,
               uint32_t folder_index,
               const uint8_t* archive,
               size_t archive_size);
  FolderStream(const FolderStream&) = delete;
  FolderStream& operator=(const FolderStream&) = delete;
  ~FolderStream();

  // As ParallelBlockDecoder::Start.
  Status Start(StreamResources* resources,
               size_t max_threads,
               ParallelBlockDecoder::DecodedBlockHook hook,
               uint32_t* fault_status);

  // Fills `dest` with the next `size` bytes; `*read` is less only at the
  // end of the folder. Reads mapped memory: run it under an
  // InPageErrorGuard that covers Contains().
  Status Read(uint8_t* dest, size_t size, size_t* read, uint32_t* fault_status);

  // After the last byte: kOk when every input stream ended there too (the
  // main stream at its end mark), else kDataError.
  Status Finish(uint32_t* fault_status);

  void Cancel() {
    if (main_)
      main_->Cancel();
  }
  bool Contains(const void* address) const;
  uint64_t size() const { return size_; }
  const ParallelBlockDecoder& main_decoder() const { return *main_; }

 private:
  enum class Filter { kNone, kX86, kBcj2 };

  // A packed stream of the folder within the view; false when it does not
  // lie inside it.
  bool PackedStream(uint32_t index, const uint8_t** data, size_t* size) const;
  Status ReadMain(uint8_t* dest, size_t size, size_t* read, uint32_t* fault_status);
  Status ReadX86(uint8_t* dest, size_t size, size_t* read, uint32_t* fault_status);
  Status ReadBcj2(uint8_t* dest, size_t size, size_t* read, uint32_t* fault_status);
  // Refills BCJ2 input `stream` (call or jump) from its reader.
  bool RefillSideStream(int stream);

  const CSzArEx* db_;
  const uint32_t folder_index_;
  const uint8_t* archive_;
  const size_t archive_size_;
  Filter filter_ = Filter::kNone;
  uint64_t size_ = 0;
  std::unique_ptr<ParallelBlockDecoder> main_;
  bool main_ended_ = false;

  // The x86 filter converts in the reader's buffer. The few bytes at its
  // end that need the next ones before they can be converted, or bytes
  // converted ahead for a read too short to convert in place, wait here:
  // [begin, converted) converted, [converted, end) not yet.
  static constexpr size_t kX86CarrySize = 64;
  uint8_t x86_carry_[kX86CarrySize];
  size_t x86_carry_begin_ = 0;
  size_t x86_carry_converted_ = 0;
  size_t x86_carry_end_ = 0;
  // Of the first byte not yet converted.
  uint32_t x86_pc_ = 0;
  uint32_t x86_state_ = 0;

  CBcj2Dec bcj2_;
  LzmaStreamReader side_readers_[2];  // Call, jump.
  std::unique_ptr<uint8_t[]> side_buffers_[2];
  uint64_t produced_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FOLDER_STREAM_H_
