#ifndef CRASH_REPORTER_COUNT_FILE_STORE_H_
#define CRASH_REPORTER_COUNT_FILE_STORE_H_

#include <windows.h>

#include <atomic>
#include <map>
#include <string>

#include "base/files/file_path.h"
#include "base/synchronization/lock.h"

namespace crash_reporter {

// Crash counters per process type in a small JSON file shared by several
// processes, e.g. {"crash_reporter":1,"installer":2}. Counts are added in
// memory and merged into the file by the store's own thread under a
// whole-file lock, so concurrent writers never lose counts.
class CountFileStore {
 public:
  using Counts = std::map<std::string, int>;

  // Starts the store's thread.
  explicit CountFileStore(const base::FilePath& path);
  // Stops the thread; counts still pending get up to ten more flushes.
  ~CountFileStore();
  CountFileStore(const CountFileStore&) = delete;
  CountFileStore& operator=(const CountFileStore&) = delete;

  void Add(const std::string& key, int n, bool wake);
  void AddAll(const Counts& counts, bool wake);
  // Swaps the pending counts out, leaving none.
  Counts TakePending();
  // Merges the pending counts into the file. On failure they stay pending.
  bool Flush();

  // Called with the file's path between its opening and its locking, so
  // that a test can write as another store would; null for none.
  using OpenedHook = void (*)(const base::FilePath& path);
  static void SetOpenedHookForTesting(OpenedHook hook);

 private:
  // The thread's main function: flushes on every wake-up.
  void ThreadMain();
  static DWORD WINAPI ThreadProc(void* self);
  bool MergeIntoFile(const Counts& counts);
  bool HasPending();

  const base::FilePath path_;
  HANDLE thread_ = nullptr;
  HANDLE wake_event_ = nullptr;
  base::Lock lock_;
  Counts pending_;
  std::atomic<bool> stop_{false};
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_COUNT_FILE_STORE_H_
