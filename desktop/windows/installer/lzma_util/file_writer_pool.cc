#include "desktop/windows/installer/lzma_util/file_writer_pool.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "base/logging.h"

namespace {

FileWriterPool::WriteFunction g_write_file = &::WriteFile;

}  // namespace

struct FileWriterPool::File {
  size_t number = 0;
  base::FilePath path;
  uint32_t same_file = kOwnFile;
  bool has_time = false;
  FILETIME modified = {};
  // Touched only by the file's thread until Wait.
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool created = false;
  bool deleted = false;
};

struct FileWriterPool::Queue {
  Queue(FileWriterPool* owner, base::Lock* lock) : pool(owner), work(lock) {}
  FileWriterPool* const pool;
  base::ConditionVariable work;
  // Operations queued, and whether one is running.
  size_t load() const { return ops.size() + (running ? 1 : 0); }

  // Guarded by the pool's lock.
  std::deque<Op> ops;
  bool running = false;
};

FileWriterPool::FileWriterPool(size_t threads, ReleaseCallback release)
    : release_(release),
      max_threads_(std::min(threads, kMaxThreads)) {}

FileWriterPool::~FileWriterPool() {
  Abandon();
  Cancel();
  {
    base::AutoLock hold(lock_);
    stopping_ = true;
    for (auto& queue : queues_)
      queue->work.Signal();
  }
  for (HANDLE thread : threads_) {
    // Our own threads: each finishes the system call it is in, then drops
    // what is left of its queue.
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
  }
}

bool FileWriterPool::Begin(const base::FilePath& path,
                           const FILETIME* modified,
                           uint32_t same_file) {
  DCHECK(!current_file_);
  {
    base::AutoLock hold(lock_);
    if (failed_ || cancelled_)
      return false;
    auto file = std::make_unique<File>();
    file->number = files_.size();
    file->path = path;
    file->same_file = same_file;
    file->has_time = modified != nullptr;
    if (modified)
      file->modified = *modified;
    current_file_ = file.get();
    files_.push_back(std::move(file));
    current_queue_ = PickQueue(same_file);
  }
  return Give({Op::Kind::kCreate, current_file_, nullptr, 0, nullptr});
}

FileWriterPool::Queue* FileWriterPool::PickQueue(uint32_t same_file) {
  // One file under several names: its thread writes it in the order given.
  // (None when it was written on the caller's thread, and is done.)
  if (same_file != kOwnFile) {
    const auto earlier = same_file_queues_.find(same_file);
    if (earlier != same_file_queues_.end() && earlier->second)
      return earlier->second;
  }
  // The thread with the least to do; a large file keeps its thread busy
  // while small ones go to the others. Another thread is started only when
  // every one has work waiting.
  Queue* picked = nullptr;
  for (auto& queue : queues_) {
    if (!picked || queue->load() < picked->load())
      picked = queue.get();
  }
  if ((!picked || picked->load() > 0) && queues_.size() < max_threads_) {
    if (Queue* started = StartThread())
      picked = started;
  }
  if (same_file != kOwnFile)
    same_file_queues_[same_file] = picked;
  return picked;
}

bool FileWriterPool::Write(const uint8_t* data, size_t size, void* release_context) {
  DCHECK(current_file_);
  if (Give({Op::Kind::kWrite, current_file_, data, size, release_context}))
    return true;
  if (release_)
    release_(release_context, data);
  return false;
}

bool FileWriterPool::Finish() {
  DCHECK(current_file_);
  const bool given = Give({Op::Kind::kFinish, current_file_, nullptr, 0, nullptr});
  current_file_ = nullptr;
  return given;
}

void FileWriterPool::Abandon() {
  if (!current_file_)
    return;
  Give({Op::Kind::kAbandon, current_file_, nullptr, 0, nullptr});
  current_file_ = nullptr;
}

LzmaUtil::ExtractResult FileWriterPool::Wait(size_t* failed_file) {
  base::AutoLock hold(lock_);
  while (queued_ > 0 || running_ > 0)
    idle_.Wait();
  // Files after the failing one that were finished before the failure was
  // known go again: an extraction stops at its first failure. No thread
  // runs now, and only an open file's handle is still set.
  if (failed_) {
    for (auto& file : files_) {
      if (file->number > failed_file_ && file->created && !file->deleted &&
          file->handle == INVALID_HANDLE_VALUE) {
        Delete(file.get());
      }
    }
  }
  if (failed_file)
    *failed_file = failed_file_;
  return failed_ ? failure_ : LzmaUtil::kOk;
}

std::vector<base::FilePath> FileWriterPool::CreatedFiles() const {
  base::AutoLock hold(lock_);
  std::vector<base::FilePath> created;
  std::unordered_set<uint32_t> shared_files;
  for (const auto& file : files_) {
    if (file->created && (!failed_ || file->number <= failed_file_ || !file->deleted) &&
        (file->same_file == kOwnFile || shared_files.insert(file->same_file).second)) {
      created.push_back(file->path);
    }
  }
  return created;
}

void FileWriterPool::Cancel() {
  base::AutoLock hold(lock_);
  cancelled_ = true;
  space_.Broadcast();
}

// static
void FileWriterPool::SetWriteFunctionForTesting(WriteFunction write) {
  g_write_file = write ? write : &::WriteFile;
}

FileWriterPool::Queue* FileWriterPool::StartThread() {
  auto queue = std::make_unique<Queue>(this, &lock_);
  HANDLE thread = ::CreateThread(nullptr, 0, &ThreadMain, queue.get(), 0, nullptr);
  if (!thread) {
    PLOG(WARNING) << "Writing files with " << queues_.size() << " threads";
    // No more tries: the threads there are (or the caller's) carry on.
    max_threads_ = queues_.size();
    return nullptr;
  }
  threads_.push_back(thread);
  queues_.push_back(std::move(queue));
  return queues_.back().get();
}

// static
DWORD WINAPI FileWriterPool::ThreadMain(void* context) {
  Queue* queue = static_cast<Queue*>(context);
  queue->pool->Work(queue);
  return 0;
}

void FileWriterPool::Work(Queue* queue) {
  base::AutoLock hold(lock_);
  for (;;) {
    while (queue->ops.empty() && !stopping_)
      queue->work.Wait();
    if (queue->ops.empty())
      return;
    const Op op = queue->ops.front();
    queue->ops.pop_front();
    --queued_;
    ++running_;
    queue->running = true;
    space_.Signal();
    {
      base::AutoUnlock unlocked(lock_);
      Run(op);
    }
    queue->running = false;
    --running_;
    if (queued_ == 0 && running_ == 0)
      idle_.Broadcast();
  }
}

bool FileWriterPool::Give(const Op& op) {
  // Finishing and abandoning are always given: they close what is open.
  const bool closes = op.kind == Op::Kind::kFinish || op.kind == Op::Kind::kAbandon;
  if (!current_queue_) {
    {
      base::AutoLock hold(lock_);
      if (!closes && (failed_ || cancelled_))
        return false;
    }
    Run(op);
    base::AutoLock hold(lock_);
    return !failed_;
  }
  base::AutoLock hold(lock_);
  while (queued_ >= kMaxQueued && !cancelled_ && !failed_)
    space_.Wait();
  if (!closes && (failed_ || cancelled_))
    return false;
  current_queue_->ops.push_back(op);
  ++queued_;
  current_queue_->work.Signal();
  return !failed_;
}

void FileWriterPool::Run(const Op& op) {
  File* file = op.file;
  const bool open = file->handle != INVALID_HANDLE_VALUE;
  switch (op.kind) {
    case Op::Kind::kCreate:
      if (!Stopped(file))
        Create(file);
      return;
    case Op::Kind::kWrite:
      if (open && !Stopped(file))
        WriteAll(file, op.data, op.size);
      else if (open)
        Delete(file);
      if (release_)
        release_(op.release_context, op.data);
      return;
    case Op::Kind::kFinish:
      if (open && !Stopped(file))
        Close(file);
      else if (open)
        Delete(file);
      return;
    case Op::Kind::kAbandon:
      if (open)
        Delete(file);
      return;
  }
}

// static
HANDLE FileWriterPool::OpenForWriting(const base::FilePath& path) {
  return ::CreateFileW(path.value().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

void FileWriterPool::Create(File* file) {
  file->handle = OpenForWriting(file->path);
  if (file->handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(file->path.value().c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      LOG(ERROR) << "Cannot create the file " << file->path
                 << ": a folder of that name (or of one that differs only in case) is there";
    } else {
      ::SetLastError(error);
      PLOG(ERROR) << "Error returned by CreateFile: " << file->path;
    }
    Fail(file, LzmaUtil::kCreateFileFailed);
    return;
  }
  file->created = true;
}

void FileWriterPool::WriteAll(File* file, const uint8_t* data, size_t size) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min(size, kMaxWriteSize));
    DWORD written = 0;
    const BOOL ok = g_write_file(file->handle, data, chunk, &written, nullptr);
    if (!ok || written != chunk) {
      if (ok)
        ::SetLastError(ERROR_WRITE_FAULT);
      PLOG(ERROR) << "Error returned by WriteFile " << file->path;
      Fail(file, LzmaUtil::kWriteFileFailed);
      Delete(file);
      return;
    }
    data += chunk;
    size -= chunk;
  }
}

void FileWriterPool::Close(File* file) {
  HANDLE handle = std::exchange(file->handle, INVALID_HANDLE_VALUE);
  if (file->has_time && !::SetFileTime(handle, nullptr, nullptr, &file->modified)) {
    PLOG(ERROR) << "Error returned by SetFileTime " << file->path;
    Fail(file, LzmaUtil::kSetFileTimeFailed);
    ::CloseHandle(handle);
    return;
  }
  if (!::CloseHandle(handle)) {
    PLOG(ERROR) << "Error returned by CloseHandle " << file->path;
    Fail(file, LzmaUtil::kCloseFileFailed);
  }
}

void FileWriterPool::Delete(File* file) {
  if (file->handle != INVALID_HANDLE_VALUE)
    ::CloseHandle(std::exchange(file->handle, INVALID_HANDLE_VALUE));
  if (::DeleteFileW(file->path.value().c_str()))
    file->deleted = true;
  else
    PLOG(WARNING) << "Cannot delete the half-written " << file->path;
}

bool FileWriterPool::Stopped(const File* file) {
  base::AutoLock hold(lock_);
  return cancelled_ || (failed_ && failed_file_ < file->number);
}

void FileWriterPool::Fail(File* file, LzmaUtil::ExtractResult result) {
  base::AutoLock hold(lock_);
  if (!failed_ || file->number < failed_file_) {
    failed_file_ = file->number;
    failure_ = result;
  }
  failed_ = true;
  space_.Broadcast();
}
