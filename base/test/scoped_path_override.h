#ifndef BASE_TEST_SCOPED_PATH_OVERRIDE_H_
#define BASE_TEST_SCOPED_PATH_OVERRIDE_H_

#include "base/files/file_path.h"
#include "base/files/scoped_temp_dir.h"

namespace base {

// Overrides a PathService key for a scope and puts back the previous
// override (or none) afterwards. Without a path, a fresh temporary folder
// is used and deleted at the end.
class ScopedPathOverride {
 public:
  explicit ScopedPathOverride(int key);
  ScopedPathOverride(int key, const FilePath& path);
  ScopedPathOverride(int key, const FilePath& path, bool is_absolute, bool create);
  ScopedPathOverride(const ScopedPathOverride&) = delete;
  ScopedPathOverride& operator=(const ScopedPathOverride&) = delete;
  ~ScopedPathOverride();

  bool succeeded() const { return succeeded_; }

 private:
  void SavePrevious();

  int key_;
  bool had_previous_ = false;
  FilePath previous_;
  ScopedTempDir temp_dir_;
  bool succeeded_ = false;
};

}  // namespace base

#endif  // BASE_TEST_SCOPED_PATH_OVERRIDE_H_
