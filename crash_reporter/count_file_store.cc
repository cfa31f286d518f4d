#include "crash_reporter/count_file_store.h"

#include <memory>
#include <utility>

#include "base/files/file.h"
#include "base/json/json_reader.h"
#include "base/json/json_writer.h"
#include "base/logging.h"
#include "base/values.h"

namespace crash_reporter {
namespace {

constexpr int kReadChunk = 1024;
constexpr int kMaxRetries = 9;
constexpr DWORD kRetryDelayMs = 100;
constexpr int kFinalAttempts = 10;
constexpr DWORD kFinalDelayMs = 50;

CountFileStore::OpenedHook g_opened_hook = nullptr;

// The integer members of the file's object; false for a read error, text
// that is not JSON or a value that is not an object.
bool ReadCounts(base::File* file, CountFileStore::Counts* counts) {
  std::string text;
  char chunk[kReadChunk];
  for (int64_t offset = 0;;) {
    int read = file->Read(offset, chunk, kReadChunk);
    if (read < 0)
      return false;
    if (read == 0)
      break;
    text.append(chunk, read);
    offset += read;
  }
  if (text.empty())
    return true;
  std::unique_ptr<base::DictionaryValue> dict =
      base::DictionaryValue::From(base::JSONReader::Read(text));
  if (!dict)
    return false;
  for (base::DictionaryValue::Iterator it(*dict); !it.IsAtEnd(); it.Advance()) {
    if (it.value().is_int())
      (*counts)[it.key()] = it.value().GetInt();
  }
  return true;
}

// Writes the whole text from the start, then ends the file after it. A
// short write is continued, never taken for success.
bool WriteWhole(base::File* file, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    int written = file->Write(static_cast<int64_t>(done), text.data() + done,
                              static_cast<int>(text.size() - done));
    if (written <= 0)
      return false;
    done += written;
  }
  return file->SetLength(static_cast<int64_t>(text.size()));
}

}  // namespace

CountFileStore::CountFileStore(const base::FilePath& path) : path_(path) {
  wake_event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, &CountFileStore::ThreadProc, this, 0, nullptr);
  if (!thread_)
    PLOG(ERROR) << "Cannot start the crash count thread";
}

CountFileStore::~CountFileStore() {
  stop_ = true;
  if (thread_) {
    SetEvent(wake_event_);
    // The thread's waits are all bounded once the stop flag is set.
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  if (wake_event_)
    CloseHandle(wake_event_);
}

void CountFileStore::Add(const std::string& key, int n, bool wake) {
  {
    base::AutoLock lock(lock_);
    pending_[key] += n;
  }
  if (wake)
    SetEvent(wake_event_);
}

void CountFileStore::AddAll(const Counts& counts, bool wake) {
  {
    base::AutoLock lock(lock_);
    for (const auto& [key, n] : counts)
      pending_[key] += n;
  }
  if (wake)
    SetEvent(wake_event_);
}

CountFileStore::Counts CountFileStore::TakePending() {
  Counts taken;
  base::AutoLock lock(lock_);
  taken.swap(pending_);
  return taken;
}

bool CountFileStore::HasPending() {
  base::AutoLock lock(lock_);
  return !pending_.empty();
}

bool CountFileStore::Flush() {
  Counts taken = TakePending();
  if (taken.empty())
    return true;
  if (MergeIntoFile(taken))
    return true;
  AddAll(taken, /*wake=*/false);
  return false;
}

bool CountFileStore::MergeIntoFile(const Counts& counts) {
  base::File file(path_, base::File::FLAG_OPEN_ALWAYS | base::File::FLAG_READ |
                             base::File::FLAG_WRITE);
  if (file.IsValid() && g_opened_hook)
    g_opened_hook(path_);
  if (!file.IsValid() || file.Lock() != base::File::FILE_OK)
    return false;
  // Read even a file this open created: another store may have written it
  // between that creation and this lock.
  Counts merged;
  if (!ReadCounts(&file, &merged))
    return false;
  for (const auto& [key, n] : counts)
    merged[key] += n;
  base::DictionaryValue dict;
  for (const auto& [key, n] : merged)
    dict.SetKey(key, base::Value(n));
  std::string text;
  if (!base::JSONWriter::Write(dict, &text))
    return false;
  // Closing the file releases the lock.
  return WriteWhole(&file, text);
}

// static
void CountFileStore::SetOpenedHookForTesting(OpenedHook hook) {
  g_opened_hook = hook;
}

DWORD WINAPI CountFileStore::ThreadProc(void* self) {
  static_cast<CountFileStore*>(self)->ThreadMain();
  return 0;
}

void CountFileStore::ThreadMain() {
  int retries = 0;
  WaitForSingleObject(wake_event_, INFINITE);
  while (!stop_) {
    if (Flush()) {
      retries = 0;
    } else if (++retries <= kMaxRetries) {
      SetEvent(wake_event_);
      Sleep(kRetryDelayMs);
    } else {
      retries = 0;
    }
    WaitForSingleObject(wake_event_, INFINITE);
  }
  for (int attempt = 0; attempt < kFinalAttempts && HasPending(); ++attempt) {
    if (attempt > 0)
      Sleep(kFinalDelayMs);
    if (Flush())
      break;
  }
}

}  // namespace crash_reporter
