#include "base/files/important_file_writer.h"

#include <windows.h>

#include <limits>

#include "base/files/file.h"
#include "base/files/file_util.h"
#include "base/logging.h"

namespace base {

bool ImportantFileWriter::WriteFileAtomically(const FilePath& path, std::string_view data) {
  if (data.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
    LOG(ERROR) << "Refusing to write " << data.size() << " bytes to " << path;
    return false;
  }
  // Same folder, so the rename stays on one volume and is a single step.
  FilePath temp_path;
  if (!CreateTemporaryFileInDir(path.DirName(), &temp_path)) {
    PLOG(ERROR) << "Cannot create a temporary file beside " << path;
    return false;
  }

  bool written = false;
  {
    File file(temp_path, File::FLAG_OPEN_TRUNCATED | File::FLAG_WRITE);
    const int size = static_cast<int>(data.size());
    written = file.IsValid() && (size == 0 || file.WriteAtCurrentPos(data.data(), size) == size) &&
              file.Flush();
    if (!written)
      PLOG(ERROR) << "Cannot write " << temp_path;
  }
  if (written && !::MoveFileExW(temp_path.value().c_str(), path.value().c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    PLOG(ERROR) << "Cannot replace " << path;
    written = false;
  }
  if (!written)
    DeleteFile(temp_path, false);
  return written;
}

}  // namespace base
