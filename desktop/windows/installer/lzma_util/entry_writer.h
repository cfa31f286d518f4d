#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ENTRY_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ENTRY_WRITER_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"

class FolderTreeMaker;

// Writes archive entries below an output folder, one at a time: Begin
// makes the entry's folder (and for a file, the file), Write appends its
// bytes, Finish sets the modification time and closes it.
class EntryWriter {
 public:
  // Larger writes cost far more under Wine and gain nothing on Windows.
  static constexpr size_t kMaxWriteSize = 1 << 20;

  // `written_files` and `created_folders` may be null.
  EntryWriter(const base::FilePath& output_folder,
              FolderTreeMaker* folders,
              std::vector<base::FilePath>* written_files,
              std::vector<base::FilePath>* created_folders);
  EntryWriter(const EntryWriter&) = delete;
  EntryWriter& operator=(const EntryWriter&) = delete;
  // Abandons an entry left open.
  ~EntryWriter();

  enum class Kind { kFile, kFolder };

  // `name` is a safe relative path; `modified` may be null. A file is
  // reported in the written files as soon as it is created.
  LzmaUtil::ExtractResult Begin(const std::wstring& name, Kind kind, const FILETIME* modified);
  LzmaUtil::ExtractResult Write(const uint8_t* data, size_t size);
  LzmaUtil::ExtractResult Finish();
  // Closes and deletes a file whose data failed half-way (it stays in the
  // written files).
  void Abandon();

 private:
  const base::FilePath output_folder_;
  FolderTreeMaker* const folders_;
  std::vector<base::FilePath>* const written_files_;
  std::vector<base::FilePath>* const created_folders_;
  // The folder the last entry was put in, known to exist.
  base::FilePath last_folder_;
  base::FilePath path_;
  base::win::ScopedHandle file_;
  bool has_time_ = false;
  FILETIME modified_ = {};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ENTRY_WRITER_H_
