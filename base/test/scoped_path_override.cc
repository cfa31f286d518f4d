#include "base/test/scoped_path_override.h"

#include "base/logging.h"
#include "base/path_service.h"

namespace base {

ScopedPathOverride::ScopedPathOverride(int key) : key_(key) {
  SavePrevious();
  succeeded_ = temp_dir_.CreateUniqueTempDir() && PathService::Override(key, temp_dir_.GetPath());
  LOG_IF(ERROR, !succeeded_) << "ScopedPathOverride failed for key " << key;
}

ScopedPathOverride::ScopedPathOverride(int key, const FilePath& path) : key_(key) {
  SavePrevious();
  succeeded_ = PathService::Override(key, path);
  LOG_IF(ERROR, !succeeded_) << "ScopedPathOverride failed for key " << key;
}

ScopedPathOverride::ScopedPathOverride(int key, const FilePath& path, bool is_absolute,
                                       bool create)
    : key_(key) {
  SavePrevious();
  succeeded_ = PathService::OverrideAndCreateIfNeeded(key, path, is_absolute, create);
  LOG_IF(ERROR, !succeeded_) << "ScopedPathOverride failed for key " << key;
}

ScopedPathOverride::~ScopedPathOverride() {
  PathService::RemoveOverride(key_);
  if (had_previous_) PathService::OverrideAndCreateIfNeeded(key_, previous_, true, false);
}

void ScopedPathOverride::SavePrevious() { had_previous_ = PathService::GetOverride(key_, &previous_); }

}  // namespace base
