#include "desktop/windows/installer/wininet/download_range.h"

#include "base/logging.h"
#include "base/strings/string_number_conversions.h"

bool DownloadRange::SetExpectedSize(uint32_t length) {
  const bool changed = length != expected_size_;
  expected_size_ = length;
  return changed || high_water_ == 0;
}

uint32_t DownloadRange::Excess(uint32_t count) const {
  DCHECK(expected_size_ == 0 || written_ <= expected_size_);
  if (expected_size_ == 0 || count <= expected_size_ - written_)
    return 0;
  return count - (expected_size_ - written_);
}

bool DownloadRange::Advance(uint32_t count) {
  written_ += count;
  if (written_ <= high_water_)
    return false;
  high_water_ = written_;
  return true;
}

std::wstring DownloadRange::RangeHeader() const {
  if (written_ == 0)
    return std::wstring();
  return L"Range: bytes=" + std::to_wstring(written_) + L"-\r\n";
}

bool DownloadRange::Continues(const std::string& content_range) const {
  return content_range.rfind("bytes " + std::to_string(written_) + "-", 0) == 0;
}

bool DownloadRange::NewWholeLength(const std::string& content_range, uint64_t* whole) const {
  const size_t slash = content_range.find('/');
  return expected_size_ == 0 && slash != std::string::npos &&
         base::StringToUint64(content_range.substr(slash + 1), whole);
}
