#ifndef BASE_FILES_SCOPED_TEMP_DIR_H_
#define BASE_FILES_SCOPED_TEMP_DIR_H_

#include "base/files/file_path.h"

namespace base {

// A folder that is deleted, with everything in it, when this object goes
// (unless Take() gave it away).
class ScopedTempDir {
 public:
  ScopedTempDir();
  ScopedTempDir(ScopedTempDir&& other) noexcept;
  ScopedTempDir& operator=(ScopedTempDir&& other) noexcept;
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;
  ~ScopedTempDir();

  // A new unique folder in the temporary folder. Fails if one is held.
  [[nodiscard]] bool CreateUniqueTempDir();
  [[nodiscard]] bool CreateUniqueTempDirUnderPath(const FilePath& base_path);
  // Takes `path` (created if missing) as the folder to manage.
  [[nodiscard]] bool Set(const FilePath& path);

  // Deletes the folder now; false (and the path kept) if that failed.
  [[nodiscard]] bool Delete();
  // Gives up ownership without deleting.
  FilePath Take();

  const FilePath& GetPath() const { return path_; }
  bool IsValid() const { return !path_.empty(); }

 private:
  FilePath path_;
};

}  // namespace base

#endif  // BASE_FILES_SCOPED_TEMP_DIR_H_
