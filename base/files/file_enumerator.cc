#include "base/files/file_enumerator.h"

#include <shlwapi.h>

#include <cstring>

namespace base {

FileEnumerator::FileInfo::FileInfo() { memset(&find_data_, 0, sizeof(find_data_)); }

bool FileEnumerator::FileInfo::IsDirectory() const {
  return (find_data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileEnumerator::FileInfo::IsLink() const {
  return (find_data_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

FilePath FileEnumerator::FileInfo::GetName() const { return FilePath(find_data_.cFileName); }

int64_t FileEnumerator::FileInfo::GetSize() const {
  return (static_cast<int64_t>(find_data_.nFileSizeHigh) << 32) | find_data_.nFileSizeLow;
}

Time FileEnumerator::FileInfo::GetLastModifiedTime() const {
  return Time::FromFileTime((static_cast<uint64_t>(find_data_.ftLastWriteTime.dwHighDateTime) << 32) |
                            find_data_.ftLastWriteTime.dwLowDateTime);
}

FileEnumerator::FileEnumerator(const FilePath& root_path, bool recursive, int file_type)
    : FileEnumerator(root_path, recursive, file_type, L"*") {}

FileEnumerator::FileEnumerator(const FilePath& root_path, bool recursive, int file_type,
                               const std::wstring& pattern)
    : root_path_(root_path),
      recursive_(recursive),
      file_type_(file_type),
      pattern_(pattern.empty() ? L"*" : pattern) {
  pending_paths_.push_back(root_path);
}

FileEnumerator::~FileEnumerator() = default;

bool FileEnumerator::ShouldReturn(const WIN32_FIND_DATAW& data) const {
  const bool is_dir = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (is_dir ? !(file_type_ & DIRECTORIES) : !(file_type_ & FILES)) return false;
  return pattern_ == L"*" || PathMatchSpecW(data.cFileName, pattern_.c_str());
}

FilePath FileEnumerator::Next() {
  while (find_handle_.IsValid() || !pending_paths_.empty()) {
    if (!find_handle_.IsValid()) {
      root_path_ = pending_paths_.back();
      pending_paths_.pop_back();
      const FilePath search = root_path_.Append(L"*");
      find_handle_.Set(FindFirstFileExW(search.value().c_str(), FindExInfoBasic,
                                        &info_.find_data_, FindExSearchNameMatch, nullptr, 0));
      if (!find_handle_.IsValid()) continue;
    } else if (!FindNextFileW(find_handle_.Get(), &info_.find_data_)) {
      find_handle_.Close();
      continue;
    }
    const WIN32_FIND_DATAW& data = info_.find_data_;
    if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0) continue;
    const FilePath path = root_path_.Append(data.cFileName);
    if (recursive_ && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      pending_paths_.push_back(path);
    if (ShouldReturn(data)) return path;
  }
  return FilePath();
}

FileEnumerator::FileInfo FileEnumerator::GetInfo() const { return info_; }

}  // namespace base
