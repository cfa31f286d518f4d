#ifndef BASE_FILES_FILE_H_
#define BASE_FILES_FILE_H_

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/files/file_path.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"

namespace base {

using PlatformFile = HANDLE;

// An open file. Reads and writes take an int size and return the count
// done or -1. Nothing here throws; errors are kept in error_details().
class File {
 public:
  // Exactly one of the first five says how to open.
  enum Flags : uint32_t {
    FLAG_OPEN = 1 << 0,              // existing file only
    FLAG_CREATE = 1 << 1,            // new file only
    FLAG_OPEN_ALWAYS = 1 << 2,       // open or create
    FLAG_CREATE_ALWAYS = 1 << 3,     // create or truncate
    FLAG_OPEN_TRUNCATED = 1 << 4,    // existing file, truncated
    FLAG_READ = 1 << 5,
    FLAG_WRITE = 1 << 6,
    FLAG_APPEND = 1 << 7,            // every write goes to the end
    FLAG_EXCLUSIVE_READ = 1 << 8,    // others may not read
    FLAG_EXCLUSIVE_WRITE = 1 << 9,   // others may not write
    FLAG_SHARE_DELETE = 1 << 10,     // others may delete or rename it
    FLAG_DELETE_ON_CLOSE = 1 << 11,
    FLAG_WRITE_ATTRIBUTES = 1 << 12,
    FLAG_TEMPORARY = 1 << 13,
    FLAG_HIDDEN = 1 << 14,
    FLAG_BACKUP_SEMANTICS = 1 << 15,  // needed to open a folder
    FLAG_SEQUENTIAL_SCAN = 1 << 16,
    FLAG_CAN_DELETE_ON_CLOSE = 1 << 17,
  };

  enum Error {
    FILE_OK = 0,
    FILE_ERROR_FAILED = -1,
    FILE_ERROR_IN_USE = -2,
    FILE_ERROR_EXISTS = -3,
    FILE_ERROR_NOT_FOUND = -4,
    FILE_ERROR_ACCESS_DENIED = -5,
    FILE_ERROR_TOO_MANY_OPENED = -6,
    FILE_ERROR_NO_MEMORY = -7,
    FILE_ERROR_NO_SPACE = -8,
    FILE_ERROR_NOT_A_DIRECTORY = -9,
    FILE_ERROR_INVALID_OPERATION = -10,
    FILE_ERROR_SECURITY = -11,
    FILE_ERROR_ABORT = -12,
    FILE_ERROR_NOT_A_FILE = -13,
    FILE_ERROR_NOT_EMPTY = -14,
    FILE_ERROR_INVALID_URL = -15,
    FILE_ERROR_IO = -16,
  };

  enum Whence { FROM_BEGIN = FILE_BEGIN, FROM_CURRENT = FILE_CURRENT, FROM_END = FILE_END };

  struct Info {
    int64_t size = 0;
    bool is_directory = false;
    bool is_symbolic_link = false;
    Time last_modified;
    Time last_accessed;
    Time creation_time;
  };

  File();
  File(const FilePath& path, uint32_t flags);
  // Takes ownership.
  explicit File(PlatformFile platform_file);
  explicit File(Error error_details);
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  void Initialize(const FilePath& path, uint32_t flags);

  bool IsValid() const;
  // Whether Initialize created the file (as opposed to opening it).
  bool created() const { return created_; }
  Error error_details() const { return error_details_; }

  PlatformFile GetPlatformFile() const;
  PlatformFile TakePlatformFile();
  void Close();

  // Returns the new position or -1.
  int64_t Seek(Whence whence, int64_t offset);

  // Positioned reads and writes also move the current position (Windows
  // does), so do not mix them with the AtCurrentPos forms.
  int Read(int64_t offset, char* data, int size);
  int ReadAtCurrentPos(char* data, int size);
  // Reads until `size` bytes or the end of the file.
  int ReadAtCurrentPosNoBestEffort(char* data, int size);
  int Write(int64_t offset, const char* data, int size);
  int WriteAtCurrentPos(const char* data, int size);

  int64_t GetLength();
  bool SetLength(int64_t length);
  bool Flush();
  bool SetTimes(Time last_access_time, Time last_modified_time);
  bool GetInfo(Info* info);

  // Whole-file lock shared with nobody (LockFileEx).
  Error Lock();
  Error Unlock();

  File Duplicate() const;

  static Error OSErrorToFileError(DWORD last_error);
  static Error GetLastFileError();
  static std::string ErrorToString(Error error);

 private:
  win::ScopedHandle file_;
  Error error_details_ = FILE_ERROR_FAILED;
  bool created_ = false;
};

}  // namespace base

#endif  // BASE_FILES_FILE_H_
