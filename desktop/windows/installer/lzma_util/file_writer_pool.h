#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FILE_WRITER_POOL_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FILE_WRITER_POOL_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

#include "base/files/file_path.h"
#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"

// Creates, writes, dates and closes the extracted files on a few threads of
// its own, so that the system calls of one file overlap with those of the
// next and the writing keeps up with the decoders. Each file goes whole to
// one thread and its operations run there in the order they were given;
// files run side by side, except files the caller says are one: those go
// to one thread, one after the other in the order they were begun. The
// caller describes one file at a time: Begin, Write (any number of times),
// then Finish or Abandon.
//
// The first failure stops the pool: files begun after the failing one are
// left out (not created, or deleted again when they already were); files
// begun before it are finished. The failure reported is that of the file
// begun first among those that failed.
class FileWriterPool {
 public:
  // Gives back bytes lent to Write (with the context given with them),
  // once written or dropped. Called on any thread, without the pool's lock.
  using ReleaseCallback = void (*)(void* context, const uint8_t* data);

  static constexpr size_t kMaxThreads = 4;
  // For a file whose name no other file given shares.
  static constexpr uint32_t kOwnFile = 0xFFFFFFFF;
  // Operations waiting over all threads; Begin, Write and Finish wait while
  // that many are queued.
  static constexpr size_t kMaxQueued = 64;
  // Larger writes cost far more under Wine and gain nothing on Windows.
  static constexpr size_t kMaxWriteSize = 1 << 20;

  // At most `threads` threads (and kMaxThreads), started as files find the
  // ones there busy. `threads` 0, or no thread that could be started:
  // every operation runs at once on the caller's thread.
  FileWriterPool(size_t threads, ReleaseCallback release);
  FileWriterPool(const FileWriterPool&) = delete;
  FileWriterPool& operator=(const FileWriterPool&) = delete;
  // Cancels, then joins the threads.
  ~FileWriterPool();

  // Each returns false, and does nothing more, once the pool has failed or
  // was cancelled; a refused Write releases its bytes at once. `modified`
  // may be null. Files begun with one `same_file` other than kOwnFile are
  // one file (a name given twice, or in another case): the later is created
  // once the earlier is closed.
  bool Begin(const base::FilePath& path, const FILETIME* modified, uint32_t same_file);
  bool Write(const uint8_t* data, size_t size, void* release_context);
  bool Finish();
  // The file begun last is closed and deleted (a failure of its data).
  void Abandon();

  // Waits until every operation given has run; then the failure of the file
  // begun first among those that failed, kOk when none did. `*failed_file`
  // (may be null) receives that file's number, counted from 0 in Begin
  // order.
  LzmaUtil::ExtractResult Wait(size_t* failed_file);

  // After Wait: the files created, in Begin order: up to the failing file,
  // and after it those that could not be deleted again; a file given under
  // several names once, under the first.
  std::vector<base::FilePath> CreatedFiles() const;

  // Stops: queued operations are dropped, open files closed and deleted.
  void Cancel();

  // Threads started so far.
  size_t thread_count() const {
    base::AutoLock hold(lock_);
    return threads_.size();
  }

  // Tests only: what writes the files' bytes in place of ::WriteFile (a
  // full disk, a slow one). Null restores it.
  using WriteFunction = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
  static void SetWriteFunctionForTesting(WriteFunction write);

 private:
  struct File;
  struct Op {
    enum class Kind { kCreate, kWrite, kFinish, kAbandon };
    Kind kind;
    File* file;
    const uint8_t* data;
    size_t size;
    void* release_context;
  };
  struct Queue;

  // Under lock_: the thread for the next file; null to run it on the
  // caller's.
  Queue* PickQueue(uint32_t same_file);
  // Under lock_; null when no thread could be started.
  Queue* StartThread();
  // Opens `path` for writing, as a new empty file.
  static HANDLE OpenForWriting(const base::FilePath& path);
  static DWORD WINAPI ThreadMain(void* context);
  void Work(Queue* queue);
  // Queues `op` on the thread of the file begun last (or runs it).
  bool Give(const Op& op);
  void Run(const Op& op);
  void Create(File* file);
  void WriteAll(File* file, const uint8_t* data, size_t size);
  void Close(File* file);
  void Delete(File* file);
  // Whether work on `file` is to stop (a failure of a file before it, or a
  // cancellation).
  bool Stopped(const File* file);
  void Fail(File* file, LzmaUtil::ExtractResult result);

  const ReleaseCallback release_;
  // Guarded by lock_, and changed only on the caller's thread.
  size_t max_threads_;
  std::vector<HANDLE> threads_;
  // Only the caller's thread touches these two.
  Queue* current_queue_ = nullptr;
  File* current_file_ = nullptr;

  mutable base::Lock lock_;
  base::ConditionVariable space_{&lock_};
  base::ConditionVariable idle_{&lock_};
  // Guarded by lock_.
  std::vector<std::unique_ptr<Queue>> queues_;
  std::deque<std::unique_ptr<File>> files_;
  // The thread each shared file went to last.
  std::unordered_map<uint32_t, Queue*> same_file_queues_;
  size_t queued_ = 0;
  size_t running_ = 0;
  bool failed_ = false;
  size_t failed_file_ = 0;
  LzmaUtil::ExtractResult failure_ = LzmaUtil::kOk;
  bool cancelled_ = false;
  bool stopping_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_FILE_WRITER_POOL_H_
