#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_RANGE_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_RANGE_H_

#include <stdint.h>

#include <string>

// Where one download's body stands, for resuming it with a Range request:
// the bytes written of the body, the length the server announced (0: none)
// and the furthest byte the download ever wrote. A body sent again from
// the start rewinds the written bytes but not the furthest one.
class DownloadRange {
 public:
  uint32_t written() const { return written_; }
  uint32_t expected_size() const { return expected_size_; }
  uint32_t high_water() const { return high_water_; }

  void Reset() { *this = DownloadRange(); }
  // The server sends the whole body again.
  void Rewind() { written_ = 0; }
  // Keeps the announced length; true when it is to be shown as a new
  // total: it changed, or nothing was written yet.
  bool SetExpectedSize(uint32_t length);
  // The part of |count| bytes that lies beyond the announced length.
  uint32_t Excess(uint32_t count) const;
  // |count| bytes were written; true when they reach beyond the furthest
  // byte so far.
  bool Advance(uint32_t count);
  // The request header that asks for the rest; empty before any byte.
  std::wstring RangeHeader() const;
  // Whether a partial answer's Content-Range continues at the next byte.
  bool Continues(const std::string& content_range) const;
  // The whole length a Content-Range gives after its "/", when no length
  // was announced yet.
  bool NewWholeLength(const std::string& content_range, uint64_t* whole) const;

 private:
  uint32_t written_ = 0;
  uint32_t expected_size_ = 0;
  uint32_t high_water_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_DOWNLOAD_RANGE_H_
