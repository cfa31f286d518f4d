#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_STRING_RESPONSE_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_STRING_RESPONSE_WRITER_H_

#include <stddef.h>

#include <string>

#include "desktop/windows/installer/wininet/response_writer.h"

// Collects a response body into a string owned by the caller, which must
// outlive the writer. A body larger than |max_size| fails the write, so a
// service reply cannot grow without bound.
class StringResponseWriter : public ResponseWriter {
 public:
  static constexpr size_t kDefaultMaxSize = 1 << 20;

  explicit StringResponseWriter(std::string* target, size_t max_size = kDefaultMaxSize);
  ~StringResponseWriter() override;
  StringResponseWriter(const StringResponseWriter&) = delete;
  StringResponseWriter& operator=(const StringResponseWriter&) = delete;

  // ResponseWriter.
  bool Write(const char* data, uint32_t size) override;
  void Close() override {}
  bool Rewind() override;
  void Discard() override { target_->clear(); }
  uint64_t max_size() const override { return max_size_; }
  uint32_t error_code() const override { return error_code_; }

 private:
  std::string* const target_;
  const size_t max_size_;
  uint32_t error_code_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_STRING_RESPONSE_WRITER_H_
