#include "desktop/windows/installer/wininet/file_response_writer.h"

#include "base/logging.h"

FileResponseWriter::FileResponseWriter(uint64_t max_size) : max_size_(max_size) {}

FileResponseWriter::~FileResponseWriter() {
  Close();
}

bool FileResponseWriter::Open(const std::wstring& path) {
  Close();
  error_code_ = 0;
  written_ = 0;
  path_ = path;
  file_ = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    error_code_ = GetLastError();
    path_.clear();
    LOG(ERROR) << "Could not open download file for writing, system error: " << error_code_;
    return false;
  }
  return true;
}

bool FileResponseWriter::Write(const char* data, uint32_t size) {
  if (size > max_size_ - written_) {
    error_code_ = ERROR_FILE_TOO_LARGE;
    LOG(ERROR) << "Download larger than " << max_size_ << " bytes refused";
    return false;
  }
  while (size > 0) {
    DWORD written = 0;
    if (file_ == INVALID_HANDLE_VALUE || !WriteFile(file_, data, size, &written, nullptr) ||
        written == 0) {
      error_code_ = file_ == INVALID_HANDLE_VALUE ? ERROR_INVALID_HANDLE : GetLastError();
      if (error_code_ == 0)
        error_code_ = ERROR_WRITE_FAULT;
      LOG(ERROR) << "Failed writing response to downloading file, system error: " << error_code_;
      return false;
    }
    data += written;
    size -= written;
    written_ += written;
  }
  return true;
}

void FileResponseWriter::Close() {
  if (file_ != INVALID_HANDLE_VALUE) {
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }
}

bool FileResponseWriter::Rewind() {
  LARGE_INTEGER start = {};
  if (file_ == INVALID_HANDLE_VALUE || !SetFilePointerEx(file_, start, nullptr, FILE_BEGIN) ||
      !SetEndOfFile(file_)) {
    error_code_ = file_ == INVALID_HANDLE_VALUE ? ERROR_INVALID_HANDLE : GetLastError();
    return false;
  }
  written_ = 0;
  return true;
}

void FileResponseWriter::Discard() {
  Close();
  if (path_.empty())
    return;
  const DWORD error = DeleteFileW(path_.c_str()) ? ERROR_SUCCESS : GetLastError();
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND)
    LOG(ERROR) << "Could not delete the failed download, system error: " << error;
  path_.clear();
  written_ = 0;
}
