#ifndef BASE_FILES_FILE_ENUMERATOR_H_
#define BASE_FILES_FILE_ENUMERATOR_H_

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"

namespace base {

// Lists the entries of a folder (and with `recursive` of its subfolders).
// "." and ".." are never returned. Recursion does not enter links
// (junctions, symbolic links) so it cannot loop or leave the tree. The
// pattern ("*.txt") filters what is returned, not where it descends.
class FileEnumerator {
 public:
  class FileInfo {
   public:
    FileInfo();
    bool IsDirectory() const;
    bool IsLink() const;
    // The name alone, without the folder.
    FilePath GetName() const;
    int64_t GetSize() const;
    Time GetLastModifiedTime() const;
    const WIN32_FIND_DATAW& find_data() const { return find_data_; }

   private:
    friend class FileEnumerator;
    WIN32_FIND_DATAW find_data_;
  };

  enum FileType {
    FILES = 1 << 0,
    DIRECTORIES = 1 << 1,
  };

  FileEnumerator(const FilePath& root_path, bool recursive, int file_type);
  FileEnumerator(const FilePath& root_path, bool recursive, int file_type,
                 const std::wstring& pattern);
  FileEnumerator(const FileEnumerator&) = delete;
  FileEnumerator& operator=(const FileEnumerator&) = delete;
  ~FileEnumerator();

  // The full path of the next entry, or an empty path at the end.
  FilePath Next();
  // About the entry last returned by Next().
  FileInfo GetInfo() const;

 private:
  bool ShouldReturn(const WIN32_FIND_DATAW& data) const;

  FilePath root_path_;
  bool recursive_;
  int file_type_;
  std::wstring pattern_;
  // Open while the folder being listed has entries left.
  win::ScopedFindFileHandle find_handle_;
  FileInfo info_;
  std::vector<FilePath> pending_paths_;
};

}  // namespace base

#endif  // BASE_FILES_FILE_ENUMERATOR_H_
