#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FOLDER_PIPELINE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FOLDER_PIPELINE_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "7zCrc.h"
#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"
#include "desktop/windows/installer/lzma_util/folder_stream.h"
#include "desktop/windows/installer/lzma_util/lent_pieces.h"
#include "desktop/windows/installer/lzma_util/worker_threads.h"

class StreamResources;

// Cuts the bytes of one folder into the entries to be written, on a thread
// of its own: it reads the FolderStream and hands each entry's data on in
// pieces of at most kPieceSize, in order, through a small ring of buffers
// (small entries share one, so that many of them can be in flight), so
// that the caller of NextPiece (the writing thread), this thread and the
// decoding run side by side with bounded memory. The entries' CRCs are
// checked in NextPiece, which has less to do than this thread.
class FolderPipeline {
 public:
  using Status = FolderStream::Status;

  // Bytes of an entry within the folder.
  struct Entry {
    uint64_t offset = 0;
    uint64_t size = 0;
    bool has_crc = false;
    uint32_t crc = 0;
  };

  struct Piece {
    const uint8_t* data = nullptr;
    size_t size = 0;
    // The entry's last piece: its CRC was right.
    bool last = false;
  };

  static constexpr size_t kPieceSize = 1 << 20;
  static constexpr size_t kPieceCount = 8;

  // `entries` in folder order, none overlapping.
  FolderPipeline(const CSzArEx* db,
                 uint32_t folder_index,
                 const uint8_t* archive,
                 size_t archive_size,
                 std::vector<Entry> entries);
  FolderPipeline(const FolderPipeline&) = delete;
  FolderPipeline& operator=(const FolderPipeline&) = delete;
  // Cancels and joins the threads; waits for the pieces lent.
  ~FolderPipeline();

  // As ParallelBlockDecoder::Start; the thread and the pieces' memory come
  // from `resources` too.
  Status Start(StreamResources* resources,
               size_t max_threads,
               ParallelBlockDecoder::DecodedBlockHook hook,
               uint32_t* fault_status);

  // The next piece of the entries, waiting for it. On kOk its bytes are the
  // caller's until given back with Release, from any thread. After a
  // failure, the pieces before it still come first. On kInPageError,
  // `*fault_status` receives the page-read status.
  Status NextPiece(Piece* piece, uint32_t* fault_status);
  void Release(const uint8_t* data);
  // Waits until every piece NextPiece gave is released.
  void WaitForReleases() { lent_.WaitForAll(); }

  // Stops the reading thread and the decoding; NextPiece returns kCancelled.
  void Cancel();

  const FolderStream& stream() const { return stream_; }

 private:
  struct Ready {
    // From the start of the ring.
    size_t offset;
    size_t size;
    bool last;
    size_t entry;
  };

  static void ThreadMain(void* self);
  void Run();
  // Reads `size` bytes of the folder into `dest`, all of them or fails.
  Status ReadExactly(uint8_t* dest, size_t size);
  Status ReadEntry(size_t entry_index, bool ends_folder);
  // In NextPiece: adds the piece to its entry's CRC; at the entry's last
  // piece, whether the CRC is right.
  Status CheckCrc(size_t entry_index, const Piece& piece);
  // Where the next piece of `size` bytes goes: behind the pieces before it
  // in the buffer being filled while it fits there, else at the start of a
  // free buffer (waiting for one); null when cancelled.
  uint8_t* PlacePiece(size_t size);
  void Fail(Status status);

  FolderStream stream_;
  const std::vector<Entry> entries_;
  const bool check_folder_crc_;
  const uint32_t folder_crc_;
  uint32_t running_folder_crc_;
  // Of the entry being read by NextPiece's caller.
  uint32_t crc_ = CRC_INIT_VAL;
  uint64_t position_ = 0;
  uint32_t fault_status_ = 0;
  // Bytes placed in the buffer being filled; this object's thread only.
  size_t filled_ = 0;
  StreamResources* resources_ = nullptr;
  uint8_t* buffers_ = nullptr;
  uint8_t* scratch_ = nullptr;
  LentPieces lent_;
  WorkerThreads::Job thread_;
  bool started_ = false;

  base::Lock lock_;
  base::ConditionVariable changed_{&lock_};
  // Guarded by lock_.
  std::vector<size_t> free_buffers_;
  // Per buffer, its pieces placed and not given back; the one being filled
  // (-1: none), which stays out of the free ones until the next is taken.
  std::vector<size_t> pieces_in_ = std::vector<size_t>(kPieceCount);
  int filling_ = -1;
  std::deque<Ready> ready_;
  Status failure_ = Status::kOk;
  uint32_t failure_fault_status_ = 0;
  bool cancelled_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FOLDER_PIPELINE_H_
