#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_IN_MEMORY_SOURCE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_IN_MEMORY_SOURCE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "7z.h"
#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"
#include "desktop/windows/installer/lzma_util/entry_source.h"
#include "desktop/windows/installer/lzma_util/view_in_stream.h"

class ArchiveView;

// Decodes small solid blocks whole into memory, on the calling thread and
// with the LZMA SDK (any coder it has), straight from the mapped archive:
// no thread, temporary file or mapping per block, which for an archive of
// many small blocks cost more than the decoding. The buffers are kept from
// block to block; the next block is decoded while the writers still write
// the ones before, within a bound on all buffers together, and a buffer is
// used again only once every piece lent from it is back.
class InMemorySource : public EntrySource {
 public:
  // Blocks up to this size are best decoded here.
  static constexpr uint64_t kMaxBlockSize = 4 << 20;
  // All buffers together; also the largest block this source can take.
  static constexpr size_t kMaxBytes = 16 << 20;
  // Buffers at most: more files than this in flight keep the writers no
  // busier.
  static constexpr size_t kMaxBuffers = 16;

  // `view` must outlive this object. `hook` (tests only, may be null) runs
  // after each decoded block.
  InMemorySource(const CSzArEx* db,
                 const ArchiveView* view,
                 LzmaUtil::DecodedBlockHook hook,
                 uint32_t* last_error_code);
  InMemorySource(const InMemorySource&) = delete;
  InMemorySource& operator=(const InMemorySource&) = delete;
  // Waits for the pieces lent.
  ~InMemorySource() override;

  LzmaUtil::ExtractResult Prepare(uint32_t index) override;
  LzmaUtil::ExtractResult NextPiece(Piece* piece) override;
  void ReleasePiece(const uint8_t* data) override;

 private:
  struct Buffer {
    uint8_t* data = nullptr;
    size_t capacity = 0;
    // Guarded by lock_.
    size_t lent = 0;
  };

  LzmaUtil::ExtractResult DecodeBlock(uint32_t index, uint32_t folder);
  // A buffer of at least `size` bytes that is not current and from which
  // nothing is lent, waiting for one; null when none can be had.
  Buffer* TakeBuffer(size_t size);
  static void Decode(void* argument);
  static bool InSourceMemory(const void* context, const void* address);

  const CSzArEx* const db_;
  const ArchiveView* const view_;
  ViewInStream stream_;
  const LzmaUtil::DecodedBlockHook hook_;
  uint32_t* const last_error_code_;

  // The block decoded last, and the bytes left of the entry prepared last.
  uint32_t folder_;
  Buffer* current_ = nullptr;
  size_t block_size_ = 0;
  size_t offset_ = 0;
  size_t left_ = 0;
  // Being decoded into: part of the guarded memory.
  const Buffer* decoding_ = nullptr;

  base::Lock lock_;
  base::ConditionVariable returned_{&lock_};
  // Guarded by lock_.
  std::vector<std::unique_ptr<Buffer>> buffers_;
  size_t total_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_IN_MEMORY_SOURCE_H_
