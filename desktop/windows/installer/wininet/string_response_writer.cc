#include "desktop/windows/installer/wininet/string_response_writer.h"

#include <windows.h>

#include "base/logging.h"

StringResponseWriter::StringResponseWriter(std::string* target, size_t max_size)
    : target_(target), max_size_(max_size) {
  DCHECK(target_);
  target_->clear();
}

StringResponseWriter::~StringResponseWriter() = default;

bool StringResponseWriter::Write(const char* data, uint32_t size) {
  if (size > max_size_ - target_->size()) {
    error_code_ = ERROR_FILE_TOO_LARGE;
    LOG(ERROR) << "Response larger than " << max_size_ << " bytes refused";
    return false;
  }
  target_->append(data, size);
  return true;
}

bool StringResponseWriter::Rewind() {
  target_->clear();
  return true;
}
