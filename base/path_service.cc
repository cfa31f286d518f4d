#include "base/path_service.h"

#include <windows.h>

#include <map>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"

namespace base {

bool PathProvider(int key, FilePath* result);

namespace {

struct Provider {
  PathService::ProviderFunc func;
  int start;
  int end;
};

struct PathData {
  SRWLOCK lock = SRWLOCK_INIT;
  std::map<int, FilePath> overrides;
  std::vector<Provider> providers{{&PathProvider, PATH_START, PATH_END}};
};

// Never destroyed: paths may be asked for during shutdown.
PathData& GetPathData() {
  static PathData* data = new PathData;
  return *data;
}

class ScopedPathLock {
 public:
  ScopedPathLock() { AcquireSRWLockExclusive(&GetPathData().lock); }
  ~ScopedPathLock() { ReleaseSRWLockExclusive(&GetPathData().lock); }
  ScopedPathLock(const ScopedPathLock&) = delete;
  ScopedPathLock& operator=(const ScopedPathLock&) = delete;
};

bool IsFileKey(int key) { return key == FILE_EXE || key == FILE_MODULE; }

}  // namespace

bool PathService::Get(int key, FilePath* result) {
  std::vector<Provider> providers;
  {
    ScopedPathLock lock;
    PathData& data = GetPathData();
    const auto it = data.overrides.find(key);
    if (it != data.overrides.end()) {
      *result = it->second;
      return true;
    }
    providers = data.providers;
  }
  // Providers run without the lock: they may be slow or ask for other keys.
  for (const Provider& provider : providers) {
    if (key < provider.start || key >= provider.end) continue;
    FilePath path;
    if (provider.func(key, &path) && !path.empty()) {
      *result = path;
      return true;
    }
    return false;
  }
  return false;
}

bool PathService::Override(int key, const FilePath& path) {
  return OverrideAndCreateIfNeeded(key, path, false, true);
}

bool PathService::OverrideAndCreateIfNeeded(int key, const FilePath& path, bool is_absolute,
                                            bool create) {
  if (key <= PATH_START || path.empty()) return false;
  FilePath file_path = path;
  if (create && !IsFileKey(key) && !DirectoryExists(file_path) && !CreateDirectory(file_path))
    return false;
  if (!is_absolute) {
    file_path = MakeAbsoluteFilePath(file_path);
    if (file_path.empty()) return false;
  }
  ScopedPathLock lock;
  GetPathData().overrides[key] = file_path;
  return true;
}

bool PathService::RemoveOverride(int key) {
  ScopedPathLock lock;
  return GetPathData().overrides.erase(key) != 0;
}

bool PathService::GetOverride(int key, FilePath* path) {
  ScopedPathLock lock;
  PathData& data = GetPathData();
  const auto it = data.overrides.find(key);
  if (it == data.overrides.end()) return false;
  *path = it->second;
  return true;
}

void PathService::RegisterProvider(ProviderFunc provider, int key_start, int key_end) {
  ScopedPathLock lock;
  GetPathData().providers.insert(GetPathData().providers.begin(), {provider, key_start, key_end});
}

}  // namespace base
