#include "base/files/file_util.h"

#include <shlobj.h>

#include <atomic>
#include <vector>

#include "base/files/file_enumerator.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"

namespace base {

namespace {

DWORD Attributes(const FilePath& path) { return ::GetFileAttributesW(path.value().c_str()); }

// Removes one entry: a file (even read-only), a link (never its target)
// or an empty folder.
bool DeleteOne(const FilePath& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    ::SetFileAttributesW(path.value().c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ::RemoveDirectoryW(path.value().c_str()) != 0;
  return ::DeleteFileW(path.value().c_str()) != 0;
}

bool DeleteTree(const FilePath& path) {
  bool success = true;
  // Files first, collecting folders; then folders deepest first.
  std::vector<std::pair<FilePath, DWORD>> folders;
  FileEnumerator entries(path, true, FileEnumerator::FILES | FileEnumerator::DIRECTORIES);
  for (FilePath current = entries.Next(); !current.empty(); current = entries.Next()) {
    const DWORD attributes = entries.GetInfo().find_data().dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
      folders.emplace_back(current, attributes);
    else
      success &= DeleteOne(current, attributes);
  }
  // Enumeration visits a folder before its content, so reverse order
  // removes children before parents.
  for (auto it = folders.rbegin(); it != folders.rend(); ++it)
    success &= DeleteOne(it->first, it->second);
  return DeleteOne(path, Attributes(path)) && success;
}

bool CopyFileUnsafe(const FilePath& from_path, const FilePath& to_path) {
  if (!::CopyFileW(from_path.value().c_str(), to_path.value().c_str(), FALSE)) return false;
  // The copy takes the source's attributes; a read-only copy would block
  // later updates and removal.
  const DWORD attributes = Attributes(to_path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    ::SetFileAttributesW(to_path.value().c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  return true;
}

std::atomic<uint32_t> g_temp_counter{0};

}  // namespace

FilePath MakeAbsoluteFilePath(const FilePath& input) {
  if (input.empty()) return FilePath();
  const DWORD needed = ::GetFullPathNameW(input.value().c_str(), 0, nullptr, nullptr);
  if (needed == 0) return FilePath();
  std::wstring buffer(needed, L'\0');
  const DWORD len = ::GetFullPathNameW(input.value().c_str(), needed, buffer.data(), nullptr);
  if (len == 0 || len >= needed) return FilePath();
  buffer.resize(len);
  return FilePath(buffer);
}

bool DeleteFile(const FilePath& path, bool recursive) {
  if (path.empty()) return true;
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  if (recursive && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
      !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return DeleteTree(path);
  return DeleteOne(path, attributes);
}

bool DeleteFileAfterReboot(const FilePath& path) {
  if (path.ReferencesParent()) return false;
  return ::MoveFileExW(path.value().c_str(), nullptr,
                       MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING) != 0;
}

bool Move(const FilePath& from_path, const FilePath& to_path) {
  if (from_path.ReferencesParent() || to_path.ReferencesParent()) return false;
  if (::MoveFileExW(from_path.value().c_str(), to_path.value().c_str(),
                    MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING))
    return true;
  const DWORD error = ::GetLastError();
  // Folders cannot move across volumes: copy, then remove the source.
  if (DirectoryExists(from_path) && !PathExists(to_path) &&
      CopyDirectory(from_path, to_path, true)) {
    if (DeleteFile(from_path, true)) return true;
    DeleteFile(to_path, true);
  }
  ::SetLastError(error);
  return false;
}

bool ReplaceFile(const FilePath& from_path, const FilePath& to_path, File::Error* error) {
  // A plain rename works when the target does not exist yet.
  if (::MoveFileW(from_path.value().c_str(), to_path.value().c_str())) return true;
  if (::ReplaceFileW(to_path.value().c_str(), from_path.value().c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
    return true;
  if (error) *error = File::GetLastFileError();
  return false;
}

bool CopyFile(const FilePath& from_path, const FilePath& to_path) {
  if (from_path.ReferencesParent() || to_path.ReferencesParent()) return false;
  return CopyFileUnsafe(from_path, to_path);
}

bool CopyDirectory(const FilePath& from_path, const FilePath& to_path, bool recursive) {
  if (from_path.ReferencesParent() || to_path.ReferencesParent()) return false;
  if (!PathExists(from_path)) return false;
  const FilePath real_from = MakeAbsoluteFilePath(from_path).StripTrailingSeparators();
  const FilePath real_to = MakeAbsoluteFilePath(to_path).StripTrailingSeparators();
  if (real_from.empty() || real_to.empty()) return false;
  if (FilePath::CompareEqualIgnoreCase(real_from.value(), real_to.value())) return false;
  // Case-insensitive "is inside" test, as Windows names match.
  const FilePath lower_from(ToLowerASCII(real_from.value()));
  if (lower_from.IsParent(FilePath(ToLowerASCII(real_to.value())))) return false;

  FilePath from_base = from_path;
  if (recursive && DirectoryExists(to_path)) from_base = from_path.DirName();

  auto target_for = [&](const FilePath& current, FilePath* target) {
    *target = to_path;
    return from_base == current || from_base.AppendRelativePath(current, target);
  };

  FilePath target;
  if (!DirectoryExists(from_path)) return target_for(from_path, &target) && CopyFileUnsafe(from_path, target);
  if (!target_for(from_path, &target)) return false;
  if (!DirectoryExists(target) && !::CreateDirectoryW(target.value().c_str(), nullptr))
    return false;

  int types = FileEnumerator::FILES;
  if (recursive) types |= FileEnumerator::DIRECTORIES;
  FileEnumerator entries(from_path, recursive, types);
  for (FilePath current = entries.Next(); !current.empty(); current = entries.Next()) {
    if (!target_for(current, &target)) return false;
    if (entries.GetInfo().IsDirectory()) {
      if (!DirectoryExists(target) && !::CreateDirectoryW(target.value().c_str(), nullptr))
        return false;
    } else if (!CopyFileUnsafe(current, target)) {
      return false;
    }
  }
  return true;
}

bool PathExists(const FilePath& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool DirectoryExists(const FilePath& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathIsWritable(const FilePath& path) {
  HANDLE dir = ::CreateFileW(path.value().c_str(), FILE_ADD_FILE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (dir == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(dir);
  return true;
}

bool IsDirectoryEmpty(const FilePath& dir_path) {
  FileEnumerator entries(dir_path, false, FileEnumerator::FILES | FileEnumerator::DIRECTORIES);
  return entries.Next().empty();
}

bool CreateDirectoryAndGetError(const FilePath& full_path, File::Error* error) {
  const DWORD attributes = Attributes(full_path);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    if (error) *error = File::FILE_ERROR_NOT_A_DIRECTORY;
    return false;
  }
  const FilePath parent = full_path.DirName();
  if (parent != full_path && !parent.empty() && parent.value() != FilePath::kCurrentDirectory &&
      !CreateDirectoryAndGetError(parent, error))
    return false;
  if (::CreateDirectoryW(full_path.value().c_str(), nullptr)) return true;
  const DWORD last_error = ::GetLastError();
  // Someone else may have made it meanwhile.
  if (DirectoryExists(full_path)) return true;
  if (error) *error = File::OSErrorToFileError(last_error);
  ::SetLastError(last_error);
  return false;
}

bool CreateDirectory(const FilePath& full_path) {
  return CreateDirectoryAndGetError(full_path, nullptr);
}

bool ReadFileToString(const FilePath& path, std::string* contents) {
  return ReadFileToStringWithMaxSize(path, contents, std::numeric_limits<size_t>::max());
}

bool ReadFileToStringWithMaxSize(const FilePath& path, std::string* contents, size_t max_size) {
  if (contents) contents->clear();
  if (path.ReferencesParent()) return false;
  File file(path, File::FLAG_OPEN | File::FLAG_READ | File::FLAG_SHARE_DELETE |
                      File::FLAG_SEQUENTIAL_SCAN);
  if (!file.IsValid()) return false;
  std::string data;
  const int64_t length = file.GetLength();
  if (length > 0 && static_cast<uint64_t>(length) <= max_size)
    data.reserve(static_cast<size_t>(length));
  char buffer[1 << 16];
  bool ok = true;
  while (true) {
    const size_t room = max_size - data.size();
    const int want = static_cast<int>(room < sizeof(buffer) ? room : sizeof(buffer));
    if (want == 0) {
      // At the limit: only a success when nothing is left.
      char probe;
      ok = file.ReadAtCurrentPos(&probe, 1) == 0;
      break;
    }
    const int read = file.ReadAtCurrentPos(buffer, want);
    if (read < 0) {
      ok = false;
      break;
    }
    if (read == 0) break;
    data.append(buffer, static_cast<size_t>(read));
  }
  if (contents) *contents = std::move(data);
  return ok;
}

int ReadFile(const FilePath& filename, char* data, int max_size) {
  if (max_size < 0) return -1;
  File file(filename, File::FLAG_OPEN | File::FLAG_READ | File::FLAG_SHARE_DELETE);
  if (!file.IsValid()) return -1;
  return file.ReadAtCurrentPosNoBestEffort(data, max_size);
}

int WriteFile(const FilePath& filename, const char* data, int size) {
  if (size < 0) return -1;
  File file(filename, File::FLAG_CREATE_ALWAYS | File::FLAG_WRITE);
  if (!file.IsValid()) {
    DPLOG(WARNING) << "CreateFile failed for path " << filename;
    return -1;
  }
  const int written = size ? file.WriteAtCurrentPos(data, size) : 0;
  if (written != size) {
    DPLOG(WARNING) << "Writing file " << filename << " failed";
    return -1;
  }
  return written;
}

bool WriteFile(const FilePath& filename, std::string_view data) {
  if (data.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return false;
  return WriteFile(filename, data.data(), static_cast<int>(data.size())) ==
         static_cast<int>(data.size());
}

bool AppendToFile(const FilePath& filename, const char* data, int size) {
  if (size < 0) return false;
  File file(filename, File::FLAG_OPEN | File::FLAG_APPEND);
  if (!file.IsValid()) return false;
  return size == 0 || file.WriteAtCurrentPos(data, size) == size;
}

bool GetFileSize(const FilePath& file_path, int64_t* file_size) {
  File::Info info;
  if (!GetFileInfo(file_path, &info)) return false;
  *file_size = info.size;
  return true;
}

bool GetFileInfo(const FilePath& file_path, File::Info* results) {
  WIN32_FILE_ATTRIBUTE_DATA attr;
  if (!::GetFileAttributesExW(file_path.value().c_str(), GetFileExInfoStandard, &attr))
    return false;
  results->size = (static_cast<int64_t>(attr.nFileSizeHigh) << 32) | attr.nFileSizeLow;
  results->is_directory = (attr.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  results->is_symbolic_link = (attr.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  auto to_time = [](const FILETIME& ft) {
    return Time::FromFileTime((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  };
  results->last_modified = to_time(attr.ftLastWriteTime);
  results->last_accessed = to_time(attr.ftLastAccessTime);
  results->creation_time = to_time(attr.ftCreationTime);
  return true;
}

bool TouchFile(const FilePath& path, const Time& last_accessed, const Time& last_modified) {
  File file(path, File::FLAG_OPEN | File::FLAG_WRITE_ATTRIBUTES | File::FLAG_BACKUP_SEMANTICS);
  return file.IsValid() && file.SetTimes(last_accessed, last_modified);
}

bool GetTempDir(FilePath* path) {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD len = ::GetTempPathW(MAX_PATH + 1, buffer);
  if (len == 0 || len > MAX_PATH) return false;
  *path = FilePath(std::wstring_view(buffer, len)).StripTrailingSeparators();
  return true;
}

FilePath GetHomeDir() {
  wchar_t buffer[MAX_PATH];
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, buffer)))
    return FilePath(buffer);
  FilePath temp;
  return GetTempDir(&temp) ? temp : FilePath(L"C:\\");
}

bool CreateTemporaryFile(FilePath* path) {
  FilePath temp;
  return GetTempDir(&temp) && CreateTemporaryFileInDir(temp, path);
}

bool CreateTemporaryFileInDir(const FilePath& dir, FilePath* temp_file) {
  wchar_t name[MAX_PATH + 1];
  if (!::GetTempFileNameW(dir.value().c_str(), L"", 0, name)) {
    DPLOG(WARNING) << "GetTempFileName failed in " << dir;
    return false;
  }
  *temp_file = FilePath(name);
  return true;
}

bool CreateNewTempDirectory(std::wstring_view prefix, FilePath* new_temp_path) {
  FilePath temp;
  return GetTempDir(&temp) && CreateTemporaryDirInDir(temp, prefix, new_temp_path);
}

bool CreateTemporaryDirInDir(const FilePath& base_dir, std::wstring_view prefix,
                             FilePath* new_dir) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    const std::wstring name =
        std::wstring(prefix) +
        StringPrintf(L"%lu_%lu_%llx", ::GetCurrentProcessId(),
                     static_cast<unsigned long>(g_temp_counter.fetch_add(1)),
                     static_cast<unsigned long long>(counter.QuadPart));
    const FilePath path = base_dir.Append(name);
    // CreateDirectory fails on an existing name, so a folder made by
    // someone else is never taken over.
    if (::CreateDirectoryW(path.value().c_str(), nullptr)) {
      *new_dir = path;
      return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool GetCurrentDirectory(FilePath* path) {
  const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return false;
  std::wstring buffer(needed, L'\0');
  const DWORD len = ::GetCurrentDirectoryW(needed, buffer.data());
  if (len == 0 || len >= needed) return false;
  buffer.resize(len);
  *path = FilePath(buffer);
  return true;
}

bool SetCurrentDirectory(const FilePath& path) {
  return ::SetCurrentDirectoryW(path.value().c_str()) != 0;
}

bool NormalizeFilePath(const FilePath& path, FilePath* real_path) {
  File file(path, File::FLAG_OPEN | File::FLAG_SHARE_DELETE);
  if (!file.IsValid()) return false;
  wchar_t buffer[MAX_PATH * 4];
  const DWORD len = ::GetFinalPathNameByHandleW(file.GetPlatformFile(), buffer,
                                                static_cast<DWORD>(std::size(buffer)),
                                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (len == 0 || len >= std::size(buffer)) return false;
  std::wstring result(buffer, len);
  if (StartsWith(result, L"\\\\?\\UNC\\", CompareCase::SENSITIVE))
    result = L"\\\\" + result.substr(8);
  else if (StartsWith(result, L"\\\\?\\", CompareCase::SENSITIVE))
    result = result.substr(4);
  *real_path = FilePath(result);
  return true;
}

}  // namespace base
