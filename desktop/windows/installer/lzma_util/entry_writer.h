#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ENTRY_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ENTRY_WRITER_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/lzma_util/file_writer_pool.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"

class FolderTreeMaker;

// Writes archive entries below an output folder, one after the other in
// archive order: Begin makes the entry's folder (and for a file, the file),
// Write appends its bytes, Finish sets the modification time and closes
// it. Folders are made on the caller's thread, files on a FileWriterPool's:
// a failure of a file may surface only at a later call, and Complete waits
// for every file and says how the extraction ended.
class EntryWriter {
 public:
  static constexpr size_t kMaxWriteSize = FileWriterPool::kMaxWriteSize;

  // `written_files` and `created_folders` may be null. The bytes given to
  // Write are lent until `release` gives them back (on any thread, with
  // the context given with them).
  EntryWriter(const base::FilePath& output_folder,
              FolderTreeMaker* folders,
              std::vector<base::FilePath>* written_files,
              std::vector<base::FilePath>* created_folders,
              size_t threads,
              FileWriterPool::ReleaseCallback release);
  EntryWriter(const EntryWriter&) = delete;
  EntryWriter& operator=(const EntryWriter&) = delete;
  // Abandons an entry left open.
  ~EntryWriter();

  enum class Kind { kFile, kFolder };

  // `name` is a safe relative path; `modified` may be null. Files of one
  // `same_file` (other than FileWriterPool::kOwnFile) are one file under
  // several names: they are written in the order they are begun.
  LzmaUtil::ExtractResult Begin(const std::wstring& name,
                                Kind kind,
                                const FILETIME* modified,
                                uint32_t same_file);
  LzmaUtil::ExtractResult Write(const uint8_t* data, size_t size, void* release_context);
  LzmaUtil::ExtractResult Finish();
  // Closes and deletes a file whose data failed half-way (it stays in the
  // written files).
  void Abandon();

  // Waits for every file, puts the created ones in the written files (in
  // archive order: up to the one that failed, and after it those that could
  // not be deleted again) and returns the extraction's result: `result`,
  // what the caller met at the entry it was at, unless a file before that
  // entry failed.
  LzmaUtil::ExtractResult Complete(LzmaUtil::ExtractResult result);

 private:
  LzmaUtil::ExtractResult PoolFailure();

  const base::FilePath output_folder_;
  FolderTreeMaker* const folders_;
  std::vector<base::FilePath>* const written_files_;
  std::vector<base::FilePath>* const created_folders_;
  FileWriterPool pool_;
  // The folder the last entry was put in, known to exist.
  base::FilePath last_folder_;
  // Files begun, and whether the last of them is still open.
  size_t files_ = 0;
  bool open_ = false;
  // The pool refused a call: the caller stopped for a failure of its.
  bool refused_ = false;
  bool completed_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_ENTRY_WRITER_H_
