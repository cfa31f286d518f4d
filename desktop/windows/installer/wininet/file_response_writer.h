#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_FILE_RESPONSE_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_FILE_RESPONSE_WRITER_H_

#include <windows.h>

#include <string>

#include "desktop/windows/installer/wininet/response_writer.h"

// Writes a response body into a file, created anew (or emptied) by Open.
class FileResponseWriter : public ResponseWriter {
 public:
  FileResponseWriter();
  ~FileResponseWriter() override;
  FileResponseWriter(const FileResponseWriter&) = delete;
  FileResponseWriter& operator=(const FileResponseWriter&) = delete;

  bool Open(const std::wstring& path);

  // ResponseWriter.
  bool Write(const char* data, uint32_t size) override;
  void Close() override;
  bool Rewind() override;
  uint32_t error_code() const override { return error_code_; }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  uint32_t error_code_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_FILE_RESPONSE_WRITER_H_
