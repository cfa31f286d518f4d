#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_PARALLEL_BLOCK_DECODER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_PARALLEL_BLOCK_DECODER_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"
#include "desktop/windows/installer/lzma_util/lzma2_blocks.h"
#include "desktop/windows/installer/lzma_util/worker_threads.h"

class FileBackedSzAlloc;
class StreamResources;

// Decodes a packed LZMA or LZMA2 stream that lies whole in memory (a view
// of the archive) and hands its bytes out in order. An LZMA2 stream is cut
// at its dictionary resets into blocks that worker threads decode side by
// side; an LZMA stream is one block. Each block in flight has a buffer in a
// delete-on-close temporary file mapped into memory (a FileBackedSzAlloc),
// reused from block to block, so decoded data is never on the heap. Blocks
// are published as they decode, in steps, so the block being read streams
// through while the next ones decode ahead. Once every block has a buffer,
// a buffer whose block has been read is given up by an idle worker, so
// dropping the temporary files' pages overlaps the reading of the rest;
// the buffer of a stream of one block is kept for the next stream instead
// (see StreamResources), as are the worker threads.
//
// Failed page reads of the buffers or of the packed input (a disk error
// under a mapped file) stop the decoding with kInPageError instead of
// ending the process.
class ParallelBlockDecoder {
 public:
  enum class Method { kLzma, kLzma2 };

  enum class Status {
    kOk,
    // Bad data, or a buffer that could not be had.
    kDataError,
    // Data that decode, but not to what the archive's checksum says (found
    // by the readers of the decoded bytes).
    kCrcError,
    kInPageError,
    kCancelled,
  };

  struct Input {
    Method method = Method::kLzma2;
    const uint8_t* properties = nullptr;
    size_t properties_size = 0;
    const uint8_t* packed = nullptr;
    size_t packed_size = 0;
    uint64_t unpacked_size = 0;
  };

  // Tests only: called on the worker after each block is decoded, before
  // its last bytes are handed out, with the block's buffer; page faults it
  // causes in the buffer are caught as in decoding.
  using DecodedBlockHook = void (*)(uint8_t* block, size_t size);

  // Blocks with fewer bytes are joined with the next one: a thread per
  // tiny block costs more than it saves.
  static constexpr uint64_t kMinBlockSize = 1 << 20;
  // Bytes decoded between two publications of a block's progress.
  static constexpr size_t kStepSize = 1 << 20;

  explicit ParallelBlockDecoder(const Input& input);
  ParallelBlockDecoder(const ParallelBlockDecoder&) = delete;
  ParallelBlockDecoder& operator=(const ParallelBlockDecoder&) = delete;
  // Cancels and joins the workers.
  ~ParallelBlockDecoder();

  // Splits the stream, takes the buffers and up to `max_threads` workers
  // from `resources` (which must outlive this object) and starts them.
  // kDataError when the stream's framing is bad or the buffers cannot be
  // had; kInPageError, with the page-read status in `*fault_status`, when
  // the packed input cannot be read.
  Status Start(StreamResources* resources,
               size_t max_threads,
               DecodedBlockHook hook,
               uint32_t* fault_status);

  // The next decoded bytes, at most `max_size`, waiting until there are
  // some. `*size` is 0 at the end of the stream. The bytes stay valid until
  // the next call. On kInPageError, `*fault_status` receives the page-read
  // status.
  Status Next(size_t max_size, const uint8_t** data, size_t* size, uint32_t* fault_status);

  // Stops the workers and makes waiting calls return kCancelled.
  void Cancel();

  // Whether `address` lies in a block buffer or in the packed input.
  bool Contains(const void* address) const;

  size_t block_count() const { return blocks_.size(); }
  size_t thread_count() const { return workers_started_; }

 private:
  struct Slot;
  struct BlockState {
    int slot = -1;
    uint64_t decoded = 0;
    bool done = false;
    Status status = Status::kOk;
    uint32_t fault_status = 0;
  };
  struct Worker;

  static void ThreadMain(void* self);
  void Work();
  // Once every block is being decoded: gives up the buffers no block needs
  // any more, until all are given up or the decoding is cancelled.
  void ReleaseRetiredSlots();
  // Retires `slot` when no block will need it again, else frees it for the
  // next block. Needs lock_.
  void ReturnSlot(int slot);
  void ReleaseSlot(Slot* slot);
  // Decodes block `index` into `slot`'s buffer, publishing its progress.
  void DecodeBlock(size_t index, Slot* slot, Worker* worker);
  void Publish(size_t index, uint64_t decoded, bool done, Status status, uint32_t fault_status);

  const Input input_;
  StreamResources* resources_ = nullptr;
  DecodedBlockHook hook_ = nullptr;
  std::vector<Lzma2Block> blocks_;
  // A stream of one block keeps its buffer for the next stream; a longer
  // one gives up its buffers as soon as it can (see above).
  bool keep_buffer_ = false;
  std::vector<std::unique_ptr<Slot>> slots_;
  std::unique_ptr<WorkerThreads::Job[]> workers_;
  size_t workers_started_ = 0;

  base::Lock lock_;
  base::ConditionVariable decoded_{&lock_};
  base::ConditionVariable slot_freed_{&lock_};
  // Guarded by lock_.
  std::vector<BlockState> states_;
  std::vector<int> free_slots_;
  // Slots no block needs any more, waiting for a worker to give them up.
  std::vector<int> retired_slots_;
  size_t released_slots_ = 0;
  size_t next_to_decode_ = 0;
  size_t read_block_ = 0;
  uint64_t read_offset_ = 0;
  bool cancelled_ = false;

  // Held shared by Contains, which runs in exception filters, and
  // exclusively while a buffer is unmapped.
  mutable SRWLOCK buffers_lock_ = SRWLOCK_INIT;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_PARALLEL_BLOCK_DECODER_H_
