#ifndef BASE_FILES_IMPORTANT_FILE_WRITER_H_
#define BASE_FILES_IMPORTANT_FILE_WRITER_H_

#include <string_view>

#include "base/files/file_path.h"

namespace base {

// Writes files that must never be seen half-written: the data goes to a new
// file in the same folder, is flushed, and is then renamed over the target
// in one step. On any failure the old file stays as it was.
class ImportantFileWriter {
 public:
  static bool WriteFileAtomically(const FilePath& path, std::string_view data);
};

}  // namespace base

#endif  // BASE_FILES_IMPORTANT_FILE_WRITER_H_
