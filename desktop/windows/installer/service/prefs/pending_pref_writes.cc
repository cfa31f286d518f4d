#include "desktop/windows/installer/service/prefs/pending_pref_writes.h"

#include "base/no_destructor.h"

PendingPrefWrites* PendingPrefWrites::GetInstance() {
  static base::NoDestructor<PendingPrefWrites> instance;
  return instance.get();
}

PendingPrefWrites::PendingPrefWrites() = default;
PendingPrefWrites::~PendingPrefWrites() = default;

void PendingPrefWrites::Add(const base::FilePath& file) {
  base::AutoLock lock(lock_);
  files_.insert(file.value());
}

void PendingPrefWrites::Remove(const base::FilePath& file) {
  base::AutoLock lock(lock_);
  auto found = files_.find(file.value());
  if (found != files_.end())
    files_.erase(found);
}

std::vector<base::FilePath> PendingPrefWrites::Files() const {
  base::AutoLock lock(lock_);
  std::vector<base::FilePath> files;
  for (auto it = files_.begin(); it != files_.end(); it = files_.upper_bound(*it))
    files.emplace_back(*it);
  return files;
}
