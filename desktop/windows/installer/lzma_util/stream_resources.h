#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_STREAM_RESOURCES_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_STREAM_RESOURCES_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/lzma_util/worker_threads.h"

class FileBackedSzAlloc;

// What streamed solid blocks keep from one block to the next, so that a
// block costs its decoding rather than its set-up: the threads, the
// memory the decoded pieces are lent from, and the mapped temporary files
// of the decoders' buffers. Used on the extracting thread (the threads
// themselves excepted).
class StreamResources {
 public:
  // The decoders' temporary files go into `temp_folder`.
  explicit StreamResources(const base::FilePath& temp_folder);
  StreamResources(const StreamResources&) = delete;
  StreamResources& operator=(const StreamResources&) = delete;
  // Nothing of it may be in use.
  ~StreamResources();

  WorkerThreads* threads() { return &threads_; }

  // `size` bytes, the same ones each time (and always of the same size);
  // null when they cannot be had.
  uint8_t* PieceMemory(size_t size);

  // A decoder buffer's allocator: one kept earlier, its file mapped still,
  // or a new one.
  std::unique_ptr<FileBackedSzAlloc> TakeBufferFile();
  // Keeps `alloc`, mapping and all, for the next block: the file, its
  // mapping and the pages it has faulted in are reused. Only one is kept.
  void KeepBufferFile(std::unique_ptr<FileBackedSzAlloc> alloc);

 private:
  const base::FilePath temp_folder_;
  uint8_t* piece_memory_ = nullptr;
  size_t piece_memory_size_ = 0;
  std::unique_ptr<FileBackedSzAlloc> kept_;
  WorkerThreads threads_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_STREAM_RESOURCES_H_
