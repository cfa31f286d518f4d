#ifndef BASE_FILES_FILE_UTIL_H_
#define BASE_FILES_FILE_UTIL_H_

// <windows.h> turns DeleteFile, CopyFile, CreateDirectory, ReplaceFile,
// GetCurrentDirectory and SetCurrentDirectory into their "W" names; it is
// included here so that declarations and callers always agree.
#include <windows.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "base/files/file.h"
#include "base/files/file_path.h"

namespace base {

// Absolute form of `input` (relative to the current folder), or empty.
FilePath MakeAbsoluteFilePath(const FilePath& input);

// Deletes a file, or a folder: with `recursive` the whole tree (read-only
// files too; links inside are removed, never followed), without it only an
// empty folder. A path that does not exist counts as deleted.
bool DeleteFile(const FilePath& path, bool recursive);
// Schedules removal of a file or empty folder at the next restart.
bool DeleteFileAfterReboot(const FilePath& path);

// Renames, replacing an existing file; folders move across volumes by
// copy and delete. Paths with ".." are refused.
bool Move(const FilePath& from_path, const FilePath& to_path);
// Replaces `to_path` with `from_path` in one step where possible.
bool ReplaceFile(const FilePath& from_path, const FilePath& to_path, File::Error* error);

// Copies a file, overwriting `to_path`; the copy is not read-only.
bool CopyFile(const FilePath& from_path, const FilePath& to_path);
// Copies a folder's files (and with `recursive` its subfolders). When
// `recursive` and `to_path` is an existing folder, the source folder goes
// inside it. Copying a folder into itself is refused.
bool CopyDirectory(const FilePath& from_path, const FilePath& to_path, bool recursive);

bool PathExists(const FilePath& path);
bool DirectoryExists(const FilePath& path);
bool PathIsWritable(const FilePath& path);
bool IsDirectoryEmpty(const FilePath& dir_path);

// Creates the folder and any missing parents. True when it exists at the
// end (also when it existed before); false when a file is in the way.
bool CreateDirectoryAndGetError(const FilePath& full_path, File::Error* error);
bool CreateDirectory(const FilePath& full_path);

// The whole file. False when it cannot be read or is larger than
// `max_size`; then `contents` (if given) holds the first `max_size` bytes.
bool ReadFileToString(const FilePath& path, std::string* contents);
bool ReadFileToStringWithMaxSize(const FilePath& path, std::string* contents, size_t max_size);
inline bool ReadFileToString(const FilePath& path, std::string* contents, size_t max_size) {
  return ReadFileToStringWithMaxSize(path, contents, max_size);
}
// Up to `max_size` bytes; the count read or -1.
int ReadFile(const FilePath& filename, char* data, int max_size);
// Creates or truncates; the count written, or -1 when not all was written.
int WriteFile(const FilePath& filename, const char* data, int size);
bool WriteFile(const FilePath& filename, std::string_view data);
bool AppendToFile(const FilePath& filename, const char* data, int size);

bool GetFileSize(const FilePath& file_path, int64_t* file_size);
bool GetFileInfo(const FilePath& file_path, File::Info* info);
bool TouchFile(const FilePath& path, const Time& last_accessed, const Time& last_modified);

// The user's temporary folder, without trailing separator.
bool GetTempDir(FilePath* path);
FilePath GetHomeDir();
// Creates an empty uniquely named file.
bool CreateTemporaryFile(FilePath* path);
bool CreateTemporaryFileInDir(const FilePath& dir, FilePath* temp_file);
// Creates a uniquely named folder whose name starts with `prefix`.
bool CreateNewTempDirectory(std::wstring_view prefix, FilePath* new_temp_path);
bool CreateTemporaryDirInDir(const FilePath& base_dir, std::wstring_view prefix,
                             FilePath* new_dir);

bool GetCurrentDirectory(FilePath* path);
bool SetCurrentDirectory(const FilePath& path);

// The final path of an existing file (links resolved, drive-letter form).
bool NormalizeFilePath(const FilePath& path, FilePath* real_path);

}  // namespace base

#endif  // BASE_FILES_FILE_UTIL_H_
