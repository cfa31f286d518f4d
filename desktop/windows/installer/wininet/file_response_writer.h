#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_FILE_RESPONSE_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_FILE_RESPONSE_WRITER_H_

#include <windows.h>
#include <stdint.h>

#include <string>

#include "desktop/windows/installer/wininet/response_writer.h"

// Writes a response body into a file, created anew (or emptied) by Open.
// A body larger than |max_size| is refused: no package comes near the
// default, and a server that never ends must not fill the disk.
class FileResponseWriter : public ResponseWriter {
 public:
  static constexpr uint64_t kDefaultMaxSize = uint64_t{2} << 30;

  explicit FileResponseWriter(uint64_t max_size = kDefaultMaxSize);
  ~FileResponseWriter() override;
  FileResponseWriter(const FileResponseWriter&) = delete;
  FileResponseWriter& operator=(const FileResponseWriter&) = delete;

  bool Open(const std::wstring& path);

  // ResponseWriter.
  bool Write(const char* data, uint32_t size) override;
  void Close() override;
  bool Rewind() override;
  void Discard() override;
  uint64_t max_size() const override { return max_size_; }
  uint32_t error_code() const override { return error_code_; }

 private:
  const uint64_t max_size_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::wstring path_;
  uint64_t written_ = 0;
  uint32_t error_code_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_FILE_RESPONSE_WRITER_H_
