#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_REQUEST_HEADERS_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_REQUEST_HEADERS_H_

#include <stddef.h>

#include <memory>
#include <string>
#include <vector>

// The request headers of a statistics message. The program keeps their text
// only scrambled in its data; an instance assembles it for one send and
// overwrites it with "0" characters before its memory is freed.
class AvroRequestHeaders {
 public:
  // Characters of the assembled text, without the terminating null.
  static constexpr size_t kLength = 67;

  // Assembles the text.
  AvroRequestHeaders();
  // Wipes the text (again) before freeing it.
  ~AvroRequestHeaders();
  AvroRequestHeaders(const AvroRequestHeaders&) = delete;
  AvroRequestHeaders& operator=(const AvroRequestHeaders&) = delete;

  // Null-terminated; kLength characters before the terminator.
  const wchar_t* text() const { return text_.get(); }
  size_t length() const { return kLength; }

  // Overwrites every character with "0".
  void Wipe();

  // The scrambled bytes of each header line as the program's data holds
  // them.
  static std::vector<std::string> GetScrambledLinesForTesting();

 private:
  std::unique_ptr<wchar_t[]> text_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_REQUEST_HEADERS_H_
