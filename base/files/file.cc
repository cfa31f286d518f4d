#include "base/files/file.h"

#include <utility>

#include "base/logging.h"

namespace base {

namespace {

FILETIME ToFileTime(Time t) {
  const uint64_t value = t.ToFileTime();
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(value);
  ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return ft;
}

Time FromFileTime(const FILETIME& ft) {
  return Time::FromFileTime((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

// Positions a synchronous ReadFile or WriteFile at |offset|.
OVERLAPPED OverlappedAt(int64_t offset) {
  LARGE_INTEGER offset_li;
  offset_li.QuadPart = offset;
  OVERLAPPED overlapped = {};
  overlapped.Offset = offset_li.LowPart;
  overlapped.OffsetHigh = static_cast<DWORD>(offset_li.HighPart);
  return overlapped;
}

}  // namespace

File::File() = default;

File::File(const FilePath& path, uint32_t flags) { Initialize(path, flags); }

File::File(PlatformFile platform_file)
    : file_(platform_file), error_details_(FILE_OK) {
  if (!file_.IsValid()) error_details_ = FILE_ERROR_FAILED;
}

File::File(Error error_details) : error_details_(error_details) {}

File::File(File&& other) noexcept
    : file_(std::move(other.file_)),
      error_details_(other.error_details_),
      created_(other.created_) {}

File& File::operator=(File&& other) noexcept {
  file_ = std::move(other.file_);
  error_details_ = other.error_details_;
  created_ = other.created_;
  return *this;
}

File::~File() = default;

void File::Initialize(const FilePath& path, uint32_t flags) {
  Close();
  created_ = false;
  if (path.ReferencesParent()) {
    // Paths with ".." are refused: callers build paths from trusted parts,
    // and a ".." usually means data from outside is escaping its folder.
    error_details_ = FILE_ERROR_ACCESS_DENIED;
    return;
  }
  DWORD disposition = 0;
  if (flags & FLAG_OPEN) disposition = OPEN_EXISTING;
  if (flags & FLAG_CREATE) disposition = CREATE_NEW;
  if (flags & FLAG_OPEN_ALWAYS) disposition = OPEN_ALWAYS;
  if (flags & FLAG_CREATE_ALWAYS) disposition = CREATE_ALWAYS;
  if (flags & FLAG_OPEN_TRUNCATED) disposition = TRUNCATE_EXISTING;
  if (!disposition) {
    error_details_ = FILE_ERROR_INVALID_OPERATION;
    return;
  }

  DWORD access = 0;
  if (flags & FLAG_WRITE) access = GENERIC_WRITE;
  if (flags & FLAG_APPEND) access = FILE_APPEND_DATA;
  if (flags & FLAG_READ) access |= GENERIC_READ;
  if (flags & FLAG_WRITE_ATTRIBUTES) access |= FILE_WRITE_ATTRIBUTES;
  if (flags & FLAG_CAN_DELETE_ON_CLOSE) access |= DELETE;
  if ((flags & FLAG_OPEN_TRUNCATED) && !(access & GENERIC_WRITE)) access |= GENERIC_WRITE;

  DWORD sharing = (flags & FLAG_EXCLUSIVE_READ) ? 0 : FILE_SHARE_READ;
  if (!(flags & FLAG_EXCLUSIVE_WRITE)) sharing |= FILE_SHARE_WRITE;
  if (flags & FLAG_SHARE_DELETE) sharing |= FILE_SHARE_DELETE;

  DWORD attributes = 0;
  if (flags & FLAG_DELETE_ON_CLOSE) {
    attributes |= FILE_FLAG_DELETE_ON_CLOSE;
    access |= DELETE;
  }
  if (flags & FLAG_TEMPORARY) attributes |= FILE_ATTRIBUTE_TEMPORARY;
  if (flags & FLAG_HIDDEN) attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (flags & FLAG_BACKUP_SEMANTICS) attributes |= FILE_FLAG_BACKUP_SEMANTICS;
  if (flags & FLAG_SEQUENTIAL_SCAN) attributes |= FILE_FLAG_SEQUENTIAL_SCAN;

  file_.Set(CreateFileW(path.value().c_str(), access, sharing, nullptr, disposition, attributes,
                        nullptr));
  if (file_.IsValid()) {
    error_details_ = FILE_OK;
    if (flags & (FLAG_OPEN_ALWAYS))
      created_ = GetLastError() != ERROR_ALREADY_EXISTS;
    else if (flags & (FLAG_CREATE_ALWAYS | FLAG_CREATE))
      created_ = true;
  } else {
    error_details_ = GetLastFileError();
  }
}

bool File::IsValid() const { return file_.IsValid(); }

PlatformFile File::GetPlatformFile() const { return file_.Get(); }

PlatformFile File::TakePlatformFile() { return file_.Take(); }

void File::Close() { file_.Close(); }

int64_t File::Seek(Whence whence, int64_t offset) {
  if (!IsValid()) return -1;
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(file_.Get(), distance, &result, static_cast<DWORD>(whence))) return -1;
  return result.QuadPart;
}

int File::Read(int64_t offset, char* data, int size) {
  if (!IsValid() || size < 0 || offset < 0) return -1;
  OVERLAPPED overlapped = OverlappedAt(offset);
  DWORD bytes_read = 0;
  if (::ReadFile(file_.Get(), data, static_cast<DWORD>(size), &bytes_read, &overlapped))
    return static_cast<int>(bytes_read);
  if (GetLastError() == ERROR_HANDLE_EOF) return 0;
  return -1;
}

int File::ReadAtCurrentPos(char* data, int size) {
  if (!IsValid() || size < 0) return -1;
  DWORD bytes_read = 0;
  if (::ReadFile(file_.Get(), data, static_cast<DWORD>(size), &bytes_read, nullptr))
    return static_cast<int>(bytes_read);
  if (GetLastError() == ERROR_HANDLE_EOF) return 0;
  return -1;
}

int File::ReadAtCurrentPosNoBestEffort(char* data, int size) {
  int total = 0;
  while (total < size) {
    const int read = ReadAtCurrentPos(data + total, size - total);
    if (read < 0) return total ? total : -1;
    if (read == 0) break;
    total += read;
  }
  return total;
}

int File::Write(int64_t offset, const char* data, int size) {
  if (!IsValid() || size < 0 || offset < 0) return -1;
  OVERLAPPED overlapped = OverlappedAt(offset);
  DWORD written = 0;
  if (::WriteFile(file_.Get(), data, static_cast<DWORD>(size), &written, &overlapped))
    return static_cast<int>(written);
  return -1;
}

int File::WriteAtCurrentPos(const char* data, int size) {
  if (!IsValid() || size < 0) return -1;
  DWORD written = 0;
  if (::WriteFile(file_.Get(), data, static_cast<DWORD>(size), &written, nullptr))
    return static_cast<int>(written);
  return -1;
}

int64_t File::GetLength() {
  LARGE_INTEGER size;
  if (!IsValid() || !GetFileSizeEx(file_.Get(), &size)) return -1;
  return size.QuadPart;
}

bool File::SetLength(int64_t length) {
  if (!IsValid() || length < 0) return false;
  LARGE_INTEGER current, zero, target;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(file_.Get(), zero, &current, FILE_CURRENT)) return false;
  target.QuadPart = length;
  const bool ok = SetFilePointerEx(file_.Get(), target, nullptr, FILE_BEGIN) &&
                  SetEndOfFile(file_.Get());
  // Put the position back, clamped to the new end.
  if (current.QuadPart > length) current.QuadPart = length;
  SetFilePointerEx(file_.Get(), current, nullptr, FILE_BEGIN);
  return ok;
}

bool File::Flush() { return IsValid() && FlushFileBuffers(file_.Get()); }

bool File::SetTimes(Time last_access_time, Time last_modified_time) {
  if (!IsValid()) return false;
  const FILETIME access = ToFileTime(last_access_time);
  const FILETIME modified = ToFileTime(last_modified_time);
  return ::SetFileTime(file_.Get(), nullptr, &access, &modified) != FALSE;
}

bool File::GetInfo(Info* info) {
  BY_HANDLE_FILE_INFORMATION data;
  if (!IsValid() || !GetFileInformationByHandle(file_.Get(), &data)) return false;
  info->size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  info->is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info->is_symbolic_link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  info->last_modified = FromFileTime(data.ftLastWriteTime);
  info->last_accessed = FromFileTime(data.ftLastAccessTime);
  info->creation_time = FromFileTime(data.ftCreationTime);
  return true;
}

File::Error File::Lock() {
  OVERLAPPED overlapped = {};
  if (!IsValid() || !LockFileEx(file_.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY,
                                0, MAXDWORD, MAXDWORD, &overlapped))
    return GetLastFileError();
  return FILE_OK;
}

File::Error File::Unlock() {
  OVERLAPPED overlapped = {};
  if (!IsValid() || !UnlockFileEx(file_.Get(), 0, MAXDWORD, MAXDWORD, &overlapped))
    return GetLastFileError();
  return FILE_OK;
}

File File::Duplicate() const {
  if (!IsValid()) return File();
  HANDLE other = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), file_.Get(), GetCurrentProcess(), &other, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    return File(GetLastFileError());
  return File(other);
}

File::Error File::OSErrorToFileError(DWORD last_error) {
  switch (last_error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FILE_ERROR_IN_USE;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return FILE_ERROR_EXISTS;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return FILE_ERROR_NOT_FOUND;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return FILE_ERROR_ACCESS_DENIED;
    case ERROR_TOO_MANY_OPEN_FILES:
      return FILE_ERROR_TOO_MANY_OPENED;
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_MEMORY:
      return FILE_ERROR_NO_MEMORY;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
      return FILE_ERROR_NO_SPACE;
    case ERROR_DIRECTORY:
      return FILE_ERROR_NOT_A_DIRECTORY;
    case ERROR_DIR_NOT_EMPTY:
      return FILE_ERROR_NOT_EMPTY;
    case ERROR_OPERATION_ABORTED:
      return FILE_ERROR_ABORT;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
      return FILE_ERROR_IO;
    default:
      return FILE_ERROR_FAILED;
  }
}

File::Error File::GetLastFileError() { return OSErrorToFileError(GetLastError()); }

std::string File::ErrorToString(Error error) {
  switch (error) {
    case FILE_OK: return "FILE_OK";
    case FILE_ERROR_FAILED: return "FILE_ERROR_FAILED";
    case FILE_ERROR_IN_USE: return "FILE_ERROR_IN_USE";
    case FILE_ERROR_EXISTS: return "FILE_ERROR_EXISTS";
    case FILE_ERROR_NOT_FOUND: return "FILE_ERROR_NOT_FOUND";
    case FILE_ERROR_ACCESS_DENIED: return "FILE_ERROR_ACCESS_DENIED";
    case FILE_ERROR_TOO_MANY_OPENED: return "FILE_ERROR_TOO_MANY_OPENED";
    case FILE_ERROR_NO_MEMORY: return "FILE_ERROR_NO_MEMORY";
    case FILE_ERROR_NO_SPACE: return "FILE_ERROR_NO_SPACE";
    case FILE_ERROR_NOT_A_DIRECTORY: return "FILE_ERROR_NOT_A_DIRECTORY";
    case FILE_ERROR_INVALID_OPERATION: return "FILE_ERROR_INVALID_OPERATION";
    case FILE_ERROR_SECURITY: return "FILE_ERROR_SECURITY";
    case FILE_ERROR_ABORT: return "FILE_ERROR_ABORT";
    case FILE_ERROR_NOT_A_FILE: return "FILE_ERROR_NOT_A_FILE";
    case FILE_ERROR_NOT_EMPTY: return "FILE_ERROR_NOT_EMPTY";
    case FILE_ERROR_INVALID_URL: return "FILE_ERROR_INVALID_URL";
    case FILE_ERROR_IO: return "FILE_ERROR_IO";
  }
  return "FILE_ERROR_UNKNOWN";
}

}  // namespace base
