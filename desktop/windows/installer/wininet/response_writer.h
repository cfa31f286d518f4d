#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_RESPONSE_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_RESPONSE_WRITER_H_

#include <stdint.h>

// Where the downloader puts a response body. A write that would pass
// max_size() fails with ERROR_FILE_TOO_LARGE.
class ResponseWriter {
 public:
  virtual ~ResponseWriter() = default;
  virtual bool Write(const char* data, uint32_t size) = 0;
  virtual void Close() = 0;
  // Drops everything written so far, for a server that answers a resume with
  // the whole body again.
  virtual bool Rewind() = 0;
  // Closes and drops what was written, the file included: a failed download
  // leaves nothing behind.
  virtual void Discard() = 0;
  // The largest body this writer takes, in bytes.
  virtual uint64_t max_size() const = 0;
  // Why the last Write or Rewind failed (a system error code), or 0.
  virtual uint32_t error_code() const { return 0; }
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_RESPONSE_WRITER_H_
