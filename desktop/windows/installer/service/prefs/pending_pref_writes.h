#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_PENDING_PREF_WRITES_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_PENDING_PREF_WRITES_H_

#include <set>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/synchronization/lock.h"

// The preference files whose writes are queued or running on a pool, so
// that a shutdown that stops waiting can name the changes it gives up.
class PendingPrefWrites {
 public:
  static PendingPrefWrites* GetInstance();

  PendingPrefWrites();
  ~PendingPrefWrites();
  PendingPrefWrites(const PendingPrefWrites&) = delete;
  PendingPrefWrites& operator=(const PendingPrefWrites&) = delete;

  void Add(const base::FilePath& file);
  void Remove(const base::FilePath& file);
  // Each file once, in name order.
  std::vector<base::FilePath> Files() const;

 private:
  mutable base::Lock lock_;
  std::multiset<std::wstring> files_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_PENDING_PREF_WRITES_H_
