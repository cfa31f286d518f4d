#include "base/files/scoped_temp_dir.h"

#include <utility>

#include "base/files/file_util.h"
#include "base/logging.h"

namespace base {

namespace {
constexpr wchar_t kScopedDirPrefix[] = L"scoped_dir";
}

ScopedTempDir::ScopedTempDir() = default;

ScopedTempDir::ScopedTempDir(ScopedTempDir&& other) noexcept : path_(other.Take()) {}

ScopedTempDir& ScopedTempDir::operator=(ScopedTempDir&& other) noexcept {
  if (this != &other) {
    if (!path_.empty() && !Delete()) LOG(WARNING) << "Could not delete temp dir " << path_;
    path_ = other.Take();
  }
  return *this;
}

ScopedTempDir::~ScopedTempDir() {
  if (!path_.empty() && !Delete()) LOG(WARNING) << "Could not delete temp dir in destructor " << path_;
}

bool ScopedTempDir::CreateUniqueTempDir() {
  if (!path_.empty()) return false;
  return CreateNewTempDirectory(kScopedDirPrefix, &path_);
}

bool ScopedTempDir::CreateUniqueTempDirUnderPath(const FilePath& base_path) {
  if (!path_.empty()) return false;
  if (!CreateDirectory(base_path)) return false;
  FilePath created;
  if (!CreateTemporaryDirInDir(base_path, kScopedDirPrefix, &created)) return false;
  path_ = created;
  return true;
}

bool ScopedTempDir::Set(const FilePath& path) {
  if (!path_.empty()) return false;
  if (!DirectoryExists(path) && !CreateDirectory(path)) return false;
  path_ = path;
  return true;
}

bool ScopedTempDir::Delete() {
  if (path_.empty()) return false;
  if (!DeleteFile(path_, true)) return false;
  path_.clear();
  return true;
}

FilePath ScopedTempDir::Take() { return std::exchange(path_, FilePath()); }

}  // namespace base
